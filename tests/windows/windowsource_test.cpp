#include <gtest/gtest.h>

#include <QStringList>
#include <map>

#include "platform/accessibility.h"
#include "platform/windowlist.h"
#include "windows/windowsource.h"

namespace tandri {
namespace {

// Answers with scripted raw window lists, so every optional attribute can be left out.
class ScriptedAccessibility : public Accessibility {
public:
    std::map<qint32, std::vector<AXWindow>> lists;
    mutable std::vector<qint32> asked;

    bool isTrusted() const override { return true; }
    void requestAccess() override {}
    std::vector<AXWindow> windows(qint32 pid) const override {
        asked.push_back(pid);
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

AXWindow standard(qint32 pid, quint64 handle, const QString& title, bool minimized = false) {
    return AXWindow{{pid, handle}, QStringLiteral("AXStandardWindow"), title,
                    minimized,     static_cast<quint32>(handle),       std::nullopt};
}

QStringList titles(const std::vector<WindowInfo>& windows) {
    QStringList list;
    for (const auto& window : windows) list << window.title;
    return list;
}

TEST(WindowSourceListing, MinimizedWindowsGoLastKeepingTheirOrder) {
    ScriptedAccessibility ax;
    ax.lists[7] = {standard(7, 1, "First"), standard(7, 2, "Second", true), standard(7, 3, "Third"),
                   standard(7, 4, "Fourth", true), standard(7, 5, "Fifth")};
    const auto windows = WindowSource::windows(ax, 7);
    EXPECT_EQ(titles(windows), (QStringList{"First", "Third", "Fifth", "Second", "Fourth"}));
    EXPECT_FALSE(windows[2].isMinimized);
    EXPECT_TRUE(windows[3].isMinimized);
    EXPECT_EQ(windows[3].element, (WindowElement{7, 2}));
}

TEST(WindowSourceListing, OnlyStandardWindowsAreListed) {
    ScriptedAccessibility ax;
    AXWindow sheet = standard(7, 2, "Save?");
    sheet.subrole = QStringLiteral("AXSheet");
    AXWindow palette = standard(7, 3, "Colors");
    palette.subrole = QStringLiteral("AXFloatingWindow");
    AXWindow noSubrole = standard(7, 4, "Bare");
    noSubrole.subrole.reset();
    AXWindow caseDiffers = standard(7, 5, "Odd");
    caseDiffers.subrole = QStringLiteral("axstandardwindow");
    ax.lists[7] = {sheet, standard(7, 1, "Document"), palette, noSubrole, caseDiffers};
    EXPECT_EQ(titles(WindowSource::windows(ax, 7)), QStringList{"Document"});
}

TEST(WindowSourceListing, MissingAttributesReadAsNeutralValues) {
    ScriptedAccessibility ax;
    AXWindow bare{{7, 1000001}, QStringLiteral("AXStandardWindow"),
                  std::nullopt, std::nullopt,
                  std::nullopt, std::nullopt};
    ax.lists[7] = {bare};
    const auto windows = WindowSource::windows(ax, 7);
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(windows[0].title, QString());
    EXPECT_FALSE(windows[0].isMinimized);
    EXPECT_FALSE(windows[0].id.has_value());
    EXPECT_EQ(windows[0].element, (WindowElement{7, 1000001}));
}

TEST(WindowSourceListing, SeveralProcessesGetOneKeyEach) {
    ScriptedAccessibility ax;
    ax.lists[7] = {standard(7, 1, "A"), standard(7, 2, "B")};
    const auto table = WindowSource::windows(ax, std::vector<qint32>{7, 9, 7});
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(titles(table.at(7)), (QStringList{"A", "B"}));
    // A process without windows is still answered, with an empty list.
    EXPECT_TRUE(table.at(9).empty());
    EXPECT_TRUE(WindowSource::windows(ax, std::vector<qint32>{}).empty());
}

ServerWindow serverWindow(qint64 pid, double width, double height) {
    return ServerWindow{0, pid, QRectF(0, 0, width, height), 1.0, std::nullopt};
}

TEST(WindowSourceCounts, OnlyOrdinaryVisibleLargeEnoughWindowsCount) {
    ScriptedWindowList list;
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
    list.list =
        std::vector<ServerWindow>{serverWindow(5, 60, 40),
                                  serverWindow(5, 79.5, 60),
                                  serverWindow(5, 80, 59.9),
                                  onLayer3,
                                  transparent,
                                  noLayer,
                                  noOwner,
                                  noBounds,
                                  serverWindow(5, 80, 60),  // exactly at the threshold: counted
                                  faint,
                                  noAlpha,
                                  serverWindow(7, 10, 10)};
    const auto counts = WindowSource::visibleCounts(list);
    EXPECT_EQ(counts, (WindowCounts{{5, 1}, {6, 2}}));
}

TEST(WindowSourceCounts, NoWindowListGivesNoCounts) {
    ScriptedWindowList list;
    EXPECT_TRUE(WindowSource::visibleCounts(list).empty());
    list.list = std::vector<ServerWindow>{};
    EXPECT_TRUE(WindowSource::visibleCounts(list).empty());
}

}  // namespace
}  // namespace tandri
