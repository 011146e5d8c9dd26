// SPDX-License-Identifier: MIT
// Runs the built program itself on a simulated desktop, as a user would start it.
#include <gtest/gtest.h>
#include <signal.h>
#include <string.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <memory>
#include <vector>

#include "support/filetree.h"
#include "support/testfiles.h"
#include "support/waitforevents.h"

namespace tandri::test {
namespace {

// Every wait for the program is bounded by this, generous for a loaded machine.
constexpr int patienceMs = 60000;

QJsonObject readDomain(const QString& folder, const QString& domain) {
    return QJsonDocument::fromJson(fileContents(folder + "/tandri/defaults/" + domain + ".json"))
        .object();
}

/// A user's session: folders of its own for preferences and for the runtime, a simulated
/// desktop once one is written, and no display.
struct Session {
    QTemporaryDir config;
    QTemporaryDir runtime;
    QTemporaryDir scratch;
    QString desktop;

    void writeDesktop(const QByteArray& json) {
        desktop = scratch.filePath("desktop.json");
        test::writeFile(desktop, json);
    }
    /// Past the guide, on a desktop of one app.
    void settleIn() {
        test::writeFile(config.filePath("tandri/defaults/app.tandri.json"),
                        R"({"onboardingDone": true})");
        writeDesktop(R"({"apps": [{"pid": 10, "name": "Notes"}]})");
    }
    QProcessEnvironment environment() const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_CONFIG_HOME", config.path());
        environment.insert("XDG_RUNTIME_DIR", runtime.path());
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "TANDRI_DESKTOP"})
            environment.remove(name);
        if (!desktop.isEmpty())
            environment.insert("TANDRI_DESKTOP", desktop);
        return environment;
    }
};

/// The program started in a session, its standard error collected as it comes.
class Program {
public:
    /// In the session's scratch folder, so that a path given relative lands there; on the
    /// Wayland display named by `wayland`, if any; through the shell command `shell`, if any,
    /// where "$0" is the program.
    explicit Program(const Session& session, const QStringList& arguments = {},
                     const QString& wayland = {}, const char* shell = nullptr) {
        QProcessEnvironment environment = session.environment();
        if (!wayland.isEmpty())
            environment.insert("WAYLAND_DISPLAY", wayland);
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(session.scratch.path());
        // As from a terminal, even when the tests themselves run in a script's background.
        process.setChildProcessModifier([] { ::signal(SIGINT, SIG_DFL); });
        if (shell)
            process.start("/bin/sh", {"-c", shell, TANDRI_PROGRAM});
        else
            process.start(QStringLiteral(TANDRI_PROGRAM), arguments);
    }
    ~Program() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(patienceMs);
        }
    }
    QByteArray errors() {
        errorText += process.readAllStandardError();
        return errorText;
    }
    bool running() const { return process.state() != QProcess::NotRunning; }
    bool waitForErrors(const QByteArray& text) {
        return waitForEvents([&] { return errors().contains(text); }, patienceMs);
    }
    bool waitForEnd() {
        return waitForEvents([&] { return !running(); }, patienceMs);
    }
    /// "tandri: handed over to the copy already running (process 123)"
    QByteArray handedOverToThis() const {
        return "tandri: handed over to the copy already running (process " +
               QByteArray::number(process.processId()) + ")";
    }

    QProcess process;
    QByteArray errorText;
};

