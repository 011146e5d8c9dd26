// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QString>
#include <QUrl>
#include <optional>

namespace tandri {

/// A snapshot of one running application as the workspace reported it.
struct RunningApp {
    /// The ordinary kind of app, with a Dock icon and a menu bar.
    static constexpr int regularPolicy = 0;
    static constexpr int accessoryPolicy = 1;

    qint32 pid = 0;
    std::optional<QString> localizedName;
    QImage icon;
    std::optional<QString> bundleID;
    std::optional<QUrl> bundleURL;
    /// Seconds on the workspace's own scale; absent when unknown.
    std::optional<double> launchDate;
    bool hidden = false;
    int activationPolicy = regularPolicy;
    bool terminated = false;
};

}  // namespace tandri
