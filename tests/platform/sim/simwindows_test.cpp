#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/accessibility.h"
#include "platform/sim/simtesting.h"
#include "platform/windowlist.h"
#include "platform/workspace.h"

namespace tandri::sim {
namespace {

using testing::load;
using testing::str;
using testing::strs;

constexpr const char* desktopJson = R"({
    "apps": [
        { "pid": 1, "name": "Mail", "windows": [
            { "title": "Inbox", "id": 11 },
            { "title": "Draft", "id": 12, "minimized": true },
            { "title": "Sent" } ] },
        { "pid": 2, "name": "Music", "hidden": true, "windows": [ { "title": "Music", "id": 21 } ] },
        { "pid": 3, "name": "Gone", "terminated": true, "windows": [ { "title": "Old", "id": 31 } ] }
    ]
})";

std::vector<std::string> titles(const std::vector<AXWindow>& windows) {
    std::vector<std::string> result;
    for (const auto& window : windows) result.push_back(str(window.title.value_or("-")));
    return result;
}

std::vector<quint32> listedIDs(WindowList& list) {
    std::vector<quint32> result;
    const auto windows = list.onScreenWindows();
    for (const auto& window : windows.value()) result.push_back(window.windowID.value_or(0));
    return result;
}

TEST(SimAccessibility, ListsTheAppsWindowsInItsOwnOrder) {
    auto desktop = load(desktopJson);
    Accessibility& ax = desktop->accessibility();
    const auto windows = ax.windows(1);
    EXPECT_EQ(titles(windows), (std::vector<std::string>{"Inbox", "Draft", "Sent"}));
    EXPECT_EQ(windows[1].minimized, true);
    EXPECT_EQ(windows[1].windowID, 12u);
    // A hidden app still has its windows.
    EXPECT_EQ(titles(ax.windows(2)), (std::vector<std::string>{"Music"}));
}

TEST(SimAccessibility, ListsNothingWithoutPermissionOrForAppsThatDoNotRun) {
    auto desktop = load(desktopJson);
    Accessibility& ax = desktop->accessibility();
    EXPECT_TRUE(ax.windows(3).empty());
    EXPECT_TRUE(ax.windows(99).empty());
    desktop->setTrusted(false);
    EXPECT_FALSE(ax.isTrusted());
    EXPECT_TRUE(ax.windows(1).empty());
    desktop->setTrusted(true);
    EXPECT_EQ(ax.windows(1).size(), 3u);
}

TEST(SimAccessibility, RaiseMovesTheWindowToTheFrontOfItsApp) {
    auto desktop = load(desktopJson);
    Accessibility& ax = desktop->accessibility();
    const WindowElement sent = ax.windows(1)[2].element;
    ax.raise(sent);
    EXPECT_EQ(titles(ax.windows(1)), (std::vector<std::string>{"Sent", "Inbox", "Draft"}));
    ax.raise(ax.windows(1)[2].element);
    EXPECT_EQ(titles(ax.windows(1)), (std::vector<std::string>{"Draft", "Sent", "Inbox"}));
    EXPECT_EQ(strs(desktop->actions()),
              (std::vector<std::string>{"raise " + std::to_string(sent.handle), "raise 12"}));
}

TEST(SimAccessibility, MinimizingTakesAWindowOffScreenAndBack) {
    auto desktop = load(desktopJson);
    Accessibility& ax = desktop->accessibility();
    WindowList& list = desktop->windowList();
    // Minimized windows, hidden apps and terminated apps are not on screen.
    EXPECT_EQ(listedIDs(list), (std::vector<quint32>{11, 0}));

    ax.setMinimized({1, 12}, false);
    EXPECT_EQ(ax.windows(1)[1].minimized, false);
    EXPECT_EQ(listedIDs(list), (std::vector<quint32>{11, 12, 0}));

    ax.setMinimized({1, 11}, true);
    EXPECT_EQ(ax.windows(1)[0].minimized, true);
    EXPECT_EQ(listedIDs(list), (std::vector<quint32>{12, 0}));
    ax.setMain({1, 12});
    EXPECT_EQ(strs(desktop->actions()),
              (std::vector<std::string>{"set-minimized 12 false", "set-minimized 11 true",
                                        "set-main 12"}));
}