TEST(Program, CommandLinesThatAskForNoRunAndTheCheckingModes) {
    const QByteArray usage = "Usage: tandri [OPTION]...";
    const struct {
        QStringList arguments;
        int status;
        QByteArray said;  // when it succeeds the start of standard output, else a line of errors
        const char* desktop = nullptr;  // the simulated desktop's file, if any
        const char* wayland = nullptr;
    } cases[] = {
        {{"--help"}, 0, usage},
        {{"--demo", "-h", "--frob"}, 0, usage},
        // Arguments of options, even ones that look like options, are not options.
        {{"--onboarding", "-1", "--settings", "look", "--snapshot", "--x.png", "2", "--help"},
         0,
         usage},
        {{"--version"}, 0, "tandri " TANDRI_VERSION "\n"},
        {{"--frob"}, 2, "tandri: unknown option '--frob'\n"},
        {{"--settings", "look", "-x", "--help"}, 2, "tandri: unknown option '-x'\n"},
        {{"--demo", "later"}, 2, "tandri: unexpected argument 'later'\n"},
        {{"--list-windows", "--snapshot"},
         2,
         "tandri: option '--snapshot' needs a PNG file's path\n"},
        // The menu-bar program needs a desktop to run on; the checking modes take the sample.
        {{}, 1, "tandri: found no display (DISPLAY is not set)"},
        {{"--demo", "--settings", "look"}, 1, "tandri: found no display"},
        {{}, 1, "tandri: found no X display (DISPLAY is not set)", nullptr, "wayland-0"},
        {{"--list-windows"}, 0, "Accessibility: allowed\nShortcut: ⌥Space\n0. Finder"},
        {{"--snapshot", "ring.png", "0"}, 0, "Accessibility: allowed; expanded app: Finder\n"},
        {{"--menu-probe", "menus.txt"}, 0, ""},
        // What cannot be written or read is an error, not a silent success.
        {{"--snapshot", "no/such/ring.png"}, 1, "cannot write the snapshot"},
        {{"--menu-probe", "missing/menus.txt"}, 1, "cannot write"},
        {{"--list-windows"},
         2,
         "apps[0].windows[0].title",
         R"({"apps": [{"pid": 1, "windows": [{"title": 5}]}]})"},
        {{"--list-windows"}, 2, "desktop.json", "{ not json"},
    };
    // One session, and one more for each case with a desktop of its own.
    std::vector<std::unique_ptr<Session>> sessions;
    const Session& session = *sessions.emplace_back(std::make_unique<Session>());
    std::vector<std::unique_ptr<Program>> programs;
    for (const auto& c : cases) {
        if (c.desktop)
            sessions.emplace_back(std::make_unique<Session>())->writeDesktop(c.desktop);
        programs.push_back(std::make_unique<Program>(c.desktop ? *sessions.back() : session,
                                                     c.arguments, c.wayland));
    }
    // All at once, so that programs that run on instead cost one wait, not one each.
    waitForEvents(
        [&] { return std::ranges::none_of(programs, [](const auto& p) { return p->running(); }); },
        patienceMs);
    for (size_t i = 0; i < programs.size(); ++i) {
        QProcess& program = programs[i]->process;
        const auto& c = cases[i];
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        ASSERT_FALSE(programs[i]->running()) << "runs on";
        const QByteArray out = program.readAllStandardOutput();
        const QByteArray errors = programs[i]->errors();
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), c.status) << errors.toStdString();
        if (c.status == 0)
            EXPECT_TRUE(out.startsWith(c.said)) << out.toStdString();
        else
            EXPECT_TRUE(out.isEmpty() && errors.contains(c.said)) << errors.toStdString();
        // Help on standard output when asked for, on standard error after a mistake on the line.
        EXPECT_EQ(errors.contains(usage), c.status == 2 && !c.desktop);
    }
    EXPECT_FALSE(QImage(session.scratch.filePath("ring.png")).isNull());
    EXPECT_TRUE(
        fileContents(session.scratch.filePath("menus.txt"))
            .startsWith("Accessibility: true\nShow All Windows available: true\n== Finder\n"));
    for (const auto& checked : sessions) {
        EXPECT_TRUE(fileTree(checked->config.path()).empty());
        EXPECT_TRUE(fileTree(checked->runtime.path()).empty());
    }
}

TEST(Program, RunsUntilAskedToQuitAndGivesTheDockBack) {
    // The session's end or a script sends SIGTERM, Ctrl-C in a terminal SIGINT: both quit in order.
    for (const int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(strsignal(signal));
        Session session;
        test::writeFile(session.config.filePath("tandri/defaults/app.tandri.json"),
                        R"({"hideDock": true, "onboardingDone": true})");
        test::writeFile(session.config.filePath("tandri/defaults/com.apple.dock.json"),
                        R"({"autohide-delay": 0.2})");
        session.writeDesktop(R"({"takenShortcuts": [[49, 2048]],
            "apps": [{"pid": 10, "name": "Notes", "windows": [{"title": "List"}]}]})");

        Program program(session);
        const auto hidden = [&] {
            return readDomain(session.config.path(), "com.apple.dock")
                       .value("autohide-delay")
                       .toDouble() == 1000.0;
        };
        ASSERT_TRUE(waitForEvents(hidden, patienceMs)) << program.errors().toStdString();
        // Taken keys are reported and the program keeps running.
        ASSERT_TRUE(program.waitForErrors("running on"));
        EXPECT_TRUE(program.errors().contains("Tandri: ⌥Space is taken by another app"))
            << program.errors().toStdString();
        EXPECT_TRUE(program.running());

        ::kill(pid_t(program.process.processId()), signal);
        ASSERT_TRUE(program.waitForEnd());
        EXPECT_EQ(program.process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.process.exitCode(), 0);
        // The user's own Dock settings are back; nothing of ours is left in them.
        const QJsonObject dock = readDomain(session.config.path(), "com.apple.dock");
        EXPECT_EQ(dock.value("autohide-delay").toDouble(), 0.2);
        EXPECT_FALSE(dock.contains("autohide"));
        EXPECT_EQ(readDomain(session.config.path(), "app.tandri").value("hideDock"),
                  QJsonValue(true));
    }
}

