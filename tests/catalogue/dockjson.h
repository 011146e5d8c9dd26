// SPDX-License-Identifier: MIT
#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QUrl>
#include <optional>

namespace tandri::test {

// Dock tile dictionaries as the Dock stores them.

inline QJsonObject appTile(const std::optional<QString>& url,
                           const std::optional<QString>& bundleID = std::nullopt,
                           const std::optional<QString>& label = std::nullopt) {
    QJsonObject tileData;
    if (url)
        tileData.insert("file-data", QJsonObject{{"_CFURLString", *url}});
    if (bundleID)
        tileData.insert("bundle-identifier", *bundleID);
    if (label)
        tileData.insert("file-label", *label);
    return QJsonObject{{"tile-type", "file-tile"}, {"tile-data", tileData}};
}

inline QJsonObject folderTile(const QString& url) {
    return QJsonObject{
        {"tile-type", "directory-tile"},
        {"tile-data", QJsonObject{{"file-data", QJsonObject{{"_CFURLString", url}}}}}};
}

inline QString fileURL(const QString& path) {
    return QUrl::fromLocalFile(path).toString();
}

}  // namespace tandri::test
