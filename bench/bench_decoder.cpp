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

static void BM_DecodeMixedTandemTraffic(benchmark::State &state)
{
    TandemEngine rig;
    const QByteArray t = traffic();
    for (auto _ : state)
        rig.engine.receive(t);
    state.SetBytesProcessed(int64_t(state.iterations()) * t.size());
}
BENCHMARK(BM_DecodeMixedTandemTraffic);

static void BM_DecodeDisplayText(benchmark::State &state)
{
    TandemEngine rig;
    const QByteArray t = displayText();
    for (auto _ : state)
        rig.engine.receive(t);
    state.SetBytesProcessed(int64_t(state.iterations()) * t.size());
}
BENCHMARK(BM_DecodeDisplayText);

static void BM_DecodePrinterLines(benchmark::State &state)
{
    TandemEngine rig;
    const QByteArray t = printerLines();
    for (auto _ : state)
        rig.engine.receive(t);
    state.SetBytesProcessed(int64_t(state.iterations()) * t.size());
}
BENCHMARK(BM_DecodePrinterLines);

BENCHMARK_MAIN();
