// SPDX-License-Identifier: MIT
#include "catalogue/dockhider.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <memory>

#include "platform/common/jsonpreferences.h"
#include "platform/common/notificationcenter.h"
#include "platform/preferences.h"
#include "platform/system.h"
#include "support/testdesktop.h"

namespace tandri {
namespace {

const QString autohide = QStringLiteral("autohide");
const QString delay = QStringLiteral("autohide-delay");

/// The Dock's two keys, what is saved of them and who wants the Dock hidden, in one line:
/// "autohide delay | saved autohide delay | owners", with "-" for a key that is not stored.
QString state(const Preferences& prefs) {
    const auto text = [&](const QString& domain, const QString& key) {
        const QJsonValue value = prefs.storedValue(domain, key);
        QStringList names;
        for (const QJsonValue& name : value.toArray()) names << name.toString();
        return value.isUndefined() ? QStringLiteral("-")
               : !value.isArray()  ? value.toVariant().toString()
               : names.isEmpty()   ? QStringLiteral("none")
                                   : names.join(u',');
    };
    const QString& kept = DockHider::storeDomain;
    return QStringLiteral("%1 %2 | %3 %4 %5 | %6")
        .arg(text(DockHider::domain, autohide), text(DockHider::domain, delay), text(kept, "saved"),
             text(kept, "original.autohide"), text(kept, "original.autohide-delay"),
             text(kept, "owners"));
}

struct Dock {
    explicit Dock(const QByteArray& desktopJson = "{}") : desktop(desktopJson) {}
    Preferences& prefs() { return desktop.preferences(); }
    void want(bool hidden, const QString& owner) {
        DockHider::want(prefs(), desktop.platform().system, hidden, owner);
    }
    long restarts() {
        const auto actions = desktop.sim().actions();
        return std::count(actions.begin(), actions.end(), QStringLiteral("restart-dock"));
    }
    void setUserDock(const QJsonValue& hide, const QJsonValue& wait) {
        prefs().setValue(DockHider::domain, autohide, hide);
        prefs().setValue(DockHider::domain, delay, wait);
    }
    /// The user's settings written as `state` shows them, "autohide delay".
    void setUserDock(const QString& text) {
        const auto value = [&](int i) {
            const QString word = text.section(u' ', i, i);
            return word == "-" ? QJsonValue(QJsonValue::Undefined)
                               : QJsonDocument::fromJson(("[" + word + "]").toUtf8()).array()[0];
        };
        setUserDock(value(0), value(1));
    }

