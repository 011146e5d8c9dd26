#include <gtest/gtest.h>

#include <QDropEvent>
#include <QGuiApplication>
#include <QMimeData>
#include <QPainter>
#include <QWindow>
#include <vector>

#include "platform/sim/virtualclock.h"
#include "platform/x11/x11overlays.h"
#include "platform/x11/x11overlaywindow.h"
#include "platform/x11/x11shieldwindow.h"
#include "platform/x11/xdndtarget.h"
#include "x11overlay_session.h"

// After every Qt header: Xlib defines macros (Bool, Status, None) that Qt's headers refuse.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/shape.h>
#undef None  // it would hide DragOperation::None

namespace tandri::x11::test {
namespace {

using tandri::test::waitForEvents;

// The panel in screen points, y up: on the 900-point screen its top-left corner lies at
// (300, 400) in X's coordinates and its bottom-right at (700, 700).
const QRectF panelFrame(300, 200, 400, 300);

QImage solid(QSize pixels, QColor colour) {
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(colour);
    return image;
}

// Handlers that answer drags with `operation` and keep what is dropped, taking it when `takes`.
struct DropRecorder {
    DragOperation operation = DragOperation::Copy;
    std::vector<QUrl> dropped;
    bool takes = true;
    OverlayHandlers handlers() {
        return {{},
                {},
                [this] { return operation; },
                [this](const std::vector<QUrl>& urls) {
                    dropped = urls;
                    return takes;
                }};
    }
};

class X11OverlayWindowTest : public X11Suite {
protected:
    void SetUp() override {
        X11Suite::SetUp();
        overlays = std::make_unique<X11Overlays>(*connection, keyFocus, clock);
    }

