// SPDX-License-Identifier: MIT
#pragma once

#include <QColor>
#include <QImage>
#include <QPointF>
#include <optional>
#include <vector>

#include "catalogue/ringapp.h"
#include "platform/runningapp.h"
#include "ring/ringlayout.h"
#include "ring/ringscene.h"
#include "ring/windowchip.h"

namespace tandri::test {

/// A picture of one colour.
inline QImage solidImage(const QColor& color, int width = 64, int height = 64) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(color);
    return image;
}

/// `count` entries named "App 0", "App 1", … with opaque icons of one colour.
inline std::vector<RingApp> iconApps(int count, const QColor& icon = QColor(128, 128, 128)) {
    std::vector<RingApp> apps(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        apps[static_cast<size_t>(i)].name = QStringLiteral("App %1").arg(i);
        apps[static_cast<size_t>(i)].icon = solidImage(icon);
    }
    return apps;
}

/// `count` running apps named "A0", "A1", … with pids from `firstPid`.
inline std::vector<RingApp> runningApps(int count, qint32 firstPid = 500) {
    std::vector<RingApp> apps;
    for (int i = 0; i < count; ++i) {
        RunningApp running;
        running.pid = firstPid + i;
        running.localizedName = QStringLiteral("A%1").arg(i);
        apps.push_back(RingApp::fromRunning(running));
    }
    return apps;
}

/// Chips for `count` windows titled "Window 0", "Window 1", … with ids from 1.
inline std::vector<WindowChip> windowChips(int count) {
    std::vector<WindowChip> chips;
    for (int i = 0; i < count; ++i) {
        WindowInfo info;
        info.title = QStringLiteral("Window %1").arg(i);
        info.id = static_cast<quint32>(i + 1);
        chips.push_back(WindowChip{WindowChip::Window{info}});
    }
    return chips;
}

/// A scene of `apps` (which must outlive it, as `caches` must) around `center`, its arc just
/// beyond the ring.
inline RingScene sceneOf(const std::vector<RingApp>& apps, QPointF center,
                         std::optional<int> selected = std::nullopt, bool dark = true,
                         paint::Caches* caches = nullptr) {
    RingScene scene;
    scene.caches = caches;
    scene.center = center;
    scene.layout = RingLayout(static_cast<int>(apps.size()));
    scene.dark = dark;
    scene.apps = apps;
    scene.selectedApp = selected;
    scene.arcRadius = scene.layout.outerRadius() + 40;
    return scene;
}

}  // namespace tandri::test
