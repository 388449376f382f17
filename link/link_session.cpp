#include "link/link_session.h"

#include "platform/prompter.h"
#include "platform/text_codec.h"

#include <utility>

namespace kordex {

namespace {
constexpr uint8_t kCR = 13;
constexpr int kOtherLinkWaitMs = 1000;
}  // namespace

LinkSession::LinkSession(Engine &engine, ConnectionBook &book, Prompter &prompter)
    : Timer4(engine.clock, 1000,
             [this] {
                 Timer4.stop();
                 hub_.notify();
             }),
      Timer5(engine.clock, 1000,
             [this] {
                 Timer5.stop();
                 hub_.notify();
             }),
      e_(engine),
      f_(engine.session.linkFlags({})),
      book_(book),
      prompter_(prompter),
      none_(std::make_unique<NoConnector>(context()))
{
    e_.session.setCurrent(&CurrentConnection);
    e_.display.captureLine = [this](const QByteArray &line) { capture_.line(line); };
    e_.onTandemHeld = [this] { f_.TandemSeen = true; };
    setTransports(nullptr, nullptr);
    // Both run from start-up, as the window's timers do; their first ticks stop them.
    Timer4.start();
    Timer5.start();
}

LinkSession::~LinkSession()
{
    cancelAll();
    e_.display.captureLine = nullptr;
    e_.onTandemHeld = nullptr;
    e_.session.setCurrent(nullptr);
}

void LinkSession::setTransports(Transport *serial, Transport *socket)
{
    modem_.reset();
    serial_.reset();
    terminalServer_.reset();
    serial_ = std::make_unique<SerialConnector>(context(), serial);
    modem_ = std::make_unique<ModemConnector>(context(), *serial_);
    terminalServer_ = std::make_unique<TerminalServerConnector>(context(), socket);
}

Connector &LinkSession::connectorFor(int type) const
{
    switch (type) {
    case 0: return *modem_;
    case 1: return *serial_;
    case 2: return *terminalServer_;
    default: return *none_;
    }
}

// ---- procedures and their lifetime ----

bool LinkSession::idle() const { return procedures_.idle() && !fileSend_.running(); }

void LinkSession::cancelAll()
{
    procedures_.cancelAll();
    keys_.clear();
    connecting_ = false;
    connectQueue_.clear();
}

WaitHub::Until LinkSession::wait(int ms, std::function<bool()> endEarly)
{
    // A fresh count for every wait: a wait never inherits the deadline of
    // an earlier one that ended early.
    Timer4.setInterval(ms);
    Timer4.restart();
    return hub_.until(
        [this, endEarly = std::move(endEarly)] { return !Timer4.isRunning() || (endEarly && endEarly()); });
}

// ---- small helpers ----

void LinkSession::setStatus(const QByteArray &text)
{
    e_.session.StatusText = text;
    e_.SelectFace();
}

void LinkSession::box(const char *caption, const QByteArray &text)
{
    prompter_.message(QString::fromLatin1(caption), fromPanelBytes(text));
}

void LinkSession::publishMenu() { e_.view.setConnectMenu(menu_.captions()); }

// The marker sits on the record that is connected, and only there: it is
// taken off the item that carries it, wherever the current index points.
void LinkSession::asterisk()
{
    if (markedIndex_ >= 0)
        menu_.UnAsteriskConnectMenu(markedIndex_);
    markedIndex_ = CurrentIndex;
    if (markedIndex_ >= 0)
        menu_.AsteriskConnectMenu(markedIndex_);
    publishMenu();
}

void LinkSession::unAsterisk()
{
    if (markedIndex_ >= 0)
        menu_.UnAsteriskConnectMenu(markedIndex_);
    markedIndex_ = -1;
    publishMenu();
}

void LinkSession::PopulateConnectMenu()
{
    menu_.PopulateConnectMenu(book_);
    // A rebuild during the connection (the book was edited or sorted) finds
    // the connected record again by its name.
    if (markedIndex_ >= 0) {
        markedIndex_ = book_.findByName(CurrentConnection.SystemName).value_or(-1);
        if (markedIndex_ >= 0) {
            CurrentIndex = markedIndex_;
            menu_.AsteriskConnectMenu(markedIndex_);
        }
    }
    publishMenu();
}

bool LinkSession::stillUp(quint64 generation) const
{
    return generation == generation_ && f_.Connected && established_ && !tearingDown_;
}

// ---- sending ----

bool LinkSession::write(Transport &t, const QByteArray &bytes, TxTag tag)
{
    if (onTransmit)
        onTransmit(bytes, tag);
    return t.send(bytes);
}

Task<bool> LinkSession::SendChar(uint8_t c, TxTag tag)
{
    const bool terminalCr = c == kCR && !e_.session.TandemMode;
    co_return co_await connector().sendChar(c, terminalCr, tag);
}

Task<void> LinkSession::SendLine(QByteArray s, TxTag tag)
{
    for (char c : s)
        co_await SendChar(uint8_t(c), tag);
    co_await SendChar(kCR);
}

bool LinkSession::sendKey(uint8_t c) { return keys_.push(c); }

void LinkSession::startReplay(const QByteArray &systemName)
{
    CurrentConnection.SystemName = systemName;
    CurrentConnection.AutoLogin = false;
    f_.ConnectionActive = true;
    f_.Connected = true;
    setStatus("Terminal Mode");
}

// ---- connecting and disconnecting ----

void LinkSession::established()
{
    established_ = true;
    tell(SessionEvent::LoggedIn, CurrentConnection.AutoLogin ? QByteArray() : QByteArray("by hand"));
    enable(true, MenuItem::LoadDatabase1, MenuItem::SaveDatabase1, MenuItem::Connect1, MenuItem::ConnectMenu);
}

// The end of a failed connect and of a disconnect: nothing left of the
// session, the window back to where it starts.
void LinkSession::finishIdle()
{
    f_.ConnectionActive = false;
    f_.Connected = false;
    if (e_.session.TandemMode)
        e_.ModeChange();
    e_.session.setPanelType(0);
    enable(true, MenuItem::Connect1, MenuItem::ConnectMenu);
    unAsterisk();
    e_.view.setMenuVisible(MenuItem::EditConnection1, true);
    setStatus("Not Connected");
    tearingDown_ = false;
    tell(SessionEvent::Ended);
}

Task<bool> LinkSession::connect()
{
    f_.ConnectionActive = true;
    f_.AbortRequested = false;
    f_.LinkLost = false;
    established_ = false;
    e_.view.setProgress({});
    enable(true, MenuItem::Disconnect);
    setStatus("Connecting...");
    enable(false, MenuItem::Connect1, MenuItem::ConnectMenu);
    e_.view.setMenuVisible(MenuItem::EditConnection1, false);
    asterisk();
    tell(SessionEvent::ConnectStarted);
    const bool up = co_await bringUpAndLogIn();
    if (!up)
        co_await failConnection();
    co_return up;
}

Task<bool> LinkSession::bringUpAndLogIn()
{
    Connector &c = connector();
    const bool autoLogin = CurrentConnection.AutoLogin;
    // A direct line with a user name first tries the panel's fast rate.
    if (c.offersFastRate(CurrentConnection)) {
        c.useFastRate(true);
        f_.Connected = co_await c.bringUp();
        bool loggedIn = false;
        if (f_.Connected)
            loggedIn = co_await login_.logIn();
        c.useFastRate(false);
        if (loggedIn) {
            established();
            co_return true;
        }
        f_.Connected = false;
    }
    f_.Connected = co_await c.bringUp();
    if (!f_.Connected)
        co_return false;
    const bool loggedIn = co_await login_.logIn();
    if (!loggedIn && autoLogin)
        co_return false;
    established();
    if (!autoLogin)
        setStatus("Terminal Mode");
    co_return true;
}

Task<void> LinkSession::failConnection()
{
    tell(f_.Connected ? SessionEvent::LoginFailed : SessionEvent::ConnectFailed, ConnectError);
    if (!f_.LinkLost && !f_.AbortRequested)
        box("Error on Connection", ConnectError);
    tearingDown_ = true;
    e_.session.StatusText = "Connection Not Successful... Disconnecting";
    enable(false, MenuItem::Connect1, MenuItem::ConnectMenu, MenuItem::Disconnect, MenuItem::LoadDatabase1,
           MenuItem::SaveDatabase1);
    e_.SelectFace();
    Connector &c = connector();
    if (CurrentConnection.AutoLogin && f_.Connected)
        co_await login_.logOut();
    if (!f_.LinkLost || c.tearDownAfterLoss())
        co_await c.tearDown();
    // Also out of tandem mode and without a panel, as after a disconnect: a
    // login that failed while tandem mode came on must not leave its face up.
    finishIdle();
}

Task<bool> LinkSession::disconnect()
{
    // A disconnect that finds one already tearing the link down joins it,
    // and returns when that one has finished.
    if (tearingDown_) {
        co_await hub_.until([this] { return !tearingDown_; });
        co_return false;
    }
    tearingDown_ = true;
    established_ = false;
    f_.ConnectionActive = true;
    if (f_.Capturing)
        capture_.stop();
    if (fileSend_.running())
        fileSend_.requestStop();
    e_.session.StatusText = "Disconnecting...";
    enable(false, MenuItem::Connect1, MenuItem::ConnectMenu, MenuItem::Disconnect, MenuItem::LoadDatabase1,
           MenuItem::SaveDatabase1);
    if (CurrentConnection.AutoLogin)
        co_await login_.logOut();
    e_.SelectFace();
    co_await connector().tearDown();
    finishIdle();
    co_return false;
}

void LinkSession::ConnectToStored(int index, bool forceAutoLogin)
{
    if (index >= 0 && index < book_.count())
        queueConnect({index, std::nullopt, forceAutoLogin});
}

void LinkSession::ConnectToRecord(const TConnectionRec &record) { queueConnect({-1, record}); }

// One connect at a time: a request made while another runs (the menus
// prevent it; a command line naming two records does not) waits its turn.
void LinkSession::queueConnect(ConnectRequest request)
{
    connectQueue_.push_back(std::move(request));
    if (!connecting_)
        procedures_.run(connectInTurn());
}

Task<void> LinkSession::connectInTurn()
{
    connecting_ = true;
    while (!connectQueue_.empty()) {
        const ConnectRequest request = connectQueue_.front();
        connectQueue_.pop_front();
        if (recordOf(request))
            co_await connectToStored(request);
    }
    connecting_ = false;
}

// A stored record is read from the book when it is taken, as the book may
// change while a disconnect runs; nullopt when it is gone.
std::optional<TConnectionRec> LinkSession::recordOf(const ConnectRequest &request) const
{
    if (!request.record && (request.index < 0 || request.index >= book_.count()))
        return std::nullopt;
    TConnectionRec r = request.record ? *request.record : book_.at(request.index);
    if (request.forceAutoLogin)
        r.AutoLogin = true;  // in the working copy only
    return r;
}

void LinkSession::take(const ConnectRequest &request)
{
    CurrentConnection = *recordOf(request);
    CurrentIndex = request.index;
    ++generation_;
}

Task<void> LinkSession::connectToStored(ConnectRequest request)
{
    if (!f_.Connected) {
        take(request);
        co_await connect();
        co_return;
    }
    if (SameLink(*recordOf(request))) {
        co_await reconnectOnSameLink(request);
        co_return;
    }
    // Another link: the disconnect runs to its end before the new connect,
    // as it would inside the operator's own Disconnect.
    f_.SuppressTandemSwitch = true;
    if (sessionEstablished())
        co_await disconnect();
    else
        abortAttempt();
    hub_.notify();
    Timer4.stop();
    Timer4.setInterval(kOtherLinkWaitMs);
    Timer4.start();
    co_await hub_.until([this] { return !Timer4.isRunning() || !(f_.ConnectionActive && f_.Connected); });
    if (!recordOf(request))
        co_return;
    take(request);
    co_await connect();
}

// Another record on the same link: log out and in again without closing it.
Task<void> LinkSession::reconnectOnSameLink(ConnectRequest request)
{
    enable(false, MenuItem::Connect1, MenuItem::ConnectMenu);
    // A running file send would interleave its lines with the logout and
    // login keys: it ends first, as a disconnect ends it.
    if (fileSend_.running()) {
        fileSend_.requestStop();
        co_await fileSend_.untilStopped();
        setProgress("File send stopped: another connection logs in on this link");
    }
    co_await login_.logOut();
    if (e_.session.TandemMode)
        e_.ModeChange();
    unAsterisk();
    take(request);
    asterisk();
    tell(SessionEvent::ConnectStarted);
    const bool loggedIn = co_await login_.logIn();
    if (loggedIn) {
        tell(SessionEvent::LoggedIn);
        enable(true, MenuItem::Connect1, MenuItem::ConnectMenu);
        co_return;
    }
    if (!f_.AbortRequested) {
        if (ConnectError.isEmpty())
            ConnectError = "Login Failure";
        tell(SessionEvent::LoginFailed, ConnectError);
        box("Error on Reconnection", ConnectError);
    }
    co_await disconnect();
}

bool LinkSession::SameLink(int index) const { return index >= 0 && index < book_.count() && SameLink(book_.at(index)); }

// Both records must log in by themselves: a re-login to a record without
// automatic login could only fail.
bool LinkSession::SameLink(const TConnectionRec &r) const
{
    const TConnectionRec &c = CurrentConnection;
    return c.AutoLogin && r.AutoLogin && r.ConnectionType == c.ConnectionType && r.Password == c.Password &&
           r.UserName == c.UserName && connectorFor(c.ConnectionType).sameLink(r, c);
}

void LinkSession::abortAttempt()
{
    f_.AbortRequested = true;
    Timer4.setInterval(0);
    Timer4.stop();
}

void LinkSession::DisconnectClick()
{
    f_.SuppressTandemSwitch = true;
    connectQueue_.clear();  // what waits its turn is cancelled too
    if (f_.ConnectionActive)
        tell(SessionEvent::DisconnectedByOperator);
    if (sessionEstablished())
        procedures_.run(discardResult(disconnect()));
    else
        abortAttempt();
    hub_.notify();
}

void LinkSession::windowClosing()
{
    f_.AbortRequested = true;
    connectQueue_.clear();
    if (f_.ConnectionActive) {
        tell(SessionEvent::DisconnectedByOperator, "window closed");
        Timer4.setInterval(0);
        Timer4.stop();
    }
    if (sessionEstablished())
        procedures_.run(discardResult(disconnect()));
    hub_.notify();
}

// ---- transport events ----

void LinkSession::received(const QByteArray &chunk)
{
    if (onReceive)
        onReceive(chunk);
    e_.receive(chunk);
    hub_.notify();
}

// Who takes over when the transport fails on its own.
void LinkSession::loseLink()
{
    if (sessionEstablished())
        procedures_.run(discardResult(disconnect()));
    else
        f_.LinkLost = true;
    hub_.notify();
}

// The loss rule runs first, so nothing waits on under the box with a link
// that is already gone; the box only reports.
void LinkSession::linkFailed(const char *caption, const QByteArray &text)
{
    tell(SessionEvent::LinkLost, text);
    loseLink();
    if (!text.isEmpty())
        box(caption, text);
}

}  // namespace kordex
