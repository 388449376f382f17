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
    : linkTimeout(engine.clock, 1000,
                  [this] {
                      linkTimeout.stop();
                      hub_.notify();
                  }),
      linePacingTimer(engine.clock, 1000,
                      [this] {
                          linePacingTimer.stop();
                          hub_.notify();
                      }),
      e_(engine),
      f_(engine.session.linkFlags({})),
      book_(book),
      prompter_(prompter),
      none_(std::make_unique<NoConnector>(context()))
{
    syncPanelSettings();
    e_.session.setLinkSettings(&panelSettings_);
    e_.events.captureLine = [this](const QByteArray &line) { capture_.line(line); };
    e_.onTandemHeld = [this] { f_.tandemSeen = true; };
    setTransports(nullptr, nullptr);
    // Both run from start-up, as the window's timers do; their first ticks stop them.
    linkTimeout.start();
    linePacingTimer.start();
}

LinkSession::~LinkSession()
{
    cancelAll();
    e_.events.captureLine = nullptr;
    e_.onTandemHeld = nullptr;
    e_.session.setLinkSettings(nullptr);
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

Connector &LinkSession::connectorFor(ConnectionType type) const
{
    switch (type) {
    case ConnectionType::Modem: return *modem_;
    case ConnectionType::DirectSerial: return *serial_;
    case ConnectionType::TcpIp: return *terminalServer_;
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
    linkTimeout.setInterval(ms);
    linkTimeout.restart();
    return hub_.until(
        [this, endEarly = std::move(endEarly)] { return !linkTimeout.isRunning() || (endEarly && endEarly()); });
}

// ---- small helpers ----

void LinkSession::setStatus(const QByteArray &text)
{
    e_.session.statusText = text;
    e_.selectFace();
}

void LinkSession::box(const char *caption, const QByteArray &text)
{
    prompter_.message(QString::fromLatin1(caption), fromPanelBytes(text));
}

void LinkSession::publishMenu() { e_.shell.setConnectMenu(menu_.captions()); }

// The marker sits on the record that is connected, and only there: it is
// taken off the item that carries it, wherever the current index points.
void LinkSession::asterisk()
{
    if (markedIndex_ >= 0)
        menu_.unmarkConnectMenuItem(markedIndex_);
    markedIndex_ = currentIndex;
    if (markedIndex_ >= 0)
        menu_.markConnectMenuItem(markedIndex_);
    publishMenu();
}

void LinkSession::unAsterisk()
{
    if (markedIndex_ >= 0)
        menu_.unmarkConnectMenuItem(markedIndex_);
    markedIndex_ = -1;
    publishMenu();
}

void LinkSession::rebuildConnectMenu()
{
    menu_.rebuildConnectMenu(book_);
    // A rebuild during the connection (the book was edited or sorted) finds
    // the connected record again by its name.
    if (markedIndex_ >= 0) {
        markedIndex_ = book_.findByName(currentConnection.systemName).value_or(-1);
        if (markedIndex_ >= 0) {
            currentIndex = markedIndex_;
            menu_.markConnectMenuItem(markedIndex_);
        }
    }
    publishMenu();
}

bool LinkSession::stillUp(quint64 generation) const
{
    return generation == generation_ && f_.connected && established_ && !tearingDown_;
}

// ---- sending ----

bool LinkSession::write(Transport &t, const QByteArray &bytes, TxTag tag)
{
    if (onTransmit)
        onTransmit(bytes, tag);
    return t.send(bytes);
}

Task<bool> LinkSession::sendChar(uint8_t c, TxTag tag)
{
    const bool terminalCr = c == kCR && !e_.session.tandemMode;
    co_return co_await connector().sendChar(c, terminalCr, tag);
}

Task<void> LinkSession::sendLine(QByteArray s, TxTag tag)
{
    for (char c : s)
        co_await sendChar(uint8_t(c), tag);
    co_await sendChar(kCR);
}

bool LinkSession::sendKey(uint8_t c) { return keys_.push(c); }

void LinkSession::startReplay(const QByteArray &systemName)
{
    currentConnection.systemName = systemName;
    currentConnection.autoLogin = false;
    syncPanelSettings();
    f_.connectionActive = true;
    f_.connected = true;
    setStatus("Terminal Mode");
}

// ---- connecting and disconnecting ----

void LinkSession::established()
{
    established_ = true;
    tell(SessionEvent::LoggedIn, currentConnection.autoLogin ? QByteArray() : QByteArray("by hand"));
    enable(true, MenuItem::SendFile, MenuItem::CaptureToFile, MenuItem::ConnectTo, MenuItem::ConnectMenu);
}

// The end of a failed connect and of a disconnect: nothing left of the
// session, the window back to where it starts.
void LinkSession::finishIdle()
{
    f_.connectionActive = false;
    f_.connected = false;
    if (e_.session.tandemMode)
        e_.switchMode();
    e_.session.setPanelType(0);
    enable(true, MenuItem::ConnectTo, MenuItem::ConnectMenu);
    unAsterisk();
    e_.shell.setMenuVisible(MenuItem::EditConnections, true);
    setStatus("Not Connected");
    tearingDown_ = false;
    tell(SessionEvent::Ended);
}

Task<bool> LinkSession::connect()
{
    f_.connectionActive = true;
    f_.abortRequested = false;
    f_.linkLost = false;
    established_ = false;
    e_.shell.setProgress({});
    enable(true, MenuItem::Disconnect);
    setStatus("Connecting...");
    enable(false, MenuItem::ConnectTo, MenuItem::ConnectMenu);
    e_.shell.setMenuVisible(MenuItem::EditConnections, false);
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
    const bool autoLogin = currentConnection.autoLogin;
    // A direct line with a user name first tries the panel's fast rate.
    if (c.offersFastRate(currentConnection)) {
        c.useFastRate(true);
        f_.connected = co_await c.bringUp();
        bool loggedIn = false;
        if (f_.connected)
            loggedIn = co_await login_.logIn();
        c.useFastRate(false);
        if (loggedIn) {
            established();
            co_return true;
        }
        f_.connected = false;
    }
    f_.connected = co_await c.bringUp();
    if (!f_.connected)
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
    tell(f_.connected ? SessionEvent::LoginFailed : SessionEvent::ConnectFailed, lastConnectError);
    if (!f_.linkLost && !f_.abortRequested)
        box("Error on Connection", lastConnectError);
    tearingDown_ = true;
    e_.session.statusText = "Connection Not Successful... Disconnecting";
    enable(false, MenuItem::ConnectTo, MenuItem::ConnectMenu, MenuItem::Disconnect, MenuItem::SendFile,
           MenuItem::CaptureToFile);
    e_.selectFace();
    Connector &c = connector();
    if (currentConnection.autoLogin && f_.connected)
        co_await login_.logOut();
    if (!f_.linkLost || c.tearDownAfterLoss())
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
    f_.connectionActive = true;
    if (f_.capturing)
        capture_.stop();
    if (fileSend_.running())
        fileSend_.requestStop();
    e_.session.statusText = "Disconnecting...";
    enable(false, MenuItem::ConnectTo, MenuItem::ConnectMenu, MenuItem::Disconnect, MenuItem::SendFile,
           MenuItem::CaptureToFile);
    if (currentConnection.autoLogin)
        co_await login_.logOut();
    e_.selectFace();
    co_await connector().tearDown();
    finishIdle();
    co_return false;
}

void LinkSession::connectToStored(int index, bool forceAutoLogin)
{
    if (index >= 0 && index < book_.count())
        queueConnect({index, std::nullopt, forceAutoLogin});
}

void LinkSession::connectToRecord(const ConnectionRecord &record) { queueConnect({-1, record}); }

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
            co_await connectRequested(request);
    }
    connecting_ = false;
}

