// SPDX-License-Identifier: MIT
#include "platform/common/linuxsystem.h"

#include <syslog.h>

#include <QApplication>
#include <QDBusMessage>
#include <QProcess>
#include <QStringList>
#include <QTextStream>
#include <cstdio>
#include <cstdlib>  // defines __GLIBC__ where it applies

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "platform/common/procmemory.h"

namespace tandri {

namespace {

const QString overviewShortcut = QStringLiteral("ExposeClass");
// An answer that takes longer than this is no overview the user is waiting for.
constexpr int timeoutMs = 200;

QDBusMessage kwinShortcuts(const QString& method) {
    QDBusMessage message = QDBusMessage::createMethodCall(
        QStringLiteral("org.kde.kglobalaccel"), QStringLiteral("/component/kwin"),
        QStringLiteral("org.kde.kglobalaccel.Component"), method);
    // Started on demand it would be a service without the window manager behind it.
    message.setAutoStartService(false);
    return message;
}

// Large blocks (a picture of the screen, a frame) freed during a session are kept for the next
// one: handed back at once, each page of them costs a fault when the next opening takes them
// again, and on some virtual machines that is most of an opening. `relieveMemory` returns them
// once the program is at rest. One heap for every thread: with an arena per thread, a frame
// drawn on a pool thread lands in whichever arena that thread holds, each arena keeps what was
// freed in it, and the program grew by several megabytes over a thousand openings.
void keepFreedMemory() {
#if defined(__GLIBC__)
    static const bool once = [] {
        mallopt(M_MMAP_THRESHOLD, int(LinuxSystem::largestHeapBlock));
        mallopt(M_TRIM_THRESHOLD, 64 << 20);
        mallopt(M_ARENA_MAX, 1);
        return true;
    }();
    (void)once;
#endif
}

// Before main, while no thread exists: a thread that has taken an arena of its own keeps it.
const bool memoryKeptAtStart = (keepFreedMemory(), true);

}  // namespace

LinuxSystem::LinuxSystem() {
    keepFreedMemory();
}

LinuxSystem::LinuxSystem(QDBusConnection bus) : bus_(std::move(bus)) {
    keepFreedMemory();
}

QDBusConnection LinuxSystem::bus() const {
    return bus_ ? *bus_ : QDBusConnection::sessionBus();
}

void LinuxSystem::relieveMemory() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

void LinuxSystem::log(const QString& line) {
    const QByteArray text = line.toUtf8();
    syslog(LOG_USER | LOG_NOTICE, "%s", text.constData());
    QTextStream(stderr) << line << '\n';
}

bool LinuxSystem::relaunchAfterQuit() {
    // A second's wait lets this copy give up its place as the one copy of the display first.
    return QProcess::startDetached(QStringLiteral("/bin/sh"),
                                   {QStringLiteral("-c"), QStringLiteral("sleep 1; exec \"$0\""),
                                    QCoreApplication::applicationFilePath()});
}

void LinuxSystem::beep() {
    QApplication::beep();
}

bool LinuxSystem::hasWindowOverview() const {
    QDBusConnection connection = bus();
    if (!connection.isConnected())
        return false;
    const QDBusMessage reply =
        connection.call(kwinShortcuts(QStringLiteral("shortcutNames")), QDBus::Block, timeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return false;
    return reply.arguments().front().toStringList().contains(overviewShortcut);
}

void LinuxSystem::showWindowOverview() {
    if (!hasWindowOverview())
        return;
    QDBusMessage message = kwinShortcuts(QStringLiteral("invokeShortcut"));
    message << overviewShortcut;
    bus().send(message);
}

std::optional<qint64> LinuxSystem::memoryFootprint() const {
    return ProcMemory::footprint();
}

std::vector<MemoryRegions> LinuxSystem::memoryRegions() const {
    return ProcMemory::regions();
}

}  // namespace tandri
