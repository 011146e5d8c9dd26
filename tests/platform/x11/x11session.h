// SPDX-License-Identifier: MIT
#pragma once

// Tools for tests in the session's X server: other programs' windows, the user's keyboard and
// mouse (xdotool), and what the screen shows. xcb, unlike Xlib, defines no macros that clash
// with Qt's headers.
#include <gtest/gtest.h>

#include <QColor>
#include <QCoreApplication>
#include <QImage>
#include <QProcess>
#include <QRect>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

#include "platform/x11/x11connection.h"
#include "platform/x11/x11screencapture.h"
#include "support/pixelcount.h"
#include "support/waitforevents.h"

#include <xcb/xcb.h>

namespace tandri::x11::test {

using tandri::test::patience;
using tandri::test::waitForEvents;

/// Runs a tool of the session (xdotool, wmctrl) to its end; whether it succeeded.
inline bool run(const QString& program, const QStringList& arguments, QString* output = nullptr) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(10000))
        return false;
    if (output)
        *output = QString::fromLocal8Bit(process.readAllStandardOutput());
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}
inline bool xdotool(const QStringList& arguments) {
    return run(QStringLiteral("xdotool"), arguments);
}
inline bool moveTo(QPoint point) {
    return xdotool({"mousemove", QString::number(point.x()), QString::number(point.y())});
}

/// Waits until the server has answered everything sent so far and this connection's events are
/// dispatched, along with Qt's.
inline void settle(X11Connection& connection) {
    connection.trapErrors([] {});
    connection.processEvents();
    QCoreApplication::processEvents();
}

/// Runs the event loops, this connection's included, until `done` holds; whether it did.
inline bool waitFor(X11Connection& connection, const std::function<bool()>& done) {
    return waitForEvents([&] {
        connection.processEvents();
        return done();
    });
}

/// The window manager's client with this title, once it lists one; 0 when none appears.
inline XID clientTitled(X11Connection& connection, const QString& title) {
    XID found = 0;
    waitForEvents([&] {
        for (XID client : connection.windows(connection.root(), "_NET_CLIENT_LIST")) {
            if (connection.text(client, "WM_NAME") == title)
                found = client;
        }
        return found != 0;
    });
    return found;
}

/// Another program's window: an undecorated window of its own connection that records the mouse
/// buttons pressed on it.
class ClickTarget {
public:
    explicit ClickTarget(const QRect& frame) : frame_(frame) {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
        // Outside the window manager's reach: it neither moves the window nor binds its buttons.
        const uint32_t values[] = {screen->white_pixel, 1,
                                   XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE};
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, window_, screen->root, int16_t(frame.x()),
                          int16_t(frame.y()), uint16_t(frame.width()), uint16_t(frame.height()), 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                          XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
        xcb_map_window(c_, window_);
        sync();
    }
    ~ClickTarget() { xcb_disconnect(c_); }
    ClickTarget(const ClickTarget&) = delete;
    ClickTarget& operator=(const ClickTarget&) = delete;

    /// The X buttons pressed on the window so far, in order.
    const std::vector<unsigned>& presses() {
        sync();
        while (xcb_generic_event_t* event = xcb_poll_for_event(c_)) {
            const auto* press = reinterpret_cast<xcb_button_press_event_t*>(event);
            if ((event->response_type & 0x7f) == XCB_BUTTON_PRESS && press->event == window_)
                presses_.push_back(press->detail);
            std::free(event);
        }
        return presses_;
    }
    QPoint center() const { return frame_.center(); }

private:
    void sync() { std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr)); }

    xcb_connection_t* c_ = xcb_connect(nullptr, nullptr);
    xcb_window_t window_ = xcb_generate_id(c_);
    QRect frame_;
    std::vector<unsigned> presses_;
};

/// A clock (which never takes the keyboard) or a terminal (which does, and whose size is then in
/// characters) painted in one colour from edge to edge, as another program's window, ended with
/// the test.
class SolidWindow {
public:
    enum class Program { Clock, Terminal };

