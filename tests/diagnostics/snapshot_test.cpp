#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include "catalogue/appsource.h"
#include "diagnostics/snapshot.h"
#include "ring/ringlayout.h"
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
    int count = 0;
    for (int y = 0; y < picture.height(); y += 2) {
        for (int x = 0; x < picture.width(); x += 2) {
            if (!keep.contains(x, y) && picture.pixel(x, y) != background)
                ++count;
        }
    }
    return count;
}

class SnapshotTest : public ::testing::Test {
protected:
    SnapshotTest() : SnapshotTest(desktop()) {}
    explicit SnapshotTest(const QByteArray& json) : d(json), cache(d.platform()) {}

    int indexOf(const QString& name) {
        const auto entries = AppSource::ringApps(d.platform(), true);
        for (size_t i = 0; i < entries.size(); ++i) {
            if (entries[i].name == name)
                return static_cast<int>(i);
        }
        ADD_FAILURE() << "no entry " << name.toStdString();
        return -1;
    }
    int entryCount() { return static_cast<int>(AppSource::ringApps(d.platform(), true).size()); }

    // Runs the snapshot; returns the printed line.
    QString run(std::optional<int> index, const QString& name = QStringLiteral("ring.png")) {
        QString line;
        QTextStream out(&line);
        QTextStream err(&errors);
        ok = Snapshot::run(d.platform(), cache, d.path(name), index, out, err);
        return line;
    }
    QImage picture(const QString& name = QStringLiteral("ring.png")) {
        return QImage(d.path(name));
    }
    // The ring's square grown by 28 points, in picture pixels.
    QRect ringArea(const QImage& image) {
        const int side = int(2 * (RingLayout(entryCount()).size + 56));
        return QRect(image.width() / 2 - side / 2, image.height() / 2 - side / 2, side, side);
    }

    TestDesktop d;
    ThumbnailCache cache;
    QString errors;
    bool ok = false;
};

TEST_F(SnapshotTest, WritesThePictureAtTwicePointSizeAndPrintsTheState) {
    EXPECT_EQ(run(std::nullopt).toStdString(), "Accessibility: allowed; expanded app: none\n");
    EXPECT_TRUE(ok);
    EXPECT_TRUE(errors.isEmpty());
    const QImage image = picture();
    ASSERT_FALSE(image.isNull());
    const double size = RingLayout(entryCount()).size;
    EXPECT_EQ(image.size(), QSize(int(2 * (size + 640)), int(2 * (size + 360))));
    // White 0.32 around, nothing drawn away from the ring.
    EXPECT_EQ(image.pixel(0, 0), qRgb(82, 82, 82));
    EXPECT_EQ(drawnOutside(image, ringArea(image)), 0);
    EXPECT_GT(drawnOutside(image, QRect()), 0);
}

TEST_F(SnapshotTest, TheViewHoldsTheRingAsItWouldOpenNow) {
    d.preferences().setValue(Preferences::appDomain, "ringStyle", "orbit");
    const Snapshot::Scene scene = Snapshot::prepare(d.platform(), cache, std::nullopt);
    const RingView& view = *scene.view;
    ASSERT_EQ(view.apps.size(), 3u);
    EXPECT_EQ(view.layout.count, 3);
    EXPECT_EQ(view.bounds, QRectF(0, 0, 268 + 640, 268 + 360));
    EXPECT_EQ(view.ringCenter, QPointF((268 + 640) / 2.0, (268 + 360) / 2.0));
    EXPECT_EQ(view.lookChoice.style, RingStyle::Orbit);
    ASSERT_TRUE(view.look());
    EXPECT_EQ(view.windowLayout, WindowLayout::Arc);
    EXPECT_FALSE(view.showsThumbnails);
    std::vector<int> expected;
    for (const auto& entry : view.apps) {
        expected.push_back(entry.name == "Finder" ? 2 : entry.name == "Editor" ? 1 : 0);
    }
    EXPECT_EQ(view.windowCounts(), expected);
    EXPECT_FALSE(view.selectedApp());
    EXPECT_TRUE(view.chips().empty());
    EXPECT_TRUE(scene.trusted);
    EXPECT_FALSE(scene.expanded);
}

