// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>

#include "platform/screencapture.h"
#include "support/testdesktop.h"
#include "windows/thumbnailcache.h"

namespace tandri::test {
namespace {

using Ids = std::vector<quint32>;

// An editor with windows of several sizes, a minimized one, one too thin to show and one without
// a number; a hidden app whose window cannot be seen.
QByteArray desktop(bool capture = true) {
    return QStringLiteral(R"({
      "screenCapture": %1,
      "trusted": true,
      "apps": [
        {"pid": 10, "name": "Editor", "windows": [
          {"id": 1, "title": "Wide", "frame": [0, 0, 1280, 800]},
          {"id": 2, "title": "Narrow", "frame": [40, 40, 500, 300]},
          {"id": 3, "title": "Square", "frame": [80, 80, 800, 800]},
          {"id": 4, "title": "Away", "minimized": true},
          {"id": 5, "title": "Thin", "frame": [0, 0, 1, 400]},
          {"title": "No number"}]},
        {"pid": 20, "name": "Hidden", "hidden": true, "windows": [{"id": 9, "title": "Hid"}]}
      ]})")
        .arg(capture ? "true" : "false")
        .toUtf8();
}

class ThumbnailCacheTest : public ::testing::Test {
protected:
    ThumbnailCacheTest() : cache(d.platform()) {
        cache.setOnUpdate([this] {
            // The window whose picture just arrived: new, or with other data than before.
            for (quint32 id : cache.storedIDs()) {
                const QByteArray data = cache.stored(id);
                if (known[id] != data) {
                    known[id] = data;
                    seen.push_back(id);
                }
            }
            ++updateCount;
        });
    }
    void setPreview(double width) {
        d.preferences().setValue(Preferences::appDomain, QStringLiteral("previewSize"), width);
    }
    /// The cache at a glance: "queue 3 1 2 | working | stored 1 2 | decoded 1 | pending 1 0"
    /// (the main and the background work waiting), "-" for none.
    QString state() {
        const auto list = [](const auto& ids) {
            QStringList words;
            for (quint32 id : ids) words << QString::number(id);
            return words.isEmpty() ? QStringLiteral("-") : words.join(u' ');
        };
        return QStringLiteral("queue %1 | %2 | stored %3 | decoded %4 | pending %5 %6")
            .arg(list(cache.queue()), cache.working() ? "working" : "idle", list(cache.storedIDs()),
                 list(cache.decodedIDs()))
            .arg(d.queues().pendingMain())
            .arg(d.queues().pendingBackground());
    }
    /// The user minimizes the editor's window `id`.
    void minimize(quint32 id) {
        for (const AXWindow& window : d.platform().accessibility.windows(10)) {
            if (window.windowID == id)
                d.platform().accessibility.setMinimized(window.element, true);
        }
    }
    QSize storedSize(quint32 id) { return QImage::fromData(cache.stored(id), "jpeg").size(); }

