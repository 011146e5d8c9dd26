// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <set>

#include "platform/files.h"
#include "platform/sim/manualqueues.h"
#include "ringharness.h"
#include "windows/thumbnailsource.h"

namespace tandri::test {
namespace {

using Selection = RingController::Selection;

TEST(RingLoading, BadgesStartFromTheLastLoadAndStaleLoadsAreDropped) {
    RingHarness h(desktopWithApps(3, 2));
    h.caches.lastCounts = {{101, 7}};
    h.ring.triggerDown();
    EXPECT_EQ(h.view().windowCounts(), (std::vector<int>{7, 0, 0}));
    EXPECT_EQ(h.desktop.queues().pendingBackground(), 1);

    // Closed before the load returns: nothing of it is applied.
    h.view().keyDown({53, 0});
    h.load();
    EXPECT_FALSE(h.ring.windowsLoaded());
    EXPECT_EQ(h.caches.lastCounts, (WindowCounts{{101, 7}}));

    // Close and reopen while the first load is out: only the newer one counts.
    h.ring.triggerDown();
    h.view().keyDown({53, 0});
    h.ring.triggerDown();
    h.desktop.queues().runBackground();
    ASSERT_EQ(h.desktop.queues().pendingMain(), 2);
    h.desktop.queues().runMain();
    EXPECT_TRUE(h.ring.windowsLoaded());
    EXPECT_EQ(h.view().windowCounts(), (std::vector<int>{2, 2, 2}));
    EXPECT_EQ(h.caches.lastCounts, (WindowCounts{{101, 2}, {102, 2}, {103, 2}}));
    ASSERT_EQ(h.ring.windows().at(102).size(), 2u);

    // A load that returns after the ring was closed and opened again is dropped too.
    h.view().keyDown({53, 0});
    h.ring.triggerDown();
    h.desktop.queues().runBackground();
    h.view().keyDown({53, 0});
    h.ring.triggerDown();
    h.desktop.queues().runMain();
    EXPECT_FALSE(h.ring.windowsLoaded());
}

TEST(RingLoading, WithoutPermissionTheCoarseCountsServeAndALoadRebuildsShownChips) {
    RingHarness h(desktopWithApps(3, 2, R"({"trusted": false})"));
    h.caches.lastCounts = {{101, 2}};
    h.ring.triggerDown();
    // Untrusted chips come from the counts, so they show before the load.
    h.moveFromCenter(90, 90);
    ASSERT_EQ(h.ring.expandedApp(), 0);
    h.load();
    EXPECT_TRUE(h.ring.windowsLoaded());
    EXPECT_TRUE(h.ring.windows().empty());
    EXPECT_EQ(h.view().windowCounts(), (std::vector<int>{2, 2, 2}));
    // The load collapsed the shown chips, so that they are rebuilt.
    EXPECT_EQ(h.ring.expandedApp(), std::nullopt);
    EXPECT_TRUE(h.view().chips().empty());
    h.frame();
    EXPECT_EQ(h.ring.expandedApp(), 0);
}

class FolderTest : public ::testing::Test {
protected:
    FolderTest() : h(desktopWithApps(2)) {
        folder = h.desktop.makeFolder("Downloads");
        h.desktop.makeFile("Downloads/a.txt");
        RingApp entry =
            RingApp::fromFolder(h.desktop.platform().workspace, QUrl::fromLocalFile(folder));
        RunningApp running;
        running.pid = 101;
        h.useEntries({RingApp::fromRunning(running)}, {entry});
    }
    void pointAtFolder() { h.moveFromCenter(90, -90); }  // entry 1 of 2: straight down

