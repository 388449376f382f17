#pragma once
// The replay script language: the engine and the link session on a virtual
// clock, driven line by line. kordex-replay, the script tests, session traces
// and fuzz seeds share it. One line each; `#` starts a comment.
//
// The panel side
//   send "TEXT"        one received chunk; escapes \xHH \r \n \e \\ \"
//   hex 1B 59 21 28    one received chunk given as hex bytes
//   wait MS            advance the clock, firing due timers (at most 24 hours)
//
// The stored connections and the operator (each returns when its handler has
// finished or first waits; later lines go on while a procedure is suspended)
//   record "NAME" FIELD=VALUE ...   add a book record named NAME (or replace the
//                      one of that name); FIELD is a connection field name, VALUE
//                      a number, 0/1, or a "quoted text"; other fields keep the
//                      values a missing ini key takes; records keep their order
//   connect "NAME"     the Connect menu item of that record
//   disconnect         the Disconnect menu item
//   close              the window's close handler (without the file save)
//   type "TEXT"        each character as a typed key (same escapes as send)
//   key NAME           Up Down Left Right F1 F2 F3 F4 F5 Alt+F4
//   press COMPONENT    a pictured key goes down (e.g. press V01ZO); release
//   answer yes|no      queues the answer of the coming Yes/No boxes (Yes when
//                      none is queued); every box is answered at once
//
// The fake transport (how it behaves from then on)
//   socket ok [MS]     a connect reports the session up after MS ms (default 0)
//   socket refuse CODE a connect fails at once in the socket layer with CODE
//   socket error CODE  a connect reports session-connected with error CODE
//   socket never       a connect reports nothing at all
//   peerclose [CODE]   the peer closes the established session (CODE default 0)
//   port ok|absent|busy|badsettings   how opening the serial port goes
//   port slow MS       the port reports itself open MS ms after an open
//   lineerror          the port reports a line error
//   unplug             the port's device vanishes, as an unplugged adapter
//   hold none|xoff|cts|dsr   the transmit-hold status the port reports
//   txroom N / txpending N   transmit room and bytes pending the port reports
//                      (2048 and 0 unless told; writes do not change them)
//
// Files
//   capture "PATH" / endcapture   the capture menu item, its save dialog
//                      answered with PATH
//   sendfile "PATH" / stopsend    the send menu item, its open dialog answered
//                      with PATH as given; the send goes on as the clock advances
//
// Checking
//   set NAME VALUE     connected|loggedin|autologin|diagnostic|shownz|suppress 0/1,
//                      paneltype N, systemname TEXT, tandem 0|1
//   dump               print the state as one JSON line
//   expect PATH JSON   compare one value of the state (PATH like screen.1,
//                      lamps.FFAlm_1603, menu.Disconnect.enabled, sent.0.1);
//                      null also matches a value that does not exist
//   expect-prefix PATH "TEXT"   the text at PATH starts with TEXT
//   reset              start again with a fresh session
//
// A script with none of the stored-connection, operator or transport lines
// starts as an established terminal-mode connection named "Panel"; one with
// any of them starts idle with an empty book. A line in error ends the script
// with exit code 2 and its line number.
#include "core/engine.h"
#include "face_logic/face_controller.h"
#include "face_logic/key_input.h"
#include "link/link_session.h"
#include "platform/clock.h"
#include "platform/prompter.h"
#include "replay/recording_view.h"

#include <QByteArray>
#include <QString>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

namespace kordex {

// The fake transports of a script: one socket, one serial port.
class FakeTransport final : public Transport {
public:
    enum class Connect { Ok, Refuse, Error, Never };    // the socket
    enum class Open { Ok, Absent, Busy, BadSettings };  // the port
    FakeTransport(Clock &clock, bool serial);

    bool bringUp(const LinkSettings &settings) override;
    void tearDown() override;
    bool isOpen() const override { return open_; }
    bool send(const QByteArray &bytes) override;
    int transmitRoom() const override { return txRoom; }
    int bytesPending() const override { return txPending; }
    Hold holdStatus() const override { return hold; }
    void setReceivePaused(bool paused) override { receivePaused_ = paused; }
    // The port's lines: raised right after the open (before a slow port
    // reports itself open), down with the close; under DTR/DSR, DTR follows
    // the receive side.
    bool requestToSend() const override { return linesUp_; }
    bool dataTerminalReady() const override { return linesUp_ && !(settings.flow == 3 && receivePaused_); }
    int lastError() const override { return lastError_; }
    QString lastErrorMessage() const override { return lastMessage_; }
    QString errorDescription(int code) const override;

    // The peer closes the socket, or the port's device vanishes.
    void peerClose(int code);

    const bool serial;
    Connect connectMode = Connect::Ok;
    int connectDelayMs = 0;
    int connectCode = 0;
    Open openMode = Open::Ok;
    int txRoom = 2048, txPending = 0;
    Hold hold = Hold::None;
    // A close that reports nothing (no script line: a transport fault for tests).
    bool silentClose = false;
    LinkSettings settings;  // of the last bring-up
    std::function<void(const QByteArray &)> onWrite;

private:
    void opened();
    Timer connectTimer_;
    bool open_ = false;
    bool linesUp_ = false, receivePaused_ = false;
    int lastError_ = 0;
    QString lastMessage_;
};

// Boxes are recorded and answered at once, from inside the call: a script
// reads on with the answer given, as it always has.
class ReplayPrompter final : public Prompter {
public:
    struct Box {
        QString caption, text;
    };
    std::vector<Box> boxes;
    std::deque<bool> answers;  // Yes when empty
    std::deque<std::optional<QString>> files;

    void message(const QString &title, const QString &text, Icon, Closed closed) override;
    void askYesNo(const QString &title, const QString &text, YesNo answered) override;
    std::vector<FileDialog> fileDialogs;
    void openFileName(const FileDialog &d, Chosen chosen) override { nextFile(d, std::move(chosen)); }
    void saveFileName(const FileDialog &d, Chosen chosen) override { nextFile(d, std::move(chosen)); }
    void beep() override {}

private:
    void nextFile(const FileDialog &d, Chosen chosen);
};

class ReplaySession {
public:
    // `linkMode`: start idle with an empty book instead of an established
    // terminal-mode connection.
    explicit ReplaySession(bool linkMode = false);
    ~ReplaySession();
    ReplaySession(const ReplaySession &) = delete;
    ReplaySession &operator=(const ReplaySession &) = delete;

    VirtualClock clock;
    RecordingView view;
    ReplayPrompter prompter;
    SessionState session;
    ConnectionBook book;
    Engine engine;
    FaceController faces;
    LinkSession link;
    FakeTransport socket;
    FakeTransport port;
    KeyInput keys;

    struct Sent {
        int64_t ms;
        QByteArray bytes;
    };
    std::vector<Sent> sent;
    int64_t startMs = 0;

    QByteArray dump() const;
    void advance(int64_t ms) { clock.advance(ms); }
};

struct ScriptResult {
    int exitCode = 0;      // 0 fine, 1 an expectation failed, 2 a line is wrong
    QStringList messages;  // errors and failed expectations, with line numbers
};

// Runs a script; each dump line goes to `out`. Without a dump line the state
// is dumped once at the end.
ScriptResult runScript(const QByteArray &script, const std::function<void(const QByteArray &)> &out);

// Decodes the quoted text of a send line; nullopt on a malformed escape.
std::optional<QByteArray> decodeEscapes(const QByteArray &quoted);

}  // namespace kordex
