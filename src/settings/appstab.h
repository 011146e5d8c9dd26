// SPDX-License-Identifier: MIT
#pragma once

#include <QWidget>

class QComboBox;
class QGroupBox;
class QLabel;

namespace tandri {

class PinnedList;
struct Platform;

/// Which apps the ring shows, the pinned list, the folders and the Dock.
class AppsTab : public QWidget {
public:
    explicit AppsTab(Platform& platform);

    /// Pins the chosen files and folders, in order.
    void pin(const QStringList& paths);
    void importFromDock();

private:
    void appSetChosen();
    void choose();

    Platform& platform_;
    QComboBox* appSet_;
    QLabel* detail_;
    QGroupBox* pinned_;
    PinnedList* list_;
};

}  // namespace tandri
