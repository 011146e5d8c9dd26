// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <memory>

#include "platform/notifications.h"
#include "platform/platform.h"
#include "platform/preferences.h"
#include "platform/sim/manualqueues.h"
#include "platform/sim/simdesktop.h"
#include "platform/sim/virtualclock.h"
#include "support/qtprinters.h"

namespace tandri {
class JsonPreferences;
class LocalFiles;
class LoginItems;
class NotificationCenter;
class SignalQuitRequests;
class Vocabulary;
}  // namespace tandri

namespace tandri::test {

/// The fixture most tests run on: a simulated desktop, a virtual clock, queues that run only when
/// told, the real preference store in a temporary configuration folder, and a scratch folder for
/// files. Nothing outside the temporary folders is touched.
/// The services to put in place of a platform's own; null keeps its own.
struct ServiceOverrides {
    Files* files = nullptr;
    Workspace* workspace = nullptr;
    System* system = nullptr;
    Vocabulary* vocabulary = nullptr;
    LoginItems* loginItems = nullptr;
};
/// `base` with the services of `with` in place of its own.
Platform replacing(const Platform& base, const ServiceOverrides& with);

class TestDesktop {
public:
    /// Loads the desktop description; a description that does not load fails the test and leaves
    /// an empty desktop.
    explicit TestDesktop(const QByteArray& desktopJson = "{}");
    ~TestDesktop();
    TestDesktop(const TestDesktop&) = delete;
    TestDesktop& operator=(const TestDesktop&) = delete;

    Platform& platform();
    sim::SimDesktop& sim();
    sim::VirtualClock& clock();
    sim::ManualQueues& queues();
    Preferences& preferences();
    Notifications& notifications();

    /// The temporary configuration folder; the preference store lives in its tandri/defaults.
    QString configDir() const;
    /// The absolute path of `relative` inside a temporary scratch folder.
    QString path(const QString& relative) const;
    /// Creates the folder (and its parents) in the scratch folder; returns its absolute path.
    QString makeFolder(const QString& relative);
    /// Creates the file (and its parent folders) in the scratch folder; returns its absolute path.
    QString makeFile(const QString& relative, const QByteArray& contents = {});

private:
    QTemporaryDir config_;
    QTemporaryDir scratch_;
    std::unique_ptr<NotificationCenter> notifications_;
    std::unique_ptr<JsonPreferences> preferences_;
    std::unique_ptr<sim::VirtualClock> clock_;
    std::unique_ptr<sim::ManualQueues> queues_;
    std::unique_ptr<LocalFiles> files_;
    std::unique_ptr<SignalQuitRequests> quitRequests_;
    std::unique_ptr<sim::SimDesktop> sim_;
    std::unique_ptr<Platform> platform_;
};

}  // namespace tandri::test
