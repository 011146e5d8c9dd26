// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QDropEvent>
#include <QGuiApplication>
#include <QMimeData>
#include <QWindow>

#include "platform/sim/virtualclock.h"
#include "platform/x11/x11overlays.h"
#include "platform/x11/x11overlaywindow.h"
#include "platform/x11/x11screens.h"
#include "platform/x11/x11shieldwindow.h"
#include "platform/x11/xdndtarget.h"
#include "support/ringentries.h"
#include "x11session.h"

// Last: Xlib's macros clash with Qt's headers.
#include "platform/x11/xlib.h"
#undef None  // it would hide DragOperation::None

namespace tandri::x11::test {
namespace {

using tandri::test::solidImage;

// The panel in screen points, y up: on the 900-point screen its top-left corner lies at
// (300, 400) in X's coordinates and its bottom-right at (700, 700).
const QRectF panelFrame(300, 200, 400, 300);

// Handlers that record the buttons pressed and the keys typed, answer drags with `operation` and
// keep what is dropped, taking it when `takes`.
struct Recorder {
    std::vector<MouseButton> clicks;
    std::vector<KeyEvent> keys;
    DragOperation operation = DragOperation::Copy;
    std::vector<QUrl> dropped;
    bool takes = true;
    OverlayHandlers handlers() {
        return {[this](MouseButton b) { clicks.push_back(b); },
                [this](const KeyEvent& e) { keys.push_back(e); }, [this] { return operation; },
                [this](const std::vector<QUrl>& urls) {
                    dropped = urls;
                    return takes;
                }};
    }
};

// What the window shows, as the rectangles of its shape in the frame's pixels: the window may
// cover less than its frame.
std::vector<QRect> shape(X11Connection& connection, const X11OverlayWindow& window) {
    Display* display = connection.display();
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(display, window.windowID(), connection.root(), 0, 0, &x, &y, &child);
    const QPoint offset = QPoint(x, y) - X11Screens::toQt(window.frame()).topLeft().toPoint();
    int count = 0, ordering = 0;
    XRectangle* rects =
        XShapeGetRectangles(display, window.windowID(), ShapeBounding, &count, &ordering);
    std::vector<QRect> result;
    for (int i = 0; i < count; ++i)
        result.push_back(
            QRect(rects[i].x, rects[i].y, rects[i].width, rects[i].height).translated(offset));
    XFree(rects);
    return result;
}

class X11OverlayWindowTest : public X11Suite {
protected:
    void SetUp() override {
        X11Suite::SetUp();
        overlays = std::make_unique<X11Overlays>(*connection, keyFocus, clock);
    }

    // A panel or a shield over `frame`, not shown yet, reporting to `recorder`.
    std::unique_ptr<X11OverlayWindow> panel(Recorder& recorder, QRectF frame = panelFrame) {
        return place<X11OverlayWindow>(overlays->makePanel(), recorder, frame);
    }
    std::unique_ptr<X11ShieldWindow> shield(Recorder& recorder, QRectF frame = panelFrame) {
        return place<X11ShieldWindow>(overlays->makeShield(), recorder, frame);
    }
    template <class Window>
    std::unique_ptr<Window> place(std::unique_ptr<OverlayWindow> made, Recorder& recorder,
                                  QRectF frame) {
        std::unique_ptr<Window> window(static_cast<Window*>(made.release()));
        window->setHandlers(recorder.handlers());
        window->setFrame(frame);
        return window;
    }

    // A window of another program under the whole panel, drawn and settled.
    std::unique_ptr<SolidWindow> underneath(
        const QString& title, const QString& colour, QColor expected,
        SolidWindow::Program program = SolidWindow::Program::Clock) {
        // A terminal's size is in characters; 80 by 40 covers the panel too.
        const QRect geometry = program == SolidWindow::Program::Clock ? QRect(250, 350, 500, 400)
                                                                      : QRect(250, 350, 80, 40);
        auto window = std::make_unique<SolidWindow>(*connection, title, colour, geometry, program);
        EXPECT_NE(window->window(), 0u);
        EXPECT_TRUE(waitForColour(*connection, QPoint(500, 550), expected));
        return window;
    }

