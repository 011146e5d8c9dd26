// SPDX-License-Identifier: MIT
#pragma once

// Drives a real X session the way a user would: real clients, the real tandri binary, and
// xdotool for the keyboard and mouse. Every wait polls a condition with a deadline.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPoint>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>
#include <cmath>
#include <functional>
#include <memory>
#include <numbers>
#include <utility>
#include <vector>

#include "support/pixeldifference.h"
#include "support/waitforevents.h"

namespace tandri::test {

class XSession {
public:
    XSession() { QDir().mkpath(config.filePath("tandri/defaults")); }
    ~XSession() {
        if (program.state() != QProcess::NotRunning) {
            program.terminate();
            if (!program.waitForFinished(10000))
                program.kill();
        }
        for (auto& client : clients) {
            client->kill();
            client->waitForFinished(5000);
        }
    }

    /// Runs a command to its end and returns its standard output, trimmed.
    static QString run(const QString& command, const QStringList& arguments,
                       int timeoutMs = 20000) {
        QProcess process;
        process.start(command, arguments);
        finish(process, timeoutMs);
        return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    }
    static QString xdotool(const QStringList& arguments) {
        return run(QStringLiteral("xdotool"), arguments);
    }

    /// Starts a client and waits for a window with this exact title; its X window id, or 0.
    unsigned long startClient(const QString& command, const QStringList& arguments,
                              const QString& title) {
        auto client = std::make_unique<QProcess>();
        client->start(command, arguments);
        if (!client->waitForStarted())
            return 0;
        clients.push_back(std::move(client));
        return waitForWindow(title);
    }
    static unsigned long waitForWindow(const QString& title, int timeoutMs = 20000) {
        unsigned long id = 0;
        waitForEvents(
            [&] {
                const QString found = xdotool({"search", "--onlyvisible", "--name",
                                               "^" + QRegularExpression::escape(title) + "$"});
                id = found.split('\n').first().toULong();
                return id != 0;
            },
            timeoutMs);
        return id;
    }

    /// Stores preferences for the program before it starts.
    void setPreferences(const QJsonObject& values) {
        QFile file(preferences());
        file.open(QIODevice::WriteOnly);
        file.write(QJsonDocument(values).toJson());
    }
    /// The preferences as the program stored them.
    QJsonObject stored() const {
        QFile file(preferences());
        file.open(QIODevice::ReadOnly);
        return QJsonDocument::fromJson(file.readAll()).object();
    }

    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", config.path());
        // The Trash and the user's own application entries: the session's, not the machine's.
        env.insert("XDG_DATA_HOME", data.path());
        env.remove("TANDRI_DESKTOP");
        env.insert("QT_QPA_PLATFORM", "xcb");
        for (const QString& name : extraEnvironment.keys())
            env.insert(name, extraEnvironment.value(name));
        return env;
    }

    /// Starts the program and waits until it says it runs.
    bool startProgram(const QStringList& arguments = {}) {
        // What an earlier run said must not answer for this one.
        if (program.isOpen())
            errors();
        errorText.clear();
        program.setProcessEnvironment(environment());
        program.start(QStringLiteral(TANDRI_PROGRAM), arguments);
        if (!program.waitForStarted())
            return false;
        return waitForEvents([&] { return errors().contains("tandri: running on"); }, 30000);
    }
    /// Everything the program wrote to standard error so far.
    QString errors() {
        errorText += QString::fromUtf8(program.readAllStandardError());
        return errorText;
    }
    /// Runs the program once in a checking mode and returns its standard output.
    QString runProgram(const QStringList& arguments) {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.start(QStringLiteral(TANDRI_PROGRAM), arguments);
        finish(process, 60000);
        return QString::fromUtf8(process.readAllStandardOutput());
    }

    /// Waits for a process to end while this program's own windows keep answering the server
    /// (a picture of them is taken while we wait).
    static void finish(QProcess& process, int timeoutMs) {
        if (!waitForEvents([&] { return process.state() == QProcess::NotRunning; }, timeoutMs))
            process.kill();
        process.waitForFinished(1000);
    }

    static QString activeTitle() { return xdotool({"getactivewindow", "getwindowname"}); }
    /// The ids of the program's windows on the screen now.
    QStringList windows() {
        return xdotool({"search", "--onlyvisible", "--pid", QString::number(program.processId())})
            .split('\n', Qt::SkipEmptyParts);
    }

    QTemporaryDir config;
    QTemporaryDir data;
    /// Set for the program on top of the session's own.
    QProcessEnvironment extraEnvironment;
    QProcess program;
    std::vector<std::unique_ptr<QProcess>> clients;

private:
    QString preferences() const { return config.filePath("tandri/defaults/app.tandri.json"); }
    QString errorText;
};

/// Keys or a mouse button held down with xdotool until `release()` or the end of the scope: a
/// test that stops early must not leave them held for the next one (with Alt held, a click moves
/// the window under it instead).
class Held {
public:
    static Held keys(const QStringList& keys) {
        QStringList down, up;
        for (const QString& key : keys) {
            down << "keydown" << key;
            up.prepend(key);
            up.prepend("keyup");
        }
        return Held(down, up);
    }
    static Held button(const QString& button) {
        return Held({"mousedown", button}, {"mouseup", button});
    }
    Held(Held&& other) noexcept : up_(std::exchange(other.up_, {})) {}
    Held& operator=(Held&&) = delete;
    ~Held() { release(); }
    void release() {
        if (!up_.isEmpty())
            XSession::xdotool(std::exchange(up_, {}));
    }

private:
    Held(const QStringList& down, QStringList up) : up_(std::move(up)) { XSession::xdotool(down); }
    QStringList up_;
};

