#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QWindow>
#include <memory>

#include "platform/common/xdgtrash.h"
#include "platform/x11/desktopentries.h"
#include "platform/x11/x11accessibility.h"
#include "platform/x11/x11connection.h"
#include "platform/x11/x11workspace.h"
#include "support/waitforevents.h"

#include <unistd.h>
#include <csignal>

namespace tandri::x11 {
namespace {

using test::patience;
using test::waitForEvents;

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class X11Actions : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        qputenv("XDG_DATA_HOME", home.filePath("data").toLocal8Bit());
        QDir().mkpath(home.filePath("data/applications"));
        connection = X11Connection::open();
        ASSERT_TRUE(connection) << "no X server";
        entries = std::make_unique<DesktopEntries>();
        workspace = std::make_unique<X11Workspace>(*connection, *entries);
    }
    void TearDown() override {
        for (auto& process : processes) {
            process->kill();
            process->waitForFinished(3000);
        }
    }

    QProcess& start(const QString& program, const QStringList& arguments) {
        processes.push_back(std::make_unique<QProcess>());
        QProcess& process = *processes.back();
        process.start(program, arguments);
        EXPECT_TRUE(process.waitForStarted(5000)) << program.toStdString();
        return process;
    }
    // Waits for an app of this pid to be listed.
    bool listed(qint32 pid) {
        return waitForEvents([&] { return workspace->runningApp(pid).has_value(); }, patience);
    }
    bool hidden(qint32 pid) {
        const auto app = workspace->runningApp(pid);
        return app && app->hidden;
    }

    QTemporaryDir home;
    std::unique_ptr<X11Connection> connection;
    std::unique_ptr<DesktopEntries> entries;
    std::unique_ptr<X11Workspace> workspace;
    std::vector<std::unique_ptr<QProcess>> processes;
};

TEST_F(X11Actions, HideMinimizesEveryWindowAndUnhideBringsThemBack) {
    const qint32 self = qint32(getpid());
    QWindow one, two;
    one.setTitle("One");
    two.setTitle("Two");
    one.show();
    two.show();
    X11Accessibility accessibility(*connection);
    ASSERT_TRUE(waitForEvents([&] {
        return accessibility.windows(self).size() == 2 && one.isExposed() && two.isExposed();
    }));
    ASSERT_FALSE(hidden(self));

    workspace->hide(self);
    EXPECT_TRUE(waitForEvents([&] { return hidden(self); }));
    for (const AXWindow& window : accessibility.windows(self)) EXPECT_EQ(window.minimized, true);
    workspace->hide(self);  // again: nothing changes
    EXPECT_TRUE(hidden(self));

    workspace->unhide(self);
    EXPECT_TRUE(waitForEvents([&] { return !hidden(self); }));
    workspace->hide(0x3ffffff);  // no such app: nothing happens
}

TEST_F(X11Actions, TerminateAsksTheAppToCloseItsWindows) {
    // Not a terminal: one asked to close before its shell has started never ends.
    QProcess& client = start(TEST_CLIENT, {"Closable", "Closable Window"});
    const qint32 pid = qint32(client.processId());
    ASSERT_TRUE(listed(pid));
    workspace->terminate(pid);
    EXPECT_TRUE(waitForEvents([&] { return client.state() == QProcess::NotRunning; }, patience));
    EXPECT_EQ(client.exitStatus(), QProcess::NormalExit) << "killed, not asked";
    EXPECT_EQ(client.exitCode(), 0) << "cut off by the server instead of asked";
}

TEST_F(X11Actions, ForceTerminateKillsTheProcess) {
    QProcess& xterm = start("xterm", {"-T", "Doomed"});
    const qint32 pid = qint32(xterm.processId());
    ASSERT_TRUE(listed(pid));
    workspace->forceTerminate(pid);
    EXPECT_TRUE(waitForEvents([&] { return xterm.state() == QProcess::NotRunning; }, patience));
    EXPECT_EQ(xterm.exitStatus(), QProcess::CrashExit);
    EXPECT_EQ(xterm.exitCode(), SIGKILL);
}

TEST_F(X11Actions, ForceTerminateNeverKillsThisProgramOrAProcessThatIsNoApp) {
    QWindow own;
    own.setTitle("Own");
    own.show();
    const qint32 self = qint32(getpid());
    ASSERT_TRUE(listed(self));
    workspace->forceTerminate(self);
    // A process without windows is no app of the workspace.
    QProcess& sleeper = start("sleep", {"30"});
    workspace->forceTerminate(qint32(sleeper.processId()));
    waitForEvents([] { return false; }, 300);
    EXPECT_EQ(sleeper.state(), QProcess::Running);
    EXPECT_TRUE(workspace->runningApp(self)) << "still here";
}

