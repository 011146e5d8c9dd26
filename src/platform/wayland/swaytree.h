// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QRect>
#include <QString>
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/common/filedescriptor.h"
#include "platform/wayland/foreigntoplevels.h"

class QSocketNotifier;

namespace tandri::wayland {

/// sway's windows as its IPC describes them (`get_tree`): where each lies, on which output,
/// whether it shows, and its process, which no Wayland protocol tells. The tree is asked for
/// again whenever sway reports a change of a window or a workspace, over a socket that the main
/// thread's event loop watches, so reading the latest one never waits. Reading is safe on any
/// thread; the rest happens on the main thread.
class SwayTree {
public:
    /// One window of the tree.
    struct Window {
        qint64 id = 0;
        QString appID;
        QString title;
        qint32 pid = 0;
        /// Its contents without decorations, in the compositor's space (logical pixels).
        QRect rect;
        QString output;
        /// The output's top-left in the compositor's space.
        QPoint outputOrigin;
        /// On a workspace shown now and not hidden behind a tab or a full-screen window.
        bool visible = false;
        bool operator==(const Window&) const = default;
    };

    /// The windows of a `get_tree` answer, depth first; none for text that is no tree.
    static std::vector<Window> parse(const QByteArray& json);
    /// Which window of the tree each toplevel is, by its id. An app id and title that only one
    /// window has decide; where several windows share an app id, the toplevels and the windows
    /// of that id pair off in the order they appeared (sway numbers its windows as they map,
    /// in the order it announces them as toplevels), provided that they are as many and their
    /// titles agree. A toplevel left without a match has none.
    static std::map<quint32, Window> match(const std::vector<ForeignToplevels::Toplevel>& toplevels,
                                           const std::vector<Window>& windows);

    /// Connects to sway's socket and reads the tree once; `connected` says whether it could.
    explicit SwayTree(const QString& socket);
    ~SwayTree();
    SwayTree(const SwayTree&) = delete;
    SwayTree& operator=(const SwayTree&) = delete;

    bool connected() const;
    /// The tree as last read.
    std::vector<Window> windows() const;
    /// Asks for the tree again; the answer replaces it when it comes.
    void refresh();

private:
    void readable();
    void send(quint32 type, const QByteArray& payload = {});
    void disconnect();

    FileDescriptor socket_;
    // Read by captures on other threads.
    std::atomic<bool> connected_ = false;
    std::unique_ptr<QSocketNotifier> notifier_;
    QByteArray received_;
    bool asking_ = false;
    bool askAgain_ = false;
    mutable std::mutex mutex_;
    std::vector<Window> windows_;
};

}  // namespace tandri::wayland
