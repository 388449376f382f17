#pragma once
// The replay script language: one engine on a virtual clock, driven line by
// line. kordex-replay, the engine's script tests and fuzz seeds share it.
//
//   send "TEXT"        one received chunk; escapes \xHH \r \n \e \\ \"
//   hex 1B 59 21 28    one received chunk given as hex bytes
//   wait MS            advance the clock, firing due timers and flash ticks
//   set NAME VALUE     connected|loggedin|autologin|diagnostic|shownz|suppress 0/1,
//                      paneltype N, systemname TEXT, tandem 0|1
//   dump               print the state as one JSON line
//   expect PATH JSON   compare one value of the state (PATH like screen.1 or lamps.FFAlm_1603)
//   expect-prefix PATH "TEXT"   the text at PATH starts with TEXT
//   reset              start again with a fresh session
#include "core/engine.h"
#include "core/recording_view.h"
#include "platform/clock.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace kordex {

class ReplaySession {
public:
    ReplaySession();
    ~ReplaySession();

    VirtualClock clock;
    RecordingView view;
    std::unique_ptr<Engine> engine;

    QByteArray dump() const { return dumpStateJson(*engine, view); }
    void advance(int64_t ms) { clock.advance(ms); }

private:
    std::unique_ptr<Timer> flashTicker_;
};

struct ScriptResult {
    int exitCode = 0;        // 0 fine, 1 an expectation failed, 2 a line is wrong
    QStringList messages;    // errors and failed expectations, with line numbers
};

// Runs a script; each dump line goes to `out`. Without a dump line the state
// is dumped once at the end.
ScriptResult runScript(const QByteArray &script, const std::function<void(const QByteArray &)> &out);

// Decodes the quoted text of a send line; nullopt on a malformed escape.
std::optional<QByteArray> decodeEscapes(const QByteArray &quoted);

} // namespace kordex
