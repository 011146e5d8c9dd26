// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <memory>

#include "diagnostics/snapshot.h"
#include "ring/ringlayout.h"
#include "support/pixelcount.h"
#include "support/testdesktop.h"
#include "windows/thumbnailcache.h"

namespace tandri::test {
namespace {

// Finder with two windows, an editor with one, and a player with none.
QByteArray desktop(bool trusted = true, bool capture = false) {
    return QStringLiteral(R"({
      "trusted": %1, "screenCapture": %2,
      "apps": [
        {"pid": 200, "name": "Finder", "bundleID": "com.apple.finder", "launched": 9,
         "windows": [{"title": "Home", "id": 21, "frame": [0, 0, 900, 600]},
                     {"title": "Downloads", "id": 22, "frame": [50, 50, 700, 500]}]},
        {"pid": 300, "name": "Editor", "launched": 5,
         "windows": [{"title": "Notes", "id": 31}]},
        {"pid": 400, "name": "Player", "launched": 7, "windows": []}
      ]})")
        .arg(trusted ? "true" : "false", capture ? "true" : "false")
        .toUtf8();
}

// Pixels of the picture that differ from the background outside `keep` (picture pixels).
int drawnOutside(const QImage& picture, const QRect& keep) {
    const QRgb background = picture.pixel(0, 0);
    return test::countPixels(
        picture, [&](QColor c, QPoint p) { return !keep.contains(p) && c.rgba() != background; });
}

// The file manager leads the ring, then the oldest launch.
constexpr int finder = 0, editor = 1, entryCount = 3;

class SnapshotTest : public ::testing::Test {
protected:
    SnapshotTest() { load(desktop()); }
    void load(const QByteArray& json) {
        cache.reset();
        d = std::make_unique<TestDesktop>(json);
        cache = std::make_unique<ThumbnailCache>(d->platform());
    }
    // Runs the snapshot; returns the printed line.
    QString run(std::optional<int> index, const QString& name = QStringLiteral("ring.png")) {
        QString line;
        QTextStream out(&line);
        QTextStream err(&errors);
        ok = Snapshot::run(d->platform(), *cache, d->path(name), index, out, err);
        return line;
    }
    QImage picture(const QString& name = QStringLiteral("ring.png")) {
        return QImage(d->path(name));
    }
    // What is drawn outside the ring's square grown by 28 points.
    int drawnAwayFromTheRing(const QImage& image) {
        const int side = int(2 * (RingLayout(entryCount).size + 56));
        return drawnOutside(
            image, QRect(image.width() / 2 - side / 2, image.height() / 2 - side / 2, side, side));
    }
    void set(const char* key, const QJsonValue& value) {
        d->preferences().setValue(Preferences::appDomain, key, value);
    }

