#include "faces/flash_thread.h"

#include "core/engine.h"

#include <QDeadlineTimer>
#include <QMutexLocker>

namespace kordex {

TflashThread::TflashThread(Step tick, Step finish, QObject *parent)
    : QThread(parent),
      tick_(std::move(tick)),
      finish_(std::move(finish))
{
}

TflashThread::TflashThread(Engine &engine, QObject *parent)
    : TflashThread([e = &engine](const HandOver &h) { e->flash.tick(h); },
                   [e = &engine](const HandOver &h) { e->flash.finish(h); }, parent)
{
}

TflashThread::~TflashThread() { stop(); }

bool TflashThread::stopRequested() const
{
    QMutexLocker lock(&mutex_);
    return stop_;
}

int TflashThread::paintsServed() const
{
    QMutexLocker lock(&mutex_);
    return paints_;
}

void TflashThread::run()
{
    const HandOver h = [this](const Paint &p) { handOver(p); };
    for (;;) {
        {
            QMutexLocker lock(&mutex_);
            // The sleep ends early when termination is asked.
            QDeadlineTimer deadline(kTickMs);
            while (!stop_ && !deadline.hasExpired())
                changed_.wait(&mutex_, deadline);
            if (stop_)
                break;
        }
        tick_(h);
    }
    finish_(h);
    QMutexLocker lock(&mutex_);
    ended_ = true;
    changed_.wakeAll();
}

void TflashThread::handOver(const Paint &paint)
{
    QMutexLocker lock(&mutex_);
    pending_ = &paint;
    served_ = false;
    // The queued call reaches the window thread's event loop; stop() serves
    // the same request directly when the window thread is waiting for us.
    QMetaObject::invokeMethod(
        this, [this] { serve(); }, Qt::QueuedConnection);
    changed_.wakeAll();
    while (!served_)
        changed_.wait(&mutex_);
}

void TflashThread::serve()
{
    QMutexLocker lock(&mutex_);
    if (!pending_)
        return;  // already served by stop(), or a stale queued call
    const Paint *p = pending_;
    pending_ = nullptr;
    lock.unlock();
    (*p)();  // the worker waits, so the paint object stays alive
    lock.relock();
    ++paints_;
    served_ = true;
    changed_.wakeAll();
}

void TflashThread::stop()
{
    {
        QMutexLocker lock(&mutex_);
        stop_ = true;
        changed_.wakeAll();
    }
    if (!isRunning() && !isFinished())
        return;  // never started
    for (;;) {
        QMutexLocker lock(&mutex_);
        while (!ended_ && !pending_)
            changed_.wait(&mutex_);
        if (pending_) {
            lock.unlock();
            serve();
            continue;
        }
        break;
    }
    wait();
}

}  // namespace kordex
