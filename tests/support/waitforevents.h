#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <functional>

namespace tandri::test {

/// Runs the event loop until `done` holds or `timeoutMs` pass; whether `done` held. For the few
/// tests that must wait on real threads, real timers or the file system.
inline bool waitForEvents(const std::function<bool()>& done, int timeoutMs = 5000) {
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

}  // namespace tandri::test
