#include "core/engine.h"

namespace kordex {

const char *containerName(Container c)
{
    switch (c) {
    case Container::AS1603: return "AS1603";
    case Container::AS4428p: return "AS4428p";
    case Container::ZR9: return "ZR9";
    case Container::ZR9FBP: return "ZR9FBP";
    case Container::None: break;
    }
    return "";
}

const char *menuItemName(MenuItem item)
{
    switch (item) {
    case MenuItem::Refresh1: return "Refresh1";
    case MenuItem::Events1: return "Events1";
    case MenuItem::CloseTandemMode1: return "CloseTandemMode1";
    case MenuItem::Connect1: return "Connect1";
    case MenuItem::Disconnect: return "Disconnect";
    case MenuItem::EditConnection1: return "EditConnection1";
    case MenuItem::SaveDatabase1: return "SaveDatabase1";
    case MenuItem::LoadDatabase1: return "LoadDatabase1";
    case MenuItem::ConnectMenu: return "ConnectMenu";
    }
    return "";
}

Engine::Engine(Clock &c, PanelView &p, ShellView &sh, SessionState &s)
    : clock(c),
      panel(p),
      shell(sh),
      session(s),
      display(*this),
      decoder(*this),
      flash(*this),
      Timer1(c, 1000, [this] { Timer1.stop(); }),
      Timer2(c, 1000, [this] { Timer2Timer(); }),
      Timer3(c, 250, [this] { display.Timer3Timer(); }),
      Timer6(c, 50, [this] { display.Timer6Timer(); }),
      Timer7(c, 500, [this] { display.Timer7Timer(); }),
      TimerHKI(c, 3000, [this] {
          if (onTimerHKI)
              onTimerHKI();
      })
{
}

void Engine::startUp()
{
    Timer1.start();
    TimerHKI.start();
    shell.setEventScreenLayout(EventScreenLayout::Full);
    session.setPanelType(0);
    session.StatusText = "Not Connected";
    SelectFace();
    indicators.reset();
}

void Engine::receive(const char *data, qsizetype n)
{
    for (qsizetype i = 0; i < n; ++i)
        decoder.processByte(uint8_t(data[i]));
}

}  // namespace kordex
