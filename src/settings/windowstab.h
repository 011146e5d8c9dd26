// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>
#include <memory>

class QComboBox;
class QLabel;

namespace tandri {

class PermissionRow;
class PermissionWatch;
class PreviewSizeSlider;
struct Platform;

/// How an app's windows are shown, the two permissions they need, thumbnails and the preview.
class WindowsTab : public QWidget {
public:
    explicit WindowsTab(Platform& platform);
    ~WindowsTab() override;

private:
    void refresh();

    Platform& platform_;
    std::unique_ptr<PermissionWatch> permissions_;
    QComboBox* layout_;
    QLabel* layoutDetail_;
    PermissionRow* accessibility_;
    QWidget* thumbnails_;
    PermissionRow* screenRecording_;
    PreviewSizeSlider* previewSize_;
};

}  // namespace tandri
