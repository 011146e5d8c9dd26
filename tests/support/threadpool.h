// SPDX-License-Identifier: MIT
#pragma once

#include <QThreadPool>

namespace tandri::test {

/// Qt's global pool limited to `count` threads while it lives, then given back its old limit.
class PoolLimit {
public:
    explicit PoolLimit(int count)
        : pool_(QThreadPool::globalInstance()), before_(pool_->maxThreadCount()) {
        pool_->setMaxThreadCount(count);
    }
    ~PoolLimit() { pool_->setMaxThreadCount(before_); }
    PoolLimit(const PoolLimit&) = delete;
    PoolLimit& operator=(const PoolLimit&) = delete;

private:
    QThreadPool* pool_;
    int before_;
};

/// Waits until Qt's global pool has finished all its work and let its threads go, so that the
/// next thread asked of it is surely started (up to its limit); false if that took over a minute.
/// A thread that has just finished its work still counts as busy for a moment, which makes
/// whether a pool has room depend on scheduling.
inline bool emptiedPool() {
    return QThreadPool::globalInstance()->waitForDone(60'000);
}

}  // namespace tandri::test