TEST_F(X11Actions, AnAppWithoutAProcessIsDisconnectedNotKilled) {
    QProcess& orphan = start(TEST_CLIENT, {"--no-pid", "Orphanage", "Orphan Window"});
    const qint32 group = X11Accessibility::classPID("Orphanage");
    ASSERT_GE(group, 0x40000000);
    ASSERT_TRUE(listed(group));
    EXPECT_FALSE(workspace->runningApp(qint32(orphan.processId())));
    workspace->forceTerminate(group);
    EXPECT_TRUE(waitForEvents([&] { return !workspace->runningApp(group); }, patience));
    EXPECT_TRUE(waitForEvents([&] { return orphan.state() == QProcess::NotRunning; }, patience))
        << "its connection was closed";
}

TEST_F(X11Actions, OpenFilesRunsTheEntryByItsFieldCodes) {
    const QString log = home.filePath("calls.log");
    const QString script = home.filePath("record.sh");
    {
        QFile file(script);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(
            // One write per call: a line written in pieces could be read half done.
            "#!/bin/sh\nline=call; for a in \"$@\"; do line=\"$line [$a]\"; done; "
            "printf '%s\\n' \"$line\" >> \"" +
            QFile::encodeName(log) + "\"\n");
        file.setPermissions(file.permissions() | QFile::ExeOwner);
    }
    auto entry = [&](const QString& id, const QString& code) {
        const QString path = home.filePath("data/applications/" + id + ".desktop");
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Desktop Entry]\nType=Application\nName=" + id.toUtf8() +
                   "\nExec=" + script.toUtf8() + " --from " + code.toUtf8() + "\n");
        return QUrl::fromLocalFile(path);
    };
    const QUrl a = QUrl::fromLocalFile("/tmp/one file.txt"),
               b = QUrl::fromLocalFile("/tmp/two.txt");
    const auto lines = [&] {
        QStringList list = QString::fromUtf8(contents(log)).split('\n', Qt::SkipEmptyParts);
        list.sort();
        return list;
    };

    workspace->openFiles({a, b}, entry("all-files", "%F"), true);
    ASSERT_TRUE(waitForEvents([&] { return lines().size() == 1; }));
    EXPECT_EQ(lines(), QStringList({"call [--from] [/tmp/one file.txt] [/tmp/two.txt]"}));

    QFile::remove(log);
    workspace->openFiles({a, b}, entry("one-file", "%f"), false);
    ASSERT_TRUE(waitForEvents([&] { return lines().size() == 2; }));
    EXPECT_EQ(lines(),
              QStringList({"call [--from] [/tmp/one file.txt]", "call [--from] [/tmp/two.txt]"}));

    QFile::remove(log);
    workspace->openFiles({a, b}, entry("all-urls", "%U"), true);
    ASSERT_TRUE(waitForEvents([&] { return lines().size() == 1; }));
    EXPECT_EQ(lines(),
              QStringList({"call [--from] [file:///tmp/one%20file.txt] [file:///tmp/two.txt]"}));

    // Nothing to open, or no application: nothing runs.
    QFile::remove(log);
    workspace->openFiles({}, entry("all-files", "%F"), true);
    workspace->openFiles({a}, QUrl::fromLocalFile(home.filePath("missing.desktop")), true);
    workspace->openFiles({a}, QUrl("https://example.invalid/app.desktop"), true);
    waitForEvents([] { return false; }, 300);
    EXPECT_FALSE(QFile::exists(log));
}

TEST_F(X11Actions, MoveToTrashUsesTheFreedesktopTrashThatTrashURLNames) {
    const QString trashFiles = home.filePath("data/Trash/files");
    EXPECT_EQ(workspace->trashURL(), QUrl::fromLocalFile(trashFiles));
    EXPECT_EQ(XdgTrash().filesFolder(), trashFiles);
    const QString file = home.filePath("Draft.txt");
    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write("draft");
    }
    EXPECT_TRUE(workspace->moveToTrash(QUrl::fromLocalFile(file)));
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_EQ(contents(trashFiles + "/Draft.txt"), "draft");
    EXPECT_TRUE(QFile::exists(home.filePath("data/Trash/info/Draft.txt.trashinfo")));
    EXPECT_FALSE(workspace->moveToTrash(QUrl::fromLocalFile(file))) << "gone already";
    EXPECT_FALSE(workspace->moveToTrash(QUrl("https://example.invalid/Draft.txt")));
}

}  // namespace
}  // namespace tandri::x11
