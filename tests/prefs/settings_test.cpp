// SPDX-License-Identifier: MIT
#include "prefs/settings.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include "platform/preferences.h"
#include "platform/windowlist.h"
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

/// Every setting as read, in one line: the window layout, the app set and the look, the switches
/// that are on, the preview's width, then each look's background in the order of the looks.
QString read(const Preferences& prefs) {
    QStringList words{rawValue(Settings::windowLayout(prefs)), rawValue(Settings::appSet(prefs)),
                      rawValue(Settings::ringStyle(prefs))};
    const CountingWindowList allowed;
    const std::pair<bool, const char*> switches[] = {
        {Settings::hideDock(prefs), "hideDock"},
        {Settings::showPlaces(prefs), "places"},
        {Settings::middleClick(prefs), "middleClick"},
        {Settings::accessibleOutline(prefs), "outline"},
        {Settings::showsThumbnails(prefs, allowed), "thumbnails"}};
    for (const auto& [on, name] : switches) {
        if (on)
            words << name;
    }
    words << QString::number(Settings::previewSize(prefs));
    for (RingStyle style : allRingStyles) words << rawValue(Settings::background(prefs, style));
    return words.join(u' ');
}

const QString defaults =
    "arc dockAndOpen glass places middleClick outline 280 disc disc veil disc disc";

TEST(Settings, DefaultsAreRegisteredInMemoryOnly) {
    test::TestDesktop desktop;
    Preferences& prefs = desktop.preferences();
    // Without them, what is missing reads as neutral.
    EXPECT_EQ(read(prefs), "arc dockAndOpen glass 280 disc disc veil disc disc");
    Settings::registerDefaults(prefs);
    EXPECT_EQ(read(prefs), defaults);
    EXPECT_TRUE(prefs.storedDomain(Preferences::appDomain).isEmpty());
    EXPECT_EQ(prefs.value(Preferences::appDomain, "previewSize"), QJsonValue(280.0));
}

TEST(Settings, StoredValuesWinAndWhatCannotBeReadFallsBack) {
    const struct {
        const char* stored;
        QString read;
    } cases[] = {
        {R"({"windowLayout": "column", "apps": "pinnedAndOpen", "ringStyle": "orbit",
            "hideDock": true, "showPlaces": false, "middleClickTrigger": false,
            "outlineForAccessibility": false, "windowThumbnails": true, "previewSize": 400.5,
            "background.quib": "veil", "background.orbit": "veil", "background.outline": "none"})",
         "column pinnedAndOpen orbit hideDock thumbnails 400.5 disc veil veil veil none"},
        {R"({"windowLayout": "off", "background.glass": "none", "background.aura": "disc"})",
         "off dockAndOpen glass places middleClick outline 280 none disc disc disc disc"},
        // Strings that name nothing.
        {R"({"windowLayout": "", "apps": "everything", "ringStyle": "halo",
            "background.aura": "fog", "background.quib": "Veil"})",
         defaults},
        // Values of the wrong type.
        {R"({"windowLayout": 2, "apps": ["openOnly"], "ringStyle": true, "hideDock": "true",
            "showPlaces": "yes", "middleClickTrigger": {}, "outlineForAccessibility": "on",
            "windowThumbnails": "true", "background.aura": 1, "background.glass": ["none"]})",
         "arc dockAndOpen glass 280 disc disc veil disc disc"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        test::TestDesktop desktop;
        Settings::registerDefaults(desktop.preferences());
        const QJsonObject stored = QJsonDocument::fromJson(c.stored).object();
        for (auto it = stored.begin(); it != stored.end(); ++it)
            desktop.preferences().setValue(Preferences::appDomain, it.key(), it.value());
        EXPECT_EQ(read(desktop.preferences()), c.read);
    }
}

TEST(Settings, PreviewSizeIsClamped) {
    test::TestDesktop desktop;
    Settings::registerDefaults(desktop.preferences());
    const std::pair<QJsonValue, double> cases[] = {{100, 280},   {2000, 640}, {280, 280},
                                                   {640, 640},   {-5, 280},   {512.25, 512.25},
                                                   {"500", 280}, {true, 280}, {QJsonValue(), 280}};
    for (const auto& [value, expected] : cases) {
        desktop.preferences().setValue(Preferences::appDomain, Settings::previewSizeKey, value);
        EXPECT_EQ(Settings::previewSize(desktop.preferences()), expected)
            << value.toVariant().toString().toStdString();
    }
}

