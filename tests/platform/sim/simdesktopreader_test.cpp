#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <set>

#include "platform/accessibility.h"
#include "platform/screens.h"
#include "platform/sim/simtesting.h"
#include "platform/windowlist.h"
#include "platform/workspace.h"

namespace tandri::sim {
namespace {

using testing::load;
using testing::loadError;
using testing::str;

TEST(SimDesktopReader, AnEmptyDescriptionIsOneScreenAndNoApps) {
    auto desktop = load("{}");
    const auto screens = desktop->screens().screens();
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_EQ(screens[0].frame, QRectF(0, 0, 1440, 900));
    EXPECT_EQ(screens[0].visible, QRectF(0, 0, 1440, 875));
    EXPECT_EQ(desktop->screens().mouseLocation(), QPointF(720, 450));
    EXPECT_EQ(desktop->screens().pressedMouseButtons(), 0u);
    EXPECT_TRUE(desktop->accessibility().isTrusted());
    EXPECT_FALSE(desktop->windowList().screenCaptureAllowed());
    EXPECT_FALSE(desktop->workspace().frontmostPID().has_value());
    EXPECT_TRUE(desktop->workspace().runningApps().empty());
    EXPECT_FALSE(desktop->workspace().darkAppearance());
    const DisplayOptions options = desktop->workspace().displayOptions();
    EXPECT_FALSE(options.reduceMotion || options.reduceTransparency || options.increaseContrast);
}

TEST(SimDesktopReader, ScreensPointerAndFlagsAsGiven) {
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
    EXPECT_FALSE(desktop->accessibility().isTrusted());
    EXPECT_TRUE(desktop->windowList().screenCaptureAllowed());
    EXPECT_TRUE(desktop->workspace().darkAppearance());
    const DisplayOptions options = desktop->workspace().displayOptions();
    EXPECT_TRUE(options.reduceMotion && options.reduceTransparency && options.increaseContrast);
    EXPECT_EQ(desktop->workspace().frontmostPID(), 5);
}

TEST(SimDesktopReader, NoScreensAtAll) {
    auto desktop = load(R"({ "screens": [] })");
    EXPECT_TRUE(desktop->screens().screens().empty());
    EXPECT_EQ(desktop->screens().mouseLocation(), QPointF(0, 0));
    EXPECT_EQ(load(R"({ "screens": [], "pointer": [3, 4] })")->screens().mouseLocation(),
              QPointF(3, 4));
}

TEST(SimDesktopReader, AnAppWithOnlyAPidHasTheOrdinaryDefaults) {
    auto desktop = load(R"({ "apps": [ { "pid": 42 } ] })");
    const auto apps = desktop->workspace().runningApps();
    ASSERT_EQ(apps.size(), 1u);
    const RunningApp& app = apps[0];
    EXPECT_EQ(app.pid, 42);
    EXPECT_FALSE(app.localizedName.has_value());
    EXPECT_FALSE(app.bundleID.has_value());
    EXPECT_FALSE(app.bundleURL.has_value());
    EXPECT_FALSE(app.launchDate.has_value());
    EXPECT_FALSE(app.hidden);
    EXPECT_FALSE(app.terminated);
    EXPECT_EQ(app.activationPolicy, RunningApp::regularPolicy);
    // Without an icon file it still has an icon.
    EXPECT_EQ(app.icon.size(), QSize(128, 128));
    EXPECT_TRUE(desktop->accessibility().windows(42).empty());
}

TEST(SimDesktopReader, AppKeysAsGiven) {
    auto desktop = load(R"({ "apps": [
        { "pid": 7, "name": "Mail", "bundleID": "com.example.mail",
          "bundlePath": "/Applications/Mail.app", "launched": 120.5, "regular": false,
          "hidden": true, "terminated": true } ] })");
    const RunningApp app = desktop->workspace().runningApps().at(0);
    EXPECT_EQ(str(app.localizedName.value_or("")), "Mail");
    EXPECT_EQ(str(app.bundleID.value_or("")), "com.example.mail");
    EXPECT_EQ(app.bundleURL, QUrl::fromLocalFile("/Applications/Mail.app"));
    EXPECT_EQ(app.launchDate, 120.5);
    EXPECT_EQ(app.activationPolicy, RunningApp::accessoryPolicy);
    EXPECT_TRUE(app.hidden);
    EXPECT_TRUE(app.terminated);
}

