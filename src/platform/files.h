// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <optional>
#include <vector>

namespace tandri {

/// One item of a folder listing.
struct DirectoryItem {
    QString path;
    /// When the item arrived in the folder, where the file system can tell.
    std::optional<double> dateAdded;
    /// When its contents last changed.
    std::optional<double> contentModified;
};

/// The file system. Safe on any thread.
class Files {
public:
    virtual ~Files() = default;
    virtual bool exists(const QString& path) const = 0;
    virtual bool isDirectory(const QString& path) const = 0;
    /// The folder's direct, non-hidden contents in listing order with their dates (seconds since
    /// the epoch); absent when the folder cannot be listed.
    virtual std::optional<std::vector<DirectoryItem>> list(const QString& folder) const = 0;
    /// The file system volume that holds the item; absent when it cannot be read.
    virtual std::optional<quint64> volumeID(const QString& path) const = 0;
    /// Moves a file or folder to `destination`, which must not exist; false when it failed.
    virtual bool move(const QString& source, const QString& destination) = 0;
    /// Copies a file or folder (with its contents) to `destination`, which must not exist;
    /// false when it failed, and then nothing is left at `destination`.
    virtual bool copy(const QString& source, const QString& destination) = 0;
};

}  // namespace tandri
