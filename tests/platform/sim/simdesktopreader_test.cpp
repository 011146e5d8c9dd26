// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>
#include <set>

#include "platform/screens.h"
#include "platform/sim/simtesting.h"
#include "platform/workspace.h"
#include "support/testfiles.h"

namespace tandri::sim {
namespace {

using testing::describe;
using testing::load;
using testing::loadError;
using Lines = std::vector<std::string>;

// The desktop's switches that are on, and the frontmost app.
std::string switches(SimDesktop& desktop) {
    const DisplayOptions options = desktop.workspace().displayOptions();
    std::string line;
    for (const auto& [on, name] : {std::pair{desktop.accessibility().isTrusted(), "trusted"},
                                   {desktop.windowList().screenCaptureAllowed(), "capture"},
                                   {desktop.workspace().darkAppearance(), "dark"},
                                   {options.reduceMotion, "motion"},
                                   {options.reduceTransparency, "transparency"},
                                   {options.increaseContrast, "contrast"}}) {
        line += on ? std::string(name) + " " : "";
    }
    const auto front = desktop.workspace().frontmostPID();
    return line + "front " + (front ? std::to_string(*front) : "none");
}

TEST(SimDesktopReader, ScreensPointerAndSwitchesAsGivenElseOneScreenAndNoApps) {
    auto empty = load("{}");
    const auto one = empty->screens().screens();
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].frame, QRectF(0, 0, 1440, 900));
    EXPECT_EQ(one[0].visible, QRectF(0, 0, 1440, 875));
    EXPECT_EQ(empty->screens().mouseLocation(), QPointF(720, 450));
    EXPECT_EQ(empty->screens().pressedMouseButtons(), 0u);
    EXPECT_EQ(switches(*empty), "trusted front none");
    EXPECT_TRUE(empty->workspace().runningApps().empty());

    auto desktop = load(R"({
        "screens": [ { "frame": [0, 0, 1440, 900], "visible": [0, 70, 1440, 805] },
                     { "frame": [1440, 100, 1920, 1080] } ],
        "trusted": false, "screenCapture": true, "dark": true, "reduceMotion": true,
        "reduceTransparency": true, "increaseContrast": true, "frontmost": 5 })");
    const auto screens = desktop->screens().screens();
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_EQ(screens[0].visible, QRectF(0, 70, 1440, 805));
    // A screen without a visible frame has all of it visible.
    EXPECT_EQ(screens[1].visible, QRectF(1440, 100, 1920, 1080));
    EXPECT_NE(screens[0].id, screens[1].id);
    // The pointer starts at the centre of the main (first) screen.
    EXPECT_EQ(desktop->screens().mouseLocation(), QPointF(720, 450));
    EXPECT_EQ(switches(*desktop), "capture dark motion transparency contrast front 5");

    // No screens at all.
    EXPECT_TRUE(load(R"({ "screens": [] })")->screens().screens().empty());
    EXPECT_EQ(load(R"({ "screens": [] })")->screens().mouseLocation(), QPointF(0, 0));
    EXPECT_EQ(load(R"({ "screens": [], "pointer": [3, 4] })")->screens().mouseLocation(),
              QPointF(3, 4));
}

TEST(SimDesktopReader, AppsWithTheirKeysOrTheOrdinaryDefaults) {
    auto desktop = load(R"({ "apps": [ { "pid": 42 },
        { "pid": 7, "name": "Mail", "bundleID": "com.example.mail",
          "bundlePath": "/Applications/Mail.app", "launched": 120.5, "regular": false,
          "hidden": true, "terminated": true } ] })");
    EXPECT_EQ(describe(desktop->workspace().runningApps()),
              (Lines{"pid 42",
                     "pid 7 name Mail bundle com.example.mail url "
                     "file:///Applications/Mail.app launched 120.5 hidden accessory "
                     "terminated"}));
    // Without an icon file it still has an icon.
    EXPECT_EQ(desktop->workspace().runningApps()[0].icon.size(), QSize(128, 128));
    EXPECT_TRUE(desktop->accessibility().windows(42).empty());
}

