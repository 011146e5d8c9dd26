// SPDX-License-Identifier: MIT
#pragma once

#include <QListWidget>

namespace tandri {

struct Platform;

/// The user's pinned apps and folders as an editable list: each row with its icon, its name and
/// a remove button; rows are dragged to reorder. It holds a copy of the stored list and writes
/// every edit back at once.
class PinnedList : public QListWidget {
public:
    static constexpr int maximumHeight = 150;

    explicit PinnedList(Platform& platform, QWidget* parent = nullptr);

    /// Reads the stored list again.
    void reload();
    /// The paths in the order shown.
    QStringList paths() const;

protected:
    void dropEvent(QDropEvent* event) override;

private:
    void addRow(const QString& path);

    Platform& platform_;
};

}  // namespace tandri
