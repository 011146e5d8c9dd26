#include "platform/x11/gnomebindings.h"

#include "boundkeys.h"

#include "platform/common/desktopfavourites.h"
#include "platform/common/gsettingsvalues.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace tandri::x11 {
namespace {

// GIO reads where its schemas and values are once per process: this is the only test of the
// program that asks it, and it sets both before asking.
TEST(GnomeBindings, TheUsersValuesOverTheSchemasDefaults) {
    QTemporaryDir root;
    const QString schemas = root.filePath("schemas");
    test::writeFile(schemas + "/test.gschema.xml", R"(<schemalist>
  <schema id="org.gnome.desktop.wm.keybindings" path="/org/gnome/desktop/wm/keybindings/">
    <key name="activate-window-menu" type="as"><default>['&lt;Alt&gt;space']</default></key>
    <key name="switch-input-source" type="as"><default>['&lt;Super&gt;space']</default></key>
    <key name="panel-run-dialog" type="as"><default>['&lt;Alt&gt;F2']</default></key>
    <key name="switch-applications" type="as"><default>['&lt;Hyper&gt;Tab', 'nonsense']</default></key>
  </schema>
  <schema id="org.gnome.shell" path="/org/gnome/shell/">
    <key name="favorite-apps" type="as"><default>['org.gnome.Nautilus.desktop']</default></key>
  </schema>
  <schema id="com.canonical.Unity.Launcher" path="/com/canonical/unity/launcher/">
    <key name="favorites" type="as">
      <default>['application://firefox.desktop', 'unity://running-apps', 'gedit.desktop']</default>
    </key>
  </schema>
  <schema id="org.gnome.shell.keybindings" path="/org/gnome/shell/keybindings/">
    <key name="toggle-overview" type="as"><default>['&lt;Super&gt;s']</default></key>
  </schema>
</schemalist>
)");
    QProcess compile;
    compile.start("glib-compile-schemas", {schemas});
    ASSERT_TRUE(compile.waitForFinished(30000));
    ASSERT_EQ(compile.exitCode(), 0) << compile.readAllStandardError().constData();
    // The user moved the input source to Super+Shift+Space and took the Run dialog away.
    test::writeFile(
        root.filePath("config/glib-2.0/settings/keyfile"),
        "[org/gnome/desktop/wm/keybindings]\n"
        "switch-input-source=['<Super><Shift>space']\n"
        "panel-run-dialog=@as []\n"
        "[org/gnome/shell]\n"
        "favorite-apps=['firefox-esr.desktop', 'org.gnome.Nautilus.desktop', 'not-an-id']\n");
    qputenv("GSETTINGS_SCHEMA_DIR", schemas.toLocal8Bit());
    qputenv("GSETTINGS_BACKEND", "keyfile");
    qputenv("XDG_CONFIG_HOME", root.filePath("config").toLocal8Bit());

    EXPECT_EQ(boundOf(GnomeBindings::read()),
              (std::vector<Bound>{{"GNOME's window menu", 49, 2048},
                                  {"the next input source", 49, 768},
                                  {"the Activities overview", 1, 256}}));
    // The favourites, as the dash and its relatives show them: ids only, whatever the prefix.
    EXPECT_EQ(DesktopFavourites::read({{"ubuntu", "GNOME"}, {}, {}}).value().apps,
              (QStringList{"firefox-esr.desktop", "org.gnome.Nautilus.desktop"}));
    EXPECT_EQ(DesktopFavourites::read({{"Unity"}, {}, {}}).value().apps,
              (QStringList{"firefox.desktop", "gedit.desktop"}));
    // Schemas that are not installed read as nothing, rather than ending the program as GIO
    // would.
    EXPECT_EQ(GSettingsValues::strings("org.example.absent", "key"), std::nullopt);
    EXPECT_EQ(GSettingsValues::strings("org.gnome.shell.keybindings", "absent"), std::nullopt);
}

}  // namespace
}  // namespace tandri::x11
