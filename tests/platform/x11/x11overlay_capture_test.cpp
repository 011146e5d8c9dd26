// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QPainter>
#include <QRasterWindow>
#include <QSurfaceFormat>
#include <algorithm>
#include <thread>

#include "platform/x11/screengrabber.h"
#include "platform/x11/x11screencapture.h"
#include "x11session.h"

namespace tandri::x11::test {
namespace {

class X11ScreenCaptureTest : public X11Suite {
protected:
    std::optional<ShareableWindow> listed(XID window) {
        const auto windows = capture->shareableWindows();
        if (!windows)
            return std::nullopt;
        const auto found = std::find_if(windows->begin(), windows->end(),
                                        [&](const ShareableWindow& w) { return w.id == window; });
        return found == windows->end() ? std::nullopt : std::optional(*found);
    }

    // A capture that shows mostly `colour`, once the program has drawn its window.
    QImage waitForPicture(XID window, QColor colour, QSize size = QSize(200, 150)) {
        QImage picture;
        waitForEvents([&] {
            picture = capture->capture(quint32(window), size);
            return share(picture, colour) > 0.9;
        });
        return picture;
    }
};

TEST_F(X11ScreenCaptureTest, ListsOtherProgramsWindowsWithTheirAreaInPointsYUp) {
    SolidWindow red(*connection, "ListedRed", "red", QRect(120, 140, 240, 160));
    ASSERT_NE(red.window(), 0u);
    // A managed window of this very program is not another program's.
    QRasterWindow own;
    own.setTitle("OwnWindow");
    own.resize(200, 100);
    own.show();
    const XID ownID = clientTitled(*connection, "OwnWindow");
    ASSERT_NE(ownID, 0u);

    std::optional<ShareableWindow> entry;
    ASSERT_TRUE(waitForEvents([&] { return (entry = listed(red.window())).has_value(); }));
    const QRect onRoot = red.geometry();
    ASSERT_EQ(onRoot.size(), QSize(240, 160));
    // The screen is 900 points high, so y up from the bottom is 900 minus the bottom edge.
    EXPECT_EQ(entry->frame, QRectF(onRoot.x(), 900 - onRoot.y() - 160, 240, 160));
    EXPECT_FALSE(listed(ownID));
}

TEST_F(X11ScreenCaptureTest, PicturesAreTakenOnAnyThreadIntoMemoryOfTheirOwn) {
    SolidWindow green(*connection, "ThreadGreen", "#00ff00", QRect(100, 500, 320, 200));
    SolidWindow red(*connection, "ThreadRed", "red", QRect(700, 450, 480, 320));
    ASSERT_NE(green.window(), 0u);
    ASSERT_NE(red.window(), 0u);
    ASSERT_FALSE(waitForPicture(green.window(), QColor(0, 255, 0)).isNull());
    ASSERT_FALSE(waitForPicture(red.window(), Qt::red).isNull());
    const QSize greenSize = green.geometry().size();
    const QSize redSize = red.geometry().size();

    for (const bool shared : {true, false}) {
        SCOPED_TRACE(shared ? "shared memory" : "plain");
        capture->allowSharing(shared);
        // At the window's own size, which needs no scaling, then a larger window.
        QImage first, second;
        std::thread([&] {
            first = capture->capture(quint32(green.window()), greenSize);
            second = capture->capture(quint32(red.window()), redSize);
        }).join();
        EXPECT_EQ(capture->lastMethod(),
                  shared ? X11ScreenCapture::Method::Shared : X11ScreenCapture::Method::Plain);
        ASSERT_EQ(first.size(), greenSize);
        ASSERT_EQ(second.size(), redSize);
        // The first picture kept its pixels while the second was read.
        EXPECT_GT(share(first, QColor(0, 255, 0)), 0.9);
        EXPECT_GT(share(second, Qt::red), 0.9);
        EXPECT_EQ(first.pixelColor(0, 0).alpha(), 255);
    }
    capture->allowSharing(true);
}

TEST_F(X11ScreenCaptureTest, ACoveredWindowIsCapturedWholeAtTheAskedSizeWithoutItsFrame) {
    SolidWindow red(*connection, "CoveredRed", "red", QRect(200, 300, 300, 200));
    ASSERT_NE(red.window(), 0u);
    ASSERT_FALSE(waitForPicture(red.window(), Qt::red).isNull());
    const QRect under = red.geometry();

    // A blue window over most of the red one.
    SolidWindow blue(*connection, "CoveringBlue", "blue",
                     QRect(under.x() + 60, under.y() - 20, 300, 200));
    ASSERT_NE(blue.window(), 0u);
    ASSERT_TRUE(run("wmctrl", {"-i", "-a", QString::number(blue.window())}));
    const QPoint covered(under.x() + 150, under.y() + 100);
    ASSERT_TRUE(waitForColour(*connection, covered, Qt::blue));

    const QImage picture = capture->capture(quint32(red.window()), QSize(200, 150));
    ASSERT_EQ(picture.size(), QSize(200, 150));
    EXPECT_GT(share(picture, Qt::red), 0.9);
    // The window manager's title bar is grey: none of it may show at the top.
    EXPECT_GT(share(picture.copy(0, 0, 200, 8), Qt::red), 0.95);
    EXPECT_GT(share(picture.copy(0, 142, 200, 8), Qt::red), 0.95);
    // The screen itself still shows the blue window there: the picture is not a screen grab.
    EXPECT_TRUE(near(screenColour(*connection, covered), Qt::blue));
}

TEST_F(X11ScreenCaptureTest, WindowsOffTheScreenAndGoneWindowsGiveNoPicture) {
    SolidWindow away(*connection, "AwayRed", "red", QRect(100, 100, 200, 150));
    SolidWindow gone(*connection, "GoneRed", "red", QRect(400, 100, 200, 150));
    ASSERT_NE(away.window(), 0u);
    ASSERT_NE(gone.window(), 0u);
    ASSERT_FALSE(waitForPicture(away.window(), Qt::red).isNull());
    ASSERT_FALSE(waitForPicture(gone.window(), Qt::red).isNull());

    // On another desktop the window is unmapped: no longer listed, and no picture.
    ASSERT_TRUE(run("wmctrl", {"-i", "-r", QString::number(away.window()), "-t", "2"}));
    ASSERT_TRUE(waitForEvents([&] { return !listed(away.window()); }));
    EXPECT_TRUE(capture->capture(quint32(away.window()), QSize(200, 150)).isNull());

    const XID goneID = gone.window();
    gone.end();
    ASSERT_TRUE(waitForEvents([&] { return !listed(goneID); }));
    EXPECT_TRUE(capture->capture(quint32(goneID), QSize(200, 150)).isNull());

    // Ids that never were a client's, and an empty size.
    EXPECT_TRUE(capture->capture(0, QSize(200, 150)).isNull());
    EXPECT_TRUE(capture->capture(0x7ffffffe, QSize(200, 150)).isNull());
    EXPECT_TRUE(capture->capture(quint32(connection->root()), QSize(200, 150)).isNull());
    EXPECT_TRUE(capture->capture(quint32(away.window()), QSize()).isNull());
}

// A managed window with an alpha channel, painted opaque magenta.
class TranslucentWindow : public QRasterWindow {
public:
    TranslucentWindow() {
        QSurfaceFormat format = this->format();
        format.setAlphaBufferSize(8);
        setFormat(format);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(QRect(QPoint(0, 0), size()), QColor(255, 0, 255));
    }
};

TEST_F(X11ScreenCaptureTest, WindowsWithAnAlphaChannelAreCapturedInTheirColours) {
    TranslucentWindow window;
    window.setTitle("AlphaMagenta");
    window.setGeometry(600, 300, 240, 180);
    window.show();
    const XID client = clientTitled(*connection, "AlphaMagenta");
    QString info;
    ASSERT_TRUE(run("xwininfo", {"-id", QString::number(client)}, &info));
    ASSERT_TRUE(info.contains(QStringLiteral("Depth: 32"))) << qPrintable(info);
    // The window manager frames it at depth 32 too, which is what the capture reads.
    EXPECT_FALSE(waitForPicture(client, QColor(255, 0, 255)).isNull());
}

TEST_F(X11ScreenCaptureTest, ScreenAreasAreReadCutToTheScreenByEitherWay) {
    SolidWindow blue(*connection, "ScreenBlue", "blue", QRect(500, 400, 200, 150));
    ASSERT_NE(blue.window(), 0u);
    const QRect at = blue.geometry();
    ASSERT_TRUE(waitForColour(*connection, at.center(), Qt::blue));

    const QImage inside =
        X11ScreenCapture::captureScreen(*connection, at.adjusted(10, 10, -10, -10));
    EXPECT_EQ(inside.size(), at.adjusted(10, 10, -10, -10).size());
    EXPECT_GT(share(inside, Qt::blue), 0.99);
    // Half beyond the right edge: only the half on the screen.
    EXPECT_EQ(X11ScreenCapture::captureScreen(*connection, QRect(1400, 10, 80, 20)).size(),
              QSize(40, 20));
    EXPECT_TRUE(X11ScreenCapture::captureScreen(*connection, QRect(2000, 0, 10, 10)).isNull());

    // A segment for 100 pixels, which the larger areas make grow.
    ScreenGrabber shared(*connection, 100);
    ScreenGrabber plain(*connection, 100, false);
    EXPECT_EQ(shared.method(), ScreenGrabber::Method::Shared) << "a local server shares memory";
    EXPECT_EQ(plain.method(), ScreenGrabber::Method::Plain);
    // Across the window's edge (blue and the desktop), beyond the screen's edge, and one pixel.
    for (const QRect& area : {at.adjusted(-30, -20, -100, -50), QRect(1400, 10, 80, 20),
                              QRect(at.center(), QSize(1, 1)), QRect(0, 0, 1440, 900)}) {
        SCOPED_TRACE(::testing::Message()
                     << area.x() << "," << area.y() << " " << area.width() << "x" << area.height());
        const QImage expected = X11ScreenCapture::captureScreen(*connection, area)
                                    .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        ASSERT_FALSE(expected.isNull());
        EXPECT_EQ(shared.grab(area), expected);
        EXPECT_EQ(plain.grab(area), expected);
    }
    EXPECT_EQ(shared.method(), ScreenGrabber::Method::Shared);
    EXPECT_TRUE(shared.grab(QRect(2000, 0, 10, 10)).isNull());

    // Into a larger picture at an offset: the rest of it stays as it was.
    for (ScreenGrabber* grabber : {&shared, &plain}) {
        QImage into(100, 80, QImage::Format_ARGB32_Premultiplied);
        into.fill(Qt::green);
        ASSERT_TRUE(
            grabber->grab(QRect(at.topLeft() + QPoint(5, 5), QSize(40, 30)), into, QPoint(50, 40)));
        EXPECT_EQ(into.pixelColor(60, 50), QColor(Qt::blue));
        EXPECT_EQ(into.pixelColor(89, 69), QColor(Qt::blue));
        EXPECT_EQ(into.pixelColor(49, 50), QColor(Qt::green));
        EXPECT_EQ(into.pixelColor(90, 69), QColor(Qt::green));
        EXPECT_EQ(into.pixelColor(60, 70), QColor(Qt::green));
        // Too large for the picture: refused, not written past its end.
        EXPECT_FALSE(grabber->grab(QRect(at.topLeft(), QSize(40, 30)), into, QPoint(80, 60)));
    }
}

}  // namespace
}  // namespace tandri::x11::test