// A stored record is read from the book when it is taken, as the book may
// change while a disconnect runs; nullopt when it is gone.
std::optional<ConnectionRecord> LinkSession::recordOf(const ConnectRequest &request) const
{
    if (!request.record && (request.index < 0 || request.index >= book_.count()))
        return std::nullopt;
    ConnectionRecord r = request.record ? *request.record : book_.at(request.index);
    if (request.forceAutoLogin)
        r.autoLogin = true;  // in the working copy only
    return r;
}

void LinkSession::take(const ConnectRequest &request)
{
    currentConnection = *recordOf(request);
    syncPanelSettings();
    currentIndex = request.index;
    ++generation_;
}

Task<void> LinkSession::connectRequested(ConnectRequest request)
{
    if (!f_.connected) {
        take(request);
        co_await connect();
        co_return;
    }
    if (sameLink(*recordOf(request))) {
        co_await reconnectOnSameLink(request);
        co_return;
    }
    // Another link: the disconnect runs to its end before the new connect,
    // as it would inside the operator's own Disconnect.
    f_.suppressTandemSwitch = true;
    if (sessionEstablished())
        co_await disconnect();
    else
        abortAttempt();
    hub_.notify();
    co_await wait(kOtherLinkWaitMs, [this] { return !(f_.connectionActive && f_.connected); });
    if (!recordOf(request))
        co_return;
    take(request);
    co_await connect();
}

