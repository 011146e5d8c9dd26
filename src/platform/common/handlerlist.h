// SPDX-License-Identifier: MIT
#pragma once

#include <map>
#include <vector>

namespace tandri {

/// Callbacks registered under ids, called in order of registering. A callback may register or
/// remove callbacks, its own included, while it runs. Not thread-safe.
template <typename Handler>
class HandlerList {
public:
    int add(Handler handler) {
        const int id = nextID_++;
        handlers_.emplace(id, std::move(handler));
        return id;
    }
    void remove(int id) { handlers_.erase(id); }
    bool empty() const { return handlers_.empty(); }
    int size() const { return int(handlers_.size()); }

    /// Hands each callback that is still registered when its turn comes to `call`, until `call`
    /// returns true; whether it did. Callbacks registered meanwhile wait for the next time.
    template <typename Call>
    bool each(Call call) {
        std::vector<int> ids;
        ids.reserve(handlers_.size());
        for (const auto& entry : handlers_) ids.push_back(entry.first);
        for (int id : ids) {
            auto it = handlers_.find(id);
            if (it == handlers_.end())
                continue;
            Handler handler = it->second;  // a copy: the callback may remove itself
            if (handler && call(handler))
                return true;
        }
        return false;
    }

private:
    int nextID_ = 0;
    std::map<int, Handler> handlers_;
};

}  // namespace tandri
