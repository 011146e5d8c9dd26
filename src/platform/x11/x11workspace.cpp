#include "platform/x11/x11workspace.h"

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
#include <QStandardPaths>
#include <algorithm>
#include <set>

#include "platform/common/desktopfavourites.h"
#include "platform/common/regularfile.h"
#include "platform/common/xdgmimeapps.h"
#include "platform/common/xdgtrash.h"
#include "platform/common/xdguserdirs.h"
#include "platform/x11/x11clients.h"

#include <unistd.h>
#include <csignal>
#include <ranges>
#include "platform/x11/xlib.h"

namespace tandri::x11 {

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

bool isOrdinary(const X11Accessibility::Client& client) {
    return (client.kind == X11Accessibility::Kind::Standard ||
            client.kind == X11Accessibility::Kind::Dialog) &&
           !client.skipTaskbar;
}

QString cleanPath(const QString& path) {
    return QDir::cleanPath(QDir::isAbsolutePath(path) ? path
                                                      : QDir::current().absoluteFilePath(path));
}

}  // namespace

X11Workspace::X11Workspace(X11Connection& connection, DesktopEntries& entries)
    : connection_(connection), entries_(entries), clients_(connection.clients()) {}

qint32 X11Workspace::ownPID() const {
    return qint32(getpid());
}