TEST_F(SnapshotTest, AnEntryWithWindowsIsExpandedWithItsChips) {
    const int finderIndex = indexOf("Finder");
    const Snapshot::Scene scene = Snapshot::prepare(d.platform(), cache, finderIndex);
    EXPECT_EQ(scene.view->selectedApp(), finderIndex);
    EXPECT_EQ(scene.view->chipsApp(), finderIndex);
    EXPECT_EQ(scene.view->chips().size(), 2u);
    EXPECT_EQ(scene.view->selectedChip(), 0);
    EXPECT_EQ(scene.expanded, "Finder");

    const int finder = indexOf("Finder");
    EXPECT_EQ(run(finder).toStdString(), "Accessibility: allowed; expanded app: Finder\n");
    const QImage image = picture();
    EXPECT_GT(drawnOutside(image, ringArea(image)), 0);
}

TEST_F(SnapshotTest, AnEntryWithFewerThanTwoWindowsIsSelectedWithoutChips) {
    const int editor = indexOf("Editor");
    const Snapshot::Scene scene = Snapshot::prepare(d.platform(), cache, editor);
    EXPECT_EQ(scene.view->selectedApp(), editor);
    EXPECT_TRUE(scene.view->chips().empty());
    EXPECT_FALSE(scene.view->selectedChip());

    run(std::nullopt, "plain.png");
    EXPECT_EQ(run(indexOf("Editor")).toStdString(), "Accessibility: allowed; expanded app: none\n");
    const QImage image = picture();
    EXPECT_EQ(drawnOutside(image, ringArea(image)), 0);
    EXPECT_NE(image, picture("plain.png"));  // the selection shows

    // An index that names no entry selects nothing.
    EXPECT_EQ(run(entryCount()).toStdString(), "Accessibility: allowed; expanded app: none\n");
    EXPECT_EQ(picture(), picture("plain.png"));
    run(-1);
    EXPECT_EQ(picture(), picture("plain.png"));
}

TEST_F(SnapshotTest, AFailedWriteIsReportedAndPrintsNothing) {
    const QString line = run(std::nullopt, "missing-folder/ring.png");
    EXPECT_FALSE(ok);
    EXPECT_TRUE(line.isEmpty());
    EXPECT_TRUE(errors.contains("cannot write the snapshot")) << errors.toStdString();
    EXPECT_FALSE(QFile::exists(d.path("missing-folder/ring.png")));
}

TEST_F(SnapshotTest, WithWindowChipsTurnedOffTheEntrysChipsShowInTheColumn) {
    // Only the running ring hides them; its picture is there to show them.
    d.preferences().setValue(Preferences::appDomain, "windowLayout", "off");
    const int finder = indexOf("Finder");
    const Snapshot::Scene scene = Snapshot::prepare(d.platform(), cache, finder);
    EXPECT_EQ(scene.view->chips().size(), 2u);
    EXPECT_EQ(scene.view->activeLayout(), WindowLayout::Column);
    EXPECT_EQ(scene.view->selectedChip(), 0);
    EXPECT_EQ(scene.expanded, "Finder");
    // The ring itself stays as the setting has it: no badges.
    EXPECT_EQ(scene.view->windowLayout, WindowLayout::Off);

    EXPECT_EQ(run(finder).toStdString(), "Accessibility: allowed; expanded app: Finder\n");
    const QImage image = picture();
    EXPECT_GT(drawnOutside(image, ringArea(image)), 0);
}

class SnapshotThumbnailTest : public SnapshotTest {
protected:
    SnapshotThumbnailTest() : SnapshotTest(desktop(true, true)) {}
};

