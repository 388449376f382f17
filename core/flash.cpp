#include "core/flash.h"

#include "core/engine.h"

namespace kordex {

namespace {
// The key codes a click on the Events label sends: the panel's own.
constexpr int kEventsOnKeyCode = 39;
constexpr int kEventsOffKeyCode = 34;
}  // namespace

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
    paintLetter('Q', q_, true);
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
    paintLetter('Q', q_, true);
    fStep();
    sStep();
}

void FlashAnimator::fStep()
{
    f_ = !f_;
    paintLetter('F', f_, true);
}

void FlashAnimator::sStep()
{
    s_ = !s_;
    paintLetter('S', s_, true);
    paintLetter('N', true, true);
    paintLetter('O', false, true);
    paintLetter('X', false, false);
}

void FlashAnimator::paintLetter(char letter, bool lit, bool show)
{
    for (int k : e_.faces().paintedIndicators())
        if (e_.indicators.at(k) == letter)
            e_.paintIndicator(e_.session.panelType(), k, lit, show);
}

void Engine::paintIndicator(int face, int k, bool lit, bool show)
{
    if (k == kEventsIndicator) {
        if (face == int(PanelType::Unidentified))
            session.eventDisplayAllowed = false;
        shell.setMenuChecked(MenuItem::EventDisplay, lit);
        // The key code a click on the Events label sends.
        panel.setEventsLabel(lit ? "Display Events On" : "Display Events Off",
                            lit ? kEventsOnKeyCode : kEventsOffKeyCode);
        const bool allowed = session.eventDisplayAllowed;
        shell.setMenuEnabled(MenuItem::EventDisplay, allowed);
        panel.setEventsLabelVisible(show && allowed);
        return;
    }
    if (k == kSounderIndicator && face >= 0 && isTwoLine(face)) {
        panel.setSounder(lit ? "Sounder On" : "Sounder Off", lit ? kRed : kBlack);
        panel.setSounderVisible(show);
        return;
    }
    const IndicatorBinding *b = faces().bindingFor(face, k);
    if (!b)
        return;
    const bool nzLamp = isZr9(face) && k >= kFirstNzIndicator && k <= kLastNzIndicator;
    for (std::string_view name : b->lamps) {
        if (name.empty())
            continue;
        if (!nzLamp) {
            panel.setLampColor(name, lit ? b->litColor : kWhite);
        } else if (!lit) {
            panel.setLampVisible(name, false);
        } else if (session.linkSettings().showNzCommonStates) {
            panel.setLampColor(name, b->litColor);
            panel.setLampVisible(name, true);
        }
    }
}

}  // namespace kordex
