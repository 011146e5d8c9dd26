// SPDX-License-Identifier: MIT
#include "platform/common/localfiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <array>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

#include "platform/common/filedescriptor.h"

namespace tandri {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

double seconds(const struct timespec& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

QByteArray child(const QByteArray& folder, const char* name) {
    return folder + '/' + name;
}

// The copy's permissions: the source's, less set-user-ID and set-group-ID, which would hand the
// source owner's rights to whoever makes the copy.
mode_t copiedMode(const struct stat& info) {
    return info.st_mode & (S_IRWXU | S_IRWXG | S_IRWXO | S_ISVTX);
}

bool writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

bool copyContents(int from, int to) {
    std::array<char, 64 * 1024> buffer{};
    for (;;) {
        const ssize_t count = ::read(from, buffer.data(), buffer.size());
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (count == 0)
            return true;
        if (!writeAll(to, buffer.data(), static_cast<size_t>(count)))
            return false;
    }
}

// Removes a tree this program made itself, whatever permissions it was given on the way.
void removeCreated(const QByteArray& path) {
    struct stat info {};
    if (::lstat(path.constData(), &info) != 0)
        return;
    if (!S_ISDIR(info.st_mode)) {
        ::unlink(path.constData());
        return;
    }
    ::chmod(path.constData(), S_IRWXU);
    std::vector<QByteArray> names;
    if (DIR* dir = ::opendir(path.constData())) {
        const std::unique_ptr<DIR, DirCloser> closer(dir);
        while (const dirent* entry = ::readdir(dir)) {
            const QByteArray name(entry->d_name);
            if (name != "." && name != "..")
                names.push_back(name);
        }
    }
    for (const QByteArray& name : names) removeCreated(child(path, name.constData()));
    ::rmdir(path.constData());
}

// Copies one item and what it holds. Folders stay writable until everything is in them; their
// own permissions and dates are set at the end, from `folders`.
class TreeCopy {
public:
    /// False when it failed; `made` tells whether `destination` was created before that.
    bool item(const QByteArray& source, const QByteArray& destination, bool& made) {
        made = false;
        struct stat info {};
        if (::lstat(source.constData(), &info) != 0)
            return false;
        if (S_ISREG(info.st_mode))
            return file(source, destination, info, made);
        if (S_ISDIR(info.st_mode))
            return folder(source, destination, info, made);
        if (S_ISLNK(info.st_mode))
            return link(source, destination, info, made);
        if (S_ISFIFO(info.st_mode)) {
            if (::mkfifo(destination.constData(), S_IRUSR | S_IWUSR) != 0)
                return false;
            made = true;
            return ::chmod(destination.constData(), copiedMode(info)) == 0 &&
                   setTimes(destination, info, 0);
        }
        // Sockets and devices belong to whatever made them; a copy would be a different thing.
        return false;
    }

    /// Gives the copied folders their permissions and dates, innermost first.
    bool finish() {
        for (auto it = folders_.rbegin(); it != folders_.rend(); ++it) {
            const Folder& folder = *it;
            if (::chmod(folder.path.constData(), copiedMode(folder.info)) != 0 ||
                !setTimes(folder.path, folder.info, 0)) {
                return false;
            }
        }
        return true;
    }

private:
    struct Folder {
        QByteArray path;
        struct stat info;
    };

    static bool setTimes(const QByteArray& path, const struct stat& info, int flags) {
        const struct timespec times[2] = {info.st_atim, info.st_mtim};
        return ::utimensat(AT_FDCWD, path.constData(), times, flags) == 0;
    }

    static bool file(const QByteArray& source, const QByteArray& destination,
                     const struct stat& info, bool& made) {
        // Non-blocking and not following links, in case the item was swapped for a pipe or a
        // link since it was looked at.
        FileDescriptor in(
            ::open(source.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat opened {};
        if (!in || ::fstat(in.get(), &opened) != 0 || !S_ISREG(opened.st_mode))
            return false;
        FileDescriptor out(::open(destination.constData(),
                                  O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                                  S_IRUSR | S_IWUSR));
        if (!out)
            return false;
        made = true;
        const struct timespec times[2] = {info.st_atim, info.st_mtim};
        return copyContents(in.get(), out.get()) && ::fchmod(out.get(), copiedMode(info)) == 0 &&
               ::futimens(out.get(), times) == 0 && out.close();
    }

    static bool link(const QByteArray& source, const QByteArray& destination,
                     const struct stat& info, bool& made) {
        // The size in the status is the target's length, but the link may change meanwhile.
        QByteArray target(static_cast<qsizetype>(info.st_size) + 1, Qt::Uninitialized);
        const ssize_t length =
            ::readlink(source.constData(), target.data(), static_cast<size_t>(target.size()));
        if (length < 0 || length >= target.size())
            return false;
        target.truncate(length);
        if (::symlink(target.constData(), destination.constData()) != 0)
            return false;
        made = true;
        return setTimes(destination, info, AT_SYMLINK_NOFOLLOW);
    }

    bool folder(const QByteArray& source, const QByteArray& destination, const struct stat& info,
                bool& made) {
        std::vector<QByteArray> names;
        {
            const std::unique_ptr<DIR, DirCloser> dir(::opendir(source.constData()));
            if (!dir)
                return false;
            for (;;) {
                errno = 0;
                const dirent* entry = ::readdir(dir.get());
                if (!entry) {
                    if (errno != 0)
                        return false;
                    break;
                }
                const QByteArray name(entry->d_name);
                if (name != "." && name != "..")
                    names.push_back(name);
            }
        }
        if (::mkdir(destination.constData(), S_IRWXU) != 0)
            return false;
        made = true;
        // Whatever the umask took away, the owner must be able to fill the folder.
        if (::chmod(destination.constData(), S_IRWXU) != 0)
            return false;
        folders_.push_back({destination, info});
        for (const QByteArray& name : names) {
            bool madeChild = false;
            if (!item(child(source, name.constData()), child(destination, name.constData()),
                      madeChild)) {
                return false;
            }
        }
        return true;
    }

    std::vector<Folder> folders_;
};

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

std::optional<quint64> LocalFiles::volumeID(const QString& path) const {
    if (path.isEmpty())
        return std::nullopt;
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return static_cast<quint64>(info.st_dev);
}

bool LocalFiles::move(const QString& source, const QString& destination) {
    if (source.isEmpty() || destination.isEmpty())
        return false;
    const QByteArray from = QFile::encodeName(source);
    const QByteArray to = QFile::encodeName(destination);
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return true;
    // Only a file system (or kernel) without the no-replace rename gets a second try.
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return false;
    struct stat info {};
    if (::lstat(from.constData(), &info) != 0)
        return false;
    if (!S_ISDIR(info.st_mode)) {
        // A second name, then the first one dropped: linking fails when the name is taken.
        if (::link(from.constData(), to.constData()) == 0) {
            if (::unlink(from.constData()) == 0)
                return true;
            ::unlink(to.constData());
            return false;
        }
        if (errno != EPERM && errno != EOPNOTSUPP)
            return false;
    }
    // No way to rename atomically without replacing: look first, then rename. Something created
    // in between would be replaced; file systems without the two ways above are rare.
    struct stat existing {};
    if (::lstat(to.constData(), &existing) == 0 || errno != ENOENT)
        return false;
    return ::rename(from.constData(), to.constData()) == 0;
}

bool LocalFiles::copy(const QString& source, const QString& destination) {
    if (source.isEmpty() || destination.isEmpty())
        return false;
    const QByteArray from = QFile::encodeName(source);
    const QByteArray to = QFile::encodeName(destination);
    struct stat info {};
    struct stat existing {};
    if (::lstat(from.constData(), &info) != 0 || ::lstat(to.constData(), &existing) == 0 ||
        errno != ENOENT) {
        return false;
    }
    if (S_ISDIR(info.st_mode)) {
        // A folder copied into itself would never end.
        const QString folder = QFileInfo(source).canonicalFilePath();
        const QString parent = QFileInfo(QFileInfo(destination).absolutePath()).canonicalFilePath();
        if (folder.isEmpty() || parent.isEmpty() || parent == folder ||
            parent.startsWith(folder.endsWith(u'/') ? folder : folder + u'/')) {
            return false;
        }
    }
    TreeCopy tree;
    bool made = false;
    if (tree.item(from, to, made) && tree.finish())
        return true;
    // Nothing half-copied stays behind; what was there before was never touched.
    if (made)
        removeCreated(to);
    return false;
}

}  // namespace tandri
