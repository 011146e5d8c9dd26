// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QObject>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <atomic>
#include <cstdlib>
#include <memory>

#include <sys/resource.h>

#include "platform/common/linuxsystem.h"
#include "support/waitforevents.h"

namespace tandri {
namespace {

using test::patience;
using test::waitForEvents;

// Stands in for KWin's global shortcuts: lists its shortcuts and counts the ones invoked.
class FakeShortcuts : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.kglobalaccel.Component")

public:
    explicit FakeShortcuts(QStringList names) : names_(std::move(names)) {}
    std::atomic<int> exposed{0};
    std::atomic<int> others{0};

public Q_SLOTS:
    QStringList shortcutNames() const { return names_; }
    void invokeShortcut(const QString& name) {
        if (name == QStringLiteral("ExposeClass"))
            ++exposed;
        else
            ++others;
    }

private:
    QStringList names_;
};

// A session bus of the test's own, with a service on a thread of its own: the code under test
// waits for answers on the main thread.
class PrivateBus : public ::testing::Test {
protected:
    void SetUp() override {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
            GTEST_SKIP() << "dbus-daemon is missing (scripts/install-deps installs it)";
        daemon.start(QStringLiteral("dbus-daemon"),
                     {"--session", "--nofork", "--print-address=1", "--nopidfile"});
        ASSERT_TRUE(daemon.waitForStarted());
        ASSERT_TRUE(waitForEvents([&] { return daemon.canReadLine(); }, patience));
        address = QString::fromUtf8(daemon.readLine()).trimmed();
        ASSERT_FALSE(address.isEmpty());
        serviceThread.start();
    }
    void TearDown() override {
        if (fake) {
            QDBusConnection(QStringLiteral("fake-kwin")).unregisterObject("/component/kwin");
            fake.reset();
        }
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-kwin"));
        QDBusConnection::disconnectFromBus(QStringLiteral("system-under-test"));
        serviceThread.quit();
        serviceThread.wait();
        daemon.kill();
        daemon.waitForFinished();
    }

    QDBusConnection client() {
        return QDBusConnection::connectToBus(address, QStringLiteral("system-under-test"));
    }
    void offer(QStringList names) {
        QDBusConnection service =
            QDBusConnection::connectToBus(address, QStringLiteral("fake-kwin"));
        ASSERT_TRUE(service.isConnected());
        fake = std::make_unique<FakeShortcuts>(std::move(names));
        fake->moveToThread(&serviceThread);
        ASSERT_TRUE(service.registerObject(QStringLiteral("/component/kwin"), fake.get(),
                                           QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(service.registerService(QStringLiteral("org.kde.kglobalaccel")));
    }

    QProcess daemon;
    QString address;
    QThread serviceThread;
    std::unique_ptr<FakeShortcuts> fake;
};

TEST_F(PrivateBus, KWinsClassOverviewIsAskedForThroughItsGlobalShortcuts) {
    offer({"Window Close", "ExposeClass", "Overview"});
    LinuxSystem system(client());
    EXPECT_TRUE(system.hasWindowOverview());
    system.showWindowOverview();
    EXPECT_TRUE(waitForEvents([&] { return fake->exposed == 1; }, patience));
    EXPECT_EQ(fake->others, 0);
}

TEST_F(PrivateBus, WithoutTheServiceOrItsShortcutThereIsNoOverview) {
    LinuxSystem nothing(client());
    EXPECT_FALSE(nothing.hasWindowOverview());
    nothing.showWindowOverview();  // does nothing, and does not wait

    offer({"Window Close", "Overview"});
    LinuxSystem other(client());
    EXPECT_FALSE(other.hasWindowOverview()) << "a KWin without the class overview";
    other.showWindowOverview();
    waitForEvents([] { return false; }, 200);
    EXPECT_EQ(fake->exposed + fake->others, 0) << "nothing invoked";
}

TEST(LinuxSystemWithoutBus, NoSessionBusMeansNoOverview) {
    LinuxSystem system(QDBusConnection(QStringLiteral("never-connected")));
    EXPECT_FALSE(system.hasWindowOverview());
    system.showWindowOverview();
    system.beep();  // the display's bell; nothing to see, and it must not fail
}

// A picture of the screen freed at one opening is in the heap for the next, which then takes no
// page faults for it; handed back to the kernel at once, every page of it would fault again.
TEST(LinuxSystemWithoutBus, LargeFreedBlocksAreTakenAgainWithoutFaults) {
#if defined(__SANITIZE_ADDRESS__) || !defined(__GLIBC__)
    GTEST_SKIP() << "the heap is not glibc's own here";
#else
    LinuxSystem system(QDBusConnection(QStringLiteral("never-connected")));
    constexpr size_t bytes = 8 << 20;  // a 1440 × 900 screen is 5 MB, 4K 33 MB
    const auto faults = [] {
        rusage usage{};
        getrusage(RUSAGE_THREAD, &usage);
        return usage.ru_minflt;
    };
    // Through a volatile pointer: a store into a block about to be freed may be left out.
    const auto touch = [](void* block) {
        auto* bytesOf = static_cast<volatile char*>(block);
        for (size_t i = 0; i < bytes; i += 4096) bytesOf[i] = 1;
    };
    void* first = std::malloc(bytes);
    ASSERT_NE(first, nullptr);
    touch(first);
    std::free(first);
    const long before = faults();
    void* second = std::malloc(bytes);
    ASSERT_NE(second, nullptr);
    touch(second);
    const long taken = faults() - before;
    std::free(second);
    EXPECT_LT(taken, long(bytes / 4096 / 10)) << "the freed block's pages came from the kernel";
    system.relieveMemory();
#endif
}

}  // namespace
}  // namespace tandri

#include "linuxsystem_test.moc"
