#pragma once
// The life of one panel session: choosing a stored connection, bringing its
// link up through the connector of its type, the panel login, tearing it all
// down, the Connect menu and its marker, and the one send path every sender
// uses. Procedures that wait are coroutines over the shared time-out (linkTimeout): a wait
// suspends its procedure and returns to the event loop; every event entry
// point ends by letting the waits re-check their conditions.
//
// Boxes only report: a procedure never waits for the OK of a box it raised
// (the failure box of a connect, the box of a lost link). The tear-down that
// follows such a box runs while the box is open, so the verdict is always the
// one the events gave, and the loss rule runs before the box is shown.
#include "config/connect_menu.h"
#include "config/connection_book.h"
#include "core/engine.h"
#include "link/capture.h"
#include "link/connector.h"
#include "link/file_send.h"
#include "link/key_queue.h"
#include "link/link_context.h"
#include "link/modem_connector.h"
#include "link/panel_login.h"
#include "link/procedures.h"
#include "link/received_text.h"
#include "link/serial_connector.h"
#include "link/task.h"
#include "link/terminal_server_connector.h"
#include "link/transport.h"
#include "link/wait_hub.h"
#include "platform/clock.h"

#include <QByteArray>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <optional>

namespace kordex {

class Prompter;

class LinkSession final : private LinkContext {
public:
    LinkSession(Engine &engine, ConnectionBook &book, Prompter &prompter);
    ~LinkSession() override;
    LinkSession(const LinkSession &) = delete;
    LinkSession &operator=(const LinkSession &) = delete;

    // The transports: the serial port (direct and modem) and the socket.
    void setTransports(Transport *serial, Transport *socket);
    // The connector of a connection type; one without a transport for an unknown type.
    Connector &connectorFor(ConnectionType type) const;

    // ---- operator commands (return when the procedure first waits) ----
    // `forceAutoLogin`: this attempt logs in even if the record does not
    // (the command line); the book keeps the record's own setting.
    void connectToStored(int index, bool forceAutoLogin = false);
    // A connection that is not stored in the book (the demo panel).
    void connectToRecord(const ConnectionRecord &record);
    void connectMenuItemChosen(int index) { connectToStored(index); }
    void requestDisconnect();
    // The window's close handler, after the book was saved.
    void windowClosing();
    // A key byte from the operator; false when it could not be handed over.
    bool sendKey(uint8_t c);
    // A recorded stream played into the window (kordex --replay): an
    // established terminal-mode session without a transport.
    void startReplay(const QByteArray &systemName);

    // The File menu's capture and file-send items: each starts, or ends
    // what it started.
    void toggleCapture() { capture_.toggle(); }
    void toggleFileSend() { fileSend_.toggle(); }

    void rebuildConnectMenu();
    const ConnectMenuModel &connectMenu() const { return menu_; }
    bool sameLink(int index) const;
    bool sameLink(const ConnectionRecord &record) const;

    // True while no procedure is running (nothing left to wait for).
    bool idle() const;
    // Resumes once no connect is running or waiting its turn.
    WaitHub::Until untilConnectsDone()
    {
        return hub_.until([this] { return !connecting_; });
    }
    // Ends every running procedure at once (the program is going away).
    void cancelAll();

    // A received chunk, as a transport delivers it.
    void dataReceived(const QByteArray &chunk) { received(chunk); }
    bool sessionUp() const { return terminalServer_ && terminalServer_->sessionUp(); }

    // ---- procedures (coroutines) ----
    Task<bool> sendChar(uint8_t c, TxTag tag = TxTag::Plain) override;
    Task<void> sendLine(QByteArray s, TxTag tag = TxTag::Plain) override;

    // ---- state ----
    // After a change to it from outside the session's own steps, call
    // syncPanelSettings: the engine reads the settings it needs from a copy.
    ConnectionRecord currentConnection;
    void syncPanelSettings();
    // What arrived while the link was not up or a login was pending.
    const ReceivedText &responseText() const { return response_; }
    int currentIndex = -1;
    QByteArray lastConnectError;

    Timer linkTimeout;      // the shared time-out
    Timer linePacingTimer;  // line pacing of a file sent over TCP/IP

    const SessionState &session() const override { return e_.session; }
    Engine &engine() override { return e_; }
    ConnectionBook &book() { return book_; }

