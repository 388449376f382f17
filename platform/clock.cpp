#include "platform/clock.h"

#include <algorithm>

namespace kordex {

Timer::Timer(Clock &clock, int intervalMs, std::function<void()> onTick)
    : clock_(clock),
      interval_(intervalMs),
      onTick_(std::move(onTick))
{
    clock_.attach(*this);
}

Timer::~Timer() { clock_.detach(*this); }

void Timer::setInterval(int ms) { interval_ = ms; }

void Timer::start()
{
    if (running_)
        return;
    running_ = true;
    clock_.arm(*this);
}

void Timer::stop()
{
    if (!running_)
        return;
    running_ = false;
    clock_.disarm(*this);
}

void Timer::restart()
{
    // Re-arming a running timer restarts its count in one step; the flush
    // timer is restarted for every printed byte.
    if (!running_)
        start();
    else
        clock_.arm(*this);
}

void Timer::fire()
{
    if (!running_)
        return;
    clock_.arm(*this);  // next period counts from this tick
    if (onTick_)
        onTick_();
}

void VirtualClock::attach(Timer &t) { timers_.push_back(&t); }

void VirtualClock::detach(Timer &t) { timers_.erase(std::remove(timers_.begin(), timers_.end(), &t), timers_.end()); }

void VirtualClock::arm(Timer &t)
{
    // A zero interval still needs time to pass, as a toolkit timer would.
    t.due_ = now_ + std::max(1, t.interval_);
    t.order_ = nextOrder_++;
}

void VirtualClock::disarm(Timer &) {}

bool VirtualClock::fireNextDue(int64_t limit)
{
    Timer *next = nullptr;
    for (Timer *t : timers_) {
        if (!t->running_ || t->due_ > limit)
            continue;
        if (!next || t->due_ < next->due_ || (t->due_ == next->due_ && t->order_ < next->order_))
            next = t;
    }
    if (!next)
        return false;
    now_ = std::max(now_, next->due_);
    next->fire();
    return true;
}

void VirtualClock::advance(int64_t ms)
{
    const int64_t target = now_ + ms;
    while (fireNextDue(target)) {}
    now_ = target;
}

bool VirtualClock::advanceUntil(const std::function<bool()> &done, int64_t ms)
{
    const int64_t target = now_ + ms;
    if (done())
        return true;
    while (fireNextDue(target))
        if (done())
            return true;
    now_ = target;
    return done();
}

}  // namespace kordex
