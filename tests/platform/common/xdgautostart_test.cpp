// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "platform/common/linuxvocabulary.h"
#include "platform/common/xdgautostart.h"
#include "support/testfiles.h"

namespace tandri {
namespace {

using Status = LoginItems::Status;

using test::fileContents;
using test::writeFile;

struct Folders {
    QTemporaryDir root;
    QString user = root.path() + "/home/autostart";
    QString system = root.path() + "/etc/autostart";
    QString userEntry = user + '/' + XdgAutostart::fileName;
    QString systemEntry = system + '/' + XdgAutostart::fileName;

    XdgAutostart autostart(const QString& program = "/usr/bin/tandri") const {
        return XdgAutostart(user, {root.path() + "/none/autostart", system}, program);
    }
};

TEST(XdgAutostart, EnableWritesAnEntryAndDisableTakesItAway) {
    Folders folders;
    XdgAutostart autostart = folders.autostart();
    EXPECT_EQ(autostart.status(), Status::Off);
    // Turning off what is off succeeds and writes nothing.
    EXPECT_EQ(autostart.disable(), std::nullopt);
    EXPECT_FALSE(QFile::exists(folders.userEntry));

    EXPECT_EQ(autostart.enable(), std::nullopt);
    EXPECT_EQ(autostart.status(), Status::Enabled);
    const QByteArray entry = fileContents(folders.userEntry);
    EXPECT_TRUE(entry.startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(entry.contains("\nExec=/usr/bin/tandri\n"));
    EXPECT_TRUE(entry.contains("\nType=Application\n"));

    EXPECT_EQ(autostart.disable(), std::nullopt);
    EXPECT_EQ(autostart.status(), Status::Off);
    EXPECT_FALSE(QFile::exists(folders.userEntry));

    // The user's entry overrides the system's: removing nothing would leave the system's entry
    // starting it, so a hiding entry is written.
    writeFile(folders.systemEntry, "[Desktop Entry]\nType=Application\nExec=tandri\n");
    EXPECT_EQ(autostart.status(), Status::Enabled);
    EXPECT_EQ(autostart.disable(), std::nullopt);
    EXPECT_TRUE(fileContents(folders.userEntry).contains("\nHidden=true\n"));
    EXPECT_EQ(autostart.status(), Status::Off);
    EXPECT_TRUE(QFile::exists(folders.systemEntry));
    EXPECT_EQ(autostart.enable(), std::nullopt);
    EXPECT_EQ(autostart.status(), Status::Enabled);
}

TEST(XdgAutostart, EntriesThatStartNothingReadAsOff) {
    const struct {
        const char* entry;
        Status status;
    } cases[] = {
        {"[Desktop Entry]\nExec=tandri\nHidden=true\n", Status::Off},
        {"[Desktop Entry]\nExec=tandri\nX-GNOME-Autostart-enabled=false\n", Status::Off},
        {"[Desktop Entry]\n  Hidden=true  \n", Status::Off},
        // Keys of another group say nothing about the entry.
        {"[Desktop Entry]\nExec=tandri\n[Desktop Action x]\nHidden=true\n", Status::Enabled},
        {"[Desktop Entry]\nExec=tandri\nHidden=false\n", Status::Enabled},
    };
    for (const auto& c : cases) {
        Folders folders;
        writeFile(folders.userEntry, c.entry);
        EXPECT_EQ(folders.autostart().status(), c.status) << c.entry;
    }
    // A folder, or a pipe, in the entry's place starts nothing and is not read.
    Folders folders;
    QDir().mkpath(folders.userEntry);
    EXPECT_EQ(folders.autostart().status(), Status::Off);
}

TEST(XdgAutostart, ProgramPathsAreQuotedForTheExecKey) {
    const struct {
        const char* program;
        const char* exec;
    } cases[] = {
        {"/opt/tandri/bin/tandri", "Exec=/opt/tandri/bin/tandri\n"},
        {"/home/a b/tandri", "Exec=\"/home/a b/tandri\"\n"},
        {"/home/100%/tandri", "Exec=\"/home/100%%/tandri\"\n"},
        {"/home/$x/tandri", "Exec=\"/home/\\\\$x/tandri\"\n"},
    };
    for (const auto& c : cases) {
        Folders folders;
        EXPECT_EQ(folders.autostart(c.program).enable(), std::nullopt);
        EXPECT_TRUE(fileContents(folders.userEntry).contains(c.exec))
            << c.program << " wrote " << fileContents(folders.userEntry).constData();
    }
}

TEST(XdgAutostart, AFolderThatCannotBeWrittenIsReported) {
    Folders folders;
    writeFile(folders.user, "a file where the folder should be");
    XdgAutostart autostart = folders.autostart();
    const auto error = autostart.enable();
    ASSERT_TRUE(error.has_value());
    EXPECT_TRUE(error->contains(folders.user)) << error->toStdString();
    EXPECT_EQ(autostart.status(), Status::Off);
}

TEST(LinuxVocabulary, ShortcutsAreWrittenTheLinuxWay) {
    const struct {
        const char* stored;
        const char* shown;
    } cases[] = {
        {"⌥Space", "Alt+Space"},
        {"⌃⌥K", "Ctrl+Alt+K"},
        {"⌃⌥⇧⌘F5", "Ctrl+Alt+Shift+Super+F5"},
        {"⌘↩", "Super+Return"},
        {"⇧⇞", "Shift+Page Up"},
        {"⌥", "Alt"},
        {"Space", "Space"},
        {"", ""},
        {"⌥←x", "Alt+←x"},
    };
    const LinuxVocabulary vocabulary;
    for (const auto& c : cases)
        EXPECT_EQ(vocabulary.shortcut(QString::fromUtf8(c.stored)), QString::fromUtf8(c.shown))
            << c.stored;
}

}  // namespace
}  // namespace tandri
