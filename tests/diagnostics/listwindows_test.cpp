#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
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

TEST(ListWindows, ListsTheRingsAppsWithTheirWindows) {
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
}

TEST(ListWindows, WithoutPermissionShowsCountsOnlyAndAnotherOwnerOfTheShortcut) {
    QTemporaryDir scratch;
    TestDesktop d(desktop(scratch.filePath("Missing.app"), false)
                      .replace(R"("apps": [)", R"("apps": [{"pid": 400, "name": "Alfred",
                          "bundleID": "com.runningwithcrayons.Alfred", "launched": 99},)"));
    EXPECT_EQ(listing(d).toStdString(),
              "Accessibility: not allowed — titles need it\n"
              "Shortcut: ⌥Space may also open Alfred.\n"
              "0. Finder — 1 visible\n"
              "1. Editor — 2 visible\n"
              "2. Alfred — 0 visible\n");
}

// The program itself, as a person runs it.
class ListWindowsProgram : public ::testing::Test {
protected:
    struct Result {
        bool exitedNormally = false;
        int exitCode = -1;
        QByteArray out, err;
    };
    Result run(const QByteArray& desktopJson) {
        QFile file(dir.filePath("desktop.json"));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(desktopJson);
        file.close();
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TANDRI_DESKTOP", file.fileName());
        env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        process.setProcessEnvironment(env);
        process.start(TANDRI_BINARY, {"--list-windows"});
        EXPECT_TRUE(process.waitForFinished(60000));
        return {process.exitStatus() == QProcess::NormalExit, process.exitCode(),
                process.readAllStandardOutput(), process.readAllStandardError()};
    }
    QTemporaryDir dir;
};

TEST_F(ListWindowsProgram, PrintsTheListingOfTheNamedDesktop) {
    const Result result = run(desktop(dir.filePath("none.app")));
    EXPECT_EQ(result.exitCode, 0);
    const QString out = QString::fromUtf8(result.out);
    EXPECT_TRUE(out.startsWith("Accessibility: allowed\nShortcut: ⌥Space\n0. Finder — 1 visible\n"))
        << out.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath("config/tandri/defaults/app.tandri.json")));
}

TEST_F(ListWindowsProgram, AMalformedDesktopIsAClearErrorWithStatusTwo) {
    const Result result = run(R"({"apps": [{"pid": 1, "windows": [{"title": 5}]}]})");
    EXPECT_TRUE(result.exitedNormally);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.out.isEmpty());
    EXPECT_TRUE(result.err.contains("apps[0].windows[0].title")) << result.err.toStdString();

    const Result notJson = run("{ not json");
    EXPECT_EQ(notJson.exitCode, 2);
    EXPECT_TRUE(notJson.err.contains("desktop.json")) << notJson.err.toStdString();
}

}  // namespace
}  // namespace tandri::test
