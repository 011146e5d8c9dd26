// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>

#include "diagnostics/menuprobe.h"
#include "support/testdesktop.h"
#include "support/testfiles.h"

namespace tandri::test {
namespace {

// One app running with two windows and a file menu, one in the Dock only, one running without
// windows.
const QByteArray probeDesktop = R"({
  "frontmost": 20,
  "apps": [
    {"pid": 20, "name": "Mail", "bundlePath": "/Applications/Mail.app", "launched": 1,
     "windows": [{"title": "Inbox", "id": 1, "main": true},
                 {"title": "Draft", "id": 2, "minimized": true}],
     "menuBar": [{"title": "System"}, {"title": "Mail"}, {"title": "File", "items": [
        {"title": "New Viewer Window", "cmdChar": "N", "cmdModifiers": 3},
        {"title": "New Message", "cmdChar": "N", "cmdModifiers": 0}]}]},
    {"pid": 21, "name": "Clock", "bundlePath": "/Applications/Clock.app", "launched": 2}
  ],
  "defaults": {"com.apple.dock": {"persistent-apps": [
    {"tile-type": "file-tile", "tile-data": {"file-label": "Notes",
     "file-data": {"_CFURLString": "NOTES"}}}]}}
})";

// The Dock's app must be installed to be listed: a bundle in a temporary folder.
struct InstalledNotes {
    InstalledNotes() { QDir(folder.path()).mkpath("Notes.app"); }
    QByteArray desktop() const {
        return QByteArray(probeDesktop)
            .replace("NOTES", QUrl::fromLocalFile(folder.filePath("Notes.app")).toEncoded());
    }
    QTemporaryDir folder;
};

TEST(MenuProbe, WritesEveryAppMenuInOneStep) {
    InstalledNotes notes;
    TestDesktop desktop(notes.desktop());
    const QString path = desktop.path("menus.txt");
    // Whatever was there is replaced whole.
    desktop.makeFile("menus.txt", QByteArray(10000, 'x'));
    ASSERT_EQ(MenuProbe::run(desktop.platform(), path), QString());
    const QStringList lines = QString::fromUtf8(fileContents(path)).split('\n');
    EXPECT_EQ(lines.mid(0, 2),
              (QStringList{"Accessibility: true", "Show All Windows available: true"}));
    // The ring's entries in order, each with its menu as the ring shows it.
    EXPECT_EQ(lines.filter(QRegularExpression("^==")),
              (QStringList{"== Notes (not running)", "== Mail", "== Clock"}));
    EXPECT_EQ(lines.mid(lines.indexOf("== Mail") + 1, 4),
              (QStringList{"  ✓ Inbox", "  ◆ Draft", "  ────", "    New Viewer Window"}));
    EXPECT_EQ(lines.mid(lines.indexOf("== Clock")),
              (QStringList{"== Clock", "    Options ▸", "          Show in Finder", "  ────",
                           "    Show All Windows", "    Hide", "    Quit", "  ⌥ Force Quit"}));
    // Dumping never runs anything.
    for (const auto& action : desktop.sim().actions()) {
        EXPECT_FALSE(action.startsWith("terminate") || action.startsWith("hide") ||
                     action.startsWith("press"))
            << action.toStdString();
    }
}

TEST(MenuProbe, WithoutPermissionMenusKeepTheirOptionsAndAFailedWriteSaysSo) {
    TestDesktop desktop(probeDesktop);
    desktop.sim().setTrusted(false);
    const QString text = MenuProbe::text(desktop.platform());
    EXPECT_TRUE(text.startsWith("Accessibility: false\nShow All Windows available: true\n"));
    EXPECT_FALSE(text.contains("Inbox"));
    EXPECT_TRUE(text.contains("== Mail\n    Options ▸"));
    // A folder that does not exist: an error, and nothing is left behind.
    const QString bad = desktop.path("no/such/folder/menus.txt");
    EXPECT_FALSE(MenuProbe::run(desktop.platform(), bad).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(bad));
}

}  // namespace
}  // namespace tandri::test
