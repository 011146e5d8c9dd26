// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "platform/common/desktopentries.h"
#include "platform/screencapture.h"
#include "platform/wayland/foreigntoplevels.h"
#include "platform/wayland/waylandaccessibility.h"
#include "platform/wayland/waylandconnection.h"
#include "platform/wayland/waylanddesktop.h"
#include "platform/wayland/waylandworkspace.h"
#include "platform/windowlist.h"
#include "support/qtprinters.h"
#include "swaysession.h"

namespace tandri::wayland::test {
namespace {

// Two foot windows on the compositor and the backend's view of them.
class WaylandApps : public ::testing::Test {
protected:
    void SetUp() override {
        SKIP_WITHOUT_SWAY();
        one_ = std::make_unique<Foot>(QStringLiteral("tandri-one"));
        ASSERT_TRUE(one_->shown());
        two_ = std::make_unique<Foot>(QStringLiteral("tandri-two"));
        ASSERT_TRUE(two_->shown());
        QString problem;
        connection_ = WaylandConnection::open(&problem);
        ASSERT_TRUE(connection_) << qPrintable(problem);
        toplevels_ = std::make_unique<ForeignToplevels>(*connection_);
        workspace_ = std::make_unique<WaylandWorkspace>(*toplevels_, entries_);
        accessibility_ = std::make_unique<WaylandAccessibility>(*toplevels_);
    }

    QStringList titles(qint32 pid) const {
        QStringList result;
        for (const AXWindow& window : accessibility_->windows(pid))
            result << window.title.value_or(QString());
        return result;
    }

    std::unique_ptr<Foot> one_, two_;
    std::unique_ptr<WaylandConnection> connection_;
    DesktopEntries entries_;
    std::unique_ptr<ForeignToplevels> toplevels_;
    std::unique_ptr<WaylandWorkspace> workspace_;
    std::unique_ptr<WaylandAccessibility> accessibility_;
};

TEST_F(WaylandApps, WindowsOfOneAppIdAreOneAppListedFrontToBack) {
    ASSERT_TRUE(toplevels_->available());
    EXPECT_TRUE(accessibility_->isTrusted());
    const std::vector<RunningApp> apps = workspace_->runningApps();
    ASSERT_EQ(apps.size(), 1u);
    const RunningApp& foot = apps.front();
    EXPECT_GE(foot.pid, ForeignToplevels::firstAppPID);
    EXPECT_FALSE(foot.hidden);
    EXPECT_FALSE(foot.icon.isNull());
    // Matched to its desktop entry by app id where foot installed one.
    if (entries_.byID(QStringLiteral("foot"))) {
        EXPECT_EQ(foot.bundleID, QStringLiteral("foot"));
    }
    EXPECT_EQ(workspace_->frontmostPID(), foot.pid);
    // The window opened last has the focus and comes first.
    EXPECT_EQ(titles(foot.pid), QStringList({"tandri-two", "tandri-one"}));
    EXPECT_TRUE(titles(foot.pid + 1).isEmpty());
}

TEST_F(WaylandApps, RaisingAWindowFocusesItAndClosingOneRemovesIt) {
    const qint32 pid = workspace_->runningApps().at(0).pid;
    const std::vector<AXWindow> windows = accessibility_->windows(pid);
    ASSERT_EQ(windows.size(), 2u);
    accessibility_->raise(windows.back().element);
    EXPECT_TRUE(waitForEvents([] { return focusedTitle() == QLatin1String("tandri-one"); }));
    EXPECT_TRUE(waitForEvents([&] {
        return titles(pid) == QStringList({"tandri-one", "tandri-two"});
    })) << qPrintable(titles(pid).join(u','));

    workspace_->terminate(pid);
    EXPECT_TRUE(waitForEvents([&] { return workspace_->runningApps().empty(); }));
    EXPECT_EQ(workspace_->frontmostPID(), std::nullopt);
}

TEST(WaylandPictures, AWindowShownHasItsPictureAndOneOnAnotherWorkspaceNone) {
    SKIP_WITHOUT_SWAY();
    // Alike but for their colours, so that only the order they appeared in tells them apart.
    Foot shown(QStringLiteral("tandri-alike"), QStringLiteral("336699"));
    ASSERT_TRUE(shown.shown());
    Foot away(QStringLiteral("tandri-alike"), QStringLiteral("993333"));
    ASSERT_TRUE(waitForEvents([&] {
        return run("swaymsg",
                   {QStringLiteral("[pid=%1] move container to workspace 2").arg(away.pid())});
    }));
    QString problem;
    const auto desktop = WaylandDesktop::open(&problem);
    ASSERT_TRUE(desktop) << qPrintable(problem);
    ScreenCapture& capture = desktop->screenCapture();
    ASSERT_TRUE(capture.hasPermission());
    std::vector<quint32> ids;  // in the order the windows appeared
    for (const RunningApp& app : desktop->workspace().runningApps()) {
        for (const AXWindow& window : desktop->accessibility().windows(app.pid))
            ids.push_back(window.windowID.value_or(0));
    }
    std::sort(ids.begin(), ids.end());
    ASSERT_EQ(ids.size(), 2u);
    const auto listed = [&] {
        std::vector<quint32> result;
        for (const ShareableWindow& window :
             capture.shareableWindows().value_or(std::vector<ShareableWindow>{}))
            result.push_back(window.id);
        return result;
    };
    EXPECT_TRUE(waitForEvents([&] { return listed() == std::vector<quint32>{ids[0]}; }));
    EXPECT_EQ(desktop->windowList().onScreenWindows().value_or(std::vector<ServerWindow>{}).size(),
              1u);
    // Its own colour fills most of the picture (the rest is a cursor and the edges).
    QImage picture;
    const auto mostly = [&](QRgb colour) {
        int alike = 0;
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x)
                alike += (picture.pixel(x, y) & 0xffffff) == (colour & 0xffffff);
        }
        return alike > picture.width() * picture.height() * 3 / 4;
    };
    EXPECT_TRUE(waitForEvents([&] {
        picture = capture.capture(ids[0], QSize(320, 200));
        return picture.size() == QSize(320, 200) && mostly(qRgb(0x33, 0x66, 0x99));
    })) << "took "
        << picture.width() << "×" << picture.height();
    EXPECT_TRUE(capture.capture(ids[1], QSize(320, 200)).isNull());
}

}  // namespace
}  // namespace tandri::wayland::test
