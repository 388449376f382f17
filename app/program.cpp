#include "app/program.h"

#include "config/configuration.h"
#include "faces/connection_properties.h"
#include "faces/history_window.h"
#include "platform/prompter.h"
#include "platform/text_codec.h"

#include <QDateTime>

namespace kordex {

Program::Program(Clock &c, Prompter &p, Options o)
    : clock(c),
      prompter(p),
      window(p),
      shownView(window, session),
      boxes(p),
      engine(c, shownView, session),
      faces(engine),
      link(engine, book, boxes),
      keys(engine, boxes, [this](uint8_t b) { link.sendKey(b); }),
      commandLineTimer(c, 1500, [this] { startCommandLineConnection(); }),
      options_(std::move(o))
{
    if (!options_.tracePath.isEmpty()) {
        trace = std::make_unique<SessionTrace>(clock, options_.tracePath);
        shownView.setTrace(trace.get());
        boxes.setTrace(trace.get());
        link.onTransmit = [this](const QByteArray &bytes, TxTag tag) { trace->transmitted(bytes, tag); };
        link.onReceive = [this](const QByteArray &chunk) { trace->received(chunk); };
    }
    engine.setFaces(faces);
    Transport *serial = options_.serial, *socket = options_.socket;
    if (options_.receiveSlice > 0) {
        if (serial)
            serial = (slicedSerial_ = std::make_unique<SlicedTransport>(*serial, clock, options_.receiveSlice)).get();
        if (socket)
            socket = (slicedSocket_ = std::make_unique<SlicedTransport>(*socket, clock, options_.receiveSlice)).get();
    }
    link.setTransports(serial, socket);
    if (options_.configuration)
        dialog = std::make_unique<ConnectionPropertiesDialog>(book, *options_.configuration, boxes, *this, &window);
    window.attach(engine, link, keys, dialog.get());
    window.onClosing = [this] { shutDown(); };
    if (!options_.historyPath.isEmpty())
        recordHistory();
    start();
}

Program::~Program()
{
    link.cancelAll();
    engine.events.lineCompleted = nullptr;
    engine.onModeChanged = nullptr;
    link.onSessionEvent = nullptr;
    window.onShowHistory = nullptr;
}

namespace {
qint64 nowUtcMs() { return QDateTime::currentMSecsSinceEpoch(); }

QString transportOf(const ConnectionRecord &r)
{
    switch (r.connectionType) {
    case ConnectionType::Modem: return QStringLiteral("modem");
    case ConnectionType::DirectSerial: return QStringLiteral("serial");
    case ConnectionType::TcpIp: return QStringLiteral("TCP/IP");
    }
    return QString();
}

// "COM n" with the device it stands for, so a laptop's adapters can be told apart.
QString addressOf(const ConnectionRecord &r, const SerialPortMap *ports)
{
    if (r.connectionType == ConnectionType::TcpIp)
        return fromPanelBytes(r.tcpHost) + QLatin1Char(':') + fromPanelBytes(r.tcpPort);
    QString port = QStringLiteral("COM %1").arg(r.comPort);
    const QString device = ports ? ports->devicePath(r.comPort) : SerialPortMap::builtInDevicePath(r.comPort);
    if (!device.isEmpty())
        port += QStringLiteral(" (%1)").arg(device);
    return r.connectionType == ConnectionType::Modem ? port + QStringLiteral(", ") + fromPanelBytes(r.phoneNumber) : port;
}
}  // namespace

// The history sees the session through the link's events, the event screen's
// completed lines and the mode switch; its problems go to the tray note.
void Program::recordHistory()
{
    history = std::make_unique<history::HistoryRecorder>(options_.historyPath);
    history->onProblem = [this](const QString &message) { tellHistoryProblem(recorderNote_, message); };
    if (!options_.historyServer.isEmpty()) {
        historyUpload = std::make_unique<history::HistoryUploader>(options_.historyPath, options_.historyServer);
        historyUpload->onProblem = [this](const QString &message) { tellHistoryProblem(uploadNote_, message); };
    }
    window.onShowHistory = [this] {
        if (!historyWindow) {
            historyWindow = std::make_unique<HistoryWindow>(options_.historyPath);
            historyWindow->onRecordingSwitched = [this](bool on) { history->setEnabled(on); };
            historyWindow->setServer(options_.historyServer);
        }
        // What the operator just saw joins the table once written; nothing waits for the disk here.
        history->requestCommit([this] {
            if (historyWindow)
                historyWindow->refresh();
        });
        historyWindow->show();
        historyWindow->raise();
        historyWindow->activateWindow();
    };
    engine.events.lineCompleted = [this](const QByteArray &line) {
        if (session.panelType() != 0)
            history->setModel(fromPanelBytes(session.panelModel + ' ' + session.panelVersion));
        history->add(QStringLiteral("line"), line, nowUtcMs());
    };
    engine.onModeChanged = [this] {
        if (session.tandemMode)
            history->add(QStringLiteral("tandem mode"), {}, nowUtcMs());
    };
    // A session ended as the first of its ending events says (a link lost
    // during the operator's disconnect is a disconnect).
    link.onSessionEvent = [this, how = QString()](LinkSession::SessionEvent event, const QByteArray &text) mutable {
        using E = LinkSession::SessionEvent;
        const qint64 now = nowUtcMs();
        QString kind;
        switch (event) {
        case E::ConnectStarted: {
            const ConnectionRecord &r = link.currentConnection;
            const SerialPortMap *ports = options_.configuration ? &options_.configuration->ports() : nullptr;
            history->startSession(fromPanelBytes(r.systemName), transportOf(r), addressOf(r, ports), now);
            how.clear();
            kind = QStringLiteral("connect started");
            break;
        }
        case E::LoggedIn: kind = QStringLiteral("logged in"); break;
        case E::DisconnectedByOperator: kind = QStringLiteral("disconnected"); break;
        case E::LinkLost: kind = QStringLiteral("link lost"); break;
        case E::ConnectFailed: kind = QStringLiteral("connect failed"); break;
        case E::LoginFailed: kind = QStringLiteral("login failed"); break;
        case E::Ended: history->endSession(how.isEmpty() ? QStringLiteral("ended") : how, now); return;
        }
        if (how.isEmpty() && event != E::LoggedIn && event != E::ConnectStarted)
            how = kind;
        history->add(kind, text, now);
    };
}

void Program::tellHistoryProblem(QString &note, const QString &message)
{
    note = message;
    window.setHistoryNote(recorderNote_.isEmpty() ? uploadNote_ : recorderNote_);
    if (trace && !message.isEmpty())
        trace->note(message);
}

void Program::start()
{
    if (options_.configuration)
        options_.configuration->loadConnections(book);
    link.rebuildConnectMenu();
    window.start(options_.flashLamps);
    commandLineTimer.start();
}

void Program::shutDown()
{
    if (closed_)
        return;
    closed_ = true;
    if (options_.configuration)
        options_.configuration->saveConnections(book);
    link.windowClosing();
}

void Program::connectToStored(int index)
{
    const bool forced = index == forcedAutoLogin_;
    if (forced)
        forcedAutoLogin_ = -1;
    link.connectToStored(index, forced);
}

bool Program::mayEnd(int64_t closingMs) const
{
    return (link.idle() || closingMs > kTearDownLimitMs) && prompter.openCount() == 0;
}

void Program::startCommandLineConnection()
{
    if (options_.connectionArgument.isEmpty() || !dialog)
        return;
    commandLineTimer.stop();
    commandLine_ = connectFromCommandLine();
}

// Every record of that name in turn, each attempt run to its end before the
// next. Automatic login is forced for these attempts in the link's working
// copy only: the book, which the close saves, keeps the record's own flag.
Task<void> Program::connectFromCommandLine()
{
    const QByteArray name = options_.connectionArgument;
    // The dialog's list is what its connect action picks from.
    dialog->showInMode(DialogMode::Select);
    dialog->hide();
    for (int i = 0; i < book.count(); ++i) {
        if (!equalsIgnoringAsciiCase(book.at(i).systemName, name))
            continue;
        forcedAutoLogin_ = i;
        dialog->logic().selectEntry(i);
        dialog->logic().entryActivated();
        co_await link.untilConnectsDone();
        forcedAutoLogin_ = -1;
        if (closed_)
            co_return;  // closing cancelled what was still to come
    }
}

}  // namespace kordex
