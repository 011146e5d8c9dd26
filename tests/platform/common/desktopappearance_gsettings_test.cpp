// SPDX-License-Identifier: MIT
// GNOME's appearance through GSettings, with schemas compiled into a temporary folder and the
// keyfile backend. GIO reads where its schemas are once per process, so each suite here runs in
// a process of its own (two CTest entries); a suite that finds GIO set up by the other skips.
#include <gio/gio.h>
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include "platform/common/desktopappearance.h"
#include "support/capturedwarnings.h"
#include "support/testfiles.h"

namespace tandri {
namespace {

using Reading = DesktopAppearance::Reading;

// GNOME 47's interface settings as GSettings keeps them, with the accent as a plain string so
// that a name GNOME does not know can be stored; and Cinnamon's own theme setting.
const char* const currentSchemas = R"(<schemalist>
  <enum id="test.ColorScheme">
    <value nick="default" value="0"/><value nick="prefer-dark" value="1"/>
    <value nick="prefer-light" value="2"/>
  </enum>
  <schema id="org.gnome.desktop.interface" path="/org/gnome/desktop/interface/">
    <key name="color-scheme" enum="test.ColorScheme"><default>'default'</default></key>
    <key name="gtk-theme" type="s"><default>'Adwaita'</default></key>
    <key name="accent-color" type="s"><default>'blue'</default></key>
  </schema>
  <schema id="org.cinnamon.desktop.interface" path="/org/cinnamon/desktop/interface/">
    <key name="gtk-theme" type="s"><default>'Mint-Y'</default></key>
  </schema>
</schemalist>
)";

// Before GNOME 42: no colour scheme and no accent, only the theme's name.
const char* const olderSchemas = R"(<schemalist>
  <schema id="org.gnome.desktop.interface" path="/org/gnome/desktop/interface/">
    <key name="gtk-theme" type="s"><default>'Adwaita'</default></key>
  </schema>
</schemalist>
)";

// Compiles `schemas` and points GIO at them and at a keyfile holding `values`; false when GIO
// was already set up with other schemas in this process.
bool install(const char* schemas, const QByteArray& values) {
    static QString installed;
    if (!installed.isEmpty())
        return installed == QLatin1String(schemas);
    static QTemporaryDir root;
    test::writeFile(root.filePath("schemas/test.gschema.xml"), schemas);
    test::writeFile(root.filePath("config/glib-2.0/settings/keyfile"), values);
    QProcess compile;
    compile.start("glib-compile-schemas", {root.filePath("schemas")});
    EXPECT_TRUE(compile.waitForFinished(30000));
    EXPECT_EQ(compile.exitCode(), 0) << compile.readAllStandardError().constData();
    qputenv("GSETTINGS_SCHEMA_DIR", root.filePath("schemas").toLocal8Bit());
    qputenv("GSETTINGS_BACKEND", "keyfile");
    qputenv("XDG_CONFIG_HOME", root.filePath("config").toLocal8Bit());
    qputenv("XDG_CONFIG_DIRS", root.filePath("xdg").toLocal8Bit());
    installed = QLatin1String(schemas);
    return true;
}

// What the user sets in GNOME's settings, written as GNOME writes it: through GSettings.
void set(const char* schema, const char* key, const char* value) {
    GSettings* settings = g_settings_new(schema);
    ASSERT_TRUE(g_settings_set_string(settings, key, value)) << key << "=" << value;
    g_settings_sync();
    g_object_unref(settings);
}

Reading readOn(const QByteArray& desktop, bool fallbackDark = false) {
    qputenv("XDG_CURRENT_DESKTOP", desktop);
    return DesktopAppearance([fallbackDark] { return fallbackDark; }).read();
}

