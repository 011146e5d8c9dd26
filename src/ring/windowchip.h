// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QRectF>
#include <QString>
#include <QUrl>
#include <optional>
#include <variant>
#include <vector>

#include "catalogue/ringapp.h"
#include "windows/windowinfo.h"
#include "windows/windowtable.h"

namespace tandri {

class Workspace;

/// One chip beside an entry: a window, a folder item, an overflow app, a "more" chip or the
/// permission prompt.
struct WindowChip {
    struct Window {
        WindowInfo info;
    };
    /// Stands for that many chips that did not fit.
    struct More {
        int count = 0;
    };
    struct App {
        RingApp app;
    };
    struct File {
        QUrl url;
    };
    /// Opens the folder itself.
    struct Reveal {
        QUrl url;
        /// The user's file manager, as the chip names it.
        QString fileManager;
    };
    struct AllowAccess {};
    using Kind = std::variant<Window, More, App, File, Reveal, AllowAccess>;

    explicit WindowChip(Kind kind, QRectF frame = {}, double angle = 0, double halfSpan = 0)
        : kind(std::move(kind)), frame(frame), angle(angle), halfSpan(halfSpan) {}

    Kind kind;
    /// View coordinates, y up; set by placement.
    QRectF frame;
    /// Direction of the chip's centre on the outer arc.
    double angle = 0;
    /// Half the angular width the chip takes on the arc.
    double halfSpan = 0;

    QString title() const;
    bool isMinimized() const;
    /// The chip's own icon (files, folders, overflow apps); null for the others.
    QImage icon(Workspace& workspace) const;

    /// The window chips of one process; absent when it has fewer than two windows.
    static std::optional<std::vector<WindowChip>> chips(qint32 pid, const WindowTable& windows,
                                                        const WindowCounts& counts, bool trusted);
};

}  // namespace tandri
