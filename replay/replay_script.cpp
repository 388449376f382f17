#include "replay/replay_script.h"

#include "config/connection_fields.h"
#include "face_logic/face_layout.h"
#include "platform/serial_port.h"
#include "platform/tcp_socket.h"
#include "platform/text_codec.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

namespace kordex {

FakeTransport::FakeTransport(Clock &clock, bool isSerial)
    : serial(isSerial),
      connectTimer_(clock, 0, [this] {
          connectTimer_.stop();
          opened();
      })
{
}

void FakeTransport::opened()
{
    open_ = true;
    if (events_)
        events_->sessionConnected(0);
}

bool FakeTransport::bringUp(const LinkSettings &s)
{
    connectTimer_.stop();
    open_ = linesUp_ = receivePaused_ = false;
    lastError_ = 0;
    lastMessage_.clear();
    settings = s;
    if (serial) {
        switch (openMode) {
        case Open::Absent: lastMessage_ = SerialPort::invalidPortMessage(s.com); return false;
        case Open::Busy: lastMessage_ = SerialPort::cannotOpenMessage(s.com); return false;
        case Open::BadSettings: lastMessage_ = SerialPort::settingsMessage(); return false;
        case Open::Ok: linesUp_ = true; break;
        }
    } else {
        switch (connectMode) {
        case Connect::Refuse:
            lastError_ = connectCode;
            lastMessage_ = QStringLiteral("Connect failed");
            return false;
        case Connect::Error:
            if (events_)
                events_->sessionConnected(connectCode);
            return true;
        case Connect::Never: return true;
        case Connect::Ok: break;
        }
    }
    if (connectDelayMs == 0) {
        opened();
    } else {
        connectTimer_.setInterval(connectDelayMs);
        connectTimer_.restart();
    }
    return true;
}

void FakeTransport::tearDown()
{
    connectTimer_.stop();
    linesUp_ = false;
    if (!open_)
        return;
    open_ = false;
    // A socket reports its session's end from inside its close; a port does not.
    if (events_ && !silentClose && !serial)
        events_->sessionClosed(0);
}

bool FakeTransport::send(const QByteArray &bytes)
{
    if (!open_)
        return false;
    if (onWrite)
        onWrite(bytes);
    return true;
}

void FakeTransport::peerClose(int code)
{
    if (!open_)
        return;
    open_ = linesUp_ = false;
    if (serial)
        lastMessage_ = QStringLiteral("The serial port's device is gone (unplugged?).");
    if (events_)
        events_->sessionClosed(code);
}

QString FakeTransport::errorDescription(int code) const
{
    // The same texts as the real socket layer.
    return TcpSocket::errorDescription(code);
}

void ReplayPrompter::message(const QString &title, const QString &text, Icon, Closed closed)
{
    boxes.push_back({title, text});
    if (closed)
        closed();
}

void ReplayPrompter::askYesNo(const QString &title, const QString &text, YesNo answered)
{
    boxes.push_back({title, text});
    bool yes = true;
    if (!answers.empty()) {
        yes = answers.front();
        answers.pop_front();
    }
    if (answered)
        answered(yes);
}

void ReplayPrompter::nextFile(const FileDialog &d, Chosen chosen)
{
    fileDialogs.push_back(d);
    std::optional<QString> f;
    if (!files.empty()) {
        f = std::move(files.front());
        files.pop_front();
    }
    if (chosen)
        chosen(std::move(f));
}

ReplaySession::ReplaySession(bool linkMode)
    : engine(clock, view, session),
      faces(engine),
      link(engine, book, prompter),
      socket(clock, false),
      port(clock, true),
      keys(engine, prompter, [this](uint8_t b) { link.sendKey(b); })
{
    engine.setFaces(faces);
    link.setTransports(&port, &socket);
    socket.onWrite = port.onWrite = [this](const QByteArray &bytes) {
        sent.push_back({clock.nowMs() - startMs, bytes});
    };
    engine.startUp();
    engine.flash.start();
    // A session that started a while ago: the start-up guards have expired.
    clock.advance(10050);
    startMs = clock.nowMs();
    if (!linkMode) {
        SessionRig::link(session).connected = true;
        link.currentConnection.autoLogin = false;
        link.currentConnection.systemName = "Panel";
        link.syncPanelSettings();
    }
}

ReplaySession::~ReplaySession()
{
    link.cancelAll();
    // The transports are declared after the link and so end before it: the
    // link must not reach them in its destructor.
    link.setTransports(nullptr, nullptr);
}

std::optional<QByteArray> decodeEscapes(const QByteArray &q)
{
    QByteArray out;
    for (qsizetype i = 0; i < q.size(); ++i) {
        const char c = q[i];
        if (c != '\\') {
            out.append(c);
            continue;
        }
        if (++i >= q.size())
            return std::nullopt;
        switch (q[i]) {
        case 'r': out.append('\r'); break;
        case 'n': out.append('\n'); break;
        case 'e': out.append('\x1b'); break;
        case '\\': out.append('\\'); break;
        case '"': out.append('"'); break;
        case 'x': {
            auto hex = [](char h) {
                return (h >= '0' && h <= '9') || (h >= 'a' && h <= 'f') || (h >= 'A' && h <= 'F');
            };
            if (i + 2 >= q.size() || !hex(q[i + 1]) || !hex(q[i + 2]))
                return std::nullopt;
            out.append(char(q.mid(i + 1, 2).toInt(nullptr, 16)));
            i += 2;
            break;
        }
        default: return std::nullopt;
        }
    }
    return out;
}

QByteArray ReplaySession::dump() const
{
    const SessionState &s = session;
    QJsonArray sentJson;
    for (const auto &chunk : sent)
        sentJson.append(QJsonArray{qint64(chunk.ms), panelString(chunk.bytes)});
    QJsonArray boxes;
    for (const auto &box : prompter.boxes)
        boxes.append(QJsonObject{{"caption", panelString(toPanelBytes(box.caption))},
                                 {"text", panelString(toPanelBytes(box.text))}});
    QByteArrayList connectMenu;
    for (const QByteArray &c : view.connectMenu)
        connectMenu << c;
    const std::pair<const char *, const Timer *> linkTimers[] = {{"Timer4", &link.linkTimeout}, {"Timer5", &link.linePacingTimer}};
    const QJsonObject extra{
        {"now", qint64(clock.nowMs() - startMs)},
        {"sent", sentJson},
        {"connectionActive", s.connectionActive},
        {"abortRequested", s.abortRequested},
        {"linkLost", s.linkLost},
        {"loginPending", s.loginPending},
        {"arrowPromptSeen", s.arrowPromptSeen},
        {"diagnosticsBannerSeen", s.diagnosticsBannerSeen},
        {"capturing", s.capturing},
        {"sendingFile", s.sendingFile},
        {"connectError", panelString(link.lastConnectError)},
        {"boxes", boxes},
        {"menu", menusJson(view)},
        {"connectMenu", panelStrings(connectMenu)},
        {"currentIndex", link.currentIndex},
        {"sessionUp", link.sessionUp()},
        {"progress", panelString(view.progress)},
        {"portOpen", port.isOpen()},
        {"port", QJsonObject{{"com", port.settings.com},
                             {"baud", port.settings.baud},
                             {"flow", port.settings.flow},
                             {"rxBuffer", port.settings.rxBuffer},
                             {"rts", port.requestToSend()},
                             {"dtr", port.dataTerminalReady()}}},
    };
    return dumpStateJson(engine, view, link.responseText(), linkTimers, extra);
}

namespace {

std::optional<bool> flag(const QByteArray &v)
{
    if (v == "0")
        return false;
    if (v == "1")
        return true;
    return std::nullopt;
}

// Follows a dotted path into a JSON value; numeric parts index arrays.
std::optional<QJsonValue> lookup(const QJsonValue &root, const QByteArray &path)
{
    QJsonValue v = root;
    for (const QByteArray &part : path.split('.')) {
        bool isIndex = false;
        const int index = part.toInt(&isIndex);
        if (v.isArray() && isIndex) {
            const QJsonArray a = v.toArray();
            if (index < 0 || index >= a.size())
                return std::nullopt;
            v = a.at(index);
        } else if (v.isObject()) {
            const QJsonObject o = v.toObject();
            const QString key = QString::fromUtf8(part);
            if (!o.contains(key))
                return std::nullopt;
            v = o.value(key);
        } else {
            return std::nullopt;
        }
    }
    return v;
}

QString compact(const QJsonValue &v)
{
    QJsonArray wrap{v};
    QByteArray text = QJsonDocument(wrap).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(text.mid(1, text.size() - 2));
}

// Splits the argument of a line into words; a "quoted text" is one word,
// kept with its quotes, and may follow `=`.
std::optional<QByteArrayList> words(const QByteArray &arg)
{
    QByteArrayList out;
    qsizetype i = 0;
    while (i < arg.size()) {
        while (i < arg.size() && arg[i] == ' ')
            ++i;
        if (i >= arg.size())
            break;
        QByteArray w;
        bool quoted = false;
        while (i < arg.size() && (quoted || arg[i] != ' ')) {
            const char c = arg[i];
            if (c == '"')
                quoted = !quoted;
            else if (c == '\\' && quoted && i + 1 < arg.size())
                w += arg[i++];
            w += arg[i++];
        }
        if (quoted)
            return std::nullopt;
        out << w;
    }
    return out;
}

// The decoded text of a word that must be a "quoted text".
std::optional<QByteArray> quoted(const QByteArray &w)
{
    if (w.size() < 2 || !w.startsWith('"') || !w.endsWith('"'))
        return std::nullopt;
    return decodeEscapes(w.mid(1, w.size() - 2));
}

std::optional<int> virtualKey(const QByteArray &name, bool &alt)
{
    alt = false;
    static const std::pair<const char *, int> kKeyNames[] = {{"Up", vk::kUp},       {"Down", vk::kDown}, {"Left", vk::kLeft},
                                                        {"Right", vk::kRight}, {"F1", vk::kF1},     {"F2", vk::kF2},
                                                        {"F3", vk::kF3},       {"F4", vk::kF4},     {"F5", vk::kF5}};
    QByteArray n = name;
    if (n.startsWith("Alt+")) {
        alt = true;
        n = n.mid(4);
    }
    for (const auto &[k, v] : kKeyNames)
        if (n == k)
            return v;
    return std::nullopt;
}

bool isLinkLine(const QByteArray &cmd)
{
    static const char *const kLinkLines[] = {"record", "connect",   "disconnect", "close",      "type",      "key",
                                            "press",  "release",   "answer",     "socket",     "peerclose", "hold",
                                            "txroom", "txpending", "capture",    "endcapture", "sendfile",  "stopsend",
                                            "port",   "lineerror", "unplug"};
    for (const char *l : kLinkLines)
        if (cmd == l)
            return true;
    return false;
}

QByteArray commandOf(const QByteArray &line)
{
    const QByteArray t = line.trimmed();
    const qsizetype sp = t.indexOf(' ');
    return sp < 0 ? t : t.left(sp);
}

constexpr qlonglong kMaxWaitMs = 24LL * 3600 * 1000;

}  // namespace

ScriptResult runScript(const QByteArray &script, const std::function<void(const QByteArray &)> &out)
{
    ScriptResult result;
    const QList<QByteArray> lines = script.split('\n');
    bool linkMode = false;
    for (const QByteArray &l : lines)
        linkMode = linkMode || isLinkLine(commandOf(l));
    auto session = std::make_unique<ReplaySession>(linkMode);
    bool dumped = false;
    int lineNo = 0;
    auto fail = [&](int code, const QString &msg) {
        result.exitCode = std::max(result.exitCode, code);
        result.messages << QStringLiteral("line %1: %2").arg(lineNo).arg(msg);
    };

    for (QByteArray line : lines) {
        ++lineNo;
        if (line.endsWith('\r'))
            line.chop(1);
        const QByteArray trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith('#'))
            continue;
        const qsizetype sp = trimmed.indexOf(' ');
        const QByteArray cmd = sp < 0 ? trimmed : trimmed.left(sp);
        const QByteArray arg = sp < 0 ? QByteArray() : trimmed.mid(sp + 1).trimmed();
        ReplaySession &rs = *session;
        Engine &e = rs.engine;
        SessionState &s = rs.session;
        LinkSession &link = rs.link;
        auto bad = [&](const char *what) {
            fail(2, QStringLiteral("%1: %2").arg(QLatin1String(what), QString::fromLatin1(trimmed)));
        };
        const std::optional<QByteArrayList> argWords = words(arg);
        const int nWords = argWords ? int(argWords->size()) : -1;
        auto number = [&](int i, bool &ok) {
            ok = false;
            return i < nWords ? (*argWords)[i].toInt(&ok) : 0;
        };

        if (cmd == "send" || cmd == "type") {
            const std::optional<QByteArray> bytes = nWords == 1 ? quoted(arg) : std::nullopt;
            if (!bytes) {
                bad(cmd == "send" ? "malformed send" : "malformed type");
                return result;
            }
            if (cmd == "send") {
                link.dataReceived(*bytes);
            } else {
                for (char c : *bytes)
                    rs.keys.typeCharacter(uint8_t(c));
            }
        } else if (cmd == "hex") {
            QByteArray bytes;
            bool ok = true;
            for (const QByteArray &h : arg.simplified().split(' ')) {
                if (h.isEmpty())
                    continue;
                const int v = h.toInt(&ok, 16);
                ok = ok && h.size() <= 2 && v >= 0;
                if (!ok)
                    break;
                bytes.append(char(v));
            }
            if (!ok) {
                bad("malformed hex");
                return result;
            }
            link.dataReceived(bytes);
        } else if (cmd == "wait") {
            bool ok = false;
            const qlonglong ms = arg.toLongLong(&ok);
            if (!ok || ms < 0 || ms > kMaxWaitMs) {
                bad("malformed wait (0 to 86400000 ms)");
                return result;
            }
            rs.advance(ms);
        } else if (cmd == "record") {
            std::optional<QByteArray> name = nWords >= 1 ? quoted(argWords->at(0)) : std::nullopt;
            if (!name) {
                bad("malformed record");
                return result;
            }
            ConnectionRecord rec;
            rec.systemName = *name;
            bool ok = true;
            for (int i = 1; ok && i < nWords; ++i) {
                const QByteArray &w = argWords->at(i);
                const qsizetype eq = w.indexOf('=');
                const ConnectionField *f = eq > 0 ? findConnectionField(w.left(eq)) : nullptr;
                QByteArray value = eq > 0 ? w.mid(eq + 1) : QByteArray();
                if (value.startsWith('"')) {
                    const auto text = quoted(value);
                    ok = text.has_value();
                    value = text.value_or(QByteArray());
                }
                ok = ok && f && setFieldFromText(rec, *f, value);
            }
            if (!ok) {
                bad("malformed record");
                return result;
            }
            if (const auto at = rs.book.findByName(rec.systemName))
                rs.book.replace(*at, rec);
            else if (!rs.book.add(rec)) {
                bad("book full");
                return result;
            }
            link.rebuildConnectMenu();
        } else if (cmd == "connect") {
            const std::optional<QByteArray> name = nWords == 1 ? quoted(arg) : std::nullopt;
            const std::optional<int> index = name ? rs.book.findByName(*name) : std::nullopt;
            if (!index) {
                bad("no such record");
                return result;
            }
            link.connectMenuItemChosen(*index);
        } else if (cmd == "disconnect" && arg.isEmpty()) {
            link.requestDisconnect();
        } else if (cmd == "close" && arg.isEmpty()) {
            link.windowClosing();
        } else if (cmd == "key") {
            bool alt = false;
            const std::optional<int> v = virtualKey(arg, alt);
            if (!v) {
                bad("unknown key");
                return result;
            }
            if (!rs.keys.pressKeyboardKey(*v, alt))
                link.windowClosing();  // Alt+F4 closes the window
        } else if (cmd == "press") {
            const KeyDef *k = findKeyDef(std::string_view(arg.constData(), size_t(arg.size())));
            if (!k) {
                bad("unknown key component");
                return result;
            }
            rs.keys.pressKey(arg == QByteArray(kRelayPointKey.data(), kRelayPointKey.size()) ? e.pointRelayKeyCode
                                                                                             : k->code);
        } else if (cmd == "release" && arg.isEmpty()) {
            rs.keys.releaseKey();
        } else if (cmd == "answer" && (arg == "yes" || arg == "no")) {
            rs.prompter.answers.push_back(arg == "yes");
        } else if (cmd == "socket") {
            const QByteArray mode = nWords >= 1 ? argWords->at(0) : QByteArray();
            bool ok = false;
            FakeTransport &t = rs.socket;
            if (mode == "ok" && (nWords == 1 || nWords == 2)) {
                const int ms = nWords == 2 ? number(1, ok) : 0;
                ok = (nWords == 1 || ok) && ms >= 0;
                if (ok) {
                    t.connectMode = FakeTransport::Connect::Ok;
                    t.connectDelayMs = ms;
                }
            } else if ((mode == "refuse" || mode == "error") && nWords == 2) {
                const int code = number(1, ok);
                if (ok) {
                    t.connectMode = mode == "refuse" ? FakeTransport::Connect::Refuse : FakeTransport::Connect::Error;
                    t.connectCode = code;
                }
            } else if (mode == "never" && nWords == 1) {
                t.connectMode = FakeTransport::Connect::Never;
                ok = true;
            }
            if (!ok) {
                bad("malformed socket line");
                return result;
            }
        } else if (cmd == "peerclose") {
            bool ok = nWords == 0;
            const int code = nWords == 1 ? number(0, ok) : 0;
            if (!ok) {
                bad("malformed peerclose");
                return result;
            }
            rs.socket.peerClose(code);
        } else if (cmd == "port") {
            static const std::pair<const char *, FakeTransport::Open> kPortModes[] = {
                {"ok", FakeTransport::Open::Ok},
                {"absent", FakeTransport::Open::Absent},
                {"busy", FakeTransport::Open::Busy},
                {"badsettings", FakeTransport::Open::BadSettings}};
            bool ok = false;
            if (nWords == 2 && argWords->at(0) == "slow") {
                const int ms = number(1, ok);
                ok = ok && ms >= 0;
                if (ok) {
                    rs.port.openMode = FakeTransport::Open::Ok;
                    rs.port.connectDelayMs = ms;
                }
            }
            for (const auto &[n, m] : kPortModes)
                if (nWords == 1 && arg == n) {
                    rs.port.openMode = m;
                    rs.port.connectDelayMs = 0;
                    ok = true;
                }
            if (!ok) {
                bad("malformed port line");
                return result;
            }
        } else if (cmd == "lineerror" && arg.isEmpty()) {
            if (rs.port.events())
                rs.port.events()->lineError();
        } else if (cmd == "unplug" && arg.isEmpty()) {
            rs.port.peerClose(5);
        } else if (cmd == "hold") {
            static const std::pair<const char *, Hold> kHolds[] = {
                {"none", Hold::None}, {"xoff", Hold::Xoff}, {"cts", Hold::Cts}, {"dsr", Hold::Dsr}};
            bool ok = false;
            for (const auto &[n, h] : kHolds)
                if (arg == n) {
                    rs.port.hold = h;
                    ok = true;
                }
            if (!ok) {
                bad("malformed hold");
                return result;
            }
            rs.port.events()->transmitChanged();
        } else if (cmd == "txroom" || cmd == "txpending") {
            bool ok = false;
            const int n = nWords == 1 ? number(0, ok) : 0;
            if (!ok || n < 0) {
                bad("malformed transmit figure");
                return result;
            }
            (cmd == "txroom" ? rs.port.txRoom : rs.port.txPending) = n;
            rs.port.events()->transmitChanged();
        } else if (cmd == "capture" || cmd == "sendfile") {
            const std::optional<QByteArray> path = nWords == 1 ? quoted(arg) : std::nullopt;
            if (!path) {
                bad("malformed file line");
                return result;
            }
            rs.prompter.files.push_back(QString::fromLocal8Bit(*path));
            if (cmd == "capture" && !s.capturing)
                link.toggleCapture();
            else if (cmd == "sendfile" && !s.sendingFile)
                link.toggleFileSend();
            rs.prompter.files.clear();
        } else if ((cmd == "endcapture" || cmd == "stopsend") && arg.isEmpty()) {
            if (cmd == "endcapture" ? s.capturing : s.sendingFile)
                cmd == "endcapture" ? link.toggleCapture() : link.toggleFileSend();
        } else if (cmd == "set") {
            const qsizetype sp2 = arg.indexOf(' ');
            const QByteArray name = sp2 < 0 ? arg : arg.left(sp2);
            const QByteArray value = sp2 < 0 ? QByteArray() : arg.mid(sp2 + 1);
            const auto f = flag(value);
            ConnectionRecord &cur = link.currentConnection;
            bool ok = true;
            if (name == "connected" && f)
                SessionRig::link(s).connected = *f;
            else if (name == "loggedin" && f)
                SessionRig::mode(s).loggedIn = *f;
            else if (name == "autologin" && f)
                cur.autoLogin = *f;
            else if (name == "diagnostic" && f)
                cur.diagnosticMode = *f;
            else if (name == "shownz" && f)
                cur.showNzCommonStates = *f;
            else if (name == "suppress" && f)
                SessionRig::link(s).suppressTandemSwitch = *f;
            else if (name == "tandem" && f) {
                if (s.tandemMode != *f)
                    e.switchMode();
            } else if (name == "paneltype") {
                const int t = value.toInt(&ok);
                if (ok && t >= 0) {
                    s.setPanelType(t);
                    e.selectFace();
                } else {
                    ok = false;
                }
            } else if (name == "systemname") {
                cur.systemName = value;
            } else {
                ok = false;
            }
            if (!ok) {
                bad("unknown setting");
                return result;
            }
            link.syncPanelSettings();
            link.notify();
        } else if (cmd == "dump" && arg.isEmpty()) {
            out(rs.dump());
            dumped = true;
        } else if (cmd == "expect" || cmd == "expect-prefix") {
            const qsizetype sp2 = arg.indexOf(' ');
            if (sp2 < 0) {
                bad("malformed expect");
                return result;
            }
            const QByteArray path = arg.left(sp2);
            QJsonParseError err{};
            const QJsonDocument want = QJsonDocument::fromJson("[" + arg.mid(sp2 + 1) + "]", &err);
            if (err.error != QJsonParseError::NoError) {
                fail(2, QStringLiteral("expected value is not JSON: %1").arg(QString::fromUtf8(arg.mid(sp2 + 1))));
                return result;
            }
            const QJsonDocument state = QJsonDocument::fromJson(rs.dump());
            const auto got = lookup(state.object(), path);
            const QJsonValue wanted = want.array().at(0);
            const bool prefix = cmd == "expect-prefix";
            if (!got && wanted.isNull())
                ;  // expecting null also accepts a value that does not exist
            else if (!got)
                fail(1, QStringLiteral("%1: no such value").arg(QString::fromLatin1(path)));
            else if (prefix && !(got->isString() && wanted.isString() && got->toString().startsWith(wanted.toString())))
                fail(1, QStringLiteral("%1: expected a text starting with %2, got %3")
                            .arg(QString::fromLatin1(path), compact(wanted), compact(*got)));
            else if (!prefix && *got != wanted)
                fail(1, QStringLiteral("%1: expected %2, got %3")
                            .arg(QString::fromLatin1(path), compact(wanted), compact(*got)));
        } else if (cmd == "reset" && arg.isEmpty()) {
            session.reset();
            session = std::make_unique<ReplaySession>(linkMode);
        } else {
            bad("unknown line");
            return result;
        }
    }
    if (!dumped)
        out(session->dump());
    return result;
}

}  // namespace kordex
