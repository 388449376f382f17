// libFuzzer target: arbitrary received bytes, panel types and clock steps
// through the engine; checks the invariants the window relies on.
#include "core/engine.h"
#include "platform/clock.h"
#include "tools/engine_rig.h"
#include "tools/recording_view.h"

#include <cstdlib>

using namespace kordex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    VirtualClock clock;
    RecordingView view;
    EngineRig rig(clock, view);
    Engine &engine = rig.engine;
    engine.startUp();
    clock.advance(1001);
    SessionRig::link(engine.session).Connected = true;
    rig.connection.autoLogin = size % 2;
    rig.connection.diagnosticMode = size % 3 == 0;

    // Byte 0xFF followed by a control byte drives the session; everything else is received.
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0xFF && i + 1 < size) {
            const uint8_t c = data[++i];
            switch (c % 4) {
            case 0:
                engine.session.setPanelType(c / 4 % 9);
                engine.SelectFace();
                break;
            case 1: engine.ModeChange(); break;
            case 2: clock.advance(c * 10); break;
            case 3: engine.flash.tick(); break;
            }
            continue;
        }
        engine.decoder.processByte(data[i]);
        const DisplayModel &d = engine.display;
        if (d.CursorRow < 0 || d.CursorRow > 24 || d.CursorColumn < 0)
            std::abort();
        if (d.differsFromShadow() != d.compareAllWithShadow())
            std::abort();
    }
    engine.flash.finish();
    return 0;
}
