// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include "platform/common/desktopfavourites.h"
#include "platform/common/gsettingsvalues.h"
#include "platform/wayland/swaybindings.h"
#include "platform/x11/gnomebindings.h"
#include "platform/x11/kdebindings.h"
#include "platform/x11/keymap.h"
#include "platform/x11/openboxbindings.h"
#include "platform/x11/xfcebindings.h"
#include "support/testfiles.h"

namespace tandri::x11 {
namespace {

// What a desktop's binding reader found, in a form tests compare whole.
struct Bound {
    QString name;
    qint64 keyCode;
    qint64 modifiers;
    bool operator==(const Bound&) const = default;
};
using Bounds = std::vector<Bound>;

// The readers' shortcuts, each of which must count as bound now.
Bounds boundOf(const std::vector<SystemShortcut>& shortcuts) {
    Bounds result;
    for (const SystemShortcut& s : shortcuts)
        result.push_back({(s.onByDefault ? "" : "(not bound) ") + s.name, s.keyCode, s.modifiers});
    return result;
}

// Files of these contents in a fresh folder, for as long as this lives (none written for a missing
// one).
struct Files {
    explicit Files(const std::vector<std::optional<QByteArray>>& contents) {
        for (const auto& text : contents) {
            paths << dir.filePath(QString::number(paths.size()));
            if (text)
                test::writeFile(paths.back(), *text);
        }
    }
    QTemporaryDir dir;
    QStringList paths;
};

Bounds kde(const QByteArray& text) {
    return boundOf(KdeBindings::read(Files({text}).paths[0]));
}

TEST(KdeBindings, ShortcutsInForceNamedAsPlasmaNamesThem) {
    // As Plasma writes it, KRunner's launch on Alt+Space and Alt+F2 by default.
    EXPECT_EQ(kde(R"([org.kde.krunner.desktop]
_k_friendly_name=KRunner
_launch=Alt+Space\tAlt+F2\tSearch,Alt+Space\tAlt+F2\tSearch,KRunner
RunClipboard=Alt+Shift+F2,Alt+Shift+F2,Run command on clipboard contents
[kwin]
Window Operations Menu=Alt+F3,Alt+F3,Window Operations Menu
Overview=Meta+W,Meta+W,Toggle Overview
Window Close=none,Alt+F4,Close Window
)"),
              (Bounds{{"KRunner", 49, 2048},
                      {"KRunner", 120, 2048},
                      {"Run command on clipboard contents", 120, 2560},
                      {"Window Operations Menu", 99, 2048},
                      {"Toggle Overview", 13, 256}}));
    // What the user changed is what counts, not the default.
    EXPECT_EQ(kde("[org.kde.krunner.desktop]\n_k_friendly_name=KRunner\n"
                  "_launch=Meta+Space,Alt+Space,KRunner\n"),
              (Bounds{{"KRunner", 49, 256}}));
    // Chords, unknown keys, lines outside a group and malformed lines are left out.
    EXPECT_EQ(kde("_launch=Alt+Space,,\n[x]\nbroken line\nchord=Ctrl+K\\, Ctrl+C,,Chord\n"
                  "odd=Alt+NoSuchKey,,Odd\n=Alt+Space,,Empty key\n"),
              Bounds{});
    EXPECT_EQ(kde(QByteArray("\xff\xfe\x00\x01", 4)), Bounds{});
    EXPECT_TRUE(KdeBindings::read("/nonexistent/kglobalshortcutsrc").empty());
}

TEST(OpenboxBindings, TheWindowManagersOwnKeysAndWhatTheyDo) {
    // openbox's own configuration, as the tests' sessions run it.
    const auto session = [](const char* name) {
        return boundOf(
            OpenboxBindings::read(QStringLiteral(TANDRI_SOURCE_DIR "/tests/x11/") + name));
    };
    const auto taken = session("openbox-taken.xml");
    EXPECT_NE(std::find(taken.begin(), taken.end(), Bound{"openbox's window menu", 49, 2048}),
              taken.end());
    const auto free = session("openbox-free.xml");
    EXPECT_EQ(std::count_if(free.begin(), free.end(),
                            [](const Bound& b) { return b.keyCode == 49 && b.modifiers == 2048; }),
              0);
    EXPECT_EQ(free.size() + 1, taken.size());

    const auto xml = [](const char* key, const char* action) {
        return QByteArray("<openbox_config><keyboard><keybind key=\"") + key + "\">" + action +
               "</keybind></keyboard></openbox_config>";
    };
    const struct {
        std::optional<QByteArray> xml;
        Bounds expected;
    } cases[] = {
        {xml("W-space", R"(<action name="Execute"><command>rofi -show run</command></action>)"),
         {{"“rofi” (an openbox key binding)", 49, 256}}},
        {xml("C-A-Delete", "<action name=\"Exit\"/>"), {{"openbox's “Exit”", 117, 6144}}},
        {xml("S-W-F1", "<action name=\"ShowMenu\"><menu>root-menu</menu></action>"),
         {{"openbox's menu", 122, 768}}},
        // Chains, unknown modifiers and keys, and bindings outside the keyboard are left out.
        {xml("C-a space", "<action name=\"Close\"/>"), {}},
        {xml("H-space", "<action name=\"Close\"/>"), {}},
        {xml("A-NoSuchKey", "<action name=\"Close\"/>"), {}},
        {R"(<openbox_config><mouse><keybind key="A-space"/></mouse></openbox_config>)", {}},
        // A malformed file counts as none, not as the bindings before the fault.
        {xml("A-space", "<action name=\"Close\">").left(90), {}},
        {"\xff\xfe not xml", {}},
        // A missing file.
        {std::nullopt, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(boundOf(OpenboxBindings::read(Files({c.xml}).paths[0])), c.expected)
            << c.xml.value_or("<missing>").constData();
    }
}

TEST(SwayBindings, TheDefaultModesKeysAndWhatTheyDo) {
    const auto sway = [](const QByteArray& config, const QByteArray& included = {}) {
        QTemporaryDir dir;
        test::writeFile(dir.filePath("config"), config);
        test::writeFile(dir.filePath("config.d/keys.conf"), included);
        return boundOf(wayland::SwayBindings::parse(
            QString::fromUtf8(config), dir.filePath("config"),
            [](quint32 keysym) { return KeyMap::keyCode(XKeySym(keysym)); }));
    };
    const struct {
        QByteArray config, included;
        Bounds expected;
    } cases[] = {
        // Variables, flags, programs by name; this program's own trigger lines are left out.
        {"set $mod Mod4\nset $menu rofi -show drun\nbindsym $mod+d exec $menu\n"
         "bindsym --no-repeat --to-code $mod+Shift+q kill\n"
         "bindsym --no-repeat Alt+space exec tandri --trigger down\n"
         "bindsym --release Alt+space exec /usr/bin/tandri --trigger up\n"
         "bindsym Mod1+F2 exec --no-startup-id dmenu_run\n",
         {},
         {{"“rofi” (a sway key binding)", 2, 256},
          {"sway's “kill”", 12, 768},
          {"“dmenu_run” (a sway key binding)", 120, 2048}}},
        // Blocks, a brace on the next line, continued lines; other modes' keys are not held.
        {"bindsym {\n  Ctrl+Alt+Delete exit\n}\nmode \"resize\"\n{\n  bindsym Left resize "
         "shrink\n}\n"
         "# bindsym Super+x exec commented\nbindsym Super+e \\\n  layout toggle split\n",
         {},
         {{"sway's “exit”", 117, 6144}, {"sway's “layout toggle split”", 14, 256}}},
        // Included files see the variables set before; a later binding of the same keys wins;
        // a file included twice is read once.
        {"set $mod Super\nbindsym $mod+Return exec xterm\ninclude config.d/*.conf\ninclude "
         "~/../nonexistent\n",
         "bindsym $mod+Return exec foot\ninclude ../config\n",
         {{"“foot” (a sway key binding)", 36, 256}}},
        // Mouse buttons, key codes, other modifiers, chords and unknown keys.
        {"bindsym --whole-window button2 exec x\nbindsym Super+button1 kill\nbindcode 133+40 kill\n"
         "bindsym Mod5+a kill\nbindsym a+b kill\nbindsym Super+NoSuchKey kill\nbindsym Super+q\n",
         {},
         {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sway(c.config, c.included), c.expected) << c.config.constData();
}

QByteArray channel(const QByteArray& commands, const QByteArray& xfwm4) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<channel name=\"xfce4-keyboard-shortcuts\" version=\"1.0\">\n"
           "  <property name=\"commands\" type=\"empty\">" +
           commands + "</property>\n  <property name=\"xfwm4\" type=\"empty\">" + xfwm4 +
           "</property>\n</channel>\n";
}

QByteArray set(const char* name, const QByteArray& bindings) {
    return QByteArray("<property name=\"") + name + "\" type=\"empty\">" + bindings + "</property>";
}

QByteArray binding(const char* keys, const char* value) {
    return QByteArray("<property name=\"") + keys + "\" type=\"string\" value=\"" + value + "\"/>";
}

Bounds xfce(const std::vector<std::optional<QByteArray>>& files) {
    return boundOf(XfceBindings::read(Files(files).paths));
}

TEST(XfceBindings, TheSetInForceOfEachPart) {
    const QByteArray defaults = channel(
        set("default", binding("&lt;Alt&gt;F2", "xfce4-appfinder --collapsed")),
        set("default", binding("&lt;Alt&gt;space", "popup_menu_key") +
                           binding("&lt;Primary&gt;&lt;Alt&gt;Delete", "close_window_key")));
    const Bounds fromDefaults{{"“xfce4-appfinder” (an Xfce shortcut)", 120, 2048},
                              {"Xfce's window menu", 49, 2048},
                              {"Xfce's “close_window_key”", 117, 6144}};
    EXPECT_EQ(xfce({defaults}), fromDefaults);

    // The user's custom set replaces the defaults only where it says it overrides them.
    const QByteArray overrides = "<property name=\"override\" type=\"bool\" value=\"true\"/>";
    const QByteArray custom =
        channel(set("default", binding("&lt;Alt&gt;F2", "xfce4-appfinder")) +
                    set("custom", binding("&lt;Super&gt;space", "rofi -show drun") + overrides),
                set("default", binding("&lt;Alt&gt;space", "popup_menu_key")) +
                    set("custom", binding("&lt;Alt&gt;F3", "popup_menu_key")));
    EXPECT_EQ(xfce({custom}),
              (Bounds{{"“rofi” (an Xfce shortcut)", 49, 256}, {"Xfce's window menu", 49, 2048}}));

    // The user's file decides when there is one; a missing or malformed one gives way.
    EXPECT_EQ(xfce({std::nullopt, defaults}), fromDefaults);
    EXPECT_EQ(xfce({defaults.left(200), defaults}), fromDefaults);
    EXPECT_EQ(xfce({channel({}, {}), defaults}), Bounds{});
    // Unknown modifiers and keys are left out.
    EXPECT_EQ(xfce({channel(set("default", binding("&lt;Hyper&gt;x", "a") +
                                               binding("&lt;Alt&gt;NoSuchKey", "b") +
                                               binding("&lt;Alt", "c")),
                            {})}),
              Bounds{});
}

// GIO reads where its schemas and values are once per process: this is the only test of the program
// that asks it, and it sets both before asking.
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
    test::writeFile(root.filePath("config/glib-2.0/settings/keyfile"),
                    "[org/gnome/desktop/wm/keybindings]\n"
                    "switch-input-source=['<Super><Shift>space']\n"
                    "panel-run-dialog=@as []\n"
                    "[org/gnome/shell]\n"
                    "favorite-apps=['firefox-esr.desktop', "
                    "'org.gnome.Nautilus.desktop', 'not-an-id']\n");
    qputenv("GSETTINGS_SCHEMA_DIR", schemas.toLocal8Bit());
    qputenv("GSETTINGS_BACKEND", "keyfile");
    qputenv("XDG_CONFIG_HOME", root.filePath("config").toLocal8Bit());

    EXPECT_EQ(boundOf(GnomeBindings::read()), (Bounds{{"GNOME's window menu", 49, 2048},
                                                      {"the next input source", 49, 768},
                                                      {"the Activities overview", 1, 256}}));
    // The favourites, as the dash and its relatives show them: ids only, whatever the prefix.
    EXPECT_EQ(DesktopFavourites::read({{"ubuntu", "GNOME"}, {}, {}}).value().apps,
              (QStringList{"firefox-esr.desktop", "org.gnome.Nautilus.desktop"}));
    EXPECT_EQ(DesktopFavourites::read({{"Unity"}, {}, {}}).value().apps,
              (QStringList{"firefox.desktop", "gedit.desktop"}));
    // Schemas that are not installed read as nothing, rather than ending the program as GIO would.
    EXPECT_EQ(GSettingsValues::strings("org.example.absent", "key"), std::nullopt);
    EXPECT_EQ(GSettingsValues::strings("org.gnome.shell.keybindings", "absent"), std::nullopt);
}

}  // namespace
}  // namespace tandri::x11
