// SPDX-License-Identifier: MIT
#include "platform/common/threadqueues.h"

#include <sys/resource.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QEvent>
#include <QRunnable>
#include <cerrno>
#include <deque>
#include <mutex>

#include "platform/common/handoff.h"

namespace tandri {

namespace {

// Both ends of a hand-off through the pools name this.
const char poolChannel = 0;

// Linux ignores thread priorities under the normal scheduler (QThread::setPriority has no effect
// there), but nice values are per thread, so the pools lower their threads' nice value instead.
// Raising it back needs privileges, which is why each priority has a pool of its own.
int niceIncrement(Queues::Priority priority) {
    switch (priority) {
        case Queues::Priority::UserInteractive:
            return 0;
        case Queues::Priority::UserInitiated:
            return 2;
        case Queues::Priority::Utility:
            return 10;
    }
    return 10;
}

void setThreadNice(int nice) {
    thread_local bool done = false;
    if (done)
        return;
    done = true;
    // A failure leaves the thread at the nice value it inherited, which is harmless.
    (void)setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), nice);
}

}  // namespace

// Work for the thread that made the queues. The jobs wait in a list of this object's under a
// lock of the standard library, not inside Qt's events, so that a checker of data races sees
// the hand-off; each posted event runs the oldest job, which keeps the posting order, and Qt
// drops the events when the object goes.
class ThreadQueues::MainQueue : public QObject {
public:
    void post(std::function<void()> work) {
        {
            const std::lock_guard lock(mutex_);
            jobs_.push_back(std::move(work));
        }
        QCoreApplication::postEvent(this, new QEvent(QEvent::User));
    }

protected:
    void customEvent(QEvent*) override {
        std::function<void()> job;
        {
            const std::lock_guard lock(mutex_);
            if (jobs_.empty())
                return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        // Unlocked: a job may queue more.
        job();
    }

private:
    std::mutex mutex_;
    std::deque<std::function<void()>> jobs_;
};

ThreadQueues::ThreadQueues() : mainQueue_(std::make_unique<MainQueue>()) {
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
    baseNice_ = errno == 0 ? nice : 0;
}

ThreadQueues::~ThreadQueues() {
    stopping_.store(true);
    // Dropping work that has not started destroys what another thread may have queued.
    handoff::acquire(&poolChannel);
    for (QThreadPool& pool : pools_) pool.clear();
    for (QThreadPool& pool : pools_) pool.waitForDone();
    handoff::acquire(&poolChannel);
}

void ThreadQueues::background(Priority priority, std::function<void()> work) {
    if (!work || stopping_.load())
        return;
    const int index = static_cast<int>(priority);
    if (index < 0 || index >= priorityCount)
        return;
    const int nice = baseNice_ + niceIncrement(priority);
    QRunnable* const job = QRunnable::create([nice, work = std::move(work)] {
        handoff::acquire(&poolChannel);
        setThreadNice(nice);
        work();
        handoff::release(&poolChannel);
    });
    handoff::release(&poolChannel);
    pools_[index].start(job);
}

void ThreadQueues::main(std::function<void()> work) {
    if (!work)
        return;
    mainQueue_->post(std::move(work));
}

}  // namespace tandri
