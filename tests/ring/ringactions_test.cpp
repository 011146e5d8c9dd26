// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "diagnostics/menuprobe.h"
#include "platform/sim/simoverlaywindow.h"
#include "platform/workspace.h"
#include "ring/ringharness.h"

namespace tandri::test {
namespace {

using Mode = RingController::Mode;
using Selection = RingController::Selection;

// Three apps with locations (the first with three windows), then the places.
QByteArray actionDesktop() {
    return R"({
      "screens": [{"frame": [0, 0, 1440, 900]}], "pointer": [720, 450], "frontmost": 101,
      "apps": [
        {"pid": 101, "name": "Mail", "bundlePath": "/Applications/Mail.app", "launched": 1,
         "windows": [{"title": "Inbox", "id": 1}, {"title": "Draft", "id": 2},
                     {"title": "Outbox", "id": 3}]},
        {"pid": 102, "name": "Notes", "bundlePath": "/Applications/Notes.app", "launched": 2,
         "windows": [{"title": "List", "id": 4}]},
        {"pid": 103, "name": "Clock", "launched": 3}
      ]})";
}

struct ActionRing {
    ActionRing() : h(actionDesktop()) {
        Workspace& workspace = h.desktop.platform().workspace;
        for (qint32 pid : {101, 102, 103})
            entries.push_back(RingApp::fromRunning(*workspace.runningApp(pid)));
        folder = h.desktop.makeFolder("Inbox folder");
        places.push_back(RingApp::fromFolder(workspace, QUrl::fromLocalFile(folder)));
        places.push_back(RingApp::trash(workspace));
        h.useEntries(entries, places);
    }
    /// Points at entry `index` of the open ring.
    void aim(int index) {
        const RingLayout& layout = h.view().layout;
        h.moveFromCenter(layout.iconBandRadius() + 5, layout.angle(index) * 180 / M_PI);
        ASSERT_EQ(h.selectedApp(), index);
    }
    DragOperation hovering() { return h.view().draggingOperation(); }

    RingHarness h;
    std::vector<RingApp> entries;
    std::vector<RingApp> places;
    QString folder;
};

TEST(RingActions, RightClickShowsTheEntrysMenuAndItsChoiceActsOnceTheRingIsGone) {
    ActionRing r;
    RingHarness& h = r.h;
    // No selection: the ring closes without a menu.
    h.ring.triggerDown();
    h.ring.rightClicked();
    EXPECT_EQ(h.ring.mode(), Mode::Hidden);
    EXPECT_TRUE(h.desktop.sim().shownMenus().empty());

    // An app entry while held: the ring turns sticky, the menu shows the windows the ring has
    // loaded, and dismissing it keeps the ring open.
    h.ring.triggerDown();
    h.load();
    r.aim(0);
    h.ring.rightClicked();
    ASSERT_EQ(h.desktop.sim().shownMenus().size(), 1u);
    const QStringList lines = MenuProbe::dump(h.desktop.sim().shownMenus()[0]);
    EXPECT_EQ(lines.mid(0, 4), (QStringList{"    Inbox", "    Draft", "    Outbox", "  ────"}));
    EXPECT_EQ(lines.last(), "  ⌥ Force Quit");
    EXPECT_EQ(h.ring.mode(), Mode::Sticky);
    EXPECT_FALSE(h.ring.menuOpen());

    // Choosing Quit closes the ring first, then asks the app to quit.
    std::vector<std::pair<QString, Mode>> asked;
    h.desktop.sim().observeActions(
        [&](const QString& action) { asked.emplace_back(action, h.ring.mode()); });
    h.desktop.sim().chooseInNextMenu({"Quit"});
    h.ring.rightClicked();
    EXPECT_EQ(h.ring.mode(), Mode::Hidden);
    const std::pair<QString, Mode> quit("terminate 101", Mode::Hidden);
    EXPECT_NE(std::find(asked.begin(), asked.end(), quit), asked.end())
        << "the app is asked to quit once the ring is gone";
    EXPECT_EQ(h.events, (std::vector<QString>{"opened", "opened", "sticky"}));
    h.desktop.sim().observeActions(nullptr);
}

// A menu up over the ring has the user's attention: the keys, clicks and triggers that reach
// the ring meanwhile do nothing, and dismissing the menu leaves the ring open however it opened.
TEST(RingActions, WhileTheMenuIsUpTheRingTakesNoClicksKeysOrTriggers) {
    for (const bool held : {true, false}) {
        SCOPED_TRACE(held ? "held" : "tapped");
        ActionRing r;
        RingHarness& h = r.h;
        h.open(held);
        h.load();
        r.aim(1);
        h.desktop.sim().clearActions();
        h.desktop.sim().whileNextMenuIsOpen([&] {
            sim::SimOverlayWindow& panel = *h.desktop.sim().panel();
            panel.keyDown({53, 0});  // Escape
            panel.keyDown({36, 0});  // Return
            panel.keyDown({43, KeyEvent::commandFlag});
            panel.mouseDown(MouseButton::Left);
            panel.mouseDown(MouseButton::Right);
            h.desktop.sim().clickInOtherApp();
            h.ring.triggerUp();
            h.ring.triggerDown();
            h.frame(3);
            EXPECT_TRUE(h.ring.menuOpen());
            EXPECT_EQ(h.ring.mode(), Mode::Sticky);
        });
        bool settingsOpened = false;
        h.ring.onOpenSettings = [&] {
            settingsOpened = true;
        };
        h.ring.rightClicked();
        EXPECT_EQ(h.desktop.sim().shownMenus().size(), 1u) << "one menu, none from inside it";
        EXPECT_EQ(h.ring.mode(), Mode::Sticky);
        EXPECT_TRUE(h.desktop.sim().panel()->isVisible());
        EXPECT_FALSE(settingsOpened);
        EXPECT_EQ(h.desktop.sim().actions(), (std::vector<QString>{"menu-dismiss"}));
        // Afterwards the ring answers again.
        h.desktop.sim().panel()->keyDown({53, 0});
        EXPECT_EQ(h.ring.mode(), Mode::Hidden);
    }
}

