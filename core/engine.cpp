#include "core/engine.h"

namespace kordex {

Engine::Engine(Clock &c, EngineView &v)
    : clock(c), view(v), display(*this), decoder(*this), flash(*this),
      Timer1(c, 1000, [this] { Timer1.stop(); }),
      Timer2(c, 1000, [this] { Timer2Timer(); }),
      Timer3(c, 250, [this] { display.Timer3Timer(); }),
      Timer4(c, 1000, [this] { Timer4.stop(); }),
      Timer5(c, 1000, [this] { Timer5.stop(); }),
      Timer6(c, 50, [this] { display.Timer6Timer(); }),
      Timer7(c, 500, [this] { display.Timer7Timer(); }),
      Timer8(c, 1500, [this] { if (onTimer8) onTimer8(); }),
      TimerHKI(c, 3000, [this] { if (onTimerHKI) onTimerHKI(); })
{
}

void Engine::startUp()
{
    Timer1.start();
    Timer4.start();
    Timer5.start();
    TimerHKI.start();
    Timer8.start();
    view.setEventScreenGeometry(0, 522);
    session.setPanelType(0);
    session.ConnectionActive = false;
    session.StatusText = "Not Connected";
    SelectFace();
    indicators.reset();
}

void Engine::receive(const char *data, qsizetype n)
{
    for (qsizetype i = 0; i < n; ++i)
        decoder.processByte(uint8_t(data[i]));
}

} // namespace kordex
