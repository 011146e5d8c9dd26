#include <QGuiApplication>
#include <QTextStream>
#include <cstdio>

#include "app/backend.h"
#include "app/options.h"
#include "diagnostics/listwindows.h"
#include "diagnostics/snapshot.h"

using namespace tandri;

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    const DiagnosticOptions options = DiagnosticOptions::parse(arguments);

    // The checking modes draw icons and text but need no screen of their own.
    const bool headless =
        qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (options.mode != DiagnosticOptions::Mode::None && headless &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("Tandri"));

    QTextStream err(stderr);
    QString error;
    auto backend = Backend::create(&error);
    if (!backend) {
        err << "tandri: " << error << '\n';
        return 2;
    }

    switch (options.mode) {
        case DiagnosticOptions::Mode::ListWindows: {
            QTextStream out(stdout);
            ListWindows::run(backend->platform(), out);
            return 0;
        }
        case DiagnosticOptions::Mode::Snapshot: {
            QTextStream out(stdout);
            return Snapshot::run(backend->platform(), backend->thumbnails(), options.argument,
                                 options.index, out, err)
                       ? 0
                       : 1;
        }
        case DiagnosticOptions::Mode::None:
            err << "tandri: the menu-bar program is not part of this build yet; "
                   "run it with --list-windows to see the ring's apps and windows\n";
            return 2;
        default:
            err << "tandri: this mode is not available in this build\n";
            return 2;
    }
}
