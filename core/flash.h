#pragma once
// The flash animation: a tick every 50 ms toggles the fast phase, every 4th
// tick the medium one, every 12th the slow one and repaints steady states.
// Runs on the flash thread; every painting action is handed to the main thread.
#include <functional>

namespace kordex {

class Engine;

class FlashAnimator {
public:
    // Runs `paint` on the main thread and waits for it.
    using HandOver = std::function<void(const std::function<void()> &paint)>;

    explicit FlashAnimator(Engine &e) : e_(e) {}
    // One 50 ms step of the flash loop (after its sleep).
    void tick(const HandOver &handOver);
    // The last tick once termination is asked: its Q step, then one F step and
    // one S/N/O/X step at once.
    void finish(const HandOver &handOver);
    void FlashDispatch(char letter, bool lit, bool show, const HandOver &handOver);

private:
    void fStep(const HandOver &h);
    void sStep(const HandOver &h);
    Engine &e_;
    bool q_ = false, f_ = false, s_ = false;
    int ticks_ = 0, fSteps_ = 0;
};

}  // namespace kordex
