// SPDX-License-Identifier: MIT
#include "catalogue/migration.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include "platform/preferences.h"
#include "support/testdesktop.h"

namespace tandri {
namespace {

const QString& app = Preferences::appDomain;
const QString currentBuild = QStringLiteral("app.tandri");

void store(Preferences& prefs, const QString& domain, const QJsonObject& values) {
    for (auto it = values.begin(); it != values.end(); ++it)
        prefs.setValue(domain, it.key(), it.value());
}

QJsonObject object(const char* json) {
    return QJsonDocument::fromJson(json).object();
}

// The launch sequence of the program.
void launch(Preferences& prefs) {
    Migration::importFromPrototype(prefs, currentBuild);
    Migration::importFromQuib(prefs);
    Migration::renameHaloLook(prefs);
}

// What this build stores, what the earlier builds stored and the registered defaults, then what
// this build stores after a launch (the markers aside). A second launch changes nothing.
TEST(Migration, ALaunchFillsOnlyWhatTheUserNeverSetHere) {
    const struct {
        const char *what, *current, *prototype, *quib, *defaults, *after;
    } cases[] = {
        {"the prototype first; neither a stored value nor a default is overwritten",
         R"({"hideDock": false})", R"({"apps": "openOnly", "hideDock": true, "unrelated": 1})",
         R"({"apps": "pinnedAndOpen", "showPlaces": false})",
         R"({"apps": "dockAndOpen", "showPlaces": true})",
         R"({"apps": "openOnly", "hideDock": false, "showPlaces": false})"},
        {"a null is no setting", "{}", "{}", R"({"apps": null, "hideDock": true})", "{}",
         R"({"hideDock": true})"},
        {"of the quib build only its keys and its halo background", "{}", "{}",
         R"({"pinnedApps": ["/Applications/Mail.app"], "ringStyle": "halo", "previewSize": 500,
             "background.aura": "glass", "background.halo": "veil"})",
         "{}", R"({"pinnedApps": ["/Applications/Mail.app"], "background.aura": "veil"})"},
        {"the quib halo background never replaces a current aura one",
         R"({"background.aura": "frost"})", "{}", R"({"background.halo": "veil"})", "{}",
         R"({"background.aura": "frost"})"},
        // This build's halo background is its own aura setting under the old name.
        {"nor this build's halo background", R"({"background.halo": "ember"})",
         R"({"background.aura": "glass"})", R"({"background.halo": "veil"})", "{}",
         R"({"background.aura": "ember"})"},
        {"a marker that is not true", R"({"migratedFromQuib": false})", "{}",
         R"({"hideDock": true})", "{}", R"({"hideDock": true})"},
        {"halo becomes aura with its background",
         R"({"ringStyle": "halo", "background.halo": "veil"})", "{}", "{}",
         R"({"background.aura": "disc"})", R"({"ringStyle": "aura", "background.aura": "veil"})"},
        {"a current aura background wins over the halo one",
         R"({"background.aura": "frost", "background.halo": "veil"})", "{}", "{}", "{}",
         R"({"background.aura": "frost"})"},
        {"other looks stay", R"({"ringStyle": "Halo"})", "{}", "{}", "{}",
         R"({"ringStyle": "Halo"})"},
        {"a look that is no name stays", R"({"ringStyle": 3})", "{}", "{}", "{}",
         R"({"ringStyle": 3})"},
        {"a default look is not stored", "{}", "{}", "{}", R"({"ringStyle": "halo"})", "{}"},
        {"every step at once", "{}",
         R"({"ringStyle": "halo", "apps": "openOnly", "previewSize": 320})",
         R"({"apps": "pinnedAndOpen", "hideDock": true, "background.halo": "veil"})", "{}",
         R"({"ringStyle": "aura", "apps": "openOnly", "previewSize": 320, "hideDock": true,
             "background.aura": "veil"})"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::TestDesktop desktop;
        Preferences& prefs = desktop.preferences();
        store(prefs, app, object(c.current));
        store(prefs, Migration::prototypeDomain, object(c.prototype));
        store(prefs, Migration::quibDomain, object(c.quib));
        prefs.registerDefaults(app, object(c.defaults));
        QJsonObject expected = object(c.after);
        expected.insert(Migration::prototypeMarker, true);
        expected.insert(Migration::quibMarker, true);
        launch(prefs);
        EXPECT_EQ(prefs.storedDomain(app), expected);
        launch(prefs);
        EXPECT_EQ(prefs.storedDomain(app), expected);
        // The old builds' own settings stay where they were.
        EXPECT_EQ(prefs.storedDomain(Migration::prototypeDomain), object(c.prototype));
    }
}

TEST(Migration, EachImportRunsOnceEvenWithoutAnOldBuild) {
    test::TestDesktop desktop;
    Preferences& prefs = desktop.preferences();
    launch(prefs);
    const QJsonObject markers{{Migration::prototypeMarker, true}, {Migration::quibMarker, true}};
    EXPECT_EQ(prefs.storedDomain(app), markers);
    // An old build installed later is not picked up.
    store(prefs, Migration::prototypeDomain, {{"apps", "openOnly"}});
    store(prefs, Migration::quibDomain, {{"hideDock", true}, {"background.halo", "veil"}});
    launch(prefs);
    EXPECT_EQ(prefs.storedDomain(app), markers);
}

TEST(Migration, ThePrototypeBuildDoesNotImportItself) {
    test::TestDesktop desktop;
    Preferences& prefs = desktop.preferences();
    store(prefs, Migration::prototypeDomain, {{"apps", "openOnly"}});
    Migration::importFromPrototype(prefs, Migration::prototypeDomain);
    EXPECT_TRUE(prefs.storedDomain(app).isEmpty());

    prefs.setValue(app, Migration::prototypeMarker, false);
    Migration::importFromPrototype(prefs, Migration::prototypeDomain);
    EXPECT_EQ(prefs.storedValue(app, Migration::prototypeMarker), QJsonValue(false));
    // The same build under another identifier does import.
    Migration::importFromPrototype(prefs, currentBuild);
    EXPECT_EQ(prefs.storedValue(app, "apps"), QJsonValue("openOnly"));
}

}  // namespace
}  // namespace tandri