TEST(SimAccessibility, ActingOnAVanishedWindowOnlyLogs) {
    auto desktop = load(desktopJson);
    Accessibility& ax = desktop->accessibility();
    const auto before = titles(ax.windows(1));
    ax.raise({1, 777});
    ax.setMinimized({1, 777}, true);
    // The handle of another app's window does not reach it through this app.
    ax.raise({1, 21});
    ax.setMinimized({1, 21}, true);
    ax.setMinimized({99, 11}, true);
    EXPECT_EQ(titles(ax.windows(1)), before);
    EXPECT_EQ(ax.windows(1)[0].minimized, false);
    EXPECT_EQ(ax.windows(2)[0].minimized, false);
    EXPECT_EQ(desktop->actions().size(), 5u);
}

TEST(SimAccessibility, WithoutPermissionActionsAreLoggedButChangeNothing) {
    auto desktop = load(desktopJson);
    Accessibility& ax = desktop->accessibility();
    desktop->setTrusted(false);
    ax.raise({1, 12});
    ax.setMinimized({1, 11}, true);
    ax.requestAccess();
    desktop->setTrusted(true);
    EXPECT_EQ(titles(ax.windows(1)), (std::vector<std::string>{"Inbox", "Draft", "Sent"}));
    EXPECT_EQ(ax.windows(1)[0].minimized, false);
    EXPECT_EQ(strs(desktop->actions()),
              (std::vector<std::string>{"raise 12", "set-minimized 11 true", "request-access"}));
}

TEST(SimWindowList, ReportsTheFieldsOfEachOnScreenWindow) {
    auto desktop = load(R"({ "apps": [ { "pid": 4, "windows": [
        { "id": 40, "frame": [1, 2, 60, 40], "layer": 3, "alpha": 0 } ] } ],
        "screenCapture": true })");
    const auto windows = desktop->windowList().onScreenWindows().value();
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(windows[0].ownerPID, 4);
    EXPECT_EQ(windows[0].layer, 3);
    EXPECT_EQ(windows[0].alpha, 0.0);
    EXPECT_EQ(windows[0].bounds, QRectF(1, 2, 60, 40));
    EXPECT_EQ(windows[0].windowID, 40u);
    EXPECT_TRUE(desktop->windowList().screenCaptureAllowed());
    desktop->setScreenCapture(false);
    EXPECT_FALSE(desktop->windowList().screenCaptureAllowed());
}

TEST(SimWindowList, UnhidingAnAppPutsItsWindowsBackOnScreen) {
    auto desktop = load(desktopJson);
    desktop->workspace().activate(2);
    EXPECT_EQ(listedIDs(desktop->windowList()), (std::vector<quint32>{11, 0, 21}));
}

TEST(SimAccessibility, ListingFromAnotherThreadWhileTheMainThreadActs) {
    auto desktop = load(desktopJson);
    Accessibility& ax = desktop->accessibility();
    std::atomic<bool> stop = false;
    std::atomic<int> badLists = 0;
    std::thread lister([&] {
        while (!stop) {
            if (ax.windows(1).size() != 3)
                ++badLists;
            if (!desktop->windowList().onScreenWindows())
                ++badLists;
        }
    });
    for (int i = 0; i < 2000; ++i) {
        ax.raise(ax.windows(1)[2].element);
        ax.setMinimized({1, 11}, i % 2 == 0);
    }
    stop = true;
    lister.join();
    EXPECT_EQ(badLists, 0);
}

}  // namespace
}  // namespace tandri::sim
