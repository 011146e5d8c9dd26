// SPDX-License-Identifier: MIT
#pragma once

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "support/testfiles.h"

namespace tandri::test {

/// Whether anything, even a dangling link, has this name.
inline bool present(const QString& path) {
    struct stat info {};
    return lstat(QFile::encodeName(path).constData(), &info) == 0;
}

/// Every item under `root` by its relative path: a folder, a socket, a link with its target as
/// written, or a file with its bytes (long ones by size and digest); with `details`, each item's
/// permissions and modification time too. One comparison then says whether anything was made,
/// changed or taken away.
inline std::map<std::string, std::string> fileTree(const QString& root, bool details = false) {
    std::map<std::string, std::string> tree;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QByteArray name = QFile::encodeName(path);
        struct stat info {};
        std::string& entry = tree[QDir(root).relativeFilePath(path).toStdString()];
        if (lstat(name.constData(), &info) != 0) {
            entry = "gone";
        } else if (S_ISLNK(info.st_mode)) {
            char target[4096] = {};
            entry = "-> " + std::string(target, std::max<ssize_t>(0, readlink(name, target, 4095)));
        } else if (S_ISDIR(info.st_mode)) {
            entry = "folder";
        } else if (S_ISSOCK(info.st_mode)) {
            entry = "socket";
        } else {
            const QByteArray bytes = fileContents(path);
            const QByteArray digest = QCryptographicHash::hash(bytes, QCryptographicHash::Md5);
            entry = bytes.size() <= 40
                        ? bytes.toStdString()
                        : std::to_string(bytes.size()) + " bytes " + digest.toHex().toStdString();
        }
        if (details) {
            entry += " mode " + QByteArray::number(info.st_mode & 07777, 8).toStdString() +
                     " time " + std::to_string(info.st_mtim.tv_sec) + "." +
                     std::to_string(info.st_mtim.tv_nsec);
        }
    }
    return tree;
}

/// Binds a socket at `path`: an item nothing can copy, whoever asks.
inline void makeSocket(const QString& path) {
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    ASSERT_LT(std::size_t(name.size()), sizeof address.sun_path);
    std::memcpy(address.sun_path, name.constData(), std::size_t(name.size()));
    const int bound = bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    close(fd);
    ASSERT_EQ(bound, 0) << name.constData();
}

/// Sets the modification time of `path` itself, not of what a link points to.
inline void setModified(const QString& path, time_t seconds, long nanoseconds = 0) {
    const struct timespec times[2] = {{seconds, 0}, {seconds, nanoseconds}};
    ASSERT_EQ(utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW),
              0);
}

/// A writable temporary folder on another file system than `near`'s (/dev/shm is one), or null
/// where there is none.
inline std::unique_ptr<QTemporaryDir> folderOnAnotherFileSystem(const QString& near) {
    struct stat shm {
    }, here{};
    if (stat("/dev/shm", &shm) != 0 || stat(QFile::encodeName(near).constData(), &here) != 0 ||
        shm.st_dev == here.st_dev || access("/dev/shm", W_OK) != 0)
        return nullptr;
    auto folder = std::make_unique<QTemporaryDir>("/dev/shm/tandri-test-XXXXXX");
    return folder->isValid() ? std::move(folder) : nullptr;
}

}  // namespace tandri::test
