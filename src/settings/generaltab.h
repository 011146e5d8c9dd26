// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>
#include <memory>

class QLabel;
class QPushButton;

namespace tandri {

class PermissionWatch;
class ShortcutRecorder;
struct Platform;

/// Starting at login, the shortcut and its recorder, and the middle click.
class GeneralTab : public QWidget {
public:
    explicit GeneralTab(Platform& platform);
    ~GeneralTab() override;

private:
    void refreshShortcut();
    void refreshMiddleClickNote();

    Platform& platform_;
    std::unique_ptr<ShortcutRecorder> recorder_;
    std::unique_ptr<PermissionWatch> permissions_;
    QPushButton* record_;
    QPushButton* reset_;
    QLabel* note_;
    QWidget* conflict_;
    QLabel* conflictText_;
    QLabel* middleClickNote_;
};

}  // namespace tandri
