#pragma once

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QProcess>
#include <QRect>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

#include "platform/x11/x11connection.h"
#include "platform/x11/x11screencapture.h"
#include "support/waitforevents.h"

namespace tandri::x11::test {

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

/// A clock painted in one colour from edge to edge, as another program's window, ended with the
/// test.
class SolidWindow {
public:
    enum class Program { Clock, Terminal };

    /// A clock (which never takes the keyboard) or a terminal (which does, and whose size is
    /// then in characters).
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
    ~SolidWindow() {
        process_.kill();
        process_.waitForFinished(5000);
    }
    SolidWindow(const SolidWindow&) = delete;
    SolidWindow& operator=(const SolidWindow&) = delete;

    /// The client window, once the window manager lists it; 0 when it does not appear.
    XID window() {
        if (window_ == 0) {
            tandri::test::waitForEvents([&] {
                for (XID client : connection_.windows(connection_.root(), "_NET_CLIENT_LIST")) {
                    if (connection_.text(client, "WM_NAME") == title_)
                        window_ = client;
                }
                return window_ != 0;
            });
        }
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

/// The share of `image`'s pixels within `tolerance` of `colour` in every channel.
inline double share(const QImage& image, QColor colour, int tolerance = 40) {
    if (image.isNull())
        return 0;
    const QImage pixels = image.convertToFormat(QImage::Format_RGB32);
    qsizetype hits = 0;
    for (int y = 0; y < pixels.height(); ++y) {
        for (int x = 0; x < pixels.width(); ++x) {
            const QColor c = pixels.pixelColor(x, y);
            hits += std::abs(c.red() - colour.red()) <= tolerance &&
                    std::abs(c.green() - colour.green()) <= tolerance &&
                    std::abs(c.blue() - colour.blue()) <= tolerance;
        }
    }
    return double(hits) / double(pixels.width() * pixels.height());
}

/// The colour the screen shows at `point` (root pixels); invalid when it cannot be read.
inline QColor screenColour(X11Connection& connection, QPoint point) {
    const QImage pixel = X11ScreenCapture::captureScreen(connection, QRect(point, QSize(1, 1)));
    return pixel.isNull() ? QColor() : pixel.pixelColor(0, 0);
}

/// Whether two colours are within `tolerance` in every channel.
inline bool near(QColor a, QColor b, int tolerance = 12) {
    return a.isValid() && b.isValid() && std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

/// Waits until the screen shows a colour near `colour` at `point`.
inline bool waitForColour(X11Connection& connection, QPoint point, QColor colour,
                          int tolerance = 12) {
    return tandri::test::waitForEvents(
        [&] { return near(screenColour(connection, point), colour, tolerance); });
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