TEST(RingActions, FoldersAndTheTrashHaveTheirOwnMenusAndTheOverflowNone) {
    ActionRing r;
    RingHarness& h = r.h;
    h.desktop.preferences().setValue(Preferences::appDomain, "apps", "pinnedAndOpen");
    h.ring.openSticky();
    r.aim(3);
    h.desktop.sim().chooseInNextMenu({"Open"});
    h.desktop.sim().clearActions();
    h.ring.rightClicked();
    EXPECT_EQ(MenuProbe::dump(h.desktop.sim().shownMenus().back()),
              (QStringList{"    Open", "    Show in Finder", "  ────", "    Keep on Ring"}));
    EXPECT_EQ(h.ring.mode(), Mode::Hidden);
    EXPECT_TRUE(h.logged("open-url " + QUrl::fromLocalFile(r.folder).toString()));

    h.ring.openSticky();
    r.aim(4);
    h.ring.rightClicked();
    EXPECT_EQ(MenuProbe::dump(h.desktop.sim().shownMenus().back()), QStringList{"    Open"});

    // Thirty apps leave an overflow entry: a right-click there does nothing at all.
    h.ring.triggerUp();
    RingHarness many(desktopWithApps(1));
    many.useEntries(runningApps(30));
    many.ring.triggerDown();
    const RingLayout& layout = many.view().layout;
    const int overflow = static_cast<int>(many.ring.apps().size()) - 1;
    ASSERT_EQ(many.ring.apps()[size_t(overflow)].kind, RingApp::Kind::More);
    many.moveFromCenter(layout.radius, layout.angle(overflow) * 180 / M_PI);
    ASSERT_EQ(many.selectedApp(), overflow);
    many.view().mouseDown(MouseButton::Right);
    EXPECT_EQ(many.ring.mode(), Mode::Holding);
    EXPECT_TRUE(many.desktop.sim().shownMenus().empty());
    // Nor does it take drops.
    EXPECT_EQ(many.view().draggingOperation(), DragOperation::None);
    EXPECT_FALSE(many.view().performDragOperation({QUrl::fromLocalFile("/tmp/x")}));
    EXPECT_EQ(many.ring.mode(), Mode::Holding);
}

TEST(RingActions, DropsFollowWhatThePointerIsOn) {
    ActionRing r;
    RingHarness& h = r.h;
    h.desktop.makeFile("Inbox folder/letter.txt", "l");
    h.ring.openSticky();
    EXPECT_EQ(h.ring.dropTarget(), std::nullopt);  // nothing selected yet
    EXPECT_EQ(r.hovering(), DragOperation::None);
    r.aim(0);
    EXPECT_EQ(h.ring.dropTarget(), DropTarget::openWith(*r.entries[0].url));
    EXPECT_EQ(r.hovering(), DragOperation::Copy);
    r.aim(2);  // an app without a location takes nothing
    EXPECT_EQ(h.ring.dropTarget(), std::nullopt);
    r.aim(3);
    EXPECT_EQ(h.ring.dropTarget(), DropTarget::moveInto(QUrl::fromLocalFile(r.folder)));
    EXPECT_EQ(r.hovering(), DragOperation::Move);
    r.aim(4);
    EXPECT_EQ(h.ring.dropTarget(), DropTarget::trash());
    EXPECT_EQ(r.hovering(), DragOperation::Move);

    // A window chip stands for its app.
    h.load();
    r.aim(0);
    h.load();
    h.frame();
    ASSERT_EQ(h.view().chips().size(), 3u);
    h.moveTo(h.view().chips()[1].frame.center());
    ASSERT_EQ(h.ring.selection(), (Selection{0, 1}));
    EXPECT_EQ(h.ring.dropTarget(), DropTarget::openWith(*r.entries[0].url));

    // A folder's files take nothing; the chip that stands for the folder takes them in.
    r.aim(3);
    h.load();
    h.frame();
    ASSERT_EQ(h.view().chips().size(), 2u);
    h.moveTo(h.view().chips()[0].frame.center());
    ASSERT_EQ(h.ring.selection(), (Selection{3, 0}));
    EXPECT_EQ(h.ring.dropTarget(), std::nullopt);
    h.moveTo(h.view().chips()[1].frame.center());
    ASSERT_EQ(h.ring.selection(), (Selection{3, 1}));
    EXPECT_EQ(h.ring.dropTarget(), DropTarget::moveInto(QUrl::fromLocalFile(r.folder)));

    // Dropping there closes the ring and moves the file in.
    const QString report = h.desktop.makeFile("Desk/report.pdf", "r");
    EXPECT_TRUE(h.view().performDragOperation({QUrl::fromLocalFile(report)}));
    EXPECT_EQ(h.ring.mode(), Mode::Hidden);
    EXPECT_FALSE(QFileInfo::exists(report));
    EXPECT_TRUE(QFileInfo::exists(r.folder + "/report.pdf"));
    // With the ring gone nothing takes a drop.
    EXPECT_FALSE(h.ring.drop({QUrl::fromLocalFile(r.folder + "/letter.txt")}));
    EXPECT_TRUE(QFileInfo::exists(r.folder + "/letter.txt"));
}

}  // namespace
}  // namespace tandri::test
