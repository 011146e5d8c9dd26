#pragma once

#include "platform/files.h"

namespace tandri {

/// The real file system.
class LocalFiles : public Files {
public:
    bool exists(const QString& path) const override;
    bool isDirectory(const QString& path) const override;
    std::optional<std::vector<DirectoryItem>> list(const QString& folder) const override;
};

}  // namespace tandri