TEST(GnomeAppearance, ColourSchemeThenTheThemesName) {
    if (!install(currentSchemas,
                 "[org/gnome/desktop/interface]\ncolor-scheme='prefer-dark'\n"
                 "accent-color='purple'\n"))
        GTEST_SKIP() << "GIO is set up for the other suite in this process";
    // The keyfile as written before the program started.
    EXPECT_EQ(readOn("GNOME"), (Reading{true, QColor(0x91, 0x41, 0xac)}));
    const struct {
        const char* desktop;
        const char* scheme;
        const char* theme;
        const char* cinnamonTheme;
        bool dark;
    } cases[] = {
        {"GNOME", "prefer-dark", "Adwaita", "Mint-Y", true},
        {"ubuntu:GNOME", "prefer-light", "Yaru-dark", "Mint-Y", false},
        {"GNOME", "default", "Adwaita", "Mint-Y", false},
        // No preference: the theme's name says it.
        {"GNOME", "default", "Adwaita-dark", "Mint-Y", true},
        {"Budgie:GNOME", "default", "Arc-Darker", "Mint-Y", false},
        {"Unity", "default", "Yaru-blue-dark", "Mint-Y", true},
        // Cinnamon keeps its own theme setting, and is read before GNOME's.
        {"X-Cinnamon", "default", "Adwaita", "Mint-Y-Dark-Aqua", true},
        {"X-Cinnamon", "default", "Adwaita-dark", "Mint-Y", false},
        {"X-Cinnamon", "prefer-dark", "Adwaita", "Mint-Y", true},
    };
    for (const auto& c : cases) {
        set("org.gnome.desktop.interface", "color-scheme", c.scheme);
        set("org.gnome.desktop.interface", "gtk-theme", c.theme);
        set("org.cinnamon.desktop.interface", "gtk-theme", c.cinnamonTheme);
        for (const bool fallback : {false, true}) {
            EXPECT_EQ(readOn(c.desktop, fallback).dark, c.dark)
                << c.desktop << " " << c.scheme << " " << c.theme << " " << c.cinnamonTheme;
        }
    }
    // Elsewhere GNOME's settings are not the desktop's.
    EXPECT_EQ(readOn("XFCE", false), (Reading{false, std::nullopt}));
}

TEST(GnomeAppearance, AccentsAsGnomesStyleDrawsThem) {
    if (!install(currentSchemas, ""))
        GTEST_SKIP() << "GIO is set up for the other suite in this process";
    const struct {
        const char* name;
        std::optional<QColor> colour;
    } cases[] = {
        {"blue", QColor(0x35, 0x84, 0xe4)},
        {"slate", QColor(0x6f, 0x83, 0x96)},
        {"magenta", {}},
        {"Blue", {}},
        {"", {}},
    };
    testing::CapturedWarnings warnings;
    for (const auto& c : cases) {
        set("org.gnome.desktop.interface", "accent-color", c.name);
        EXPECT_EQ(readOn("GNOME").accent, c.colour) << c.name;
        EXPECT_EQ(readOn("GNOME").accent, c.colour) << c.name;
        // A name GNOME does not know is told once, however often it is read.
        EXPECT_EQ(warnings.take().size(), c.colour ? 0 : 1) << c.name;
    }
}

TEST(OlderGnomeAppearance, TheThemesNameAndNoAccent) {
    if (!install(olderSchemas, ""))
        GTEST_SKIP() << "GIO is set up for the other suite in this process";
    testing::CapturedWarnings warnings;
    const struct {
        const char* theme;
        bool fallback;
        Reading expected;
    } cases[] = {
        {"Adwaita-dark", false, {true, {}}},
        {"Adwaita", true, {false, {}}},
        {"HighContrast", true, {false, {}}},
        {"Materia-dark-compact", false, {true, {}}},
        // No theme named: nothing to go by but the palette.
        {"", true, {true, {}}},
        {"", false, {false, {}}},
    };
    for (const auto& c : cases) {
        set("org.gnome.desktop.interface", "gtk-theme", c.theme);
        EXPECT_EQ(readOn("GNOME", c.fallback), c.expected) << c.theme;
    }
    // The missing accent, and the missing theme, told once each.
    EXPECT_EQ(warnings.take().size(), 2);
}

}  // namespace
}  // namespace tandri