    test::TestDesktop desktop;
};

TEST(DockHider, TheLastOwnerToLetGoGivesTheUsersSettingsBack) {
    // Each case starts from the user's Dock settings; the rows without them go on with the case
    // above.
    const struct {
        const char* user;
        bool hidden;
        const char* owner;
        const char* state;
        long restarts;
    } steps[] = {
        // Saved, hidden and given back once however often asked.
        {"false 0.25", true, "tandri", "true 1000 | true false 0.25 | tandri", 1},
        {nullptr, true, "tandri", "true 1000 | true false 0.25 | tandri", 1},
        {nullptr, false, "tandri", "false 0.25 | false - - | none", 2},
        {nullptr, false, "tandri", "false 0.25 | false - - | none", 2},
        {"true 2", false, "tandri", "true 2 | - - - | none", 0},
        {"false 0", true, "tandri", "true 1000 | true false 0 | tandri", 1},
        {nullptr, true, "quib", "true 1000 | true false 0 | quib,tandri", 1},
        {nullptr, false, "tandri", "true 1000 | true false 0 | quib", 1},
        {nullptr, false, "quib", "false 0 | false - - | none", 2},
        {"- -", true, "deleted.copy", "true 1000 | true - - | deleted.copy", 1},
        {nullptr, false, "tandri", "true 1000 | true - - | deleted.copy", 1},
        // Keys the user never set are removed, not reset.
        {"- -", true, "tandri", "true 1000 | true - - | tandri", 1},
        {nullptr, false, "tandri", "- - | false - - | none", 2},
        {"- 0.7", true, "tandri", "true 1000 | true - 0.7 | tandri", 1},
        {nullptr, false, "tandri", "- 0.7 | false - - | none", 2},
        {"true 1.5", true, "tandri", "true 1000 | true true 1.5 | tandri", 1},
        {nullptr, false, "tandri", "true 1.5 | false - - | none", 2},
    };
    std::unique_ptr<Dock> dock;
    for (const auto& step : steps) {
        SCOPED_TRACE(testing::Message() << step.hidden << " " << step.owner);
        if (step.user) {
            dock = std::make_unique<Dock>();
            dock->setUserDock(QString::fromUtf8(step.user));
            dock->prefs().setValue(DockHider::domain, "tilesize", 48);
        }
        dock->want(step.hidden, step.owner);
        EXPECT_EQ(state(dock->prefs()), QString::fromUtf8(step.state));
        EXPECT_EQ(DockHider::isHidden(dock->prefs()),
                  QByteArray(step.state).startsWith("true 1000"));
        EXPECT_EQ(dock->restarts(), step.restarts);
        // The Dock's other keys are never touched.
        EXPECT_EQ(dock->prefs().storedValue(DockHider::domain, "tilesize"), QJsonValue(48));
    }
}

TEST(DockHider, WhatAnEarlierRunLeftIsNotTakenOnTrust) {
    // A user value saved by an earlier run is stale when the user had none this time.
    Dock dock;
    dock.prefs().setValue(DockHider::storeDomain, "original.autohide", true);
    dock.want(true, "tandri");
    dock.want(false, "tandri");
    EXPECT_EQ(state(dock.prefs()), "- - | false - - | none");
    // Owners that are not names count as none.
    dock.prefs().setValue(DockHider::storeDomain, "owners",
                          QJsonArray{"b.copy", 3, "b.copy", true});
    dock.want(true, "a.copy");
    EXPECT_EQ(state(dock.prefs()), "true 1000 | true - - | a.copy,b.copy");
    dock.prefs().setValue(DockHider::storeDomain, "owners", "a.copy");
    dock.want(false, "a.copy");
    EXPECT_EQ(state(dock.prefs()), "- - | false - - | none");
    EXPECT_EQ(dock.restarts(), 4);
}

TEST(DockHider, ACrashWhileHiddenKeepsTheSettingsSavedFirst) {
    Dock dock;
    dock.setUserDock(false, 0.3);
    dock.want(true, "tandri");
    // A new process on the same store, as after a crash: nothing carries over but the files.
    NotificationCenter notifications;
    JsonPreferences relaunched(QDir(dock.desktop.configDir()).filePath("tandri/defaults"),
                               notifications);
    System& system = dock.desktop.platform().system;
    DockHider::want(relaunched, system, true, "tandri");
    EXPECT_EQ(dock.restarts(), 1);
    EXPECT_EQ(state(relaunched), "true 1000 | true false 0.3 | tandri");
    // Something put the Dock back to auto-hide with a short delay while the program was gone.
    relaunched.setValue(DockHider::domain, delay, 5.0);
    DockHider::want(relaunched, system, true, "tandri");
    EXPECT_EQ(dock.restarts(), 2);
    EXPECT_EQ(state(relaunched), "true 1000 | true false 0.3 | tandri");

    DockHider::want(relaunched, system, false, "tandri");
    EXPECT_EQ(state(relaunched), "false 0.3 | false - - | none");
    EXPECT_EQ(dock.restarts(), 3);
}

TEST(DockHider, OnlyTheExactHiddenSettingsCountAsHidden) {
    const struct {
        const char* user;
        bool hidden;
    } cases[] = {{"true 1000", true},       {"true 1000.0", true}, {"true 2", false},
                 {"true 1000.5", false},    {"true null", false},  {R"(true "1000")", false},
                 {"true -", false},         {"false 1000", false}, {"1 1000", false},
                 {R"("true" 1000)", false}, {"null 1000", false},  {"- 1000", false}};
    Dock dock;
    for (const auto& c : cases) {
        dock.setUserDock(QString::fromUtf8(c.user));
        EXPECT_EQ(DockHider::isHidden(dock.prefs()), c.hidden) << c.user;
    }
}

// The Dock's own defaults are what it reads, but they are not the user's to save or restore.
TEST(DockHider, DockDefaultsCountForHidingButAreNeverStored) {
    Dock dock(R"({"defaults": {"com.apple.dock": {"autohide": true, "autohide-delay": 1000}}})");
    EXPECT_TRUE(DockHider::isHidden(dock.prefs()));
    dock.want(true, "tandri");
    EXPECT_EQ(dock.restarts(), 0);
    EXPECT_EQ(state(dock.prefs()), "- - | true - - | tandri");
    dock.want(false, "tandri");
    EXPECT_EQ(dock.restarts(), 1);
    EXPECT_EQ(state(dock.prefs()), "- - | false - - | none");
    EXPECT_TRUE(DockHider::isHidden(dock.prefs()));
}

}  // namespace
}  // namespace tandri
