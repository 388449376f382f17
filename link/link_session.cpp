#include "link/link_session.h"

#include "platform/file_io.h"
#include "platform/prompter.h"
#include "platform/text_codec.h"

#include <utility>

namespace kordex {

namespace {

constexpr uint8_t kCR = 13, kLF = 10;

// Receive buffer of the serial port by baud-rate index.
int rxBufferForBaudIndex(int index)
{
    if (index < 4)
        return 2048;
    if (index <= 6)
        return 4096;
    if (index <= 8)
        return 8192;
    return 16384;
}

constexpr int kFastBaudIndex = 8;  // 19200

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
      book_(book),
      prompter_(prompter),
      captureErrorBox_(engine.clock, 0,
                       [this] {
                           captureErrorBox_.stop();
                           box("Capture to File",
                               "A line could not be written to " + toPanelBytes(capture_.fileName()) + " (" +
                                   toPanelBytes(capture_.errorString()) + "). The capture is no longer complete.");
                       }),
      sendRetry_(engine.clock, 250,
                 [this] {
                     sendRetry_.stop();
                     hub_.notify();
                 }),
      yield_(engine.clock, 0, [this] {
          yield_.stop();
          hub_.notify();
      })
{
    e_.session.setCurrent(&CurrentConnection);
    e_.display.captureLine = [this](const QByteArray &line) { captureLine(line); };
    // Both run from start-up, as the window's timers do; their first ticks stop them.
    Timer4.start();
    Timer5.start();
}

LinkSession::~LinkSession()
{
    cancelAll();
    e_.display.captureLine = nullptr;
    e_.session.setCurrent(nullptr);
    if (serial_)
        serial_->setEvents(nullptr);
    if (socket_)
        socket_->setEvents(nullptr);
}

void LinkSession::setTransports(Transport *serial, Transport *socket)
{
    serial_ = serial;
    socket_ = socket;
    if (serial_)
        serial_->setEvents(&portEvents_);
    if (socket_)
        socket_->setEvents(&socketEvents_);
}

Transport *LinkSession::transportFor(int type) const
{
    if (type == 0 || type == 1)
        return serial_;
    if (type == 2)
        return socket_;
    return nullptr;
}

// ---- procedures and their lifetime ----

void LinkSession::run(Task<void> procedure)
{
    reap();
    if (!procedure.done())
        procedures_.push_back(std::move(procedure));
}

Task<void> LinkSession::runBool(Task<bool> procedure) { co_await procedure; }

void LinkSession::reap()
{
    procedures_.remove_if([](const Task<void> &t) { return t.done(); });
}

bool LinkSession::idle() const
{
    for (const Task<void> &t : procedures_)
        if (!t.done())
            return false;
    return true;
}

void LinkSession::cancelAll()
{
    // Destroying a suspended procedure ends its whole chain; nothing resumes it.
    std::list<Task<void>> doomed;
    doomed.swap(procedures_);
    doomed.clear();
    flushing_ = false;
    keyQueue_.clear();
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

void LinkSession::enable(MenuItem item, bool on) { e_.view.setMenuEnabled(item, on); }

void LinkSession::showMenu(MenuItem item, bool on) { e_.view.setMenuVisible(item, on); }

void LinkSession::box(const char *caption, const QByteArray &text)
{
    prompter_.message(QString::fromLatin1(caption), fromPanelBytes(text));
}

void LinkSession::PopulateConnectMenu()
{
    menu_.PopulateConnectMenu(book_);
    e_.view.setConnectMenu(menu_.captions());
}

void LinkSession::asterisk()
{
    menu_.AsteriskConnectMenu(CurrentIndex);
    e_.view.setConnectMenu(menu_.captions());
}

void LinkSession::unAsterisk()
{
    menu_.UnAsteriskConnectMenu(CurrentIndex);
    e_.view.setConnectMenu(menu_.captions());
}

void LinkSession::clearResponse() { e_.session.ResponseText.clear(); }

LinkSettings LinkSession::settingsFor(const TConnectionRec &rec) const
{
    LinkSettings s;
    s.host = rec.SocketHost;
    s.port = rec.SocketPort;
    s.com = rec.ComNumber;
    const int baud = rec.BaudRate < kBaudRates.size() ? rec.BaudRate : 6;
    s.baud = kBaudRates[size_t(baud)];
    s.flow = rec.FlowControl;
    s.rxBuffer = rxBufferForBaudIndex(rec.BaudRate);
    return s;
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
    const int type = CurrentConnection.ConnectionType;
    Transport *t = transportFor(type);
    const bool terminalCr = c == kCR && !e_.session.TandemMode;
    if (type == 0 || type == 1) {
        if (!t || !t->isOpen())
            co_return false;
        const QByteArray text = terminalCr ? QByteArray("\n\r") : QByteArray(1, char(c));
        // Ends, with false, when the port closes while we wait for room.
        co_await hub_.until([t] { return !t->isOpen() || t->transmitRoom() >= 100; });
        if (!t->isOpen())
            co_return false;
        co_return write(*t, text, tag);
    }
    if (type == 2) {
        if (!t || !t->isOpen())
            co_return false;
        if (terminalCr)
            write(*t, QByteArray(1, char(kLF)), tag);
        write(*t, QByteArray(1, char(c)), tag);
        co_return true;
    }
    co_return false;
}

Task<void> LinkSession::SendLine(QByteArray s, TxTag tag)
{
    for (char c : s)
        co_await SendChar(uint8_t(c), tag);
    co_await SendChar(kCR);
}

bool LinkSession::sendKey(uint8_t c)
{
    // Once a disconnect has begun, only its own logout bytes reach the panel.
    if (tearingDown_)
        return false;
    Transport *t = transportFor(CurrentConnection.ConnectionType);
    if (!t || !t->isOpen())
        return false;
    keyQueue_.append(char(c));
    if (!flushing_)
        run(flushKeys());
    return true;
}

// Keys go out in the order they were pressed, each waiting for transmit
// room if it must, without holding up the handler that produced them.
Task<void> LinkSession::flushKeys()
{
    flushing_ = true;
    while (!keyQueue_.isEmpty() && !tearingDown_) {
        const uint8_t c = uint8_t(keyQueue_.front());
        keyQueue_.remove(0, 1);
        if (!co_await SendChar(c))
            keyQueue_.clear();
    }
    keyQueue_.clear();
    flushing_ = false;
}

// ---- connecting and disconnecting ----

Task<bool> LinkSession::bringUpByType(int type)
{
    switch (type) {
    case 0: co_return co_await ModemLink(true);
    case 1: co_return co_await SerialLink(true);
    case 2: co_return co_await SocketLink(true);
    default: co_return false;
    }
}

Task<bool> LinkSession::tearDownByType(int type)
{
    switch (type) {
    case 0: co_await ModemLink(false); break;
    case 1: co_await SerialLink(false); break;
    case 2: co_await SocketLink(false); break;
    default: break;
    }
    co_return false;
}

Task<bool> LinkSession::MakeConnection(bool open)
{
    SessionState &s = e_.session;
    const int type = CurrentConnection.ConnectionType;
    if (!open) {
        // A disconnect that finds one already tearing the link down joins it:
        // the running one reaches the same end state.
        if (tearingDown_)
            co_return false;
        tearingDown_ = true;
        s.ConnectionActive = true;
        if (s.Capturing)
            SaveDatabase1Click();
        s.SendingFile = false;
        hub_.notify();
        s.StatusText = "Disconnecting...";
        for (MenuItem m : {MenuItem::Connect1, MenuItem::ConnectMenu, MenuItem::Disconnect, MenuItem::LoadDatabase1,
                           MenuItem::SaveDatabase1})
            enable(m, false);
        if (CurrentConnection.AutoLogin)
            co_await PanelLogin(false);
        e_.SelectFace();
        s.Connected = co_await tearDownByType(type);
        if (s.TandemMode)
            e_.ModeChange();
        s.setPanelType(0);
        setStatus("Not Connected");
        s.ConnectionActive = false;
        enable(MenuItem::Connect1, true);
        enable(MenuItem::ConnectMenu, true);
        unAsterisk();
        showMenu(MenuItem::EditConnection1, true);
        tearingDown_ = false;
        co_return false;
    }

    s.ConnectionActive = true;
    s.AbortRequested = false;
    s.LinkLost = false;
    e_.view.setProgress({});
    enable(MenuItem::Disconnect, true);
    setStatus("Connecting...");
    enable(MenuItem::Connect1, false);
    enable(MenuItem::ConnectMenu, false);
    showMenu(MenuItem::EditConnection1, false);
    asterisk();

    settings_ = settingsFor(CurrentConnection);
    const TConnectionRec &rec = CurrentConnection;
    auto established = [this] {
        for (MenuItem m : {MenuItem::LoadDatabase1, MenuItem::SaveDatabase1, MenuItem::Connect1, MenuItem::ConnectMenu})
            enable(m, true);
    };

    // A direct line with a user name first tries the panel's fast rate.
    if (!rec.UserName.isEmpty() && rec.AutoLogin && type == 1 && rec.BaudRate != kFastBaudIndex) {
        const int stored = settings_.baud;
        settings_.baud = kBaudRates[kFastBaudIndex];
        s.Connected = co_await SerialLink(true);
        bool loggedIn = false;
        if (s.Connected)
            loggedIn = co_await PanelLogin(true);
        if (loggedIn) {
            established();
            co_return true;
        }
        s.Connected = false;
        settings_.baud = stored;
    }

    s.Connected = co_await bringUpByType(type);
    if (s.Connected) {
        const bool loggedIn = co_await PanelLogin(true);
        if (loggedIn || !CurrentConnection.AutoLogin) {
            established();
            if (!CurrentConnection.AutoLogin)
                setStatus("Terminal Mode");
            co_return true;
        }
    }

    // Failure.
    if (!s.LinkLost && !s.AbortRequested)
        box("Error on Connection", ConnectError);
    tearingDown_ = true;
    s.StatusText = "Connection Not Successful... Disconnecting";
    for (MenuItem m : {MenuItem::Connect1, MenuItem::ConnectMenu, MenuItem::Disconnect, MenuItem::LoadDatabase1,
                       MenuItem::SaveDatabase1})
        enable(m, false);
    e_.SelectFace();
    if (CurrentConnection.AutoLogin && s.Connected)
        co_await PanelLogin(false);
    if (type == 0)
        co_await ModemLink(false);
    else if (type == 1)
        co_await SerialLink(false);
    else if (type == 2 && !s.LinkLost)
        co_await SocketLink(false);
    s.ConnectionActive = false;
    s.Connected = false;
    enable(MenuItem::Connect1, true);
    enable(MenuItem::ConnectMenu, true);
    unAsterisk();
    showMenu(MenuItem::EditConnection1, true);
    setStatus("Not Connected");
    tearingDown_ = false;
    co_return false;
}

void LinkSession::ConnectToStored(int index)
{
    if (index < 0 || index >= book_.count())
        return;
    // One connect at a time: a request made while another runs (the menus
    // prevent it; a command line naming two records does not) waits its turn.
    connectQueue_.push_back({index, std::nullopt});
    if (!connecting_)
        run(connectInTurn());
}

void LinkSession::ConnectToRecord(const TConnectionRec &record)
{
    connectQueue_.push_back({-1, record});
    if (!connecting_)
        run(connectInTurn());
}

Task<void> LinkSession::connectInTurn()
{
    connecting_ = true;
    while (!connectQueue_.empty()) {
        const ConnectRequest request = connectQueue_.front();
        connectQueue_.pop_front();
        if (request.record || request.index < book_.count())
            co_await connectToStored(request);
    }
    connecting_ = false;
}

// A stored record is read from the book when it is copied, as the book may
// change while a disconnect runs.
Task<void> LinkSession::connectToStored(ConnectRequest request)
{
    SessionState &s = e_.session;
    const int index = request.index;
    auto take = [this, &request] {
        CurrentConnection = request.record ? *request.record : book_.at(request.index);
        CurrentIndex = request.index;
    };
    if (!s.Connected) {
        take();
        co_await MakeConnection(true);
        co_return;
    }
    if (request.record ? SameLink(*request.record) : SameLink(index)) {
        enable(MenuItem::Connect1, false);
        enable(MenuItem::ConnectMenu, false);
        co_await PanelLogin(false);
        if (s.TandemMode)
            e_.ModeChange();
        unAsterisk();
        take();
        asterisk();
        if (co_await PanelLogin(true)) {
            enable(MenuItem::Connect1, true);
            enable(MenuItem::ConnectMenu, true);
            co_return;
        }
        if (!s.AbortRequested) {
            if (ConnectError.isEmpty())
                ConnectError = "Login Failure";
            box("Error on Reconnection", ConnectError);
        }
        co_await MakeConnection(false);
        co_return;
    }
    // Another link: the disconnect runs to its end before the new connect,
    // as it would inside the operator's own Disconnect.
    s.SuppressTandemSwitch = true;
    if (s.Connected && (s.LoggedIn || !CurrentConnection.AutoLogin)) {
        co_await MakeConnection(false);
    } else {
        s.AbortRequested = true;
        Timer4.setInterval(0);
        Timer4.stop();
        hub_.notify();
    }
    Timer4.stop();
    Timer4.setInterval(1000);
    Timer4.start();
    co_await hub_.until([this, &s] { return !Timer4.isRunning() || !(s.ConnectionActive && s.Connected); });
    if (!request.record && index >= book_.count())
        co_return;
    take();
    co_await MakeConnection(true);
}

bool LinkSession::SameLink(int index) const { return index >= 0 && index < book_.count() && SameLink(book_.at(index)); }

bool LinkSession::SameLink(const TConnectionRec &r) const
{
    const TConnectionRec &c = CurrentConnection;
    if (!c.AutoLogin || r.ConnectionType != c.ConnectionType || r.Password != c.Password || r.UserName != c.UserName)
        return false;
    switch (c.ConnectionType) {
    case 0:
    case 1:
        return r.BaudRate == c.BaudRate && r.FlowControl == c.FlowControl && r.ComNumber == c.ComNumber &&
               (c.ConnectionType == 1 || r.PhoneNum == c.PhoneNum);
    case 2:
        return r.SocketPort == c.SocketPort && r.SocketHost == c.SocketHost && r.AlPrompt1 == c.AlPrompt1 &&
               r.AlPrompt2 == c.AlPrompt2 && r.AlResult1 == c.AlResult1 && r.AlResult2 == c.AlResult2 &&
               r.TcpIpLinePacing == c.TcpIpLinePacing;
    default: return false;
    }
}

void LinkSession::DisconnectClick()
{
    SessionState &s = e_.session;
    s.SuppressTandemSwitch = true;
    if (s.Connected && (s.LoggedIn || !CurrentConnection.AutoLogin)) {
        run(runBool(MakeConnection(false)));
    } else {
        s.AbortRequested = true;
        Timer4.setInterval(0);
        Timer4.stop();
    }
    hub_.notify();
}

void LinkSession::windowClosing()
{
    SessionState &s = e_.session;
    s.AbortRequested = true;
    if (s.ConnectionActive) {
        Timer4.setInterval(0);
        Timer4.stop();
    }
    if (s.Connected && (s.LoggedIn || !CurrentConnection.AutoLogin))
        run(runBool(MakeConnection(false)));
    hub_.notify();
}

// ---- capture and file send ----

namespace {
const QString kFileFilter = QStringLiteral("Text files (*.txt);;Panel format files (*.s28);;All files (*.*)");
}  // namespace

void LinkSession::SaveDatabase1Click()
{
    SessionState &s = e_.session;
    auto idle = [this, &s] {
        s.Capturing = false;
        e_.view.setMenuCaption(MenuItem::SaveDatabase1, "&Capture to File...");
        showMenu(MenuItem::LoadDatabase1, true);
    };
    if (s.Capturing) {
        capture_.close();
        idle();
        return;
    }
    prompter_.saveFileName({QStringLiteral("Capture to File as..."), kFileFilter,
                            fromPanelBytes(CurrentConnection.SystemName), QStringLiteral("txt")},
                           guard_.guarded([this](std::optional<QString> path) {
                               if (path)
                                   startCapture(*path);
                           }));
}

void LinkSession::startCapture(const QString &path)
{
    SessionState &s = e_.session;
    auto idle = [this, &s] {
        s.Capturing = false;
        e_.view.setMenuCaption(MenuItem::SaveDatabase1, "&Capture to File...");
        showMenu(MenuItem::LoadDatabase1, true);
    };
    e_.view.setMenuCaption(MenuItem::SaveDatabase1, "End &Capture");
    showMenu(MenuItem::LoadDatabase1, false);
    capture_.close();
    capture_.setFileName(path);
    captureIncomplete_ = false;
    if (!capture_.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        capture_.close();
        idle();
        return;
    }
    s.Capturing = true;
}

void LinkSession::captureLine(const QByteArray &line)
{
    // On disk at once: a crash loses nothing already shown. A line that could
    // not be written is reported once; later lines are still tried.
    const QByteArray bytes = line + "\r\n";
    if (capture_.write(bytes) == bytes.size() && capture_.flush())
        return;
    if (!captureIncomplete_) {
        captureIncomplete_ = true;
        captureErrorBox_.restart();
    }
}

void LinkSession::setSendMenu(bool sending)
{
    e_.view.setMenuCaption(MenuItem::LoadDatabase1, sending ? "&Close File Send" : "&Send File...");
    showMenu(MenuItem::SaveDatabase1, !sending);
}

void LinkSession::LoadDatabase1Click()
{
    SessionState &s = e_.session;
    if (s.SendingFile) {
        s.SendingFile = false;
        hub_.notify();
        return;
    }
    prompter_.openFileName({QStringLiteral("Select Database File to Send"), kFileFilter, {}, {}},
                           guard_.guarded([this, &s](std::optional<QString> path) {
                               if (!path)
                                   return;
                               flowMode_ = CurrentConnection.FlowControl;
                               s.SendingFile = true;
                               run(sendFile(*path));
                           }));
}

bool LinkSession::heldForFlow() const
{
    const Transport *t = transportFor(CurrentConnection.ConnectionType);
    const Hold h = t && t->isOpen() ? t->holdStatus() : Hold::None;
    return (flowMode_ == 1 && h == Hold::Xoff) || (flowMode_ == 2 && h == Hold::Cts) ||
           (flowMode_ == 3 && h == Hold::Dsr);
}

namespace {

QByteArray progressText(qsizetype sent, qsizetype total, int64_t elapsedMs)
{
    const int percent = total ? int(sent * 100 / total) : 100;
    QByteArray text = "Sending file: line " + QByteArray::number(sent) + " of " + QByteArray::number(total) + " (" +
                      QByteArray::number(percent) + " %)";
    if (sent > 0 && sent < total) {
        const int64_t leftS = (elapsedMs * (total - sent) / sent + 999) / 1000;
        text += leftS >= 120 ? ", about " + QByteArray::number((leftS + 59) / 60) + " min left"
                             : ", about " + QByteArray::number(leftS) + " s left";
    }
    return text;
}

}  // namespace

// The file goes out a character at a time through SendChar, each accepted
// before the next is offered. Every wait here sleeps until something it
// waits for changes: the hold status, transmit room, the stop request, or
// the pacing and retry timers.
Task<void> LinkSession::sendFile(QString path)
{
    SessionState &s = e_.session;
    setSendMenu(true);
    QFile file(path);
    bool readError = !file.open(QIODevice::ReadOnly);
    const QByteArray content = readError ? QByteArray() : file.readAll();
    readError = readError || file.error() != QFileDevice::NoError;
    file.close();
    const QList<QByteArray> lines = SplitTextLines(content);
    const int pacing = CurrentConnection.ConnectionType == 2 ? CurrentConnection.TcpIpLinePacing : 0;
    const int64_t started = e_.clock.nowMs();
    int burst = 0;  // characters handed over since the send last waited
    qsizetype sent = 0;

    for (qsizetype n = 0; n < lines.size() && s.SendingFile; ++n) {
        const QByteArray line = lines[n] + char(kCR);
        for (char c : line) {
            // A fast port takes characters as fast as they come: the window,
            // the panel's XOFF and the operator's stop get their turn.
            if (++burst >= 512) {
                yield_.restart();
                co_await hub_.until([this] { return !yield_.isRunning(); });
                burst = 0;
            }
            const Transport *t = transportFor(CurrentConnection.ConnectionType);
            if (heldForFlow() || (t && t->transmitRoom() < 100))
                burst = 0;  // the waits below return to the event loop anyway
            co_await hub_.until([this, &s] { return !s.SendingFile || !heldForFlow(); });
            // (g++ 12 does not short-circuit a co_await inside && or ||.)
            while (s.SendingFile) {
                if (co_await SendChar(uint8_t(c)))
                    break;
                sendRetry_.restart();
                co_await hub_.until([this, &s] { return !s.SendingFile || !sendRetry_.isRunning(); });
            }
            if (!s.SendingFile)
                break;
        }
        if (!s.SendingFile)
            break;
        ++sent;
        e_.view.setProgress(progressText(sent, lines.size(), e_.clock.nowMs() - started));
        if (pacing > 0) {
            burst = 0;
            Timer5.setInterval(pacing);
            Timer5.restart();
            co_await hub_.until([this, &s] { return !Timer5.isRunning() || !s.SendingFile; });
        }
    }
    s.SendingFile = false;
    setSendMenu(false);
    e_.view.setProgress(readError ? QByteArray()
                                  : "File sent: " + QByteArray::number(sent) + " of " +
                                        QByteArray::number(lines.size()) + " lines");
    if (readError)
        prompter_.message(QStringLiteral("Error"), QStringLiteral("Database Read Error"));
}

// ---- transport events ----

void LinkSession::dataReceived(const QByteArray &chunk)
{
    if (onReceive)
        onReceive(chunk);
    e_.receive(chunk);
    hub_.notify();
}

void LinkSession::AfComPort1LineError()
{
    e_.view.beep();
    hub_.notify();
}

void LinkSession::portLost(int)
{
    // The link is gone as a lost TCP/IP session would be; the session ends
    // at once, and then the operator reads why, once.
    const QByteArray why = serial_ ? toPanelBytes(serial_->lastErrorMessage()) : QByteArray();
    loseLink();
    box("Connection Lost", why.isEmpty() ? QByteArray("The serial port was lost.") : why);
}

// Who takes over when the transport fails on its own.
void LinkSession::loseLink()
{
    SessionState &s = e_.session;
    if (!s.Connected)
        s.LinkLost = true;
    else if (s.LoggedIn || !CurrentConnection.AutoLogin)
        run(runBool(MakeConnection(false)));
    else
        s.LinkLost = true;
    hub_.notify();
}

void LinkSession::WSocket1SessionConnected(int error)
{
    if (error == 0) {
        SessionUp = true;
        hub_.notify();
        return;
    }
    Transport *t = socket_;
    const QString desc = t ? t->errorDescription(error) : QString();
    box("Socket Error", toPanelBytes(desc) + " - Error # " + QByteArray::number(error));
    if (t)
        t->tearDown();
    loseLink();
}

void LinkSession::WSocket1SessionClosed(int error)
{
    SessionUp = false;
    Transport *t = socket_;
    if (error != 0)
        box("Connection Lost", t ? toPanelBytes(t->errorDescription(error)) : QByteArray());
    if (t)
        t->tearDown();
    loseLink();
}

// ---- TCP/IP ----

Task<bool> LinkSession::SocketLink(bool open)
{
    SessionState &s = e_.session;
    Transport *t = socket_;
    if (!open) {
        co_await wait(3000, nullptr);
        if (t)
            t->tearDown();
        // The close reports the session's end from inside; should a
        // transport ever fail to, a closed socket ends the wait all the same.
        co_await hub_.until([this, t] { return !SessionUp || !t || !t->isOpen(); });
        SessionUp = false;
        co_await wait(3000, nullptr);
        co_return false;
    }

    clearResponse();
    SessionUp = false;
    auto failedAtOnce = [this, t] {
        const int code = t ? t->lastError() : 0;
        ConnectError = code > 0 ? toPanelBytes(t->errorDescription(code)) + " - Error # " + QByteArray::number(code)
                                : toPanelBytes(t ? t->lastErrorMessage() : QStringLiteral("No TCP/IP transport"));
        Timer4.stop();
    };
    if (!t || !t->bringUp(settings_)) {
        failedAtOnce();
        co_return false;
    }
    co_await wait(120000, [this, &s] { return SessionUp || s.LinkLost || s.AbortRequested; });
    Timer4.stop();
    if (s.AbortRequested || s.LinkLost)
        co_return false;
    if (!SessionUp) {
        ConnectError = "Socket Connection Timeout";
        co_return false;
    }

    const struct {
        const QByteArray &prompt, &answer;
        const char *timeout;
    } aux[] = {{CurrentConnection.AlPrompt1, CurrentConnection.AlResult1, "Aux Prompt 1 Timeout"},
               {CurrentConnection.AlPrompt2, CurrentConnection.AlResult2, "Aux Prompt 2 Timeout"}};
    for (const auto &step : aux) {
        if (step.prompt.isEmpty())
            break;
        const QByteArray prompt = step.prompt, answer = step.answer;
        co_await wait(20000,
                      [&s, p = &prompt] { return s.ResponseText.contains(*p) || s.LinkLost || s.AbortRequested; });
        const bool timedOut = !Timer4.isRunning();
        Timer4.stop();
        if (s.AbortRequested)
            co_return false;
        if (timedOut || s.LinkLost) {
            ConnectError = step.timeout;
            co_return false;
        }
        clearResponse();
        co_await SendLine(answer);
    }
    co_return true;
}

// ---- serial line and modem ----

Task<bool> LinkSession::SerialLink(bool open)
{
    SessionState &s = e_.session;
    Transport *t = serial_;
    if (!open) {
        // Pending output (the logout keys, a hang-up command) leaves first, within 5 s.
        co_await wait(5000, [t, &s] { return !t || t->bytesPending() == 0 || s.LinkLost; });
        Timer4.stop();
        if (t)
            t->tearDown();
        co_return false;
    }
    if (!t) {
        ConnectError = "Port not Ready";
        co_return false;
    }
    t->tearDown();  // a port left open by an earlier attempt opens anew
    if (!t->bringUp(settings_)) {
        ConnectError = toPanelBytes(t->lastErrorMessage());
        co_return false;
    }
    co_await wait(5000, [t, &s] { return t->isOpen() || s.AbortRequested || s.LinkLost; });
    Timer4.stop();
    if (s.AbortRequested)
        co_return t->isOpen();
    if (!t->isOpen()) {
        t->tearDown();
        ConnectError = "Port not Ready";
        co_return false;
    }
    co_return true;
}

namespace {
enum class DialResult { None, Connected, NoCarrier, Error, NoDialTone, Busy, NoAnswer };

// The modem's answer; where it holds several, the later row of the table wins.
DialResult classify(const QByteArray &upper)
{
    constexpr std::pair<const char *, DialResult> kAnswers[] = {
        {"CONNECT", DialResult::Connected},       {"NO CARRIER", DialResult::NoCarrier},   {"ERROR", DialResult::Error},
        {"NO DIAL TONE", DialResult::NoDialTone}, {"NO DIALTONE", DialResult::NoDialTone}, {"BUSY", DialResult::Busy},
        {"NO ANSWER", DialResult::NoAnswer},
    };
    DialResult r = DialResult::None;
    for (const auto &[text, result] : kAnswers)
        if (upper.contains(text))
            r = result;
    return r;
}
}  // namespace

Task<bool> LinkSession::ModemLink(bool dial)
{
    SessionState &s = e_.session;
    if (!dial) {
        if (DialIssued) {
            co_await wait(2500, [&s] { return s.LinkLost; });  // guard time
            for (int i = 0; i < 3; ++i)
                co_await SendChar('+');
            co_await wait(2500, [&s] { return s.LinkLost; });
            co_await SendLine("ATH");
        }
        co_await SerialLink(false);
        co_return false;
    }

    ConnectError = "Connection Not Completed";
    DialIssued = false;
    if (!co_await SerialLink(true))
        co_return false;
    co_await wait(1000, [&s] { return s.AbortRequested || s.LinkLost; });
    if (s.AbortRequested)
        co_return false;
    clearResponse();
    co_await SendLine("ATZ");
    co_await wait(5000,
                  [&s] { return foldAsciiUpper(s.ResponseText).contains("OK") || s.AbortRequested || s.LinkLost; });
    if (s.AbortRequested)
        co_return false;
    Timer4.stop();
    bool ok = false;
    if (!foldAsciiUpper(s.ResponseText).contains("OK")) {
        ConnectError = "Connection Not Completed - No Response from Modem";
    } else {
        co_await wait(1000, [&s] { return s.AbortRequested; });
        if (s.AbortRequested)
            co_return false;
        clearResponse();
        DialIssued = true;
        co_await SendLine("ATDT" + CurrentConnection.PhoneNum);
        co_await wait(60000, [&s] {
            return classify(foldAsciiUpper(s.ResponseText)) != DialResult::None || s.AbortRequested || s.LinkLost;
        });
        if (s.AbortRequested)
            co_return false;
        Timer4.stop();
        switch (classify(foldAsciiUpper(s.ResponseText))) {
        case DialResult::Connected: ok = true; break;
        case DialResult::NoCarrier: ConnectError = "Connection Not Completed - No Carrier from Remote Modem"; break;
        case DialResult::Error:
            ConnectError = "Connection Not Completed - ERROR Signal Received from Local Modem";
            break;
        case DialResult::NoDialTone: ConnectError = "Connection Not Completed - No Dial Tone"; break;
        case DialResult::Busy: ConnectError = "Connection Not Completed - Busy"; break;
        case DialResult::NoAnswer: ConnectError = "Connection Not Completed - No Answer"; break;
        case DialResult::None: ConnectError = "Connection Not Completed - Connection Timeout Exceeded"; break;
        }
    }
    if (!ok)
        co_await SendLine("ATZ");
    co_return ok;
}

// ---- the panel login ----

Task<bool> LinkSession::PanelLogin(bool login)
{
    SessionState &s = e_.session;
    const TConnectionRec &rec = CurrentConnection;
    if (!login) {
        if (s.TandemMode)
            co_await SendChar('C');
        for (uint8_t c : {uint8_t('Q'), kCR, uint8_t('Q'), kCR})
            co_await SendChar(c);
        s.LoggedIn = false;
        s.ArrowPromptSeen = false;
        s.DiagnosticsBannerSeen = false;
        co_return false;
    }

    s.LoginPending = true;
    s.LoggedIn = false;
    s.ArrowPromptSeen = false;
    s.DiagnosticsBannerSeen = false;
    if (!rec.AutoLogin)
        co_return false;
    setStatus("Logging Onto Panel...");

    const auto abort = [&s] { return s.AbortRequested; };
    const auto clearAll = [this] {
        clearResponse();
        e_.display.clearEventLine();
    };
    s.TandemSeen = false;
    s.SuppressTandemSwitch = true;
    co_await wait(1000, abort);
    if (s.AbortRequested)
        co_return false;
    clearAll();
    co_await SendChar('H');
    for (int i = 0; i < 4; ++i) {
        co_await wait(250, abort);
        if (s.AbortRequested)
            co_return false;
        if (s.TandemSeen) {
            co_await SendChar('C');
            s.TandemSeen = false;
        }
    }
    for (int i = 0; i < 10; ++i)
        co_await SendChar(27);
    co_await SendChar(8);
    co_await SendChar('C');
    clearAll();
    s.SuppressTandemSwitch = false;
    co_await SendChar(kCR);

    int P = 0, U = 0;
    s.ArrowPromptSeen = false;
    s.DiagnosticsBannerSeen = false;
    co_await wait(250, abort);
    if (s.AbortRequested)
        co_return false;

    enum class Action { None, Password, DG, TD, Q, Sid, Return, UserName, Confirm };
    bool stop = false;
    for (int cycle = 0;;) {
        const QByteArray T = s.ResponseText;
        const QByteArray upper = foldAsciiUpper(T);
        Action a = Action::None;
        if (T.contains("ENTER PASSWORD"))
            a = Action::Password;
        if (T.contains("ENTER PROGRAMMING ACCESS COMMAND"))
            a = Action::DG;
        if (T.contains("ENTER INFORMATION ACCESS COMMAND"))
            a = Action::TD;
        if (T.contains("ENTER DIAGNOSTICS COMMAND"))
            a = Action::TD;
        if (upper.contains("ENTER L"))
            a = Action::Sid;
        if (upper.contains("RECONNECT PRINTER"))
            a = Action::Return;
        if (upper.contains("ENTER INFORMATION COMMAND"))
            a = Action::Q;
        if (T.contains("->"))
            s.ArrowPromptSeen = true;
        if (T.contains("ENTER USERNAME"))
            a = Action::UserName;
        if (T.contains("ZR9 Diagnostics")) {
            a = Action::TD;
            s.DiagnosticsBannerSeen = true;
            s.SuppressTandemSwitch = false;
        }
        if (T.contains("LOGIN CANCELLED"))
            a = Action::Return;
        if (T.contains("ACCESS DENIED"))
            a = Action::Return;
        if (U > P && T.contains('*'))
            a = Action::Confirm;

        switch (a) {
        case Action::None: break;
        case Action::Password:
            co_await SendLine(rec.Password, TxTag::Password);
            ++P;
            break;
        case Action::DG: co_await SendLine("DG"); break;
        case Action::TD: co_await SendLine("TD"); break;
        case Action::Q: co_await SendLine("Q"); break;
        case Action::Sid:
            if (rec.SID != 0)
                co_await SendLine(QByteArray::number(rec.SID), TxTag::Sid);
            else if (s.ArrowPromptSeen)
                co_await SendLine("L");
            else
                co_await SendChar('L');
            s.SuppressTandemSwitch = false;
            break;
        case Action::UserName:
            co_await SendLine(rec.UserName);
            ++U;
            break;
        case Action::Return: co_await SendChar(kCR); break;
        case Action::Confirm:
            co_await SendChar(kCR);
            U = P;
            break;
        }
        if (a != Action::None)
            clearAll();

        ++cycle;
        stop = s.LinkLost || cycle >= 100 || P >= 12;
        co_await wait(250, [&s] { return s.AbortRequested || s.TandemMode; });
        if (s.TandemMode || stop || s.AbortRequested)
            break;
    }
    Timer4.stop();
    if (s.AbortRequested)
        co_return false;
    bool result = false;
    if (stop) {
        s.LoggedIn = false;
        s.ArrowPromptSeen = false;
        s.DiagnosticsBannerSeen = false;
        ConnectError = P >= 12 ? "Login Failure - Invalid Username/Password" : "Login Failure - Login Timeout";
    } else {
        s.LoggedIn = true;
        result = true;
    }
    s.LoginPending = false;
    co_return result;
}

}  // namespace kordex