    std::unique_ptr<X11OverlayWindow> make() {
        auto window = overlays->makePanel();
        return std::unique_ptr<X11OverlayWindow>(static_cast<X11OverlayWindow*>(window.release()));
    }
    std::unique_ptr<X11ShieldWindow> makeShield() {
        auto window = overlays->makeShield();
        return std::unique_ptr<X11ShieldWindow>(static_cast<X11ShieldWindow*>(window.release()));
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

    static QString focused() {
        QString output;
        run("xdotool", {"getwindowfocus"}, &output);
        return output.trimmed();
    }

    KeyFocus keyFocus;
    sim::VirtualClock clock;
    std::unique_ptr<X11Overlays> overlays;
};

TEST_F(X11OverlayWindowTest, ThePictureLiesWhereThePointsPutItOverWhatLiesBehind) {
    auto blue = underneath("PictureBlue", "blue", Qt::blue);
    auto panel = make();
    panel->setFrame(panelFrame);
    EXPECT_EQ(panel->frame(), panelFrame);
    panel->orderFront();
    EXPECT_TRUE(panel->isVisible());
    // 50 points square at 20, 30 from the window's bottom-left: X's y runs from 400 + 300 - 30
    // - 50 = 620 down to 670.
    panel->setContents(solid(QSize(50, 50), Qt::red), QRectF(20, 30, 50, 50));
    ASSERT_TRUE(waitForColour(*connection, QPoint(345, 645), Qt::red));
    EXPECT_TRUE(near(screenColour(*connection, QPoint(322, 622)), Qt::red));
    EXPECT_TRUE(near(screenColour(*connection, QPoint(368, 668)), Qt::red));
    EXPECT_TRUE(near(screenColour(*connection, QPoint(345, 675)), Qt::blue));
    // Not flipped: the same area read y down would be up here.
    EXPECT_TRUE(near(screenColour(*connection, QPoint(345, 455)), Qt::blue));
    // The transparent rest of the window shows the other program's window.
    EXPECT_TRUE(near(screenColour(*connection, QPoint(500, 550)), Qt::blue));

    // A picture at two pixels per point fills the same points; the first picture stays.
    panel->setContents(solid(QSize(100, 100), Qt::green), QRectF(200, 200, 50, 50));
    ASSERT_TRUE(waitForColour(*connection, QPoint(525, 475), Qt::green));
    EXPECT_TRUE(near(screenColour(*connection, QPoint(502, 452)), Qt::green));
    EXPECT_TRUE(near(screenColour(*connection, QPoint(548, 498)), Qt::green));
    EXPECT_TRUE(near(screenColour(*connection, QPoint(525, 505)), Qt::blue));
    EXPECT_TRUE(near(screenColour(*connection, QPoint(345, 645)), Qt::red));

    // A null image empties its area only.
    panel->setContents(QImage(), QRectF(20, 30, 50, 50));
    ASSERT_TRUE(waitForColour(*connection, QPoint(345, 645), Qt::blue));
    EXPECT_TRUE(near(screenColour(*connection, QPoint(525, 475)), Qt::green));

    panel->clearContents();
    EXPECT_TRUE(waitForColour(*connection, QPoint(525, 475), Qt::blue));
}

// The rectangles of the window's shape, in its pixels.
std::vector<QRect> shape(X11Connection& connection, XID window) {
    int count = 0, ordering = 0;
    XRectangle* rects =
        XShapeGetRectangles(connection.display(), window, ShapeBounding, &count, &ordering);
    std::vector<QRect> result;
    for (int i = 0; i < count; ++i)
        result.emplace_back(rects[i].x, rects[i].y, rects[i].width, rects[i].height);
    if (rects)
        XFree(rects);
    return result;
}

TEST_F(X11OverlayWindowTest, TheWindowShowsOnlyWhereItDrawsAndTakesTheClicksEverywhere) {
    auto blue = underneath("ShapeBlue", "blue", Qt::blue);
    std::vector<MouseButton> clicks;
    auto panel = make();
    panel->setHandlers({[&](MouseButton b) { clicks.push_back(b); }, {}, {}, {}});
    panel->setFrame(panelFrame);
    panel->setAcceptsMouseEvents(true);
    panel->orderFront();
    panel->setContents(solid(QSize(50, 50), Qt::red), QRectF(20, 30, 50, 50));
    ASSERT_TRUE(waitForColour(*connection, QPoint(345, 645), Qt::red));
    // Only the drawn square: the server reads no picture of the rest of the frame.
    EXPECT_EQ(shape(*connection, panel->windowID()), std::vector{QRect(20, 220, 50, 50)});

    // Beside the square the screen stays live, and a click there is the panel's all the same.
    const QColor desktop = screenColour(*connection, QPoint(50, 880));
    ASSERT_TRUE(
        run("xdotool", {"windowmove", "--sync", QString::number(blue->window()), "900", "100"}));
    EXPECT_TRUE(waitForColour(*connection, QPoint(500, 550), desktop));
    EXPECT_TRUE(near(screenColour(*connection, QPoint(345, 645)), Qt::red));
    ASSERT_TRUE(run("xdotool", {"mousemove", "500", "550", "click", "3"}));
    ASSERT_TRUE(waitForEvents([&] { return clicks.size() == 1; }));
    ASSERT_TRUE(run("xdotool", {"mousemove", "345", "645", "click", "1"}));
    ASSERT_TRUE(waitForEvents([&] { return clicks.size() == 2; }));
    EXPECT_EQ(clicks, (std::vector{MouseButton::Right, MouseButton::Left}));

    // More to show grows the shape over both, with what lies there now behind the new part.
    panel->setContents(solid(QSize(20, 20), Qt::green), QRectF(300, 200, 20, 20));
    ASSERT_TRUE(waitForColour(*connection, QPoint(610, 490), Qt::green));
    EXPECT_EQ(shape(*connection, panel->windowID()), std::vector{QRect(20, 80, 300, 190)});
    EXPECT_TRUE(near(screenColour(*connection, QPoint(500, 550)), desktop));
    EXPECT_TRUE(near(screenColour(*connection, QPoint(345, 645)), Qt::red));

    // Not accepting clicks, neither part takes them.
    panel->setAcceptsMouseEvents(false);
    ASSERT_TRUE(run("xdotool", {"mousemove", "500", "550", "click", "1"}));
    waitForEvents([] { return false; }, 200);
    EXPECT_EQ(clicks.size(), 2u);

    // Emptied while hidden, the next opening shows nothing until it draws.
    panel->orderOut();
    panel->clearContents();
    panel->orderFront();
    EXPECT_TRUE(shape(*connection, panel->windowID()).empty());
    EXPECT_TRUE(waitForColour(*connection, QPoint(345, 645), desktop));
}

TEST_F(X11OverlayWindowTest, OrderOutHidesAndOrderFrontShowsAgainAboveNormalWindows) {
    // A terminal, which the window manager focuses, unlike a clock.
    auto blue = underneath("StackBlue", "blue", Qt::blue, SolidWindow::Program::Terminal);
    auto panel = make();
    panel->setFrame(panelFrame);
    panel->orderFront();
    panel->setContents(solid(QSize(50, 50), Qt::red), QRectF(175, 125, 50, 50));
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
    EXPECT_TRUE(near(screenColour(*connection, square), Qt::red));

    panel->orderOut();
    EXPECT_FALSE(panel->isVisible());
    EXPECT_TRUE(waitForEvents([&] { return !near(screenColour(*connection, square), Qt::red); }));

    panel->orderFront();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_TRUE(waitForColour(*connection, square, Qt::red));
}

TEST_F(X11OverlayWindowTest, ClicksGoThroughAWindowThatDoesNotAcceptThem) {
    auto blue = underneath("ClickBlue", "blue", Qt::blue);
    std::vector<MouseButton> shieldClicks;
    std::vector<MouseButton> panelClicks;
    auto shield = makeShield();
    shield->setHandlers({[&](MouseButton b) { shieldClicks.push_back(b); }, {}, {}, {}});
    shield->setFrame(panelFrame);
    shield->setAcceptsMouseEvents(true);
    shield->orderFront();

    auto panel = make();
    panel->setHandlers({[&](MouseButton b) { panelClicks.push_back(b); }, {}, {}, {}});
    panel->setFrame(panelFrame);
    panel->setAcceptsMouseEvents(false);
    panel->orderFront();
    panel->setContents(solid(QSize(400, 300), QColor(255, 0, 0, 255)), QRectF(0, 0, 400, 300));
    ASSERT_TRUE(waitForColour(*connection, QPoint(500, 550), Qt::red));

    ASSERT_TRUE(run("xdotool", {"mousemove", "500", "550", "click", "1"}));
    ASSERT_TRUE(waitForEvents([&] { return !shieldClicks.empty(); }));
    EXPECT_EQ(shieldClicks, std::vector{MouseButton::Left});
    EXPECT_TRUE(panelClicks.empty());

    panel->setAcceptsMouseEvents(true);
    ASSERT_TRUE(run("xdotool", {"click", "3"}));
    ASSERT_TRUE(waitForEvents([&] { return !panelClicks.empty(); }));
    ASSERT_TRUE(run("xdotool", {"click", "2"}));
    ASSERT_TRUE(waitForEvents([&] { return panelClicks.size() == 2; }));
    EXPECT_EQ(panelClicks, (std::vector{MouseButton::Right, MouseButton::Other}));
    EXPECT_EQ(shieldClicks.size(), 1u);

    // Accepting again covers a frame that grew meanwhile.
    panel->setAcceptsMouseEvents(false);
    panel->setFrame(QRectF(200, 100, 600, 500));
    panel->setAcceptsMouseEvents(true);
    ASSERT_TRUE(run("xdotool", {"mousemove", "250", "750", "click", "1"}));
    EXPECT_TRUE(waitForEvents([&] { return panelClicks.size() == 3; }));
}

TEST_F(X11OverlayWindowTest, AShieldShowsNothingAndTakesEveryButtonButTheWheel) {
    auto blue = underneath("ShieldBlue", "blue", Qt::blue);
    auto shield = makeShield();
    std::vector<MouseButton> clicks;
    shield->setHandlers({[&](MouseButton b) { clicks.push_back(b); }, {}, {}, {}});
    shield->setFrame(panelFrame);
    shield->orderFront();
    EXPECT_TRUE(shield->isVisible());
    EXPECT_TRUE(waitForColour(*connection, QPoint(500, 550), Qt::blue));
    // What lies below keeps drawing: the window moved away from under the shield is gone from
    // the screen there too, as no picture taken at the opening would show.
    const QColor desktop = screenColour(*connection, QPoint(50, 880));
    ASSERT_FALSE(near(desktop, Qt::blue));
    ASSERT_TRUE(
        run("xdotool", {"windowmove", "--sync", QString::number(blue->window()), "900", "450"}));
    EXPECT_TRUE(waitForColour(*connection, QPoint(500, 550), desktop));

    ASSERT_TRUE(run("xdotool", {"mousemove", "500", "550", "click", "1", "click", "3", "click", "4",
                                "click", "5", "click", "2"}));
    ASSERT_TRUE(waitForEvents([&] { return clicks.size() >= 3; }));
    waitForEvents([] { return false; }, 200);
    EXPECT_EQ(clicks, (std::vector{MouseButton::Left, MouseButton::Right, MouseButton::Other}));

    // Not accepting, it lets the clicks through to what lies below.
    auto panel = make();
    std::vector<MouseButton> panelClicks;
    panel->setHandlers({[&](MouseButton b) { panelClicks.push_back(b); }, {}, {}, {}});
    panel->setFrame(panelFrame);
    panel->orderFront();
    // Shown, so that Qt's requests, on a connection of its own, are done: the shield goes above.
    panel->setContents(solid(QSize(400, 300), Qt::red), QRectF(0, 0, 400, 300));
    ASSERT_TRUE(waitForColour(*connection, QPoint(500, 550), Qt::red));
    shield->orderFront();
    shield->setAcceptsMouseEvents(false);
    ASSERT_TRUE(run("xdotool", {"click", "1"}));
    ASSERT_TRUE(waitForEvents([&] { return !panelClicks.empty(); }));
    shield->setAcceptsMouseEvents(true);
    ASSERT_TRUE(run("xdotool", {"click", "1"}));
    ASSERT_TRUE(waitForEvents([&] { return clicks.size() == 4; }));
    EXPECT_EQ(panelClicks.size(), 1u);

    shield->orderOut();
    EXPECT_FALSE(shield->isVisible());
    ASSERT_TRUE(run("xdotool", {"click", "3"}));
    ASSERT_TRUE(waitForEvents([&] { return panelClicks.size() == 2; }));
    EXPECT_EQ(clicks.size(), 4u);
}

TEST_F(X11OverlayWindowTest, TheKeyWindowGetsTheKeysAndGivesTheFocusBack) {
    SolidWindow terminal(*connection, "KeyTerminal", "blue", QRect(100, 100, 40, 10),
                         SolidWindow::Program::Terminal);
    ASSERT_NE(terminal.window(), 0u);
    ASSERT_TRUE(run("wmctrl", {"-i", "-a", QString::number(terminal.window())}));
    const QString terminalID = QString::number(terminal.window());
    ASSERT_TRUE(waitForEvents([&] { return focused() == terminalID; }));

    std::vector<KeyEvent> panelKeys;
    std::vector<KeyEvent> shieldKeys;
    auto shield = makeShield();
    shield->setHandlers({{}, [&](const KeyEvent& e) { shieldKeys.push_back(e); }, {}, {}});
    shield->setFrame(QRectF(800, 100, 200, 200));
    shield->orderFront();
    shield->makeKey();
    waitForEvents([] { return false; }, 200);
    EXPECT_EQ(focused(), terminalID) << "a shield never takes the keyboard";

    auto panel = make();
    panel->setHandlers({{}, [&](const KeyEvent& e) { panelKeys.push_back(e); }, {}, {}});
    panel->setFrame(panelFrame);
    panel->orderFront();
    panel->makeKey();
    const QString panelID = QString::number(panel->windowID());
    ASSERT_TRUE(waitForEvents([&] { return focused() == panelID; }));

    ASSERT_TRUE(run("xdotool", {"key", "Escape"}));
    ASSERT_TRUE(waitForEvents([&] { return !panelKeys.empty(); }));
    EXPECT_EQ(panelKeys.front().keyCode, 53);
    ASSERT_TRUE(run("xdotool", {"key", "shift+a"}));
    ASSERT_TRUE(waitForEvents([&] { return panelKeys.size() == 2; }));
    EXPECT_EQ(panelKeys[1].keyCode, 0);
    EXPECT_EQ(panelKeys[1].modifierFlags & KeyEvent::shiftFlag, KeyEvent::shiftFlag);
    EXPECT_TRUE(shieldKeys.empty());

    // Once the panel goes, the window manager gives the keyboard back to the terminal.
    panel->orderOut();
    EXPECT_TRUE(waitForEvents([&] { return focused() == terminalID; }));

    // Asked for the keyboard while hidden, the panel takes it when it shows.
    panel->makeKey();
    EXPECT_EQ(focused(), terminalID);
    panel->orderFront();
    EXPECT_TRUE(waitForEvents([&] { return focused() == panelID; }));
}

TEST_F(X11OverlayWindowTest, FilesDraggedOntoThePanelGoToItsHandlers) {
    DropRecorder recorder;
    auto& [operation, dropped, takes] = recorder;
    auto panel = make();
    panel->setHandlers(recorder.handlers());
    panel->setFrame(panelFrame);
    panel->orderFront();
    QWindow* surface = nullptr;
    for (QWindow* window : QGuiApplication::allWindows()) {
        if (XID(window->winId()) == panel->windowID())
            surface = window;
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
    operation = DragOperation::Move;
    EXPECT_EQ(enter(files), Qt::MoveAction);
    operation = DragOperation::None;
    EXPECT_EQ(enter(files), Qt::IgnoreAction);
    operation = DragOperation::Copy;
    EXPECT_EQ(enter(web), Qt::IgnoreAction) << "only files are taken";

    EXPECT_TRUE(drop(files));
    EXPECT_EQ(dropped,
              (std::vector{QUrl::fromLocalFile("/tmp/a.txt"), QUrl::fromLocalFile("/tmp/b.txt")}));
    takes = false;
    EXPECT_FALSE(drop(files));
    dropped.clear();
    EXPECT_FALSE(drop(web));
    EXPECT_TRUE(dropped.empty());
}

// Another program dragging files over the shield, by the X drag-and-drop protocol, through
// a connection of its own.
TEST_F(X11OverlayWindowTest, AShieldWithADropHandlerTakesFilesDraggedOverItFromOtherPrograms) {
    DropRecorder recorder;
    auto& [operation, dropped, takes] = recorder;
    operation = DragOperation::Move;
    auto shield = makeShield();
    shield->setHandlers(recorder.handlers());
    shield->setFrame(panelFrame);
    shield->orderFront();
    const XID target = shield->windowID();

    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    const Window source =
        XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    const auto atom = [&](const char* name) {
        return XInternAtom(display, name, False);
    };
    const Atom selection = atom("XdndSelection");
    const auto send = [&](const char* type, long d1 = 0, long d2 = 0, long d3 = 0, long d4 = 0) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = target;
        event.xclient.message_type = atom(type);
        event.xclient.format = 32;
        event.xclient.data.l[0] = long(source);
        event.xclient.data.l[1] = d1;
        event.xclient.data.l[2] = d2;
        event.xclient.data.l[3] = d3;
        event.xclient.data.l[4] = d4;
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
                    const XSelectionRequestEvent& request = event.xselectionrequest;
                    XChangeProperty(display, request.requestor, request.property, request.target, 8,
                                    PropModeReplace,
                                    reinterpret_cast<const unsigned char*>(data.constData()),
                                    int(data.size()));
                    XEvent notify{};
                    notify.xselection = {SelectionNotify,
                                         0,
                                         True,
                                         display,
                                         request.requestor,
                                         request.selection,
                                         request.target,
                                         request.property,
                                         request.time};
                    XSendEvent(display, request.requestor, False, NoEventMask, &notify);
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
        return found;
    };
    const auto status = [&](long x, long y) {
        send("XdndPosition", 0, (x << 16) | y, CurrentTime, long(atom("XdndActionCopy")));
        return next(ClientMessage, {}).xclient;
    };

    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* aware = nullptr;
    XGetWindowProperty(display, target, atom("XdndAware"), 0, 1, False, XA_ATOM, &type, &format,
                       &count, &after, &aware);
    ASSERT_NE(aware, nullptr) << "the window does not say it takes drops";
    EXPECT_EQ(*reinterpret_cast<unsigned long*>(aware), 5u);
    XFree(aware);

    // The offered types decide first, then the handler's operation at each position.
    send("XdndEnter", 5l << 24, long(atom("text/plain")));
    XClientMessageEvent answer = status(500, 550);
    EXPECT_EQ(answer.message_type, atom("XdndStatus"));
    EXPECT_EQ(answer.data.l[1] & 1, 0) << "no files offered";
    send("XdndLeave");
    send("XdndEnter", 5l << 24, long(atom("text/plain")), long(atom("text/uri-list")));
    answer = status(500, 550);
    EXPECT_EQ(answer.data.l[1] & 1, 1);
    EXPECT_EQ(Atom(answer.data.l[4]), atom("XdndActionMove"));
    operation = DragOperation::Copy;
    EXPECT_EQ(Atom(status(510, 550).data.l[4]), atom("XdndActionCopy"));
    operation = DragOperation{};
    answer = status(520, 550);
    EXPECT_EQ(answer.data.l[1] & 1, 0) << "nothing aimed";
    EXPECT_EQ(answer.data.l[4], 0);

    // Dropped where nothing is aimed, refused at once.
    send("XdndDrop", 0, CurrentTime);
    answer = next(ClientMessage, {}).xclient;
    EXPECT_EQ(answer.message_type, atom("XdndFinished"));
    EXPECT_EQ(answer.data.l[1] & 1, 0);
    EXPECT_TRUE(dropped.empty());

    // Dropped on an aimed entry: the local files of the list go to the handler.
    XSetSelectionOwner(display, selection, source, CurrentTime);
    operation = DragOperation::Move;
    send("XdndEnter", 5l << 24, long(atom("text/uri-list")));
    ASSERT_EQ(status(500, 550).data.l[1] & 1, 1);
    send("XdndDrop", 0, CurrentTime);
    answer = next(ClientMessage,
                  "# a comment\r\nfile:///tmp/a.txt\r\nhttps://example.org/\r\n"
                  "file:///tmp/b%20c.txt\r\n")
                 .xclient;
    EXPECT_EQ(answer.message_type, atom("XdndFinished"));
    EXPECT_EQ(answer.data.l[1] & 1, 1);
    EXPECT_EQ(Atom(answer.data.l[2]), atom("XdndActionMove"));
    EXPECT_EQ(dropped, (std::vector{QUrl::fromLocalFile("/tmp/a.txt"),
                                    QUrl::fromLocalFile("/tmp/b c.txt")}));

    // A source that never hands its data over is told, in time, that the drop was refused.
    dropped.clear();
    send("XdndEnter", 5l << 24, long(atom("text/uri-list")));
    ASSERT_EQ(status(500, 550).data.l[1] & 1, 1);
    send("XdndDrop", 0, CurrentTime);
    next(SelectionRequest, {}, false);
    clock.advance(XdndTarget::patience);
    answer = next(ClientMessage, {}, false).xclient;
    EXPECT_EQ(answer.message_type, atom("XdndFinished"));
    EXPECT_EQ(answer.data.l[1] & 1, 0);
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
    ASSERT_TRUE(near(screenColour(*connection, besideRed), Qt::black));

    auto panel = make();
    panel->setFrame(panelFrame);
    // The backdrop covers window x 100 to 300 (screen 400 to 600); its mask's left three
    // quarters blur, the right quarter (screen 550 to 600) stays clear.
    QImage mask(4, 1, QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::black);
    mask.setPixelColor(3, 0, Qt::transparent);
    OverlayBackdrop backdrop{OverlayBackdrop::Material::Hud, QRectF(100, 50, 200, 200), mask};
    panel->setBackdrop(backdrop);
    panel->orderFront();

    // Darker red inside, red bleeding over the edge, untouched beyond the mask.
    ASSERT_TRUE(waitForEvents([&] {
        const QColor c = screenColour(*connection, deepRed);
        return c.red() > 90 && c.red() < 200 && c.green() < 40 && c.blue() < 40;
    })) << qPrintable(screenColour(*connection, deepRed).name());
    const QColor bled = screenColour(*connection, besideRed);
    EXPECT_GT(bled.red(), 30) << qPrintable(bled.name());
    EXPECT_GT(bled.red(), bled.green() + 20) << qPrintable(bled.name());
    EXPECT_TRUE(near(screenColour(*connection, QPoint(590, 550)), Qt::black));
    EXPECT_TRUE(near(screenColour(*connection, QPoint(edge - 60, 420)), Qt::red))
        << "outside the backdrop's frame";

    // Fully faded, nothing of it shows.
    panel->setBackdropAlpha(0);
    EXPECT_TRUE(waitForColour(*connection, deepRed, Qt::red));
    panel->setBackdropAlpha(1);
    EXPECT_TRUE(waitForEvents([&] { return screenColour(*connection, deepRed).red() < 200; }));

    // The light material brightens; it is taken anew while the panel is hidden.
    panel->orderOut();
    ASSERT_TRUE(waitForColour(*connection, deepRed, Qt::red));
    backdrop.material = OverlayBackdrop::Material::Popover;
    panel->setBackdrop(backdrop);
    panel->orderFront();
    EXPECT_TRUE(waitForEvents([&] {
        const QColor c = screenColour(*connection, deepRed);
        return c.red() > 200 && c.green() > 50 && c.blue() > 50;
    })) << qPrintable(screenColour(*connection, deepRed).name());

    panel->setBackdrop(std::nullopt);
    EXPECT_TRUE(waitForColour(*connection, deepRed, Qt::red));
}

}  // namespace
}  // namespace tandri::x11::test