TEST(SimDesktopReader, AWindowWithNoKeysIsAnOrdinaryVisibleWindow) {
    auto desktop = load(R"({ "apps": [ { "pid": 1, "windows": [ {}, {} ] } ] })");
    const auto windows = desktop->accessibility().windows(1);
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_EQ(str(windows[0].subrole.value_or("")), "AXStandardWindow");
    EXPECT_FALSE(windows[0].title.has_value());
    EXPECT_EQ(windows[0].minimized, false);
    EXPECT_FALSE(windows[0].windowID.has_value());
    EXPECT_EQ(windows[0].element.pid, 1);
    // Windows without a number get distinct handles of their own.
    EXPECT_GE(windows[0].element.handle, 1000000u);
    EXPECT_GE(windows[1].element.handle, 1000000u);
    EXPECT_NE(windows[0].element.handle, windows[1].element.handle);

    const auto listed = desktop->windowList().onScreenWindows().value();
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0].layer, 0);
    EXPECT_EQ(listed[0].ownerPID, 1);
    EXPECT_EQ(listed[0].bounds, QRectF(0, 0, 800, 600));
    EXPECT_EQ(listed[0].alpha, 1.0);
    EXPECT_FALSE(listed[0].windowID.has_value());
}

TEST(SimDesktopReader, WindowKeysAsGiven) {
    auto desktop = load(R"({ "apps": [ { "pid": 1, "windows": [
        { "title": "Inbox", "id": 7, "frame": [10, 20, 300, 200], "layer": 3, "alpha": 0.5 },
        { "title": "Palette", "subrole": "AXFloatingWindow" },
        { "title": "Bare", "subrole": null },
        { "title": "Away", "minimized": true },
        { "title": "Elsewhere", "onScreen": false } ] } ] })");
    const auto windows = desktop->accessibility().windows(1);
    ASSERT_EQ(windows.size(), 5u);
    EXPECT_EQ(windows[0].element.handle, 7u);
    EXPECT_EQ(windows[0].windowID, 7u);
    EXPECT_EQ(str(windows[0].title.value_or("")), "Inbox");
    EXPECT_EQ(str(windows[1].subrole.value_or("")), "AXFloatingWindow");
    EXPECT_FALSE(windows[2].subrole.has_value());
    EXPECT_EQ(windows[3].minimized, true);

    // A minimized window is not on screen, nor is one that says so.
    const auto listed = desktop->windowList().onScreenWindows().value();
    ASSERT_EQ(listed.size(), 3u);
    EXPECT_EQ(listed[0].windowID, 7u);
    EXPECT_EQ(listed[0].bounds, QRectF(10, 20, 300, 200));
    EXPECT_EQ(listed[0].layer, 3);
    EXPECT_EQ(listed[0].alpha, 0.5);
}

TEST(SimDesktopReader, AssignedHandlesNeverCollideWithWindowNumbers) {
    auto desktop = load(R"({ "apps": [ { "pid": 1, "windows": [
        { "id": 1000000 }, {}, { "id": 1000001 }, {} ] } ] })");
    const auto windows = desktop->accessibility().windows(1);
    ASSERT_EQ(windows.size(), 4u);
    std::set<quint64> handles;
    for (const auto& window : windows) handles.insert(window.element.handle);
    EXPECT_EQ(handles.size(), 4u);
}

TEST(SimDesktopReader, MenuBarsAndMainWindowsAsWritten) {
    auto desktop = load(R"({ "apps": [ { "pid": 1,
        "windows": [ { "title": "A", "main": true }, { "title": "B" } ],
        "menuBar": [ { "title": "File", "items": [
          { "title": "New", "cmdChar": "N", "cmdModifiers": 0, "items": [ { "title": "Sheet" } ] },
          {} ] }, {} ] }, { "pid": 2 } ] })");
    const auto windows = desktop->accessibility().windows(1);
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_EQ(windows[0].main, true);
    EXPECT_EQ(windows[1].main, std::nullopt);
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

struct Malformed {
    const char* json;
    const char* error;
};

void PrintTo(const Malformed& input, std::ostream* out) {
    *out << input.json;
}

class SimDesktopReaderErrors : public ::testing::TestWithParam<Malformed> {};

