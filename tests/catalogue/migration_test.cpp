#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>

#include "catalogue/migration.h"
#include "platform/preferences.h"
#include "support/testdesktop.h"

namespace tandri {
namespace {

const QString& app = Preferences::appDomain;
const QString currentBuild = QStringLiteral("app.tandri");

class MigrationTest : public ::testing::Test {
protected:
    Preferences& prefs() { return desktop_.preferences(); }
    QJsonValue current(const QString& key) { return prefs().storedValue(app, key); }
    void setOld(const QString& domain, const QJsonObject& values) {
        for (auto it = values.begin(); it != values.end(); ++it) {
            prefs().setValue(domain, it.key(), it.value());
        }
    }
    // The launch sequence of the program.
    void launch(const QString& bundleID = currentBuild) {
        Migration::importFromPrototype(prefs(), bundleID);
        Migration::importFromQuib(prefs());
        Migration::renameHaloLook(prefs());
    }

    test::TestDesktop desktop_;
};

TEST_F(MigrationTest, TheKeysAreTheOnesEarlierBuildsUsed) {
    EXPECT_EQ(
        Migration::keys,
        (QStringList{"windowLayout", "windowThumbnails", "middleClickTrigger", "apps", "hideDock",
                     "showPlaces", "outlineForAccessibility", "pinnedApps", "background.quib",
                     "shortcut.keyCode", "shortcut.modifiers", "shortcut.label"}));
}

TEST_F(MigrationTest, PrototypeImportCopiesEveryKeyTheUserSetThere) {
    QJsonObject old;
    int n = 0;
    for (const QString& key : Migration::keys) {
        old.insert(key, QStringLiteral("old %1").arg(++n));
    }
    old.insert("ringStyle", "quib");
    old.insert("background.aura", "glass");
    old.insert("previewSize", 400);
    old.insert("background.halo", "veil");
    old.insert("unrelated", true);
    setOld(Migration::prototypeDomain, old);

    Migration::importFromPrototype(prefs(), currentBuild);
    EXPECT_EQ(current(Migration::prototypeMarker), QJsonValue(true));
    QJsonObject expected = old;
    expected.remove("background.halo");
    expected.remove("unrelated");
    expected.insert(Migration::prototypeMarker, true);
    EXPECT_EQ(prefs().storedDomain(app), expected);
    // The old build's own settings stay where they were.
    EXPECT_EQ(prefs().storedDomain(Migration::prototypeDomain), old);
}

TEST_F(MigrationTest, ImportsNeverOverwriteAndDefaultsDoNotCount) {
    setOld(Migration::prototypeDomain, {{"apps", "openOnly"}, {"hideDock", true}});
    setOld(Migration::quibDomain, {{"apps", "pinnedAndOpen"}, {"showPlaces", false}});
    prefs().setValue(app, "hideDock", false);
    prefs().registerDefaults(app, {{"apps", "dockAndOpen"}, {"showPlaces", true}});

    launch();
    EXPECT_EQ(current("apps"), QJsonValue("openOnly"));
    EXPECT_EQ(current("hideDock"), QJsonValue(false));
    EXPECT_EQ(current("showPlaces"), QJsonValue(false));
    // A key the user never set in any build stays unset, so its default shows.
    EXPECT_TRUE(current("windowLayout").isUndefined());
}

TEST_F(MigrationTest, ANullInAnOldBuildIsNoSetting) {
    setOld(Migration::quibDomain, {{"apps", QJsonValue::Null}, {"hideDock", true}});
    Migration::importFromQuib(prefs());
    EXPECT_TRUE(current("apps").isUndefined());
    EXPECT_EQ(current("hideDock"), QJsonValue(true));
}

TEST_F(MigrationTest, MarkersAreSetOnceEvenWithoutAnOldBuild) {
    launch();
    EXPECT_EQ(current(Migration::prototypeMarker), QJsonValue(true));
    EXPECT_EQ(current(Migration::quibMarker), QJsonValue(true));

    // An old build installed later is not picked up.
    setOld(Migration::prototypeDomain, {{"apps", "openOnly"}});
    setOld(Migration::quibDomain, {{"hideDock", true}, {"background.halo", "veil"}});
    launch();
    EXPECT_TRUE(current("apps").isUndefined());
    EXPECT_TRUE(current("hideDock").isUndefined());
    EXPECT_TRUE(current("background.aura").isUndefined());
}

TEST_F(MigrationTest, AMarkerThatIsNotTrueDoesNotStopTheImport) {
    prefs().setValue(app, Migration::quibMarker, false);
    setOld(Migration::quibDomain, {{"hideDock", true}});
    Migration::importFromQuib(prefs());
    EXPECT_EQ(current("hideDock"), QJsonValue(true));
    EXPECT_EQ(current(Migration::quibMarker), QJsonValue(true));
}

TEST_F(MigrationTest, ThePrototypeBuildDoesNotImportItself) {
    setOld(Migration::prototypeDomain, {{"apps", "openOnly"}});
    Migration::importFromPrototype(prefs(), Migration::prototypeDomain);
    EXPECT_TRUE(current(Migration::prototypeMarker).isUndefined());
    EXPECT_TRUE(current("apps").isUndefined());

    prefs().setValue(app, Migration::prototypeMarker, false);
    Migration::importFromPrototype(prefs(), Migration::prototypeDomain);
    EXPECT_EQ(current(Migration::prototypeMarker), QJsonValue(false));

    // The same build under another identifier does import.
    Migration::importFromPrototype(prefs(), currentBuild);
    EXPECT_EQ(current("apps"), QJsonValue("openOnly"));
}

TEST_F(MigrationTest, QuibImportCarriesOnlyItsKeysAndTheHaloBackground) {
    setOld(Migration::quibDomain, {{"pinnedApps", QJsonArray{"/Applications/Mail.app"}},
                                   {"ringStyle", "halo"},
                                   {"previewSize", 500},
                                   {"background.aura", "glass"},
                                   {"background.halo", "veil"}});
    Migration::importFromQuib(prefs());
    EXPECT_EQ(current("pinnedApps"), QJsonArray{"/Applications/Mail.app"});
    EXPECT_EQ(current("background.aura"), QJsonValue("veil"));
    EXPECT_TRUE(current("ringStyle").isUndefined());
    EXPECT_TRUE(current("previewSize").isUndefined());
    EXPECT_TRUE(current("background.halo").isUndefined());
}

TEST_F(MigrationTest, QuibHaloBackgroundNeverReplacesACurrentAuraBackground) {
    prefs().setValue(app, "background.aura", "frost");
    setOld(Migration::quibDomain, {{"background.halo", "veil"}});
    Migration::importFromQuib(prefs());
    EXPECT_EQ(current("background.aura"), QJsonValue("frost"));
}

// The current build's halo background is its own aura setting under the old name.
TEST_F(MigrationTest, ImportsNeverReplaceTheCurrentHaloBackground) {
    prefs().setValue(app, "background.halo", "ember");
    setOld(Migration::prototypeDomain, {{"background.aura", "glass"}});
    setOld(Migration::quibDomain, {{"background.halo", "veil"}});
    launch();
    EXPECT_EQ(current("background.aura"), QJsonValue("ember"));
    EXPECT_TRUE(current("background.halo").isUndefined());
}

TEST_F(MigrationTest, HaloBecomesAuraWithItsBackground) {
    prefs().setValue(app, "ringStyle", "halo");
    prefs().setValue(app, "background.halo", "veil");
    prefs().registerDefaults(app, {{"background.aura", "disc"}});
    Migration::renameHaloLook(prefs());
    EXPECT_EQ(current("ringStyle"), QJsonValue("aura"));
    EXPECT_EQ(current("background.aura"), QJsonValue("veil"));
    EXPECT_TRUE(current("background.halo").isUndefined());
}

TEST_F(MigrationTest, ACurrentAuraBackgroundWinsOverTheHaloOne) {
    prefs().setValue(app, "background.aura", "frost");
    prefs().setValue(app, "background.halo", "veil");
    Migration::renameHaloLook(prefs());
    EXPECT_EQ(current("background.aura"), QJsonValue("frost"));
    EXPECT_TRUE(current("background.halo").isUndefined());
}

TEST_F(MigrationTest, RenameLeavesOtherLooksAlone) {
    for (const QJsonValue& style : {QJsonValue("quib"), QJsonValue("Halo"), QJsonValue(3)}) {
        prefs().setValue(app, "ringStyle", style);
        Migration::renameHaloLook(prefs());
        EXPECT_EQ(current("ringStyle"), style);
    }
    prefs().registerDefaults(app, {{"ringStyle", "halo"}});
    prefs().removeValue(app, "ringStyle");
    Migration::renameHaloLook(prefs());
    EXPECT_TRUE(current("ringStyle").isUndefined());
    EXPECT_TRUE(current("background.aura").isUndefined());
}

TEST_F(MigrationTest, EveryStepGivesTheSameResultWhenRunAgain) {
    setOld(Migration::prototypeDomain,
           {{"ringStyle", "halo"}, {"apps", "openOnly"}, {"previewSize", 320}});
    setOld(Migration::quibDomain,
           {{"apps", "pinnedAndOpen"}, {"hideDock", true}, {"background.halo", "veil"}});

    launch();
    const QJsonObject first = prefs().storedDomain(app);
    EXPECT_EQ(first, (QJsonObject{{Migration::prototypeMarker, true},
                                  {Migration::quibMarker, true},
                                  {"ringStyle", "aura"},
                                  {"apps", "openOnly"},
                                  {"previewSize", 320},
                                  {"hideDock", true},
                                  {"background.aura", "veil"}}));
    launch();
    EXPECT_EQ(prefs().storedDomain(app), first);
    Migration::importFromPrototype(prefs(), currentBuild);
    Migration::importFromQuib(prefs());
    Migration::renameHaloLook(prefs());
    Migration::renameHaloLook(prefs());
    EXPECT_EQ(prefs().storedDomain(app), first);
}

}  // namespace
}  // namespace tandri
