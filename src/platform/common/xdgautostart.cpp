// SPDX-License-Identifier: MIT
#include "platform/common/xdgautostart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>

#include "platform/common/regularfile.h"
#include "platform/common/xdgdirs.h"

namespace tandri {

namespace {

// The Exec key's quoting: a path with spaces or quotes in double quotes, its specials escaped.
QString quoted(const QString& path) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`%");
    if (std::none_of(path.begin(), path.end(), [](QChar c) { return reserved.contains(c); }))
        return path;
    QString out = QStringLiteral("\"");
    for (QChar c : path) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            out += QStringLiteral("\\\\");  // escaped once for the string, once for the quotes
        if (c == u'%')
            out += u'%';  // a literal percent, not a field code
        out += c;
    }
    return out + u'"';
}

// Whether the entry at `path` starts anything: present, a regular file, not hidden and not
// switched off by the desktop's own startup settings.
bool starts(const QString& path) {
    const RegularFile file = RegularFile::read(path, RegularFile::textLimit);
    if (!file.ok())
        return false;
    bool inMain = false;
    for (const QByteArray& raw : file.bytes.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[')) {
            inMain = line == "[Desktop Entry]";
            continue;
        }
        if (!inMain)
            continue;
        if (line == "Hidden=true" || line == "X-GNOME-Autostart-enabled=false")
            return false;
    }
    return true;
}

}  // namespace

XdgAutostart::XdgAutostart()
    : XdgAutostart(
          XdgDirs::configHome() + QStringLiteral("/autostart"),
          [] {
              QStringList folders;
              for (const QString& dir : XdgDirs::configDirs())
                  folders << dir + QStringLiteral("/autostart");
              return folders;
          }(),
          QCoreApplication::applicationFilePath()) {}

XdgAutostart::XdgAutostart(QString userFolder, QStringList systemFolders, QString program)
    : userFolder_(std::move(userFolder)),
      systemFolders_(std::move(systemFolders)),
      program_(std::move(program)) {}

QString XdgAutostart::userFile() const {
    return userFolder_ + u'/' + fileName;
}

QString XdgAutostart::systemFile() const {
    for (const QString& folder : systemFolders_) {
        QString path = folder + u'/' + fileName;
        if (QFileInfo::exists(path))
            return path;
    }
    return {};
}

LoginItems::Status XdgAutostart::status() const {
    // The user's entry decides when there is one, even one that says not to start.
    const QString user = userFile();
    const QString path = QFileInfo::exists(user) ? user : systemFile();
    return !path.isEmpty() && starts(path) ? Status::Enabled : Status::Off;
}

std::optional<QString> XdgAutostart::enable() {
    const QByteArray entry = QByteArrayLiteral(
                                 "[Desktop Entry]\n"
                                 "Type=Application\n"
                                 "Name=Tandri\n"
                                 "Comment=A ring of your apps around the pointer\n"
                                 "Exec=") +
                             quoted(program_).toUtf8() +
                             QByteArrayLiteral(
                                 "\n"
                                 "Terminal=false\n"
                                 "X-GNOME-Autostart-enabled=true\n");
    return write(entry);
}

std::optional<QString> XdgAutostart::disable() {
    const QString user = userFile();
    if (!systemFile().isEmpty()) {
        // The system's entry would start it all the same: the user's says not to.
        return write(
            QByteArrayLiteral("[Desktop Entry]\nType=Application\nName=Tandri\n"
                              "Hidden=true\n"));
    }
    if (!QFileInfo::exists(user) && !QFileInfo(user).isSymLink())
        return std::nullopt;
    QFile file(user);
    if (!file.remove())
        return QStringLiteral("Cannot remove %1: %2").arg(user, file.errorString());
    return std::nullopt;
}

std::optional<QString> XdgAutostart::write(const QByteArray& contents) const {
    if (!QDir().mkpath(userFolder_))
        return QStringLiteral("Cannot create the folder %1.").arg(userFolder_);
    QSaveFile file(userFile());
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size() ||
        !file.commit()) {
        return QStringLiteral("Cannot write %1: %2").arg(userFile(), file.errorString());
    }
    return std::nullopt;
}

}  // namespace tandri
