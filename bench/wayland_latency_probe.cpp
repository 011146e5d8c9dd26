// SPDX-License-Identifier: MIT
// Measures from outside, on a wlroots compositor whose key binding runs `tandri --trigger`, how
// long the ring takes to show: it taps Alt+Space through wtype (a virtual keyboard) and copies a
// square of the output around where the ring opens through screencopy until it changes, then
// presses Escape and waits until the square is as before.
//
// Usage: wayland_latency_probe [--tries N] [--pause S] [--output NAME] [--at X,Y]
//   --tries   openings (default 20)
//   --pause   seconds between one try's end and the next tap (default 0.6)
//   --output  the output to read (default HEADLESS-1)
//   --at      the square's middle in the output's coordinates (default 720,450)
// Prints one line per sample: "pixels 12.3" (ms from starting the tap to the first change),
// "gone 4.5" (from Escape to the square as before), "failed" for a try that never showed.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <cstdio>

#include "platform/wayland/screencopier.h"

namespace {

constexpr int side = 120;
constexpr qint64 patienceMs = 5000;

// Copies until `done` holds for the picture or the patience runs out; the time it held, in ms
// since `since` started, or a negative number.
template <typename Done>
double until(tandri::wayland::ScreenCopier& copier, const QString& output, const QRect& square,
             const QElapsedTimer& since, Done done) {
    while (since.elapsed() < patienceMs) {
        const QImage now = copier.copy(output, square);
        if (!now.isNull() && done(now))
            return double(since.nsecsElapsed()) / 1e6;
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int tries = 20, x = 720, y = 450;
    double pause = 0.6;
    QString output = QStringLiteral("HEADLESS-1");
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == u"--tries")
            tries = args[i + 1].toInt();
        else if (args[i] == u"--pause")
            pause = args[i + 1].toDouble();
        else if (args[i] == u"--output")
            output = args[i + 1];
        else if (args[i] == u"--at") {
            x = args[i + 1].section(u',', 0, 0).toInt();
            y = args[i + 1].section(u',', 1, 1).toInt();
        }
    }
    tandri::wayland::ScreenCopier copier;
    const QRect square(x - side / 2, y - side / 2, side, side);
    if (copier.copy(output, square).isNull()) {
        std::fprintf(stderr, "wayland_latency_probe: cannot copy %s of output %s\n", "a square",
                     qPrintable(output));
        return 1;
    }
    for (int i = 0; i < tries; ++i) {
        const QImage before = copier.copy(output, square);
        QElapsedTimer since;
        since.start();
        QProcess tap;
        tap.start(QStringLiteral("wtype"),
                  {"-M", "alt", "-P", "space", "-p", "space", "-m", "alt"});
        const double shown =
            until(copier, output, square, since, [&](const QImage& now) { return now != before; });
        tap.waitForFinished();
        if (shown < 0) {
            std::printf("failed\n");
            continue;
        }
        std::printf("pixels %.1f\n", shown);
        QThread::msleep(300);
        since.restart();
        QProcess::execute(QStringLiteral("wtype"), {"-k", "Escape"});
        const double gone =
            until(copier, output, square, since, [&](const QImage& now) { return now == before; });
        if (gone >= 0)
            std::printf("gone %.1f\n", gone);
        std::fflush(stdout);
        QThread::msleep(static_cast<unsigned long>(pause * 1000));
    }
    return 0;
}
