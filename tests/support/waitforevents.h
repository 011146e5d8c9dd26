// SPDX-License-Identifier: MIT
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <functional>

namespace tandri::test {

/// How long a test waits for what another thread, program or the window manager does: long
/// enough for a machine loaded by a parallel build. A wait that succeeds ends at once.
constexpr int patience = 20000;

/// Runs the event loop until `done` holds or `timeoutMs` pass; whether `done` held. For the few
/// tests that must wait on real threads, real timers or the file system.
inline bool waitForEvents(const std::function<bool()>& done, int timeoutMs = patience) {
    QElapsedTimer elapsed;
    elapsed.start();
    QTimer wake;  // so that waiting for events never blocks past the deadline
    wake.start(5);
    while (!done()) {
        if (elapsed.hasExpired(timeoutMs))
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}

/// Waits on a thread without an event loop until `done` holds or `timeoutMs` pass; whether `done`
/// held. A test that waits for another thread fails at the bound rather than hanging.
inline bool spinUntil(const std::function<bool()>& done, int timeoutMs = patience) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done()) {
        if (elapsed.hasExpired(timeoutMs))
            return false;
        QThread::yieldCurrentThread();
    }
    return true;
}

}  // namespace tandri::test
