#include <QApplication>
#include <QTextStream>
#include <cstdio>

#include "app/appdelegate.h"
#include "app/backend.h"
#include "app/launchoptions.h"
#include "app/missingsettingswindow.h"
#include "app/missingwelcomeguide.h"
#include "app/options.h"
#include "diagnostics/listwindows.h"
#include "diagnostics/menuprobe.h"
#include "diagnostics/snapshot.h"
#include "windows/thumbnailcache.h"

using namespace tandri;

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    const DiagnosticOptions options = DiagnosticOptions::parse(arguments);

    // The simulated desktop and the checking modes draw icons and text but need no screen of
    // their own.
    const bool headless =
        qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (headless && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tandri"));
    // A menu-bar program: closing one of its windows never ends it.
    QApplication::setQuitOnLastWindowClosed(false);

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
        case DiagnosticOptions::Mode::MenuProbe: {
            const QString problem = MenuProbe::run(backend->platform(), options.argument);
            if (problem.isEmpty())
                return 0;
            err << "tandri: " << problem << '\n';
            return 1;
        }
        case DiagnosticOptions::Mode::Snapshot: {
            QTextStream out(stdout);
            return Snapshot::run(backend->platform(), backend->thumbnails(), options.argument,
                                 options.index, out, err)
                       ? 0
                       : 1;
        }
        case DiagnosticOptions::Mode::None: {
            Platform& platform = backend->platform();
            MissingSettingsWindow settings;
            MissingWelcomeGuide welcome(platform.preferences);
            AppDelegate delegate(platform, settings, welcome, &backend->thumbnails());
            delegate.quitApplication = [] {
                QCoreApplication::quit();
            };
            // Logging out ends the program without the Quit item; the Dock is given back then too.
            QObject::connect(&app, &QCoreApplication::aboutToQuit,
                             [&delegate] { delegate.applicationWillTerminate(); });
            delegate.applicationDidFinishLaunching(LaunchOptions::parse(arguments));
            err << "tandri: running on " << backend->desktopName() << "\n";
            err.flush();
            return app.exec();
        }
        default:
            err << "tandri: this mode is not available in this build\n";
            return 2;
    }
}