TEST_P(SimDesktopReaderErrors, NameTheSourceAndTheKey) {
    EXPECT_EQ(loadError(GetParam().json), std::string("test: ") + GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, SimDesktopReaderErrors,
    ::testing::Values(
        Malformed{"[1, 2]", "the top level must be an object"},
        Malformed{R"([{"pid": 1}])", "the top level must be an object"},
        Malformed{R"({"apps": [{"pid": 1}, {"pid": 2}, {"pid": 3, "windows": [{"title": 5}]}]})",
                  "apps[2].windows[0].title: expected a string"},
        Malformed{R"({"apps": [{"name": "Mail"}]})", "apps[0].pid: missing"},
        Malformed{R"({"apps": [{"pid": "101"}]})", "apps[0].pid: expected a positive whole number"},
        Malformed{R"({"apps": [{"pid": 1.5}]})", "apps[0].pid: expected a positive whole number"},
        Malformed{R"({"apps": [{"pid": 0}]})", "apps[0].pid: expected a positive whole number"},
        Malformed{R"({"apps": [{"pid": -4}]})", "apps[0].pid: expected a positive whole number"},
        Malformed{R"({"apps": [{"pid": 3000000000}]})",
                  "apps[0].pid: expected a positive whole number"},
        Malformed{R"({"apps": [{"pid": null}]})", "apps[0].pid: expected a positive whole number"},
        Malformed{R"({"apps": [{"pid": 7}, {"pid": 8}, {"pid": 7}]})",
                  "apps[2].pid: duplicate pid 7 (also apps[0])"},
        Malformed{
            R"({"apps": [{"pid": 1, "windows": [{"id": 9}]}, {"pid": 2, "windows": [{"id": 9}]}]})",
            "apps[1].windows[0].id: duplicate window id 9 (also apps[0].windows[0])"},
        Malformed{R"({"apps": [{"pid": 1, "windows": [{"id": -1}]}]})",
                  "apps[0].windows[0].id: expected a positive whole number"},
        Malformed{R"({"apps": {}})", "apps: expected an array"},
        Malformed{R"({"apps": [{"pid": 1, "windows": [{"main": 1}]}]})",
                  "apps[0].windows[0].main: expected true or false"},
        Malformed{R"({"apps": [{"pid": 1, "menuBar": {}}]})", "apps[0].menuBar: expected an array"},
        Malformed{R"({"apps": [{"pid": 1, "menuBar": [{"title": "File", "item": []}]}]})",
                  "apps[0].menuBar[0].item: unknown key"},
        Malformed{R"({"apps": [{"pid": 1, "menuBar": [{"items": [{"title": "New",
                     "items": [{"cmdChar": 5}]}]}]}]})",
                  "apps[0].menuBar[0].items[0].items[0].cmdChar: expected a string"},
        Malformed{R"({"apps": [{"pid": 1, "menuBar": [{"items": [{"cmdModifiers": 1.5}]}]}]})",
                  "apps[0].menuBar[0].items[0].cmdModifiers: expected a whole number from 0 to 15"},
        Malformed{R"({"apps": [5]})", "apps[0]: expected an object"},
        Malformed{R"({"apps": [{"pid": 1, "windows": {}}]})", "apps[0].windows: expected an array"},
        Malformed{R"({"apps": [{"pid": 1, "windows": [[]]}]})",
                  "apps[0].windows[0]: expected an object"},
        Malformed{R"({"apps": [{"pid": 1, "name": 3}]})", "apps[0].name: expected a string"},
        Malformed{R"({"apps": [{"pid": 1, "bundleID": true}]})",
                  "apps[0].bundleID: expected a string"},
        Malformed{R"({"apps": [{"pid": 1, "bundlePath": "Applications/Mail.app"}]})",
                  "apps[0].bundlePath: expected an absolute path"},
        Malformed{R"({"apps": [{"pid": 1, "launched": "yesterday"}]})",
                  "apps[0].launched: expected a number"},
        Malformed{R"({"apps": [{"pid": 1, "hidden": "no"}]})",
                  "apps[0].hidden: expected true or false"},
        Malformed{R"({"apps": [{"pid": 1, "regular": 1}]})",
                  "apps[0].regular: expected true or false"},
        Malformed{R"({"apps": [{"pid": 1, "terminated": null}]})",
                  "apps[0].terminated: expected true or false"},
        Malformed{R"({"apps": [{"pid": 1, "icon": 12}]})", "apps[0].icon: expected a string"},
        Malformed{R"({"apps": [{"pid": 1, "windws": []}]})", "apps[0].windws: unknown key"},
        Malformed{R"({"apps": [{"pid": 1, "windows": [{"minimized": "yes"}]}]})",
                  "apps[0].windows[0].minimized: expected true or false"},
        Malformed{R"({"apps": [{"pid": 1, "windows": [{"subrole": 1}]}]})",
                  "apps[0].windows[0].subrole: expected a string"},
        Malformed{R"({"apps": [{"pid": 1, "windows": [{"frame": [0, 0, 10]}]}]})",
                  "apps[0].windows[0].frame: expected [x, y, width, height]"},
        Malformed{R"({"apps": [{"pid": 1, "windows": [{"frame": [0, 0, "10", 5]}]}]})",
                  "apps[0].windows[0].frame: expected [x, y, width, height]"},
        Malformed{R"({"apps": [{"pid": 1, "windows": [{"frame": [0, 0, -10, 5]}]}]})",
                  "apps[0].windows[0].frame: width and height must not be negative"},
        Malformed{R"({"apps": [{"pid": 1, "windows": [{"layer": 0.5}]}]})",
                  "apps[0].windows[0].layer: expected a whole number"},
        Malformed{R"({"apps": [{"pid": 1, "windows": [{"alpha": 2}]}]})",
                  "apps[0].windows[0].alpha: expected a number from 0 to 1"},
        Malformed{R"({"apps": [{"pid": 1, "windows": [{"onScreen": 1}]}]})",
                  "apps[0].windows[0].onScreen: expected true or false"},
        Malformed{R"({"apps": [{"pid": 1, "windows": [{"tilte": "x"}]}]})",
                  "apps[0].windows[0].tilte: unknown key"},
        Malformed{R"({"screens": {}})", "screens: expected an array"},
        Malformed{R"({"screens": [{"frame": [0, 0, 10, 10], "visible": "all"}]})",
                  "screens[0].visible: expected [x, y, width, height]"},
        Malformed{R"({"screens": [{"size": [10, 10]}]})", "screens[0].size: unknown key"},
        Malformed{R"({"pointer": "middle"})", "pointer: expected [x, y]"},
        Malformed{R"({"pointer": [1, 2, 3]})", "pointer: expected [x, y]"},
        Malformed{R"({"trusted": 1})", "trusted: expected true or false"},
        Malformed{R"({"screenCapture": "yes"})", "screenCapture: expected true or false"},
        Malformed{R"({"dark": null})", "dark: expected true or false"},
        Malformed{R"({"frontmost": "Mail"})", "frontmost: expected a positive whole number"},
        Malformed{R"({"bundles": []})", "bundles: expected an object"},
        Malformed{R"({"bundles": {"com.example.mail": 5}})",
                  "bundles.com.example.mail: expected a string"},
        Malformed{R"({"bundles": {"com.example.mail": "Mail.app"}})",
                  "bundles.com.example.mail: expected an absolute path"},
        Malformed{R"({"defaults": {"com.apple.dock": []}})",
                  "defaults.com.apple.dock: expected an object"},
        Malformed{R"({"defaults": 3})", "defaults: expected an object"},
        Malformed{R"({"takenShortcuts": [49, 2048]})", "takenShortcuts[0]: expected an array"},
        Malformed{R"({"takenShortcuts": [[49]]})",
                  "takenShortcuts[0]: expected [keyCode, modifiers]"},
        Malformed{R"({"takenShortcuts": [[49, -1]]})",
                  "takenShortcuts[0][1]: expected a whole number from 0"},
        Malformed{R"({"takenShortcuts": [["Space", 2048]]})",
                  "takenShortcuts[0][0]: expected a whole number from 0"},
        Malformed{R"({"takenShortcuts": [[49.5, 2048]]})",
                  "takenShortcuts[0][0]: expected a whole number from 0"},
        Malformed{R"({"apss": []})", "apss: unknown key"}));

