// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "diagnostics/listwindows.h"
#include "support/testdesktop.h"

namespace tandri::test {
namespace {

// A Finder with an open and a minimized window; an app whose window has no title, with a palette
// that the window server counts but that is not a standard window and a window too small to count;
// and a Dock tile of an app that is installed but not running.
QByteArray desktop(const QString& mapsPath, bool trusted = true) {
    return QStringLiteral(R"({
      "trusted": %2,
      "apps": [
        {"pid": 300, "name": "Editor", "launched": 5,
         "windows": [{"id": 31}, {"title": "Palette", "subrole": "AXFloatingWindow"},
                     {"title": "Tiny", "frame": [0, 0, 60, 40]}]},
        {"pid": 200, "name": "Finder", "bundleID": "com.apple.finder", "launched": 9,
         "windows": [{"title": "Old", "minimized": true}, {"title": "Home", "id": 21}]}
      ],
      "defaults": {"com.apple.dock": {"persistent-apps": [
        {"tile-data": {"file-label": "Maps", "bundle-identifier": "com.example.maps",
                       "file-data": {"_CFURLString": "%1"}}}]}}
    })")
        .arg(QUrl::fromLocalFile(mapsPath).toString(), trusted ? "true" : "false")
        .toUtf8();
}

QString listing(TestDesktop& d) {
    QString text;
    QTextStream out(&text);
    ListWindows::run(d.platform(), out);
    return text;
}

TEST(ListWindows, ListsTheRingsAppsWithTheirWindowsOrWithoutPermissionTheirCounts) {
    QTemporaryDir scratch;
    const QString maps = scratch.filePath("Maps.app");
    QDir().mkpath(maps);
    TestDesktop d(desktop(maps));
    EXPECT_EQ(listing(d).toStdString(),
              "Accessibility: allowed\n"
              "Shortcut: ⌥Space\n"
              "0. Finder — 1 visible\n"
              "     • Home\n"
              "     ▾ Old\n"
              "1. Maps — not running (pinned in the Dock)\n"
              "2. Editor — 2 visible\n"
              "     • (untitled)\n"
              "     • Tiny\n");
    // Only the Dock set includes the Dock's tiles.
    d.preferences().setValue(Preferences::appDomain, "apps", "openOnly");
    EXPECT_FALSE(listing(d).contains("Maps"));

    // Without the permission, counts only; another owner of the shortcut is named.
    TestDesktop untrusted(desktop(scratch.filePath("Missing.app"), false)
                              .replace(R"("apps": [)", R"("apps": [{"pid": 400, "name": "Alfred",
                          "bundleID": "com.runningwithcrayons.Alfred", "launched": 99},)"));
    EXPECT_EQ(listing(untrusted).toStdString(),
              "Accessibility: not allowed — titles need it\n"
              "Shortcut: ⌥Space may also open Alfred.\n"
              "0. Finder — 1 visible\n"
              "1. Editor — 2 visible\n"
              "2. Alfred — 0 visible\n");
}

}  // namespace
}  // namespace tandri::test
