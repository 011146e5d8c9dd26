// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace tandri {

class Observation;
class ShortcutRecorder;
struct Platform;

/// The last page: the main choices, each stored the moment it changes.
class SetUpStep : public QWidget {
public:
    explicit SetUpStep(Platform& platform, QWidget* parent = nullptr);
    ~SetUpStep() override;

private:
    /// Shows the stored choices, whoever changed them.
    void refresh();
    void showRecorder();

    Platform& platform_;
    std::unique_ptr<ShortcutRecorder> recorder_;
    QComboBox* apps_;
    QCheckBox* hideDock_ = nullptr;
    QCheckBox* middleClick_;
    QPushButton* shortcut_;
    QLabel* shortcutHint_;
    QLabel* shortcutMessage_;
    std::unique_ptr<Observation> preferences_;
};

}  // namespace tandri
