// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "x11appsfixture.h"

namespace tandri::x11::test {
namespace {

TEST_F(X11Apps, EveryProcessWithWindowsIsOneAppNamedByItsEntry) {
    ASSERT_TRUE(alpha_.window && beta_.window && clock_.window);
    const auto apps = workspace_->runningApps();
    const auto alpha = app(apps, alpha_.pid), beta = app(apps, beta_.pid);
    const auto clock = app(apps, clock_.pid);
    ASSERT_TRUE(alpha && beta && clock);
    auto position = [&](qint32 pid) {
        return std::find_if(apps.begin(), apps.end(), [&](auto& a) { return a.pid == pid; }) -
               apps.begin();
    };
    EXPECT_LT(position(alpha_.pid), position(beta_.pid)) << "in the order the windows came";
    EXPECT_LT(position(beta_.pid), position(clock_.pid));

    EXPECT_EQ(clock->bundleID, "tandri-test-clock") << "StartupWMClass=XClock of the user's entry";
    EXPECT_EQ(clock->localizedName, "Test Clock");
    EXPECT_EQ(clock->bundleURL, QUrl::fromLocalFile(clockEntry_));
    ASSERT_EQ(clock->icon.size(), QSize(128, 128)) << "the entry's 32-pixel icon, scaled";
    EXPECT_EQ(clock->icon.pixelColor(64, 64), QColor(Qt::red));

    const QString xtermEntry = QStringLiteral("/usr/share/applications/debian-xterm.desktop");
    for (const auto& xterm : {*alpha, *beta}) {
        if (QFile::exists(xtermEntry)) {
            EXPECT_EQ(xterm.bundleID, "debian-xterm");
            EXPECT_EQ(xterm.localizedName, "XTerm");
            EXPECT_EQ(xterm.bundleURL, QUrl::fromLocalFile(xtermEntry));
        }
        // Its own picture (an SVG or a pixmap), never the drawn initial.
        EXPECT_NE(xterm.icon, DrawnIcons().appIcon(*xterm.localizedName, std::nullopt));
    }

    const double now = double(QDateTime::currentSecsSinceEpoch());
    for (const auto& a : {*alpha, *beta, *clock}) {
        ASSERT_TRUE(a.launchDate);
        EXPECT_GE(*a.launchDate, started_ - 2);
        EXPECT_LE(*a.launchDate, now + 2);
        EXPECT_EQ(a.activationPolicy, RunningApp::regularPolicy);
        EXPECT_FALSE(a.hidden);
        EXPECT_FALSE(a.terminated);
    }
    EXPECT_LE(*alpha->launchDate, *clock->launchDate);

    EXPECT_EQ(workspace_->ownPID(), self);
    EXPECT_EQ(workspace_->runningApp(clock_.pid)->bundleID, "tandri-test-clock");
    EXPECT_FALSE(workspace_->runningApp(0x3fffff));
}

TEST_F(X11Apps, ClientsWithoutAProcessOfThisMachineAreGroupedByClass) {
    HandMadeWindows hand;
    const XID first = hand.make(orphan("Orphan One", "orphan", "Orphan"));
    const XID second = hand.make(orphan("Orphan Two", "orphan", "Orphan"));
    const XID remote = hand.make(
        {.title = "Far", .instance = "far", .wmClass = "Far", .machine = "elsewhere.invalid"});
    // A class named in the pixmaps folder has that picture, the largest of its sizes.
    const XID sized = hand.make(orphan("Sized", "sized", "Sized"));
    ASSERT_TRUE(managed({first, second, remote, sized}));

    const qint32 orphans = X11Accessibility::classPID(QStringLiteral("Orphan"));
    EXPECT_GE(orphans, 0x40000000);
    EXPECT_NE(orphans, X11Accessibility::classPID(QStringLiteral("Far")));
    const auto apps = workspace_->runningApps();
    const auto group = app(apps, orphans);
    ASSERT_TRUE(group);
    EXPECT_EQ(group->localizedName, "Orphan");
    EXPECT_FALSE(group->launchDate);
    EXPECT_FALSE(group->bundleID);
    EXPECT_EQ(group->icon.size(), QSize(128, 128)) << "the window's icon or a drawn initial";
    const auto sizedApp = app(apps, X11Accessibility::classPID("Sized"));
    ASSERT_TRUE(sizedApp);
    EXPECT_EQ(sizedApp->icon.pixelColor(64, 64), QColor(Qt::red));
    EXPECT_EQ(titles(orphans), QStringList({"Orphan Two", "Orphan One"}));

    const qint32 far = X11Accessibility::classPID(QStringLiteral("Far"));
    EXPECT_TRUE(app(apps, far)) << "another machine's pid is no process here";
    EXPECT_EQ(titles(far), QStringList({"Far"}));
    EXPECT_FALSE(titles(self).contains(QStringLiteral("Far")));

    // The window list names the same owners.
    const auto list = windowList_->onScreenWindows();
    ASSERT_TRUE(list && onScreen(*list, first) && onScreen(*list, remote));
    EXPECT_EQ(onScreen(*list, first)->ownerPID, orphans);
    EXPECT_EQ(onScreen(*list, remote)->ownerPID, far);

    hand.destroy(first);
    hand.destroy(second);
    ASSERT_TRUE(gone(first) && gone(second));
    EXPECT_FALSE(workspace_->runningApp(orphans));
    EXPECT_TRUE(accessibility_->windows(orphans).empty());
}

TEST_F(X11Apps, WindowsComeFrontToBackWithTheirKindsAndRaiseReorders) {
    HandMadeWindows hand;
    const XID gamma = hand.make({.title = "Gämma"});
    ASSERT_TRUE(managed({gamma}));
    const XID delta = hand.make({.title = "Delta"});
    const XID dialog = hand.make({.title = "Save?", .transientFor = xcb_window_t(delta)});
    const XID palette = hand.make({.title = "Tools", .type = "_NET_WM_WINDOW_TYPE_UTILITY"});
    ASSERT_TRUE(managed({delta, dialog, palette}));
    // A dialog is transient for another window.
    ASSERT_TRUE(becomes(kinds, self,
                        {"Tools AXFloatingWindow", "Save? AXDialog", "Delta AXStandardWindow",
                         "Gämma AXStandardWindow"}));
    const auto windows = accessibility_->windows(self);
    ASSERT_EQ(windows.size(), 4u);
    EXPECT_EQ(windows[3].element, (WindowElement{self, gamma}));
    EXPECT_EQ(windows[3].windowID, quint32(gamma));
    EXPECT_EQ(windows[3].minimized, false);

    accessibility_->raise(windows[3].element);
    ASSERT_TRUE(waitForActive(gamma));
    EXPECT_TRUE(waitForEvents([&] { return titles(self).first() == "Gämma"; }));
    EXPECT_TRUE(becomesFrontmost(self));

    accessibility_->setMain(windows[2].element);
    ASSERT_TRUE(waitForActive(delta));
    EXPECT_TRUE(waitForEvents(
        [&] { return titles(self).indexOf("Delta") < titles(self).indexOf("Gämma"); }));

    // The xterms' own windows, each alone in its process.
    EXPECT_EQ(kinds(alpha_.pid), QStringList{"Alpha AXStandardWindow"});
    EXPECT_EQ(accessibility_->windows(alpha_.pid).at(0).windowID, quint32(alpha_.window));
}

TEST_F(X11Apps, MinimizingHidesAWindowAndActivatingBringsItBack) {
    const WindowElement beta{beta_.pid, beta_.window};
    ASSERT_TRUE(xdotool({"windowminimize", QString::number(beta_.window)}));
    ASSERT_TRUE(waitForEvents([&] { return minimized(beta_.pid, beta_.window) == true; }));
    EXPECT_TRUE(hidden(beta_.pid)) << "its only window is minimized";
    auto list = windowList_->onScreenWindows();
    ASSERT_TRUE(list);
    EXPECT_FALSE(onScreen(*list, beta_.window)) << "a minimized window is not on screen";
    EXPECT_EQ(WindowSource::visibleCounts(*windowList_).count(beta_.pid), 0u);

    // The window manager may mark the window active before it clears its hidden state.
    accessibility_->setMinimized(beta, false);
    ASSERT_TRUE(waitForActive(beta_.window));
    EXPECT_TRUE(waitForEvents([&] { return minimized(beta_.pid, beta_.window) == false; }));
    EXPECT_FALSE(hidden(beta_.pid));
    EXPECT_TRUE(becomesFrontmost(beta_.pid));

    accessibility_->setMinimized(beta, true);
    ASSERT_TRUE(waitForEvents([&] { return minimized(beta_.pid, beta_.window) == true; }));
    workspace_->activate(beta_.pid);
    ASSERT_TRUE(waitForActive(beta_.window)) << "activating de-minimizes";
    EXPECT_TRUE(waitForEvents([&] { return minimized(beta_.pid, beta_.window) == false; }));

    ASSERT_TRUE(activate(alpha_));
    EXPECT_TRUE(becomesFrontmost(alpha_.pid));
}

// The main window is the front one that is not minimized; hiding minimizes every window, and
// unhiding brings them all back.
TEST_F(X11Apps, HideMinimizesEveryWindowAndUnhideRestoresThem) {
    HandMadeWindows hand;
    const XID one = hand.make({.title = "One"});
    const XID two = hand.make({.title = "Two"});
    ASSERT_TRUE(managed({one, two}));
    ASSERT_TRUE(waitForActive(two));
    EXPECT_TRUE(becomes(states, self, {"One", "Two*"}));

    accessibility_->setMinimized({self, two}, true);
    EXPECT_TRUE(becomes(states, self, {"One*", "Two_"}));
    EXPECT_FALSE(hidden(self)) << "One is still open";

    workspace_->hide(self);
    EXPECT_TRUE(becomes(states, self, {"One_", "Two_"})) << "none is main";
    EXPECT_TRUE(hidden(self));
    workspace_->hide(self);  // again: nothing changes
    EXPECT_TRUE(hidden(self));
    workspace_->hide(0x3ffffff);  // no such app: nothing happens

    workspace_->unhide(self);
    ASSERT_TRUE(waitForEvents(
        [&] { return minimized(self, one) == false && minimized(self, two) == false; }));
    EXPECT_FALSE(hidden(self));
}

// The session's window manager has four desktops. What the user is on comes first, the other
// desktops' windows follow and are reached by switching there; a sticky window is everywhere.
TEST_F(X11Apps, WindowsOfOtherDesktopsFollowAndPickingOneSwitchesThere) {
    ASSERT_EQ(currentDesktop(), 0ul);
    // Whatever fails, the suite's other tests go on with desktops, on the first one.
    struct BackToFirstDesktop {
        ~BackToFirstDesktop() {
            if (!currentDesktop())
                setDesktops(true);
            xdotool({"set_desktop", "0"});
            EXPECT_TRUE(waitForDesktop(0));
        }
    } restore;
    HandMadeWindows hand;
    const XID here = hand.make({.title = "Here"});
    const XID everywhere = hand.make({.title = "Everywhere", .desktop = 0xffffffff});
    ASSERT_TRUE(managed({here, everywhere}));
    const XID there = hand.make({.title = "There"});
    ASSERT_TRUE(managed({there}));
    ASSERT_TRUE(waitForActive(there));
    // Sent away as a user sends it: above the others, out of sight.
    ASSERT_TRUE(sendToDesktop(there, 1));
    ASSERT_EQ(topWindow(), there);
    ASSERT_EQ(currentDesktop(), 0ul);

    EXPECT_EQ(titles(self), QStringList({"Everywhere", "Here", "There"}));
    // The main window is one the user can see; elsewhere is not minimized.
    EXPECT_EQ(states(self), QStringList({"Everywhere*", "Here", "There"}));
    EXPECT_FALSE(hidden(self));
    const auto list = windowList_->onScreenWindows();
    ASSERT_TRUE(list);
    EXPECT_TRUE(onScreen(*list, here) && onScreen(*list, everywhere));
    EXPECT_FALSE(onScreen(*list, there)) << "counted only where the user sees it";

    // Activating the app brings its window here forward, not the one stacked higher elsewhere.
    EXPECT_EQ(activeAfter([&] { workspace_->activate(self); }), everywhere);
    EXPECT_EQ(currentDesktop(), 0ul);

    // Picking the window elsewhere goes there; the sticky window is there too.
    accessibility_->raise({self, there});
    EXPECT_TRUE(waitForDesktop(1));
    EXPECT_TRUE(waitForActive(there));
    EXPECT_TRUE(becomes(titles, self, {"There", "Everywhere", "Here"}));

    // A window moved to another desktop after it was listed is found where it is now.
    ASSERT_TRUE(sendToDesktop(here, 2));
    accessibility_->raise({self, here});
    EXPECT_TRUE(waitForDesktop(2));
    EXPECT_TRUE(waitForActive(here));

    // Without desktops every window is where the user is: the plain front-to-back order.
    xdotool({"set_desktop", "0"});
    ASSERT_TRUE(waitForDesktop(0));
    setDesktops(false);
    QStringList stacked;
    for (XID window : connection_->windows(connection_->root(), "_NET_CLIENT_LIST_STACKING")) {
        if (window == here || window == there || window == everywhere)
            stacked.prepend(window == here ? "Here" : window == there ? "There" : "Everywhere");
    }
    EXPECT_EQ(titles(self), stacked);
    EXPECT_EQ(titles(self).size(), 3);
    setDesktops(true);
    // A window that is gone between the listing and the pick is left alone.
    hand.destroy(there);
    ASSERT_TRUE(gone(there));
    EXPECT_EQ(activeAfter([&] {
                  accessibility_->raise({self, there});
                  workspace_->activate(self);
              }),
              everywhere);
    EXPECT_EQ(currentDesktop(), 0ul);
}

// Listings keep what the clients said; each must still see every change made before it began.
// The changes are complete at the server before the listing, so it sees them at once.
TEST_F(X11Apps, AListingSeesWhatChangedSinceTheLastOne) {
    HandMadeWindows hand;
    const XID first = hand.make({.title = "First"});
    ASSERT_TRUE(managed({first}));
    ASSERT_TRUE(waitForEvents([&] { return desktopOf(first) == 0ul; }));
    EXPECT_EQ(titles(self), QStringList({"First"}));

    hand.retitle(first, "First, renamed");
    EXPECT_EQ(titles(self), QStringList({"First, renamed"}));
    const XID second = hand.make({.title = "Second"});
    ASSERT_TRUE(managed({second}));
    ASSERT_TRUE(waitForEvents([&] { return desktopOf(second) == 0ul; }));
    EXPECT_EQ(titles(self).size(), 2);
    EXPECT_TRUE(titles(self).contains("Second"));

    // Sent to another desktop: listed after the windows of this one.
    ASSERT_TRUE(sendToDesktop(second, 1));
    EXPECT_EQ(titles(self), QStringList({"First, renamed", "Second"}));
    ASSERT_TRUE(sendToDesktop(first, 1) && sendToDesktop(second, 0));
    EXPECT_EQ(titles(self), QStringList({"Second", "First, renamed"}));

    hand.destroy(first);
    ASSERT_TRUE(gone(first));
    EXPECT_EQ(titles(self), QStringList({"Second"}));

    // A window's id goes to the next window made with it, here of a client without a process.
    const XID id = hand.make({.title = "Old", .instance = "reused", .wmClass = "Reused"});
    ASSERT_TRUE(waitForEvents([&] { return isManaged(id) && desktopOf(id); }));
    EXPECT_EQ(titles(self), QStringList({"Old", "Second"}));
    hand.destroy(id);
    hand.make(orphan("New", "reused", "Reused"), xcb_window_t(id));
    // Managed anew: the window manager puts its desktop on the new window. Until the server has
    // run the other connection's requests, the old window may still answer for the id.
    ASSERT_TRUE(waitForEvents([&] {
        return connection_->text(id, "_NET_WM_NAME") == QStringLiteral("New") && isManaged(id) &&
               desktopOf(id);
    }));
    EXPECT_EQ(titles(self), QStringList({"Second"}));
    EXPECT_EQ(titles(X11Accessibility::classPID("Reused")), QStringList({"New"}));
    hand.destroy(id);

    // An entry installed meanwhile names the app at the next listing.
    const qint32 reused = X11Accessibility::classPID("Reused");
    ASSERT_TRUE(gone(id));
    const XID later = hand.make(orphan("Later", "later", "Later"));
    ASSERT_TRUE(managed({later}));
    const qint32 laterPID = X11Accessibility::classPID("Later");
    EXPECT_EQ(workspace_->runningApp(laterPID)->localizedName, "Later");
    EXPECT_FALSE(workspace_->runningApp(reused));
    writeEntry(QStringLiteral("tandri-test-later"),
               QStringLiteral("Name=Later App\nExec=later\nStartupWMClass=Later"));
    EXPECT_EQ(workspace_->runningApp(laterPID)->localizedName, "Later App");
}

TEST_F(X11Apps, OnScreenWindowsAreFramesInPointsYUpWithoutDesktopElements) {
    HandMadeWindows hand;
    const XID big = hand.make({.title = "Big", .width = 300, .height = 200});
    const XID small = hand.make({.title = "Small", .width = 40, .height = 30});
    const XID dock = hand.make(
        {.title = "Panel", .type = "_NET_WM_WINDOW_TYPE_DOCK", .width = 400, .height = 100});
    const XID tools = hand.make({.title = "Tools", .type = "_NET_WM_WINDOW_TYPE_UTILITY"});
    ASSERT_TRUE(managed({big, small, dock, tools}));
    ASSERT_TRUE(activate(alpha_));
    ASSERT_TRUE(waitForEvents([&] {
        const auto list = windowList_->onScreenWindows();
        return list && !list->empty() && list->front().windowID == alpha_.window;
    })) << "the active window is the front one";

    const auto list = windowList_->onScreenWindows();
    ASSERT_TRUE(list);
    EXPECT_FALSE(onScreen(*list, dock)) << "docks are desktop elements";
    ASSERT_TRUE(onScreen(*list, big) && onScreen(*list, small) && onScreen(*list, tools));
    EXPECT_EQ(onScreen(*list, tools)->layer, 3);

    // The frame: the client's place on the root window widened by the frame extents.
    Window child = 0;
    int x = 0, y = 0;
    XTranslateCoordinates(connection_->display(), alpha_.window, connection_->root(), 0, 0, &x, &y,
                          &child);
    XWindowAttributes client;
    ASSERT_TRUE(XGetWindowAttributes(connection_->display(), alpha_.window, &client));
    const auto extents = connection_->cardinals(alpha_.window, "_NET_FRAME_EXTENTS");
    ASSERT_TRUE(extents && extents->size() == 4);
    const double left = double((*extents)[0]), right = double((*extents)[1]);
    const double top = double((*extents)[2]), bottom = double((*extents)[3]);
    const QRectF frame(x - left, y - top, client.width + left + right,
                       client.height + top + bottom);

    const ServerWindow* alpha = onScreen(*list, alpha_.window);
    ASSERT_TRUE(alpha && alpha->bounds);
    EXPECT_EQ(alpha->ownerPID, alpha_.pid);
    EXPECT_EQ(alpha->layer, 0);
    EXPECT_EQ(alpha->alpha, 1.0);
    EXPECT_NEAR(alpha->bounds->x(), frame.x(), 1.0);
    EXPECT_NEAR(alpha->bounds->y(), screenBottom - frame.bottom(), 1.0)
        << "y up from the screen's bottom";
    EXPECT_NEAR(alpha->bounds->width(), frame.width(), 1.0);
    EXPECT_NEAR(alpha->bounds->height(), frame.height(), 1.0);

    const auto counts = WindowSource::visibleCounts(*windowList_);
    EXPECT_EQ(counts.at(alpha_.pid), 1);
    EXPECT_EQ(counts.at(clock_.pid), 1);
    EXPECT_EQ(counts.at(self), 1) << "the small window, the palette and the dock do not count";
    EXPECT_TRUE(windowList_->screenCaptureAllowed()) << "the session's server has Composite";
}

}  // namespace
}  // namespace tandri::x11::test
