#include <gtest/gtest.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <algorithm>

#include "catalogue/dockhider.h"
#include "platform/common/jsonpreferences.h"
#include "platform/common/notificationcenter.h"
#include "platform/preferences.h"
#include "platform/system.h"
#include "support/testdesktop.h"

namespace tandri {
namespace {

const QString autohide = QStringLiteral("autohide");
const QString delay = QStringLiteral("autohide-delay");

class DockHiderTest : public ::testing::Test {
protected:
    explicit DockHiderTest(const QByteArray& desktopJson = "{}") : desktop_(desktopJson) {}

    Preferences& prefs() { return desktop_.preferences(); }
    void want(bool hidden, const QString& owner) {
        DockHider::want(prefs(), desktop_.platform().system, hidden, owner);
    }
    long restarts() {
        const auto actions = desktop_.sim().actions();
        return std::count(actions.begin(), actions.end(), QStringLiteral("restart-dock"));
    }
    QJsonValue dock(const QString& key) { return prefs().storedValue(DockHider::domain, key); }
    QJsonValue store(const QString& key) {
        return prefs().storedValue(DockHider::storeDomain, key);
    }
    void setUserDock(const QJsonValue& hide, const QJsonValue& wait) {
        prefs().setValue(DockHider::domain, autohide, hide);
        prefs().setValue(DockHider::domain, delay, wait);
    }

