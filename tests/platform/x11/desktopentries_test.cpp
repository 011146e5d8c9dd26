// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "platform/x11/desktopentries.h"
#include "support/finisheswithin.h"
#include "support/testfiles.h"

namespace tandri::x11 {
namespace {

using Entry = DesktopEntries::Entry;

QStringList ids(const std::vector<Entry>& entries) {
    QStringList list;
    for (const Entry& entry : entries) list << entry.id;
    return list;
}

// Two applications folders: the user's (first) and the system's.
class DesktopEntriesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root_.isValid());
        ASSERT_TRUE(QDir(root_.path()).mkpath(QStringLiteral("user")));
        ASSERT_TRUE(QDir(root_.path()).mkpath(QStringLiteral("system")));
    }

    QString folder(const char* which) const { return root_.filePath(QString::fromLatin1(which)); }

    QString write(const char* which, const QString& relative, const QString& text) {
        const QString path = folder(which) + u'/' + relative;
        test::writeFile(path, text.toUtf8());
        return path;
    }

    QString app(const QString& name, const QString& exec, const QString& extra = {}) {
        return QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=%2\n%3")
            .arg(name, exec, extra);
    }

    DesktopEntries index(const QString& locale = QStringLiteral("C")) {
        return DesktopEntries({folder("user"), folder("system")}, locale);
    }

    QTemporaryDir root_;
};

TEST_F(DesktopEntriesTest, ReadsTheMainGroupWithEscapesAndLocalisedNames) {
    write("system", QStringLiteral("editor.desktop"),
          QStringLiteral("# comment\n[Desktop Entry]\nType=Application\nName=Editor\n"
                         "Name[de]=Bearbeiter\nName[de_CH]=Editor CH\nName[sr@latin]=Urednik\n"
                         "Icon=accessories-text-editor\nExec=editor --title\\sPlain %F\n"
                         "StartupWMClass=EditorMain\nPath=/tmp\nTerminal=false\n"
                         "[Desktop Action new]\nName=New Window\nExec=editor --new\n"));

    const auto plain = index().byID(QStringLiteral("editor"));
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->name, "Editor");
    EXPECT_EQ(plain->icon, "accessories-text-editor");
    EXPECT_EQ(plain->exec, "editor --title Plain %F") << "\\s is a space";
    EXPECT_EQ(plain->startupWMClass, "EditorMain");
    EXPECT_EQ(plain->workingDirectory, "/tmp");
    EXPECT_FALSE(plain->terminal);
    EXPECT_EQ(plain->path, folder("system") + QStringLiteral("/editor.desktop"));

    // The language alone when the country has no name.
    for (const auto& [locale, name] : {std::pair{"de_CH.UTF-8", "Editor CH"},
                                       {"de_AT", "Bearbeiter"},
                                       {"sr_RS@latin", "Urednik"},
                                       {"fr_FR", "Editor"}})
        EXPECT_EQ(index(locale).byID(QStringLiteral("editor.desktop"))->name, name) << locale;
}

TEST_F(DesktopEntriesTest, TheFirstFolderOwnsAnIdAndHiddenOrForeignEntriesDropOut) {
    write("user", QStringLiteral("mail.desktop"), app("My Mail", "mail --profile me"));
    write("system", QStringLiteral("mail.desktop"), app("Mail", "mail"));
    // The user hides a system entry by giving its id Hidden=true.
    write("user", QStringLiteral("game.desktop"), app("Game", "game", "Hidden=true\n"));
    write("system", QStringLiteral("game.desktop"), app("Game", "game"));
    write("system", QStringLiteral("site.desktop"),
          QStringLiteral("[Desktop Entry]\nType=Link\nName=Site\nURL=https://example.com\n"));
    write("system", QStringLiteral("nameless.desktop"),
          QStringLiteral("[Desktop Entry]\nType=Application\nExec=x\n"));
    write("system", QStringLiteral("notes.txt"), app("Notes", "notes"));
    write("system", QStringLiteral("kde/konsole.desktop"), app("Konsole", "konsole"));
    write("system", QStringLiteral("helper.desktop"), app("Helper", "helper", "NoDisplay=true\n"));

    const DesktopEntries entries = index();
    EXPECT_EQ(ids(entries.entries()), QStringList({"mail", "helper", "kde-konsole"}));
    EXPECT_EQ(entries.byID(QStringLiteral("mail"))->name, "My Mail");
    EXPECT_FALSE(entries.byID(QStringLiteral("game")));
    EXPECT_TRUE(entries.byID(QStringLiteral("helper"))->noDisplay);
    EXPECT_EQ(entries.byID(QStringLiteral("kde-konsole"))->path,
              folder("system") + QStringLiteral("/kde/konsole.desktop"));
}

