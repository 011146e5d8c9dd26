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
};

}  // namespace tandri
