#pragma once
// An engine with its faces and session state but no link, for benchmarks,
// fuzzing and tests of the engine alone. `connection` stands in for the
// settings the link session copies from its connection record.
#include "core/engine.h"
#include "face_logic/face_controller.h"
#include "platform/clock.h"

namespace kordex {

struct EngineRig {
    SessionState session;
    PanelLinkSettings connection;
    Engine engine;
    FaceController faces{engine};

    EngineRig(Clock &clock, EngineView &view) : engine(clock, view, session)
    {
        engine.setFaces(faces);
        session.setLinkSettings(&connection);
    }
    EngineRig(const EngineRig &) = delete;
    EngineRig &operator=(const EngineRig &) = delete;

    // Started with the session up and no automatic login: what arrives is
    // decoded as a panel sends it once the start-up guard has run out.
    void startConnected()
    {
        engine.startUp();
        SessionRig::link(session).connected = true;
        connection.autoLogin = false;
    }
};

// The rig on a virtual clock of its own, started connected and past the
// start-up guard (one second, in which no tandem mode is taken up).
template <class View>
struct ConnectedEngine {
    VirtualClock clock;
    View view;
    EngineRig parts{clock, view};
    Engine &engine = parts.engine;

    ConnectedEngine()
    {
        parts.startConnected();
        clock.advance(1001);
    }
};

// In tandem mode on an AS 1603 face: what a panel's stream runs through.
template <class View>
struct TandemModeEngine : ConnectedEngine<View> {
    TandemModeEngine()
    {
        this->engine.switchMode();
        this->engine.session.setPanelType(1);
    }
};

}  // namespace kordex
