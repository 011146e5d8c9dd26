#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonObject>

#include "platform/preferences.h"
#include "platform/windowlist.h"
#include "prefs/settings.h"
#include "support/testdesktop.h"

namespace tandri {
namespace {

class CountingWindowList : public WindowList {
public:
    bool allowed = true;
    mutable int asked = 0;
    std::optional<std::vector<ServerWindow>> onScreenWindows() const override { return {}; }
    bool screenCaptureAllowed() const override {
        ++asked;
        return allowed;
    }
};

class SettingsTest : public ::testing::Test {
protected:
    explicit SettingsTest(const QByteArray& json = "{}") : desktop(json) {}

    void store(const QString& key, const QJsonValue& value) {
        desktop.preferences().setValue(Preferences::appDomain, key, value);
    }
    Preferences& prefs() { return desktop.preferences(); }

    test::TestDesktop desktop;
};

TEST_F(SettingsTest, RegisteredDefaults) {
    Settings::registerDefaults(prefs());
    EXPECT_EQ(Settings::windowLayout(prefs()), WindowLayout::Arc);
    EXPECT_EQ(Settings::appSet(prefs()), AppSet::DockAndOpen);
    EXPECT_EQ(Settings::ringStyle(prefs()), RingStyle::Glass);
    EXPECT_FALSE(Settings::hideDock(prefs()));
    EXPECT_TRUE(Settings::showPlaces(prefs()));
    EXPECT_TRUE(Settings::middleClick(prefs()));
    EXPECT_TRUE(Settings::accessibleOutline(prefs()));
    EXPECT_EQ(Settings::previewSize(prefs()), 280.0);
    EXPECT_EQ(Settings::background(prefs(), RingStyle::Quib), RingBackground::Disc);
    EXPECT_EQ(Settings::background(prefs(), RingStyle::Aura), RingBackground::Veil);
    EXPECT_EQ(Settings::background(prefs(), RingStyle::Glass), RingBackground::Disc);
    EXPECT_EQ(Settings::background(prefs(), RingStyle::Orbit), RingBackground::Disc);
    EXPECT_EQ(Settings::background(prefs(), RingStyle::Outline), RingBackground::Disc);
    CountingWindowList windowList;
    EXPECT_FALSE(Settings::showsThumbnails(prefs(), windowList));

    // Defaults live in memory only.
    EXPECT_TRUE(prefs().storedDomain(Preferences::appDomain).isEmpty());
    EXPECT_EQ(prefs().value(Preferences::appDomain, "previewSize"), QJsonValue(280.0));
}

TEST_F(SettingsTest, WithoutDefaultsMissingKeysReadNeutral) {
    EXPECT_EQ(Settings::windowLayout(prefs()), WindowLayout::Arc);
    EXPECT_EQ(Settings::appSet(prefs()), AppSet::DockAndOpen);
    EXPECT_EQ(Settings::ringStyle(prefs()), RingStyle::Glass);
    EXPECT_FALSE(Settings::showPlaces(prefs()));
    EXPECT_FALSE(Settings::middleClick(prefs()));
    EXPECT_EQ(Settings::previewSize(prefs()), 280.0);
    EXPECT_EQ(Settings::background(prefs(), RingStyle::Aura), RingBackground::Veil);
}

TEST_F(SettingsTest, StoredValuesWinOverDefaults) {
    Settings::registerDefaults(prefs());
    store("windowLayout", "column");
    store("apps", "pinnedAndOpen");
    store("ringStyle", "orbit");
    store("hideDock", true);
    store("showPlaces", false);
    store("middleClickTrigger", false);
    store("outlineForAccessibility", false);
    store("previewSize", 400.5);
    store("background.quib", "veil");
    store("background.outline", "none");
    EXPECT_EQ(Settings::windowLayout(prefs()), WindowLayout::Column);
    EXPECT_EQ(Settings::appSet(prefs()), AppSet::PinnedAndOpen);
    EXPECT_EQ(Settings::ringStyle(prefs()), RingStyle::Orbit);
    EXPECT_TRUE(Settings::hideDock(prefs()));
    EXPECT_FALSE(Settings::showPlaces(prefs()));
    EXPECT_FALSE(Settings::middleClick(prefs()));
    EXPECT_FALSE(Settings::accessibleOutline(prefs()));
    EXPECT_EQ(Settings::previewSize(prefs()), 400.5);
    EXPECT_EQ(Settings::background(prefs(), RingStyle::Quib), RingBackground::Veil);
    EXPECT_EQ(Settings::background(prefs(), RingStyle::Outline), RingBackground::None);
    store("windowLayout", "off");
    EXPECT_EQ(Settings::windowLayout(prefs()), WindowLayout::Off);
}

TEST_F(SettingsTest, UnrecognisedStringsFallBack) {
    Settings::registerDefaults(prefs());
    store("windowLayout", "");
    store("apps", "everything");
    store("ringStyle", "halo");
    store("background.aura", "fog");
    store("background.quib", "Veil");
    EXPECT_EQ(Settings::windowLayout(prefs()), WindowLayout::Arc);
    EXPECT_EQ(Settings::appSet(prefs()), AppSet::DockAndOpen);
    EXPECT_EQ(Settings::ringStyle(prefs()), RingStyle::Glass);
    EXPECT_EQ(Settings::background(prefs(), RingStyle::Aura), RingBackground::Veil);
    EXPECT_EQ(Settings::background(prefs(), RingStyle::Quib), RingBackground::Disc);
}

TEST_F(SettingsTest, WrongTypesFallBack) {
    Settings::registerDefaults(prefs());
    store("windowLayout", 2);
    store("apps", QJsonArray{"openOnly"});
    store("ringStyle", true);
    store("hideDock", "true");
    store("showPlaces", "yes");
    store("middleClickTrigger", QJsonObject{});
    store("outlineForAccessibility", "on");
    store("windowThumbnails", "true");
    store("background.aura", 1);
    store("background.glass", QJsonArray{"none"});
    EXPECT_EQ(Settings::windowLayout(prefs()), WindowLayout::Arc);
    EXPECT_EQ(Settings::appSet(prefs()), AppSet::DockAndOpen);
    EXPECT_EQ(Settings::ringStyle(prefs()), RingStyle::Glass);
    EXPECT_FALSE(Settings::hideDock(prefs()));
    EXPECT_FALSE(Settings::showPlaces(prefs()));
    EXPECT_FALSE(Settings::middleClick(prefs()));
    EXPECT_FALSE(Settings::accessibleOutline(prefs()));
    CountingWindowList windowList;
    EXPECT_FALSE(Settings::showsThumbnails(prefs(), windowList));
    EXPECT_EQ(Settings::background(prefs(), RingStyle::Aura), RingBackground::Veil);
    EXPECT_EQ(Settings::background(prefs(), RingStyle::Glass), RingBackground::Disc);
}

TEST_F(SettingsTest, PreviewSizeIsClamped) {
    Settings::registerDefaults(prefs());
    const std::vector<std::pair<QJsonValue, double>> cases{
        {100, 280},       {2000, 640},  {280, 280},  {640, 640},         {-5, 280},
        {512.25, 512.25}, {"500", 280}, {true, 280}, {QJsonValue(), 280}};
    for (const auto& [value, expected] : cases) {
        store("previewSize", value);
        EXPECT_EQ(Settings::previewSize(prefs()), expected)
            << value.toVariant().toString().toStdString();
    }
    EXPECT_EQ(Settings::previewSizeKey, "previewSize");
}

TEST_F(SettingsTest, ThumbnailsNeedTheSettingAndThePermission) {
    Settings::registerDefaults(prefs());
    CountingWindowList windowList;
    EXPECT_FALSE(Settings::showsThumbnails(prefs(), windowList));
    EXPECT_EQ(windowList.asked, 0);

    store("windowThumbnails", true);
    EXPECT_TRUE(Settings::showsThumbnails(prefs(), windowList));
    windowList.allowed = false;
    EXPECT_FALSE(Settings::showsThumbnails(prefs(), windowList));
    EXPECT_EQ(windowList.asked, 2);

    desktop.sim().setScreenCapture(true);
    EXPECT_TRUE(Settings::showsThumbnails(prefs(), desktop.platform().windowList));
}

TEST_F(SettingsTest, HaloVeilSeedsTheAuraDefaultOnlyWhenStoredAsABool) {
    store("haloVeil", false);
    Settings::registerDefaults(prefs());
    EXPECT_EQ(Settings::background(prefs(), RingStyle::Aura), RingBackground::None);
    // A stored aura backdrop wins.
    store("background.aura", "disc");
    EXPECT_EQ(Settings::background(prefs(), RingStyle::Aura), RingBackground::Disc);

    prefs().removeValue(Preferences::appDomain, "background.aura");
    store("haloVeil", true);
    Settings::registerDefaults(prefs());
    EXPECT_EQ(Settings::background(prefs(), RingStyle::Aura), RingBackground::Veil);

    store("haloVeil", "no");
    Settings::registerDefaults(prefs());
    EXPECT_EQ(Settings::background(prefs(), RingStyle::Aura), RingBackground::Veil);

    store("haloVeil", 0);
    Settings::registerDefaults(prefs());
    EXPECT_EQ(Settings::background(prefs(), RingStyle::Aura), RingBackground::Veil);
}

TEST_F(SettingsTest, HaloVeilOnlyCountsWhenStored) {
    prefs().registerDefaults(Preferences::appDomain, QJsonObject{{"haloVeil", false}});
    Settings::registerDefaults(prefs());
    EXPECT_EQ(Settings::background(prefs(), RingStyle::Aura), RingBackground::Veil);
}

TEST_F(SettingsTest, BackgroundKeysFollowTheStyle) {
    EXPECT_EQ(Settings::backgroundKey(RingStyle::Glass), "background.glass");
    EXPECT_EQ(Settings::backgroundKey(RingStyle::Quib), "background.quib");
    EXPECT_EQ(Settings::backgroundKey(RingStyle::Aura), "background.aura");
    EXPECT_EQ(Settings::backgroundKey(RingStyle::Orbit), "background.orbit");
    EXPECT_EQ(Settings::backgroundKey(RingStyle::Outline), "background.outline");
}

class SettingsLookTest : public SettingsTest {
protected:
    SettingsLookTest() : SettingsTest(R"({"increaseContrast": true})") {}
};

TEST_F(SettingsLookTest, AccessibilityTurnsAnyStyleIntoTheOutlineWithItsOwnBackdrop) {
    Settings::registerDefaults(prefs());
    store("ringStyle", "aura");
    store("background.aura", "none");
    const Workspace& workspace = desktop.platform().workspace;
    EXPECT_EQ(Settings::currentLook(prefs(), workspace, true),
              (LookChoice{RingStyle::Outline, RingBackground::Disc, true}));
    store("background.outline", "veil");
    EXPECT_EQ(Settings::currentLook(prefs(), workspace, false),
              (LookChoice{RingStyle::Outline, RingBackground::Veil, false}));
    // Turned off, the accessibility settings change nothing.
    store("outlineForAccessibility", false);
    EXPECT_EQ(Settings::currentLook(prefs(), workspace, true),
              (LookChoice{RingStyle::Aura, RingBackground::None, true}));
}

TEST_F(SettingsTest, ReducedTransparencyAloneAlsoTurnsToTheOutline) {
    test::TestDesktop reduced(R"({"reduceTransparency": true})");
    Settings::registerDefaults(reduced.preferences());
    EXPECT_EQ(Settings::currentLook(reduced.preferences(), reduced.platform().workspace, false),
              (LookChoice{RingStyle::Outline, RingBackground::Disc, false}));

    // Nothing asked for: the chosen look and its backdrop.
    Settings::registerDefaults(prefs());
    store("ringStyle", "quib");
    EXPECT_EQ(Settings::currentLook(prefs(), desktop.platform().workspace, true),
              (LookChoice{RingStyle::Quib, RingBackground::Disc, true}));
    store("ringStyle", "aura");
    EXPECT_EQ(Settings::currentLook(prefs(), desktop.platform().workspace, false),
              (LookChoice{RingStyle::Aura, RingBackground::Veil, false}));
}

}  // namespace
}  // namespace tandri
