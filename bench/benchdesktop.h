// SPDX-License-Identifier: MIT
#pragma once

// A simulated desktop with 24 running apps of three windows each, and a ring controller on it.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <memory>

#include "platform/common/jsonpreferences.h"
#include "platform/common/localfiles.h"
#include "platform/common/notificationcenter.h"
#include "platform/common/signalquitrequests.h"
#include "platform/platform.h"
#include "platform/preferences.h"
#include "platform/sim/manualqueues.h"
#include "platform/sim/simdesktop.h"
#include "platform/sim/virtualclock.h"
#include "ring/ringcontroller.h"

namespace tandri::bench {

// 24 running apps with three windows each: a full ring with chips for every entry.
inline QByteArray fullDesktop() {
    QJsonArray apps;
    for (int i = 0; i < 24; ++i) {
        QJsonArray windows;
        for (int w = 0; w < 3; ++w) {
            windows.append(QJsonObject{{"title", QStringLiteral("Document %1").arg(w)},
                                       {"id", 100 + i * 3 + w}});
        }
        apps.append(QJsonObject{{"pid", 1000 + i},
                                {"name", QStringLiteral("App %1").arg(i)},
                                {"bundleID", QStringLiteral("com.example.app%1").arg(i)},
                                {"launched", double(i)},
                                {"windows", windows}});
    }
    return QJsonDocument(QJsonObject{{"apps", apps}, {"frontmost", 1000}}).toJson();
}

struct Bench {
    Bench()
        : preferences(dir.path(), notifications),
          desktop(sim::SimDesktop::fromJson(fullDesktop()).desktop),
          platform{preferences,
                   notifications,
                   clock,
                   queues,
                   files,
                   desktop->workspace(),
                   desktop->accessibility(),
                   desktop->windowList(),
                   desktop->screens(),
                   desktop->overlays(),
                   desktop->system(),
                   desktop->screenCapture(),
                   desktop->keyboard(),
                   desktop->pointerButtons(),
                   quitRequests,
                   desktop->statusItems(),
                   desktop->contextMenus(),
                   desktop->loginItems(),
                   desktop->vocabulary()},
          ring(platform, caches) {
        preferences.setValue(Preferences::appDomain, QStringLiteral("showPlaces"), false);
    }
    QPointF center() { return ring.panel().ringView().ringCenter + ring.panel().frame().topLeft(); }
    void frame() { clock.advance(RingController::frameInterval); }
    /// One frame of the selection rule, without drawing.
    void track() {
        clock.setNow(clock.now() + RingController::frameInterval);
        ring.track();
    }

    QTemporaryDir dir;
    NotificationCenter notifications;
    JsonPreferences preferences;
    sim::VirtualClock clock;
    SignalQuitRequests quitRequests;
    sim::ManualQueues queues;
    LocalFiles files;
    std::unique_ptr<sim::SimDesktop> desktop;
    Platform platform;
    RingCaches caches;
    RingController ring;
};

}  // namespace tandri::bench