TEST_F(DesktopEntriesTest, ByPathFindsIndexedFilesAndOthersAndNewFilesAreSeenWithoutRebuilding) {
    const QString shadowed = write("system", QStringLiteral("mail.desktop"), app("Mail", "mail"));
    write("user", QStringLiteral("mail.desktop"), app("My Mail", "mail"));
    const QString outside = root_.filePath(QStringLiteral("Downloads/tool.desktop"));
    test::writeFile(outside, app("Tool", "tool").toUtf8());

    const DesktopEntries entries = index();
    EXPECT_EQ(entries.byPath(outside)->id, "tool");
    EXPECT_EQ(entries.byPath(shadowed)->name, "Mail") << "the file asked for, not its id's winner";
    EXPECT_FALSE(entries.byPath(root_.filePath(QStringLiteral("missing.desktop"))));
    EXPECT_FALSE(entries.byPath(folder("user"))) << "a folder is no entry";
    // New files are seen without rebuilding.
    EXPECT_FALSE(entries.byID(QStringLiteral("late")));
    write("user", QStringLiteral("vendor/late.desktop"), app("Late", "late"));
    ASSERT_TRUE(entries.byID(QStringLiteral("vendor-late")));
    QFile::remove(folder("user") + QStringLiteral("/vendor/late.desktop"));
    EXPECT_FALSE(entries.byID(QStringLiteral("vendor-late")));
}

TEST_F(DesktopEntriesTest, EntriesThatAreNoRegularFilesAreSkippedWithoutWaiting) {
    write("user", QStringLiteral("editor.desktop"), app("Editor", "editor"));
    const QByteArray user = QFile::encodeName(folder("user"));
    ASSERT_EQ(::symlink("/dev/zero", (user + "/zero.desktop").constData()), 0);
    ASSERT_EQ(::mkfifo((user + "/pipe.desktop").constData(), 0600), 0);

    test::finishesWithin(10, "indexing entries linked to devices",
                         [&] { EXPECT_EQ(ids(index().entries()), QStringList{"editor"}); });
}

TEST_F(DesktopEntriesTest, MatchesByStartupClassThenIdThenCommandAndShownEntriesFirst) {
    write("system", QStringLiteral("debian-xterm.desktop"),
          app("XTerm", "xterm", "StartupWMClass=XTerm\n"));
    write("system", QStringLiteral("debian-uxterm.desktop"),
          app("UXTerm", "uxterm", "StartupWMClass=UXTerm\n"));
    write("system", QStringLiteral("org.gnome.gedit.desktop"), app("Text Editor", "gedit %U"));
    write("system", QStringLiteral("xclock.desktop"), app("Clock", "xclock"));
    write("system", QStringLiteral("calc.desktop"), app("Calculator", "env LANG=C /usr/bin/galc"));
    write("system", QStringLiteral("vi.desktop"), app("Vi", "vi %F", "Terminal=true\n"));
    // Claims windows of another class: never matched by its command.
    write("system", QStringLiteral("webapp.desktop"),
          app("Web App", "browser --app=x", "StartupWMClass=crx_x\n"));
    const DesktopEntries entries = index();

    auto id = [&](const char* instance, const char* wmClass, QStringList executables = {}) {
        const auto entry =
            entries.match(QString::fromLatin1(instance), QString::fromLatin1(wmClass), executables);
        return entry ? entry->id : QStringLiteral("<none>");
    };
    EXPECT_EQ(id("xterm", "XTerm", {"xterm"}), "debian-xterm");
    EXPECT_EQ(id("xterm", "UXTerm", {"xterm"}), "debian-uxterm") << "uxterm sets its own class";
    EXPECT_EQ(id("XTERM", "other"), "debian-xterm") << "the instance, ignoring case";
    EXPECT_EQ(id("gedit", "Gedit"), "org.gnome.gedit") << "the last part of a reverse-domain id";
    EXPECT_EQ(id("xclock", "XClock"), "xclock");
    EXPECT_EQ(id("main", "Main", {"galc"}), "calc") << "the command behind an env prefix";
    EXPECT_EQ(id("vi", "Vi-ish", {"vi"}), "vi") << "by id; a terminal entry's command is not asked";
    EXPECT_EQ(id("other", "Other", {"vi"}), "<none>");
    EXPECT_EQ(id("other", "Other", {"browser"}), "<none>");
    EXPECT_EQ(id("", "", {}), "<none>");
    // A shown entry wins over a hidden one of the same rule.
    write("user", QStringLiteral("a-tool.desktop"),
          app("Tool Helper", "tool --helper", "StartupWMClass=Tool\nNoDisplay=true\n"));
    write("system", QStringLiteral("b-tool.desktop"), app("Tool", "tool", "StartupWMClass=Tool\n"));
    EXPECT_EQ(index().match(QStringLiteral("tool"), QStringLiteral("Tool"), {})->id, "b-tool");
}

