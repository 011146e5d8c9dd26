// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <vector>

#include "platform/x11/x11accessibility.h"

struct xcb_connection_t;

namespace tandri::x11 {

/// The window manager's clients and what each says about itself, kept between listings on an XCB
/// connection of its own. A client's properties are read when it first appears and again only
/// after it announces a change (PropertyNotify), so a listing asks the server one question when
/// nothing changed, and the properties of every new or changed client in one batch otherwise:
/// its cost does not grow with the number of windows. Any thread, under a mutex.
class X11Clients {
public:
    using Client = X11Accessibility::Client;

    /// The clients as the window manager lists them now.
    struct Listing {
        /// Front to back (`_NET_CLIENT_LIST_STACKING`), or in mapping order without a stacking.
        std::vector<Client> clients;
        /// `_NET_CLIENT_LIST`: the order the clients were mapped in.
        std::vector<XID> mapped;
        /// Whether a window manager lists its clients at all.
        bool managed = false;
        /// Absent without desktops: every client is then on the current one.
        std::optional<unsigned long> currentDesktop;
        /// Those on the current desktop (sticky ones and those naming none included), then the
        /// others, each part front to back.
        std::vector<Client> hereFirst() const;
    };

    /// What was asked of the server since the connection opened.
    struct Traffic {
        std::uint64_t requests = 0;
        /// Times a listing waited for the server to answer.
        std::uint64_t roundTrips = 0;
    };

    /// A connection to the server `like` talks to (or $DISPLAY); null when there is none.
    static std::unique_ptr<X11Clients> open(XDisplay* like);
    ~X11Clients();
    X11Clients(const X11Clients&) = delete;
    X11Clients& operator=(const X11Clients&) = delete;

    /// Absent when the server cannot be asked.
    std::optional<Listing> list();
    /// What these windows, managed or not, say now, read afresh in one batch; absent for those
    /// that are gone.
    std::vector<std::optional<Client>> read(const std::vector<XID>& windows);
    /// Runs `use` with the connection, for batches of other questions.
    template <typename Use>
    auto withConnection(Use&& use) {
        std::lock_guard lock(mutex_);
        return use(connection_);
    }
    /// Counts `count` requests and one round trip made through withConnection.
    void countBatch(std::uint64_t count);
    Traffic traffic() const;

private:
    struct Atoms;
    explicit X11Clients(xcb_connection_t* connection);
    // These expect the mutex to be held.
    std::vector<std::optional<Client>> readAll(const std::vector<XID>& windows);
    void takeEvents(bool readSocket);
    QString text(const void* data);

    xcb_connection_t* connection_;
    std::unique_ptr<Atoms> atoms_;
    mutable std::mutex mutex_;
    std::map<XID, Client> known_;
    std::set<XID> changed_;
    Traffic traffic_;
    // Drains the events between listings, so that they never pile up at the server.
    std::unique_ptr<QObject> notifier_;
    // For the rare title in COMPOUND_TEXT, which only Xlib decodes; opened when first needed.
    DisplayPtr decoder_;
    QByteArray displayName_;
};

}  // namespace tandri::x11
