#include "ring/renderthread.h"

#include <QSemaphore>
#include <QThread>
#include <QThreadPool>

namespace tandri::renderThread {

void run(const std::function<void()>& work) {
    QThreadPool* pool = QThreadPool::globalInstance();
    if (!pool || pool->contains(QThread::currentThread())) {
        work();
        return;
    }
    QSemaphore done;
    // A busy pool would make the frame wait for somebody else's work.
    if (!pool->tryStart([&work, &done] {
            work();
            done.release();
        })) {
        work();
        return;
    }
    done.acquire();
}

}  // namespace tandri::renderThread
