#pragma once
// The program's composition root: it owns the session state, the book, the
// engine with its faces, the link session, the key input, the window and the
// connection dialog, wires them to each other, and runs start-up and
// shut-down. main() makes one over the real clock and transports; the tests
// make one over a virtual clock and a fake transport.
#include "config/connection_actions.h"
#include "config/connection_book.h"
#include "core/engine.h"
#include "core/session_state.h"
#include "face_logic/face_controller.h"
#include "face_logic/key_input.h"
#include "faces/main_window.h"
#include "history/history_recorder.h"
#include "history/history_upload.h"
#include "link/link_session.h"
#include "link/session_trace.h"
#include "link/sliced_transport.h"
#include "platform/clock.h"

#include <QByteArray>
#include <cstdint>
#include <memory>
#include <optional>

namespace kordex {

class Configuration;
class Prompter;
class ConnectionPropertiesDialog;
class HistoryWindow;
class Transport;

class Program final : public ConnectionActions {
public:
    struct Options {
        // The lamps flash on the clock; tests that paint them step by step turn it off.
        bool flashLamps = true;
        // The first command-line argument: a stored connection to connect to.
        QByteArray connectionArgument;
        // Loads and saves the book; none in tests.
        Configuration *configuration = nullptr;
        // The transports; none means that type cannot connect.
        Transport *serial = nullptr;
        Transport *socket = nullptr;
        // Where the session trace goes; none without.
        QString tracePath;
        // Longer received chunks reach the engine in slices of this many
        // bytes, one per event-loop turn; 0 passes them on whole.
        qsizetype receiveSlice = SlicedTransport::kDefaultSlice;
        // The event history's file; none records nothing.
        QString historyPath;
        // A team's PostgreSQL server the history also goes to; none when empty.
        QString historyServer;
    };

    Program(Clock &clock, Prompter &prompter, Options options);
    ~Program() override;
    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;

    // The window's creation: book, Connect menu, engine, the lamps' flashing.
    void start();
    // The window's close handler: save the book, end the connection.
    void shutDown();
    // The command-line connection, 1.5 s after start.
    void startCommandLineConnection();
    // After the close, whether the program may end `closingMs` after it: the
    // link's tear-down (the logout, the pauses around the close) is done, or
    // has taken too long; and no box is left for the operator to read.
    bool mayEnd(int64_t closingMs) const;
    static constexpr int64_t kTearDownLimitMs = 15000;  // the tear-down takes about 6 s

    Clock &clock;
    Prompter &prompter;
    SessionState session;
    ConnectionBook book;
    MainWindow window;
    TracingView shownView;  // the window, as the engine and link see it
    TracingPrompter boxes;  // the operator's boxes, as the link and dialog see them
    Engine engine;
    FaceController faces;

private:
    // Made before the link and gone after it: the link talks to these.
    std::unique_ptr<SlicedTransport> slicedSerial_, slicedSocket_;

public:
    LinkSession link;
    KeyInput keys;
    std::unique_ptr<ConnectionPropertiesDialog> dialog;
    Timer commandLineTimer;
    std::unique_ptr<SessionTrace> trace;
    std::unique_ptr<history::HistoryRecorder> history;
    std::unique_ptr<HistoryWindow> historyWindow;
    std::unique_ptr<history::HistoryUploader> historyUpload;  // a team server is set

    // ConnectionActions, for the dialog.
    void connectToStored(int index) override;
    void rebuildConnectMenu() override { link.rebuildConnectMenu(); }
    void setFileMenuEnabled(bool enabled) override { window.setFileMenuEnabled(enabled); }
    void showHelpTopic(int topic) override { window.showHelpTopic(topic); }
    bool isConnected() const override { return session.connected; }
    bool connectionActive() const override { return session.connectionActive; }
    QByteArray currentSystemName() const override { return link.currentConnection.systemName; }
    int currentIndex() const override { return link.currentIndex; }

private:
    void recordHistory();
    // A problem of the recorder's or the uploader's (empty: over).
    void tellHistoryProblem(QString &note, const QString &message);
    Task<void> connectFromCommandLine();
    Options options_;
    Task<void> commandLine_;
    int forcedAutoLogin_ = -1;  // the record the command line connects to
    bool closed_ = false;
    QString recorderNote_, uploadNote_;  // the history's problems, while they last
};

}  // namespace kordex
