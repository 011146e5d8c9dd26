// SPDX-License-Identifier: MIT
#include "platform/common/xdgworkspace.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QMimeDatabase>
#include <QPainter>
#include <set>

#include "platform/common/desktopfavourites.h"
#include "platform/common/regularfile.h"
#include "platform/common/xdgmimeapps.h"
#include "platform/common/xdgtrash.h"
#include "platform/common/xdguserdirs.h"

#include <unistd.h>

namespace tandri {

namespace {

constexpr int iconSize = DrawnIcons::size;
const QString entrySuffix = QStringLiteral(".desktop");

// Every app icon is a square of one size, the picture scaled to fit and centred.
QImage squared(const QImage& image) {
    if (image.isNull())
        return {};
    if (image.width() == iconSize && image.height() == iconSize)
        return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage scaled =
        image.scaled(iconSize, iconSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QImage square(iconSize, iconSize, QImage::Format_ARGB32_Premultiplied);
    square.fill(Qt::transparent);
    QPainter painter(&square);
    painter.drawImage((iconSize - scaled.width()) / 2, (iconSize - scaled.height()) / 2, scaled);
    return square;
}

QImage rendered(const QIcon& icon) {
    if (icon.isNull())
        return {};
    return squared(icon.pixmap(QSize(iconSize, iconSize), 1.0).toImage());
}

// An entry's Icon: a file, a themed name, or a file in the legacy pixmaps folders.
QImage iconNamed(const QString& name) {
    if (name.isEmpty())
        return {};
    if (QDir::isAbsolutePath(name))
        return squared(RegularFile::image(name));
    if (QImage themed = rendered(QIcon::fromTheme(name)); !themed.isNull())
        return themed;
    for (const QString& applications : DesktopEntries::standardFolders()) {
        const QString pixmaps = QFileInfo(applications).path() + QStringLiteral("/pixmaps/");
        for (const char* extension : {".png", ".svg", ".xpm", ""}) {
            const QString path = pixmaps + name + QLatin1String(extension);
            if (!QFileInfo::exists(path))
                continue;
            if (QImage image = squared(RegularFile::image(path)); !image.isNull())
                return image;
        }
        // Older packages ship their pixmaps in sizes ("mini.xterm_48x48.xpm"): the largest.
        QFileInfoList sized = QDir(pixmaps).entryInfoList(
            {name + QStringLiteral("_*.xpm"), name + QStringLiteral("_*.png")}, QDir::Files);
        std::sort(sized.begin(), sized.end(),
                  [](const QFileInfo& a, const QFileInfo& b) { return a.size() > b.size(); });
        for (const QFileInfo& file : sized) {
            if (QImage image = squared(RegularFile::image(file.filePath())); !image.isNull())
                return image;
        }
    }
    return {};
}

QString readProcFile(qint32 pid, const char* name) {
    QFile file(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name)));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(file.readAll());
}

std::optional<double> bootTime() {
    QFile file(QStringLiteral("/proc/stat"));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith("btime ")) {
            bool ok = false;
            const double seconds = line.mid(6).trimmed().toDouble(&ok);
            if (ok)
                return seconds;
        }
    }
    return std::nullopt;
}

QString cleanPath(const QString& path) {
    return QDir::cleanPath(QDir::isAbsolutePath(path) ? path
                                                      : QDir::current().absoluteFilePath(path));
}

}  // namespace

XdgWorkspace::XdgWorkspace(DesktopEntries& entries) : entries_(entries) {}

QImage XdgWorkspace::squaredIcon(const QImage& image) {
    return squared(image);
}

QImage XdgWorkspace::entryIcon(const QString& name) const {
    auto cached = entryIcons_.find(name);
    if (cached == entryIcons_.end())
        cached = entryIcons_.emplace(name, iconNamed(name)).first;
    return cached->second;
}

qint32 XdgWorkspace::ownPID() const {
    return qint32(getpid());
}

std::optional<double> XdgWorkspace::processStart(qint32 pid) {
    if (pid <= 0)
        return std::nullopt;
    const QString stat = readProcFile(pid, "stat");
    // The command name, in parentheses, may itself hold spaces and parentheses.
    const qsizetype close = stat.lastIndexOf(u')');
    if (close < 0)
        return std::nullopt;
    const QStringList fields = stat.mid(close + 1).split(u' ', Qt::SkipEmptyParts);
    // Field 22 of the line, the start time in clock ticks since boot; the list starts at 3.
    constexpr int startField = 22 - 3;
    if (fields.size() <= startField)
        return std::nullopt;
    bool ok = false;
    const double ticks = fields[startField].toDouble(&ok);
    const long perSecond = sysconf(_SC_CLK_TCK);
    const auto boot = bootTime();
    if (!ok || perSecond <= 0 || !boot)
        return std::nullopt;
    return *boot + ticks / double(perSecond);
}

QStringList XdgWorkspace::executables(qint32 pid) {
    QStringList names;
    if (pid <= 0)
        return names;
    QString exe = QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget();
    // A program replaced on disk while running (an upgrade) still names its old file.
    exe.remove(QStringLiteral(" (deleted)"));
    if (!exe.isEmpty())
        names << QFileInfo(exe).fileName();
    const QString comm = readProcFile(pid, "comm").trimmed();
    if (!comm.isEmpty() && !names.contains(comm))
        names << comm;
    return names;
}

std::optional<QUrl> XdgWorkspace::urlForBundleIdentifier(const QString& bundleID) const {
    if (auto entry = entries_.byID(bundleID))
        return QUrl::fromLocalFile(entry->path);
    return std::nullopt;
}

