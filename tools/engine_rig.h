#pragma once
// An engine with its faces and session state but no link, for tools,
// benchmarks, fuzzing and tests of the engine alone. `connection` stands in
// for the settings the link session copies from its connection record.
#include "core/engine.h"
#include "faces/face_controller.h"

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
};

}  // namespace kordex
