// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/accessibility.h"
#include "platform/sim/simtesting.h"
#include "platform/windowlist.h"
#include "platform/workspace.h"

namespace tandri::sim {
namespace {

using testing::describe;
using testing::load;
using Actions = std::vector<QString>;

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

class SimWindowsTest : public ::testing::Test {
protected:
    // The app's windows front to back, minimized ones in brackets.
    std::string windowsOf(qint32 pid) {
        std::string line;
        for (const AXWindow& window : ax.windows(pid)) {
            const std::string title = window.title.value_or("-").toStdString();
            line += (line.empty() ? "" : " ") +
                    (window.minimized.value_or(false) ? "[" + title + "]" : title);
        }
        return line;
    }
    // The numbers of the windows on screen, 0 for one without.
    std::vector<quint32> onScreen() {
        std::vector<quint32> ids;
        const auto windows = desktop->windowList().onScreenWindows();
        for (const auto& window : windows.value()) ids.push_back(window.windowID.value_or(0));
        return ids;
    }

    std::unique_ptr<SimDesktop> desktop = load(desktopJson);
    Accessibility& ax = desktop->accessibility();
};

TEST_F(SimWindowsTest, ListsTheAppsWindowsInItsOwnOrderOnlyWithPermission) {
    EXPECT_EQ(windowsOf(1), "Inbox [Draft] Sent");
    EXPECT_EQ(ax.windows(1)[1].windowID, 12u);
    EXPECT_EQ(windowsOf(2), "Music") << "a hidden app still has its windows";
    EXPECT_EQ(windowsOf(3), "") << "nor do apps that do not run";
    EXPECT_EQ(windowsOf(99), "");
    desktop->setTrusted(false);
    EXPECT_FALSE(ax.isTrusted());
    EXPECT_EQ(windowsOf(1), "");
    desktop->setTrusted(true);
    EXPECT_EQ(windowsOf(1), "Inbox [Draft] Sent");
    // Capturing the screen is a permission of its own.
    desktop->setScreenCapture(true);
    EXPECT_TRUE(desktop->windowList().screenCaptureAllowed());
    desktop->setScreenCapture(false);
    EXPECT_FALSE(desktop->windowList().screenCaptureAllowed());
}

TEST_F(SimWindowsTest, RaiseMovesTheWindowToTheFrontOfItsApp) {
    const WindowElement sent = ax.windows(1)[2].element;
    ax.raise(sent);
    EXPECT_EQ(windowsOf(1), "Sent Inbox [Draft]");
    ax.raise(ax.windows(1)[2].element);
    EXPECT_EQ(windowsOf(1), "[Draft] Sent Inbox");
    EXPECT_EQ(desktop->actions(), (Actions{"raise " + QString::number(sent.handle), "raise 12"}));
}

TEST_F(SimWindowsTest, MinimizingTakesAWindowOffScreenAndBack) {
    // Minimized windows, hidden apps and terminated apps are not on screen.
    EXPECT_EQ(onScreen(), (std::vector<quint32>{11, 0}));
    ax.setMinimized({1, 12}, false);
    EXPECT_EQ(windowsOf(1), "Inbox Draft Sent");
    EXPECT_EQ(onScreen(), (std::vector<quint32>{11, 12, 0}));
    ax.setMinimized({1, 11}, true);
    EXPECT_EQ(windowsOf(1), "[Inbox] Draft Sent");
    EXPECT_EQ(onScreen(), (std::vector<quint32>{12, 0}));
    ax.setMain({1, 12});
    EXPECT_EQ(desktop->actions(),
              (Actions{"set-minimized 12 false", "set-minimized 11 true", "set-main 12"}));
    // Unhiding an app puts its windows back on screen.
    desktop->workspace().activate(2);
    EXPECT_EQ(onScreen(), (std::vector<quint32>{12, 0, 21}));
}

TEST_F(SimWindowsTest, ActingOnAVanishedWindowOrWithoutPermissionOnlyLogs) {
    ax.raise({1, 777});
    ax.setMinimized({1, 777}, true);
    // The handle of another app's window does not reach it through this app.
    ax.raise({1, 21});
    ax.setMinimized({1, 21}, true);
    ax.setMinimized({99, 11}, true);
    desktop->setTrusted(false);
    ax.raise({1, 12});
    ax.setMinimized({1, 11}, true);
    ax.requestAccess();
    desktop->setTrusted(true);
    EXPECT_EQ(windowsOf(1), "Inbox [Draft] Sent");
    EXPECT_EQ(windowsOf(2), "Music");
    EXPECT_EQ(desktop->actions().size(), 8u);
    EXPECT_EQ(desktop->actions().back(), "request-access");
}

TEST_F(SimWindowsTest, ListingFromAnotherThreadWhileTheMainThreadActs) {
    std::atomic<bool> stop = false;
    std::atomic<int> badLists = 0;
    std::thread lister([&] {
        while (!stop)
            badLists += ax.windows(1).size() != 3 || !desktop->windowList().onScreenWindows();
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
