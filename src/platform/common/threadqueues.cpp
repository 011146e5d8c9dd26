#include "platform/common/threadqueues.h"

#include <sys/resource.h>
#include <unistd.h>
#include <QMetaObject>
#include <QRunnable>
#include <cerrno>

namespace tandri {

namespace {

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

ThreadQueues::ThreadQueues() : context_(std::make_unique<QObject>()) {
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
    baseNice_ = errno == 0 ? nice : 0;
}

ThreadQueues::~ThreadQueues() {
    stopping_.store(true);
    for (QThreadPool& pool : pools_) pool.clear();
    for (QThreadPool& pool : pools_) pool.waitForDone();
}

void ThreadQueues::background(Priority priority, std::function<void()> work) {
    if (!work || stopping_.load())
        return;
    const int index = static_cast<int>(priority);
    if (index < 0 || index >= priorityCount)
        return;
    const int nice = baseNice_ + niceIncrement(priority);
    pools_[index].start(QRunnable::create([nice, work = std::move(work)] {
        setThreadNice(nice);
        work();
    }));
}

void ThreadQueues::main(std::function<void()> work) {
    if (!work)
        return;
    // Queued invocations on one receiver run in posting order, and Qt discards them if the
    // receiver is deleted first.
    QMetaObject::invokeMethod(
        context_.get(), [work = std::move(work)] { work(); }, Qt::QueuedConnection);
}

}  // namespace tandri
