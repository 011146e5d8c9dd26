// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <functional>
#include <memory>

namespace tandri::renderThread {

/// Runs `work` on a thread of Qt's global pool and waits for it; on the calling thread when that
/// is one of the pool's or no pool thread is free.
///
/// Called from outside the pool, Qt's raster engine cuts every large fill and blit into pieces
/// for the pool's threads and waits for each; waking them costs more than the pieces save for
/// a ring's frame. Inside the pool it does the work itself. The caller waits, so `work` sees
/// what the caller's thread wrote and touches nothing anybody else changes meanwhile; it must
/// still keep away from objects that belong to the GUI thread (pixmaps, icons, widgets).
void run(const std::function<void()>& work);

/// Calls `rows(from, to)` for bands of `band` rows from `first` to `end` (exclusive), sharing them
/// with a helper thread unless it is busy with another share, and returns when all are done.
///
/// A large round shape computed pixel by pixel costs milliseconds on one core; its rows are
/// independent, so `rows` must only write its own rows and read what nobody changes meanwhile.
void shareRows(int first, int end, int band, const std::function<void(int from, int to)>& rows);

/// Tasks `0 … count − 1` begun on a free thread of Qt's pool while the caller goes on with
/// other work; `finish` (or the destructor) does on the caller's thread those that thread has
/// not begun and waits for the one it is on. `task(index, aside)` learns whether it runs on the
/// other thread; it must write only what belongs to its index and read only what nobody changes
/// until `finish`. With no free thread every task runs in `finish`.
class Aside {
public:
    Aside(int count, std::function<void(int index, bool aside)> task);
    ~Aside();
    Aside(const Aside&) = delete;
    Aside& operator=(const Aside&) = delete;
    void finish();

private:
    struct State;
    std::shared_ptr<State> state_;
};

/// How long the helper stays awake after a share, watching for the next, before it sleeps
/// until woken (a quarter of a millisecond unless set).
void setHelperWatch(std::chrono::microseconds watch);

}  // namespace tandri::renderThread