    SolidWindow(X11Connection& connection, const QString& title, const QString& colour,
                QRect geometry, Program program = Program::Clock)
        : connection_(connection), title_(title) {
        const QString where = QStringLiteral("%1x%2+%3+%4")
                                  .arg(geometry.width())
                                  .arg(geometry.height())
                                  .arg(geometry.x())
                                  .arg(geometry.y());
        if (program == Program::Clock) {
            process_.start(QStringLiteral("xclock"),
                           {"-title", title, "-norender", "-bg", colour, "-fg", colour, "-hd",
                            colour, "-hl", colour, "-geometry", where, "-update", "3600"});
        } else {
            process_.start(QStringLiteral("xterm"),
                           {"-T", title, "-fa", "Monospace", "-bg", colour, "-fg", colour, "-cr",
                            colour, "-geometry", where, "-e", "sleep", "600"});
        }
    }
    ~SolidWindow() { end(); }
    SolidWindow(const SolidWindow&) = delete;
    SolidWindow& operator=(const SolidWindow&) = delete;

    /// The client window, once the window manager lists it; 0 when it does not appear.
    XID window() {
        if (window_ == 0)
            window_ = clientTitled(connection_, title_);
        return window_;
    }

    /// Where the window lies on the root, as xwininfo sees it.
    QRect geometry() {
        QString info;
        if (!run("xwininfo", {"-id", QString::number(window())}, &info))
            return {};
        const auto value = [&](const QString& label) {
            const qsizetype at = info.indexOf(label);
            return at < 0 ? 0 : info.mid(at + label.size()).section('\n', 0, 0).trimmed().toInt();
        };
        return QRect(value("Absolute upper-left X:"), value("Absolute upper-left Y:"),
                     value("Width:"), value("Height:"));
    }

    void end() {
        process_.kill();
        process_.waitForFinished(5000);
    }

private:
    X11Connection& connection_;
    QString title_;
    QProcess process_;
    XID window_ = 0;
};

/// Whether two colours are within `tolerance` in every channel.
inline bool near(QColor a, QColor b, int tolerance = 12) {
    return a.isValid() && b.isValid() && std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

/// The share of `image`'s pixels within `tolerance` of `colour` in every channel.
inline double share(const QImage& image, QColor colour, int tolerance = 40) {
    if (image.isNull())
        return 0;
    const int hits =
        tandri::test::countPixels(image.convertToFormat(QImage::Format_RGB32),
                                  [&](QColor c) { return near(c, colour, tolerance); });
    return double(hits) / double(image.width() * image.height());
}

/// The colour the screen shows at `point` (root pixels); invalid when it cannot be read.
inline QColor screenColour(X11Connection& connection, QPoint point) {
    const QImage pixel = X11ScreenCapture::captureScreen(connection, QRect(point, QSize(1, 1)));
    return pixel.isNull() ? QColor() : pixel.pixelColor(0, 0);
}

/// Whether the screen shows a colour near `colour` at every point; says where it does not.
inline ::testing::AssertionResult shows(X11Connection& connection,
                                        std::initializer_list<std::pair<QPoint, QColor>> points) {
    for (const auto& [point, colour] : points) {
        const QColor seen = screenColour(connection, point);
        if (!near(seen, colour))
            return ::testing::AssertionFailure()
                   << point.x() << "," << point.y() << " shows " << qPrintable(seen.name())
                   << ", not " << qPrintable(colour.name());
    }
    return ::testing::AssertionSuccess();
}

/// Waits until the screen shows a colour near `colour` at `point`.
inline bool waitForColour(X11Connection& connection, QPoint point, QColor colour) {
    return waitForEvents([&] { return near(screenColour(connection, point), colour); });
}

/// A connection and the capture service, made once for a suite; the capture's redirection is in
/// place before the suite starts its windows.
class X11Suite : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        connection = X11Connection::open();
        if (connection)
            capture = std::make_unique<X11ScreenCapture>(*connection);
    }
    static void TearDownTestSuite() {
        capture.reset();
        connection.reset();
    }
    void SetUp() override {
        ASSERT_TRUE(connection) << "no X server";
        ASSERT_TRUE(capture->hasPermission()) << "the X server lacks the Composite extension";
    }

    static inline std::unique_ptr<X11Connection> connection;
    static inline std::unique_ptr<X11ScreenCapture> capture;
};

}  // namespace tandri::x11::test
