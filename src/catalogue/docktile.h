// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QUrl>
#include <optional>

namespace tandri::AppSource {

/// One app tile, from the Dock's preferences or the pinned list.
struct DockTile {
    std::optional<QString> bundleID;
    /// The app bundle.
    QUrl url;
    /// The label.
    QString name;
};

}  // namespace tandri::AppSource
