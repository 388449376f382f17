// Decoder throughput on mixed tandem traffic (display rewrites, indicator
// lines and printer lines, as a panel streams them), the display alone and
// printer lines alone.
#include "bench/engine_rig.h"
#include "core/engine.h"
#include "platform/clock.h"
#include "tandem_traffic.h"

#include <benchmark/benchmark.h>

using namespace kordex;

using bench::displayText;
using bench::NullView;
using bench::printerLines;
using bench::traffic;

using TandemEngine = TandemModeEngine<NullView>;

// The stream is made once, outside the timed loop.
static void BM_Decode(benchmark::State &state, const QByteArray &stream)
{
    TandemEngine rig;
    for (auto _ : state)
        rig.engine.receive(stream);
    state.SetBytesProcessed(int64_t(state.iterations()) * stream.size());
}
BENCHMARK_CAPTURE(BM_Decode, MixedTandemTraffic, traffic());
BENCHMARK_CAPTURE(BM_Decode, DisplayText, displayText());
BENCHMARK_CAPTURE(BM_Decode, PrinterLines, printerLines());

BENCHMARK_MAIN();