    // Every transport write, with what it carried, and every received chunk.
    std::function<void(const QByteArray &bytes, TxTag tag)> onTransmit;
    std::function<void(const QByteArray &chunk)> onReceive;

    // The course of a session, for the history; `text` is the box text or
    // the failure, when there is one.
    enum class SessionEvent {
        ConnectStarted,
        LoggedIn,
        DisconnectedByOperator,
        LinkLost,
        ConnectFailed,
        LoginFailed,
        Ended
    };
    std::function<void(SessionEvent event, const QByteArray &text)> onSessionEvent;

    // Lets suspended waits re-check their conditions (after any state change
    // made from outside an event entry point).
    void notify() { hub_.notify(); }

private:
    struct ConnectRequest {
        int index;                             // in the book, or -1
        std::optional<ConnectionRecord> record;  // a record from elsewhere
        bool forceAutoLogin = false;
    };

    void queueConnect(ConnectRequest request);
    Task<void> connectInTurn();
    Task<void> connectRequested(ConnectRequest request);
    Task<void> reconnectOnSameLink(ConnectRequest request);
    std::optional<ConnectionRecord> recordOf(const ConnectRequest &request) const;
    void take(const ConnectRequest &request);

    // Bringing a link up, and taking it down.
    Task<bool> connect();
    Task<bool> bringUpAndLogIn();
    Task<void> failConnection();
    Task<bool> disconnect();
    void established();
    void finishIdle();
    void abortAttempt();
    void loseLink();
    // Up, and logged in or without automatic login: a disconnect, not a cancel, ends it.
    bool sessionEstablished() const { return f_.connected && (e_.session.loggedIn || !currentConnection.autoLogin); }

    // A plain function over a pack: g++ 12 miscompiles a braced list made
    // inside a coroutine.
    template <class... Items>
    void enable(bool on, Items... items)
    {
        (e_.shell.setMenuEnabled(items, on), ...);
    }
    void box(const char *caption, const QByteArray &text);
    void tell(SessionEvent event, const QByteArray &text = {})
    {
        if (onSessionEvent)
            onSessionEvent(event, text);
    }
    void asterisk();
    void unAsterisk();
    void publishMenu();

    LinkContext &context() { return *this; }
    // LinkContext, for the connectors, the login, the capture and the file send.
    bool write(Transport &t, const QByteArray &bytes, TxTag tag) override;
    WaitHub::Until wait(int ms, std::function<bool()> endEarly) override;
    Timer &timeout() override { return linkTimeout; }
    WaitHub &hub() override { return hub_; }
    LinkFlags &flags() override { return f_; }
    ReceivedText &response() override { return response_; }
    const ConnectionRecord &current() const override { return currentConnection; }
    QByteArray &connectError() override { return lastConnectError; }
    Prompter &prompter() override { return prompter_; }
    Connector &connector() const override { return connectorFor(currentConnection.connectionType); }
    void setStatus(const QByteArray &text) override;
    void setProgress(const QByteArray &text) override { e_.shell.setProgress(text); }
    void received(const QByteArray &chunk) override;
    void linkFailed(const char *caption, const QByteArray &text) override;
    bool stillUp(quint64 generation) const override;
    quint64 generation() const override { return generation_; }

    Engine &e_;
    LinkFlags &f_;
    PanelLinkSettings panelSettings_;
    ReceivedText response_;
    ConnectionBook &book_;
    Prompter &prompter_;
    ConnectMenuModel menu_;
    WaitHub hub_;

    std::unique_ptr<SerialConnector> serial_;
    std::unique_ptr<ModemConnector> modem_;
    std::unique_ptr<TerminalServerConnector> terminalServer_;
    std::unique_ptr<NoConnector> none_;
    PanelLogin login_{context()};
    Capture capture_{context()};
    FileSend fileSend_{context(), linePacingTimer};

    Procedures procedures_;
    bool tearingDown_ = false;
    KeyQueue keys_{context(), procedures_, tearingDown_};
    std::deque<ConnectRequest> connectQueue_;
    bool connecting_ = false;
    bool established_ = false;  // connected and logged in (or by hand)
    quint64 generation_ = 0;    // a new one for every record taken
    int markedIndex_ = -1;      // the Connect menu item carrying the marker
};

}  // namespace kordex
