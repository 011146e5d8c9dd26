// SPDX-License-Identifier: MIT
#include "platform/common/desktopappearance.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include "support/capturedwarnings.h"
#include "support/scopedenvironment.h"
#include "support/testfiles.h"

namespace tandri {
namespace {

using Reading = DesktopAppearance::Reading;
using test::writeFile;

// A session of this desktop whose configuration lives in `root`.
test::ScopedEnvironment session(const QByteArray& desktop, const QTemporaryDir& root) {
    return {{"XDG_CURRENT_DESKTOP", desktop},
            {"XDG_CONFIG_HOME", root.filePath("config").toLocal8Bit()},
            {"XDG_CONFIG_DIRS", root.filePath("xdg").toLocal8Bit()}};
}

TEST(DesktopAppearance, KdeColours) {
    const struct {
        const char* text;
        std::optional<QColor> expected;
    } cases[] = {
        {"61,174,233", QColor(61, 174, 233)},
        {" 61, 174 ,233,128", QColor(61, 174, 233, 128)},
        {"#3daee9", QColor(61, 174, 233)},
        {"0,0,0", QColor(0, 0, 0)},
        {"255,255,255", QColor(Qt::white)},
        {"61,174", {}},
        {"61,174,233,1,2", {}},
        {"61,174,256", {}},
        {"-1,0,0", {}},
        {"blue,green,red", {}},
        {"#zzzzzz", {}},
        {"", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DesktopAppearance::kdeColor(c.text), c.expected) << c.text;
}

// Plasma's kdeglobals, the user's and the system's, read with this fallback: the reading, and
// how many problems are told, once however often it is read.
void expectPlasma(const char* why, std::optional<QByteArray> user, std::optional<QByteArray> system,
                  bool fallbackDark, Reading expected, int problems) {
    SCOPED_TRACE(why);
    QTemporaryDir root;
    const auto environment = session("KDE", root);
    if (user)
        writeFile(root.filePath("config/kdeglobals"), *user);
    if (system)
        writeFile(root.filePath("xdg/kdeglobals"), *system);
    DesktopAppearance appearance([fallbackDark] { return fallbackDark; });
    testing::CapturedWarnings warnings;
    EXPECT_EQ(appearance.read(), expected);
    EXPECT_EQ(warnings.take().size(), problems);
    EXPECT_EQ(appearance.read(), expected);
    EXPECT_EQ(warnings.take().size(), 0);
}

TEST(DesktopAppearance, PlasmaFromKdeglobalsTheUsersFirst) {
    const QByteArray breezeDark =
        "[Colors:Window]\nBackgroundNormal=32,35,38\n[Colors:Selection]\n"
        "BackgroundNormal=61,174,233\n";
    expectPlasma("a dark scheme and the accent the user picked",
                 breezeDark + "[General]\nColorScheme=BreezeDark\nAccentColor=233,100,10\n", {},
                 false, {true, QColor(233, 100, 10)}, 0);
    expectPlasma("a light scheme: its selection colour is the accent",
                 "[Colors:Selection]\nBackgroundNormal=61,174,233\n"
                 "[Colors:Window]\nForegroundNormal=35,38,41\nBackgroundNormal=239,240,241\n",
                 {}, true, {false, QColor(61, 174, 233)}, 0);
    expectPlasma("the user's keys over the system's, key by key",
                 "[General]\nAccentColor=#102030\n",
                 "[General]\nAccentColor=1,1,1\n[Colors:Window]\nBackgroundNormal=20,20,20\n",
                 false, {true, QColor(16, 32, 48)}, 0);
    expectPlasma("KDE's escapes and flags",
                 "[Colors:Window][$i]\nBackgroundNormal[$e]=\\s20,20,20\n"
                 "# BackgroundNormal=255,255,255\n[General]\nAccentColor=\\x31,2,3\n",
                 {}, false, {true, QColor(1, 2, 3)}, 0);
    expectPlasma("malformed colours: the fallback, then the scheme's accent",
                 "[Colors:Window]\nBackgroundNormal=32,35\n[General]\nAccentColor=300,0,0\n"
                 "[Colors:Selection]\nBackgroundNormal=61,174,233\n",
                 {}, true, {true, QColor(61, 174, 233)}, 2);
    expectPlasma("nothing colourable at all", "[General]\nAccentColor=\n", {}, false, {false, {}},
                 2);
    expectPlasma("no file", {}, {}, true, {true, {}}, 2);
    expectPlasma("not a text file", QByteArray("\xff\xfe\x00[Colors:Window]\x00", 20), {}, false,
                 {false, {}}, 2);
}

TEST(DesktopAppearance, KdeglobalsReadAgainWhenItChanges) {
    QTemporaryDir root;
    const auto environment = session("KDE", root);
    const QString path = root.filePath("config/kdeglobals");
    const auto writeAt = [&](const QByteArray& text, qint64 ms) {
        writeFile(path, text);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(QDateTime::fromMSecsSinceEpoch(1'700'000'000'000 + ms),
                                     QFileDevice::FileModificationTime));
    };
    DesktopAppearance appearance([] { return false; });
    writeAt("[Colors:Window]\nBackgroundNormal=239,240,241\n", 0);
    EXPECT_FALSE(appearance.read().dark);
    // Rewritten in place to the same size and time: taken to be the file already read.
    writeAt("[Colors:Window]\nBackgroundNormal=032,035,038\n", 0);
    EXPECT_FALSE(appearance.read().dark);
    writeAt("[Colors:Window]\nBackgroundNormal=032,035,038\n", 1);
    EXPECT_TRUE(appearance.read().dark);
    // Plasma writes a new file and renames it over the old one.
    writeFile(path + ".new", "[Colors:Window]\nBackgroundNormal=239,240,241\n[General]\n");
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QFile::rename(path + ".new", path));
    EXPECT_FALSE(appearance.read().dark);
}

TEST(DesktopAppearance, ElsewhereThePaletteAndNoAccent) {
    QTemporaryDir root;
    writeFile(root.filePath("config/kdeglobals"), "[General]\nAccentColor=1,2,3\n");
    for (const QByteArray desktop : {"XFCE", "", "LXQt:openbox"}) {
        const auto environment = session(desktop, root);
        for (const bool dark : {false, true}) {
            testing::CapturedWarnings warnings;
            EXPECT_EQ(DesktopAppearance([dark] { return dark; }).read(), (Reading{dark, {}}))
                << desktop.constData();
            EXPECT_TRUE(warnings.take().isEmpty());
        }
    }
}

}  // namespace
}  // namespace tandri