    RingHarness h;
    QString folder;
};

TEST_F(FolderTest, FolderChipsAppearOnceTheFirstReadReturns) {
    h.ring.triggerDown();
    pointAtFolder();
    EXPECT_EQ(h.ring.selection(), (Selection{1, std::nullopt}));
    EXPECT_EQ(h.ring.expandedApp(), std::nullopt);
    EXPECT_EQ(h.desktop.queues().pendingBackground(), 2);  // windows and the folder
    pointAtFolder();
    EXPECT_EQ(h.desktop.queues().pendingBackground(), 2);  // one read per session
    h.load();
    h.frame();
    ASSERT_EQ(h.ring.expandedApp(), 1);
    ASSERT_EQ(h.view().chips().size(), 2u);
    EXPECT_EQ(h.view().chips()[0].title(), "a.txt");
    EXPECT_EQ(h.view().chips()[1].title(), "Open in Finder");
}

TEST_F(FolderTest, CachedContentsShowAtOnceAndAnUnchangedReadLeavesThemAlone) {
    // A read that returns after the ring closed still fills the cache.
    h.ring.triggerDown();
    pointAtFolder();
    h.view().keyDown({53, 0});
    h.load();
    ASSERT_EQ(h.caches.folderItems.count(QUrl::fromLocalFile(folder).path()), 1u);
    EXPECT_EQ(h.ring.mode(), RingController::Mode::Hidden);

    h.ring.triggerDown();
    h.load();  // this session's window load
    pointAtFolder();
    ASSERT_EQ(h.ring.expandedApp(), 1);  // from the cache, before any read
    EXPECT_EQ(h.desktop.queues().pendingBackground(), 1);
    h.load();
    EXPECT_EQ(h.ring.expandedApp(), 1);
    EXPECT_EQ(h.view().chips().size(), 2u);
    h.view().keyDown({53, 0});

    // A changed folder replaces the chips once.
    h.ring.triggerDown();
    h.load();
    pointAtFolder();
    ASSERT_EQ(h.ring.expandedApp(), 1);
    h.desktop.makeFile("Downloads/b.txt");
    h.load();
    EXPECT_EQ(h.ring.expandedApp(), std::nullopt);
    h.frame();
    EXPECT_EQ(h.view().chips().size(), 3u);
}

TEST(RingLoading, MemoryIsTrimmedTwoSecondsAfterTheLastClose) {
    RingHarness h(desktopWithApps(3));
    h.ring.triggerDown();
    h.view().keyDown({53, 0});
    h.desktop.clock().advance(1.9);
    EXPECT_EQ(h.desktop.sim().memoryReliefs(), 0);
    h.desktop.clock().advance(0.2);
    EXPECT_EQ(h.desktop.sim().memoryReliefs(), 1);

    // Reopened within 2 s: the pending trim finds the ring open and does nothing.
    h.ring.triggerDown();
    h.view().keyDown({53, 0});
    h.desktop.clock().advance(1.0);
    h.ring.triggerDown();
    h.desktop.clock().advance(1.5);
    EXPECT_EQ(h.desktop.sim().memoryReliefs(), 1);
    h.view().keyDown({53, 0});
    h.desktop.clock().advance(1.9);
    EXPECT_EQ(h.desktop.sim().memoryReliefs(), 1);
    h.desktop.clock().advance(0.2);
    EXPECT_EQ(h.desktop.sim().memoryReliefs(), 2);

    // Several openings within 2 s cost one trim.
    for (int i = 0; i < 5; ++i) {
        h.ring.triggerDown();
        h.view().keyDown({53, 0});
        h.desktop.clock().advance(0.3);
    }
    h.desktop.clock().advance(3);
    EXPECT_EQ(h.desktop.sim().memoryReliefs(), 3);
}

class RecordingThumbnails : public ThumbnailSource {
public:
    void request(const std::vector<quint32>& ids, bool urgent) override {
        requests.push_back({ids, urgent});
    }
    QImage image(quint32) override { return {}; }
    void prune(const std::set<quint32>& keep) override { pruned.push_back(keep); }
    void releaseDecoded() override { ++releases; }
    void setOnUpdate(std::function<void()> update) override { onUpdate = std::move(update); }

    std::vector<std::pair<std::vector<quint32>, bool>> requests;
    std::vector<std::set<quint32>> pruned;
    int releases = 0;
    std::function<void()> onUpdate;
};

TEST(RingLoading, ThumbnailsAreRequestedForAppsWithChipsAndReleasedAtClose) {
    RecordingThumbnails thumbnails;
    RingHarness h(desktopWithApps(3, 2, R"({"screenCapture": true})"), &thumbnails);
    h.desktop.preferences().setValue(Preferences::appDomain, "windowThumbnails", true);
    h.ring.triggerDown();
    EXPECT_TRUE(h.view().showsThumbnails);
    h.load();
    ASSERT_EQ(thumbnails.pruned.size(), 1u);
    EXPECT_EQ(thumbnails.pruned[0], (std::set<quint32>{1000, 1001, 1010, 1011, 1020, 1021}));
    ASSERT_EQ(thumbnails.requests.size(), 1u);
    EXPECT_FALSE(thumbnails.requests[0].second);
    EXPECT_EQ(thumbnails.requests[0].first.size(), 6u);

    // Expanding an entry asks for its windows first.
    h.moveFromCenter(90, 90);
    ASSERT_EQ(thumbnails.requests.size(), 2u);
    EXPECT_EQ(thumbnails.requests[1], (std::pair<std::vector<quint32>, bool>{{1000, 1001}, true}));

    // New pictures redraw the chips while the ring is up.
    ASSERT_TRUE(thumbnails.onUpdate);
    h.view().takeInvalidRect();
    thumbnails.onUpdate();
    EXPECT_FALSE(h.view().takeInvalidRect().isEmpty());

    h.view().keyDown({53, 0});
    EXPECT_EQ(thumbnails.releases, 1);
    h.view().takeInvalidRect();
    thumbnails.onUpdate();  // nothing to redraw once closed
    EXPECT_TRUE(h.view().takeInvalidRect().isEmpty());
}

}  // namespace
}  // namespace tandri::test
