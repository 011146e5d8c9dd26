// SPDX-License-Identifier: MIT
#pragma once

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QVariant>
#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "platform/notifications.h"
#include "platform/preferences.h"
#include "platform/sim/simdesktop.h"
#include "platform/sim/virtualclock.h"
#include "ring/ringcaches.h"
#include "ring/ringcontroller.h"
#include "support/ringentries.h"
#include "support/testdesktop.h"

namespace tandri::test {

/// A ring controller on a simulated desktop, driven frame by frame on the virtual clock.
class RingHarness {
public:
    explicit RingHarness(const QByteArray& desktopJson, ThumbnailSource* thumbnails = nullptr)
        : desktop(desktopJson), ring(desktop.platform(), caches, thumbnails) {
        // The catalogue's Trash entry would change the geometry the tests reason about.
        desktop.preferences().setValue(Preferences::appDomain, QStringLiteral("showPlaces"), false);
        opened = desktop.notifications().observe(
            RingController::openedNotification, [this](const QVariant& object) {
                events.push_back(object.toBool() ? "sticky" : "opened");
            });
        picked = desktop.notifications().observe(
            RingController::pickedNotification,
            [this](const QVariant&) { events.push_back("picked"); });
    }

    /// Fixed entries instead of the catalogue's.
    void useEntries(std::vector<RingApp> apps, std::vector<RingApp> places = {}) {
        ring.contents = [apps = std::move(apps), places = std::move(places)] {
            return AppSource::Contents{apps, places};
        };
    }

    /// Opens the ring with the trigger held, or tapped open.
    void open(bool held) { held ? ring.triggerDown() : ring.openSticky(); }
    /// Moves the pointer to screen point `p` and runs one frame.
    void moveTo(QPointF p) {
        desktop.sim().setMouseLocation(p);
        frame();
    }
    /// Moves the pointer `distance` points from the ring's centre toward `degrees`, one frame.
    void moveFromCenter(double distance, double degrees) {
        const double a = degrees * M_PI / 180;
        moveTo(center() + distance * QPointF(std::cos(a), std::sin(a)));
    }
    void frame(int count = 1) {
        for (int i = 0; i < count; ++i) desktop.clock().advance(RingController::frameInterval);
    }
    /// The ring's centre in screen points.
    QPointF center() { return ring.panel().ringView().ringCenter + ring.panel().frame().topLeft(); }
    RingView& view() { return ring.panel().ringView(); }
    /// Runs pending background loads and their completions.
    void load() { desktop.queues().drain(); }

    /// Whether the simulated desktop was asked to do `action`.
    bool logged(const QString& action) {
        const auto actions = desktop.sim().actions();
        return std::find(actions.begin(), actions.end(), action) != actions.end();
    }
    /// After moving the pointer to screen point `p` and a frame: the aimed entry and the entry
    /// whose chips show, -1 for none; no chip is aimed at.
    std::pair<int, int> aimAt(QPointF p) {
        moveTo(p);
        EXPECT_FALSE(ring.selection() && ring.selection()->chip);
        return {selectedApp().value_or(-1), ring.expandedApp().value_or(-1)};
    }
    std::pair<int, int> aimAt(double distance, double degrees) {
        const double a = degrees * M_PI / 180;
        return aimAt(center() + distance * QPointF(std::cos(a), std::sin(a)));
    }
    std::optional<int> selectedApp() {
        return ring.selection() ? std::optional<int>(ring.selection()->app) : std::nullopt;
    }

    TestDesktop desktop;
    RingCaches caches;
    RingController ring;
    std::vector<QString> events;

private:
    std::unique_ptr<Observation> opened;
    std::unique_ptr<Observation> picked;
};

/// A desktop description with `count` running apps (pids from 101), each with `windows` windows.
inline QByteArray desktopWithApps(int count, int windows = 1, const QString& extra = {}) {
    QJsonArray apps;
    for (int i = 0; i < count; ++i) {
        QJsonArray list;
        for (int w = 0; w < windows; ++w) {
            list.append(QJsonObject{{"title", QStringLiteral("Window %1.%2").arg(i).arg(w)},
                                    {"id", 1000 + i * 10 + w}});
        }
        apps.append(QJsonObject{{"pid", 101 + i},
                                {"name", QStringLiteral("App %1").arg(i)},
                                {"bundleID", QStringLiteral("com.example.app%1").arg(i)},
                                {"launched", 10.0 + i},
                                {"windows", list}});
    }
    QJsonObject root{{"screens", QJsonArray{QJsonObject{{"frame", QJsonArray{0, 0, 1440, 900}}}}},
                     {"pointer", QJsonArray{720, 450}},
                     {"frontmost", 101},
                     {"apps", apps}};
    if (!extra.isEmpty()) {
        const QJsonObject more = QJsonDocument::fromJson(extra.toUtf8()).object();
        for (auto it = more.begin(); it != more.end(); ++it) root[it.key()] = it.value();
    }
    return QJsonDocument(root).toJson();
}

}  // namespace tandri::test