TEST(SimDesktopReader, WindowsWithTheirKeysOrTheOrdinaryDefaults) {
    auto desktop = load(R"({ "apps": [ { "pid": 1, "windows": [ {},
        { "title": "Inbox", "id": 7, "frame": [10, 20, 300, 200], "layer": 3, "alpha": 0.5 },
        { "title": "Palette", "subrole": "AXFloatingWindow" },
        { "title": "Bare", "subrole": null },
        { "title": "Away", "minimized": true },
        { "title": "Elsewhere", "onScreen": false }, {} ] } ] })");
    const auto windows = desktop->accessibility().windows(1);
    EXPECT_EQ(describe(windows),
              (Lines{"pid 1 subrole AXStandardWindow minimized 0",
                     "pid 1 title Inbox subrole AXStandardWindow minimized 0 id 7",
                     "pid 1 title Palette subrole AXFloatingWindow minimized 0",
                     "pid 1 title Bare minimized 0",
                     "pid 1 title Away subrole AXStandardWindow minimized 1",
                     "pid 1 title Elsewhere subrole AXStandardWindow minimized 0",
                     "pid 1 subrole AXStandardWindow minimized 0"}));
    // Windows without a number get distinct handles of their own.
    ASSERT_EQ(windows.size(), 7u);
    EXPECT_EQ(windows[1].element.handle, 7u);
    EXPECT_GE(windows[0].element.handle, 1000000u);
    EXPECT_GE(windows[6].element.handle, 1000000u);
    EXPECT_NE(windows[0].element.handle, windows[6].element.handle);

    // A minimized window is not on screen, nor is one that says so.
    EXPECT_EQ(describe(desktop->windowList().onScreenWindows()),
              (Lines{"id none pid 1 layer 0 at 0,0 800x600 alpha 1",
                     "id 7 pid 1 layer 3 at 10,20 300x200 alpha 0.5",
                     "id none pid 1 layer 0 at 0,0 800x600 alpha 1",
                     "id none pid 1 layer 0 at 0,0 800x600 alpha 1",
                     "id none pid 1 layer 0 at 0,0 800x600 alpha 1"}));
}

TEST(SimDesktopReader, AssignedHandlesNeverCollideWithWindowNumbers) {
    auto desktop = load(R"({ "apps": [ { "pid": 1, "windows": [
        { "id": 1000000 }, {}, { "id": 1000001 }, {} ] } ] })");
    std::set<quint64> handles;
    for (const auto& window : desktop->accessibility().windows(1))
        handles.insert(window.element.handle);
    EXPECT_EQ(handles.size(), 4u);
}

TEST(SimDesktopReader, MenuBarsAndMainWindowsAsWritten) {
    auto desktop = load(R"({ "apps": [ { "pid": 1,
        "windows": [ { "title": "A", "main": true }, { "title": "B" } ],
        "menuBar": [ { "title": "File", "items": [
          { "title": "New", "cmdChar": "N", "cmdModifiers": 0, "items": [ { "title": "Sheet" } ] },
          {} ] }, {} ] }, { "pid": 2 } ] })");
    EXPECT_EQ(describe(desktop->accessibility().windows(1)),
              (Lines{"pid 1 title A subrole AXStandardWindow minimized 0 main 1",
                     "pid 1 title B subrole AXStandardWindow minimized 0"}));
    const auto menus = desktop->accessibility().menuBar(1);
    ASSERT_TRUE(menus);
    ASSERT_EQ(menus->size(), 2u);
    EXPECT_EQ((*menus)[0].title, "File");
    EXPECT_EQ((*menus)[1].title, std::nullopt);
    ASSERT_EQ((*menus)[0].items.size(), 2u);
    const AXMenuItem& item = (*menus)[0].items[0];
    EXPECT_EQ(item.title, "New");
    EXPECT_EQ(item.cmdChar, "N");
    EXPECT_EQ(item.cmdModifiers, 0);
    ASSERT_EQ(item.submenu.size(), 1u);
    EXPECT_EQ((*menus)[0].items[1].title, std::nullopt);
    // A press is logged by the item's title; an app without the key has no menu bar to read.
    desktop->accessibility().press(item.submenu[0].element);
    EXPECT_EQ(desktop->actions().back(), "press 1 Sheet");
    desktop->accessibility().press({1, "7/7"});
    EXPECT_EQ(desktop->actions().back(), "press 1 (gone) 7/7");
    EXPECT_EQ(desktop->accessibility().menuBar(2), std::nullopt);
}

