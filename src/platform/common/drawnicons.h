// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <map>
#include <mutex>
#include <optional>

namespace tandri {

/// Icons for apps, files and the Trash: an app's own icon file where it has one, drawn ones
/// where there are none.
/// Every icon is made once and cached. Safe on any thread.
class DrawnIcons {
public:
    /// Side of every drawn icon, in pixels.
    static constexpr int size = 128;

    /// The picture in `iconFile` when it loads, else the drawn icon for `name`.
    QImage appIcon(const QString& name, const std::optional<QString>& iconFile);
    QImage folderIcon();
    QImage documentIcon();
    QImage trashIcon();

    /// The name's initial on a rounded square in the name's colour.
    static QImage drawAppIcon(const QString& name);
    /// A colour that depends on the name only, the same in every run.
    static QColor colourFor(const QString& name);

private:
    template <typename Draw>
    QImage cached(const QString& key, Draw draw);

    std::mutex mutex_;
    std::map<QString, QImage> cache_;
};

}  // namespace tandri
