// SPDX-License-Identifier: MIT
#include "platform/sim/simstate.h"

#include <QDir>
#include <limits>

namespace tandri::sim {

SimState::App* SimState::app(qint32 pid) {
    for (auto& app : apps) {
        if (app.pid == pid)
            return &app;
    }
    return nullptr;
}

const SimState::App* SimState::app(qint32 pid) const {
    return const_cast<SimState*>(this)->app(pid);
}

const SimState::App* SimState::runningAppAt(const QString& path) const {
    const QString wanted = standardPath(path);
    constexpr double unknown = -std::numeric_limits<double>::infinity();
    const App* found = nullptr;
    for (const auto& app : apps) {
        if (app.terminated || !app.bundlePath || standardPath(*app.bundlePath) != wanted)
            continue;
        // An app without a launch date counts as the oldest.
        const double launched = app.launched.value_or(unknown);
        if (!found || launched < found->launched.value_or(unknown))
            found = &app;
    }
    return found;
}

SimState::Window* SimState::window(const WindowElement& element) {
    App* owner = app(element.pid);
    if (!owner)
        return nullptr;
    for (auto& window : owner->windows) {
        if (window.handle == element.handle)
            return &window;
    }
    return nullptr;
}

const AXMenuItem* SimState::menuItem(const MenuElement& element) const {
    const App* owner = app(element.pid);
    if (!owner || owner->terminated || !owner->menuBar)
        return nullptr;
    const QStringList steps = element.id.split(u'/');
    bool ok = steps.size() >= 2;
    const qsizetype menu = ok ? steps[0].toLongLong(&ok) : -1;
    if (!ok || menu < 0 || menu >= qsizetype(owner->menuBar->size()))
        return nullptr;
    const std::vector<AXMenuItem>* items = &(*owner->menuBar)[size_t(menu)].items;
    const AXMenuItem* item = nullptr;
    for (qsizetype s = 1; s < steps.size(); ++s) {
        const qsizetype index = steps[s].toLongLong(&ok);
        if (!ok || index < 0 || index >= qsizetype(items->size()))
            return nullptr;
        item = &(*items)[size_t(index)];
        items = &item->submenu;
    }
    return item;
}

void SimState::log(QString line) {
    actions.push_back(std::move(line));
    if (onAction)
        onAction(actions.back());
}

QString SimState::standardPath(const QString& path) {
    return path.isEmpty() ? path : QDir::cleanPath(path);
}

}  // namespace tandri::sim