// Under Xvfb the one screen is 1440 × 900; the ring opens around the pointer.
constexpr int centerX = 720;
constexpr int centerY = 450;

/// A picture of a window ("root": the screen) taken as another client would, or part of it.
inline QImage picture(const QString& window, const QString& crop = {}) {
    QProcess import;
    QStringList arguments{"-window", window};
    if (!crop.isEmpty())
        arguments << "-crop" << crop;
    import.start("import", arguments << "png:-");
    XSession::finish(import, 20000);
    return QImage::fromData(import.readAllStandardOutput(), "PNG");
}

/// The same picture twice in a row: whatever was being drawn has settled.
inline QImage settledPicture(const QString& window, const QString& crop) {
    QImage last;
    QImage settled;
    waitForEvents(
        [&] {
            QImage next = picture(window, crop);
            if (!next.isNull() && next == last)
                settled = next;
            last = next;
            return !settled.isNull();
        },
        patience);
    return settled;
}

/// The share of pixels that differ; more than all for pictures of different sizes.
inline double differingShare(const QImage& a, const QImage& b) {
    return double(pixelDifference(a, b).over) / std::max(1ll, qint64(a.width()) * a.height());
}

/// The ring's entries in order, each as its name followed by its windows' titles, from the
/// program's own listing.
inline QStringList ringEntries(XSession& session) {
    QStringList entries;
    static const QRegularExpression entry(QStringLiteral("^(\\d+)\\. (.*) — "));
    static const QRegularExpression window(QStringLiteral("^\\s+[•▾] (.*)$"));
    for (const QString& text : session.runProgram({"--list-windows"}).split('\n')) {
        if (const auto match = entry.match(text); match.hasMatch())
            entries << match.captured(2);
        else if (const auto match = window.match(text); match.hasMatch() && !entries.isEmpty())
            entries.last() += " | " + match.captured(1);
    }
    return entries;
}

/// The entry whose name or window titles contain `part`.
inline int indexOf(const QStringList& entries, const QString& part) {
    for (int i = 0; i < entries.size(); ++i) {
        if (entries[i].contains(part, Qt::CaseInsensitive))
            return i;
    }
    return -1;
}

/// Where entry `index` of `count` lies, 80 points out from the centre (entry 0 at the top,
/// then clockwise).
inline QPoint toward(int index, int count) {
    const double a = std::numbers::pi / 2 - index * 2 * std::numbers::pi / count;
    return {centerX + int(std::lround(80 * std::cos(a))),
            centerY - int(std::lround(80 * std::sin(a)))};
}

inline void pause(int ms) {
    waitForEvents([] { return false; }, ms);
}

inline void move(QPoint p) {
    XSession::xdotool({"mousemove", QString::number(p.x()), QString::number(p.y())});
}

/// Whether the program shows a window now besides `other` (the ring's panel).
inline bool ringVisible(XSession& session, unsigned long other = 0) {
    QStringList shown = session.windows();
    shown.removeAll(QString::number(other));
    return !shown.isEmpty();
}

/// Waits until the window with this title is the active one; names the active one otherwise.
inline ::testing::AssertionResult becomesActive(const QString& title) {
    if (waitForEvents([&] { return XSession::activeTitle() == title; }, patience))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "active: " << XSession::activeTitle().toStdString();
}

/// How many pixels of `picture` inside `area` pass `matches`, and their centre.
inline std::pair<int, QPoint> findPixels(const QImage& picture, QRect area,
                                         const std::function<bool(QColor)>& matches) {
    int count = 0;
    qint64 sx = 0, sy = 0;
    area &= picture.rect();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (matches(picture.pixelColor(x, y))) {
                ++count;
                sx += x;
                sy += y;
            }
        }
    }
    return {count, count ? QPoint(int(sx / count), int(sy / count)) : QPoint()};
}
/// Opaque and close to `colour`.
inline std::function<bool(QColor)> near(QColor colour) {
    return [colour](QColor c) {
        return std::abs(c.red() - colour.red()) < 40 && std::abs(c.green() - colour.green()) < 40 &&
               std::abs(c.blue() - colour.blue()) < 40 && c.alpha() > 200;
    };
}

/// A window of another program that reports the mouse buttons pressed on it.
class ButtonProbe {
public:
    explicit ButtonProbe(const QString& geometry) {
        process_.start("xev", {"-event", "button", "-geometry", geometry, "-name", "Probe"});
    }
    ~ButtonProbe() {
        process_.kill();
        process_.waitForFinished();
    }
    bool shown() { return process_.waitForStarted() && XSession::waitForWindow("Probe"); }
    /// What it reported since the last call.
    QByteArray heard() { return process_.readAllStandardOutput(); }

private:
    QProcess process_;
};

/// Holds Alt-Space at the centre, moves toward `target` and waits `settleMs`; held until the
/// result goes.
inline Held holdToward(XSession& session, QPoint target, int settleMs) {
    move({centerX, centerY});
    Held trigger = Held::keys({"alt", "space"});
    EXPECT_TRUE(waitForEvents([&] { return ringVisible(session); }, patience));
    pause(80);
    move(target);
    pause(settleMs);
    return trigger;
}

/// Holds Alt-Space at the centre, moves toward `target`, waits past the tap interval and lets go.
inline void flick(XSession& session, QPoint target) {
    holdToward(session, target, 450);
}

}  // namespace tandri::test