    ::testing::AssertionResult shows(std::initializer_list<std::pair<QPoint, QColor>> points) {
        return test::shows(*connection, points);
    }
    // Clicks `button` at `point` and waits until `clicks` has `count` of them.
    bool clickAt(QPoint point, const char* button, const std::vector<MouseButton>& clicks,
                 std::size_t count) {
        return xdotool({"mousemove", QString::number(point.x()), QString::number(point.y()),
                        "click", button}) &&
               waitForEvents([&] { return clicks.size() == count; });
    }
    // The screen's colour where no window lies.
    QColor desktop() { return screenColour(*connection, QPoint(50, 880)); }

    static QString focused() {
        QString output;
        run("xdotool", {"getwindowfocus"}, &output);
        return output.trimmed();
    }

    KeyFocus keyFocus;
    sim::VirtualClock clock;
    std::unique_ptr<X11Overlays> overlays;
    Recorder recorder;
};

TEST_F(X11OverlayWindowTest, ThePictureShowsWhereThePointsPutItAndTheWholeFrameTakesClicks) {
    auto blue = underneath("PictureBlue", "blue", Qt::blue);
    auto window = panel(recorder);
    EXPECT_EQ(window->frame(), panelFrame);
    window->setAcceptsMouseEvents(true);
    window->orderFront();
    EXPECT_TRUE(window->isVisible());
    // 50 points square at 20, 30 from the window's bottom-left: X's y runs from 400 + 300 - 30
    // - 50 = 620 down to 670. Not flipped: the same area read y down would be at 455.
    const auto square = [&] {
        window->setContents(solidImage(Qt::red, 50, 50), QRectF(20, 30, 50, 50));
        return waitForColour(*connection, QPoint(345, 645), Qt::red);
    };
    ASSERT_TRUE(square());
    EXPECT_TRUE(shows({{{322, 622}, Qt::red},
                       {{368, 668}, Qt::red},
                       {{345, 675}, Qt::blue},
                       {{345, 455}, Qt::blue},
                       {{500, 550}, Qt::blue}}));
    // Only the drawn square: the server reads no picture of the rest of the frame.
    EXPECT_EQ(shape(*connection, *window), std::vector{QRect(20, 220, 50, 50)});
    // Nor does the window cover more: a compositing manager repaints all a window covers.
    XWindowAttributes attributes;
    ASSERT_TRUE(XGetWindowAttributes(connection->display(), window->windowID(), &attributes));
    EXPECT_EQ(QSize(attributes.width, attributes.height), QSize(50, 50));

    // A picture at two pixels per point fills the same points; the first picture stays, and the
    // shape grows over both.
    window->setContents(solidImage(Qt::green, 100, 100), QRectF(200, 200, 50, 50));
    ASSERT_TRUE(waitForColour(*connection, QPoint(525, 475), Qt::green));
    EXPECT_TRUE(shows({{{502, 452}, Qt::green},
                       {{548, 498}, Qt::green},
                       {{525, 505}, Qt::blue},
                       {{345, 645}, Qt::red}}));
    EXPECT_EQ(shape(*connection, *window), std::vector{QRect(20, 50, 230, 220)});

    // A null image empties its area only; clearing empties all.
    window->setContents(QImage(), QRectF(20, 30, 50, 50));
    ASSERT_TRUE(waitForColour(*connection, QPoint(345, 645), Qt::blue));
    EXPECT_TRUE(shows({{{525, 475}, Qt::green}}));
    window->clearContents();
    EXPECT_TRUE(waitForColour(*connection, QPoint(525, 475), Qt::blue));

    // Emptied while hidden, the next opening shows nothing until it draws.
    ASSERT_TRUE(square());
    window->orderOut();
    window->clearContents();
    window->orderFront();
    EXPECT_TRUE(shape(*connection, *window).empty());
    EXPECT_TRUE(waitForColour(*connection, QPoint(345, 645), Qt::blue));

    // Beside the square the screen stays live, and a click there is the panel's all the same.
    ASSERT_TRUE(square());
    const QColor root = desktop();
    ASSERT_TRUE(
        run("xdotool", {"windowmove", "--sync", QString::number(blue->window()), "900", "100"}));
    EXPECT_TRUE(waitForColour(*connection, QPoint(500, 550), root));
    EXPECT_TRUE(shows({{{345, 645}, Qt::red}}));
    ASSERT_TRUE(clickAt({500, 550}, "3", recorder.clicks, 1));
    ASSERT_TRUE(clickAt({345, 645}, "1", recorder.clicks, 2));
    EXPECT_EQ(recorder.clicks, (std::vector{MouseButton::Right, MouseButton::Left}));

    // More to show grows the shape, with what lies there now behind the new part.
    window->setContents(solidImage(Qt::green, 20, 20), QRectF(300, 200, 20, 20));
    ASSERT_TRUE(waitForColour(*connection, QPoint(610, 490), Qt::green));
    EXPECT_EQ(shape(*connection, *window), std::vector{QRect(20, 80, 300, 190)});
    EXPECT_TRUE(shows({{{500, 550}, root}, {{345, 645}, Qt::red}}));

    // Not accepting clicks, no part takes them.
    window->setAcceptsMouseEvents(false);
    ASSERT_TRUE(xdotool({"mousemove", "500", "550", "click", "1"}));
    waitForEvents([] { return false; }, 200);
    EXPECT_EQ(recorder.clicks.size(), 2u);
}

TEST_F(X11OverlayWindowTest, OrderOutHidesAndOrderFrontShowsAgainAboveNormalWindows) {
    // A terminal, which the window manager focuses, unlike a clock.
    auto blue = underneath("StackBlue", "blue", Qt::blue, SolidWindow::Program::Terminal);
    auto window = panel(recorder);
    window->orderFront();
    window->setContents(solidImage(Qt::red, 50, 50), QRectF(175, 125, 50, 50));
    const QPoint square(500, 550);
    ASSERT_TRUE(waitForColour(*connection, square, Qt::red));

    // The window manager raises and focuses the other window: the panel stays above it.
    ASSERT_TRUE(run("wmctrl", {"-i", "-a", QString::number(blue->window())}));
    ASSERT_TRUE(waitForEvents([&] {
        const auto active = connection->windows(connection->root(), "_NET_ACTIVE_WINDOW");
        return !active.empty() && active.front() == blue->window();
    }));
    // A window that appears later under the panel stays below it too.
    SolidWindow later(*connection, "LaterGreen", "#00ff00", QRect(450, 500, 200, 150));
    ASSERT_NE(later.window(), 0u);
    ASSERT_TRUE(run("wmctrl", {"-i", "-a", QString::number(later.window())}));
    waitForEvents([] { return false; }, 300);  // let the window manager restack
    EXPECT_TRUE(shows({{square, Qt::red}}));

    window->orderOut();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(waitForEvents([&] { return !near(screenColour(*connection, square), Qt::red); }));

    window->orderFront();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(waitForColour(*connection, square, Qt::red));
}

TEST_F(X11OverlayWindowTest, ClicksGoThroughAWindowThatDoesNotAcceptThem) {
    auto blue = underneath("ClickBlue", "blue", Qt::blue);
    Recorder below;
    auto cover = shield(below);
    cover->setAcceptsMouseEvents(true);
    cover->orderFront();

    auto window = panel(recorder);
    window->setAcceptsMouseEvents(false);
    window->orderFront();
    window->setContents(solidImage(Qt::red, 400, 300), QRectF(0, 0, 400, 300));
    ASSERT_TRUE(waitForColour(*connection, QPoint(500, 550), Qt::red));

    ASSERT_TRUE(clickAt({500, 550}, "1", below.clicks, 1));
    EXPECT_EQ(below.clicks, std::vector{MouseButton::Left});
    EXPECT_TRUE(recorder.clicks.empty());

    window->setAcceptsMouseEvents(true);
    ASSERT_TRUE(clickAt({500, 550}, "3", recorder.clicks, 1));
    ASSERT_TRUE(clickAt({500, 550}, "2", recorder.clicks, 2));
    EXPECT_EQ(recorder.clicks, (std::vector{MouseButton::Right, MouseButton::Other}));
    EXPECT_EQ(below.clicks.size(), 1u);

    // Accepting again covers a frame that grew meanwhile.
    window->setAcceptsMouseEvents(false);
    window->setFrame(QRectF(200, 100, 600, 500));
    window->setAcceptsMouseEvents(true);
    EXPECT_TRUE(clickAt({250, 750}, "1", recorder.clicks, 3));
}

TEST_F(X11OverlayWindowTest, AShieldShowsNothingAndTakesEveryButtonButTheWheel) {
    auto blue = underneath("ShieldBlue", "blue", Qt::blue);
    Recorder taken;
    auto cover = shield(taken);
    cover->orderFront();
    EXPECT_TRUE(cover->isVisible());
    EXPECT_TRUE(waitForColour(*connection, QPoint(500, 550), Qt::blue));
    // What lies below keeps drawing: the window moved away from under the shield is gone from
    // the screen there too, as no picture taken at the opening would show.
    const QColor root = desktop();
    ASSERT_FALSE(near(root, Qt::blue));
    ASSERT_TRUE(
        run("xdotool", {"windowmove", "--sync", QString::number(blue->window()), "900", "450"}));
    EXPECT_TRUE(waitForColour(*connection, QPoint(500, 550), root));

    ASSERT_TRUE(xdotool({"mousemove", "500", "550", "click", "1", "click", "3", "click", "4",
                         "click", "5", "click", "2"}));
    ASSERT_TRUE(waitForEvents([&] { return taken.clicks.size() >= 3; }));
    waitForEvents([] { return false; }, 200);
    EXPECT_EQ(taken.clicks,
              (std::vector{MouseButton::Left, MouseButton::Right, MouseButton::Other}));

    // Not accepting, it lets the clicks through to what lies below.
    auto window = panel(recorder);
    window->orderFront();
    // Shown, so that Qt's requests, on a connection of its own, are done: the shield goes above.
    window->setContents(solidImage(Qt::red, 400, 300), QRectF(0, 0, 400, 300));
    ASSERT_TRUE(waitForColour(*connection, QPoint(500, 550), Qt::red));
    cover->orderFront();
    cover->setAcceptsMouseEvents(false);
    ASSERT_TRUE(clickAt({500, 550}, "1", recorder.clicks, 1));
    cover->setAcceptsMouseEvents(true);
    ASSERT_TRUE(clickAt({500, 550}, "1", taken.clicks, 4));
    EXPECT_EQ(recorder.clicks.size(), 1u);

    cover->orderOut();
    EXPECT_FALSE(cover->isVisible());
    ASSERT_TRUE(clickAt({500, 550}, "3", recorder.clicks, 2));
    EXPECT_EQ(taken.clicks.size(), 4u);
}

TEST_F(X11OverlayWindowTest, TheKeyWindowGetsTheKeysAndGivesTheFocusBack) {
    SolidWindow terminal(*connection, "KeyTerminal", "blue", QRect(100, 100, 40, 10),
                         SolidWindow::Program::Terminal);
    ASSERT_NE(terminal.window(), 0u);
    ASSERT_TRUE(run("wmctrl", {"-i", "-a", QString::number(terminal.window())}));
    const QString terminalID = QString::number(terminal.window());
    ASSERT_TRUE(waitForEvents([&] { return focused() == terminalID; }));

    Recorder beside;
    auto cover = shield(beside, QRectF(800, 100, 200, 200));
    cover->orderFront();
    cover->makeKey();
    waitForEvents([] { return false; }, 200);
    EXPECT_EQ(focused(), terminalID) << "a shield never takes the keyboard";

    auto window = panel(recorder);
    window->orderFront();
    window->makeKey();
    const QString panelID = QString::number(window->windowID());
    ASSERT_TRUE(waitForEvents([&] { return focused() == panelID; }));

    const std::vector<KeyEvent>& keys = recorder.keys;
    ASSERT_TRUE(xdotool({"key", "Escape", "key", "shift+a"}));
    ASSERT_TRUE(waitForEvents([&] { return keys.size() >= 2; }));
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].keyCode, 53);
    EXPECT_EQ(keys[1].keyCode, 0);
    EXPECT_EQ(keys[1].modifierFlags & KeyEvent::shiftFlag, KeyEvent::shiftFlag);
    EXPECT_TRUE(beside.keys.empty());