// Another record on the same link: log out and in again without closing it.
Task<void> LinkSession::reconnectOnSameLink(ConnectRequest request)
{
    enable(false, MenuItem::ConnectTo, MenuItem::ConnectMenu);
    // A running file send would interleave its lines with the logout and
    // login keys: it ends first, as a disconnect ends it.
    if (fileSend_.running()) {
        fileSend_.requestStop();
        co_await fileSend_.untilStopped();
        setProgress("File send stopped: another connection logs in on this link");
    }
    co_await login_.logOut();
    if (e_.session.tandemMode)
        e_.switchMode();
    unAsterisk();
    take(request);
    asterisk();
    tell(SessionEvent::ConnectStarted);
    const bool loggedIn = co_await login_.logIn();
    if (loggedIn) {
        tell(SessionEvent::LoggedIn);
        enable(true, MenuItem::ConnectTo, MenuItem::ConnectMenu);
        co_return;
    }
    if (!f_.abortRequested) {
        if (lastConnectError.isEmpty())
            lastConnectError = "Login Failure";
        tell(SessionEvent::LoginFailed, lastConnectError);
        box("Error on Reconnection", lastConnectError);
    }
    co_await disconnect();
}

bool LinkSession::sameLink(int index) const { return index >= 0 && index < book_.count() && sameLink(book_.at(index)); }

// Both records must log in by themselves: a re-login to a record without
// automatic login could only fail.
bool LinkSession::sameLink(const ConnectionRecord &r) const
{
    const ConnectionRecord &c = currentConnection;
    return c.autoLogin && r.autoLogin && r.connectionType == c.connectionType && r.password == c.password &&
           r.userName == c.userName && connectorFor(c.connectionType).sameLink(r, c);
}

void LinkSession::abortAttempt()
{
    f_.abortRequested = true;
    linkTimeout.setInterval(0);
    linkTimeout.stop();
}

void LinkSession::requestDisconnect()
{
    f_.suppressTandemSwitch = true;
    connectQueue_.clear();  // what waits its turn is cancelled too
    if (f_.connectionActive)
        tell(SessionEvent::DisconnectedByOperator);
    if (sessionEstablished())
        procedures_.run(discardResult(disconnect()));
    else
        abortAttempt();
    hub_.notify();
}

void LinkSession::windowClosing()
{
    f_.abortRequested = true;
    connectQueue_.clear();
    if (f_.connectionActive) {
        tell(SessionEvent::DisconnectedByOperator, "window closed");
        linkTimeout.setInterval(0);
        linkTimeout.stop();
    }
    if (sessionEstablished())
        procedures_.run(discardResult(disconnect()));
    hub_.notify();
}

// ---- transport events ----

void LinkSession::syncPanelSettings()
{
    const ConnectionRecord &c = currentConnection;
    panelSettings_ = {c.systemName, c.autoLogin, c.diagnosticMode, c.showNzCommonStates};
}

void LinkSession::received(const QByteArray &chunk)
{
    if (onReceive)
        onReceive(chunk);
    // The connection steps and the login read what arrives before the session
    // is up. Only the switch into tandem mode ends that inside a chunk (it logs
    // in): byte by byte until then, the rest in one go.
    qsizetype i = 0;
    for (; i < chunk.size() && !sessionEstablished(); ++i) {
        response_.append(chunk[i]);
        e_.receive(chunk.constData() + i, 1);
    }
    if (i < chunk.size())
        e_.receive(chunk.constData() + i, chunk.size() - i);
    hub_.notify();
}

// Who takes over when the transport fails on its own.
void LinkSession::loseLink()
{
    if (sessionEstablished())
        procedures_.run(discardResult(disconnect()));
    else
        f_.linkLost = true;
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
