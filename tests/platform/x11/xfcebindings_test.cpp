#include "platform/x11/xfcebindings.h"

#include "boundkeys.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace tandri::x11 {
namespace {

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

const QByteArray overrides = "<property name=\"override\" type=\"bool\" value=\"true\"/>";

std::vector<Bound> bound(const std::vector<std::optional<QByteArray>>& files) {
    QTemporaryDir dir;
    QStringList paths;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const QString path = dir.filePath(QString::number(i) + ".xml");
        paths << path;
        if (files[i])
            test::writeFile(path, *files[i]);
    }
    return boundOf(XfceBindings::read(paths));
}

TEST(XfceBindings, TheSetInForceOfEachPart) {
    const QByteArray defaults = channel(
        set("default", binding("&lt;Alt&gt;F2", "xfce4-appfinder --collapsed")),
        set("default", binding("&lt;Alt&gt;space", "popup_menu_key") +
                           binding("&lt;Primary&gt;&lt;Alt&gt;Delete", "close_window_key")));
    const std::vector<Bound> fromDefaults{{"“xfce4-appfinder” (an Xfce shortcut)", 120, 2048},
                                          {"Xfce's window menu", 49, 2048},
                                          {"Xfce's “close_window_key”", 117, 6144}};
    EXPECT_EQ(bound({defaults}), fromDefaults);

    // The user's custom set replaces the defaults only where it says it overrides them.
    const QByteArray custom =
        channel(set("default", binding("&lt;Alt&gt;F2", "xfce4-appfinder")) +
                    set("custom", binding("&lt;Super&gt;space", "rofi -show drun") + overrides),
                set("default", binding("&lt;Alt&gt;space", "popup_menu_key")) +
                    set("custom", binding("&lt;Alt&gt;F3", "popup_menu_key")));
    EXPECT_EQ(bound({custom}), (std::vector<Bound>{{"“rofi” (an Xfce shortcut)", 49, 256},
                                                   {"Xfce's window menu", 49, 2048}}));

    // The user's file decides when there is one; a missing or malformed one gives way.
    EXPECT_EQ(bound({std::nullopt, defaults}), fromDefaults);
    EXPECT_EQ(bound({defaults.left(200), defaults}), fromDefaults);
    EXPECT_EQ(bound({channel({}, {}), defaults}), std::vector<Bound>{});
    // Unknown modifiers and keys are left out.
    EXPECT_EQ(bound({channel(set("default", binding("&lt;Hyper&gt;x", "a") +
                                                binding("&lt;Alt&gt;NoSuchKey", "b") +
                                                binding("&lt;Alt", "c")),
                             {})}),
              std::vector<Bound>{});
}

}  // namespace
}  // namespace tandri::x11
