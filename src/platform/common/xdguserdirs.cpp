// SPDX-License-Identifier: MIT
#include "platform/common/xdguserdirs.h"

#include <QDir>
#include <QFileInfo>

#include "platform/common/regularfile.h"
#include "platform/common/xdgdirs.h"

namespace tandri::XdgUserDirs {

namespace {

// The value of `XDG_<name>_DIR="…"`: a quoted "$HOME/…" or absolute path, nothing else.
std::optional<QString> recorded(const QString& path, const QString& name, const QString& home) {
    const RegularFile file = RegularFile::read(path, RegularFile::textLimit);
    if (!file.ok())
        return std::nullopt;
    const QString key = QStringLiteral("XDG_") + name + QStringLiteral("_DIR=");
    for (const QByteArray& raw : file.bytes.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (!line.startsWith(key))
            continue;
        QString value = line.mid(key.size());
        if (value.size() < 2 || !value.startsWith(u'"') || !value.endsWith(u'"'))
            return std::nullopt;
        value = value.mid(1, value.size() - 2);
        if (value == QStringLiteral("$HOME") || value == QStringLiteral("$HOME/"))
            return home;
        if (value.startsWith(QStringLiteral("$HOME/")))
            return home + value.mid(5);
        if (QDir::isAbsolutePath(value))
            return value;
        return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace

std::optional<QString> folder(const QString& name, const QString& fallback,
                              const QString& configHome, const QString& home) {
    if (const auto path = recorded(configHome + QStringLiteral("/user-dirs.dirs"), name, home)) {
        if (QDir::cleanPath(*path) == QDir::cleanPath(home))
            return std::nullopt;
        return QDir::cleanPath(*path);
    }
    const QString standard = home + u'/' + fallback;
    return QFileInfo(standard).isDir() ? std::optional<QString>(standard) : std::nullopt;
}

std::optional<QString> downloads() {
    return folder(QStringLiteral("DOWNLOAD"), QStringLiteral("Downloads"), XdgDirs::configHome(),
                  QDir::homePath());
}

}  // namespace tandri::XdgUserDirs