    std::unique_ptr<TestDesktop> d;
    std::unique_ptr<ThumbnailCache> cache;
    QString errors;
    bool ok = false;
};

TEST_F(SnapshotTest, WritesTheRingAsItWouldOpenNowAtTwicePointSizeAndPrintsTheState) {
    EXPECT_EQ(run(std::nullopt).toStdString(), "Accessibility: allowed; expanded app: none\n");
    EXPECT_TRUE(ok);
    EXPECT_TRUE(errors.isEmpty());
    const QImage image = picture();
    ASSERT_FALSE(image.isNull());
    const double size = RingLayout(entryCount).size;
    EXPECT_EQ(image.size(), QSize(int(2 * (size + 640)), int(2 * (size + 360))));
    // White 0.32 around, nothing drawn away from the ring.
    EXPECT_EQ(image.pixel(0, 0), qRgb(82, 82, 82));
    EXPECT_EQ(drawnAwayFromTheRing(image), 0);
    EXPECT_GT(drawnOutside(image, QRect()), 0);
    // The scene holds the ring as it would open now, in the stored look.
    set("ringStyle", "orbit");
    const Snapshot::Scene scene = Snapshot::prepare(d->platform(), *cache, std::nullopt);
    EXPECT_EQ(scene.view->lookChoice.style, RingStyle::Orbit);
    EXPECT_EQ(scene.view->windowCounts(), (std::vector<int>{2, 1, 0}));
    EXPECT_EQ(scene.view->ringCenter, scene.view->bounds.center());
    EXPECT_FALSE(scene.view->selectedApp());
    EXPECT_TRUE(scene.view->chips().empty());
    EXPECT_TRUE(scene.trusted);
    EXPECT_FALSE(scene.expanded);
    // Where windows cannot be listed it says so.
    load(desktop(false));
    EXPECT_TRUE(run(std::nullopt).startsWith("Accessibility: not allowed; expanded app: "));
    EXPECT_TRUE(ok);
}

TEST_F(SnapshotTest, AnEntryWithWindowsIsExpandedWithItsChipsWhateverTheLayout) {
    // With chips turned off only the running ring hides them; the picture is there to show them,
    // in the column, while the ring itself stays as the setting has it.
    for (const char* layout : {"arc", "off"}) {
        SCOPED_TRACE(layout);
        set("windowLayout", layout);
        const Snapshot::Scene scene = Snapshot::prepare(d->platform(), *cache, finder);
        EXPECT_EQ(scene.view->selectedApp(), finder);
        EXPECT_EQ(scene.view->chipsApp(), finder);
        EXPECT_EQ(scene.view->chips().size(), 2u);
        EXPECT_EQ(scene.view->selectedChip(), 0);
        EXPECT_EQ(scene.expanded, "Finder");
        EXPECT_EQ(scene.view->windowLayout, *windowLayoutFromRaw(layout));
        EXPECT_EQ(scene.view->activeLayout(),
                  layout == std::string("off") ? WindowLayout::Column : WindowLayout::Arc);

        EXPECT_EQ(run(finder).toStdString(), "Accessibility: allowed; expanded app: Finder\n");
        EXPECT_GT(drawnAwayFromTheRing(picture()), 0);
    }
}

TEST_F(SnapshotTest, AnEntryWithFewerThanTwoWindowsIsSelectedWithoutChips) {
    const Snapshot::Scene scene = Snapshot::prepare(d->platform(), *cache, editor);
    EXPECT_EQ(scene.view->selectedApp(), editor);
    EXPECT_TRUE(scene.view->chips().empty());
    EXPECT_FALSE(scene.view->selectedChip());

    run(std::nullopt, "plain.png");
    EXPECT_EQ(run(editor).toStdString(), "Accessibility: allowed; expanded app: none\n");
    const QImage image = picture();
    EXPECT_EQ(drawnAwayFromTheRing(image), 0);
    EXPECT_NE(image, picture("plain.png"));  // the selection shows
    // An index that names no entry selects nothing.
    for (int none : {entryCount, -1}) {
        EXPECT_EQ(run(none).toStdString(), "Accessibility: allowed; expanded app: none\n");
        EXPECT_EQ(picture(), picture("plain.png"));
    }
}

TEST_F(SnapshotTest, AFailedWriteIsReportedAndPrintsNothing) {
    const QString line = run(std::nullopt, "missing-folder/ring.png");
    EXPECT_FALSE(ok);
    EXPECT_TRUE(line.isEmpty());
    EXPECT_TRUE(errors.contains("cannot write the snapshot")) << errors.toStdString();
    EXPECT_FALSE(QFile::exists(d->path("missing-folder/ring.png")));
}

TEST_F(SnapshotTest, ThePicturesOfTheShownWindowsAreTakenBeforeDrawing) {
    load(desktop(true, true));
    set("windowThumbnails", true);
    run(finder);
    EXPECT_TRUE(ok);
    EXPECT_EQ(cache->storedIDs(), (std::set<quint32>{21, 22}));
    EXPECT_EQ(d->queues().pendingMain(), 0);
    EXPECT_EQ(d->queues().pendingBackground(), 0);
    // With chips turned off they still show, with their thumbnails.
    set("windowLayout", "off");
    ThumbnailCache off(d->platform());
    const Snapshot::Scene scene = Snapshot::prepare(d->platform(), off, finder);
    EXPECT_TRUE(scene.view->hasThumbnailChips());
    EXPECT_EQ(off.storedIDs(), (std::set<quint32>{21, 22}));
    // With thumbnails off nothing is captured.
    set("windowThumbnails", false);
    cache = std::make_unique<ThumbnailCache>(d->platform());
    run(finder, "off.png");
    EXPECT_TRUE(cache->storedIDs().empty());
}

}  // namespace
}  // namespace tandri::test
