#pragma once
// An engine with its faces and session state but no link, for tools,
// benchmarks, fuzzing and tests of the engine alone. `connection` stands in
// for the link session's working copy of the connection record.
#include "core/engine.h"
#include "faces/face_controller.h"

namespace kordex {

struct EngineRig {
    SessionState session;
    ConnectionRecord connection;
    Engine engine;
    FaceController faces{engine};

    EngineRig(Clock &clock, EngineView &view) : engine(clock, view, session)
    {
        engine.setFaces(faces);
        session.setCurrent(&connection);
    }
    EngineRig(const EngineRig &) = delete;
    EngineRig &operator=(const EngineRig &) = delete;
};

}  // namespace kordex
