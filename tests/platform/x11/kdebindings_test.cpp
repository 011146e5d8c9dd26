#include "platform/x11/kdebindings.h"

#include "boundkeys.h"
#include "support/testfiles.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace tandri::x11 {
namespace {

std::vector<Bound> boundIn(const QByteArray& text) {
    QTemporaryDir dir;
    const QString path = dir.filePath("kglobalshortcutsrc");
    test::writeFile(path, text);
    return boundOf(KdeBindings::read(path));
}

TEST(KdeBindings, ShortcutsInForceNamedAsPlasmaNamesThem) {
    // As Plasma writes it, KRunner's launch on Alt+Space and Alt+F2 by default.
    EXPECT_EQ(boundIn("[org.kde.krunner.desktop]\n"
                      "_k_friendly_name=KRunner\n"
                      "_launch=Alt+Space\\tAlt+F2\\tSearch,Alt+Space\\tAlt+F2\\tSearch,KRunner\n"
                      "RunClipboard=Alt+Shift+F2,Alt+Shift+F2,Run command on clipboard contents\n"
                      "[kwin]\n"
                      "Window Operations Menu=Alt+F3,Alt+F3,Window Operations Menu\n"
                      "Overview=Meta+W,Meta+W,Toggle Overview\n"
                      "Window Close=none,Alt+F4,Close Window\n"),
              (std::vector<Bound>{{"KRunner", 49, 2048},
                                  {"KRunner", 120, 2048},
                                  {"Run command on clipboard contents", 120, 2560},
                                  {"Window Operations Menu", 99, 2048},
                                  {"Toggle Overview", 13, 256}}));
    // What the user changed is what counts, not the default.
    EXPECT_EQ(boundIn("[org.kde.krunner.desktop]\n_k_friendly_name=KRunner\n"
                      "_launch=Meta+Space,Alt+Space,KRunner\n"),
              (std::vector<Bound>{{"KRunner", 49, 256}}));
    // Chords, unknown keys, lines outside a group and malformed lines are left out.
    EXPECT_EQ(boundIn("_launch=Alt+Space,,\n[x]\nbroken line\nchord=Ctrl+K\\, Ctrl+C,,Chord\n"
                      "odd=Alt+NoSuchKey,,Odd\n=Alt+Space,,Empty key\n"),
              std::vector<Bound>{});
    EXPECT_EQ(boundIn(QByteArray("\xff\xfe\x00\x01", 4)), std::vector<Bound>{});
    EXPECT_TRUE(KdeBindings::read("/nonexistent/kglobalshortcutsrc").empty());
}

}  // namespace
}  // namespace tandri::x11
