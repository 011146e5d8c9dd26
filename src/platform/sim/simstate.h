// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>

#include <QJsonObject>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/accessibility.h"
#include "platform/screens.h"
#include "platform/workspace.h"

namespace tandri::sim {

/// What the simulated desktop holds: its screens, pointer, apps and their windows, and the log of
/// what the program asked of it. The services share one instance and lock `mutex` around every
/// access, because window listings run on background threads.
struct SimState {
    struct Window {
        /// The window's identity for the accessibility actions: its id, else a number ≥ 1000000.
        quint64 handle = 0;
        std::optional<quint32> id;
        std::optional<QString> title;
        std::optional<QString> subrole = QStringLiteral("AXStandardWindow");
        bool minimized = false;
        bool onScreen = true;
        QRectF frame{0, 0, 800, 600};
        qint64 layer = 0;
        double alpha = 1.0;
        /// The accessibility interface's main flag; absent when the app does not say.
        std::optional<bool> main;
    };

    struct App {
        qint32 pid = 0;
        std::optional<QString> name;
        std::optional<QString> bundleID;
        std::optional<QString> bundlePath;
        std::optional<double> launched;
        bool regular = true;
        bool hidden = false;
        bool terminated = false;
        std::optional<QString> iconPath;
        /// In the app's own order, front first.
        std::vector<Window> windows;
        /// Absent when the app does not show its menu bar to the accessibility interface.
        std::optional<std::vector<AXMenu>> menuBar;
    };

    /// The first handle given to a window that has no window-server number.
    static constexpr quint64 firstAnonymousHandle = 1000000;

    mutable std::mutex mutex;

    std::vector<Screen> screens;
    QPointF pointer;
    unsigned pressedButtons = 0;
    bool trusted = true;
    bool screenCapture = false;
    std::optional<qint32> frontmost;
    std::vector<App> apps;
    /// Installed applications by bundle identifier.
    std::map<QString, QString> bundles;
    DisplayOptions displayOptions;
    bool dark = false;
    std::optional<QColor> accent;
    /// Whether the program starts at login, and whether turning it on needs the user's approval.
    bool loginItem = false;
    bool loginItemNeedsApproval = false;
    /// Key combinations other programs hold: (key code, modifiers in the hot-key encoding).
    std::vector<std::pair<qint64, qint64>> takenShortcuts;
    /// Other-button events that reached the application under the pointer, one line each.
    std::vector<QString> deliveredClicks;
    /// In-memory defaults of preference domains, by domain name.
    std::map<QString, QJsonObject> defaults;
    std::vector<QString> actions;
    /// Sees each action as it is logged, with `mutex` held.
    std::function<void(const QString&)> onAction;

    // The lookups below expect `mutex` to be held.
    App* app(qint32 pid);
    const App* app(qint32 pid) const;
    /// The live app whose bundle is at `path`, the oldest launch first among several.
    const App* runningAppAt(const QString& path) const;
    /// The menu item that `element` names, when its app still runs.
    const AXMenuItem* menuItem(const MenuElement& element) const;
    /// The window with this handle, when its app is `pid`.
    Window* window(const WindowElement& element);
    void log(QString line);

    /// A path in the one spelling used to compare bundle locations (no trailing slash).
    static QString standardPath(const QString& path);
};

}  // namespace tandri::sim
