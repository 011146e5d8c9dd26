#include "platform/common/desktopappearance.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "support/capturedwarnings.h"

namespace tandri {
namespace {

// The session's XDG variables for one test, put back afterwards.
class Session {
public:
    Session(const QByteArray& desktop, const QString& configHome, const QString& configDirs) {
        for (const char* name : {"XDG_CURRENT_DESKTOP", "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS"})
            saved_.emplace_back(name, qgetenv(name));
        qputenv("XDG_CURRENT_DESKTOP", desktop);
        qputenv("XDG_CONFIG_HOME", configHome.toLocal8Bit());
        qputenv("XDG_CONFIG_DIRS", configDirs.toLocal8Bit());
    }
    ~Session() {
        for (const auto& [name, value] : saved_) qputenv(name, value);
    }

private:
    std::vector<std::pair<const char*, QByteArray>> saved_;
};

void write(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
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
        {"61,174", std::nullopt},
        {"61,174,233,1,2", std::nullopt},
        {"61,174,256", std::nullopt},
        {"-1,0,0", std::nullopt},
        {"blue,green,red", std::nullopt},
        {"#zzzzzz", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DesktopAppearance::kdeColor(c.text), c.expected) << c.text;
}

TEST(DesktopAppearance, PlasmaFromKdeglobalsTheUsersFirst) {
    const QByteArray breezeDark =
        "[Colors:Window]\nBackgroundNormal=32,35,38\n[Colors:Selection]\n"
        "BackgroundNormal=61,174,233\n";
    const struct {
        const char* why;
        std::optional<QByteArray> user;
        std::optional<QByteArray> system;
        bool fallbackDark;
        DesktopAppearance::Reading expected;
        int warnings;
    } cases[] = {
        {"a dark scheme and the accent the user picked",
         breezeDark + "[General]\nColorScheme=BreezeDark\nAccentColor=233,100,10\n",
         {},
         false,
         {true, QColor(233, 100, 10)},
         0},
        {"a light scheme: its selection colour is the accent",
         "[Colors:Selection]\nBackgroundNormal=61,174,233\n"
         "[Colors:Window]\nForegroundNormal=35,38,41\nBackgroundNormal=239,240,241\n",
         {},
         true,
         {false, QColor(61, 174, 233)},
         0},
        {"the user's keys over the system's, key by key",
         "[General]\nAccentColor=#102030\n",
         "[General]\nAccentColor=1,1,1\n[Colors:Window]\nBackgroundNormal=20,20,20\n",
         false,
         {true, QColor(16, 32, 48)},
         0},
        {"KDE's escapes and flags",
         "[Colors:Window][$i]\nBackgroundNormal[$e]=\\s20,20,20\n"
         "# BackgroundNormal=255,255,255\n[General]\nAccentColor=\\x31,2,3\n",
         {},
         false,
         {true, QColor(1, 2, 3)},
         0},
        {"malformed colours: the fallback, then the scheme's accent",
         "[Colors:Window]\nBackgroundNormal=32,35\n[General]\nAccentColor=300,0,0\n"
         "[Colors:Selection]\nBackgroundNormal=61,174,233\n",
         {},
         true,
         {true, QColor(61, 174, 233)},
         2},
        {"nothing colourable at all", "[General]\nAccentColor=\n", {}, false, {false, {}}, 2},
        {"no file", {}, {}, true, {true, {}}, 2},
        {"not a text file",
         QByteArray("\xff\xfe\x00[Colors:Window]\x00", 20),
         {},
         false,
         {false, {}},
         2},
    };
    for (const auto& c : cases) {
        QTemporaryDir root;
        Session session("KDE", root.filePath("config"), root.filePath("xdg"));
        if (c.user)
            write(root.filePath("config/kdeglobals"), *c.user);
        if (c.system)
            write(root.filePath("xdg/kdeglobals"), *c.system);
        bool fallback = c.fallbackDark;
        DesktopAppearance appearance([&fallback] { return fallback; });
        testing::CapturedWarnings warnings;
        EXPECT_EQ(appearance.read(), c.expected) << c.why;
        const QStringList told = warnings.take();
        EXPECT_EQ(told.size(), c.warnings) << c.why << "\n" << told.join(u'\n').toStdString();
        // A problem is told once, not at every opening of the ring.
        EXPECT_EQ(appearance.read(), c.expected) << c.why;
        EXPECT_EQ(warnings.take().size(), 0) << c.why;
    }
}

TEST(DesktopAppearance, KdeglobalsReadAgainWhenItChanges) {
    QTemporaryDir root;
    Session session("KDE", root.filePath("config"), root.filePath("xdg"));
    const QString path = root.filePath("config/kdeglobals");
    QDir().mkpath(root.filePath("config"));
    const auto writeAt = [&](const QByteArray& text, const QDateTime& time) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.resize(0);
        file.write(text);
        ASSERT_TRUE(file.flush());
        ASSERT_TRUE(file.setFileTime(time, QFileDevice::FileModificationTime));
    };
    const QDateTime time = QDateTime::fromSecsSinceEpoch(1'700'000'000);
    DesktopAppearance appearance([] { return false; });
    writeAt("[Colors:Window]\nBackgroundNormal=239,240,241\n", time);
    EXPECT_FALSE(appearance.read().dark);
    // Rewritten in place to the same size and time: taken to be the file already read.
    writeAt("[Colors:Window]\nBackgroundNormal=032,035,038\n", time);
    EXPECT_FALSE(appearance.read().dark);
    writeAt("[Colors:Window]\nBackgroundNormal=032,035,038\n", time.addMSecs(1));
    EXPECT_TRUE(appearance.read().dark);
    // Plasma writes a new file and renames it over the old one.
    write(path + ".new", "[Colors:Window]\nBackgroundNormal=239,240,241\n[General]\n");
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QFile::rename(path + ".new", path));
    EXPECT_FALSE(appearance.read().dark);
}

TEST(DesktopAppearance, ElsewhereThePaletteAndNoAccent) {
    QTemporaryDir root;
    write(root.filePath("config/kdeglobals"), "[General]\nAccentColor=1,2,3\n");
    for (const QByteArray desktop : {"XFCE", "", "LXQt:openbox"}) {
        Session session(desktop, root.filePath("config"), root.filePath("xdg"));
        for (const bool dark : {false, true}) {
            testing::CapturedWarnings warnings;
            EXPECT_EQ(DesktopAppearance([dark] { return dark; }).read(),
                      (DesktopAppearance::Reading{dark, std::nullopt}))
                << desktop.constData();
            EXPECT_TRUE(warnings.take().isEmpty());
        }
    }
}

}  // namespace
}  // namespace tandri
