#pragma once
// The toolkit-free panel engine. The parser turns the received bytes into
// events; the display model, the event line editor, the identification and
// the indicator line act on them. It reads and writes the session flags it is
// given, shows through a PanelView and a ShellView and reaches the faces through a
// FaceControl. The program, kordex-replay and the tests each compose one over
// their own clock and view.
#include "core/display_model.h"
#include "core/engine_view.h"
#include "core/event_line.h"
#include "core/face_control.h"
#include "core/flash.h"
#include "core/indicator_table.h"
#include "core/panel_parser.h"
#include "core/panel_type.h"
#include "core/session_state.h"
#include "platform/clock.h"

#include <functional>

namespace kordex {

class Engine {
public:
    Engine(Clock &clock, PanelView &panel, ShellView &shell, SessionState &session);
    Engine(Clock &c, EngineView &view, SessionState &s) : Engine(c, view, view, s) {}
    Engine(const Engine &) = delete;
    Engine &operator=(const Engine &) = delete;

    // Creation of the main window: event screen over the client area, no
    // face, "Not Connected", every indicator not reported. Timers that run
    // from start-up are started here.
    void startUp();

    // The receive path: one chunk from whichever transport delivered it.
    void receive(const char *data, qsizetype n) { parser.write(reinterpret_cast<const uint8_t *>(data), size_t(n)); }
    void receive(const QByteArray &chunk) { receive(chunk.constData(), chunk.size()); }

    // The faces this engine shows; set before startUp.
    void setFaces(FaceControl &faces) { faces_ = &faces; }
    FaceControl &faces() const { return *faces_; }
    void selectFace() { faces_->selectFace(); }
    void switchMode()
    {
        faces_->switchMode();
        if (onModeChanged)
            onModeChanged();
    }
    void setLoggedIn(bool on) { faces_->setLoggedIn(on); }
    void identifyPanel();

    // Paints indicator k on face `panelType`.
    void paintIndicator(int panelType, int k, bool lit, bool show);

    Clock &clock;
    PanelView &panel;
    ShellView &shell;
    SessionState &session;
    DisplayModel display;
    EventLineEditor events;
    IndicatorTable indicators;
    FlashAnimator flash;
    PanelParser parser;

    // Key code the POINT/RELAY key of the AS 1603 face sends: the panel's
    // POINT (80) until the face selection picks RELAY (82) for the face with logic keys.
    int pointRelayKeyCode = 80;

    // The window's timers (intervals and start states of the timer table).
    Timer tandemGuardTimer;  // no re-entry into tandem mode right after leaving it
    Timer identifyTimer;     // the identification line, once it has stood still
    Timer cursorBlinkTimer;
    Timer eventFlushTimer;      // shows an unfinished event line
    Timer alarmAttentionTimer;  // taskbar and bell while the display shows an alarm
    Timer keyRepeatTimer;       // a held key repeats

    // The key hold repeat belongs to the key input above this layer.
    std::function<void()> onKeyRepeat;
    // Tandem-mode output arrived while the login held the switch back.
    std::function<void()> onTandemHeld;
    // After every switch between terminal and tandem mode (the history).
    std::function<void()> onModeChanged;

private:
    static const PanelParserCallbacks kParserCallbacks;
    void tandemControl(uint8_t b);
    void addressBegun();
    void onIdentifyTimer();

    FaceControl *faces_ = nullptr;
};

}  // namespace kordex
