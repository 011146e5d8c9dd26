// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QString>
#include <QUrl>
#include <optional>

#include "catalogue/docktile.h"
#include "platform/runningapp.h"

namespace tandri {

class Workspace;

/// One entry on the ring: an app (running or not), a folder, the Trash or the overflow entry.
/// A plain value; entries are compared by a chosen field, never as a whole.
struct RingApp {
    enum class Kind { More, App, Folder, Trash };

    Kind kind = Kind::App;
    /// The payload of the overflow entry: how many apps it stands for.
    int moreApps = 0;
    QString name;
    /// Null when absent (the overflow entry).
    QImage icon;
    std::optional<QString> bundleID;
    /// The app bundle, folder or Trash folder.
    std::optional<QUrl> url;
    std::optional<RunningApp> running;
    /// Stands in for `running` in staged sample rings.
    std::optional<qint32> stagedPID;

    std::optional<qint32> pid() const;
    bool isRunning() const { return running.has_value() || stagedPID.has_value(); }
    std::optional<int> moreCount() const;
    bool isApp() const { return kind == Kind::App; }

    static RingApp fromRunning(const RunningApp& app);
    static RingApp fromPinned(Workspace& workspace, const AppSource::DockTile& tile);
    static RingApp fromFolder(Workspace& workspace, const QUrl& url);
    static RingApp trash(Workspace& workspace);
    static RingApp staged(Workspace& workspace, const QUrl& bundle, std::optional<qint32> pid);
    static RingApp more(int count);
};

}  // namespace tandri
