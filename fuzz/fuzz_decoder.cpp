// libFuzzer target: arbitrary received bytes, panel types and clock steps
// through the engine; checks the invariants the window relies on.
#include "bench/engine_rig.h"
#include "core/engine.h"
#include "platform/clock.h"
#include "replay/recording_view.h"

#include <cstdlib>

using namespace kordex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ConnectedEngine<RecordingView> rig;
    VirtualClock &clock = rig.clock;
    Engine &engine = rig.engine;
    rig.parts.connection.autoLogin = size % 2;
    rig.parts.connection.diagnosticMode = size % 3 == 0;

    // Byte 0xFF followed by a control byte drives the session; everything else is received.
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == 0xFF && i + 1 < size) {
            const uint8_t c = data[++i];
            switch (c % 4) {
            case 0:
                engine.session.setPanelType(c / 4 % 9);
                engine.selectFace();
                break;
            case 1: engine.switchMode(); break;
            case 2: clock.advance(c * 10); break;
            case 3: engine.flash.tick(); break;
            }
            continue;
        }
        engine.parser.write(&data[i], 1);
        const DisplayModel &d = engine.display;
        if (d.cursorRow < 0 || d.cursorRow > 24 || d.cursorColumn < 0)
            std::abort();
        if (d.differsFromShadow() != d.compareAllWithShadow())
            std::abort();
    }
    engine.flash.finish();
    return 0;
}
