// SPDX-License-Identifier: MIT
#include "platform/common/regularfile.h"

#include <fcntl.h>
#include <unistd.h>
#include <QFile>
#include <QLocale>
#include <cerrno>
#include <cstring>

#include "platform/common/filedescriptor.h"

namespace tandri {

RegularFile RegularFile::read(const QString& path, qint64 limit) {
    RegularFile file;
    file.limit = limit;
    if (path.isEmpty()) {
        file.status = Status::Missing;
        return file;
    }
    if (path.startsWith(u':')) {
        // Built into the program, so no one else's file.
        QFile resource(path);
        if (!resource.open(QIODevice::ReadOnly)) {
            file.status = Status::Missing;
        } else if (resource.size() > limit) {
            file.status = Status::TooLarge;
        } else {
            file.bytes = resource.readAll();
            file.status = Status::Read;
        }
        return file;
    }
    const FileDescriptor fd(
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) {
        file.error = errno;
        file.status =
            file.error == ENOENT || file.error == ENOTDIR ? Status::Missing : Status::Failed;
        return file;
    }
    if (::fstat(fd.get(), &file.info) != 0) {
        file.error = errno;
        return file;
    }
    file.opened = true;
    if (!S_ISREG(file.info.st_mode)) {
        file.status = Status::NotRegular;
        return file;
    }
    if (file.info.st_size > limit) {
        file.status = Status::TooLarge;
        return file;
    }
    // The size is only a hint: the file may grow while it is read.
    file.bytes.reserve(qsizetype(file.info.st_size));
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            file.error = errno;
            file.bytes.clear();
            return file;
        }
        if (file.bytes.size() + n > limit) {
            file.bytes.clear();
            file.status = Status::TooLarge;
            return file;
        }
        file.bytes.append(buffer, qsizetype(n));
    }
    file.status = Status::Read;
    return file;
}

RegularFile RegularFile::readOrWarn(const QString& path, qint64 limit) {
    RegularFile file = read(path, limit);
    if (!file.ok() && file.status != Status::Missing)
        qWarning("Tandri: skipped %s: %s", qUtf8Printable(path), qUtf8Printable(file.problem()));
    return file;
}

QImage RegularFile::image(const QString& path) {
    const RegularFile file = readOrWarn(path, imageLimit);
    if (!file.ok())
        return {};
    return QImage::fromData(file.bytes);
}

QString RegularFile::problem() const {
    switch (status) {
        case Status::Read:
            return {};
        case Status::Missing:
            return QStringLiteral("no such file");
        case Status::NotRegular:
            return QStringLiteral("not a regular file");
        case Status::TooLarge:
            return QStringLiteral("larger than ") +
                   QLocale::c().formattedDataSize(limit, 0, QLocale::DataSizeTraditionalFormat);
        case Status::Failed:
            break;
    }
    return QString::fromLocal8Bit(strerror(error));
}

}  // namespace tandri