TEST(SimDesktopReader, ErrorsNameTheSourceAndTheKey) {
    // Each value of an app's or a window's key is tried in an app of its own, or in a window
    // of an app of its own.
    struct Case {
        const char* json;
        const char* error;
    };
    const Case apps[] = {
        {R"("pid": 1, "name": 3)", "name: expected a string"},
        {R"("pid": 1, "bundleID": true)", "bundleID: expected a string"},
        {R"("pid": 1, "bundlePath": "Applications/Mail.app")",
         "bundlePath: expected an absolute path"},
        {R"("pid": 1, "launched": "yesterday")", "launched: expected a number"},
        {R"("pid": 1, "hidden": "no")", "hidden: expected true or false"},
        {R"("pid": 1, "regular": 1)", "regular: expected true or false"},
        {R"("pid": 1, "terminated": null)", "terminated: expected true or false"},
        {R"("pid": 1, "icon": 12)", "icon: expected a string"},
        {R"("pid": 1, "windws": [])", "windws: unknown key"},
        {R"("pid": 1, "windows": {})", "windows: expected an array"},
        {R"("pid": 1, "windows": [[]])", "windows[0]: expected an object"},
        {R"("pid": 1, "menuBar": {})", "menuBar: expected an array"},
        {R"("pid": 1, "menuBar": [{"title": "File", "item": []}])", "menuBar[0].item: unknown key"},
        {R"("pid": 1, "menuBar": [{"items": [{"title": "New", "items": [{"cmdChar": 5}]}]}])",
         "menuBar[0].items[0].items[0].cmdChar: expected a string"},
        {R"("pid": 1, "menuBar": [{"items": [{"cmdModifiers": 1.5}]}])",
         "menuBar[0].items[0].cmdModifiers: expected a whole number from 0 to 15"},
        {R"("name": "Mail")", "pid: missing"},
    };
    const Case windows[] = {
        {R"("title": 5)", "title: expected a string"},
        {R"("minimized": "yes")", "minimized: expected true or false"},
        {R"("subrole": 1)", "subrole: expected a string"},
        {R"("frame": [0, 0, 10])", "frame: expected [x, y, width, height]"},
        {R"("frame": [0, 0, "10", 5])", "frame: expected [x, y, width, height]"},
        {R"("frame": [0, 0, -10, 5])", "frame: width and height must not be negative"},
        {R"("layer": 0.5)", "layer: expected a whole number"},
        {R"("alpha": 2)", "alpha: expected a number from 0 to 1"},
        {R"("onScreen": 1)", "onScreen: expected true or false"},
        {R"("main": 1)", "main: expected true or false"},
        {R"("id": -1)", "id: expected a positive whole number"},
        {R"("tilte": "x")", "tilte: unknown key"},
    };
    const Case desktops[] = {
        {"[1, 2]", "the top level must be an object"},
        {R"([{"pid": 1}])", "the top level must be an object"},
        {R"({"apps": [{"pid": 1}, {"pid": 2}, {"pid": 3, "windows": [{"title": 5}]}]})",
         "apps[2].windows[0].title: expected a string"},
        {R"({"apps": [{"pid": 7}, {"pid": 8}, {"pid": 7}]})",
         "apps[2].pid: duplicate pid 7 (also apps[0])"},
        {R"({"apps": [{"pid": 1, "windows": [{"id": 9}]}, {"pid": 2, "windows": [{"id": 9}]}]})",
         "apps[1].windows[0].id: duplicate window id 9 (also apps[0].windows[0])"},
        {R"({"apps": {}})", "apps: expected an array"},
        {R"({"apps": [5]})", "apps[0]: expected an object"},
        {R"({"screens": {}})", "screens: expected an array"},
        {R"({"screens": [{"frame": [0, 0, 10, 10], "visible": "all"}]})",
         "screens[0].visible: expected [x, y, width, height]"},
        {R"({"screens": [{"size": [10, 10]}]})", "screens[0].size: unknown key"},
        {R"({"pointer": "middle"})", "pointer: expected [x, y]"},
        {R"({"pointer": [1, 2, 3]})", "pointer: expected [x, y]"},
        {R"({"trusted": 1})", "trusted: expected true or false"},
        {R"({"screenCapture": "yes"})", "screenCapture: expected true or false"},
        {R"({"dark": null})", "dark: expected true or false"},
        {R"({"frontmost": "Mail"})", "frontmost: expected a positive whole number"},
        {R"({"bundles": []})", "bundles: expected an object"},
        {R"({"bundles": {"com.example.mail": 5}})", "bundles.com.example.mail: expected a string"},
        {R"({"bundles": {"com.example.mail": "Mail.app"}})",
         "bundles.com.example.mail: expected an absolute path"},
        {R"({"defaults": {"com.apple.dock": []}})", "defaults.com.apple.dock: expected an object"},
        {R"({"defaults": 3})", "defaults: expected an object"},
        {R"({"takenShortcuts": [49, 2048]})", "takenShortcuts[0]: expected an array"},
        {R"({"takenShortcuts": [[49]]})", "takenShortcuts[0]: expected [keyCode, modifiers]"},
        {R"({"takenShortcuts": [[49, -1]]})",
         "takenShortcuts[0][1]: expected a whole number from 0"},
        {R"({"takenShortcuts": [["Space", 2048]]})",
         "takenShortcuts[0][0]: expected a whole number from 0"},
        {R"({"takenShortcuts": [[49.5, 2048]]})",
         "takenShortcuts[0][0]: expected a whole number from 0"},
        {R"({"apss": []})", "apss: unknown key"},
    };
    for (const auto& c : desktops)
        EXPECT_EQ(loadError(c.json), std::string("test: ") + c.error) << c.json;
    for (const auto& c : apps) {
        EXPECT_EQ(loadError(QByteArray(R"({"apps": [{)") + c.json + "}]}"),
                  std::string("test: apps[0].") + c.error)
            << c.json;
    }
    for (const auto& c : windows) {
        EXPECT_EQ(loadError(QByteArray(R"({"apps": [{"pid": 1, "windows": [{)") + c.json + "}]}]}"),
                  std::string("test: apps[0].windows[0].") + c.error)
            << c.json;
    }
    for (const char* pid : {"\"101\"", "1.5", "0", "-4", "3000000000", "null"}) {
        EXPECT_EQ(loadError(QByteArray(R"({"apps": [{"pid": )") + pid + "}]}"),
                  "test: apps[0].pid: expected a positive whole number")
            << pid;
    }
    for (const char* json : {"", "{", "{\"apps\": [}", "not json at all", "{\"a\": 1,}"})
        EXPECT_EQ(loadError(json).rfind("test: not valid JSON (", 0), 0u) << json;
}

