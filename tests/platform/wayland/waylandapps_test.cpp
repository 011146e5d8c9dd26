// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "platform/accessibility.h"
#include "platform/common/desktopentries.h"
#include "platform/screencapture.h"
#include "platform/wayland/foreigntoplevels.h"
#include "platform/wayland/waylanddesktop.h"
#include "platform/workspace.h"
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
        desktop_ = WaylandDesktop::open(&problem);
        ASSERT_TRUE(desktop_) << qPrintable(problem);
    }

    QStringList titles(qint32 pid) const {
        QStringList result;
        for (const AXWindow& window : desktop_->accessibility().windows(pid))
            result << window.title.value_or(QString());
        return result;
    }

    std::unique_ptr<Foot> one_, two_;
    std::unique_ptr<WaylandDesktop> desktop_;
};

TEST_F(WaylandApps, WindowsOfOneAppIdAreOneAppListedFrontToBack) {
    EXPECT_TRUE(desktop_->accessibility().isTrusted());
    const std::vector<RunningApp> apps = desktop_->workspace().runningApps();
    ASSERT_EQ(apps.size(), 1u);
    const RunningApp& foot = apps.front();
    EXPECT_GE(foot.pid, ForeignToplevels::firstAppPID);
    EXPECT_FALSE(foot.hidden);
    EXPECT_FALSE(foot.icon.isNull());
    // Matched to its desktop entry by app id where foot installed one.
    if (DesktopEntries().byID(QStringLiteral("foot"))) {
        EXPECT_EQ(foot.bundleID, QStringLiteral("foot"));
    }
    EXPECT_EQ(desktop_->workspace().frontmostPID(), foot.pid);
    // The window opened last has the focus and comes first.
    EXPECT_EQ(titles(foot.pid), QStringList({"tandri-two", "tandri-one"}));
    EXPECT_TRUE(titles(foot.pid + 1).isEmpty());
}

TEST_F(WaylandApps, RaisingAWindowFocusesItAndClosingOneRemovesIt) {
    const qint32 pid = desktop_->workspace().runningApps().at(0).pid;
    const std::vector<AXWindow> windows = desktop_->accessibility().windows(pid);
    ASSERT_EQ(windows.size(), 2u);
    desktop_->accessibility().raise(windows.back().element);
    EXPECT_TRUE(waitForEvents([] { return focusedTitle() == QLatin1String("tandri-one"); }));
    EXPECT_TRUE(waitForEvents([&] {
        return titles(pid) == QStringList({"tandri-one", "tandri-two"});
    })) << qPrintable(titles(pid).join(u','));

    desktop_->workspace().terminate(pid);
    EXPECT_TRUE(waitForEvents([&] { return desktop_->workspace().runningApps().empty(); }));
    EXPECT_EQ(desktop_->workspace().frontmostPID(), std::nullopt);
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
    const auto listed = capture.shareableWindows();
    ASSERT_TRUE(listed && listed->size() == 1u);
    EXPECT_EQ(listed->front().id, ids[0]);
    // Its own colour, where foot writes nothing, once foot has drawn at its size.
    QImage picture;
    EXPECT_TRUE(waitForEvents([&] {
        picture = capture.capture(ids[0], QSize(320, 200));
        return picture.size() == QSize(320, 200) &&
               picture.pixel(160, 100) == qRgb(0x33, 0x66, 0x99);
    }));
    EXPECT_TRUE(capture.capture(ids[1], QSize(320, 200)).isNull());
}

}  // namespace
}  // namespace tandri::wayland::test
