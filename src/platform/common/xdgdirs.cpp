// SPDX-License-Identifier: MIT
#include "platform/common/xdgdirs.h"

#include <QDir>

namespace tandri::XdgDirs {

namespace {

QString folder(const char* variable, const QString& fallback) {
    const QString configured = qEnvironmentVariable(variable);
    return QDir::isAbsolutePath(configured) ? configured : QDir::homePath() + fallback;
}

QStringList folders(const char* variable, const QStringList& fallback) {
    QStringList dirs;
    for (const QString& dir : qEnvironmentVariable(variable).split(u':')) {
        if (QDir::isAbsolutePath(dir))
            dirs << dir;
    }
    return dirs.isEmpty() ? fallback : dirs;
}

}  // namespace

QString configHome() {
    return folder("XDG_CONFIG_HOME", QStringLiteral("/.config"));
}

QStringList configDirs() {
    return folders("XDG_CONFIG_DIRS", {QStringLiteral("/etc/xdg")});
}

QString dataHome() {
    return folder("XDG_DATA_HOME", QStringLiteral("/.local/share"));
}

QString stateHome() {
    return folder("XDG_STATE_HOME", QStringLiteral("/.local/state"));
}

QStringList dataDirs() {
    return folders("XDG_DATA_DIRS",
                   {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")});
}

QStringList configFiles(const QString& relative) {
    QStringList files{configHome() + u'/' + relative};
    for (const QString& dir : configDirs()) files << dir + u'/' + relative;
    return files;
}

}  // namespace tandri::XdgDirs
