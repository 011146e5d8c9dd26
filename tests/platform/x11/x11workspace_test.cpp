// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "x11appsfixture.h"

namespace tandri::x11::test {
namespace {

// Stands in for the desktop's handlers of opened URLs.
class UrlCatcher : public QObject {
    Q_OBJECT
public Q_SLOTS:
    void open(const QUrl& url) { urls << url; }

public:
    QList<QUrl> urls;
};

TEST_F(X11Apps, VanishedWindowsAndEndedProcessesAreLeftAlone) {
    const Started ended = start(QStringLiteral("xterm"), {"-T", "Gone"});
    ASSERT_TRUE(ended.window);
    const WindowElement element{ended.pid, ended.window};
    ASSERT_EQ(accessibility_->windows(ended.pid).size(), 1u);
    ASSERT_TRUE(activate(alpha_));

    // Another process's number on a live window: not that process's window.
    accessibility_->raise({ended.pid, alpha_.window});
    accessibility_->setMinimized({ended.pid, beta_.window}, true);

    ASSERT_EQ(::kill(ended.pid, SIGKILL), 0);
    ASSERT_TRUE(gone(ended.window));
    // The window manager may move the focus itself as the window goes; what follows must start
    // from a known active window to tell whether it moves it.
    ASSERT_TRUE(activate(alpha_));
    EXPECT_TRUE(accessibility_->windows(ended.pid).empty());
    EXPECT_FALSE(workspace_->runningApp(ended.pid));
    accessibility_->setMinimized(element, true);
    accessibility_->setMinimized(element, false);
    accessibility_->setMain(element);
    accessibility_->raise(element);
    workspace_->activate(ended.pid);
    workspace_->unhide(ended.pid);
    connection_->trapErrors([] {});  // let the server answer anything sent

    EXPECT_FALSE(waitForEvents([&] { return activeWindow() != alpha_.window; }, 500));
    EXPECT_EQ(minimized(beta_.pid, beta_.window), false);
}

TEST_F(X11Apps, OpeningAnEntryActivatesItsProcessOrLaunchesIt) {
    auto open = [&](const QString& path) {
        std::optional<std::optional<QString>> result;
        workspace_->openApplication(QUrl::fromLocalFile(path), true,
                                    [&](std::optional<QString> error) { result = error; });
        EXPECT_TRUE(result) << "the completion runs before openApplication returns";
        return result.value_or(QStringLiteral("<no completion>"));
    };
    ASSERT_TRUE(activate(alpha_));

    EXPECT_EQ(open(clockEntry_), std::nullopt);
    // xclock takes no keyboard focus, so it cannot become the active window; it is raised.
    ASSERT_TRUE(waitForEvents([&] { return topWindow() == clock_.window; }))
        << "the running clock comes to the front";
    EXPECT_EQ(clientOf(clock_.pid), clock_.window);

    const QString eyes = writeEntry(QStringLiteral("tandri-test-eyes"),
                                    QStringLiteral("Name=Test Eyes\nExec=xeyes -geometry "
                                                   "120x100\nStartupWMClass=XEyes"));
    EXPECT_EQ(open(eyes), std::nullopt);
    const auto launched = [] {
        std::vector<qint32> pids;
        for (const RunningApp& a : workspace_->runningApps()) {
            if (a.bundleID == "tandri-test-eyes")
                pids.push_back(a.pid);
        }
        return pids;
    };
    ASSERT_TRUE(waitForEvents([&] { return !launched().empty(); }, patience));
    const qint32 pid = launched().front();
    EXPECT_EQ(workspace_->runningApp(pid)->localizedName, "Test Eyes");
    EXPECT_EQ(open(eyes), std::nullopt);
    EXPECT_EQ(launched().size(), 1u) << "a running entry is not launched again";
    ::kill(pid, SIGTERM);

    const QString missing = home_->filePath(QStringLiteral("nowhere.desktop"));
    EXPECT_EQ(open(missing), QStringLiteral("No application at ") + missing);
    const QString text = home_->filePath(QStringLiteral("notes.txt"));
    writeFile(text, {});
    EXPECT_EQ(open(text), text + QStringLiteral(" is not an application"));
    const QString broken = writeEntry(QStringLiteral("tandri-test-broken"),
                                      QStringLiteral("Name=Broken\nExec=/nonexistent/broken"));
    EXPECT_EQ(open(broken), QStringLiteral("Broken could not be started"));
}

TEST_F(X11Apps, OpeningFilesRunsTheEntryOncePerFileByItsFieldCode) {
    const QString log = home_->filePath("calls.log");
    const QString script = home_->filePath("record.sh");
    // One write per call: a line written in pieces could be read half done.
    writeFile(script,
              "#!/bin/sh\nline=call; for a in \"$@\"; do line=\"$line [$a]\"; done; "
              "printf '%s\\n' \"$line\" >> \"" +
                  QFile::encodeName(log) + "\"\n");
    ASSERT_TRUE(QFile::setPermissions(script, QFile::ReadOwner | QFile::ExeOwner));
    const QUrl entry =
        QUrl::fromLocalFile(writeEntry("one-file", "Name=One\nExec=" + script + " --from %f"));
    const QUrl a = QUrl::fromLocalFile("/tmp/one file.txt"),
               b = QUrl::fromLocalFile("/tmp/two.txt");
    const auto lines = [&] {
        QStringList list = QString::fromUtf8(fileContents(log)).split('\n', Qt::SkipEmptyParts);
        list.sort();
        return list;
    };

    workspace_->openFiles({a, b}, entry, false);
    ASSERT_TRUE(waitForEvents([&] { return lines().size() == 2; }));
    EXPECT_EQ(lines(),
              QStringList({"call [--from] [/tmp/one file.txt]", "call [--from] [/tmp/two.txt]"}));

    // Nothing to open, or no application: nothing runs.
    QFile::remove(log);
    workspace_->openFiles({}, entry, true);
    workspace_->openFiles({a}, QUrl::fromLocalFile(home_->filePath("missing.desktop")), true);
    workspace_->openFiles({a}, QUrl("https://example.invalid/app.desktop"), true);
    waitForEvents([] { return false; }, 300);
    EXPECT_FALSE(QFile::exists(log));
}

TEST_F(X11Apps, TerminateAsksAndForceTerminateKillsButNeverThisProgramNorAWindowlessOne) {
    // Not a terminal: one asked to close before its shell has started never ends.
    const Started closable = start(TEST_CLIENT, {"Closable", "Closable Window"});
    ASSERT_TRUE(closable.window);
    workspace_->terminate(closable.pid);
    EXPECT_TRUE(
        waitForEvents([&] { return closable.process->state() == QProcess::NotRunning; }, patience));
    EXPECT_EQ(closable.process->exitStatus(), QProcess::NormalExit) << "killed, not asked";
    EXPECT_EQ(closable.process->exitCode(), 0) << "cut off by the server instead of asked";

    const Started orphan = start(TEST_CLIENT, {"--no-pid", "Orphanage", "Orphan Window"}, false);
    const qint32 group = X11Accessibility::classPID("Orphanage");
    ASSERT_TRUE(waitForEvents([&] { return workspace_->runningApp(group).has_value(); }, patience));
    EXPECT_FALSE(workspace_->runningApp(orphan.pid));
    workspace_->forceTerminate(group);
    EXPECT_TRUE(waitForEvents([&] { return !workspace_->runningApp(group); }, patience));
    EXPECT_TRUE(
        waitForEvents([&] { return orphan.process->state() == QProcess::NotRunning; }, patience))
        << "its connection was closed";
    // Forced, an app is killed; never this program, nor a process without windows.
    const Started doomed = start("xterm", {"-T", "Doomed"});
    ASSERT_TRUE(doomed.window);
    workspace_->forceTerminate(doomed.pid);
    EXPECT_TRUE(
        waitForEvents([&] { return doomed.process->state() == QProcess::NotRunning; }, patience));
    EXPECT_EQ(doomed.process->exitStatus(), QProcess::CrashExit);
    EXPECT_EQ(doomed.process->exitCode(), SIGKILL);

    HandMadeWindows hand;
    ASSERT_TRUE(managed({hand.make({.title = "Own"})}));
    ASSERT_TRUE(workspace_->runningApp(self));
    workspace_->forceTerminate(self);
    const Started sleeper = start("sleep", {"30"}, false);
    workspace_->forceTerminate(sleeper.pid);
    waitForEvents([] { return false; }, 300);
    EXPECT_EQ(sleeper.process->state(), QProcess::Running);
    EXPECT_TRUE(workspace_->runningApp(self)) << "still here";
}

TEST_F(X11Apps, EntriesFilesAndTheTrashAsTheFileManagerNamesThem) {
    EXPECT_TRUE(accessibility_->isTrusted()) << "openbox answers";
    EXPECT_EQ(workspace_->urlForBundleIdentifier(QStringLiteral("tandri-test-clock")),
              QUrl::fromLocalFile(clockEntry_));
    EXPECT_FALSE(workspace_->urlForBundleIdentifier(QStringLiteral("no.such.app")));
    EXPECT_EQ(workspace_->bundleIdentifier(QUrl::fromLocalFile(clockEntry_)), "tandri-test-clock");
    EXPECT_FALSE(workspace_->bundleIdentifier(QUrl::fromLocalFile(home_->path())));
    EXPECT_FALSE(
        workspace_->bundleIdentifier(QUrl(QStringLiteral("https://example.com/a.desktop"))));

    EXPECT_EQ(workspace_->displayName(clockEntry_), "Test Clock");
    EXPECT_EQ(workspace_->displayName(home_->path() + QStringLiteral("/data/")), "data");
    EXPECT_EQ(workspace_->displayName(QStringLiteral("/")), "/");
    EXPECT_EQ(workspace_->applicationSuffix(), ".desktop");

    for (const QString& path :
         {home_->path(), clockEntry_, home_->filePath(QStringLiteral("x.txt")),
          QStringLiteral("/no/such/file")}) {
        EXPECT_FALSE(workspace_->iconForFile(path).isNull()) << path.toStdString();
    }
    EXPECT_EQ(workspace_->iconForFile(clockEntry_).pixelColor(64, 64), QColor(Qt::red));
    EXPECT_FALSE(workspace_->trashIcon().isNull());

    // Moved into the freedesktop Trash that trashURL names.
    const QString trash = home_->filePath(QStringLiteral("data/Trash/"));
    EXPECT_EQ(workspace_->trashURL(), QUrl::fromLocalFile(trash + "files"));
    const QString file = home_->filePath("Draft.txt");
    writeFile(file, "draft");
    EXPECT_TRUE(workspace_->moveToTrash(QUrl::fromLocalFile(file)));
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_EQ(fileContents(trash + "files/Draft.txt"), "draft");
    EXPECT_FALSE(workspace_->moveToTrash(QUrl("https://example.invalid/Draft.txt")));
}

TEST_F(X11Apps, ListingsRunOnAnyThreadWhileTheMainThreadActs) {
    std::atomic<bool> stop = false;
    auto list = [&] {
        int rounds = 0;
        bool consistent = true;
        while (!stop || rounds < 20) {
            const auto windows = accessibility_->windows(alpha_.pid);
            const auto screen = windowList_->onScreenWindows();
            consistent = consistent && windows.size() == 1 && screen.has_value();
            ++rounds;
        }
        return consistent;
    };
    auto first = std::async(std::launch::async, list);
    auto second = std::async(std::launch::async, list);
    for (int i = 0; i < 10; ++i) {
        workspace_->activate(i % 2 ? alpha_.pid : beta_.pid);
        EXPECT_FALSE(workspace_->runningApps().empty());
    }
    stop = true;
    EXPECT_TRUE(first.get());
    EXPECT_TRUE(second.get());
}

TEST_F(X11Apps, UrlsOpenWithTheDesktopAndRevealFallsBackToTheFolders) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected() && bus.interface()) {
        const QStringList names = bus.interface()->activatableServiceNames().value() +
                                  bus.interface()->registeredServiceNames().value();
        if (names.contains(QStringLiteral("org.freedesktop.FileManager1")))
            GTEST_SKIP() << "a file manager answers on this session bus";
    }
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
    const QUrl page(QStringLiteral("https://example.com/a?b=c"));
    workspace_->openURL(page);
    EXPECT_EQ(catcher.urls, QList<QUrl>({page}));

    catcher.urls.clear();
    const QString a = home_->filePath(QStringLiteral("a")),
                  b = home_->filePath(QStringLiteral("b"));
    workspace_->revealInFileManager({QUrl::fromLocalFile(a + QStringLiteral("/x.txt")),
                                     QUrl::fromLocalFile(a + QStringLiteral("/y.txt")),
                                     QUrl::fromLocalFile(b + QStringLiteral("/z"))});
    EXPECT_TRUE(waitForEvents([&] { return catcher.urls.size() >= 2; }));
    EXPECT_EQ(catcher.urls, QList<QUrl>({QUrl::fromLocalFile(a), QUrl::fromLocalFile(b)}))
        << "each folder once, without a file manager to select the items";
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
}

}  // namespace
}  // namespace tandri::x11::test

#include "x11workspace_test.moc"
