#pragma once
// Waits on state instead of nested event loops. A coroutine awaits
// hub.until(condition) and returns to the event loop; every event entry point
// and every timer tick that may change state ends with hub.notify(), which
// resumes the waiters whose condition now holds.
//
//     co_await hub.until([this] { return !timer4.isRunning() || sessionUp; });
//
// Conditions should only read state: notify() evaluates them often.
#include <cassert>
#include <coroutine>
#include <cstddef>
#include <functional>
#include <utility>
#include <vector>

namespace kordex {

class WaitHub {
public:
    class Until;

    WaitHub() = default;
    WaitHub(const WaitHub &) = delete;
    WaitHub &operator=(const WaitHub &) = delete;
    ~WaitHub();

    // Awaitable: no suspension when pred() already holds.
    Until until(std::function<bool()> pred);

    // Resumes, oldest first and one at a time, each waiter whose condition
    // holds, re-checking all of them after every resume since the resumed
    // coroutine may have changed state, added or cancelled waiters. A call
    // made from inside a resumed coroutine returns at once: the outer call
    // re-checks anyway, and nesting would run other procedures in the middle
    // of the caller's step and deepen the stack with every level.
    void notify();

    int waiting() const { return int(waiters_.size()); }

private:
    void add(Until *w) { waiters_.push_back(w); }
    void remove(Until *w);

    std::vector<Until *> waiters_;  // oldest first
    bool notifying_ = false;
};

class WaitHub::Until {
public:
    Until(WaitHub &hub, std::function<bool()> pred) : hub_(&hub), pred_(std::move(pred)) {}
    // g++ 12 moves awaiters into the frame; that happens before registration.
    Until(Until &&other) noexcept : hub_(other.hub_), pred_(std::move(other.pred_)), handle_(other.handle_)
    {
        assert(!other.registered_);
    }
    Until &operator=(Until &&) = delete;
    // Destroyed while registered means the waiting coroutine was cancelled:
    // it must vanish from the hub so it is never resumed.
    ~Until()
    {
        if (registered_ && hub_)
            hub_->remove(this);
    }

    bool await_ready() { return pred_(); }
    void await_suspend(std::coroutine_handle<> h)
    {
        handle_ = h;
        registered_ = true;
        hub_->add(this);
    }
    void await_resume() const noexcept {}

private:
    friend class WaitHub;
    WaitHub *hub_;
    std::function<bool()> pred_;
    std::coroutine_handle<> handle_;
    bool registered_ = false;
};

inline WaitHub::~WaitHub()
{
    // Waiters left behind stay suspended until their tasks are destroyed;
    // they must not reach back into a hub that is gone.
    for (Until *w : waiters_) {
        w->registered_ = false;
        w->hub_ = nullptr;
    }
}

inline WaitHub::Until WaitHub::until(std::function<bool()> pred) { return Until(*this, std::move(pred)); }

inline void WaitHub::remove(Until *w)
{
    for (std::size_t i = 0; i < waiters_.size(); ++i) {
        if (waiters_[i] == w) {
            waiters_.erase(waiters_.begin() + std::ptrdiff_t(i));
            break;
        }
    }
    w->registered_ = false;
}

inline void WaitHub::notify()
{
    if (notifying_)
        return;
    notifying_ = true;
    struct Clear {
        bool &flag;
        ~Clear() { flag = false; }
    } clear{notifying_};

    for (;;) {
        Until *ready = nullptr;
        for (std::size_t i = 0; i < waiters_.size() && !ready; ++i)
            if (waiters_[i]->pred_())
                ready = waiters_[i];
        if (!ready)
            return;
        // Deregistered before resuming: the coroutine proceeds past its wait
        // and the awaiter may be gone when resume() returns.
        remove(ready);
        const std::coroutine_handle<> h = ready->handle_;
        h.resume();
    }
}

}  // namespace kordex
