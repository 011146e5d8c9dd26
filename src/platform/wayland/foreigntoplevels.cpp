// SPDX-License-Identifier: MIT
#include "platform/wayland/foreigntoplevels.h"

#include <algorithm>
#include <cstring>

#include "platform/wayland/waylandconnection.h"

#include <wayland-client.h>
#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

namespace tandri::wayland {

// What the compositor said of one window since it last said "done".
struct ForeignToplevels::Handle {
    ForeignToplevels* owner = nullptr;
    zwlr_foreign_toplevel_handle_v1* proxy = nullptr;
    Toplevel pending;
    bool wasActivated = false;
};

ForeignToplevels::ForeignToplevels(WaylandConnection& connection) : connection_(connection) {
    seat_ = reinterpret_cast<wl_seat*>(connection.bind(&wl_seat_interface, 1));
    manager_ = reinterpret_cast<zwlr_foreign_toplevel_manager_v1*>(
        connection.bind(&zwlr_foreign_toplevel_manager_v1_interface, 3));
    if (!manager_)
        return;
    static const zwlr_foreign_toplevel_manager_v1_listener listener = {onManagerToplevel,
                                                                       onManagerFinished};
    zwlr_foreign_toplevel_manager_v1_add_listener(manager_, &listener, this);
    // The windows that exist now arrive at once; the listing is whole from the start.
    connection.roundtrip();
}

ForeignToplevels::~ForeignToplevels() {
    for (auto& [proxy, handle] : handles_) zwlr_foreign_toplevel_handle_v1_destroy(proxy);
    if (manager_)
        zwlr_foreign_toplevel_manager_v1_destroy(manager_);
    if (seat_)
        wl_seat_destroy(seat_);
    connection_.flush();
}

void ForeignToplevels::onManagerToplevel(void* data, zwlr_foreign_toplevel_manager_v1*,
                                         zwlr_foreign_toplevel_handle_v1* proxy) {
    auto* self = static_cast<ForeignToplevels*>(data);
    auto added = std::make_unique<Handle>();
    added->owner = self;
    added->proxy = proxy;
    added->pending.id = self->nextID_++;
    static const zwlr_foreign_toplevel_handle_v1_listener handleListener = {
        [](void* data, zwlr_foreign_toplevel_handle_v1*, const char* title) {
            (*static_cast<Handle*>(data)).pending.title = QString::fromUtf8(title);
        },
        [](void* data, zwlr_foreign_toplevel_handle_v1*, const char* appID) {
            (*static_cast<Handle*>(data)).pending.appID = QString::fromUtf8(appID);
        },
        [](void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {},
        [](void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {},
        [](void* data, zwlr_foreign_toplevel_handle_v1*, wl_array* states) {
            Toplevel& pending = (*static_cast<Handle*>(data)).pending;
            pending.minimized = pending.activated = false;
            // An array of 32-bit state values; a compositor may send ones this program never heard
            // of.
            const auto* values = static_cast<const uint32_t*>(states->data);
            for (std::size_t i = 0; i < states->size / sizeof(uint32_t); ++i) {
                if (values[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_MINIMIZED)
                    pending.minimized = true;
                else if (values[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED)
                    pending.activated = true;
            }
        },
        [](void* data, zwlr_foreign_toplevel_handle_v1*) {
            Handle& self = (*static_cast<Handle*>(data));
            self.owner->publish(self);
        },
        [](void* data, zwlr_foreign_toplevel_handle_v1*) {
            Handle& self = (*static_cast<Handle*>(data));
            self.owner->forget(self);
        },
        [](void*, zwlr_foreign_toplevel_handle_v1*, zwlr_foreign_toplevel_handle_v1*) {},
    };
    zwlr_foreign_toplevel_handle_v1_add_listener(proxy, &handleListener, added.get());
    self->handles_.emplace(proxy, std::move(added));
}

void ForeignToplevels::onManagerFinished(void* data, zwlr_foreign_toplevel_manager_v1*) {
    // The compositor will say nothing more; the windows known stay until they close.
    auto* self = static_cast<ForeignToplevels*>(data);
    zwlr_foreign_toplevel_manager_v1_destroy(self->manager_);
    self->manager_ = nullptr;
}

bool ForeignToplevels::available() const {
    return manager_ != nullptr && seat_ != nullptr;
}

void ForeignToplevels::publish(Handle& handle) {
    Toplevel toplevel = handle.pending;
    toplevel.pid = pidOf(toplevel.appID);
    handle.pending.pid = toplevel.pid;
    const bool activatedNow = toplevel.activated && !handle.wasActivated;
    handle.wasActivated = toplevel.activated;
    if (activatedNow)
        ++activations_;
    {
        std::lock_guard lock(mutex_);
        auto& entry = published_[toplevel.id];
        entry.first = toplevel;
        if (activatedNow)
            entry.second = activations_;
    }
    if (changed)
        changed();
}

void ForeignToplevels::forget(Handle& handle) {
    {
        std::lock_guard lock(mutex_);
        published_.erase(handle.pending.id);
    }
    zwlr_foreign_toplevel_handle_v1* proxy = handle.proxy;
    zwlr_foreign_toplevel_handle_v1_destroy(proxy);
    handles_.erase(proxy);  // `handle` is gone from here on
    if (changed)
        changed();
}

std::vector<ForeignToplevels::Toplevel> ForeignToplevels::list() const {
    std::vector<std::pair<Toplevel, quint64>> all;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [id, entry] : published_) all.push_back(entry);
    }
    std::stable_sort(all.begin(), all.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    std::vector<Toplevel> result;
    result.reserve(all.size());
    for (auto& [toplevel, activated] : all) result.push_back(std::move(toplevel));
    return result;
}

std::optional<ForeignToplevels::Toplevel> ForeignToplevels::find(quint32 id) const {
    std::lock_guard lock(mutex_);
    const auto found = published_.find(id);
    if (found == published_.end())
        return std::nullopt;
    return found->second.first;
}

qint32 ForeignToplevels::pidOf(const QString& appID) const {
    std::lock_guard lock(mutex_);
    const auto found = pids_.find(appID);
    if (found != pids_.end())
        return found->second;
    const qint32 pid = firstAppPID + qint32(pids_.size());
    pids_.emplace(appID, pid);
    return pid;
}

zwlr_foreign_toplevel_handle_v1* ForeignToplevels::handleOf(quint32 id) const {
    for (const auto& [proxy, handle] : handles_) {
        if (handle->pending.id == id)
            return proxy;
    }
    return nullptr;
}

void ForeignToplevels::activate(quint32 id) {
    auto* proxy = handleOf(id);
    if (!proxy || !seat_)
        return;
    zwlr_foreign_toplevel_handle_v1_unset_minimized(proxy);
    zwlr_foreign_toplevel_handle_v1_activate(proxy, seat_);
    connection_.flush();
}

void ForeignToplevels::setMinimized(quint32 id, bool minimized) {
    auto* proxy = handleOf(id);
    if (!proxy)
        return;
    if (minimized)
        zwlr_foreign_toplevel_handle_v1_set_minimized(proxy);
    else
        zwlr_foreign_toplevel_handle_v1_unset_minimized(proxy);
    connection_.flush();
}

void ForeignToplevels::close(quint32 id) {
    if (auto* proxy = handleOf(id)) {
        zwlr_foreign_toplevel_handle_v1_close(proxy);
        connection_.flush();
    }
}

}  // namespace tandri::wayland
