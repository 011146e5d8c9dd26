// SPDX-License-Identifier: MIT
#include "platform/common/xdgtrash.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "platform/common/localfiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <memory>

namespace tandri {

namespace {

std::optional<struct stat> linkStatus(const QByteArray& path) {
    struct stat info {};
    if (lstat(path.constData(), &info) != 0)
        return std::nullopt;
    return info;
}

std::optional<struct stat> status(const QByteArray& path) {
    struct stat info {};
    if (stat(path.constData(), &info) != 0)
        return std::nullopt;
    return info;
}

QByteArray parentOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash <= 0 ? QByteArray("/") : path.left(slash);
}

QByteArray nameOf(const QByteArray& path) {
    return path.mid(path.lastIndexOf('/') + 1);
}

QByteArray join(const QByteArray& folder, const QByteArray& name) {
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

// A folder of a trash, made private when it is made; never a symbolic link.
bool ensureFolder(const QByteArray& path) {
    if (mkdir(path.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    const auto info = linkStatus(path);
    return info && S_ISDIR(info->st_mode);
}

bool ensureTrashFolders(const QByteArray& trash) {
    return ensureFolder(trash) && ensureFolder(join(trash, "files")) &&
           ensureFolder(join(trash, "info"));
}

// The top folder of the file system that holds `folder`: its mount point.
QByteArray mountTop(QByteArray folder, dev_t device) {
    while (folder != "/") {
        const QByteArray parent = parentOf(folder);
        const auto info = status(parent);
        if (!info || info->st_dev != device)
            break;
        folder = parent;
    }
    return folder;
}

// Whether everything of the item may be removed, so that a copy is never followed by a half
// removal.
bool removable(const QByteArray& path) {
    const auto info = linkStatus(path);
    if (!info)
        return false;
    if (!S_ISDIR(info->st_mode))
        return true;
    if (access(path.constData(), R_OK | W_OK | X_OK) != 0)
        return false;
    std::unique_ptr<DIR, int (*)(DIR*)> folder(opendir(path.constData()), closedir);
    if (!folder)
        return false;
    while (const dirent* entry = readdir(folder.get())) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        if (!removable(join(path, name)))
            return false;
    }
    return true;
}

bool removeAll(const QByteArray& path) {
    const auto info = linkStatus(path);
    if (!info)
        return false;
    if (!S_ISDIR(info->st_mode))
        return unlink(path.constData()) == 0;
    {
        std::unique_ptr<DIR, int (*)(DIR*)> folder(opendir(path.constData()), closedir);
        if (!folder)
            return false;
        bool removed = true;
        while (const dirent* entry = readdir(folder.get())) {
            const QByteArray name(entry->d_name);
            if (name != "." && name != "..")
                removed = removeAll(join(path, name)) && removed;
        }
        if (!removed)
            return false;
    }
    return rmdir(path.constData()) == 0;
}

// The n-th name tried for an item in the trash: its own, then "Name 2.ext", "Name 3.ext"...
QByteArray candidateName(const QByteArray& name, int n) {
    if (n == 1)
        return name;
    const qsizetype dot = name.lastIndexOf('.');
    const QByteArray number = ' ' + QByteArray::number(n);
    if (dot <= 0)
        return name + number;
    return name.left(dot) + number + name.mid(dot);
}

bool writeAll(int fd, const QByteArray& data) {
    qsizetype written = 0;
    while (written < data.size()) {
        const ssize_t n = write(fd, data.constData() + written, size_t(data.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        written += n;
    }
    return true;
}

}  // namespace

XdgTrash::XdgTrash() : XdgTrash(defaultHomeTrash()) {}

XdgTrash::XdgTrash(const QString& homeTrash, bool topDirectoryTrashes)
    : home_(QDir::cleanPath(homeTrash)), topDirectoryTrashes_(topDirectoryTrashes) {}

QString XdgTrash::defaultHomeTrash() {
    QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty())
        data = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(data + QStringLiteral("/Trash"));
}

QString XdgTrash::filesFolder() const {
    return home_ + QStringLiteral("/files");
}

QByteArray XdgTrash::trashInfo(const QByteArray& path, const QDateTime& deleted) {
    return "[Trash Info]\nPath=" + path.toPercentEncoding("/") +
           "\nDeletionDate=" + deleted.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toLatin1() +
           "\n";
}

std::optional<QString> XdgTrash::topDirectoryTrash(const QByteArray& item, quint64 device) const {
    const QByteArray top = mountTop(parentOf(item), dev_t(device));
    const QByteArray uid = QByteArray::number(getuid());
    auto usable = [&](const QByteArray& trash) {
        const auto info = linkStatus(trash);
        return info && S_ISDIR(info->st_mode) && info->st_uid == getuid() &&
               info->st_dev == device && ensureTrashFolders(trash);
    };
    // A shared folder the administrator made, sticky so that users cannot touch each other's.
    const QByteArray shared = join(top, ".Trash");
    if (const auto info = linkStatus(shared);
        info && S_ISDIR(info->st_mode) && (info->st_mode & S_ISVTX)) {
        const QByteArray own = join(shared, uid);
        if (ensureFolder(own) && usable(own))
            return QFile::decodeName(own);
    }
    const QByteArray own = join(top, ".Trash-" + uid);
    if (ensureFolder(own) && usable(own))
        return QFile::decodeName(own);
    return std::nullopt;
}

bool XdgTrash::trashInto(const QString& trash, const QByteArray& item, const QByteArray& recorded,
                         bool copy) {
    const QByteArray folder = QFile::encodeName(trash);
    const QByteArray name = nameOf(item);
    const QByteArray info = trashInfo(recorded, QDateTime::currentDateTime());
    for (int n = 1; n < 100000; ++n) {
        const QByteArray candidate = candidateName(name, n);
        const QByteArray infoPath = join(join(folder, "info"), candidate + ".trashinfo");
        const QByteArray target = join(join(folder, "files"), candidate);
        // The info file is made first and exclusively: it reserves the name against another
        // program trashing an item of the same name at the same time.
        const int fd = open(infoPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return false;
        }
        if (linkStatus(target)) {  // an item left without its info
            close(fd);
            unlink(infoPath.constData());
            continue;
        }
        const bool written = writeAll(fd, info);
        if (close(fd) != 0 || !written) {
            unlink(infoPath.constData());
            return false;
        }
        if (!copy) {
            if (rename(item.constData(), target.constData()) == 0)
                return true;
            if (errno != EXDEV) {
                unlink(infoPath.constData());
                return false;
            }
        }
        // Across file systems: the copy must be whole before the original goes.
        if (!removable(item) ||
            !LocalFiles().copy(QFile::decodeName(item), QFile::decodeName(target))) {
            unlink(infoPath.constData());
            return false;
        }
        // Should the removal still fail, the whole copy stays in the trash: nothing is lost.
        return removeAll(item);
    }
    return false;
}

bool XdgTrash::moveToTrash(const QString& path) {
    if (path.isEmpty())
        return false;
    const QString absolute = QDir::cleanPath(QDir(path).absolutePath());
    const QString name = QFileInfo(absolute).fileName();
    if (name.isEmpty())
        return false;  // the root
    // The folder it lies in without symbolic links: the place the info records.
    const QString parent = QFileInfo(absolute).dir().canonicalPath();
    if (parent.isEmpty())
        return false;
    const QByteArray item = join(QFile::encodeName(parent), QFile::encodeName(name));
    const auto itemInfo = linkStatus(item);
    if (!itemInfo)
        return false;

    // The trash cannot go into itself, nor a folder that holds it, nor what it already holds.
    const QByteArray home = QFile::encodeName(home_);
    const QByteArray realHome = QFile::encodeName(QDir(home_).canonicalPath());
    for (const QByteArray& trash : {home, realHome}) {
        if (!trash.isEmpty() &&
            (trash == item || trash.startsWith(item + '/') || item.startsWith(trash + '/')))
            return false;
    }

    const bool homeReady = QDir().mkpath(QFileInfo(home_).path()) && ensureTrashFolders(home);
    const auto homeInfo = homeReady ? status(home) : std::nullopt;
    if (homeInfo && homeInfo->st_dev == itemInfo->st_dev)
        return trashInto(home_, item, item, false);

    if (topDirectoryTrashes_) {
        if (const auto trash = topDirectoryTrash(item, quint64(itemInfo->st_dev))) {
            // Such a trash records places relative to the top of its file system.
            const QByteArray top = parentOf(QFile::encodeName(*trash)).endsWith("/.Trash")
                                       ? parentOf(parentOf(QFile::encodeName(*trash)))
                                       : parentOf(QFile::encodeName(*trash));
            const QByteArray relative = top == "/" ? item.mid(1) : item.mid(top.size() + 1);
            return trashInto(*trash, item, relative, false);
        }
    }
    if (homeInfo)
        return trashInto(home_, item, item, true);
    return false;
}

}  // namespace tandri
