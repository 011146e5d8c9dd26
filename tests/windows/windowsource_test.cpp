// SPDX-License-Identifier: MIT
#include "windows/windowsource.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <functional>
#include <map>

#include "platform/accessibility.h"
#include "platform/windowlist.h"
#include "platform/workspace.h"
#include "support/testdesktop.h"

namespace tandri {
namespace {

// Answers with scripted raw window lists, so every optional attribute can be left out.
class ScriptedAccessibility : public Accessibility {
public:
    std::map<qint32, std::vector<AXWindow>> lists;

    bool isTrusted() const override { return true; }
    void requestAccess() override {}
    std::vector<AXWindow> windows(qint32 pid) const override {
        auto found = lists.find(pid);
        return found == lists.end() ? std::vector<AXWindow>{} : found->second;
    }
    void setMinimized(const WindowElement&, bool) override {}
    void setMain(const WindowElement&) override {}
    void raise(const WindowElement&) override {}
    std::optional<std::vector<AXMenu>> menuBar(qint32) const override { return std::nullopt; }
    int fileMenuIndex() const override { return 0; }
    void press(const MenuElement&) override {}
};

class ScriptedWindowList : public WindowList {
public:
    std::optional<std::vector<ServerWindow>> list;
    std::optional<std::vector<ServerWindow>> onScreenWindows() const override { return list; }
    bool screenCaptureAllowed() const override { return false; }
};

AXWindow standard(quint64 handle, const QString& title, bool minimized = false,
                  std::optional<QString> subrole = QStringLiteral("AXStandardWindow")) {
    return AXWindow{{7, handle}, std::move(subrole), title, minimized, quint32(handle), {}};
}

/// Each window's title, with "(min)" after a minimized one's.
QStringList titles(const std::vector<WindowInfo>& windows) {
    QStringList list;
    for (const auto& window : windows) list << window.title + (window.isMinimized ? "(min)" : "");
    return list;
}

TEST(WindowSourceListing, StandardWindowsInOrderWithTheMinimizedOnesLast) {
    ScriptedAccessibility ax;
    ax.lists[7] = {standard(1, "First"),
                   standard(2, "Second", true),
                   standard(6, "Save?", false, "AXSheet"),
                   standard(3, "Third"),
                   standard(7, "Colors", false, "AXFloatingWindow"),
                   standard(4, "Fourth", true),
                   standard(8, "Bare", false, std::nullopt),
                   standard(5, "Fifth"),
                   standard(9, "Odd", false, "axstandardwindow")};
    const auto windows = WindowSource::windows(ax, 7);
    EXPECT_EQ(titles(windows),
              (QStringList{"First", "Third", "Fifth", "Second(min)", "Fourth(min)"}));
    EXPECT_EQ(windows[3].element, (WindowElement{7, 2}));
    // Missing attributes read as neutral values.
    ax.lists[7] = {AXWindow{{7, 1000001},
                            QStringLiteral("AXStandardWindow"),
                            std::nullopt,
                            std::nullopt,
                            std::nullopt,
                            std::nullopt}};
    const auto bare = WindowSource::windows(ax, 7);
    ASSERT_EQ(titles(bare), QStringList{""});
    EXPECT_FALSE(bare[0].id.has_value());
    EXPECT_EQ(bare[0].element, (WindowElement{7, 1000001}));
    // Several processes get one key each, those without windows an empty list.
    ax.lists[7] = {standard(1, "A"), standard(2, "B")};
    const auto table = WindowSource::windows(ax, std::vector<qint32>{7, 9, 7});
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(titles(table.at(7)), (QStringList{"A", "B"}));
    EXPECT_TRUE(table.at(9).empty());
    EXPECT_TRUE(WindowSource::windows(ax, std::vector<qint32>{}).empty());
}

ServerWindow serverWindow(qint64 pid, double width, double height) {
    return ServerWindow{0, pid, QRectF(0, 0, width, height), 1.0, std::nullopt};
}

TEST(WindowSourceCounts, OnlyOrdinaryVisibleLargeEnoughWindowsCount) {
    ScriptedWindowList list;
    EXPECT_TRUE(WindowSource::visibleCounts(list).empty());  // no window list
    list.list = std::vector<ServerWindow>{};
    EXPECT_TRUE(WindowSource::visibleCounts(list).empty());
    // A window of 400 × 300 changed in one way.
    const auto changed = [](qint64 pid, const std::function<void(ServerWindow&)>& change) {
        ServerWindow window = serverWindow(pid, 400, 300);
        change(window);
        return window;
    };
    list.list = std::vector<ServerWindow>{serverWindow(5, 60, 40),
                                          serverWindow(5, 79.5, 60),
                                          serverWindow(5, 80, 59.9),
                                          changed(5, [](ServerWindow& w) { w.layer = 3; }),
                                          changed(5, [](ServerWindow& w) { w.alpha = 0.0; }),
                                          changed(5, [](ServerWindow& w) { w.layer.reset(); }),
                                          changed(5, [](ServerWindow& w) { w.ownerPID.reset(); }),
                                          changed(5, [](ServerWindow& w) { w.bounds.reset(); }),
                                          serverWindow(5, 80, 60),  // just large enough
                                          changed(6, [](ServerWindow& w) { w.alpha = 0.01; }),
                                          changed(6, [](ServerWindow& w) { w.alpha.reset(); }),
                                          serverWindow(7, 10, 10)};
    EXPECT_EQ(WindowSource::visibleCounts(list), (WindowCounts{{5, 1}, {6, 2}}));
}

constexpr const char* desktopWithMail = R"({"apps": [
    {"pid": 5, "name": "Mail", "bundlePath": "/Applications/Mail.app", "launched": 1,
     "windows": [{"title": "Inbox", "id": 7}, {"title": "Draft", "id": 8, "minimized": true},
                 {"title": "Sent", "id": 9},
                 {"title": "Find", "id": 10, "subrole": "AXFloatingWindow"},
                 {"id": 11}]},
    {"pid": 6, "name": "Notes", "hidden": true, "windows": [{"title": "Note", "id": 20}]}
]})";

