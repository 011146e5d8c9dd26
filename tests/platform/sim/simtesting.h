// SPDX-License-Identifier: MIT
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "platform/accessibility.h"
#include "platform/runningapp.h"
#include "platform/sim/simdesktop.h"
#include "platform/windowlist.h"
#include "support/qtprinters.h"

namespace tandri::sim::testing {

/// Loads a desktop that must load.
inline std::unique_ptr<SimDesktop> load(const QByteArray& json) {
    auto result = SimDesktop::fromJson(json, QStringLiteral("test"));
    EXPECT_EQ(result.error, "");
    if (!result.desktop)
        result = SimDesktop::fromJson("{}");
    return std::move(result.desktop);
}

/// The error text of a desktop that must not load.
inline std::string loadError(const QByteArray& json) {
    auto result = SimDesktop::fromJson(json, QStringLiteral("test"));
    EXPECT_EQ(result.desktop, nullptr);
    return result.error.toStdString();
}

// The fields that are set, as one line each describe() below compares in one go.
template <typename T>
std::string field(const char* name, const std::optional<T>& value) {
    if (!value)
        return {};
    if constexpr (std::is_same_v<T, QString>)
        return std::string(" ") + name + " " + value->toStdString();
    else if constexpr (std::is_same_v<T, QUrl>)
        return std::string(" ") + name + " " + value->toString().toStdString();
    else if constexpr (std::is_same_v<T, QRectF>)
        return std::string(" ") + name + " " + std::to_string(int(value->x())) + "," +
               std::to_string(int(value->y())) + " " + std::to_string(int(value->width())) + "x" +
               std::to_string(int(value->height()));
    else
        return std::string(" ") + name + " " + QString::number(*value).toStdString();
}

/// "pid 7 name Mail bundle com.example.mail url file:///… launched 120.5 hidden accessory".
inline std::string describe(const RunningApp& app) {
    return "pid " + std::to_string(app.pid) + field("name", app.localizedName) +
           field("bundle", app.bundleID) + field("url", app.bundleURL) +
           field("launched", app.launchDate) + (app.hidden ? " hidden" : "") +
           (app.activationPolicy == RunningApp::accessoryPolicy ? " accessory" : "") +
           (app.terminated ? " terminated" : "");
}

/// "title Inbox subrole AXStandardWindow minimized 0 id 7 main 1" of an app's window.
inline std::string describe(const AXWindow& window) {
    return "pid " + std::to_string(window.element.pid) + field("title", window.title) +
           field("subrole", window.subrole) + field("minimized", window.minimized) +
           field("id", window.windowID) + field("main", window.main);
}

/// "id 7 pid 1 layer 3 at 10,20 300x200 alpha 0.5" of a window on screen.
inline std::string describe(const ServerWindow& window) {
    return "id" + (window.windowID ? " " + std::to_string(*window.windowID) : " none") +
           field("pid", window.ownerPID) + field("layer", window.layer) +
           field("at", window.bounds) + field("alpha", window.alpha);
}

template <typename T>
std::vector<std::string> describe(const std::vector<T>& items) {
    std::vector<std::string> lines;
    for (const T& item : items) lines.push_back(describe(item));
    return lines;
}

template <typename T>
std::vector<std::string> describe(const std::optional<std::vector<T>>& items) {
    return items ? describe(*items) : std::vector<std::string>{"not available"};
}

}  // namespace tandri::sim::testing
