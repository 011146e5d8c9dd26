// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>
#include <functional>
#include <memory>

class QCheckBox;
class QLabel;
class QPushButton;

namespace tandri {

class Observation;
class GuidePermissionRow;
class PermissionWatch;
struct Platform;

/// The page that asks for the two permissions and follows them while the user grants them
/// elsewhere, with the thumbnails switch and, when a grant needs it, a restart.
class PermissionsStep : public QWidget {
public:
    /// `relaunch` restarts the program.
    PermissionsStep(Platform& platform, std::function<void()> relaunch, QWidget* parent = nullptr);
    ~PermissionsStep() override;

private:
    void refresh();

    Platform& platform_;
    std::unique_ptr<PermissionWatch> watch_;
    GuidePermissionRow* accessibility_;
    QCheckBox* thumbnails_;
    GuidePermissionRow* screenRecording_;
    QWidget* restart_;
    std::unique_ptr<Observation> preferences_;
};

}  // namespace tandri
