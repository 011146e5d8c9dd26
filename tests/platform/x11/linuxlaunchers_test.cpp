// SPDX-License-Identifier: MIT
#include "platform/x11/linuxlaunchers.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>

#include "platform/common/runningprocesses.h"
#include "support/testfiles.h"

namespace tandri::x11 {
namespace {

using LinuxLaunchers::known;
using LinuxLaunchers::Profile;

constexpr qint64 space = 49;
constexpr qint64 k = 40;
constexpr qint64 command = 256, shift = 512, option = 2048, control = 4096;
const KeyCombination controlSpace{space, control};

const Profile& launcher(const QString& name) {
    const auto& profiles = known();
    const auto found = std::find_if(profiles.begin(), profiles.end(),
                                    [&](const Profile& profile) { return profile.name == name; });
    EXPECT_NE(found, profiles.end()) << name.toStdString();
    return *found;
}

// Each launcher's own file, as it writes it, under a fresh configuration folder.
struct FileCase {
    const char* launcher;
    /// Which of its files (0: the one it reads first); -1 writes none.
    int file;
    QByteArray contents;
    std::vector<KeyCombination> expected;
};

TEST(LinuxLaunchers, EachLaunchersKeysFromItsOwnFile) {
    const std::vector<FileCase> cases{
        // Ulauncher's settings.json, GTK's accelerators; the factory key when the file says none.
        {"Ulauncher", -1, "", {controlSpace}},
        {"Ulauncher",
         0,
         R"({"hotkey-show-app": "<Super>space", "theme-name": "dark"})",
         {{space, command}}},
        {"Ulauncher", 0, R"({"theme-name": "dark"})", {controlSpace}},
        {"Ulauncher", 0, R"({"hotkey-show-app": ""})", {}},
        {"Ulauncher", 0, R"({"hotkey-show-app": "<Hyper>space"})", {}},
        // Broken files: the key is unknown, and the launcher's factory key is taken.
        {"Ulauncher", 0, R"({"hotkey-show-app": "<Primary>spa)", {controlSpace}},
        {"Ulauncher", 0, R"(["<Super>space"])", {controlSpace}},
        {"Ulauncher", 0, R"({"hotkey-show-app": 5})", {controlSpace}},
        {"Ulauncher", 0, QByteArray("\xff\xfe\x00", 3), {controlSpace}},
        // Albert's QSettings file, Qt's words; the newer file first, the older one otherwise.
        {"Albert", 0, "[General]\nhotkey=Alt+Space\nshowTray=true\n", {{space, option}}},
        {"Albert", 1, "[General]\nhotkey=Meta+Shift+K\n", {{k, command | shift}}},
        {"Albert", 0, "[General]\nhotkey=\n", {}},
        {"Albert", 0, "[widgetsboxmodel]\nhotkey=Alt+Space\n", {controlSpace}},
        {"Albert", 0, "[General]\nhotkey=Ctrl+K, Ctrl+C\n", {}},
        // Synapse's config.json: the "activate" shortcut of its interface.
        {"Synapse",
         0,
         R"({"ui": {"shortcuts": {"activate": "<Alt>space", "paste": "<Control>v"}}})",
         {{space, option}}},
        {"Synapse", 0, R"({"ui": {"global": {"ui-type": "default"}}})", {controlSpace}},
        {"Synapse", 0, R"({"ui": {"shortcuts": "<Alt>space"}})", {controlSpace}},
        // Kupfer's ConfigParser file: two keys, the second unset until the user sets it; the
        // names of keys in any case.
        {"Kupfer",
         0,
         "[Kupfer]\nkeybinding = <Super>space\nmagickeybinding = <Ctrl><Alt>k\n",
         {{space, command}, {k, control | option}}},
        {"Kupfer", 0, "# settings\n[Kupfer]\nKeybinding = \n", {}},
        {"Kupfer", 0, "[Directories]\nkeybinding = <Super>space\n", {controlSpace}},
        // Cerebro's config.json, Electron's accelerators.
        {"Cerebro", 0, R"({"hotkey": "Alt+Space", "theme": "dark"})", {{space, option}}},
        {"Cerebro", 0, R"({"hotkey": "CmdOrCtrl+shift+SPACE"})", {{space, control | shift}}},
        {"Cerebro", 0, R"({"hotkey": "Super+Escape"})", {{53, command}}},
        {"Cerebro", 0, R"({"hotkey": "Command+Space"})", {}},
        {"Cerebro", 0, "{not json", {controlSpace}},
    };
    for (const FileCase& c : cases) {
        const Profile& profile = launcher(c.launcher);
        QTemporaryDir home;
        if (c.file >= 0)
            test::writeFile(home.filePath(profile.files[c.file]), c.contents);
        EXPECT_EQ(LinuxLaunchers::keys(profile, home.path()), c.expected)
            << c.launcher << " with " << c.contents.toStdString();
    }
}

TEST(LinuxLaunchers, AFileThatCannotBeReadCountsAsSayingNothing) {
    QTemporaryDir home;
    // Albert's newer file is a folder: its older file is not read instead, since Albert reads
    // the newer one first.
    ASSERT_TRUE(QDir().mkpath(home.filePath("albert/config")));
    test::writeFile(home.filePath("albert/albert.conf"), "[General]\nhotkey=Alt+Space\n");
    EXPECT_EQ(LinuxLaunchers::keys(launcher("Albert"), home.path()),
              std::vector<KeyCombination>{controlSpace});
}

TEST(LinuxLaunchers, ElectronAcceleratorsInQtsWords) {
    using LinuxLaunchers::electronAccelerator;
    EXPECT_EQ(electronAccelerator("Control+Alt+Delete"), (KeyCombination{117, control | option}));
    EXPECT_EQ(electronAccelerator("meta+PageDown"), (KeyCombination{121, command}));
    EXPECT_EQ(electronAccelerator("Ctrl+Enter"), (KeyCombination{36, control}));
    EXPECT_EQ(electronAccelerator("Shift+F2"), (KeyCombination{120, shift}));
    for (const char* bad : {"", "+", "Control+", "AltGr+Space", "Option+Space", "Hyper+Space",
                            "Control+NoSuchKey", "Space+Control"}) {
        EXPECT_EQ(electronAccelerator(bad), std::nullopt) << bad;
    }
}

TEST(LinuxLaunchers, ProcessesByCommandProgramOrScript) {
    using RunningProcesses::Process;
    using RunningProcesses::runs;
    struct Case {
        Process process;
        const char* name;
        bool expected;
    };
    const std::vector<Case> cases{
        {{1, "albert", {"/usr/bin/albert"}}, "albert", true},
        // A shebang script runs under its own name; one given to Python runs as Python.
        {{2, "ulauncher", {"/usr/bin/python3", "/usr/bin/ulauncher", "--hide-window"}},
         "ulauncher",
         true},
        {{3, "python3", {"python3", "-O", "/usr/share/kupfer/kupfer.py"}}, "kupfer.py", true},
        {{4, "python3", {"python3", "-O", "/usr/share/kupfer/kupfer.py"}}, "python4", false},
        // Other programs that name the launcher's file do not run it.
        {{5, "less", {"less", "/usr/share/kupfer/kupfer.py"}}, "kupfer.py", false},
        {{6, "vim", {"vim", "ulauncher"}}, "ulauncher", false},
        {{7, "albert-helper", {"albert-helper"}}, "albert", false},
        // A process whose command line is gone still has its command name.
        {{8, "cerebro", {}}, "cerebro", true},
        {{9, "cerebro", {}}, "", false},
    };
    for (const Case& c : cases) EXPECT_EQ(runs(c.process, c.name), c.expected) << c.process.pid;
}

// A process that runs for the test and is ended with it.
struct Child {
    QProcess process;
    ~Child() {
        process.kill();
        process.waitForFinished(30000);
    }
};

TEST(LinuxLaunchers, ARunningLauncherIsFoundInProcAndItsKeysRead) {
    QTemporaryDir folder;
    // A copy of sleep named as Ulauncher's program, and a shell running a script named as
    // Kupfer's when Python runs it.
    const QString sleep = QStandardPaths::findExecutable("sleep");
    ASSERT_FALSE(sleep.isEmpty());
    const QString ulauncher = folder.filePath("ulauncher");
    ASSERT_TRUE(QFile::copy(sleep, ulauncher));
    ASSERT_TRUE(QFile::setPermissions(ulauncher, QFile::ReadOwner | QFile::ExeOwner));
    const QString script = folder.filePath("kupfer.py");
    test::writeFile(script, "read line\n");

    Child first, second;
    first.process.start(ulauncher, {"600"});
    second.process.start("/bin/sh", {script});
    // Started means the program was executed: the kernel shows it under its name from then on.
    ASSERT_TRUE(first.process.waitForStarted(30000));
    ASSERT_TRUE(second.process.waitForStarted(30000));

    std::vector<RunningProcesses::Process> ours;
    for (const auto& process : RunningProcesses::ofThisUser()) {
        if (process.pid == first.process.processId() || process.pid == second.process.processId())
            ours.push_back(process);
    }
    ASSERT_EQ(ours.size(), 2u);

    QTemporaryDir home;
    test::writeFile(home.filePath("kupfer/kupfer.cfg"), "[Kupfer]\nkeybinding = <Super>space\n");

    std::vector<std::pair<QString, std::vector<KeyCombination>>> found;
    for (const Launcher& l : LinuxLaunchers::read(known(), ours, home.path())) {
        EXPECT_EQ(l.format, Launcher::Format::Platform);
        if (l.running)
            found.emplace_back(l.name, l.keys);
        else
            EXPECT_TRUE(l.keys.empty()) << l.name.toStdString();
    }
    EXPECT_EQ(found, (std::vector<std::pair<QString, std::vector<KeyCombination>>>{
                         {"Ulauncher", {controlSpace}}, {"Kupfer", {{space, command}}}}));
}

}  // namespace
}  // namespace tandri::x11