TEST(SimDesktopReader, TextThatIsNotJsonIsAnError) {
    for (const char* json : {"", "{", "{\"apps\": [}", "not json at all", "{\"a\": 1,}"}) {
        const std::string error = loadError(json);
        EXPECT_EQ(error.rfind("test: not valid JSON (", 0), 0u) << json << " → " << error;
    }
}

TEST(SimDesktopReader, DesktopFiles) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());

    const QString missing = folder.filePath("missing.json");
    auto result = SimDesktop::fromFile(missing);
    EXPECT_EQ(result.desktop, nullptr);
    EXPECT_EQ(str(result.error).rfind(str(missing) + ": cannot read the desktop file (", 0), 0u)
        << str(result.error);

    const QString broken = folder.filePath("broken.json");
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"apps": [{"pid": 1, "windows": [{"title": 5}]}]})");
    file.close();
    result = SimDesktop::fromFile(broken);
    EXPECT_EQ(result.desktop, nullptr);
    EXPECT_EQ(str(result.error), str(broken) + ": apps[0].windows[0].title: expected a string");

    const QString good = folder.filePath("good.json");
    QFile goodFile(good);
    ASSERT_TRUE(goodFile.open(QIODevice::WriteOnly));
    goodFile.write(R"({"apps": [{"pid": 3, "name": "Red", "icon": "red.png"}]})");
    goodFile.close();
    // A relative icon path is found beside the desktop file.
    QImage red(64, 64, QImage::Format_ARGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(folder.filePath("red.png")));
    result = SimDesktop::fromFile(good);
    ASSERT_NE(result.desktop, nullptr) << str(result.error);
    const QImage icon = result.desktop->workspace().runningApp(3)->icon;
    EXPECT_EQ(icon.size(), QSize(64, 64));
    EXPECT_EQ(icon.pixelColor(32, 32), QColor(Qt::red));
}

}  // namespace
}  // namespace tandri::sim
