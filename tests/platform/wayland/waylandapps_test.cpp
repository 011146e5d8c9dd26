// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "platform/common/desktopentries.h"
#include "platform/wayland/foreigntoplevels.h"
#include "platform/wayland/waylandaccessibility.h"
#include "platform/wayland/waylandconnection.h"
#include "platform/wayland/waylandworkspace.h"
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

}  // namespace
}  // namespace tandri::wayland::test
