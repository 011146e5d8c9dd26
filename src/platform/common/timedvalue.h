// SPDX-License-Identifier: MIT
#pragma once

#include <QElapsedTimer>
#include <functional>
#include <mutex>

namespace tandri {

/// A value read from the desktop's files that the ring asks for at every opening but that
/// changes seldom: it is read again once it is older than `lifetime`. Safe on any thread.
template <typename T>
class TimedValue {
public:
    explicit TimedValue(qint64 lifetimeMs) : lifetime_(lifetimeMs) {}

    T get(const std::function<T()>& read) const {
        std::lock_guard lock(mutex_);
        if (!readAt_.isValid() || readAt_.hasExpired(lifetime_)) {
            value_ = read();
            readAt_.start();
        }
        return value_;
    }

private:
    const qint64 lifetime_;
    mutable std::mutex mutex_;
    mutable QElapsedTimer readAt_;
    mutable T value_{};
};

}  // namespace tandri
