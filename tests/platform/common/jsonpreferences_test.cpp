// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

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
#include <limits>
#include <thread>
#include <vector>

#include "platform/common/jsonpreferences.h"
#include "platform/common/notificationcenter.h"
#include "support/filesizelimit.h"
#include "support/filetree.h"
#include "support/finisheswithin.h"
#include "support/scopedenvironment.h"
#include "support/waitforevents.h"

namespace tandri {
namespace {

using test::fileContents;
using test::writeFile;  // writes in place, as an editor that does not replace files would

const QString domain = QStringLiteral("app.tandri");

// Replaces the file by rename, as another process using this store would.
void replaceFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QSaveFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << file.errorString().toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
    ASSERT_TRUE(file.commit());
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
        return QJsonDocument::fromJson(fileContents(file(name))).object();
    }
    int notificationsFor(const QString& name) const {
        return static_cast<int>(std::count(notified.begin(), notified.end(), name));
    }
    // Makes the change and waits until the store announces `name`.
    bool announces(const QString& name, const std::function<void()>& change) {
        notified.clear();
        change();
        return test::waitForEvents([&] { return notificationsFor(name) > 0; });
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

    // Domains are files of their own.
    prefs.setValue("com.apple.dock", "autohide", true);
    EXPECT_TRUE(prefs.value(domain, "autohide").isUndefined());
    EXPECT_EQ(prefs.value("com.apple.dock", "autohide"), QJsonValue(true));
    EXPECT_EQ(entries(), (QStringList{"app.tandri.json", "com.apple.dock.json"}));
}

TEST_F(JsonPreferencesTest, TypedReadsGiveTheNeutralValueForOtherTypes) {
    constexpr qint64 big = 9007199254740993;  // 2^53 + 1, more than a double holds
    constexpr qint64 most = std::numeric_limits<qint64>::max();
    const struct {
        const char* key;
        QJsonValue stored;
        bool asBool;
        double asDouble;
        qint64 asInteger;
        std::optional<QString> asString;
    } cases[] = {
        {"flag", true, true, 0, 0, {}},
        {"zero", 0, false, 0, 0, {}},
        {"half", 0.5, true, 0.5, 0, {}},
        {"text", "yes", false, 0, 0, "yes"},
        {"negative", -2.7, true, -2.7, -2, {}},
        {"positive", 2.9, true, 2.9, 2, {}},
        {"huge", 1e300, true, 1e300, most, {}},
        {"tiny", -1e300, true, -1e300, std::numeric_limits<qint64>::min(), {}},
        {"big", QJsonValue(big), true, double(big), big, {}},
        {"list", QJsonArray{1, 2}, false, 0, 0, {}},
        {"nothing", QJsonValue::Null, false, 0, 0, {}},
        {"missing", QJsonValue::Undefined, false, 0, 0, {}},
    };
    for (const auto& c : cases) prefs.setValue(domain, c.key, c.stored);
    for (const auto& c : cases) {
        EXPECT_EQ(prefs.boolValue(domain, c.key), c.asBool) << c.key;
        EXPECT_DOUBLE_EQ(prefs.doubleValue(domain, c.key), c.asDouble) << c.key;
        EXPECT_EQ(prefs.integerValue(domain, c.key), c.asInteger) << c.key;
        EXPECT_EQ(prefs.stringValue(domain, c.key), c.asString) << c.key;
    }
    prefs.registerDefaults(domain, {{"defaultFlag", true}});
    EXPECT_TRUE(prefs.boolValue(domain, "defaultFlag"));
}

TEST_F(JsonPreferencesTest, AnUnparsableFileReadsEmptyAndIsKeptByteForByteBeforeTheFirstWrite) {
    static const char raw[] = "{\"ringStyle\": \"aura\", oops \xff\xfe\0 after a NUL\n";
    const QByteArray garbage(raw, sizeof raw - 1);
    writeFile(file(), garbage);
    prefs.registerDefaults(domain, {{"ringStyle", "glass"}});

    EXPECT_EQ(prefs.value(domain, "ringStyle"), QJsonValue("glass"));
    EXPECT_TRUE(prefs.storedDomain(domain).isEmpty());
    EXPECT_EQ(entries(), QStringList{"app.tandri.json"}) << "reading alone keeps the file as is";
    EXPECT_EQ(fileContents(file()), garbage);

    // Later writes keep nothing more while the file is sound.
    prefs.setValue(domain, "apps", "openOnly");
    prefs.setValue(domain, "apps", "dockAndOpen");
    const QStringList names = entries();
    ASSERT_EQ(names.size(), 2) << names.join(", ").toStdString();
    EXPECT_TRUE(names[1].startsWith("app.tandri.json.unreadable-")) << names[1].toStdString();
    EXPECT_EQ(fileContents(dir + u'/' + names[1]), garbage);
    EXPECT_EQ(onDisk(), (QJsonObject{{"apps", "dockAndOpen"}}));

    // A second bad file, within the same second, gets a name of its own.
    replaceFile(file(), "[1, 2, 3]");  // valid JSON, but not an object
    EXPECT_TRUE(prefs.storedDomain(domain).isEmpty());
    prefs.setValue(domain, "apps", "pinnedAndOpen");
    const QStringList copies = entries().filter("unreadable-");
    ASSERT_EQ(copies.size(), 2) << entries().join(", ").toStdString();
    EXPECT_EQ(fileContents(dir + u'/' + copies[0]), garbage);
    EXPECT_EQ(fileContents(dir + u'/' + copies[1]), "[1, 2, 3]");
    EXPECT_EQ(onDisk(), (QJsonObject{{"apps", "pinnedAndOpen"}}));
}

TEST_F(JsonPreferencesTest, FailedWritesOverAnUnreadableFileKeepOneCopyOfIt) {
    writeFile(file(), "not json");
    {
        const test::FileSizeLimit unreplaceable(4);
        for (int i = 0; i < 3; ++i) prefs.setValue(domain, "apps", QStringLiteral("openOnly"));
    }
    EXPECT_EQ(entries().filter("unreadable-").size(), 1) << entries().join(", ").toStdString();
    EXPECT_EQ(fileContents(file()), "not json");

    // Another store (a later start of the program) finds the kept copy too.
    JsonPreferences again(dir, center);
    again.setValue(domain, "apps", QStringLiteral("openOnly"));
    EXPECT_EQ(entries().filter("unreadable-").size(), 1);
    EXPECT_EQ(onDisk(), (QJsonObject{{"apps", "openOnly"}}));
}

TEST_F(JsonPreferencesTest, EmptyFilesAndFilesThatAreNoRegularFilesReadEmptyWithoutWaiting) {
    writeFile(file(), {});
    ASSERT_EQ(::mkfifo(QFile::encodeName(file("pipe")).constData(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", QFile::encodeName(file("zero")).constData()), 0);
    for (const char* name : {"app.tandri", "pipe", "zero"}) {
        test::finishesWithin(10, name, [&] {
            EXPECT_TRUE(prefs.storedDomain(QString::fromLatin1(name)).isEmpty());
        });
    }
    prefs.setValue(domain, "a", 1);
    EXPECT_EQ(entries().filter("unreadable-"), QStringList{}) << "an empty file is not kept";
}

TEST_F(JsonPreferencesTest, OutsideEditsAreSeenOnTheNextRead) {
    prefs.setValue(domain, "ringStyle", "glass");
    EXPECT_EQ(prefs.value(domain, "ringStyle"), QJsonValue("glass"));

    // In place: a different size and time on the same inode.
    writeFile(file(), R"({"ringStyle": "outline", "apps": "openOnly"})");
    test::setModified(file(), 1000000000, 123456789);
    EXPECT_EQ(prefs.value(domain, "ringStyle"), QJsonValue("outline"));
    EXPECT_EQ(prefs.value(domain, "apps"), QJsonValue("openOnly"));

    // Replaced by rename: a new inode.
    replaceFile(file(), R"({"ringStyle": "quib"})");
    EXPECT_EQ(prefs.value(domain, "ringStyle"), QJsonValue("quib"));
    EXPECT_TRUE(prefs.value(domain, "apps").isUndefined());

    // The same size, only the time differs.
    writeFile(file(), R"({"ringStyle": "aura"})");
    test::setModified(file(), 1000000001, 123456789);
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
    EXPECT_TRUE(test::fileTree(temp.path()).empty()) << "nothing may be written anywhere";
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
    ASSERT_TRUE(announces("app.other", [&] { replaceFile(file("app.other"), R"({"a": 1})"); }));
    EXPECT_EQ(notificationsFor(domain), 0);
    EXPECT_EQ(notificationsFor("com.apple.dock"), 0);
}

TEST_F(JsonPreferencesTest, ChangesByOtherProcessesAreAnnouncedEvenInAFolderMadeLater) {
    EXPECT_TRUE(prefs.value(domain, "apps").isUndefined());  // starts watching; no folder yet
    ASSERT_TRUE(announces(domain, [&] { replaceFile(file(), R"({"apps": "dockAndOpen"})"); }));
    EXPECT_EQ(prefs.value(domain, "apps"), QJsonValue("dockAndOpen"));
    // An edit in place, which does not show as a change of the folder.
    ASSERT_TRUE(announces(domain, [&] { writeFile(file(), R"({"apps": "pinnedAndOpen"})"); }));
    EXPECT_EQ(prefs.value(domain, "apps"), QJsonValue("pinnedAndOpen"));
    // A new domain and a removed one.
    ASSERT_TRUE(announces("app.ring.dock",
                          [&] { replaceFile(file("app.ring.dock"), R"({"saved": true})"); }));
    ASSERT_TRUE(announces(domain, [&] { QFile::remove(file()); }));
    EXPECT_TRUE(prefs.storedDomain(domain).isEmpty());
}

TEST_F(JsonPreferencesTest, AFailedWriteKeepsTheOldFileAndDoesNotNotify) {
    prefs.setValue(domain, "apps", "openOnly");
    const QByteArray before = fileContents(file());
    notified.clear();
    {
        const test::FileSizeLimit fullDisk(4096);
        prefs.setValue(domain, "apps", QString(100000, u'x'));
    }
    EXPECT_EQ(fileContents(file()), before);
    EXPECT_EQ(prefs.value(domain, "apps"), QJsonValue("openOnly"));
    EXPECT_EQ(entries(), QStringList{"app.tandri.json"}) << "no temporary file may be left";
    EXPECT_TRUE(notified.empty());

    // The store works again once writing does.
    prefs.setValue(domain, "apps", "dockAndOpen");
    EXPECT_EQ(onDisk(), (QJsonObject{{"apps", "dockAndOpen"}}));

    if (geteuid() == 0)
        return;  // root writes into read-only folders
    ASSERT_TRUE(QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner));
    prefs.setValue(domain, "apps", "openOnly");
    QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(onDisk(), (QJsonObject{{"apps", "dockAndOpen"}}));
    EXPECT_EQ(prefs.value(domain, "apps"), QJsonValue("dockAndOpen"));
}

TEST_F(JsonPreferencesTest, ConcurrentReadersSeeWholeVersionsOnly) {
    // Every version holds 50 keys with one common value; a torn read would mix values.
    auto version = [](int n) {
        QJsonObject object;
        for (int k = 0; k < 50; ++k) object.insert(QString("key%1").arg(k), n);
        return object;
    };
    auto whole = [](const QJsonObject& object) {
        return object.size() == 50 && std::all_of(object.begin(), object.end(), [&](auto value) {
                   return value == object.value("key0");
               });
    };
    constexpr int versions = 100;
    const QString other = "app.outside";
    replaceFile(file(other), QJsonDocument(version(0)).toJson());
    prefs.setValue(domain, "blob", version(0));

    std::atomic<bool> stop{false};
    std::atomic<int> torn{0};
    std::atomic<int> reads{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 4; ++t) {
        readers.emplace_back([&, t] {
            while (!stop.load()) {
                torn += !whole(t % 2 == 0 ? prefs.value(domain, "blob").toObject()
                                          : prefs.storedDomain(other));
                ++reads;
            }
        });
    }
    // This process writes one domain; "another process" replaces the other's file directly.
    std::thread outside([&] {
        for (int n = 1; n <= versions; ++n)
            replaceFile(file(other), QJsonDocument(version(n)).toJson());
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
    for (const auto& [xdg, expected] :
         {std::pair<std::optional<QByteArray>, QString>{"/elsewhere/conf/", "/elsewhere/conf"},
          {"", "/home/someone/.config"},
          {"relative/conf", "/home/someone/.config"},
          {std::nullopt, "/home/someone/.config"}}) {
        const test::ScopedEnvironment environment{{"HOME", "/home/someone"},
                                                  {"XDG_CONFIG_HOME", xdg}};
        EXPECT_EQ(JsonPreferences::defaultDirectory(), expected + "/tandri/defaults")
            << xdg.value_or("unset").constData();
    }
}

}  // namespace
}  // namespace tandri