    test::TestDesktop desktop_;
};

TEST_F(DockHiderTest, HidingSavesTheUserSettingsAndRestoringGivesThemBack) {
    setUserDock(false, 0.25);
    prefs().setValue(DockHider::domain, "tilesize", 48);
    want(true, "app.tandri");
    EXPECT_TRUE(DockHider::isHidden(prefs()));
    EXPECT_EQ(dock(autohide), QJsonValue(true));
    EXPECT_EQ(dock(delay), QJsonValue(1000.0));
    EXPECT_EQ(restarts(), 1);
    EXPECT_EQ(store("owners"), QJsonArray{"app.tandri"});
    EXPECT_EQ(store("saved"), QJsonValue(true));
    EXPECT_EQ(store("original.autohide"), QJsonValue(false));
    EXPECT_EQ(store("original.autohide-delay"), QJsonValue(0.25));

    want(false, "app.tandri");
    EXPECT_FALSE(DockHider::isHidden(prefs()));
    EXPECT_EQ(dock(autohide), QJsonValue(false));
    EXPECT_EQ(dock(delay), QJsonValue(0.25));
    EXPECT_EQ(dock("tilesize"), QJsonValue(48));
    EXPECT_EQ(restarts(), 2);
    EXPECT_EQ(store("owners"), QJsonArray());
    EXPECT_EQ(store("saved"), QJsonValue(false));
    EXPECT_TRUE(store("original.autohide").isUndefined());
    EXPECT_TRUE(store("original.autohide-delay").isUndefined());
}

TEST_F(DockHiderTest, RepeatedCallsRestartTheDockOnlyWhenSomethingChanged) {
    setUserDock(false, 0.5);
    want(true, "app.tandri");
    want(true, "app.tandri");
    EXPECT_EQ(restarts(), 1);
    EXPECT_EQ(store("owners"), QJsonArray{"app.tandri"});

    want(false, "app.tandri");
    want(false, "app.tandri");
    EXPECT_EQ(restarts(), 2);
    EXPECT_EQ(dock(autohide), QJsonValue(false));
    EXPECT_EQ(dock(delay), QJsonValue(0.5));
}

TEST_F(DockHiderTest, TurningOffWhatWasNeverOnDoesNothing) {
    setUserDock(true, 2.0);
    want(false, "app.tandri");
    EXPECT_EQ(restarts(), 0);
    EXPECT_EQ(dock(autohide), QJsonValue(true));
    EXPECT_EQ(dock(delay), QJsonValue(2.0));
    EXPECT_NE(store("saved"), QJsonValue(true));
    EXPECT_TRUE(store("original.autohide").isUndefined());
    EXPECT_TRUE(store("original.autohide-delay").isUndefined());
}

TEST_F(DockHiderTest, TheDockIsRestoredOnlyWhenTheLastOwnerLetsGo) {
    setUserDock(false, 0.0);
    want(true, "app.tandri.prototype");
    want(true, "app.quib");
    EXPECT_EQ(store("owners"), (QJsonArray{"app.quib", "app.tandri.prototype"}));
    EXPECT_EQ(restarts(), 1);

    want(false, "app.tandri.prototype");
    EXPECT_EQ(store("owners"), QJsonArray{"app.quib"});
    EXPECT_TRUE(DockHider::isHidden(prefs()));
    EXPECT_EQ(store("saved"), QJsonValue(true));
    EXPECT_EQ(store("original.autohide"), QJsonValue(false));
    EXPECT_EQ(store("original.autohide-delay"), QJsonValue(0.0));
    EXPECT_EQ(restarts(), 1);

    want(false, "app.quib");
    EXPECT_EQ(dock(autohide), QJsonValue(false));
    EXPECT_EQ(dock(delay), QJsonValue(0.0));
    EXPECT_EQ(restarts(), 2);
}

TEST_F(DockHiderTest, AnOwnerThatNeverLetsGoKeepsTheDockHidden) {
    want(true, "app.deleted.copy");
    want(false, "app.tandri");
    EXPECT_TRUE(DockHider::isHidden(prefs()));
    EXPECT_EQ(store("owners"), QJsonArray{"app.deleted.copy"});
    EXPECT_EQ(restarts(), 1);
}

TEST_F(DockHiderTest, KeysTheUserNeverSetAreRemovedNotReset) {
    want(true, "app.tandri");
    EXPECT_TRUE(store("original.autohide").isUndefined());
    EXPECT_TRUE(store("original.autohide-delay").isUndefined());
    want(false, "app.tandri");
    EXPECT_TRUE(dock(autohide).isUndefined());
    EXPECT_TRUE(dock(delay).isUndefined());
    EXPECT_EQ(restarts(), 2);

    // Only the delay was the user's.
    prefs().setValue(DockHider::domain, delay, 0.7);
    want(true, "app.tandri");
    want(false, "app.tandri");
    EXPECT_TRUE(dock(autohide).isUndefined());
    EXPECT_EQ(dock(delay), QJsonValue(0.7));
}

// A user value saved by an earlier run is stale when the user had none this time.
TEST_F(DockHiderTest, SavingReplacesLeftoversOfAnEarlierRun) {
    prefs().setValue(DockHider::storeDomain, "original.autohide", true);
    want(true, "app.tandri");
    want(false, "app.tandri");
    EXPECT_TRUE(dock(autohide).isUndefined());
}

TEST_F(DockHiderTest, ACrashWhileHiddenKeepsTheSettingsSavedFirst) {
    setUserDock(false, 0.3);
    want(true, "app.tandri");

    // A new process on the same store, as after a crash: nothing carries over but the files.
    NotificationCenter notifications;
    JsonPreferences relaunched(QDir(desktop_.configDir()).filePath("tandri/defaults"),
                               notifications);
    System& system = desktop_.platform().system;
    DockHider::want(relaunched, system, true, "app.tandri");
    EXPECT_EQ(restarts(), 1);
    EXPECT_EQ(relaunched.storedValue(DockHider::storeDomain, "original.autohide"),
              QJsonValue(false));

    // Something put the Dock back to auto-hide with a short delay while the program was gone.
    relaunched.setValue(DockHider::domain, delay, 5.0);
    DockHider::want(relaunched, system, true, "app.tandri");
    EXPECT_TRUE(DockHider::isHidden(relaunched));
    EXPECT_EQ(restarts(), 2);
    EXPECT_EQ(relaunched.storedValue(DockHider::storeDomain, "original.autohide-delay"),
              QJsonValue(0.3));

    DockHider::want(relaunched, system, false, "app.tandri");
    EXPECT_EQ(relaunched.storedValue(DockHider::domain, autohide), QJsonValue(false));
    EXPECT_EQ(relaunched.storedValue(DockHider::domain, delay), QJsonValue(0.3));
    EXPECT_EQ(restarts(), 3);
}

TEST_F(DockHiderTest, OnlyTheExactHiddenSettingsCountAsHidden) {
    const struct {
        QJsonValue hide;
        QJsonValue wait;
        bool hidden;
    } cases[] = {
        {true, 1000.0, true},          {true, 1000, true},          {true, 2.0, false},
        {true, 1000.5, false},         {true, QJsonValue(), false}, {true, "1000", false},
        {false, 1000.0, false},        {1, 1000.0, false},          {"true", 1000.0, false},
        {QJsonValue(), 1000.0, false},
    };
    for (const auto& c : cases) {
        setUserDock(c.hide, c.wait);
        EXPECT_EQ(DockHider::isHidden(prefs()), c.hidden)
            << c.hide.toVariant().toString().toStdString() << " / "
            << c.wait.toVariant().toString().toStdString();
    }
}

TEST_F(DockHiderTest, AutoHidingWithAnotherDelayIsSavedAndOverwritten) {
    setUserDock(true, 1.5);
    want(true, "app.tandri");
    EXPECT_EQ(dock(delay), QJsonValue(1000.0));
    EXPECT_EQ(restarts(), 1);
    want(false, "app.tandri");
    EXPECT_EQ(dock(autohide), QJsonValue(true));
    EXPECT_EQ(dock(delay), QJsonValue(1.5));
}

TEST_F(DockHiderTest, AMalformedOwnerListKeepsOnlyNames) {
    prefs().setValue(DockHider::storeDomain, "owners", QJsonArray{"b.copy", 3, "b.copy", true});
    want(true, "a.copy");
    EXPECT_EQ(store("owners"), (QJsonArray{"a.copy", "b.copy"}));

    prefs().setValue(DockHider::storeDomain, "owners", "a.copy");
    want(false, "a.copy");
    EXPECT_EQ(store("owners"), QJsonArray());
    EXPECT_FALSE(DockHider::isHidden(prefs()));
    EXPECT_EQ(restarts(), 2);
}

class DockHiderDefaultsTest : public DockHiderTest {
protected:
    DockHiderDefaultsTest()
        : DockHiderTest(R"({"defaults": {"com.apple.dock": {"autohide": true,
                                                            "autohide-delay": 1000}}})") {}
};

// The Dock's own defaults are what it reads, but they are not the user's to save or restore.
TEST_F(DockHiderDefaultsTest, DockDefaultsCountForHidingButAreNeverStored) {
    EXPECT_TRUE(DockHider::isHidden(prefs()));
    want(true, "app.tandri");
    EXPECT_EQ(restarts(), 0);
    EXPECT_TRUE(store("original.autohide").isUndefined());
    want(false, "app.tandri");
    EXPECT_EQ(restarts(), 1);
    EXPECT_TRUE(dock(autohide).isUndefined());
    EXPECT_TRUE(dock(delay).isUndefined());
    EXPECT_TRUE(DockHider::isHidden(prefs()));
}

}  // namespace
}  // namespace tandri
