#include "core/flash.h"

#include "core/engine.h"

namespace kordex {

FlashAnimator::FlashAnimator(Engine &e) : e_(e), ticker_(e.clock, kTickMs, [this] { tick(); }) {}

void FlashAnimator::stop()
{
    if (!ticker_.isRunning())
        return;
    ticker_.stop();
    finish();
}

void FlashAnimator::tick()
{
    q_ = !q_;
    FlashDispatch('Q', q_, true);
    if (++ticks_ < 4)
        return;
    ticks_ = 0;
    fStep();
    if (++fSteps_ < 3)
        return;
    fSteps_ = 0;
    sStep();
}

void FlashAnimator::finish()
{
    q_ = !q_;
    FlashDispatch('Q', q_, true);
    fStep();
    sStep();
}

void FlashAnimator::fStep()
{
    f_ = !f_;
    FlashDispatch('F', f_, true);
}

void FlashAnimator::sStep()
{
    s_ = !s_;
    FlashDispatch('S', s_, true);
    FlashDispatch('N', true, true);
    FlashDispatch('O', false, true);
    FlashDispatch('X', false, false);
}

void FlashAnimator::FlashDispatch(char letter, bool lit, bool show)
{
    for (int k : e_.faces().paintedIndicators())
        if (e_.indicators.at(k) == letter)
            e_.paintIndicator(e_.session.panelType(), k, lit, show);
}

void Engine::paintIndicator(int face, int k, bool lit, bool show)
{
    if (k == 28) {
        if (face == 0)
            session.EventDisplayAllowed = false;
        view.setMenuChecked(MenuItem::Events1, lit);
        // The key code a click on the Events label sends.
        view.setEventsLabel(lit ? "Display Events On" : "Display Events Off", lit ? 39 : 34);
        const bool allowed = session.EventDisplayAllowed;
        view.setMenuEnabled(MenuItem::Events1, allowed);
        view.setEventsLabelVisible(show && allowed);
        return;
    }
    if (k == 12 && face >= 0 && face <= 5) {
        view.setSounder(lit ? "Sounder On" : "Sounder Off", lit ? kRed : kBlack);
        view.setSounderVisible(show);
        return;
    }
    const IndicatorBinding *b = faces().bindingFor(face, k);
    if (!b)
        return;
    const bool nzLamp = (face == 6 || face == 7) && (k == 23 || k == 24 || k == 25);
    for (std::string_view name : b->lamps) {
        if (name.empty())
            continue;
        if (!nzLamp) {
            view.setLampColor(name, lit ? b->litColor : kWhite);
        } else if (!lit) {
            view.setLampVisible(name, false);
        } else if (session.current().showNzCommonStates) {
            view.setLampColor(name, b->litColor);
            view.setLampVisible(name, true);
        }
    }
}

}  // namespace kordex
