#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <csignal>
#include <limits>
#include <thread>
#include <vector>

#include "platform/common/jsonpreferences.h"
#include "platform/common/notificationcenter.h"
#include "support/finisheswithin.h"
#include "support/waitforevents.h"

namespace tandri {
namespace {

const QString domain = QStringLiteral("app.tandri");

QByteArray readBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// Writes in place, as an editor that does not replace files would.
void writeInPlace(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// Replaces the file by rename, as another process using this store would.
void replaceFile(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << file.errorString().toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
    ASSERT_TRUE(file.commit());
}

void setModified(const QString& path, time_t seconds) {
    const struct timespec times[2] = {{seconds, 0}, {seconds, 123456789}};
    ASSERT_EQ(utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
}

class JsonPreferencesTest : public ::testing::Test {
protected:
    JsonPreferencesTest() : dir(temp.path() + QStringLiteral("/config/defaults")) {
        observation = center.observe(
            Preferences::changedNotification,
            [this](const QVariant& object) { notified.push_back(object.toString()); });
    }

    QString file(const QString& name = domain) const { return dir + u'/' + name + ".json"; }
    QStringList entries() const {
        return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }
    QJsonObject onDisk(const QString& name = domain) const {
        return QJsonDocument::fromJson(readBytes(file(name))).object();
    }
    int notificationsFor(const QString& name) const {
        return static_cast<int>(std::count(notified.begin(), notified.end(), name));
    }

    QTemporaryDir temp;
    QString dir;
    NotificationCenter center;
    std::vector<QString> notified;
    std::unique_ptr<Observation> observation;
    JsonPreferences prefs{dir, center};
};

TEST_F(JsonPreferencesTest, RegisteredDefaultsShowUntilAValueIsStoredAndAreNeverWritten) {
    prefs.registerDefaults(domain, {{"ringStyle", "glass"}, {"previewSize", 280.0}});
    prefs.registerDefaults(domain, {{"ringStyle", "aura"}});  // a later registration replaces

    EXPECT_EQ(prefs.value(domain, "ringStyle"), QJsonValue("aura"));
    EXPECT_EQ(prefs.value(domain, "previewSize"), QJsonValue(280.0));
    EXPECT_TRUE(prefs.storedValue(domain, "ringStyle").isUndefined());
    EXPECT_TRUE(prefs.value(domain, "missing").isUndefined());
    EXPECT_FALSE(QFileInfo::exists(dir)) << "registering must not touch the disk";

    prefs.setValue(domain, "ringStyle", "orbit");
    EXPECT_EQ(prefs.value(domain, "ringStyle"), QJsonValue("orbit"));
    EXPECT_EQ(prefs.storedDomain(domain), (QJsonObject{{"ringStyle", "orbit"}}));
    EXPECT_EQ(onDisk(), (QJsonObject{{"ringStyle", "orbit"}}));

    // A stored value that equals the default still wins and stays stored.
    prefs.setValue(domain, "previewSize", 280.0);
    EXPECT_EQ(prefs.storedValue(domain, "previewSize"), QJsonValue(280.0));

    prefs.removeValue(domain, "ringStyle");
    EXPECT_EQ(prefs.value(domain, "ringStyle"), QJsonValue("aura"));
    prefs.setValue(domain, "previewSize", QJsonValue(QJsonValue::Undefined));
    EXPECT_EQ(onDisk(), QJsonObject{});
}

TEST_F(JsonPreferencesTest, DomainsAreSeparateFiles) {
    prefs.setValue("com.apple.dock", "autohide", true);
    prefs.registerDefaults(domain, {{"autohide", false}});
    EXPECT_EQ(prefs.value(domain, "autohide"), QJsonValue(false));
    EXPECT_EQ(prefs.value("com.apple.dock", "autohide"), QJsonValue(true));
    EXPECT_EQ(entries(), QStringList{"com.apple.dock.json"});
}

TEST_F(JsonPreferencesTest, TypedReadsGiveTheNeutralValueForOtherTypes) {
    prefs.registerDefaults(domain, {{"defaultFlag", true}});
    prefs.setValue(domain, "flag", true);
    prefs.setValue(domain, "zero", 0);
    prefs.setValue(domain, "half", 0.5);
    prefs.setValue(domain, "text", "yes");
    prefs.setValue(domain, "negative", -2.7);
    prefs.setValue(domain, "positive", 2.9);
    prefs.setValue(domain, "huge", 1e300);
    prefs.setValue(domain, "big", QJsonValue(qint64(9007199254740993)));  // 2^53 + 1
    prefs.setValue(domain, "list", QJsonArray{1, 2});
    prefs.setValue(domain, "nothing", QJsonValue(QJsonValue::Null));

    EXPECT_TRUE(prefs.boolValue(domain, "flag"));
    EXPECT_TRUE(prefs.boolValue(domain, "defaultFlag"));
    EXPECT_TRUE(prefs.boolValue(domain, "half"));
    EXPECT_FALSE(prefs.boolValue(domain, "zero"));
    EXPECT_FALSE(prefs.boolValue(domain, "text"));
    EXPECT_FALSE(prefs.boolValue(domain, "list"));
    EXPECT_FALSE(prefs.boolValue(domain, "missing"));

    EXPECT_DOUBLE_EQ(prefs.doubleValue(domain, "negative"), -2.7);
    EXPECT_DOUBLE_EQ(prefs.doubleValue(domain, "text"), 0.0);
    EXPECT_DOUBLE_EQ(prefs.doubleValue(domain, "flag"), 0.0);
    EXPECT_DOUBLE_EQ(prefs.doubleValue(domain, "nothing"), 0.0);

    EXPECT_EQ(prefs.integerValue(domain, "negative"), -2);
    EXPECT_EQ(prefs.integerValue(domain, "positive"), 2);
    EXPECT_EQ(prefs.integerValue(domain, "half"), 0);
    EXPECT_EQ(prefs.integerValue(domain, "big"), 9007199254740993);
    EXPECT_EQ(prefs.integerValue(domain, "huge"), std::numeric_limits<qint64>::max());
    EXPECT_EQ(prefs.integerValue(domain, "flag"), 0);
    EXPECT_EQ(prefs.integerValue(domain, "text"), 0);

    EXPECT_EQ(prefs.stringValue(domain, "text"), QString("yes"));
    EXPECT_EQ(prefs.stringValue(domain, "zero"), std::nullopt);
    EXPECT_EQ(prefs.stringValue(domain, "nothing"), std::nullopt);
    EXPECT_EQ(prefs.stringValue(domain, "missing"), std::nullopt);
}

TEST_F(JsonPreferencesTest, AWriteLeavesOneValidJsonFileAndNoTemporaryFiles) {
    for (int i = 0; i < 20; ++i) prefs.setValue(domain, QString("key%1").arg(i), i);
    EXPECT_EQ(entries(), QStringList{"app.tandri.json"});
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(readBytes(file()), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError);
    ASSERT_TRUE(document.isObject());
    EXPECT_EQ(document.object().size(), 20);
    EXPECT_EQ(document.object().value("key19"), QJsonValue(19));
}

TEST_F(JsonPreferencesTest, AnUnparsableFileReadsEmptyAndIsKeptByteForByteBeforeTheFirstWrite) {
    static const char raw[] = "{\"ringStyle\": \"aura\", oops \xff\xfe\0 after a NUL\n";
    const QByteArray garbage(raw, sizeof raw - 1);
    ASSERT_TRUE(QDir().mkpath(dir));
    writeInPlace(file(), garbage);
    prefs.registerDefaults(domain, {{"ringStyle", "glass"}});

    EXPECT_EQ(prefs.value(domain, "ringStyle"), QJsonValue("glass"));
    EXPECT_TRUE(prefs.storedDomain(domain).isEmpty());
    EXPECT_EQ(entries(), QStringList{"app.tandri.json"}) << "reading alone keeps the file as is";
    EXPECT_EQ(readBytes(file()), garbage);

    prefs.setValue(domain, "apps", "openOnly");
    QStringList names = entries();
    ASSERT_EQ(names.size(), 2) << names.join(", ").toStdString();
    EXPECT_EQ(names[0], "app.tandri.json");
    ASSERT_TRUE(names[1].startsWith("app.tandri.json.unreadable-")) << names[1].toStdString();
    const QString firstCopy = dir + u'/' + names[1];
    EXPECT_EQ(readBytes(firstCopy), garbage);
    EXPECT_EQ(onDisk(), (QJsonObject{{"apps", "openOnly"}}));

    // Later writes keep nothing more while the file is sound.
    prefs.setValue(domain, "apps", "dockAndOpen");
    EXPECT_EQ(entries().size(), 2);

    // A second bad file, within the same second, gets a name of its own.
    const QByteArray secondGarbage = "[1, 2, 3]";  // valid JSON, but not an object
    replaceFile(file(), secondGarbage);
    EXPECT_TRUE(prefs.storedDomain(domain).isEmpty());
    prefs.setValue(domain, "apps", "pinnedAndOpen");
    names = entries();
    ASSERT_EQ(names.size(), 3) << names.join(", ").toStdString();
    EXPECT_EQ(readBytes(firstCopy), garbage);
    QStringList copies = names.filter("unreadable-");
    copies.removeAll(names[1]);
    ASSERT_EQ(copies.size(), 1);
    EXPECT_EQ(readBytes(dir + u'/' + copies[0]), secondGarbage);
    EXPECT_EQ(onDisk(), (QJsonObject{{"apps", "pinnedAndOpen"}}));
}

TEST_F(JsonPreferencesTest, FailedWritesOverAnUnreadableFileKeepOneCopyOfIt) {
    ASSERT_TRUE(QDir().mkpath(dir));
    writeInPlace(file(), "not json");
    // Files larger than the limit cannot be written, even by root: a stand-in for a file that
    // cannot be replaced.
    struct rlimit original {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &original), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = original;
    limited.rlim_cur = 4;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    for (int i = 0; i < 3; ++i) prefs.setValue(domain, "apps", QStringLiteral("openOnly"));
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &original), 0);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(entries().filter("unreadable-").size(), 1) << entries().join(", ").toStdString();
    EXPECT_EQ(readBytes(file()), "not json");

    // Another store (a later start of the program) finds the kept copy too.
    JsonPreferences again(dir, center);
    again.setValue(domain, "apps", QStringLiteral("openOnly"));
    EXPECT_EQ(entries().filter("unreadable-").size(), 1);
    EXPECT_EQ(onDisk(), (QJsonObject{{"apps", "openOnly"}}));
}

TEST_F(JsonPreferencesTest, DomainFilesThatAreNoRegularFilesReadEmptyWithoutWaiting) {
    ASSERT_TRUE(QDir().mkpath(dir));
    ASSERT_EQ(::mkfifo(QFile::encodeName(file("pipe")).constData(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", QFile::encodeName(file("zero")).constData()), 0);
    for (const char* name : {"pipe", "zero"}) {
        test::finishesWithin(10, name, [&] {
            EXPECT_TRUE(prefs.storedDomain(QString::fromLatin1(name)).isEmpty());
        });
    }
}

TEST_F(JsonPreferencesTest, AnEmptyFileReadsEmptyWithoutAKeptCopy) {
    ASSERT_TRUE(QDir().mkpath(dir));
    writeInPlace(file(), {});
    EXPECT_TRUE(prefs.storedDomain(domain).isEmpty());
    prefs.setValue(domain, "a", 1);
    EXPECT_EQ(entries(), QStringList{"app.tandri.json"});
}

TEST_F(JsonPreferencesTest, OutsideEditsAreSeenOnTheNextRead) {
    prefs.setValue(domain, "ringStyle", "glass");
    EXPECT_EQ(prefs.value(domain, "ringStyle"), QJsonValue("glass"));

    // In place: a different size and time on the same inode.
    writeInPlace(file(), R"({"ringStyle": "outline", "apps": "openOnly"})");
    setModified(file(), 1000000000);
    EXPECT_EQ(prefs.value(domain, "ringStyle"), QJsonValue("outline"));
    EXPECT_EQ(prefs.value(domain, "apps"), QJsonValue("openOnly"));

    // Replaced by rename: a new inode.
    replaceFile(file(), R"({"ringStyle": "quib"})");
    EXPECT_EQ(prefs.value(domain, "ringStyle"), QJsonValue("quib"));
    EXPECT_TRUE(prefs.value(domain, "apps").isUndefined());

    // The same size, only the time differs.
    writeInPlace(file(), R"({"ringStyle": "aura"})");
    setModified(file(), 1000000001);
    EXPECT_EQ(prefs.value(domain, "ringStyle"), QJsonValue("aura"));

    // Removed: the stored values go, the defaults show.
    prefs.registerDefaults(domain, {{"ringStyle", "glass"}});
    ASSERT_TRUE(QFile::remove(file()));
    EXPECT_EQ(prefs.value(domain, "ringStyle"), QJsonValue("glass"));

    // A write starts from what is on disk, not from an older copy in memory.
    replaceFile(file(), R"({"apps": "openOnly"})");
    prefs.setValue(domain, "hideDock", true);
    EXPECT_EQ(onDisk(), (QJsonObject{{"apps", "openOnly"}, {"hideDock", true}}));
}

TEST_F(JsonPreferencesTest, DomainNamesThatCouldLeaveTheFolderAreRefused) {
    const QStringList bad = {
        "", "../escape", "a/b", "a\\b", ".hidden", "..", QString("nul") + QChar(u'\0') + "x"};
    for (const QString& name : bad) {
        prefs.registerDefaults(name, {{"k", 1}});
        prefs.setValue(name, "k", 2);
        prefs.removeValue(name, "k");
        EXPECT_TRUE(prefs.value(name, "k").isUndefined()) << name.toStdString();
        EXPECT_TRUE(prefs.storedDomain(name).isEmpty()) << name.toStdString();
    }
    EXPECT_TRUE(notified.empty());
    EXPECT_EQ(QDir(temp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{})
        << "nothing may be written anywhere";
}

TEST_F(JsonPreferencesTest, EveryWriteNotifiesOnceWithItsDomain) {
    prefs.setValue(domain, "apps", "openOnly");
    EXPECT_EQ(notified, std::vector<QString>{domain});
    prefs.setValue(domain, "apps", "openOnly");  // the same value: still a write
    prefs.removeValue(domain, "apps");
    prefs.setValue("com.apple.dock", "autohide", true);
    EXPECT_EQ(notified, (std::vector<QString>{domain, domain, domain, "com.apple.dock"}));

    // The directory watcher must not announce these writes again. A change by another process,
    // made after them, is announced once the watcher has caught up with everything before it.
    replaceFile(file("app.other"), R"({"a": 1})");
    ASSERT_TRUE(test::waitForEvents([&] { return notificationsFor("app.other") > 0; }));
    EXPECT_EQ(notificationsFor(domain), 3);
    EXPECT_EQ(notificationsFor("com.apple.dock"), 1);
}

TEST_F(JsonPreferencesTest, ChangesByOtherProcessesAreAnnounced) {
    prefs.setValue(domain, "apps", "openOnly");
    notified.clear();

    replaceFile(file(), R"({"apps": "dockAndOpen"})");
    ASSERT_TRUE(test::waitForEvents([&] { return notificationsFor(domain) > 0; }));
    EXPECT_EQ(prefs.value(domain, "apps"), QJsonValue("dockAndOpen"));

    // An edit in place, which does not show as a change of the folder.
    notified.clear();
    writeInPlace(file(), R"({"apps": "pinnedAndOpen"})");
    ASSERT_TRUE(test::waitForEvents([&] { return notificationsFor(domain) > 0; }));
    EXPECT_EQ(prefs.value(domain, "apps"), QJsonValue("pinnedAndOpen"));

    // A new domain and a removed one.
    notified.clear();
    replaceFile(file("app.ring.dock"), R"({"saved": true})");
    ASSERT_TRUE(test::waitForEvents([&] { return notificationsFor("app.ring.dock") > 0; }));
    ASSERT_TRUE(QFile::remove(file()));
    ASSERT_TRUE(test::waitForEvents([&] { return notificationsFor(domain) > 0; }));
    EXPECT_TRUE(prefs.storedDomain(domain).isEmpty());
}

TEST_F(JsonPreferencesTest, TheFolderIsWatchedEvenWhenItAppearsLater) {
    EXPECT_TRUE(prefs.value(domain, "apps").isUndefined());  // starts watching; no folder yet
    ASSERT_TRUE(QDir().mkpath(dir));
    replaceFile(file(), R"({"apps": "openOnly"})");
    ASSERT_TRUE(test::waitForEvents([&] { return notificationsFor(domain) > 0; }));
}

TEST_F(JsonPreferencesTest, AFailedWriteKeepsTheOldFileAndDoesNotNotify) {
    prefs.setValue(domain, "apps", "openOnly");
    const QByteArray before = readBytes(file());
    notified.clear();

    // Files larger than the limit cannot be written, even by root: a stand-in for a full disk.
    struct rlimit original {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &original), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = original;
    limited.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    prefs.setValue(domain, "apps", QString(100000, u'x'));
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &original), 0);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(readBytes(file()), before);
    EXPECT_EQ(prefs.value(domain, "apps"), QJsonValue("openOnly"));
    EXPECT_EQ(entries(), QStringList{"app.tandri.json"}) << "no temporary file may be left";
    EXPECT_TRUE(notified.empty());

    // The store works again once writing does.
    prefs.setValue(domain, "apps", "dockAndOpen");
    EXPECT_EQ(onDisk(), (QJsonObject{{"apps", "dockAndOpen"}}));
}

TEST_F(JsonPreferencesTest, AReadOnlyFolderKeepsTheOldFile) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    prefs.setValue(domain, "apps", "openOnly");
    const QByteArray before = readBytes(file());
    ASSERT_TRUE(QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner));
    prefs.setValue(domain, "apps", "dockAndOpen");
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(readBytes(file()), before);
    EXPECT_EQ(prefs.value(domain, "apps"), QJsonValue("openOnly"));
}

TEST_F(JsonPreferencesTest, ConcurrentReadersSeeWholeVersionsOnly) {
    // Every version holds 50 keys with one common value; a torn read would mix values.
    auto version = [](int n) {
        QJsonObject object;
        for (int k = 0; k < 50; ++k) object.insert(QString("key%1").arg(k), n);
        return object;
    };
    auto whole = [](const QJsonObject& object) {
        const QJsonValue first = object.value("key0");
        for (auto it = object.begin(); it != object.end(); ++it) {
            if (it.value() != first)
                return false;
        }
        return object.size() == 50;
    };
    constexpr int versions = 100;
    const QString other = "app.outside";
    ASSERT_TRUE(QDir().mkpath(dir));
    replaceFile(file(other), QJsonDocument(version(0)).toJson());
    prefs.setValue(domain, "blob", version(0));

    std::atomic<bool> stop{false};
    std::atomic<int> torn{0};
    std::atomic<int> reads{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 4; ++t) {
        readers.emplace_back([&, t] {
            while (!stop.load()) {
                const QJsonObject object =
                    t % 2 == 0 ? prefs.value(domain, "blob").toObject() : prefs.storedDomain(other);
                if (!whole(object))
                    ++torn;
                ++reads;
            }
        });
    }
    // This process writes one domain; "another process" replaces the other's file directly.
    std::thread outside([&] {
        for (int n = 1; n <= versions; ++n) {
            replaceFile(file(other), QJsonDocument(version(n)).toJson());
        }
    });
    for (int n = 1; n <= versions; ++n) prefs.setValue(domain, "blob", version(n));
    outside.join();
    stop.store(true);
    for (std::thread& reader : readers) reader.join();

    EXPECT_EQ(torn.load(), 0);
    EXPECT_GT(reads.load(), 0);
    EXPECT_EQ(prefs.value(domain, "blob").toObject(), version(versions));
    EXPECT_EQ(prefs.storedDomain(other), version(versions));
}

TEST(JsonPreferencesDirectory, FollowsXdgConfigHome) {
    const QByteArray savedXdg = qgetenv("XDG_CONFIG_HOME");
    const bool hadXdg = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    const QByteArray savedHome = qgetenv("HOME");

    qputenv("HOME", "/home/someone");
    qputenv("XDG_CONFIG_HOME", "/elsewhere/conf/");
    EXPECT_EQ(JsonPreferences::defaultDirectory(), "/elsewhere/conf/tandri/defaults");
    qputenv("XDG_CONFIG_HOME", "");
    EXPECT_EQ(JsonPreferences::defaultDirectory(), "/home/someone/.config/tandri/defaults");
    qputenv("XDG_CONFIG_HOME", "relative/conf");
    EXPECT_EQ(JsonPreferences::defaultDirectory(), "/home/someone/.config/tandri/defaults");
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(JsonPreferences::defaultDirectory(), "/home/someone/.config/tandri/defaults");

    qputenv("HOME", savedHome);
    if (hadXdg)
        qputenv("XDG_CONFIG_HOME", savedXdg);
}

}  // namespace
}  // namespace tandri