TEST(WindowSourceDesktop, AMinimizedWindowIsRestoredAndItsAppActivatedThenRaisedAgain) {
    test::TestDesktop desktop(desktopWithMail);
    Platform& platform = desktop.platform();
    const auto windows = WindowSource::windows(platform.accessibility, 5);
    EXPECT_EQ(titles(windows), (QStringList{"Inbox", "Sent", "", "Draft(min)"}));
    EXPECT_EQ(windows[2].id, 11u);
    const WindowInfo draft = windows.back();

    WindowSource::raise(platform, draft, *platform.workspace.runningApp(5));
    EXPECT_EQ(desktop.sim().actions(),
              (std::vector<QString>{"set-minimized 8 false", "set-main 8", "raise 8",
                                    "open-app /Applications/Mail.app activates=true"}));
    // The second raise comes once the app is active, on the main thread.
    desktop.queues().drain();
    EXPECT_EQ(desktop.sim().actions().back(), "raise 8");
    EXPECT_EQ(desktop.sim().actions().size(), 5u);
    EXPECT_EQ(platform.workspace.frontmostPID(), 5);
    EXPECT_EQ(titles(WindowSource::windows(platform.accessibility, 5)).front(), "Draft");
    // A hidden app is unhidden, and an open window is not restored.
    desktop.sim().clearActions();
    const WindowInfo note = WindowSource::windows(platform.accessibility, 6).front();
    WindowSource::raise(platform, note, *platform.workspace.runningApp(6));
    desktop.queues().drain();
    EXPECT_EQ(desktop.sim().actions(), (std::vector<QString>{"set-main 20", "raise 20", "unhide 6",
                                                             "activate 6", "raise 20"}));
    // A window closed meanwhile still brings its app forward.
    const WindowInfo gone{QStringLiteral("Gone"), false, WindowElement{5, 99}, 99u, std::nullopt};
    WindowSource::raise(platform, gone, *platform.workspace.runningApp(5));
    desktop.queues().drain();
    EXPECT_EQ(platform.workspace.frontmostPID(), 5);
    // Without the permission there is nothing to list, and it can be asked for.
    desktop.sim().clearActions();
    desktop.sim().setTrusted(false);
    EXPECT_FALSE(WindowSource::isTrusted(platform.accessibility));
    EXPECT_TRUE(WindowSource::windows(platform.accessibility, 5).empty());
    WindowSource::requestAccess(platform.accessibility);
    EXPECT_EQ(desktop.sim().actions(), std::vector<QString>{"request-access"});
}

}  // namespace
}  // namespace tandri