    // Once the panel goes, the window manager gives the keyboard back to the terminal.
    window->orderOut();
    EXPECT_TRUE(waitForEvents([&] { return focused() == terminalID; }));

    // Asked for the keyboard while hidden, the panel takes it when it shows.
    window->makeKey();
    EXPECT_EQ(focused(), terminalID);
    window->orderFront();
    EXPECT_TRUE(waitForEvents([&] { return focused() == panelID; }));
}

TEST_F(X11OverlayWindowTest, FilesDraggedOntoThePanelGoToItsHandlers) {
    auto window = panel(recorder);
    window->orderFront();
    QWindow* surface = nullptr;
    for (QWindow* candidate : QGuiApplication::allWindows()) {
        if (XID(candidate->winId()) == window->windowID())
            surface = candidate;
    }
    ASSERT_NE(surface, nullptr);

    QMimeData files;
    files.setUrls({QUrl::fromLocalFile("/tmp/a.txt"), QUrl("https://example.org/"),
                   QUrl::fromLocalFile("/tmp/b.txt")});
    QMimeData web;
    web.setUrls({QUrl("https://example.org/")});
    const auto enter = [&](const QMimeData& data) {
        QDragEnterEvent event(QPoint(10, 10), Qt::CopyAction | Qt::MoveAction, &data,
                              Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(surface, &event);
        return event.isAccepted() ? event.dropAction() : Qt::IgnoreAction;
    };
    const auto drop = [&](const QMimeData& data) {
        QDropEvent event(QPointF(10, 10), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(surface, &event);
        return event.isAccepted();
    };

    EXPECT_EQ(enter(files), Qt::CopyAction);
    recorder.operation = DragOperation::Move;
    EXPECT_EQ(enter(files), Qt::MoveAction);
    recorder.operation = DragOperation::None;
    EXPECT_EQ(enter(files), Qt::IgnoreAction);
    recorder.operation = DragOperation::Copy;
    EXPECT_EQ(enter(web), Qt::IgnoreAction) << "only files are taken";

    EXPECT_TRUE(drop(files));
    EXPECT_EQ(recorder.dropped,
              (std::vector{QUrl::fromLocalFile("/tmp/a.txt"), QUrl::fromLocalFile("/tmp/b.txt")}));
    recorder.takes = false;
    EXPECT_FALSE(drop(files));
    recorder.dropped.clear();
    EXPECT_FALSE(drop(web));
    EXPECT_TRUE(recorder.dropped.empty());
}

// Another program dragging files over the shield, by the X drag-and-drop protocol, through
// a connection of its own.
TEST_F(X11OverlayWindowTest, AShieldWithADropHandlerTakesFilesDraggedOverItFromOtherPrograms) {
    auto& [clicks, keys, operation, dropped, takes] = recorder;
    operation = DragOperation::Move;
    auto cover = shield(recorder);
    cover->orderFront();
    const XID target = cover->windowID();
    EXPECT_EQ(connection->atoms(target, "XdndAware"), std::vector<XAtom>{5})
        << "the window says it takes drops, by the protocol's fifth version";

    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    const Window source =
        XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    const auto atom = [&](const char* name) {
        return long(XInternAtom(display, name, False));
    };
    const auto send = [&](const char* type, long d1 = 0, long d2 = 0, long d3 = 0, long d4 = 0) {
        XEvent event{};
        event.xclient = {ClientMessage, 0, True, display, target, Atom(atom(type)), 32, {}};
        const long data[] = {long(source), d1, d2, d3, d4};
        std::copy(std::begin(data), std::end(data), event.xclient.data.l);
        XSendEvent(display, target, False, NoEventMask, &event);
        XFlush(display);
    };
    // The next event of `type` the source gets, answering the selection's requests meanwhile
    // with `data` unless it is told to stay silent.
    const auto next = [&](int type, const QByteArray& data, bool answers = true) {
        XEvent found{};
        const bool arrived = waitForEvents([&] {
            while (XPending(display)) {
                XEvent event;
                XNextEvent(display, &event);
                if (event.type == SelectionRequest && answers) {
                    const XSelectionRequestEvent& r = event.xselectionrequest;
                    XChangeProperty(display, r.requestor, r.property, r.target, 8, PropModeReplace,
                                    reinterpret_cast<const unsigned char*>(data.constData()),
                                    int(data.size()));
                    XEvent notify{};
                    notify.xselection = {SelectionNotify, 0,           True,
                                         display,         r.requestor, r.selection,
                                         r.target,        r.property,  r.time};
                    XSendEvent(display, r.requestor, False, NoEventMask, &notify);
                    XFlush(display);
                }
                if (event.type == type) {
                    found = event;
                    return true;
                }
            }
            return false;
        });
        EXPECT_TRUE(arrived) << "no event " << type;
        return found.xclient;
    };
    // Enters offering these types, moves to a position, and returns the target's status.
    const auto status = [&](long x, std::initializer_list<const char*> offered = {}) {
        if (offered.size() > 0) {
            std::vector<long> types;
            for (const char* name : offered) types.push_back(atom(name));
            types.resize(3);
            send("XdndEnter", 5l << 24, types[0], types[1], types[2]);
        }
        send("XdndPosition", 0, (x << 16) | 550, CurrentTime, atom("XdndActionCopy"));
        const XClientMessageEvent answer = next(ClientMessage, {});
        EXPECT_EQ(answer.message_type, Atom(atom("XdndStatus")));
        return answer;
    };
    const auto finished = [&](const XClientMessageEvent& answer) {
        EXPECT_EQ(answer.message_type, Atom(atom("XdndFinished")));
        return answer.data.l[1] & 1;
    };

    // The offered types decide first, then the handler's operation at each position.
    EXPECT_EQ(status(500, {"text/plain"}).data.l[1] & 1, 0) << "no files offered";
    send("XdndLeave");
    XClientMessageEvent answer = status(500, {"text/plain", "text/uri-list"});
    EXPECT_EQ(answer.data.l[1] & 1, 1);
    EXPECT_EQ(answer.data.l[4], atom("XdndActionMove"));
    operation = DragOperation::Copy;
    EXPECT_EQ(status(510).data.l[4], atom("XdndActionCopy"));
    operation = DragOperation{};
    answer = status(520);
    EXPECT_EQ(answer.data.l[1] & 1, 0) << "nothing aimed";
    EXPECT_EQ(answer.data.l[4], 0);

    // Dropped where nothing is aimed, refused at once.
    send("XdndDrop", 0, CurrentTime);
    EXPECT_EQ(finished(next(ClientMessage, {})), 0);
    EXPECT_TRUE(dropped.empty());

    // Dropped on an aimed entry: the local files of the list go to the handler.
    XSetSelectionOwner(display, Atom(atom("XdndSelection")), source, CurrentTime);
    operation = DragOperation::Move;
    ASSERT_EQ(status(500, {"text/uri-list"}).data.l[1] & 1, 1);
    send("XdndDrop", 0, CurrentTime);
    answer = next(ClientMessage,
                  "# a comment\r\nfile:///tmp/a.txt\r\nhttps://example.org/\r\n"
                  "file:///tmp/b%20c.txt\r\n");
    EXPECT_EQ(finished(answer), 1);
    EXPECT_EQ(answer.data.l[2], atom("XdndActionMove"));
    EXPECT_EQ(dropped, (std::vector{QUrl::fromLocalFile("/tmp/a.txt"),
                                    QUrl::fromLocalFile("/tmp/b c.txt")}));

    // A source that never hands its data over is told, in time, that the drop was refused.
    dropped.clear();
    ASSERT_EQ(status(500, {"text/uri-list"}).data.l[1] & 1, 1);
    send("XdndDrop", 0, CurrentTime);
    next(SelectionRequest, {}, false);
    clock.advance(XdndTarget::patience);
    EXPECT_EQ(finished(next(ClientMessage, {}, false)), 0);
    EXPECT_TRUE(dropped.empty());

    XDestroyWindow(display, source);
    XCloseDisplay(display);
}

TEST_F(X11OverlayWindowTest, TheBackdropBlursWhatLayBehindInsideItsMask) {
    // Red on the left of x = 500, the black root to its right.
    SolidWindow red(*connection, "BackdropRed", "red", QRect(250, 380, 250, 350));
    ASSERT_NE(red.window(), 0u);
    const QRect onRoot = red.geometry();
    ASSERT_TRUE(waitForColour(*connection, onRoot.center(), Qt::red));
    const int edge = onRoot.right() + 1;
    const QPoint deepRed(edge - 60, 550);
    const QPoint besideRed(edge + 6, 550);
    ASSERT_TRUE(shows({{besideRed, Qt::black}}));

    auto window = panel(recorder);
    // The backdrop covers window x 100 to 300 (screen 400 to 600); its mask's left three
    // quarters blur, the right quarter (screen 550 to 600) stays clear.
    QImage mask(4, 1, QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::black);
    mask.setPixelColor(3, 0, Qt::transparent);
    OverlayBackdrop backdrop{OverlayBackdrop::Material::Hud, QRectF(100, 50, 200, 200), mask};
    window->setBackdrop(backdrop);
    window->orderFront();
    const auto deep = [&](const std::function<bool(QColor)>& looks) {
        return waitForEvents([&] { return looks(screenColour(*connection, deepRed)); });
    };

    // Darker red inside, red bleeding over the edge, untouched beyond the mask.
    ASSERT_TRUE(deep([](QColor c) {
        return c.red() > 90 && c.red() < 200 && c.green() < 40 && c.blue() < 40;
    })) << qPrintable(screenColour(*connection, deepRed).name());
    const QColor bled = screenColour(*connection, besideRed);
    EXPECT_GT(bled.red(), 30) << qPrintable(bled.name());
    EXPECT_GT(bled.red(), bled.green() + 20) << qPrintable(bled.name());
    EXPECT_TRUE(shows({{{590, 550}, Qt::black}}));
    EXPECT_TRUE(shows({{{edge - 60, 420}, Qt::red}})) << "outside the backdrop's frame";

    // Fully faded, nothing of it shows.
    window->setBackdropAlpha(0);
    EXPECT_TRUE(waitForColour(*connection, deepRed, Qt::red));
    window->setBackdropAlpha(1);
    EXPECT_TRUE(deep([](QColor c) { return c.red() < 200; }));

    // The light material brightens; it is taken anew while the panel is hidden.
    window->orderOut();
    ASSERT_TRUE(waitForColour(*connection, deepRed, Qt::red));
    backdrop.material = OverlayBackdrop::Material::Popover;
    window->setBackdrop(backdrop);
    window->orderFront();
    EXPECT_TRUE(deep([](QColor c) { return c.red() > 200 && c.green() > 50 && c.blue() > 50; }))
        << qPrintable(screenColour(*connection, deepRed).name());

    window->setBackdrop(std::nullopt);
    EXPECT_TRUE(waitForColour(*connection, deepRed, Qt::red));
}

}  // namespace
}  // namespace tandri::x11::test
