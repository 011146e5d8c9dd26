// SPDX-License-Identifier: MIT
#include "actions/dockmenu.h"

#include <QTextBoundaryFinder>

#include "actions/appcommands.h"
#include "actions/appexpose.h"
#include "actions/closuremenuitem.h"
#include "catalogue/appsource.h"
#include "catalogue/filemanager.h"
#include "catalogue/pinnedapps.h"
#include "catalogue/ringapp.h"
#include "platform/platform.h"
#include "platform/preferences.h"
#include "platform/workspace.h"
#include "prefs/settings.h"
#include "windows/windowsource.h"

namespace tandri::DockMenu {

namespace {

// Counted in characters as a reader sees them, so that no letter or emoji is cut in two.
std::vector<qsizetype> graphemeStarts(const QString& text) {
    std::vector<qsizetype> starts;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype at = finder.toNextBoundary(); at != -1; at = finder.toNextBoundary()) {
        if (at < text.size())
            starts.push_back(at);
    }
    starts.insert(starts.begin(), 0);
    return starts;
}

std::shared_ptr<MenuItem> picking(QString title, const Pick& pick, std::function<void()> action) {
    return ClosureMenuItem::make(std::move(title),
                                 [pick, action = std::move(action)] { pick(action); });
}

void addWindows(Platform& platform, Menu& menu, const RunningApp& app,
                const std::optional<std::vector<WindowInfo>>& given, const Pick& pick) {
    const std::vector<WindowInfo> windows =
        given ? *given : WindowSource::windows(platform.accessibility, app.pid);
    Platform* p = &platform;
    for (const auto& window : windows) {
        auto item = picking(windowTitle(window.title), pick,
                            [p, window, app] { WindowSource::raise(*p, window, app); });
        item->symbol = QStringLiteral("macwindow");
        if (window.isMinimized) {
            item->state = MenuItem::State::Mixed;
            item->mixedStateSymbol = QStringLiteral("diamond.fill");
            item->mixedStateDescription = QStringLiteral("Minimized");
        } else if (window.isMain == true) {
            item->state = MenuItem::State::On;
        }
        menu.items.push_back(std::move(item));
    }
    if (!windows.empty())
        menu.items.push_back(MenuItem::separatorItem());
}

void addCommands(Platform& platform, Menu& menu, qint32 pid, const Pick& pick) {
    const auto commands = AppCommands::newCommands(platform.accessibility, pid);
    for (const auto& command : commands)
        menu.items.push_back(command.menuItem(platform, pid, pick));
    if (!commands.empty())
        menu.items.push_back(MenuItem::separatorItem());
}

void addFinalGroup(Platform& platform, Menu& menu, const RingApp& entry, const Pick& pick) {
    Platform* p = &platform;
    if (!entry.running) {
        menu.items.push_back(
            picking(QStringLiteral("Open"), pick, [p, entry] { AppSource::open(*p, entry); }));
        return;
    }
    const qint32 pid = entry.running->pid;
    if (AppExpose::isAvailable(platform.system)) {
        menu.items.push_back(picking(QStringLiteral("Show All Windows"), pick,
                                     [p, pid] { AppExpose::show(*p, pid); }));
    }
    const auto now = platform.workspace.runningApp(pid);
    const bool hidden = now ? now->hidden : entry.running->hidden;
    // The state is read again when the item acts: the app may have been hidden meanwhile.
    menu.items.push_back(
        picking(hidden ? QStringLiteral("Unhide") : QStringLiteral("Hide"), pick, [p, pid] {
            const auto app = p->workspace.runningApp(pid);
            if (app && app->hidden)
                p->workspace.unhide(pid);
            else
                p->workspace.hide(pid);
        }));
    menu.items.push_back(
        picking(QStringLiteral("Quit"), pick, [p, pid] { p->workspace.terminate(pid); }));
    auto forceQuit =
        picking(QStringLiteral("Force Quit"), pick, [p, pid] { p->workspace.forceTerminate(pid); });
    forceQuit->alternate = true;
    menu.items.push_back(std::move(forceQuit));
}

}  // namespace

QString windowTitle(const QString& title) {
    if (title.isEmpty())
        return QStringLiteral("Untitled");
    const std::vector<qsizetype> starts = graphemeStarts(title);
    const auto length = static_cast<qsizetype>(starts.size());
    if (length <= maxTitleLength)
        return title;
    return title.left(starts[31]) + QStringLiteral("…") + title.mid(starts[size_t(length - 32)]);
}

std::shared_ptr<MenuItem> pinItem(Platform& platform, const QUrl& url, const Pick& pick) {
    if (Settings::appSet(platform.preferences) != AppSet::PinnedAndOpen)
        return nullptr;
    Preferences* preferences = &platform.preferences;
    if (PinnedApps::contains(platform.preferences, url)) {
        return picking(QStringLiteral("Remove from Ring"), pick,
                       [preferences, url] { PinnedApps::remove(*preferences, url); });
    }
    return picking(QStringLiteral("Keep on Ring"), pick,
                   [preferences, url] { PinnedApps::add(*preferences, url); });
}

std::shared_ptr<MenuItem> revealItem(Platform& platform, const QUrl& url, const Pick& pick) {
    Workspace* workspace = &platform.workspace;
    return picking(QStringLiteral("Show in ") + FileManager::name(platform), pick,
                   [workspace, url] { workspace->revealInFileManager({url}); });
}

std::shared_ptr<Menu> build(Platform& platform, const RingApp& entry,
                            const std::optional<std::vector<WindowInfo>>& windows,
                            const Pick& pick) {
    auto menu = std::make_shared<Menu>();
    if (entry.running && WindowSource::isTrusted(platform.accessibility)) {
        addWindows(platform, *menu, *entry.running, windows, pick);
        addCommands(platform, *menu, entry.running->pid, pick);
    }
    if (entry.url) {
        auto options = std::make_shared<Menu>();
        if (auto pin = pinItem(platform, *entry.url, pick))
            options->items.push_back(std::move(pin));
        options->items.push_back(revealItem(platform, *entry.url, pick));
        auto item = std::make_shared<MenuItem>();
        item->title = QStringLiteral("Options");
        item->submenu = std::move(options);
        menu->items.push_back(std::move(item));
        menu->items.push_back(MenuItem::separatorItem());
    }
    addFinalGroup(platform, *menu, entry, pick);
    return menu;
}

}  // namespace tandri::DockMenu
