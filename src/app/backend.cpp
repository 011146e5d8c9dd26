// SPDX-License-Identifier: MIT
#include "app/backend.h"

#include <QCryptographicHash>
#include <QDBusConnection>
#include <QFileInfo>
#include <QGuiApplication>

#include "platform/common/jsonpreferences.h"
#include "platform/common/linuxvocabulary.h"
#include "platform/common/localfiles.h"
#include "platform/common/notificationcenter.h"
#include "platform/common/qtcontextmenus.h"
#include "platform/common/signalquitrequests.h"
#include "platform/common/systemclock.h"
#include "platform/common/threadqueues.h"
#include "platform/common/traystatusitems.h"
#include "platform/common/xdgautostart.h"
#include "platform/sim/simdesktop.h"
#include "platform/wayland/waylanddesktop.h"
#include "platform/wayland/waylandkeyboard.h"
#include "platform/x11/keymap.h"
#include "platform/x11/x11desktop.h"
#include "windows/thumbnailcache.h"

namespace tandri {

struct Backend::Services {
    NotificationCenter notifications;
    JsonPreferences preferences{JsonPreferences::defaultDirectory(), notifications};
    SystemClock clock;
    ThreadQueues queues;
    LocalFiles files;
    SignalQuitRequests quitRequests;
    TrayStatusItems tray{clock};
    QtContextMenus menus;
    XdgAutostart autostart;
    LinuxVocabulary vocabulary;
    LinuxVocabulary waylandVocabulary{LinuxVocabulary::Display::Wayland};
    std::unique_ptr<sim::SimDesktop> simDesktop;
    std::unique_ptr<x11::X11Desktop> x11Desktop;
    std::unique_ptr<wayland::WaylandDesktop> waylandDesktop;
    QString desktopName;
    std::unique_ptr<Platform> platform;
    std::unique_ptr<ThumbnailCache> thumbnails;
};

namespace {

// The real X desktop, unless a simulated one is asked for or there is no X display to use.
std::unique_ptr<x11::X11Desktop> realDesktop(Clock& clock) {
    if (!qEnvironmentVariableIsEmpty("TANDRI_DESKTOP") ||
        QGuiApplication::platformName() != QLatin1String("xcb")) {
        return nullptr;
    }
    return x11::X11Desktop::open(clock);
}

// The Wayland compositor's desktop, where one runs and no simulated one is asked for; `problem`
// says why not when a compositor runs but cannot serve.
std::unique_ptr<wayland::WaylandDesktop> waylandDesktop(QString* problem) {
    if (!qEnvironmentVariableIsEmpty("TANDRI_DESKTOP") ||
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        return nullptr;
    }
    return wayland::WaylandDesktop::open(problem);
}

}  // namespace

QString Backend::missingDesktop() {
    if (!qEnvironmentVariableIsEmpty("TANDRI_DESKTOP") ||
        QGuiApplication::platformName() == QLatin1String("xcb")) {
        return {};
    }
    const QString display = qEnvironmentVariable("DISPLAY");
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        const QString waylandProblem = wayland::WaylandDesktop::problem();
        if (waylandProblem.isEmpty())
            return {};
        // Xwayland, where there is one, serves instead (create() says so).
        if (display.isEmpty()) {
            return QStringLiteral("found no X display (DISPLAY is not set), and %1")
                .arg(waylandProblem);
        }
    }
    if (!display.isEmpty()) {
        return QStringLiteral(
                   "cannot use the X display %1: Qt runs on its '%2' platform here; "
                   "set QT_QPA_PLATFORM=xcb")
            .arg(display, QGuiApplication::platformName());
    }
    return QStringLiteral(
        "found no display (DISPLAY is not set); run it in an X session, or set TANDRI_DESKTOP "
        "to a desktop file to run it on a simulated desktop");
}

