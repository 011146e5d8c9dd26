// SPDX-License-Identifier: MIT
#pragma once

#include <QUrl>
#include <vector>

#include "platform/overlay.h"

namespace tandri {

struct Platform;

/// What dropping files on the ring at the pointer would do, and doing it.
class DropTarget {
public:
    enum class Kind { OpenWith, MoveInto, Trash };

    /// Open the dropped files with the app at `app`.
    static DropTarget openWith(QUrl app) { return {Kind::OpenWith, std::move(app)}; }
    /// Put the dropped files into `folder`.
    static DropTarget moveInto(QUrl folder) { return {Kind::MoveInto, std::move(folder)}; }
    static DropTarget trash() { return {Kind::Trash, {}}; }

    Kind kind() const { return kind_; }
    /// The app or folder; empty for the Trash.
    const QUrl& url() const { return url_; }
    bool operator==(const DropTarget&) const = default;

    /// What the pointer shows while files hover over this target.
    DragOperation dragOperation() const;
    /// Carries out the drop of `urls`, synchronously. A failure with one item beeps once and
    /// goes on with the next.
    void perform(Platform& platform, const std::vector<QUrl>& urls) const;
    /// Moves `item` into `folder` (copies it when they lie on different volumes) under a name
    /// that is free there; beeps when that fails.
    static void place(Platform& platform, const QUrl& item, const QUrl& folder);
    /// The first free name for `fileName` in `folder`: the name itself, then "Report 2.pdf",
    /// "Report 3.pdf" and so on.
    static QString freeName(Platform& platform, const QString& folder, const QString& fileName);

private:
    DropTarget(Kind kind, QUrl url) : kind_(kind), url_(std::move(url)) {}

    Kind kind_;
    QUrl url_;
};

}  // namespace tandri
