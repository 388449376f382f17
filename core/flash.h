#pragma once
// The flash animation: a tick every 50 ms of the engine's clock toggles the
// fast phase, every 4th tick the medium one, every 12th the slow one and
// repaints steady states. It runs on the thread that owns the view, so a
// paint is a plain call and nothing it reads needs guarding.
#include "platform/clock.h"

namespace kordex {

class Engine;

class FlashAnimator {
public:
    static constexpr int kTickMs = 50;

    explicit FlashAnimator(Engine &e);

    // From the window's creation to its close.
    void start() { ticker_.start(); }
    // The end runs the closing steps once more: the tick's Q step, one F
    // step and one S/N/O/X step.
    void stop();
    bool isRunning() const { return ticker_.isRunning(); }

    // One 50 ms step.
    void tick();
    // The closing steps, without stopping anything.
    void finish();
    // Paints every indicator whose state letter is `letter`.
    void paintLetter(char letter, bool lit, bool show);

private:
    void fStep();
    void sStep();
    Engine &e_;
    bool q_ = false, f_ = false, s_ = false;
    int ticks_ = 0, fSteps_ = 0;
    Timer ticker_;
};

}  // namespace kordex
