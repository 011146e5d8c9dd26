// SPDX-License-Identifier: MIT
#include "platform/sim/simdesktopreader.h"

#include <QDir>
#include <QJsonArray>
#include <QSet>
#include <cmath>
#include <initializer_list>
#include <limits>

namespace tandri::sim {

namespace {

// The first problem found ends the reading; it never leaves this file.
struct ReadError {
    QString text;
};

[[noreturn]] void fail(const QString& path, const QString& problem) {
    throw ReadError{path + QStringLiteral(": ") + problem};
}

QString member(const QString& path, const QString& key) {
    return path.isEmpty() ? key : path + u'.' + key;
}

QString element(const QString& path, qsizetype index) {
    return path + u'[' + QString::number(index) + u']';
}

void checkKeys(const QJsonObject& object, const QString& path,
               std::initializer_list<QLatin1StringView> known) {
    for (auto it = object.begin(); it != object.end(); ++it) {
        bool isKnown = false;
        for (auto key : known) isKnown = isKnown || it.key() == key;
        // A misspelt key would otherwise be ignored silently and the desktop would not be the
        // one its author meant.
        if (!isKnown)
            fail(member(path, it.key()), QStringLiteral("unknown key"));
    }
}

QJsonObject toObject(const QJsonValue& value, const QString& path) {
    if (!value.isObject())
        fail(path, QStringLiteral("expected an object"));
    return value.toObject();
}

QJsonArray toArray(const QJsonValue& value, const QString& path) {
    if (!value.isArray())
        fail(path, QStringLiteral("expected an array"));
    return value.toArray();
}

QString toString(const QJsonValue& value, const QString& path) {
    if (!value.isString())
        fail(path, QStringLiteral("expected a string"));
    return value.toString();
}

bool toBool(const QJsonValue& value, const QString& path) {
    if (!value.isBool())
        fail(path, QStringLiteral("expected true or false"));
    return value.toBool();
}

double toNumber(const QJsonValue& value, const QString& path) {
    if (!value.isDouble() || !std::isfinite(value.toDouble())) {
        fail(path, QStringLiteral("expected a number"));
    }
    return value.toDouble();
}

qint64 toInteger(const QJsonValue& value, const QString& path, qint64 min, qint64 max,
                 const QString& expected) {
    const double number = value.isDouble() ? value.toDouble() : std::nan("");
    if (!std::isfinite(number) || std::trunc(number) != number || number < double(min) ||
        number > double(max)) {
        fail(path, expected);
    }
    return qint64(number);
}

qint32 toPID(const QJsonValue& value, const QString& path) {
    return qint32(toInteger(value, path, 1, std::numeric_limits<qint32>::max(),
                            QStringLiteral("expected a positive whole number")));
}

QString toAbsolutePath(const QJsonValue& value, const QString& path) {
    QString text = toString(value, path);
    if (!QDir::isAbsolutePath(text))
        fail(path, QStringLiteral("expected an absolute path"));
    return text;
}

QPointF toPoint(const QJsonValue& value, const QString& path) {
    const QJsonArray array = value.isArray() ? value.toArray() : QJsonArray();
    if (array.size() != 2 || !array[0].isDouble() || !array[1].isDouble()) {
        fail(path, QStringLiteral("expected [x, y]"));
    }
    return {toNumber(array[0], path), toNumber(array[1], path)};
}

QRectF toRect(const QJsonValue& value, const QString& path) {
    const QJsonArray array = value.isArray() ? value.toArray() : QJsonArray();
    bool numbers = array.size() == 4;
    for (const auto& item : array) numbers = numbers && item.isDouble();
    if (!numbers)
        fail(path, QStringLiteral("expected [x, y, width, height]"));
    const QRectF rect(toNumber(array[0], path), toNumber(array[1], path), toNumber(array[2], path),
                      toNumber(array[3], path));
    if (rect.width() < 0 || rect.height() < 0) {
        fail(path, QStringLiteral("width and height must not be negative"));
    }
    return rect;
}

Screen readScreen(const QJsonValue& value, const QString& path, qsizetype index) {
    const QJsonObject object = toObject(value, path);
    checkKeys(object, path, {QLatin1StringView("frame"), QLatin1StringView("visible")});
    Screen screen;
    screen.id = QStringLiteral("sim-screen-%1").arg(index + 1);
    screen.frame = QRectF(0, 0, 1440, 900);
    if (object.contains(u"frame"))
        screen.frame = toRect(object[u"frame"], member(path, "frame"));
    screen.visible = screen.frame;
    if (object.contains(u"visible")) {
        screen.visible = toRect(object[u"visible"], member(path, "visible"));
    }
    return screen;
}

SimState::Window readWindow(const QJsonValue& value, const QString& path) {
    const QJsonObject object = toObject(value, path);
    checkKeys(
        object, path,
        {QLatin1StringView("title"), QLatin1StringView("minimized"), QLatin1StringView("subrole"),
         QLatin1StringView("id"), QLatin1StringView("frame"), QLatin1StringView("layer"),
         QLatin1StringView("alpha"), QLatin1StringView("onScreen"), QLatin1StringView("main")});
    SimState::Window window;
    if (object.contains(u"title"))
        window.title = toString(object[u"title"], member(path, "title"));
    if (object.contains(u"minimized")) {
        window.minimized = toBool(object[u"minimized"], member(path, "minimized"));
    }
    if (object.contains(u"subrole")) {
        const QJsonValue subrole = object[u"subrole"];
        if (subrole.isNull()) {
            window.subrole.reset();
        } else {
            window.subrole = toString(subrole, member(path, "subrole"));
        }
    }
    if (object.contains(u"id")) {
        window.id = quint32(toInteger(object[u"id"], member(path, "id"), 1,
                                      std::numeric_limits<quint32>::max(),
                                      QStringLiteral("expected a positive whole number")));
    }
    if (object.contains(u"frame"))
        window.frame = toRect(object[u"frame"], member(path, "frame"));
    if (object.contains(u"layer")) {
        window.layer = toInteger(
            object[u"layer"], member(path, "layer"), std::numeric_limits<qint32>::min(),
            std::numeric_limits<qint32>::max(), QStringLiteral("expected a whole number"));
    }
    if (object.contains(u"alpha")) {
        window.alpha = toNumber(object[u"alpha"], member(path, "alpha"));
        if (window.alpha < 0 || window.alpha > 1) {
            fail(member(path, "alpha"), QStringLiteral("expected a number from 0 to 1"));
        }
    }
    if (object.contains(u"main"))
        window.main = toBool(object[u"main"], member(path, "main"));
    window.onScreen = !window.minimized;
    if (object.contains(u"onScreen")) {
        window.onScreen = toBool(object[u"onScreen"], member(path, "onScreen"));
    }
    return window;
}

// A menu item's id is its place in the menu bar ("2/0/1": third menu, first item, second item of
// its submenu), so that a press can be logged and checked by its titles.
AXMenuItem readMenuItem(const QJsonValue& value, const QString& path, qint32 pid,
                        const QString& id) {
    const QJsonObject object = toObject(value, path);
    checkKeys(object, path,
              {QLatin1StringView("title"), QLatin1StringView("cmdChar"),
               QLatin1StringView("cmdModifiers"), QLatin1StringView("items")});
    AXMenuItem item;
    item.element = {pid, id};
    if (object.contains(u"title"))
        item.title = toString(object[u"title"], member(path, "title"));
    if (object.contains(u"cmdChar"))
        item.cmdChar = toString(object[u"cmdChar"], member(path, "cmdChar"));
    if (object.contains(u"cmdModifiers")) {
        item.cmdModifiers = toInteger(object[u"cmdModifiers"], member(path, "cmdModifiers"), 0, 15,
                                      QStringLiteral("expected a whole number from 0 to 15"));
    }
    if (object.contains(u"items")) {
        const QString itemsPath = member(path, "items");
        const QJsonArray items = toArray(object[u"items"], itemsPath);
        for (qsizetype i = 0; i < items.size(); ++i) {
            item.submenu.push_back(
                readMenuItem(items[i], element(itemsPath, i), pid, id + u'/' + QString::number(i)));
        }
    }
    return item;
}

std::vector<AXMenu> readMenuBar(const QJsonValue& value, const QString& path, qint32 pid) {
    const QJsonArray menus = toArray(value, path);
    std::vector<AXMenu> result;
    for (qsizetype m = 0; m < menus.size(); ++m) {
        const QString menuPath = element(path, m);
        const QJsonObject object = toObject(menus[m], menuPath);
        checkKeys(object, menuPath, {QLatin1StringView("title"), QLatin1StringView("items")});
        AXMenu menu;
        if (object.contains(u"title"))
            menu.title = toString(object[u"title"], member(menuPath, "title"));
        if (object.contains(u"items")) {
            const QString itemsPath = member(menuPath, "items");
            const QJsonArray items = toArray(object[u"items"], itemsPath);
            for (qsizetype i = 0; i < items.size(); ++i) {
                menu.items.push_back(readMenuItem(items[i], element(itemsPath, i), pid,
                                                  QString::number(m) + u'/' + QString::number(i)));
            }
        }
        result.push_back(std::move(menu));
    }
    return result;
}

SimState::App readApp(const QJsonValue& value, const QString& path, const QString& baseFolder) {
    const QJsonObject object = toObject(value, path);
    checkKeys(
        object, path,
        {QLatin1StringView("pid"), QLatin1StringView("name"), QLatin1StringView("bundleID"),
         QLatin1StringView("bundlePath"), QLatin1StringView("launched"),
         QLatin1StringView("regular"), QLatin1StringView("hidden"), QLatin1StringView("terminated"),
         QLatin1StringView("icon"), QLatin1StringView("windows"), QLatin1StringView("menuBar")});
    SimState::App app;
    if (!object.contains(u"pid"))
        fail(member(path, "pid"), QStringLiteral("missing"));
    app.pid = toPID(object[u"pid"], member(path, "pid"));
    if (object.contains(u"name"))
        app.name = toString(object[u"name"], member(path, "name"));
    if (object.contains(u"bundleID")) {
        app.bundleID = toString(object[u"bundleID"], member(path, "bundleID"));
    }
    if (object.contains(u"bundlePath")) {
        app.bundlePath = toAbsolutePath(object[u"bundlePath"], member(path, "bundlePath"));
    }
    if (object.contains(u"launched")) {
        app.launched = toNumber(object[u"launched"], member(path, "launched"));
    }
    if (object.contains(u"regular")) {
        app.regular = toBool(object[u"regular"], member(path, "regular"));
    }
    if (object.contains(u"hidden"))
        app.hidden = toBool(object[u"hidden"], member(path, "hidden"));
    if (object.contains(u"terminated")) {
        app.terminated = toBool(object[u"terminated"], member(path, "terminated"));
    }
    if (object.contains(u"icon")) {
        const QString icon = toString(object[u"icon"], member(path, "icon"));
        app.iconPath = QDir::isAbsolutePath(icon) || baseFolder.isEmpty()
                           ? icon
                           : QDir(baseFolder).filePath(icon);
    }
    if (object.contains(u"menuBar"))
        app.menuBar = readMenuBar(object[u"menuBar"], member(path, "menuBar"), app.pid);
    if (object.contains(u"windows")) {
        const QString windowsPath = member(path, "windows");
        const QJsonArray windows = toArray(object[u"windows"], windowsPath);
        for (qsizetype i = 0; i < windows.size(); ++i) {
            app.windows.push_back(readWindow(windows[i], element(windowsPath, i)));
        }
    }
    return app;
}

void readApps(const QJsonValue& value, SimState& state, const QString& baseFolder) {
    const QJsonArray apps = toArray(value, QStringLiteral("apps"));
    std::map<qint32, qsizetype> pids;
    std::map<quint32, QString> windowIDs;
    for (qsizetype i = 0; i < apps.size(); ++i) {
        const QString path = element(QStringLiteral("apps"), i);
        SimState::App app = readApp(apps[i], path, baseFolder);
        if (auto [it, added] = pids.emplace(app.pid, i); !added) {
            fail(member(path, "pid"), QStringLiteral("duplicate pid %1 (also %2)")
                                          .arg(app.pid)
                                          .arg(element(QStringLiteral("apps"), it->second)));
        }
        for (qsizetype w = 0; w < qsizetype(app.windows.size()); ++w) {
            const auto& id = app.windows[w].id;
            if (!id)
                continue;
            const QString windowPath = element(member(path, "windows"), w);
            // The id is the window's handle, so it must name one window only.
            if (auto [it, added] = windowIDs.emplace(*id, windowPath); !added) {
                fail(member(windowPath, "id"),
                     QStringLiteral("duplicate window id %1 (also %2)").arg(*id).arg(it->second));
            }
        }
        state.apps.push_back(std::move(app));
    }
    quint64 nextHandle = SimState::firstAnonymousHandle;
    for (auto& app : state.apps) {
        for (auto& window : app.windows) {
            if (window.id) {
                window.handle = *window.id;
                continue;
            }
            while (windowIDs.contains(quint32(nextHandle)) && nextHandle <= 0xffffffffu) {
                ++nextHandle;
            }
            window.handle = nextHandle++;
        }
    }
}

void readDesktop(const QJsonObject& root, SimState& state, const QString& baseFolder) {
    checkKeys(
        root, {},
        {QLatin1StringView("screens"), QLatin1StringView("pointer"), QLatin1StringView("trusted"),
         QLatin1StringView("screenCapture"), QLatin1StringView("frontmost"),
         QLatin1StringView("apps"), QLatin1StringView("bundles"), QLatin1StringView("dark"),
         QLatin1StringView("accent"), QLatin1StringView("reduceMotion"),
         QLatin1StringView("reduceTransparency"), QLatin1StringView("increaseContrast"),
         QLatin1StringView("defaults"), QLatin1StringView("takenShortcuts"),
         QLatin1StringView("loginItem"), QLatin1StringView("loginItemNeedsApproval")});

    if (root.contains(u"screens")) {
        const QJsonArray screens = toArray(root[u"screens"], QStringLiteral("screens"));
        for (qsizetype i = 0; i < screens.size(); ++i) {
            state.screens.push_back(
                readScreen(screens[i], element(QStringLiteral("screens"), i), i));
        }
    } else {
        state.screens.push_back({QStringLiteral("sim-screen-1"), QRectF(0, 0, 1440, 900),
                                 QRectF(0, 0, 1440, 875), 1.0});
    }
    state.pointer = state.screens.empty() ? QPointF() : state.screens.front().frame.center();
    if (root.contains(u"pointer"))
        state.pointer = toPoint(root[u"pointer"], "pointer");

    const auto flag = [&root](const char* key, bool fallback) {
        const QString name = QString::fromLatin1(key);
        return root.contains(name) ? toBool(root[name], name) : fallback;
    };
    state.trusted = flag("trusted", true);
    state.screenCapture = flag("screenCapture", false);
    state.dark = flag("dark", false);
    state.loginItem = flag("loginItem", false);
    state.loginItemNeedsApproval = flag("loginItemNeedsApproval", false);
    if (root.contains(u"accent")) {
        const QJsonValue accent = root[u"accent"];
        const QColor color = accent.isString() ? QColor::fromString(accent.toString()) : QColor();
        if (!color.isValid()) {
            fail(QStringLiteral("accent"), QStringLiteral("expected a colour such as \"#0a84ff\""));
        }
        state.accent = color;
    }
    state.displayOptions.reduceMotion = flag("reduceMotion", false);
    state.displayOptions.reduceTransparency = flag("reduceTransparency", false);
    state.displayOptions.increaseContrast = flag("increaseContrast", false);

    if (root.contains(u"apps"))
        readApps(root[u"apps"], state, baseFolder);
    if (root.contains(u"frontmost")) {
        state.frontmost = toPID(root[u"frontmost"], QStringLiteral("frontmost"));
    }

    if (root.contains(u"bundles")) {
        const QJsonObject bundles = toObject(root[u"bundles"], QStringLiteral("bundles"));
        for (auto it = bundles.begin(); it != bundles.end(); ++it) {
            state.bundles[it.key()] =
                toAbsolutePath(it.value(), member(QStringLiteral("bundles"), it.key()));
        }
    }
    if (root.contains(u"takenShortcuts")) {
        const QString name = QStringLiteral("takenShortcuts");
        const QJsonArray taken = toArray(root[name], name);
        for (qsizetype i = 0; i < taken.size(); ++i) {
            const QString path = element(name, i);
            const QJsonArray pair = toArray(taken[i], path);
            if (pair.size() != 2)
                fail(path, QStringLiteral("expected [keyCode, modifiers]"));
            const auto number = [&](qsizetype at) {
                const QJsonValue value = pair[at];
                const double n = value.toDouble(-1);
                if (!value.isDouble() || n < 0 || n > 0xffffffffu || n != std::floor(n))
                    fail(element(path, at), QStringLiteral("expected a whole number from 0"));
                return qint64(n);
            };
            state.takenShortcuts.emplace_back(number(0), number(1));
        }
    }
    if (root.contains(u"defaults")) {
        const QJsonObject domains = toObject(root[u"defaults"], QStringLiteral("defaults"));
        for (auto it = domains.begin(); it != domains.end(); ++it) {
            state.defaults[it.key()] =
                toObject(it.value(), member(QStringLiteral("defaults"), it.key()));
        }
    }
}

}  // namespace

QString SimDesktopReader::read(const QJsonObject& root, SimState& state,
                               const QString& baseFolder) {
    try {
        readDesktop(root, state, baseFolder);
    } catch (const ReadError& error) {
        return error.text;
    }
    return {};
}

}  // namespace tandri::sim