    TestDesktop d{desktop()};
    ThumbnailCache cache;
    std::map<quint32, QByteArray> known;
    Ids seen;
    int updateCount = 0;
};

TEST_F(ThumbnailCacheTest, UrgentIdsGoToTheFrontOthersToTheBackAndWhatCannotBeSeenIsSkipped) {
    cache.request({1, 2}, false);
    EXPECT_EQ(state(), "queue 1 2 | working | stored - | decoded - | pending 1 0");
    cache.request({3}, false);
    EXPECT_EQ(cache.queue(), (Ids{1, 2, 3}));
    cache.request({3, 1}, true);
    EXPECT_EQ(cache.queue(), (Ids{3, 1, 2}));
    cache.request({3}, false);
    // One pass at a time, however many requests.
    EXPECT_EQ(state(), "queue 1 2 3 | working | stored - | decoded - | pending 1 0");

    d.queues().drain();
    EXPECT_EQ(state(), "queue - | idle | stored 1 2 3 | decoded - | pending 0 0");
    EXPECT_EQ(seen, (Ids{1, 2, 3}));
    EXPECT_EQ(updateCount, 3);

    // Minimized, too thin, unknown, and the window of a hidden app: skipped, and with no date,
    // so the next request tries them again.
    cache.request({4, 5, 99, 9}, false);
    d.queues().drain();
    EXPECT_EQ(state(), "queue - | idle | stored 1 2 3 | decoded - | pending 0 0");
    cache.request({4, 3}, false);
    EXPECT_EQ(cache.queue(), (Ids{4}));
}

TEST_F(ThumbnailCacheTest, AWindowIsCapturedAgainOnlyAfterThreeSeconds) {
    cache.request({1}, false);
    d.queues().drain();
    ASSERT_EQ(cache.capturedAt(1), d.clock().now());

    cache.request({1}, false);
    EXPECT_EQ(state(), "queue - | idle | stored 1 | decoded - | pending 0 0");
    d.clock().advance(3.0);
    cache.request({1}, true);
    EXPECT_TRUE(cache.queue().empty());

    d.clock().advance(0.01);
    cache.request({1, 2}, false);
    EXPECT_EQ(cache.queue(), (Ids{1, 2}));
    d.queues().drain();
    EXPECT_EQ(cache.capturedAt(1), d.clock().now());
    EXPECT_EQ(updateCount, 3);
}

TEST_F(ThumbnailCacheTest, ARequestDuringAPassJoinsItAndUrgentIdsComeNext) {
    cache.request({1, 2, 3}, false);
    // The pass starts: window 1 is handed to the background, which takes and encodes its picture.
    d.queues().runMain();
    EXPECT_EQ(state(), "queue 2 3 | working | stored - | decoded - | pending 0 1");
    cache.request({3}, true);  // no second pass
    EXPECT_EQ(state(), "queue 3 2 | working | stored - | decoded - | pending 0 1");
    // The result comes back on the main thread.
    d.queues().runBackground();
    EXPECT_EQ(state(), "queue 3 2 | working | stored - | decoded - | pending 1 0");
    d.queues().runMain();
    EXPECT_EQ(cache.storedIDs(), (std::set<quint32>{1}));
    d.queues().drain();
    EXPECT_EQ(seen, (Ids{1, 3, 2}));
}

TEST_F(ThumbnailCacheTest, AWindowThatVanishesWhileItsPictureIsTakenGivesNone) {
    cache.request({1, 2}, false);
    d.queues().drain();
    const QByteArray before = cache.stored(1);
    const auto takenAt = cache.capturedAt(1);
    d.clock().advance(4);

    cache.request({1, 2, 3}, false);
    d.queues().runMain();  // the pass finds window 1 on screen and hands it to the background
    minimize(1);           // before its picture is taken
    d.queues().runBackground();
    d.queues().runMain();
    // No picture, so no update; the previous one stays with its old date.
    EXPECT_EQ(cache.stored(1), before);
    EXPECT_EQ(cache.capturedAt(1), takenAt);
    EXPECT_EQ(updateCount, 2);
    // The pass goes on; without the permission the next windows give none either.
    d.sim().setScreenCapture(false);
    d.queues().drain();
    EXPECT_EQ(state(), "queue - | idle | stored 1 2 | decoded - | pending 0 0");
    EXPECT_EQ(cache.capturedAt(2), takenAt);
}

TEST_F(ThumbnailCacheTest, PicturesAreAboutTwiceThePreviewWidthAndNeverEnlarged) {
    EXPECT_EQ(ThumbnailCache::captureSize({1280, 800}, 280), QSize(640, 400));
    EXPECT_EQ(ThumbnailCache::captureSize({1280, 800}, 640), QSize(1280, 800));
    EXPECT_EQ(ThumbnailCache::captureSize({1280, 800}, 400), QSize(800, 500));
    EXPECT_EQ(ThumbnailCache::captureSize({500, 300}, 280), QSize(500, 300));
    EXPECT_EQ(ThumbnailCache::captureSize({500, 300}, 640), QSize(500, 300));
    EXPECT_EQ(ThumbnailCache::captureSize({1000, 333}, 280), QSize(640, 213));  // cut down
    EXPECT_EQ(ThumbnailCache::captureSize({0, 300}, 280), QSize());

    setPreview(280);
    cache.request({1, 2}, false);
    d.queues().drain();
    EXPECT_EQ(storedSize(1), QSize(640, 400));
    EXPECT_EQ(storedSize(2), QSize(500, 300));

    // A stored preview of 2000 reads as 640.
    setPreview(2000);
    d.clock().advance(3.5);
    cache.request({1, 2}, false);
    d.queues().drain();
    EXPECT_EQ(storedSize(1), QSize(1280, 800));
    EXPECT_EQ(storedSize(2), QSize(500, 300));
}

TEST_F(ThumbnailCacheTest, ImagesAreDecodedOnceAndARecaptureReplacesTheDecodedOne) {
    cache.request({1}, false);
    d.queues().drain();
    EXPECT_TRUE(cache.decodedIDs().empty());  // decoded only when drawn
    const QImage first = cache.image(1);
    ASSERT_EQ(first.size(), QSize(640, 400));
    EXPECT_EQ(cache.decodedIDs(), (std::set<quint32>{1}));
    EXPECT_EQ(cache.image(1).cacheKey(), first.cacheKey());

    // While the ring draws, a fresh picture arrives ready to draw: the one taken, not decoded.
    setPreview(400);
    d.clock().advance(4);
    cache.request({1, 2}, true);
    d.queues().drain();
    EXPECT_EQ(cache.decodedIDs(), (std::set<quint32>{1, 2}));
    EXPECT_EQ(cache.image(1), d.platform().screenCapture.capture(1, QSize(800, 500)));

    cache.releaseDecoded();
    EXPECT_EQ(state(), "queue - | idle | stored 1 2 | decoded - | pending 0 0");
    EXPECT_EQ(cache.image(1).size(), QSize(800, 500));
    // Once the ring has closed, pictures stay compressed until drawn.
    cache.releaseDecoded();
    d.clock().advance(4);
    cache.request({2}, true);
    d.queues().drain();
    EXPECT_TRUE(cache.decodedIDs().empty());
    EXPECT_TRUE(cache.image(3).isNull());
}

TEST_F(ThumbnailCacheTest, PruningForgetsEveryPictureOfAGoneWindowButNotTheQueue) {
    cache.request({1, 2, 3}, false);
    d.queues().drain();
    cache.image(1);
    cache.image(2);
    cache.prune({2, 7});
    EXPECT_EQ(state(), "queue - | idle | stored 2 | decoded 2 | pending 0 0");
    EXPECT_FALSE(cache.capturedAt(1));
    EXPECT_FALSE(cache.capturedAt(3));

    d.clock().advance(4);
    cache.request({2}, false);
    cache.prune({});
    EXPECT_EQ(state(), "queue 2 | working | stored - | decoded - | pending 1 0");
    EXPECT_FALSE(cache.capturedAt(2));
    // A window forgotten since it was queued still gets its picture when it still exists.
    d.queues().drain();
    EXPECT_EQ(cache.storedIDs(), (std::set<quint32>{2}));
}

TEST(ThumbnailCache, WithoutPermissionTheQueueEmptiesAndNothingIsStored) {
    TestDesktop d(desktop(false));
    ThumbnailCache cache(d.platform());
    int updates = 0;
    cache.setOnUpdate([&] { ++updates; });
    EXPECT_FALSE(cache.hasPermission());
    cache.request({1, 2}, true);
    d.queues().drain();
    EXPECT_TRUE(cache.queue().empty());
    EXPECT_FALSE(cache.working());
    EXPECT_TRUE(cache.storedIDs().empty());
    EXPECT_EQ(updates, 0);

    cache.requestPermission();
    const auto actions = d.sim().actions();
    EXPECT_EQ(std::count(actions.begin(), actions.end(), "request-screen-capture"), 1);

    // Once granted, the next request captures.
    d.sim().setScreenCapture(true);
    EXPECT_TRUE(cache.hasPermission());
    cache.request({1, 2}, true);
    d.queues().drain();
    EXPECT_EQ(cache.storedIDs(), (std::set<quint32>{1, 2}));
    EXPECT_EQ(updates, 2);
}

TEST_F(ThumbnailCacheTest, ACaptureLeftWhenTheCacheGoesAwayNeverStarts) {
    {
        ThumbnailCache gone(d.platform());
        gone.request({1, 2}, false);
        d.queues().runMain();
        EXPECT_EQ(d.queues().pendingBackground(), 1);
    }
    // Neither taken nor encoded, nothing sent back: the capture service may already be gone.
    d.queues().runBackground();
    EXPECT_EQ(d.queues().pendingMain(), 0);
}

TEST_F(ThumbnailCacheTest, CaptureNowStoresPicturesWithoutTheQueues) {
    cache.request({3}, false);
    cache.captureNow({1, 3, 4});
    EXPECT_EQ(cache.storedIDs(), (std::set<quint32>{1, 3}));
    EXPECT_TRUE(cache.queue().empty());
    EXPECT_EQ(d.queues().pendingBackground(), 0);
    EXPECT_EQ(cache.image(3).size(), QSize(640, 640));
    d.queues().drain();
    EXPECT_FALSE(cache.working());
}

TEST_F(ThumbnailCacheTest, TheSimulatedCaptureSharesTheVisibleNumberedWindowsOfShownApps) {
    ScreenCapture& capture = d.platform().screenCapture;
    const auto windows = capture.shareableWindows();
    ASSERT_TRUE(windows);
    Ids ids;
    for (const auto& window : *windows) ids.push_back(window.id);
    EXPECT_EQ(ids, (Ids{1, 2, 3, 5}));
    EXPECT_EQ(windows->at(1).frame, QRectF(40, 40, 500, 300));

    // A picture of the window at the size asked for, the same every time.
    const QImage picture = capture.capture(2, QSize(250, 150));
    ASSERT_EQ(picture.size(), QSize(250, 150));
    EXPECT_EQ(picture, capture.capture(2, QSize(250, 150)));
    // A title bar darker than the body below it.
    EXPECT_LT(qGray(picture.pixel(200, 3)), qGray(picture.pixel(240, 140)));
    EXPECT_NE(picture, capture.capture(1, QSize(250, 150)));

    EXPECT_TRUE(capture.capture(4, QSize(100, 100)).isNull());  // minimized
    EXPECT_TRUE(capture.capture(9, QSize(100, 100)).isNull());  // its app is hidden
    EXPECT_TRUE(capture.capture(77, QSize(100, 100)).isNull());
    EXPECT_TRUE(capture.capture(2, QSize(0, 10)).isNull());

    d.sim().setScreenCapture(false);
    EXPECT_FALSE(capture.shareableWindows());
    EXPECT_TRUE(capture.capture(2, QSize(250, 150)).isNull());
}

}  // namespace
}  // namespace tandri::test
