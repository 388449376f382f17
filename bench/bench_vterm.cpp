// The decoder's instructions per byte beside libvterm's on the same bytes:
// run under callgrind by bench/vterm_ratio.sh, which reads the counts of
// the feeds alone. Each feed runs once, on an engine or a terminal set up
// before counting starts; callgrind dumps the count under the feed's label.
#include "bench/engine_rig.h"
#include "tandem_traffic.h"

#include <valgrind/callgrind.h>
#include <vterm.h>

#include <cstdio>

using namespace kordex;

namespace {

int ignoreRect(VTermRect, void *) { return 1; }
int ignoreMove(VTermRect, VTermRect, void *) { return 1; }
int ignoreCursor(VTermPos, VTermPos, int, void *) { return 1; }
int ignoreProp(VTermProp, VTermValue *, void *) { return 1; }
int ignoreBell(void *) { return 1; }

// The screen layer with callbacks that take what it reports and do nothing,
// the counterpart of the engine's view that shows nothing.
const VTermScreenCallbacks kScreenCallbacks = {ignoreRect, ignoreMove, ignoreCursor, ignoreProp,
                                               ignoreBell, nullptr,    nullptr,      nullptr};

__attribute__((noinline)) void feedDecoder(Engine &engine, const QByteArray &bytes) { engine.receive(bytes); }

__attribute__((noinline)) void feedLibvterm(VTerm *vt, const QByteArray &bytes)
{
    vterm_input_write(vt, bytes.constData(), size_t(bytes.size()));
}

void measureDecoder(const char *label, const QByteArray &bytes)
{
    TandemModeEngine<bench::NullView> rig;
    CALLGRIND_ZERO_STATS;
    CALLGRIND_TOGGLE_COLLECT;
    feedDecoder(rig.engine, bytes);
    CALLGRIND_TOGGLE_COLLECT;
    CALLGRIND_DUMP_STATS_AT(label);
}

void measureLibvterm(const char *label, const QByteArray &bytes)
{
    VTerm *vt = vterm_new(25, 100);
    VTermScreen *screen = vterm_obtain_screen(vt);
    vterm_screen_set_callbacks(screen, &kScreenCallbacks, nullptr);
    vterm_screen_reset(screen, 1);
    CALLGRIND_ZERO_STATS;
    CALLGRIND_TOGGLE_COLLECT;
    feedLibvterm(vt, bytes);
    CALLGRIND_TOGGLE_COLLECT;
    CALLGRIND_DUMP_STATS_AT(label);
    vterm_free(vt);
}

}  // namespace

int main()
{
    const struct {
        const char *name;
        QByteArray bytes;
    } streams[] = {{"mixed", bench::traffic()}, {"text", bench::displayText()}, {"printer", bench::printerLines()}};
    // "decoder mixed 9536": the stream's size for the script, which labels
    // the dumps the same way.
    for (const auto &s : streams) {
        const QByteArray decoder = QByteArray("decoder ") + s.name;
        const QByteArray libvterm = QByteArray("libvterm ") + s.name;
        measureDecoder(decoder.constData(), s.bytes);
        measureLibvterm(libvterm.constData(), s.bytes);
        std::printf("bytes %s %lld\n", s.name, static_cast<long long>(s.bytes.size()));
    }
    return 0;
}
