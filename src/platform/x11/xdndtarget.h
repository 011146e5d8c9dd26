// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QUrl>
#include <memory>
#include <vector>

#include "platform/clock.h"
#include "platform/overlay.h"
#include "platform/x11/x11connection.h"

namespace tandri::x11 {

/// Takes the files dragged over one window of this connection's from other programs, by the
/// drag-and-drop protocol of X (version 5), and offers them to an overlay's drag handlers: the
/// operation they answer is the one the source is told, and the dropped files go to the drop
/// handler. The dropped data arrives as an event, never waited for; a source that does not hand
/// it over in time is told the drop was refused. Main thread.
class XdndTarget {
public:
    static constexpr long version = 5;
    /// How long a drop waits for its data, in seconds.
    static constexpr double patience = 5;

    /// `handlers` belong to the caller and outlive this object; only their drag operation and
    /// drop are used.
    XdndTarget(X11Connection& connection, XID window, Clock& clock,
               const OverlayHandlers& handlers);
    ~XdndTarget();
    XdndTarget(const XdndTarget&) = delete;
    XdndTarget& operator=(const XdndTarget&) = delete;

    /// Takes the protocol's events for the window; returns whether it consumed the event.
    bool handle(_XEvent& event);

    /// The local files of a text/uri-list: one URL a line, lines starting with '#' are comments.
    static std::vector<QUrl> fileUrls(const QByteArray& uriList);

private:
    void entered(const _XEvent& event);
    void moved(const _XEvent& event);
    void left(const _XEvent& event);
    void dropped(const _XEvent& event);
    void dataArrived(const _XEvent& event);
    /// The action the handlers answer for the drag now, or 0 when they refuse it.
    XAtom action();
    /// Tells the source of the drop how it ended, and forgets the drag.
    void finish(bool accepted);
    void send(XID to, const char* type, long d1, long d2 = 0, long d3 = 0, long d4 = 0);

    X11Connection& connection_;
    XID window_;
    Clock& clock_;
    const OverlayHandlers& handlers_;
    /// The drag over the window; 0 when none.
    XID source_ = 0;
    bool offersFiles_ = false;
    /// What the last status answered: the action, 0 when it refused.
    XAtom accepted_ = 0;
    /// The drop waits for its data.
    bool dropping_ = false;
    std::unique_ptr<Timer> timeout_;
};

}  // namespace tandri::x11
