// Decoder throughput on mixed tandem traffic: display rewrites, indicator
// lines and printer lines, as a panel streams them.
#include "core/engine.h"
#include "platform/clock.h"
#include "tandem_traffic.h"
#include "tools/engine_rig.h"

#include <benchmark/benchmark.h>

using namespace kordex;

using bench::NullView;
using bench::traffic;

// An engine in tandem mode on an AS 1603 face, past its start-up guard.
struct TandemEngine {
    VirtualClock clock;
    NullView view;
    EngineRig rig{clock, view};
    Engine &engine = rig.engine;
    TandemEngine()
    {
        engine.startUp();
        clock.advance(1001);
        SessionRig::link(engine.session).Connected = true;
        rig.connection.autoLogin = false;
        engine.ModeChange();
        engine.session.setPanelType(1);
    }
};

static void BM_DecodeMixedTandemTraffic(benchmark::State &state)
{
    TandemEngine rig;
    const QByteArray t = traffic();
    for (auto _ : state)
        rig.engine.receive(t);
    state.SetBytesProcessed(int64_t(state.iterations()) * t.size());
}
BENCHMARK(BM_DecodeMixedTandemTraffic);

static void BM_DecodePrinterLines(benchmark::State &state)
{
    TandemEngine rig;
    QByteArray t = "\x1bY0 ";
    for (int i = 0; i < 100; ++i)
        t += "12:00:00 ZONE 12 DETECTOR 3 ALARM  PLANT ROOM 2 LEVEL 4\r\n";
    for (auto _ : state)
        rig.engine.receive(t);
    state.SetBytesProcessed(int64_t(state.iterations()) * t.size());
}
BENCHMARK(BM_DecodePrinterLines);

BENCHMARK_MAIN();