TEST(Settings, ThumbnailsNeedTheSettingAndThePermissionAskedOnlyThen) {
    test::TestDesktop desktop;
    Preferences& prefs = desktop.preferences();
    Settings::registerDefaults(prefs);
    CountingWindowList windowList;
    EXPECT_FALSE(Settings::showsThumbnails(prefs, windowList));
    EXPECT_EQ(windowList.asked, 0);

    prefs.setValue(Preferences::appDomain, Settings::thumbnailsKey, true);
    EXPECT_TRUE(Settings::showsThumbnails(prefs, windowList));
    windowList.allowed = false;
    EXPECT_FALSE(Settings::showsThumbnails(prefs, windowList));
    EXPECT_EQ(windowList.asked, 2);

    desktop.sim().setScreenCapture(true);
    EXPECT_TRUE(Settings::showsThumbnails(prefs, desktop.platform().windowList));
}

// The earlier aura setting, stored as a boolean, seeds the aura backdrop's default.
TEST(Settings, HaloVeilSeedsTheAuraDefaultOnlyWhenStoredAsABool) {
    const std::pair<QJsonValue, RingBackground> cases[] = {{false, RingBackground::None},
                                                           {true, RingBackground::Veil},
                                                           {"no", RingBackground::Veil},
                                                           {0, RingBackground::Veil}};
    for (const auto& [haloVeil, aura] : cases) {
        test::TestDesktop desktop;
        Preferences& prefs = desktop.preferences();
        prefs.setValue(Preferences::appDomain, Settings::haloVeilKey, haloVeil);
        Settings::registerDefaults(prefs);
        EXPECT_EQ(Settings::background(prefs, RingStyle::Aura), aura);
        // A stored aura backdrop wins.
        prefs.setValue(Preferences::appDomain, "background.aura", "disc");
        EXPECT_EQ(Settings::background(prefs, RingStyle::Aura), RingBackground::Disc);
    }
    test::TestDesktop desktop;
    desktop.preferences().registerDefaults(Preferences::appDomain, {{"haloVeil", false}});
    Settings::registerDefaults(desktop.preferences());
    EXPECT_EQ(Settings::background(desktop.preferences(), RingStyle::Aura), RingBackground::Veil);
}

TEST(Settings, AccessibilityTurnsAnyLookIntoTheOutlineWithItsOwnBackdrop) {
    test::TestDesktop contrast(R"({"increaseContrast": true})");
    Preferences& prefs = contrast.preferences();
    const Workspace& workspace = contrast.platform().workspace;
    Settings::registerDefaults(prefs);
    prefs.setValue(Preferences::appDomain, "ringStyle", "aura");
    prefs.setValue(Preferences::appDomain, "background.aura", "none");
    EXPECT_EQ(Settings::currentLook(prefs, workspace, true),
              (LookChoice{RingStyle::Outline, RingBackground::Disc, true}));
    prefs.setValue(Preferences::appDomain, "background.outline", "veil");
    EXPECT_EQ(Settings::currentLook(prefs, workspace, false),
              (LookChoice{RingStyle::Outline, RingBackground::Veil, false}));
    // Turned off, the accessibility settings change nothing.
    prefs.setValue(Preferences::appDomain, "outlineForAccessibility", false);
    EXPECT_EQ(Settings::currentLook(prefs, workspace, true),
              (LookChoice{RingStyle::Aura, RingBackground::None, true}));

    test::TestDesktop reduced(R"({"reduceTransparency": true})");
    Settings::registerDefaults(reduced.preferences());
    EXPECT_EQ(Settings::currentLook(reduced.preferences(), reduced.platform().workspace, false),
              (LookChoice{RingStyle::Outline, RingBackground::Disc, false}));
    // Nothing asked for: the chosen look and its backdrop.
    test::TestDesktop plain;
    Settings::registerDefaults(plain.preferences());
    plain.preferences().setValue(Preferences::appDomain, "ringStyle", "quib");
    EXPECT_EQ(Settings::currentLook(plain.preferences(), plain.platform().workspace, true),
              (LookChoice{RingStyle::Quib, RingBackground::Disc, true}));
    plain.preferences().setValue(Preferences::appDomain, "ringStyle", "aura");
    EXPECT_EQ(Settings::currentLook(plain.preferences(), plain.platform().workspace, false),
              (LookChoice{RingStyle::Aura, RingBackground::Veil, false}));
}

}  // namespace
}  // namespace tandri