TEST(SimDesktopReader, DesktopFiles) {
    QTemporaryDir folder;
    const QString missing = folder.filePath("missing.json");
    auto result = SimDesktop::fromFile(missing);
    EXPECT_EQ(result.desktop, nullptr);
    EXPECT_TRUE(result.error.startsWith(missing + ": cannot read the desktop file ("))
        << result.error.toStdString();

    const QString broken = folder.filePath("broken.json");
    test::writeFile(broken, R"({"apps": [{"pid": 1, "windows": [{"title": 5}]}]})");
    result = SimDesktop::fromFile(broken);
    EXPECT_EQ(result.desktop, nullptr);
    EXPECT_EQ(result.error, broken + ": apps[0].windows[0].title: expected a string");

    // A relative icon path is found beside the desktop file.
    const QString good = folder.filePath("good.json");
    test::writeFile(good, R"({"apps": [{"pid": 3, "name": "Red", "icon": "red.png"}]})");
    QImage red(64, 64, QImage::Format_ARGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(folder.filePath("red.png")));
    result = SimDesktop::fromFile(good);
    ASSERT_NE(result.desktop, nullptr) << result.error.toStdString();
    const QImage icon = result.desktop->workspace().runningApp(3)->icon;
    EXPECT_EQ(icon.size(), QSize(64, 64));
    EXPECT_EQ(icon.pixelColor(32, 32), QColor(Qt::red));
}

}  // namespace
}  // namespace tandri::sim
