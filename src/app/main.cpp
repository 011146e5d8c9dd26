// SPDX-License-Identifier: MIT
#include <QApplication>
#include <QTextStream>
#include <chrono>
#include <cstdio>

#include "app/appdelegate.h"
#include "app/backend.h"
#include "app/commandline.h"
#include "app/docsshots.h"
#include "app/launchoptions.h"
#include "app/options.h"
#include "app/shareimage.h"
#include "diagnostics/listwindows.h"
#include "diagnostics/memoryprobe.h"
#include "diagnostics/menuprobe.h"
#include "diagnostics/snapshot.h"
#include "onboarding/onboardingwindow.h"
#include "platform/common/socketsingleinstance.h"
#include "platform/common/xdgdirs.h"
#include "platform/workspace.h"
#include "prefs/settings.h"
#include "settings/settingswindow.h"
#include "windows/thumbnailcache.h"

using namespace tandri;

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);

    QTextStream err(stderr);
    switch (const CommandLine line = CommandLine::check(arguments); line.action) {
        case CommandLine::Action::Help:
            QTextStream(stdout) << CommandLine::usage();
            return 0;
        case CommandLine::Action::Version:
            QTextStream(stdout) << CommandLine::version() << '\n';
            return 0;
        case CommandLine::Action::Mistake:
            err << "tandri: " << line.mistake << "\n\n" << CommandLine::usage();
            return 2;
        case CommandLine::Action::Run:
            break;
    }
    // A compositor's key binding went down or up: the running copy hears it at once, before
    // anything of a program of its own starts, and no copy starts for it.
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--trigger")); at >= 0) {
        // When the key went, as near as this process can tell: the binding of a quick tap's
        // release starts a process of its own that may overtake this one.
        const qint64 stamp = std::chrono::duration_cast<std::chrono::microseconds>(
                                 std::chrono::steady_clock::now().time_since_epoch())
                                 .count();
        SocketSingleInstance instance;
        const SingleInstance::Claim claim = instance.claim(
            Backend::desktopKey(), {arguments[at], arguments[at + 1], QString::number(stamp)});
        switch (claim.outcome) {
            case SingleInstance::Outcome::HandedOver:
                return 0;
            case SingleInstance::Outcome::Serving:
                err << "tandri: not running on this desktop; start tandri first\n";
                return 1;
            case SingleInstance::Outcome::NoAnswer:
                err << "tandri: the running copy (process " << claim.runningPid
                    << ") did not answer\n";
                return 1;
            case SingleInstance::Outcome::Unavailable:
                err << "tandri: " << claim.problem << '\n';
                return 1;
        }
    }
    const DiagnosticOptions options = DiagnosticOptions::parse(arguments);
    const bool menuBar = options.mode == DiagnosticOptions::Mode::None;

    // The simulated desktop and the checking modes draw icons and text but need no screen of
    // their own.
    const bool headless =
        qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    // The documentation pictures are drawn on a made-up desktop; its windows never show.
    if ((headless && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) ||
        options.mode == DiagnosticOptions::Mode::DocsShots)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tandri"));
    // A menu-bar program: closing one of its windows never ends it.
    QApplication::setQuitOnLastWindowClosed(false);

    // The checking modes make sense on the sample desktop; the menu-bar program there would run
    // unseen and for ever, writing the user's preferences.
    if (const QString missing = Backend::missingDesktop(); menuBar && !missing.isEmpty()) {
        err << "tandri: " << missing << '\n';
        return 1;
    }
    // Before the desktop is touched: a second copy would grab the same keys and buttons.
    SocketSingleInstance instance;
    if (menuBar) {
        const SingleInstance::Claim claim = instance.claim(Backend::desktopKey(), arguments);
        switch (claim.outcome) {
            case SingleInstance::Outcome::Serving:
                break;
            case SingleInstance::Outcome::HandedOver:
                err << "tandri: handed over to the copy already running (process "
                    << claim.runningPid << ")\n";
                return 0;
            case SingleInstance::Outcome::NoAnswer:
                err << "tandri: another copy is running (process " << claim.runningPid
                    << ") but did not answer\n";
                return 1;
            case SingleInstance::Outcome::Unavailable:
                err << "tandri: " << claim.problem << "; a second copy would not be noticed\n";
                break;
        }
    }
    QString error;
    auto backend = Backend::create(&error, !menuBar);
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
        case DiagnosticOptions::Mode::DocsShots: {
            QTextStream out(stdout);
            const QString folder =
                options.argument.isEmpty() ? DocsShots::defaultFolder() : options.argument;
            return DocsShots::run(folder, out, err) ? 0 : 1;
        }
        case DiagnosticOptions::Mode::ShareImage: {
            // The user's look on this desktop, with its appearance and accent; nothing is
            // written to the user's preferences.
            Platform& platform = backend->platform();
            Settings::registerDefaults(platform.preferences);
            const bool dark = platform.workspace.darkAppearance();
            const LookChoice look =
                Settings::currentLook(platform.preferences, platform.workspace, dark);
            QTextStream out(stdout);
            return ShareImage::run(options.argument, look,
                                   Settings::windowLayout(platform.preferences), out, err)
                       ? 0
                       : 1;
        }
        case DiagnosticOptions::Mode::MemoryProbe: {
            Platform& platform = backend->platform();
            SettingsWindow settings(platform);
            QTextStream out(stdout);
            MemoryProbe probe(platform, &backend->thumbnails(), options.count,
                              XdgDirs::stateHome() + QStringLiteral("/tandri/memory-probe.txt"),
                              out, err);
            probe.openSettings = [&settings] {
                settings.show(SettingsTab::General);
            };
            probe.closeSettings = [&settings] {
                settings.close();
            };
            probe.finished = [](int status) {
                QCoreApplication::exit(status);
            };
            probe.start();
            return QApplication::exec();
        }
        case DiagnosticOptions::Mode::None: {
            Platform& platform = backend->platform();
            SettingsWindow settings(platform);
            OnboardingWindow welcome(platform);
            // Nobody sees the simulated desktop's windows: say what opened.
            if (backend->simulated()) {
                settings.shown = [&err](SettingsTab tab) {
                    err << "tandri: Settings open on its " << SettingsTabs::rawValue(tab)
                        << " tab\n";
                    err.flush();
                };
            }
            AppDelegate delegate(platform, settings, welcome, &backend->thumbnails());
            delegate.quitApplication = [] {
                QCoreApplication::quit();
            };
            welcome.endProgram = [&delegate] {
                delegate.terminate();
            };
            // Logging out ends the program without the Quit item; the Dock is given back then too.
            QObject::connect(&app, &QCoreApplication::aboutToQuit,
                             [&delegate] { delegate.applicationWillTerminate(); });
            delegate.applicationDidFinishLaunching(LaunchOptions::parse(arguments));
            const auto laterStarts =
                instance.watch([&delegate, &backend, &err](const QStringList& handed) {
                    const qsizetype trigger = handed.indexOf(QStringLiteral("--trigger"));
                    if (trigger < 0 || trigger + 1 >= handed.size()) {
                        delegate.launchedAgain(LaunchOptions::parse(handed));
                    } else if (!backend->trigger(handed[trigger + 1] == QLatin1String("down"),
                                                 handed.value(trigger + 2).toLongLong())) {
                        err << "tandri: --trigger is for a desktop whose compositor runs the "
                               "shortcut; ignored\n";
                        err.flush();
                    }
                });
            err << "tandri: running on " << backend->desktopName() << "\n";
            err.flush();
            return QApplication::exec();
        }
    }
    return 2;  // every mode returns above
}
