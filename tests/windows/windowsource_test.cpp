#include "windows/windowsource.h"

#include <gtest/gtest.h>

#include <QStringList>
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

AXWindow standard(quint64 handle, const QString& title, bool minimized = false) {
    return AXWindow{{7, handle}, QStringLiteral("AXStandardWindow"), title,
                    minimized,   static_cast<quint32>(handle),       std::nullopt};
}

/// Each window's title, with "(min)" after a minimized one's.
QStringList titles(const std::vector<WindowInfo>& windows) {
    QStringList list;
    for (const auto& window : windows) list << window.title + (window.isMinimized ? "(min)" : "");
    return list;
}

TEST(WindowSourceListing, StandardWindowsInOrderWithTheMinimizedOnesLast) {
    ScriptedAccessibility ax;
    AXWindow sheet = standard(6, "Save?");
    sheet.subrole = QStringLiteral("AXSheet");
    AXWindow palette = standard(7, "Colors");
    palette.subrole = QStringLiteral("AXFloatingWindow");
    AXWindow noSubrole = standard(8, "Bare");
    noSubrole.subrole.reset();
    AXWindow caseDiffers = standard(9, "Odd");
    caseDiffers.subrole = QStringLiteral("axstandardwindow");
    ax.lists[7] = {standard(1, "First"),
                   standard(2, "Second", true),
                   sheet,
                   standard(3, "Third"),
                   palette,
                   standard(4, "Fourth", true),
                   noSubrole,
                   standard(5, "Fifth"),
                   caseDiffers};
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

    ServerWindow onLayer3 = serverWindow(5, 400, 300);
    onLayer3.layer = 3;
    ServerWindow transparent = serverWindow(5, 400, 300);
    transparent.alpha = 0.0;
    ServerWindow faint = serverWindow(6, 400, 300);
    faint.alpha = 0.01;
    ServerWindow noAlpha = serverWindow(6, 400, 300);
    noAlpha.alpha.reset();
    ServerWindow noLayer = serverWindow(5, 400, 300);
    noLayer.layer.reset();
    ServerWindow noOwner = serverWindow(5, 400, 300);
    noOwner.ownerPID.reset();
    ServerWindow noBounds = serverWindow(5, 400, 300);
    noBounds.bounds.reset();
    list.list = std::vector<ServerWindow>{serverWindow(5, 60, 40),
                                          serverWindow(5, 79.5, 60),
                                          serverWindow(5, 80, 59.9),
                                          onLayer3,
                                          transparent,
                                          noLayer,
                                          noOwner,
                                          noBounds,
                                          serverWindow(5, 80, 60),  // just large enough
                                          faint,
                                          noAlpha,
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

TEST(WindowSourceDesktop, ListsTheAppsStandardWindowsInOrder) {
    test::TestDesktop desktop(desktopWithMail);
    const auto windows = WindowSource::windows(desktop.platform().accessibility, 5);
    EXPECT_EQ(titles(windows), (QStringList{"Inbox", "Sent", "", "Draft(min)"}));
    EXPECT_EQ(windows[2].id, 11u);

    desktop.sim().setTrusted(false);
    EXPECT_FALSE(WindowSource::isTrusted(desktop.platform().accessibility));
    EXPECT_TRUE(WindowSource::windows(desktop.platform().accessibility, 5).empty());
    WindowSource::requestAccess(desktop.platform().accessibility);
    EXPECT_EQ(desktop.sim().actions(), std::vector<QString>{"request-access"});
}

TEST(WindowSourceRaise, AMinimizedWindowIsRestoredAndItsAppActivatedThenRaisedAgain) {
    test::TestDesktop desktop(desktopWithMail);
    Platform& platform = desktop.platform();
    const WindowInfo draft = WindowSource::windows(platform.accessibility, 5).back();
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
}

}  // namespace
}  // namespace tandri
