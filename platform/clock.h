#pragma once
// One clock for every timer and wait: Qt timers in the program, a virtual
// clock in tests and tools so long time-outs are checked exactly and instantly.
#include <cstdint>
#include <functional>
#include <vector>

namespace kordex {

class Clock;

// A periodic timer with the semantics the window relies on: starting a running
// timer keeps its count; a tick handler that wants a one-shot stops the timer.
class Timer {
public:
    Timer(Clock &clock, int intervalMs, std::function<void()> onTick);
    ~Timer();
    Timer(const Timer &) = delete;
    Timer &operator=(const Timer &) = delete;

    void setInterval(int ms);  // takes effect at the next start
    int interval() const { return interval_; }
    void start();  // no-op while running
    void stop();
    void restart();  // a fresh count from now, running or not
    bool isRunning() const { return running_; }

    // Called by the clock when the timer is due.
    void fire();
    void *backend() const { return backend_; }
    void setBackend(void *b) { backend_ = b; }

private:
    friend class VirtualClock;
    Clock &clock_;
    int interval_;
    bool running_ = false;
    std::function<void()> onTick_;
    void *backend_ = nullptr;  // owned by the clock
    int64_t due_ = 0;          // virtual clock only
    uint64_t order_ = 0;       // virtual clock only: start order breaks ties
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual int64_t nowMs() const = 0;

protected:
    friend class Timer;
    virtual void attach(Timer &t) = 0;
    virtual void detach(Timer &t) = 0;
    virtual void arm(Timer &t) = 0;  // start counting one interval from now
    virtual void disarm(Timer &t) = 0;
};

// Deterministic clock for tests and kordex-replay.
class VirtualClock final : public Clock {
public:
    int64_t nowMs() const override { return now_; }
    // Advance by ms, firing every due timer in time order (ties in arming order).
    void advance(int64_t ms);
    // Advance until `done` holds or ms have passed; returns whether `done` held.
    bool advanceUntil(const std::function<bool()> &done, int64_t ms);

protected:
    void attach(Timer &t) override;
    void detach(Timer &t) override;
    void arm(Timer &t) override;
    void disarm(Timer &t) override;

private:
    bool fireNextDue(int64_t limit);
    int64_t now_ = 0;
    uint64_t nextOrder_ = 0;
    std::vector<Timer *> timers_;
};

}  // namespace kordex
