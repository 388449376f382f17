// Decoder throughput on mixed tandem traffic: display rewrites, indicator
// lines and printer lines, as a panel streams them.
#include "core/engine.h"
#include "tools/engine_rig.h"
#include "platform/clock.h"

#include <benchmark/benchmark.h>

using namespace kordex;

namespace {
class NullView final : public EngineView {
public:
    void setCaption(const QByteArray &) override {}
    void setVisibleContainer(Container) override {}
    void prepareFace(int) override {}
    void setLogicKeysVisible(bool) override {}
    void setLcdGeometry(const QRect &) override {}
    void setEventScreenGeometry(int, int) override {}
    void setNzDisplayVisible(bool) override {}
    void setLcdText(const QByteArray &t) override { benchmark::DoNotOptimize(t.constData()); }
    void eventScreenReplace(int, const QByteArray &) override {}
    void eventScreenInsert(int, const QByteArray &) override {}
    void eventScreenRemoveFirst() override {}
    void setLampColor(std::string_view, Rgb) override {}
    void setLampVisible(std::string_view, bool) override {}
    void setSounder(const QByteArray &, Rgb) override {}
    void setSounderVisible(bool) override {}
    void setEventsLabel(const QByteArray &, int) override {}
    void setEventsLabelVisible(bool) override {}
    void setMenuEnabled(MenuItem, bool) override {}
    void setMenuChecked(MenuItem, bool) override {}
    void setMenuVisible(MenuItem, bool) override {}
    void setMenuCaption(MenuItem, const QByteArray &) override {}
    void setConnectMenu(const std::vector<QByteArray> &) override {}
    void setProgress(const QByteArray &) override {}
    void beep() override {}
    void flashTaskbar(bool) override {}
    void focusFirstControl() override {}
};

QByteArray indicatorLine(int n)
{
    QByteArray body = "025";
    const char states[] = "QFSNO";
    for (int k = 3; k <= 25; ++k)
        body += states[(k + n) % 5];
    int sum = 0;
    for (char c : body)
        sum += uint8_t(c);
    return body + QByteArray::number(sum % 256, 16).rightJustified(2, '0').toUpper();
}

// One "screenful": the display rewritten (partly changed), an indicator
// line, and a printer line.
QByteArray traffic()
{
    QByteArray t;
    for (int n = 0; n < 64; ++n) {
        t += "\x1bY  ";
        t += QByteArray("ZONE 12 ALARM ") + QByteArray::number(n % 10) + "      12:0" + QByteArray::number(n % 10) +
             " 01/12/26  ";
        t += "\x1bY! ";
        t += "Q7312 Fire Alarm System  Level 2 Floor";
        t += "\x1bY- " + indicatorLine(n) + "\x1b";
        t += "\x1bY0 12:00:0" + QByteArray::number(n % 10) + " ZONE 12 DETECTOR 3 ALARM  PLANT ROOM 2\r\n";
    }
    return t;
}
} // namespace

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
        engine.session.Connected = true;
        rig.connection.AutoLogin = false;
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
