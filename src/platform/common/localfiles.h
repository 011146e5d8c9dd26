// SPDX-License-Identifier: MIT
#pragma once

#include "platform/files.h"

namespace tandri {

/// The real file system.
class LocalFiles : public Files {
public:
    bool exists(const QString& path) const override;
    bool isDirectory(const QString& path) const override;
    std::optional<std::vector<DirectoryItem>> list(const QString& folder) const override;
    /// The device of the item itself, a final symbolic link not followed.
    std::optional<quint64> volumeID(const QString& path) const override;
    /// A rename within one volume; never replaces an existing item.
    bool move(const QString& source, const QString& destination) override;
    /// Keeps permissions and modification times and copies symbolic links as links; never
    /// replaces an existing item.
    bool copy(const QString& source, const QString& destination) override;
};

}  // namespace tandri
