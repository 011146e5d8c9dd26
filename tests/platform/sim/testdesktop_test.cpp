// SPDX-License-Identifier: MIT
#include "support/testdesktop.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QJsonArray>

#include "platform/accessibility.h"
#include "platform/sim/simtesting.h"
#include "platform/windowlist.h"
#include "platform/workspace.h"
#include "support/filetree.h"
#include "support/testfiles.h"

namespace tandri::test {
namespace {

TEST(SampleDesktop, LoadsAsAPlausibleDesktop) {
    auto result = sim::SimDesktop::fromFile(sim::SimDesktop::samplePath());
    EXPECT_EQ(result.error, "");
    ASSERT_NE(result.desktop, nullptr);
    auto& desktop = result.desktop;
    Workspace& workspace = desktop->workspace();

    const auto screens = desktop->screens().screens();
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_EQ(screens[0].frame, QRectF(0, 0, 1440, 900));
    EXPECT_TRUE(screens[0].frame.contains(screens[0].visible));
    EXPECT_LT(screens[0].visible.height(), screens[0].frame.height());

    const auto front = workspace.frontmostPID();
    ASSERT_TRUE(front.has_value());
    ASSERT_TRUE(workspace.runningApp(*front).has_value());
    EXPECT_GE(desktop->accessibility().windows(*front).size(), 2u);

    int regular = 0;
    int hidden = 0;
    int minimized = 0;
    bool finder = false;
    for (const auto& app : workspace.runningApps()) {
        regular += app.activationPolicy == RunningApp::regularPolicy;
        hidden += app.hidden;
        finder = finder || (app.bundleID == "com.apple.finder" && app.localizedName == "Finder");
        for (const auto& window : desktop->accessibility().windows(app.pid)) {
            minimized += window.minimized.value_or(false);
        }
    }
    EXPECT_GE(regular, 8);
    EXPECT_EQ(hidden, 1);
    EXPECT_GE(minimized, 1);
    EXPECT_TRUE(finder);
    EXPECT_FALSE(desktop->windowList().onScreenWindows()->empty());
}

TEST(SampleDesktop, DockTilesNameInstalledApps) {
    TestDesktop desk;
    auto sample = sim::SimDesktop::sample();
    sample->registerDomainDefaults(desk.preferences());
    const QJsonArray tiles =
        desk.preferences().value("com.apple.dock", "persistent-apps").toArray();
    ASSERT_GE(tiles.size(), 5);
    for (const auto& tile : tiles) {
        const QJsonObject data = tile.toObject().value("tile-data").toObject();
        const QString bundleID = data.value("bundle-identifier").toString();
        const QUrl url(data.value("file-data").toObject().value("_CFURLString").toString());
        ASSERT_TRUE(url.isLocalFile()) << bundleID.toStdString();
        const auto installed = sample->workspace().urlForBundleIdentifier(bundleID);
        ASSERT_TRUE(installed.has_value()) << bundleID.toStdString();
        EXPECT_EQ(QDir::cleanPath(installed->toLocalFile()), QDir::cleanPath(url.toLocalFile()));
        EXPECT_EQ(sample->workspace().bundleIdentifier(url), bundleID);
    }
    const QJsonArray others =
        desk.preferences().value("com.apple.dock", "persistent-others").toArray();
    ASSERT_EQ(others.size(), 1);
    EXPECT_EQ(others[0].toObject().value("tile-type").toString(), "directory-tile");
}

TEST(TestDesktop, DomainDefaultsAreReadableButNeverWritten) {
    TestDesktop desk(R"({"defaults": {"com.apple.dock": {"autohide": true, "tilesize": 48},
                                      "app.tandri": {"apps": "openOnly"}}})");
    Preferences& preferences = desk.preferences();
    EXPECT_EQ(preferences.value("com.apple.dock", "autohide"), QJsonValue(true));
    EXPECT_EQ(preferences.value("com.apple.dock", "tilesize").toInt(), 48);
    EXPECT_EQ(preferences.value(Preferences::appDomain, "apps").toString(), "openOnly");
    EXPECT_TRUE(preferences.storedValue("com.apple.dock", "autohide").isUndefined());
    EXPECT_TRUE(preferences.storedDomain("com.apple.dock").isEmpty());
    EXPECT_TRUE(fileTree(desk.configDir()).empty());

    // A stored value lands in the temporary configuration folder, and the default shows through
    // again once it is removed.
    preferences.setValue("com.apple.dock", "autohide", false);
    EXPECT_EQ(preferences.value("com.apple.dock", "autohide"), QJsonValue(false));
    EXPECT_FALSE(fileTree(desk.configDir()).empty());
    preferences.removeValue("com.apple.dock", "autohide");
    EXPECT_EQ(preferences.value("com.apple.dock", "autohide"), QJsonValue(true));
}

TEST(TestDesktop, ADesktopThatDoesNotLoadFailsTheTestAndLeavesAnEmptyDesktop) {
    static std::unique_ptr<TestDesktop> desk;
    EXPECT_NONFATAL_FAILURE(desk = std::make_unique<TestDesktop>(R"({"apps": [{"pid": "x"}]})"),
                            "apps[0].pid: expected a positive whole number");
    ASSERT_NE(desk, nullptr);
    EXPECT_TRUE(desk->sim().workspace().runningApps().empty());
    EXPECT_EQ(desk->sim().screens().screens().size(), 1u);
    desk.reset();
}

TEST(TestDesktop, ScratchFilesAndFolders) {
    TestDesktop desk;
    const QString folder = desk.makeFolder("Apps/Tools");
    EXPECT_TRUE(QDir(folder).exists());
    EXPECT_EQ(folder, desk.path("Apps/Tools"));
    EXPECT_TRUE(QDir::isAbsolutePath(folder));

    const QString file = desk.makeFile("Docs/deep/notes.txt", "hello");
    EXPECT_EQ(fileContents(file), "hello");
    EXPECT_TRUE(file.startsWith(desk.path("Docs")));
    // Scratch files never land among the preferences.
    EXPECT_FALSE(file.startsWith(desk.configDir()));
    EXPECT_TRUE(fileTree(desk.configDir()).empty());
}

}  // namespace
}  // namespace tandri::test
