// SPDX-License-Identifier: MIT
#include "platform/x11/x11workspace.h"

#include <QFileInfo>
#include <algorithm>
#include <set>

#include "platform/x11/x11clients.h"

#include <unistd.h>
#include <csignal>
#include "platform/x11/xlib.h"

namespace tandri::x11 {

namespace {

bool isOrdinary(const X11Accessibility::Client& client) {
    return (client.kind == X11Accessibility::Kind::Standard ||
            client.kind == X11Accessibility::Kind::Dialog) &&
           !client.skipTaskbar;
}

}  // namespace

X11Workspace::X11Workspace(X11Connection& connection, DesktopEntries& entries)
    : XdgWorkspace(entries), connection_(connection), clients_(connection.clients()) {}

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
    return squaredIcon(image);
}

QImage X11Workspace::appIcon(const Group& group,
                             const std::optional<DesktopEntries::Entry>& entry) const {
    const auto named = [this](const QString& iconName) {
        return entryIcon(iconName);
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
        for (auto it = group.windows.rbegin(); it != group.windows.rend(); ++it) {
            const auto& member = *it;
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

}  // namespace tandri::x11
