#include <gtest/gtest.h>

#include "platform/workspace.h"
#include "support/testdesktop.h"
#include "windows/windowsource.h"

namespace tandri {
namespace {

constexpr const char* desktopWithMail = R"({"apps": [
    {"pid": 5, "name": "Mail", "bundlePath": "/Applications/Mail.app", "launched": 1,
     "windows": [
        {"title": "Inbox", "id": 7},
        {"title": "Draft", "id": 8, "minimized": true},
        {"title": "Sent", "id": 9},
        {"title": "Find", "id": 10, "subrole": "AXFloatingWindow"},
        {"id": 11}
     ]},
    {"pid": 6, "name": "Notes", "hidden": true, "windows": [{"title": "Note", "id": 20}]}
]})";

TEST(WindowSourceDesktop, ListsTheAppsStandardWindowsInOrder) {
    test::TestDesktop desktop(desktopWithMail);
    const auto windows = WindowSource::windows(desktop.platform().accessibility, 5);
    ASSERT_EQ(windows.size(), 4u);
    EXPECT_EQ(windows[0].title, "Inbox");
    EXPECT_EQ(windows[1].title, "Sent");
    EXPECT_EQ(windows[2].title, "");
    EXPECT_EQ(windows[2].id, 11u);
    EXPECT_EQ(windows[3].title, "Draft");
    EXPECT_TRUE(windows[3].isMinimized);

    desktop.sim().setTrusted(false);
    EXPECT_FALSE(WindowSource::isTrusted(desktop.platform().accessibility));
    EXPECT_TRUE(WindowSource::windows(desktop.platform().accessibility, 5).empty());
}

TEST(WindowSourceRaise, MinimizedWindowIsRestoredBeforeItIsRaised) {
    test::TestDesktop desktop(desktopWithMail);
    Platform& platform = desktop.platform();
    const auto windows = WindowSource::windows(platform.accessibility, 5);
    const WindowInfo& draft = windows.back();
    ASSERT_TRUE(draft.isMinimized);

    WindowSource::raise(platform, draft, *platform.workspace.runningApp(5));
    EXPECT_EQ(desktop.sim().actions(),
              (std::vector<QString>{"set-minimized 8 false", "set-main 8", "raise 8",
                                    "open-app /Applications/Mail.app activates=true"}));
    // The second raise comes once the app is active, on the main thread.
    desktop.queues().drain();
    EXPECT_EQ(desktop.sim().actions().back(), "raise 8");
    EXPECT_EQ(desktop.sim().actions().size(), 5u);
    EXPECT_EQ(platform.workspace.frontmostPID(), 5);
    EXPECT_FALSE(WindowSource::windows(platform.accessibility, 5).front().isMinimized);
    EXPECT_EQ(WindowSource::windows(platform.accessibility, 5).front().title, "Draft");
}

TEST(WindowSourceRaise, HiddenAppIsUnhiddenAndAnOpenWindowIsNotRestored) {
    test::TestDesktop desktop(desktopWithMail);
    Platform& platform = desktop.platform();
    const WindowInfo note = WindowSource::windows(platform.accessibility, 6).front();
    WindowSource::raise(platform, note, *platform.workspace.runningApp(6));
    desktop.queues().drain();
    EXPECT_EQ(desktop.sim().actions(), (std::vector<QString>{"set-main 20", "raise 20", "unhide 6",
                                                             "activate 6", "raise 20"}));
}

TEST(WindowSourceRaise, AClosedWindowStillActivatesItsApp) {
    test::TestDesktop desktop(desktopWithMail);
    Platform& platform = desktop.platform();
    const WindowInfo gone{QStringLiteral("Gone"), false, WindowElement{5, 99}, 99u, std::nullopt};
    WindowSource::raise(platform, gone, *platform.workspace.runningApp(5));
    desktop.queues().drain();
    EXPECT_EQ(platform.workspace.frontmostPID(), 5);
}

TEST(WindowSourceRaise, PermissionRequestReachesTheSystem) {
    test::TestDesktop desktop;
    WindowSource::requestAccess(desktop.platform().accessibility);
    EXPECT_EQ(desktop.sim().actions(), std::vector<QString>{"request-access"});
}

TEST(WindowSourceCountsDesktop, CountsLargeOrdinaryWindowsPerProcess) {
    test::TestDesktop desktop(R"({"apps": [
        {"pid": 5, "name": "Mail", "windows": [
            {"id": 1, "frame": [0, 0, 800, 600]},
            {"id": 2, "frame": [0, 0, 80, 60]},
            {"id": 3, "frame": [0, 0, 60, 40]},
            {"id": 4, "frame": [0, 0, 800, 600], "layer": 3},
            {"id": 5, "frame": [0, 0, 800, 600], "alpha": 0},
            {"id": 6, "frame": [0, 0, 800, 600], "minimized": true}
        ]},
        {"pid": 6, "name": "Tiny", "windows": [{"id": 7, "frame": [0, 0, 20, 20]}]}
    ]})");
    EXPECT_EQ(WindowSource::visibleCounts(desktop.platform().windowList), (WindowCounts{{5, 2}}));
}

}  // namespace
}  // namespace tandri