TEST(DesktopEntriesExec, SplitsByTheQuotingRules) {
    // Quotes join to the word around them.
    const std::pair<const char*, std::optional<QStringList>> cases[] = {
        {"  app  -x   y ", QStringList{"app", "-x", "y"}},
        {R"("/opt/My App/run" "a b")", QStringList{"/opt/My App/run", "a b"}},
        {R"(sh -c "echo \"\$HOME\" \\ \`x\`")", QStringList{"sh", "-c", R"(echo "$HOME" \ `x`)"}},
        {R"(a"b c"d)", QStringList{"ab cd"}},
        {R"(a "" b)", QStringList{"a", "", "b"}},
        {"sh -c 'echo $x'", QStringList{"sh", "-c", "echo $x"}},
        {R"(app "unclosed)", std::nullopt},
        {"app 'unclosed", std::nullopt}};
    for (const auto& [exec, words] : cases)
        EXPECT_EQ(DesktopEntries::splitExec(QString::fromUtf8(exec)), words) << exec;
    EXPECT_EQ(DesktopEntries::program(QStringLiteral("\"/opt/My App/run\" %U")), "run");
    EXPECT_EQ(DesktopEntries::program(QStringLiteral("env -u X A=1 B=2 app")), "app");
    EXPECT_EQ(DesktopEntries::program(QString()), "");
}

class DesktopEntriesCommands : public ::testing::Test {
protected:
    static Entry entry(const QString& exec, bool terminal = false) {
        return {"viewer", "/usr/share/applications/viewer.desktop",
                "Viewer", "viewer-icon",
                exec,     {},
                {},       terminal};
    }
    std::vector<QStringList> lines(const QString& exec, const std::vector<QUrl>& targets) {
        const auto commands = DesktopEntries::commands(entry(exec), targets);
        EXPECT_FALSE(commands.error) << commands.error->toStdString();
        return commands.lines;
    }
    const QUrl a = QUrl::fromLocalFile(QStringLiteral("/home/u/a file.txt"));
    const QUrl b = QUrl::fromLocalFile(QStringLiteral("/home/u/b.txt"));
    const QUrl web = QUrl(QStringLiteral("https://example.com/x?y=1"));
};

// List codes take every target as an argument of one process, single codes start one process
// per target; a remote URL is no file, and no targets give no arguments. %% is a percent sign,
// and what follows it no code; deprecated and unknown codes are dropped.
TEST_F(DesktopEntriesCommands, FieldCodesBecomeArgumentsInsideATerminalWhereAsked) {
    using L = std::vector<QStringList>;
    const struct {
        const char* exec;
        std::vector<QUrl> targets;
        L expected;
    } cases[] = {
        {"viewer --open %F", {a, b}, {{"viewer", "--open", "/home/u/a file.txt", "/home/u/b.txt"}}},
        {"viewer %U",
         {a, web},
         {{"viewer", "file:///home/u/a%20file.txt", "https://example.com/x?y=1"}}},
        {"viewer %F", {a, web}, {{"viewer", "/home/u/a file.txt"}}},
        {"viewer %F --end", {}, {{"viewer", "--end"}}},
        {"viewer %f", {a, b}, {{"viewer", "/home/u/a file.txt"}, {"viewer", "/home/u/b.txt"}}},
        {"viewer --url=%u", {web}, {{"viewer", "--url=https://example.com/x?y=1"}}},
        {"viewer %f", {}, {{"viewer"}}},
        {"viewer %u", {}, {{"viewer"}}},
        {"viewer %i --caption %c %k",
         {},
         {{"viewer", "--icon", "viewer-icon", "--caption", "Viewer",
           "/usr/share/applications/viewer.desktop"}}},
        {"viewer --zoom=100%% %% %%f", {a}, {{"viewer", "--zoom=100%", "%", "%f"}}},
        {"viewer %d %D %n %N %v %m -x %z", {a}, {{"viewer", "-x"}}},
        {"\"/opt/View er/bin\" \"--title=%c\"", {}, {{"/opt/View er/bin", "--title=Viewer"}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(lines(QString::fromUtf8(c.exec), c.targets), c.expected) << c.exec;
    Entry iconless = entry(QStringLiteral("viewer %i -x"));
    iconless.icon.clear();
    EXPECT_EQ(DesktopEntries::commands(iconless, {}).lines, L({{"viewer", "-x"}}));
    // A terminal entry's command runs inside a terminal.
    const auto commands = DesktopEntries::commands(entry(QStringLiteral("vi %F"), true), {b});
    ASSERT_EQ(commands.lines.size(), 1u);
    const QStringList line = commands.lines.front();
    EXPECT_FALSE(line.value(0).isEmpty()) << "a terminal";
    EXPECT_EQ(line.mid(1), QStringList({"-e", "vi", "/home/u/b.txt"}));
}

TEST_F(DesktopEntriesCommands, CommandsThatCannotRunSayWhy) {
    auto error = [&](const QString& exec) {
        return DesktopEntries::commands(entry(exec), {}).error.value_or(QStringLiteral("<none>"));
    };
    for (const char* exec : {"", "   ", "%f"})
        EXPECT_EQ(error(exec), "Viewer has no command to run") << exec;
    EXPECT_EQ(error(QStringLiteral("viewer \"open")), "The command of Viewer cannot be read");
    EXPECT_EQ(error(QStringLiteral("viewer")), "<none>");
    EXPECT_EQ(DesktopEntries::launch(entry(QStringLiteral("/nonexistent/viewer-x")), {}),
              "Viewer could not be started");
}

}  // namespace
}  // namespace tandri::x11
