// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

struct wl_seat;
struct zwlr_foreign_toplevel_handle_v1;
struct zwlr_foreign_toplevel_manager_v1;

namespace tandri::wayland {

class WaylandConnection;

/// The compositor's windows of every program, through the foreign-toplevel protocol
/// (zwlr_foreign_toplevel_manager_v1): title, app id and state as the compositor last told them
/// whole, and the requests to activate, minimize and close them. The protocol names no process,
/// so an app is its app id: each one gets a made-up process number, the same for as long as the
/// program runs and never one of a real process. The listing is safe on any thread; requests
/// and events happen on the main thread.
class ForeignToplevels {
public:
    /// One window, as of the compositor's last complete description of it.
    struct Toplevel {
        /// This program's number for it, unique for the life of the process.
        quint32 id = 0;
        QString title;
        QString appID;
        /// The made-up process number of its app id.
        qint32 pid = 0;
        bool minimized = false;
        bool activated = false;
        bool operator==(const Toplevel&) const = default;
    };

    /// The smallest made-up process number; real ones stay below it.
    static constexpr qint32 firstAppPID = 0x40000000;

    /// Binds the manager and a seat; without them `available` is false and the list stays empty.
    explicit ForeignToplevels(WaylandConnection& connection);
    ~ForeignToplevels();
    ForeignToplevels(const ForeignToplevels&) = delete;
    ForeignToplevels& operator=(const ForeignToplevels&) = delete;

    bool available() const;
    /// Every window, the one activated last first, then the others front to back as far as the
    /// compositor has said (most recently activated first), then those never activated in the
    /// order they appeared.
    std::vector<Toplevel> list() const;
    std::optional<Toplevel> find(quint32 id) const;
    /// The made-up process number of an app id, given out on first use.
    qint32 pidOf(const QString& appID) const;

    /// Brings the window to the front with the keyboard focus, un-minimizing it.
    void activate(quint32 id);
    void setMinimized(quint32 id, bool minimized);
    /// Asks the program to close the window; it may ask the user first.
    void close(quint32 id);
    /// Runs on the main thread after every complete change of the list.
    std::function<void()> changed;

private:
    struct Handle;
    static void onManagerToplevel(void* data, zwlr_foreign_toplevel_manager_v1*,
                                  zwlr_foreign_toplevel_handle_v1* proxy);
    static void onManagerFinished(void* data, zwlr_foreign_toplevel_manager_v1*);
    void publish(Handle& handle);
    void forget(Handle& handle);
    zwlr_foreign_toplevel_handle_v1* handleOf(quint32 id) const;

    WaylandConnection& connection_;
    zwlr_foreign_toplevel_manager_v1* manager_ = nullptr;
    wl_seat* seat_ = nullptr;
    // Main thread only: the handles the compositor announced, with what they said so far.
    std::map<zwlr_foreign_toplevel_handle_v1*, std::unique_ptr<Handle>> handles_;
    quint32 nextID_ = 1;
    quint64 activations_ = 0;
    // The published list and the app ids' numbers, read from any thread.
    mutable std::mutex mutex_;
    std::map<quint32, std::pair<Toplevel, quint64>> published_;  // with the time last activated
    mutable std::map<QString, qint32> pids_;
};

}  // namespace tandri::wayland