TEST_F(SnapshotThumbnailTest, ThePicturesOfTheShownWindowsAreTakenBeforeDrawing) {
    d.preferences().setValue(Preferences::appDomain, "windowThumbnails", true);
    run(indexOf("Finder"));
    EXPECT_TRUE(ok);
    EXPECT_EQ(cache.storedIDs(), (std::set<quint32>{21, 22}));
    EXPECT_EQ(d.queues().pendingMain(), 0);
    EXPECT_EQ(d.queues().pendingBackground(), 0);

    // With chips turned off they still show, with their thumbnails.
    d.preferences().setValue(Preferences::appDomain, "windowLayout", "off");
    ThumbnailCache off(d.platform());
    const Snapshot::Scene scene = Snapshot::prepare(d.platform(), off, indexOf("Finder"));
    EXPECT_TRUE(scene.view->hasThumbnailChips());
    EXPECT_EQ(off.storedIDs(), (std::set<quint32>{21, 22}));

    // With thumbnails off nothing is captured.
    ThumbnailCache other(d.platform());
    d.preferences().setValue(Preferences::appDomain, "windowThumbnails", false);
    QString line;
    QTextStream out(&line);
    QTextStream err(&errors);
    Snapshot::run(d.platform(), other, d.path("off.png"), indexOf("Finder"), out, err);
    EXPECT_TRUE(other.storedIDs().empty());
}

class SnapshotUntrustedTest : public SnapshotTest {
protected:
    SnapshotUntrustedTest() : SnapshotTest(desktop(false)) {}
};

TEST_F(SnapshotUntrustedTest, SaysSoWhenWindowsCannotBeListed) {
    EXPECT_TRUE(run(std::nullopt).startsWith("Accessibility: not allowed; expanded app: "));
    EXPECT_TRUE(ok);
}

// The program itself, as a person runs it.
class SnapshotProgram : public ::testing::Test {
protected:
    struct Result {
        int exitCode = -1;
        QByteArray out, err;
    };
    Result run(const QStringList& arguments, const QByteArray& storedSettings = {}) {
        QFile file(dir.filePath("desktop.json"));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(desktop());
        file.close();
        if (!storedSettings.isEmpty()) {
            QDir().mkpath(dir.filePath("config/tandri/defaults"));
            QFile settings(dir.filePath("config/tandri/defaults/app.tandri.json"));
            EXPECT_TRUE(settings.open(QIODevice::WriteOnly));
            settings.write(storedSettings);
        }
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TANDRI_DESKTOP", file.fileName());
        env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        process.setProcessEnvironment(env);
        process.start(TANDRI_BINARY, arguments);
        EXPECT_TRUE(process.waitForFinished(60000));
        return {process.exitCode(), process.readAllStandardOutput(),
                process.readAllStandardError()};
    }
    QTemporaryDir dir;
};

TEST_F(SnapshotProgram, WritesThePictureOfTheNamedDesktop) {
    const QString path = dir.filePath("ring.png");
    const Result result = run({"--snapshot", path, "0"});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(result.out.toStdString(), "Accessibility: allowed; expanded app: Finder\n");
    const QImage image(path);
    // Three entries: a ring of size 268.
    EXPECT_EQ(image.size(), QSize(2 * (268 + 640), 2 * (268 + 360)));
}

TEST_F(SnapshotProgram, ShowsTheChipsWhateverTheStoredWindowLayout) {
    for (const char* layout : {"arc", "column", "off"}) {
        SCOPED_TRACE(layout);
        const Result result = run({"--snapshot", dir.filePath("ring.png"), "0"},
                                  QStringLiteral(R"({"windowLayout": "%1"})").arg(layout).toUtf8());
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(result.out.toStdString(), "Accessibility: allowed; expanded app: Finder\n");
    }
}

TEST_F(SnapshotProgram, AnUnwritablePathEndsWithStatusOne) {
    const Result result = run({"--snapshot", dir.filePath("no/such/folder/ring.png")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.out.isEmpty());
    EXPECT_TRUE(result.err.contains("cannot write the snapshot")) << result.err.toStdString();
}

}  // namespace
}  // namespace tandri::test
