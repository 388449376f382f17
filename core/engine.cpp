#include "core/engine.h"

namespace kordex {

namespace {
constexpr uint8_t kBell = 0x07;
constexpr uint8_t kLineFeed = 0x0A;
constexpr uint8_t kCarriageReturn = 0x0D;
constexpr uint8_t kCursorOff = 0x17;
constexpr uint8_t kCursorOn = 0x18;
constexpr uint8_t kBlinkOn = 0x19;
constexpr uint8_t kEscape = 0x1B;

Engine &engineOf(void *handler) { return *static_cast<Engine *>(handler); }
}  // namespace

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
    case MenuItem::Refresh: return "Refresh1";
    case MenuItem::EventDisplay: return "Events1";
    case MenuItem::CloseTandemMode: return "CloseTandemMode1";
    case MenuItem::ConnectTo: return "Connect1";
    case MenuItem::Disconnect: return "Disconnect";
    case MenuItem::EditConnections: return "EditConnection1";
    case MenuItem::CaptureToFile: return "SaveDatabase1";
    case MenuItem::SendFile: return "LoadDatabase1";
    case MenuItem::ConnectMenu: return "ConnectMenu";
    }
    return "";
}

const PanelParserCallbacks Engine::kParserCallbacks = {
    [](void *h, const uint8_t *bytes, size_t n) { engineOf(h).display.writeText(bytes, n); },
    [](void *h, uint8_t b) { engineOf(h).tandemControl(b); },
    [](void *h, const uint8_t *bytes, size_t n) { engineOf(h).events.put(bytes, n); },
    [](void *h) { engineOf(h).display.clearScreen(); },
    [](void *h) { engineOf(h).display.clearToLineEnd(); },
    [](void *h) { engineOf(h).addressBegun(); },
    [](void *h, int row) { engineOf(h).display.addressRow(row); },
    [](void *h, int column) { engineOf(h).display.addressColumn(column); },
};

Engine::Engine(Clock &c, PanelView &p, ShellView &sh, SessionState &s)
    : clock(c),
      panel(p),
      shell(sh),
      session(s),
      display(*this),
      events(*this),
      flash(*this),
      parser(kParserCallbacks, this, s.tandemMode),
      tandemGuardTimer(c, 1000, [this] { tandemGuardTimer.stop(); }),
      identifyTimer(c, 1000, [this] { onIdentifyTimer(); }),
      cursorBlinkTimer(c, 250, [this] { display.blinkCursor(); }),
      eventFlushTimer(c, 50, [this] { events.flush(); }),
      alarmAttentionTimer(c, 500, [this] { display.alarmAttentionTick(); }),
      keyRepeatTimer(c, 3000, [this] {
          if (onKeyRepeat)
              onKeyRepeat();
      })
{
}

void Engine::startUp()
{
    tandemGuardTimer.start();
    keyRepeatTimer.start();
    shell.setEventScreenLayout(EventScreenLayout::Full);
    session.setPanelType(int(PanelType::Unidentified));
    session.statusText = "Not Connected";
    selectFace();
    indicators.reset();
}

// ESC Y in terminal mode is the panel's switch into tandem mode, unless the
// login holds it back.
void Engine::addressBegun()
{
    if (session.tandemMode)
        return;
    if (!session.suppressTandemSwitch)
        switchMode();
    else if (onTandemHeld)
        onTandemHeld();
}

void Engine::tandemControl(uint8_t b)
{
    switch (b) {
    case kBell: shell.beep(); break;
    case kLineFeed: display.lineFeed(); break;
    case kCarriageReturn: display.carriageReturn(); break;
    case kCursorOff:
        display.cursorVisible = false;
        cursorBlinkTimer.stop();
        break;
    case kCursorOn: display.cursorVisible = true; break;
    case kBlinkOn: cursorBlinkTimer.start(); break;
    case kEscape:
        // ESC ends the machine line the cursor stands on.
        if (display.cursorRow == DisplayModel::kIndicatorRow)
            processIndicatorLine(*this);
        if (identifyTimer.isRunning()) {
            identifyTimer.stop();
            if (display.cursorRow == DisplayModel::kIdentificationRow)
                identifyPanel();
        }
        break;
    default: break;
    }
    display.showCursor();
}

}  // namespace kordex
