#pragma once
// The toolkit-free panel engine: screen model, decoder, identification,
// indicator table, flash steps and the display timers. It reads and writes the
// session flags it is given, shows through an EngineView and reaches the faces
// through a FaceControl. The program, kordex-replay and the tests each compose
// one over their own clock and view.
#include "core/display_model.h"
#include "core/engine_view.h"
#include "core/face_control.h"
#include "core/flash.h"
#include "core/indicator_table.h"
#include "core/session_state.h"
#include "core/stream_decoder.h"
#include "platform/clock.h"

#include <functional>

namespace kordex {

class Engine {
public:
    Engine(Clock &clock, EngineView &view, SessionState &session);
    Engine(const Engine &) = delete;
    Engine &operator=(const Engine &) = delete;

    // Creation of the main window: event screen over the client area, no
    // face, "Not Connected", every indicator not reported. Timers that run
    // from start-up are started here.
    void startUp();

    // The receive path: one chunk from whichever transport delivered it.
    void receive(const char *data, qsizetype n);
    void receive(const QByteArray &chunk) { receive(chunk.constData(), chunk.size()); }

    // The faces this engine shows; set before startUp.
    void setFaces(FaceControl &faces) { faces_ = &faces; }
    FaceControl &faces() const { return *faces_; }
    void SelectFace() { faces_->SelectFace(); }
    void ModeChange()
    {
        faces_->ModeChange();
        if (onModeChanged)
            onModeChanged();
    }
    void setLoggedIn(bool on) { faces_->setLoggedIn(on); }
    void IdentifyPanel();

    // Paints indicator k on face `panelType`.
    void paintIndicator(int panelType, int k, bool lit, bool show);

    Clock &clock;
    EngineView &view;
    SessionState &session;
    DisplayModel display;
    StreamDecoder decoder;
    IndicatorTable indicators;
    FlashAnimator flash;

    // Key code the POINT/RELAY key of the AS 1603 face sends.
    int v01rpKeyCode = 80;

    // The window's timers (intervals and start states of the timer table).
    Timer Timer1;    // tandem re-entry guard
    Timer Timer2;    // identification
    Timer Timer3;    // cursor blink
    Timer Timer6;    // event line flush
    Timer Timer7;    // alarm attention
    Timer TimerHKI;  // key hold repeat

    // The key hold repeat belongs to the key input above this layer.
    std::function<void()> onTimerHKI;
    // Tandem-mode output arrived while the login held the switch back.
    std::function<void()> onTandemHeld;
    // After every switch between terminal and tandem mode (the history).
    std::function<void()> onModeChanged;

private:
    FaceControl *faces_ = nullptr;
    void Timer2Timer();
};

}  // namespace kordex
