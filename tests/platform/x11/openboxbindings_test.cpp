#include "platform/x11/openboxbindings.h"

#include "boundkeys.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace tandri::x11 {
namespace {

std::vector<Bound> bound(const QString& path) {
    return boundOf(OpenboxBindings::read(path));
}

std::vector<Bound> boundIn(const QByteArray& xml) {
    QTemporaryDir dir;
    const QString path = dir.filePath("rc.xml");
    test::writeFile(path, xml);
    return bound(path);
}

TEST(OpenboxBindings, TheWindowManagersOwnKeysAndWhatTheyDo) {
    // openbox's own configuration, as the tests' sessions run it.
    const auto taken = bound(QStringLiteral(TANDRI_SOURCE_DIR "/tests/x11/openbox-taken.xml"));
    EXPECT_NE(std::find(taken.begin(), taken.end(), Bound{"openbox's window menu", 49, 2048}),
              taken.end());
    const auto free = bound(QStringLiteral(TANDRI_SOURCE_DIR "/tests/x11/openbox-free.xml"));
    EXPECT_EQ(std::count_if(free.begin(), free.end(),
                            [](const Bound& b) { return b.keyCode == 49 && b.modifiers == 2048; }),
              0);
    EXPECT_EQ(free.size() + 1, taken.size());

    const auto xml = [](const char* key, const char* action) {
        return QByteArray("<openbox_config><keyboard><keybind key=\"") + key + "\">" + action +
               "</keybind></keyboard></openbox_config>";
    };
    const struct {
        QByteArray xml;
        std::vector<Bound> expected;
    } cases[] = {
        {xml("W-space", "<action name=\"Execute\"><command>rofi -show run</command></action>"),
         {{"“rofi” (an openbox key binding)", 49, 256}}},
        {xml("C-A-Delete", "<action name=\"Exit\"/>"), {{"openbox's “Exit”", 117, 6144}}},
        {xml("S-W-F1", "<action name=\"ShowMenu\"><menu>root-menu</menu></action>"),
         {{"openbox's menu", 122, 768}}},
        // Chains, unknown modifiers and keys, and bindings outside the keyboard are left out.
        {xml("C-a space", "<action name=\"Close\"/>"), {}},
        {xml("H-space", "<action name=\"Close\"/>"), {}},
        {xml("A-NoSuchKey", "<action name=\"Close\"/>"), {}},
        {"<openbox_config><mouse><keybind key=\"A-space\"/></mouse></openbox_config>", {}},
        // A malformed file counts as none, not as the bindings before the fault.
        {xml("A-space", "<action name=\"Close\">").left(90), {}},
        {"\xff\xfe not xml", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(boundIn(c.xml), c.expected) << c.xml.constData();
    EXPECT_TRUE(bound(QStringLiteral("/nonexistent/rc.xml")).empty());
}

}  // namespace
}  // namespace tandri::x11