TEST(Program, ALaterStartHandsItsCommandLineToTheRunningCopy) {
    Session session;
    session.settleIn();
    auto first = std::make_unique<Program>(session);
    ASSERT_TRUE(first->waitForErrors("tandri: running on")) << first->errors().toStdString();

    const struct {
        QStringList arguments;
        QByteArray acted;  // what the running copy then says
    } starts[] = {
        {{}, "Settings open on its general tab"},
        {{"--settings", "look"}, "Settings open on its look tab"},
    };
    for (const auto& start : starts) {
        SCOPED_TRACE(start.arguments.join(' ').toStdString());
        Program later(session, start.arguments);
        ASSERT_TRUE(later.waitForEnd()) << "a second copy runs";
        EXPECT_EQ(later.process.exitCode(), 0);
        EXPECT_TRUE(later.errors().contains(first->handedOverToThis()))
            << later.errors().toStdString();
        EXPECT_TRUE(first->waitForErrors(start.acted)) << first->errors().toStdString();
    }
    // The checking modes run beside it.
    Program listing(session, {"--list-windows"});
    ASSERT_TRUE(listing.waitForEnd());
    EXPECT_EQ(listing.process.exitCode(), 0);
    EXPECT_TRUE(listing.process.readAllStandardOutput().contains("Notes"));
    // A copy that crashed leaves its socket behind, which does not stop the next start.
    first->process.kill();
    ASSERT_TRUE(first->waitForEnd());
    const auto socketLeft = [&] {
        return std::ranges::count_if(fileTree(session.runtime.path()),
                                     [](const auto& item) { return item.second == "socket"; });
    };
    EXPECT_EQ(socketLeft(), 1);
    Program next(session);
    ASSERT_TRUE(next.waitForErrors("tandri: running on")) << next.errors().toStdString();
    EXPECT_FALSE(next.errors().contains("handed over"));
    // An orderly quit tidies up.
    next.process.terminate();
    ASSERT_TRUE(next.waitForEnd());
    EXPECT_EQ(next.process.exitCode(), 0);
    EXPECT_EQ(socketLeft(), 0);
}

TEST(Program, OfTwoCopiesStartedAtOnceOneRuns) {
    Session session;
    session.settleIn();
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        Program a(session);
        Program b(session);
        ASSERT_TRUE(waitForEvents([&] { return !a.running() || !b.running(); }, patienceMs))
            << "both run";
        Program& ended = a.running() ? b : a;
        Program& running = a.running() ? a : b;
        EXPECT_EQ(ended.process.exitCode(), 0);
        EXPECT_TRUE(ended.errors().contains(running.handedOverToThis()))
            << ended.errors().toStdString();
        // The copy that runs took the other's start, which asked for nothing: Settings.
        EXPECT_TRUE(running.waitForErrors("Settings open on its general tab"))
            << running.errors().toStdString();
        ASSERT_TRUE(running.running());
        running.process.terminate();
        ASSERT_TRUE(running.waitForEnd());
        EXPECT_EQ(running.process.exitCode(), 0);
    }
}

TEST(Program, LeavesCtrlCToTheScriptThatStartedItInTheBackground) {
    Session session;
    session.writeDesktop(R"({"apps": [{"pid": 10, "name": "Notes"}]})");
    // What a shell does to a program that a script starts in the background.
    Program program(session, {}, {}, "trap '' INT; exec \"$0\"");
    ASSERT_TRUE(program.waitForErrors("running on")) << program.errors().toStdString();

    QFile status(QStringLiteral("/proc/%1/status").arg(program.process.processId()));
    ASSERT_TRUE(status.open(QIODevice::ReadOnly));
    const QByteArray text = status.readAll();
    const auto mask = [&](const QByteArray& name) {
        const qsizetype at = text.indexOf(name + ":");
        return text.mid(at + name.size() + 1, text.indexOf('\n', at) - at - name.size() - 1)
            .trimmed()
            .toULongLong(nullptr, 16);
    };
    const unsigned long long interrupt = 1ull << (SIGINT - 1), terminate = 1ull << (SIGTERM - 1);
    EXPECT_TRUE(mask("SigIgn") & interrupt);
    EXPECT_TRUE(mask("SigCgt") & terminate);
    program.process.terminate();
    ASSERT_TRUE(program.waitForEnd());
    EXPECT_EQ(program.process.exitCode(), 0);
}

}  // namespace
}  // namespace tandri::test