std::optional<double> X11Workspace::processStart(qint32 pid) {
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

QStringList X11Workspace::executables(qint32 pid) {
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

std::vector<X11Workspace::Group> X11Workspace::groups() const {
    const auto listing = clients_ ? clients_->list() : std::nullopt;
    if (!listing)
        return {};
    std::map<XID, std::size_t> mappedAt;
    for (std::size_t i = 0; i < listing->mapped.size(); ++i)
        mappedAt.emplace(listing->mapped[i], i);
    std::vector<Group> result;
    std::size_t depth = 0;
    // The current desktop's windows first: activating an app brings forward its window here
    // rather than switching to another desktop that holds one stacked higher.
    for (const X11Accessibility::Client& client : listing->hereFirst()) {
        ++depth;
        if (!isOrdinary(client))
            continue;
        auto group = std::find_if(result.begin(), result.end(),
                                  [&](const Group& g) { return g.pid == client.pid; });
        if (group == result.end()) {
            Group added;
            added.pid = client.pid;
            added.hasProcess = client.hasProcess;
            added.depth = depth;
            added.order = mappedAt.size();
            result.push_back(std::move(added));
            group = result.end() - 1;
        }
        if (const auto at = mappedAt.find(client.window); at != mappedAt.end())
            group->order = std::min(group->order, at->second);
        group->windows.push_back(client);
    }
    std::stable_sort(result.begin(), result.end(),
                     [](const Group& a, const Group& b) { return a.order < b.order; });
    return result;
}

const X11Workspace::Known& X11Workspace::knownApp(const Group& group,
                                                  quint64 entriesGeneration) const {
    QString instance, wmClass;
    for (const auto& window : group.windows) {
        if (!window.wmClass.isEmpty() || !window.instance.isEmpty()) {
            instance = window.instance;
            wmClass = window.wmClass;
            break;
        }
    }
    std::set<XID> windows;
    for (const auto& window : group.windows) windows.insert(window.window);
    auto found = known_.find(group.pid);
    // A process number is handed out again once its process has ended: the same process still
    // shows one of the windows it showed before.
    const bool same =
        found != known_.end() && found->second.instance == instance &&
        found->second.wmClass == wmClass && found->second.entries == entriesGeneration &&
        std::any_of(windows.begin(), windows.end(),
                    [&](XID window) { return found->second.windows.count(window) > 0; });
    if (same) {
        found->second.windows = std::move(windows);
        return found->second;
    }
    Known known;
    known.instance = instance;
    known.wmClass = wmClass;
    known.windows = std::move(windows);
    known.entries = entriesGeneration;
    known.entry = entries_.match(instance, wmClass,
                                 group.hasProcess ? executables(group.pid) : QStringList());
    if (group.hasProcess)
        known.launchDate = processStart(group.pid);
    known.icon = appIcon(group, known.entry);
    return known_.insert_or_assign(group.pid, std::move(known)).first->second;
}

QImage X11Workspace::windowIcon(XID window) const {
    const auto values = connection_.cardinals(window, "_NET_WM_ICON");
    if (!values)
        return {};
    // Images of width, height and ARGB pixels one after the other; the largest is drawn best.
    const auto& data = *values;
    std::size_t best = 0, bestArea = 0;
    for (std::size_t at = 0; at + 2 <= data.size();) {
        const unsigned long width = data[at] & 0xffffffffu, height = data[at + 1] & 0xffffffffu;
        if (width == 0 || height == 0 || width > 4096 || height > 4096 ||
            width * height > data.size() - at - 2) {
            break;  // a truncated or malformed list: keep what came before
        }
        if (width * height > bestArea) {
            bestArea = width * height;
            best = at;
        }
        at += 2 + width * height;
    }
    if (bestArea == 0)
        return {};
    const int width = int(data[best]), height = int(data[best + 1]);
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = QRgb(data[best + 2 + y * width + x] & 0xffffffffu);
    }
    return squared(image);
}

QImage X11Workspace::appIcon(const Group& group,
                             const std::optional<DesktopEntries::Entry>& entry) const {
    const auto named = [this](const QString& iconName) {
        auto cached = entryIcons_.find(iconName);
        if (cached == entryIcons_.end())
            cached = entryIcons_.emplace(iconName, iconNamed(iconName)).first;
        return cached->second;
    };
    if (entry && !entry->icon.isEmpty()) {
        if (QImage icon = named(entry->icon); !icon.isNull())
            return icon;
    }
    // Programs without an entry are often named in the icon theme after their class. Before the
    // window's icon: some window managers put their own default icon on every window without one.
    if (!entry && !group.windows.empty()) {
        const X11Accessibility::Client& front = group.windows.front();
        for (const QString& iconName : {front.instance, front.wmClass.toLower()}) {
            if (iconName.isEmpty() || iconName.contains(u'/'))
                continue;
            if (QImage icon = named(iconName); !icon.isNull())
                return icon;
        }
    }
    for (const auto& window : group.windows) {
        if (QImage icon = windowIcon(window.window); !icon.isNull())
            return icon;
    }
    return {};
}

RunningApp X11Workspace::snapshot(const Group& group, quint64 entriesGeneration) const {
    const Known& known = knownApp(group, entriesGeneration);
    const auto& entry = known.entry;
    RunningApp app;
    app.pid = group.pid;
    const X11Accessibility::Client& front = group.windows.front();
    if (entry)
        app.localizedName = entry->name;
    else if (!front.wmClass.isEmpty())
        app.localizedName = front.wmClass;
    else if (front.title && !front.title->isEmpty())
        app.localizedName = front.title;
    app.icon = !known.icon.isNull()
                   ? known.icon
                   : drawn_.appIcon(app.localizedName.value_or(front.instance), std::nullopt);
    if (entry) {
        app.bundleID = entry->id;
        app.bundleURL = QUrl::fromLocalFile(entry->path);
    }
    app.launchDate = known.launchDate;
    // Hidden when every window the user works in is minimized; a process with dialogs only
    // counts those.
    const bool hasStandard = std::any_of(group.windows.begin(), group.windows.end(), [](auto& w) {
        return w.kind == X11Accessibility::Kind::Standard;
    });
    app.hidden = std::all_of(group.windows.begin(), group.windows.end(), [&](auto& w) {
        return w.minimized || (hasStandard && w.kind != X11Accessibility::Kind::Standard);
    });
    app.activationPolicy = RunningApp::regularPolicy;
    return app;
}

std::vector<RunningApp> X11Workspace::runningApps() const {
    const auto all = groups();
    const quint64 generation = entries_.generation();
    std::vector<RunningApp> apps;
    apps.reserve(all.size());
    for (const Group& group : all) apps.push_back(snapshot(group, generation));
    // Forget the processes that have ended.
    std::erase_if(known_, [&](const auto& item) {
        return std::none_of(all.begin(), all.end(),
                            [&](const Group& g) { return g.pid == item.first; });
    });
    return apps;
}

std::optional<RunningApp> X11Workspace::runningApp(qint32 pid) const {
    for (const Group& group : groups()) {
        if (group.pid == pid)
            return snapshot(group, entries_.generation());
    }
    return std::nullopt;
}

std::optional<qint32> X11Workspace::frontmostPID() const {
    const auto active = connection_.windows(connection_.root(), "_NET_ACTIVE_WINDOW");
    if (active.empty() || active.front() == 0 || !clients_)
        return std::nullopt;
    const auto client = clients_->read({active.front()}).front();
    if (!client)
        return std::nullopt;
    return client->pid;
}

std::optional<QUrl> X11Workspace::urlForBundleIdentifier(const QString& bundleID) const {
    if (auto entry = entries_.byID(bundleID))
        return QUrl::fromLocalFile(entry->path);
    return std::nullopt;
}

std::optional<QString> X11Workspace::bundleIdentifier(const QUrl& url) const {
    if (!url.isLocalFile())
        return std::nullopt;
    if (auto entry = entries_.byPath(url.toLocalFile()))
        return entry->id;
    return std::nullopt;
}

QString X11Workspace::displayName(const QString& path) const {
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

QImage X11Workspace::iconForFile(const QString& path) const {
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

QImage X11Workspace::trashIcon() const {
    if (QImage icon = rendered(QIcon::fromTheme(QStringLiteral("user-trash"))); !icon.isNull())
        return icon;
    return drawn_.trashIcon();
}

QUrl X11Workspace::trashURL() const {
    return QUrl::fromLocalFile(XdgTrash().filesFolder());
}

std::vector<QUrl> X11Workspace::defaultFolders() const {
    if (const auto downloads = XdgUserDirs::downloads())
        return {QUrl::fromLocalFile(*downloads)};
    return {};
}

std::optional<QString> X11Workspace::fileManagerID() const {
    return fileManager_.get([this] {
        return XdgMimeApps::defaultApplication(
            QStringLiteral("inode/directory"), XdgMimeApps::sessionFolders(),
            [this](const QString& id) { return entries_.byID(id).has_value(); });
    });
}

std::vector<QUrl> X11Workspace::pinnedApps() const {
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

QString X11Workspace::applicationSuffix() const {
    return entrySuffix;
}

void X11Workspace::activateWindow(XID window) {
    X11Accessibility::activate(connection_, window);
}

void X11Workspace::openApplication(const QUrl& url, bool activates,
                                   std::function<void(std::optional<QString> error)> completion) {
    auto finish = [&](std::optional<QString> error) {
        if (completion)
            completion(std::move(error));
    };
    const QString path = url.isLocalFile() ? url.toLocalFile() : url.toString();
    if (!url.isLocalFile() || !QFileInfo(path).isFile())
        return finish(QStringLiteral("No application at ") + path);
    const auto entry = entries_.byPath(path);
    if (!entry)
        return finish(path + QStringLiteral(" is not an application"));

    const QString wanted = QFileInfo(entry->path).canonicalFilePath();
    std::optional<qint32> running;
    std::size_t frontDepth = 0;
    const quint64 generation = entries_.generation();
    for (const Group& group : groups()) {
        const auto& own = knownApp(group, generation).entry;
        if (!own || QFileInfo(own->path).canonicalFilePath() != wanted)
            continue;
        // Of several processes of one entry, the one whose window is nearest the front.
        if (!running || group.depth < frontDepth) {
            running = group.pid;
            frontDepth = group.depth;
        }
    }
    if (running) {
        if (activates)
            activate(*running);
        return finish(std::nullopt);
    }
    finish(DesktopEntries::launch(*entry));
}

void X11Workspace::activate(qint32 pid) {
    for (const Group& group : groups()) {
        if (group.pid != pid)
            continue;
        const auto& windows = group.windows;
        auto target = std::find_if(windows.begin(), windows.end(), [](const auto& w) {
            return w.kind == X11Accessibility::Kind::Standard && !w.minimized;
        });
        if (target == windows.end()) {
            target = std::find_if(windows.begin(), windows.end(), [](const auto& w) {
                return w.kind == X11Accessibility::Kind::Standard;
            });
        }
        if (target == windows.end())
            target = windows.begin();
        activateWindow(target->window);
        return;
    }
}

void X11Workspace::unhide(qint32 pid) {
    for (const Group& group : groups()) {
        if (group.pid != pid)
            continue;
        for (const auto& member : std::views::reverse(group.windows)) {
            if (member.minimized)
                activateWindow(member.window);
        }
        return;
    }
}

void X11Workspace::hide(qint32 pid) {
    Display* display = connection_.display();
    for (const Group& group : groups()) {
        if (group.pid != pid)
            continue;
        for (const auto& window : group.windows) {
            if (!window.minimized)
                connection_.trapErrors(
                    [&] { XIconifyWindow(display, window.window, connection_.screen()); });
        }
        return;
    }
}

void X11Workspace::terminate(qint32 pid) {
    for (const Group& group : groups()) {
        if (group.pid != pid)
            continue;
        // Source 2, a pager: the window manager asks the client, which may ask the user.
        for (const auto& window : group.windows)
            connection_.sendToRoot(window.window, "_NET_CLOSE_WINDOW", CurrentTime, 2);
        return;
    }
}

void X11Workspace::forceTerminate(qint32 pid) {
    if (pid == ownPID())
        return;
    for (const Group& group : groups()) {
        if (group.pid != pid)
            continue;
        // A made-up number of a class is no process: kill() must never see it. Its clients
        // lose their connections to the server instead.
        if (group.hasProcess && pid > 1 && pid < 0x40000000) {
            ::kill(pid_t(pid), SIGKILL);
            return;
        }
        Display* display = connection_.display();
        for (const auto& window : group.windows)
            connection_.trapErrors([&] { XKillClient(display, window.window); });
        return;
    }
}

void X11Workspace::openFiles(const std::vector<QUrl>& urls, const QUrl& application,
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

bool X11Workspace::moveToTrash(const QUrl& url) {
    if (!url.isLocalFile())
        return false;
    return XdgTrash().moveToTrash(url.toLocalFile());
}

void X11Workspace::openURL(const QUrl& url) {
    QDesktopServices::openUrl(url);
}

void X11Workspace::revealInFileManager(const std::vector<QUrl>& urls) {
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

DisplayOptions X11Workspace::displayOptions() const {
    // No desktop-neutral place holds these settings.
    return {};
}

bool X11Workspace::darkAppearance() const {
    return appearance_.read().dark;
}

std::optional<QColor> X11Workspace::accentColor() const {
    return appearance_.read().accent;
}

}  // namespace tandri::x11
