// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;

namespace tandri {

struct Platform;

/// "Open Tandri at login": the system's login item as a toggle, with a note when the system
/// wants the user's approval or the change failed. Both windows use it.
class LoginItemToggle : public QWidget {
public:
    explicit LoginItemToggle(Platform& platform, QWidget* parent = nullptr);

    QCheckBox* toggle() const { return toggle_; }
    /// Empty when there is nothing to say.
    QString note() const;

private:
    void set(bool on);
    /// Shows the system's status, whatever the click asked for.
    void showStatus();

    Platform& platform_;
    QCheckBox* toggle_;
    QLabel* note_;
};

}  // namespace tandri
