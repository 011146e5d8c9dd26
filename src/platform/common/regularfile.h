// SPDX-License-Identifier: MIT
#pragma once

#include <sys/stat.h>
#include <QByteArray>
#include <QImage>
#include <QString>

namespace tandri {

/// Reads files that a user or another program controls. Only regular files are read, and only up
/// to a limit: a link to a device or a pipe among desktop entries, icons or preference files must
/// neither hang the program nor fill its memory.
class RegularFile {
public:
    enum class Status { Read, Missing, NotRegular, TooLarge, Failed };

    /// Sizes that no file of the kind the program reads comes near.
    static constexpr qint64 textLimit = 4 * 1024 * 1024;
    static constexpr qint64 imageLimit = 32 * 1024 * 1024;

    /// Opens without blocking (a pipe would wait for a writer), refuses anything but a regular
    /// file, and reads at most `limit` bytes. Qt's resources (":/...") are read as they are.
    static RegularFile read(const QString& path, qint64 limit);
    /// As `read`, with one line on stderr when the file exists but is skipped.
    static RegularFile readOrWarn(const QString& path, qint64 limit);
    /// An image file read as above; null when it is skipped or is no image.
    static QImage image(const QString& path);

    Status status = Status::Failed;
    QByteArray bytes;
    /// Whether the path could be opened; `info` then describes what was opened.
    bool opened = false;
    struct stat info {};
    /// The errno of a failed open or read.
    int error = 0;
    qint64 limit = 0;

    bool ok() const { return status == Status::Read; }
    /// Why it was not read, for a log line.
    QString problem() const;
};

}  // namespace tandri