QString Backend::desktopKey() {
    const QString path = qEnvironmentVariable("TANDRI_DESKTOP");
    // One copy per Wayland session, whether it runs on the compositor or through Xwayland.
    if (path.isEmpty() && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return waylandKey(qEnvironmentVariable("WAYLAND_DISPLAY"));
    if (path.isEmpty())
        return displayKey(qEnvironmentVariable("DISPLAY"));
    const QFileInfo file(path);
    const QString canonical = file.canonicalFilePath();
    const QByteArray identity =
        (canonical.isEmpty() ? file.absoluteFilePath() : canonical).toUtf8() + '\n' +
        JsonPreferences::defaultDirectory().toUtf8();
    return QStringLiteral("sim-") +
           QString::fromLatin1(
               QCryptographicHash::hash(identity, QCryptographicHash::Sha256).toHex().left(16));
}

QString Backend::displayKey(const QString& display) {
    // "[host]:number[.screen]"
    const qsizetype colon = display.lastIndexOf(QLatin1Char(':'));
    QString host = colon < 0 ? QString() : display.left(colon);
    QString number = display.mid(colon + 1);
    if (const qsizetype dot = number.indexOf(QLatin1Char('.')); dot >= 0)
        number.truncate(dot);
    if (host == QLatin1String("unix") || host == QLatin1String("localhost"))
        host.clear();
    QString key = host.isEmpty() ? number : host + QLatin1Char('-') + number;
    for (QChar& c : key) {
        if (c.unicode() > 127 || !(c.isLetterOrNumber() || c == QLatin1Char('-')))
            c = QLatin1Char('_');
    }
    // A long host name, or the path some systems give, would not fit in a socket's name.
    if (key.size() > 40) {
        key = QString::fromLatin1(
            QCryptographicHash::hash(display.toUtf8(), QCryptographicHash::Sha256)
                .toHex()
                .left(16));
    }
    return QStringLiteral("x11-") + key;
}

QString Backend::waylandKey(const QString& display) {
    // A socket's name, or its path when it is given as one.
    QString key = display.section(QLatin1Char('/'), -1);
    for (QChar& c : key) {
        if (c.unicode() > 127 || !(c.isLetterOrNumber() || c == QLatin1Char('-')))
            c = QLatin1Char('_');
    }
    if (key.size() > 40 || display.contains(QLatin1Char('/'))) {
        key = QString::fromLatin1(
            QCryptographicHash::hash(display.toUtf8(), QCryptographicHash::Sha256)
                .toHex()
                .left(16));
    }
    return QStringLiteral("wayland-") + key;
}

std::unique_ptr<Backend> Backend::create(QString* error, bool sampleAllowed) {
    auto services = std::make_unique<Services>();
    QString waylandProblem;
    if (auto wayland = waylandDesktop(&waylandProblem)) {
        wayland::WaylandDesktop& desktop = *wayland;
        // Keysyms are X's on Wayland too: one table turns them into key codes.
        desktop.readCompositorBindings(
            [](quint32 keysym) { return x11::KeyMap::keyCode(x11::XKeySym(keysym)); });
        desktop.trigger().usePortal(QDBusConnection::sessionBus(),
                                    [](int keyCode) -> std::optional<quint32> {
                                        if (const auto keysym = x11::KeyMap::keysym(keyCode))
                                            return quint32(*keysym);
                                        return std::nullopt;
                                    });
        services->waylandDesktop = std::move(wayland);
        services->desktopName =
            QStringLiteral("the Wayland compositor at ") + qEnvironmentVariable("WAYLAND_DISPLAY");
        services->platform = std::make_unique<Platform>(Platform{
            services->preferences, services->notifications, services->clock, services->queues,
            services->files, desktop.workspace(), desktop.accessibility(), desktop.windowList(),
            desktop.screens(), desktop.overlays(), desktop.system(), desktop.screenCapture(),
            desktop.keyboard(), desktop.pointerButtons(), services->quitRequests, services->tray,
            services->menus, services->autostart, services->waylandVocabulary});
    } else if (!waylandProblem.isEmpty()) {
        // Xwayland shows only the programs that run on it: said once, so the user knows why
        // the other windows are missing.
        if (QGuiApplication::platformName() == QLatin1String("xcb")) {
            qWarning(
                "Tandri: %s; using the X display %s through Xwayland, where only X11 "
                "windows are seen",
                qUtf8Printable(waylandProblem), qUtf8Printable(qEnvironmentVariable("DISPLAY")));
        } else if (!sampleAllowed) {
            if (error)
                *error = waylandProblem;
            return nullptr;
        }
    }
    if (services->platform) {
        // The Wayland desktop serves.
    } else if (auto x11 = realDesktop(services->clock)) {
        x11::X11Desktop& desktop = *x11;
        services->x11Desktop = std::move(x11);
        services->desktopName = QStringLiteral("the X display ") + qEnvironmentVariable("DISPLAY");
        services->platform = std::make_unique<Platform>(Platform{
            services->preferences, services->notifications, services->clock, services->queues,
            services->files, desktop.workspace(), desktop.accessibility(), desktop.windowList(),
            desktop.screens(), desktop.overlays(), desktop.system(), desktop.screenCapture(),
            desktop.keyboard(), desktop.pointerButtons(), services->quitRequests, services->tray,
            desktop.contextMenus(), services->autostart, services->vocabulary});
    } else {
        const QString path = qEnvironmentVariable("TANDRI_DESKTOP");
        if (!path.isEmpty()) {
            auto loaded = sim::SimDesktop::fromFile(path);
            if (!loaded.desktop) {
                if (error)
                    *error = loaded.error;
                return nullptr;
            }
            services->simDesktop = std::move(loaded.desktop);
            services->desktopName = QStringLiteral("the simulated desktop in ") + path;
        } else if (!sampleAllowed) {
            if (error)
                *error =
                    QStringLiteral("cannot open the X display ") + qEnvironmentVariable("DISPLAY");
            return nullptr;
        } else {
            services->simDesktop = sim::SimDesktop::sample();
            services->desktopName = QStringLiteral("the built-in sample desktop");
        }
        sim::SimDesktop& desktop = *services->simDesktop;
        desktop.registerDomainDefaults(services->preferences);
        services->platform = std::make_unique<Platform>(Platform{
            services->preferences, services->notifications, services->clock, services->queues,
            services->files, desktop.workspace(), desktop.accessibility(), desktop.windowList(),
            desktop.screens(), desktop.overlays(), desktop.system(), desktop.screenCapture(),
            desktop.keyboard(), desktop.pointerButtons(), services->quitRequests,
            // A real tray where the desktop has one; otherwise the simulated menu bar.
            TrayStatusItems::available() ? static_cast<StatusItems&>(services->tray)
                                         : desktop.statusItems(),
            // Real pop-up menus where someone can see them; otherwise the simulated ones.
            QtContextMenus::available() ? static_cast<ContextMenus&>(services->menus)
                                        : desktop.contextMenus(),
            desktop.loginItems(), desktop.vocabulary()});
    }
    services->thumbnails = std::make_unique<ThumbnailCache>(*services->platform);
    return std::unique_ptr<Backend>(new Backend(std::move(services)));
}

Backend::Backend(std::unique_ptr<Services> services) : services_(std::move(services)) {}

Backend::~Backend() = default;

Platform& Backend::platform() {
    return *services_->platform;
}

bool Backend::trigger(bool down, qint64 stamp) {
    if (!services_->waylandDesktop)
        return false;
    using Event = Keyboard::HotKeyEvent;
    return services_->waylandDesktop->trigger().trigger(down ? Event::Pressed : Event::Released,
                                                        stamp);
}

bool Backend::simulated() const {
    return services_->simDesktop != nullptr;
}

QString Backend::desktopName() const {
    return services_->desktopName;
}

ThumbnailCache& Backend::thumbnails() {
    return *services_->thumbnails;
}

}  // namespace tandri
