// SPDX-License-Identifier: MIT
#pragma once

#include <QtGlobal>
#include <algorithm>
#include <cstddef>
#include <functional>
#include <limits>
#include <unordered_map>
#include <utility>

namespace tandri::paint {

/// Values kept by key, bounded in number and in bytes; the least recently used go first. Not
/// guarded: one thread uses it at a time.
template <typename Key, typename Value, typename Hash = std::hash<Key>>
class LruCache {
public:
    explicit LruCache(size_t capacity, qint64 maxBytes = std::numeric_limits<qint64>::max())
        : capacity_(std::max<size_t>(capacity, 1)), maxBytes_(maxBytes) {}

    /// The value kept for `key`, now the most recently used; null when there is none.
    Value* find(const Key& key) {
        const auto found = slots_.find(key);
        if (found == slots_.end())
            return nullptr;
        found->second.lastUse = ++clock_;
        return &found->second.value;
    }

    /// Keeps `value`, which holds `bytes` of memory, for `key` in place of what was kept for it,
    /// letting go of the least recently used values first until it fits.
    Value& insert(const Key& key, Value value, qint64 bytes = 0) {
        if (const auto old = slots_.find(key); old != slots_.end()) {
            bytes_ -= old->second.bytes;
            slots_.erase(old);
        }
        while (!slots_.empty() && (slots_.size() >= capacity_ || bytes_ + bytes > maxBytes_)) {
            const auto oldest = std::min_element(
                slots_.begin(), slots_.end(),
                [](const auto& a, const auto& b) { return a.second.lastUse < b.second.lastUse; });
            bytes_ -= oldest->second.bytes;
            slots_.erase(oldest);
        }
        bytes_ += bytes;
        return slots_.insert_or_assign(key, Slot{std::move(value), bytes, ++clock_})
            .first->second.value;
    }

    /// Lets go of every value whose key `drop` picks.
    template <typename Drop>
    void eraseIf(Drop drop) {
        for (auto it = slots_.begin(); it != slots_.end();) {
            if (drop(it->first)) {
                bytes_ -= it->second.bytes;
                it = slots_.erase(it);
            } else {
                ++it;
            }
        }
    }
    /// Whether a value is kept for `key`, which leaves its place in the order as it is.
    bool contains(const Key& key) const { return slots_.contains(key); }
    void clear() {
        slots_.clear();
        bytes_ = 0;
    }
    size_t size() const { return slots_.size(); }
    qint64 bytes() const { return bytes_; }

private:
    struct Slot {
        Value value;
        qint64 bytes = 0;
        quint64 lastUse = 0;
    };
    std::unordered_map<Key, Slot, Hash> slots_;
    size_t capacity_;
    qint64 maxBytes_;
    qint64 bytes_ = 0;
    quint64 clock_ = 0;
};

}  // namespace tandri::paint
