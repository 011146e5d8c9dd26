// SPDX-License-Identifier: MIT
#include "platform/common/xdgmimeapps.h"

#include <QDir>

#include "platform/common/regularfile.h"
#include "platform/common/xdgdirs.h"

namespace tandri {

namespace {

// The ids listed for `mimeType` in the file's "[Default Applications]" group (and, in the older
// defaults.list, its "[Default Applications]" too), in order.
QStringList listed(const QString& path, const QString& mimeType) {
    const RegularFile file = RegularFile::read(path, RegularFile::textLimit);
    if (!file.ok())
        return {};
    bool inDefaults = false;
    for (const QByteArray& raw : file.bytes.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(u'[')) {
            inDefaults = line == QStringLiteral("[Default Applications]");
            continue;
        }
        if (!inDefaults)
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0 || line.left(equals).trimmed() != mimeType)
            continue;
        QStringList ids;
        for (QString id : line.mid(equals + 1).split(u';', Qt::SkipEmptyParts)) {
            id = id.trimmed();
            if (id.endsWith(QStringLiteral(".desktop")))
                id.chop(8);
            if (!id.isEmpty())
                ids << id;
        }
        return ids;
    }
    return {};
}

}  // namespace

XdgMimeApps::Folders XdgMimeApps::sessionFolders() {
    Folders folders;
    folders.configHome = XdgDirs::configHome();
    folders.configDirs = XdgDirs::configDirs();
    folders.dataHome = XdgDirs::dataHome();
    folders.dataDirs = XdgDirs::dataDirs();
    for (const QString& name :
         qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':', Qt::SkipEmptyParts))
        folders.desktops << name.toLower();
    return folders;
}

QStringList XdgMimeApps::lists(const Folders& folders) {
    QStringList result;
    const auto add = [&](const QString& folder) {
        for (const QString& desktop : folders.desktops)
            result << folder + u'/' + desktop + QStringLiteral("-mimeapps.list");
        result << folder + QStringLiteral("/mimeapps.list");
    };
    add(folders.configHome);
    for (const QString& dir : folders.configDirs) add(dir);
    add(folders.dataHome + QStringLiteral("/applications"));
    for (const QString& dir : folders.dataDirs) add(dir + QStringLiteral("/applications"));
    // The list the MIME-apps lists replaced; some systems still ship only that.
    for (const QString& dir : folders.dataDirs)
        result << dir + QStringLiteral("/applications/defaults.list");
    return result;
}

std::optional<QString> XdgMimeApps::defaultApplication(
    const QString& mimeType, const Folders& folders,
    const std::function<bool(const QString& id)>& installed) {
    for (const QString& list : lists(folders)) {
        for (const QString& id : listed(list, mimeType)) {
            if (installed(id))
                return id;
        }
    }
    return std::nullopt;
}

}  // namespace tandri