std::optional<QString> XdgWorkspace::bundleIdentifier(const QUrl& url) const {
    if (!url.isLocalFile())
        return std::nullopt;
    if (auto entry = entries_.byPath(url.toLocalFile()))
        return entry->id;
    return std::nullopt;
}

QString XdgWorkspace::displayName(const QString& path) const {
    QString clean = cleanPath(path);
    if (clean == u'/')
        return clean;
    if (clean.endsWith(entrySuffix)) {
        if (auto entry = entries_.byPath(clean))
            return entry->name;
    }
    const QString name = QFileInfo(clean).fileName();
    return name.isEmpty() ? path : name;
}

QImage XdgWorkspace::iconForFile(const QString& path) const {
    const QString clean = cleanPath(path);
    const QFileInfo info(clean);
    if (clean.endsWith(entrySuffix)) {
        if (auto entry = entries_.byPath(clean)) {
            if (QImage icon = iconNamed(entry->icon); !icon.isNull())
                return icon;
            return drawn_.appIcon(entry->name, std::nullopt);
        }
    }
    if (clean == cleanPath(trashURL().toLocalFile()))
        return trashIcon();
    if (info.isDir()) {
        if (QImage icon = rendered(QIcon::fromTheme(QStringLiteral("folder"))); !icon.isNull())
            return icon;
        return drawn_.folderIcon();
    }
    const QMimeType type = QMimeDatabase().mimeTypeForFile(info);
    for (const QString& name : {type.iconName(), type.genericIconName()}) {
        if (QImage icon = rendered(QIcon::fromTheme(name)); !icon.isNull())
            return icon;
    }
    return drawn_.documentIcon();
}

QImage XdgWorkspace::trashIcon() const {
    if (QImage icon = rendered(QIcon::fromTheme(QStringLiteral("user-trash"))); !icon.isNull())
        return icon;
    return drawn_.trashIcon();
}

QUrl XdgWorkspace::trashURL() const {
    return QUrl::fromLocalFile(XdgTrash().filesFolder());
}

std::vector<QUrl> XdgWorkspace::defaultFolders() const {
    if (const auto downloads = XdgUserDirs::downloads())
        return {QUrl::fromLocalFile(*downloads)};
    return {};
}

std::optional<QString> XdgWorkspace::fileManagerID() const {
    return fileManager_.get([this] {
        return XdgMimeApps::defaultApplication(
            QStringLiteral("inode/directory"), XdgMimeApps::sessionFolders(),
            [this](const QString& id) { return entries_.byID(id).has_value(); });
    });
}

std::vector<QUrl> XdgWorkspace::pinnedApps() const {
    return pinned_.get([this] {
        const auto list = DesktopFavourites::read(DesktopFavourites::session());
        std::vector<QUrl> urls;
        for (const QString& app : list ? list->apps : QStringList()) {
            // An app that is no longer installed has no entry and is left out, as the desktop
            // itself leaves it out.
            const auto entry = app.startsWith(u'/') ? entries_.byPath(app) : entries_.byID(app);
            if (entry)
                urls.push_back(QUrl::fromLocalFile(entry->path));
        }
        // Said once, and again when it changes, so a user can see where the apps come from.
        const QString summary =
            list ? QStringLiteral("%1 pinned apps from the desktop's %2")
                       .arg(urls.size())
                       .arg(list->place)
                 : QStringLiteral("no pinned apps: this desktop keeps no list of them");
        if (summary != pinnedSummary_) {
            pinnedSummary_ = summary;
            qInfo("Tandri: %s", qUtf8Printable(summary));
        }
        return urls;
    });
}

QString XdgWorkspace::applicationSuffix() const {
    return entrySuffix;
}

void XdgWorkspace::openFiles(const std::vector<QUrl>& urls, const QUrl& application,
                             bool activates) {
    if (urls.empty() || !application.isLocalFile())
        return;
    const auto entry = entries_.byPath(application.toLocalFile());
    if (!entry)
        return;
    // The program started, or the running one handed the files, brings its window forward
    // itself; there is no window of it yet to activate.
    (void)activates;
    DesktopEntries::launch(*entry, urls);
}

bool XdgWorkspace::moveToTrash(const QUrl& url) {
    if (!url.isLocalFile())
        return false;
    return XdgTrash().moveToTrash(url.toLocalFile());
}

void XdgWorkspace::openURL(const QUrl& url) {
    QDesktopServices::openUrl(url);
}

void XdgWorkspace::revealInFileManager(const std::vector<QUrl>& urls) {
    if (urls.empty())
        return;
    auto openFolders = [urls] {
        std::set<QString> opened;
        for (const QUrl& url : urls) {
            if (!url.isLocalFile())
                continue;
            const QString folder = QFileInfo(url.toLocalFile()).absolutePath();
            if (opened.insert(folder).second)
                QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
        }
    };
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return openFolders();
    QStringList uris;
    for (const QUrl& url : urls) uris << url.toString(QUrl::FullyEncoded);
    QDBusMessage message = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    message << uris << QString();
    // Without a file manager that implements it the bus answers with an error at once.
    auto watcher = std::make_unique<QDBusPendingCallWatcher>(bus.asyncCall(message, 5000));
    QObject::connect(watcher.get(), &QDBusPendingCallWatcher::finished,
                     [openFolders](QDBusPendingCallWatcher* self) {
                         if (self->isError())
                             openFolders();
                         self->deleteLater();
                     });
    (void)watcher.release();  // deletes itself once answered
}

DisplayOptions XdgWorkspace::displayOptions() const {
    // No desktop-neutral place holds these settings.
    return {};
}

bool XdgWorkspace::darkAppearance() const {
    return appearance_.read().dark;
}

std::optional<QColor> XdgWorkspace::accentColor() const {
    return appearance_.read().accent;
}

}  // namespace tandri
