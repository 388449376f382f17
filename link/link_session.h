#pragma once
// The life of one panel session: choosing a stored connection, bringing its
// transport up, the panel login, tearing it down, and the one send path every
// sender uses. Procedures that wait are coroutines over the shared Timer4:
// a wait suspends its procedure and returns to the event loop; every event
// entry point ends by letting the waits re-check their conditions.
#include "config/connect_menu.h"
#include "config/connection_book.h"
#include "core/engine.h"
#include "link/task.h"
#include "link/transport.h"
#include "link/wait_hub.h"
#include "platform/callback_guard.h"
#include "platform/clock.h"

#include <QByteArray>
#include <QFile>
#include <deque>
#include <functional>
#include <list>
#include <optional>

namespace kordex {

class Prompter;

// What a transport write carried, so a trace can leave secrets out.
enum class TxTag { Plain, Password, Sid };

class LinkSession final {
public:
    LinkSession(Engine &engine, ConnectionBook &book, Prompter &prompter);
    ~LinkSession();
    LinkSession(const LinkSession &) = delete;
    LinkSession &operator=(const LinkSession &) = delete;

    // The transports by connection type: 0 and 1 share the serial port.
    void setTransports(Transport *serial, Transport *socket);
    Transport *transportFor(int connectionType) const;

    // ---- operator commands (return when the procedure first waits) ----
    void ConnectToStored(int index);
    // A connection that is not stored in the book (the demo panel).
    void ConnectToRecord(const TConnectionRec &record);
    void ConnectionClicked(int index) { ConnectToStored(index); }
    void DisconnectClick();
    // The window's close handler, after the book was saved.
    void windowClosing();
    // A key byte from the operator; false when it could not be handed over.
    bool sendKey(uint8_t c);

    // The File menu's capture and file-send items: each starts, or ends
    // what it started.
    void SaveDatabase1Click();
    void LoadDatabase1Click();

    void PopulateConnectMenu();
    const ConnectMenuModel &connectMenu() const { return menu_; }
    bool SameLink(int index) const;
    bool SameLink(const TConnectionRec &record) const;

    // True while no procedure is running (nothing left to wait for).
    bool idle() const;
    // Resumes once no connect is running or waiting its turn.
    WaitHub::Until untilConnectsDone()
    {
        return hub_.until([this] { return !connecting_; });
    }
    // Ends every running procedure at once (the program is going away).
    void cancelAll();

    // ---- transport events ----
    void dataReceived(const QByteArray &chunk);
    void WSocket1SessionConnected(int error);
    void WSocket1SessionClosed(int error);
    void AfComPort1LineError();
    // The serial port failed on its own (an adapter unplugged).
    void portLost(int error);

    // ---- procedures (coroutines) ----
    Task<bool> SendChar(uint8_t c, TxTag tag = TxTag::Plain);
    Task<void> SendLine(QByteArray s, TxTag tag = TxTag::Plain);
    Task<bool> MakeConnection(bool open);
    Task<bool> PanelLogin(bool login);
    Task<bool> SocketLink(bool open);
    Task<bool> SerialLink(bool open);
    Task<bool> ModemLink(bool open);

    // ---- state ----
    TConnectionRec CurrentConnection;
    bool DialIssued = false;
    int CurrentIndex = -1;
    QByteArray ConnectError;
    bool SessionUp = false;

    Timer Timer4;  // the shared time-out
    Timer Timer5;  // line pacing of a file sent over TCP/IP

    SessionState &session() { return e_.session; }
    Engine &engine() { return e_; }
    ConnectionBook &book() { return book_; }

    // Every transport write, with what it carried, and every received chunk.
    std::function<void(const QByteArray &bytes, TxTag tag)> onTransmit;
    std::function<void(const QByteArray &chunk)> onReceive;

    // Lets suspended waits re-check their conditions (after any state change
    // made from outside an event entry point).
    void notify() { hub_.notify(); }

private:
    // Starts a procedure on its own; it lives until it finishes.
    void run(Task<void> procedure);
    Task<void> runBool(Task<bool> procedure);
    void reap();
    struct ConnectRequest {
        int index;                             // in the book, or -1
        std::optional<TConnectionRec> record;  // a record from elsewhere
    };
    Task<void> connectToStored(ConnectRequest request);
    Task<void> sendFile(QString path);
    void startCapture(const QString &path);
    bool heldForFlow() const;
    void setSendMenu(bool sending);
    void captureLine(const QByteArray &line);
    Task<void> connectInTurn();
    Task<void> flushKeys();

    // Arms Timer4 with a fresh count of ms; the awaitable resumes when it
    // stops or `endEarly` holds. A plain function, not a coroutine: g++ 12
    // frees a by-value std::function argument of a coroutine too early.
    // For the same reason, conditions written inside a co_await capture
    // only pointers and references, and no co_await stands inside && or ||
    // (g++ 12 evaluates it regardless).
    WaitHub::Until wait(int ms, std::function<bool()> endEarly);
    Task<bool> bringUpByType(int type);
    Task<bool> tearDownByType(int type);
    bool write(Transport &t, const QByteArray &bytes, TxTag tag);
    void loseLink();
    LinkSettings settingsFor(const TConnectionRec &rec) const;

    void setStatus(const QByteArray &text);
    void enable(MenuItem item, bool on);
    void showMenu(MenuItem item, bool on);
    void box(const char *caption, const QByteArray &text);
    void asterisk();
    void unAsterisk();
    void clearResponse();
    bool aborted() const { return e_.session.AbortRequested; }

    // Which transport an event came from.
    struct SocketEvents final : TransportEvents {
        explicit SocketEvents(LinkSession &l) : link(l) {}
        void dataReceived(const QByteArray &c) override { link.dataReceived(c); }
        void sessionConnected(int e) override { link.WSocket1SessionConnected(e); }
        void sessionClosed(int e) override { link.WSocket1SessionClosed(e); }
        void lineError() override { link.AfComPort1LineError(); }
        void transmitChanged() override { link.hub_.notify(); }
        LinkSession &link;
    };
    struct PortEvents final : TransportEvents {
        explicit PortEvents(LinkSession &l) : link(l) {}
        void dataReceived(const QByteArray &c) override { link.dataReceived(c); }
        void sessionConnected(int) override { link.hub_.notify(); }
        void sessionClosed(int e) override { link.portLost(e); }
        void lineError() override { link.AfComPort1LineError(); }
        void transmitChanged() override { link.hub_.notify(); }
        LinkSession &link;
    };
    SocketEvents socketEvents_{*this};
    PortEvents portEvents_{*this};

    Engine &e_;
    ConnectionBook &book_;
    Prompter &prompter_;
    ConnectMenuModel menu_;
    WaitHub hub_;
    Transport *serial_ = nullptr;
    Transport *socket_ = nullptr;
    LinkSettings settings_;
    std::list<Task<void>> procedures_;
    QByteArray keyQueue_;
    std::deque<ConnectRequest> connectQueue_;
    bool connecting_ = false;
    bool flushing_ = false;
    bool tearingDown_ = false;

    QFile capture_;
    bool captureIncomplete_ = false;
    Timer captureErrorBox_;  // the box comes after the receive path, not inside it
    int flowMode_ = 0;
    Timer sendRetry_;  // a character the link did not take is offered again
    Timer yield_;      // a long send lets the event loop run now and then
    // A file dialog's answer may come after we are gone.
    CallbackGuard guard_;
};

}  // namespace kordex
