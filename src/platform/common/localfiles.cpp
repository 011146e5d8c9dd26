#include "platform/common/localfiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <memory>

namespace tandri {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

double seconds(const struct timespec& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

}  // namespace

bool LocalFiles::exists(const QString& path) const {
    return !path.isEmpty() && QFileInfo::exists(path);
}

bool LocalFiles::isDirectory(const QString& path) const {
    return !path.isEmpty() && QFileInfo(path).isDir();
}

std::optional<std::vector<DirectoryItem>> LocalFiles::list(const QString& folder) const {
    if (folder.isEmpty())
        return std::nullopt;
    const QString absolute = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    const std::unique_ptr<DIR, DirCloser> dir(opendir(QFile::encodeName(absolute).constData()));
    if (!dir)
        return std::nullopt;
    const QString prefix = absolute.endsWith(QLatin1Char('/')) ? absolute : absolute + u'/';

    std::vector<DirectoryItem> items;
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(dir.get());
        if (!entry) {
            // A listing cut short by an error is not the folder's contents.
            if (errno != 0)
                return std::nullopt;
            break;
        }
        if (entry->d_name[0] == '.')
            continue;
        DirectoryItem item;
        item.path = prefix + QFile::decodeName(entry->d_name);
        // The item's own dates, not those of a link's target: the link is what arrived here.
        struct stat info {};
        if (fstatat(dirfd(dir.get()), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0) {
            // Linux records no date of arrival in a folder. The status-change time comes closest:
            // moving or renaming an item into the folder sets it (so do permission changes).
            item.dateAdded = seconds(info.st_ctim);
            item.contentModified = seconds(info.st_mtim);
        } else if (errno == ENOENT) {
            continue;  // removed since the listing was read
        }
        items.push_back(std::move(item));
    }
    return items;
}

}  // namespace tandri
