#include "tools/replay_script.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

namespace kordex {

ReplaySession::ReplaySession()
{
    engine = std::make_unique<Engine>(clock, view);
    engine->startUp();
    flashTicker_ = std::make_unique<Timer>(clock, 50, [this] {
        engine->flash.tick([](const std::function<void()> &paint) { paint(); });
    });
    flashTicker_->start();
    // A session that started a while ago: the start-up guards have expired.
    clock.advance(10050);
    SessionState &s = engine->session;
    s.Connected = true;
    s.CurrentConnection.AutoLogin = false;
    s.CurrentConnection.SystemName = "Panel";
}

ReplaySession::~ReplaySession()
{
    flashTicker_.reset();
    engine.reset();
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
        default:
            return std::nullopt;
        }
    }
    return out;
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

} // namespace

ScriptResult runScript(const QByteArray &script, const std::function<void(const QByteArray &)> &out)
{
    ScriptResult result;
    auto session = std::make_unique<ReplaySession>();
    bool dumped = false;
    int lineNo = 0;
    auto fail = [&](int code, const QString &msg) {
        result.exitCode = std::max(result.exitCode, code);
        result.messages << QStringLiteral("line %1: %2").arg(lineNo).arg(msg);
    };

    for (QByteArray line : script.split('\n')) {
        ++lineNo;
        if (line.endsWith('\r'))
            line.chop(1);
        const QByteArray trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith('#'))
            continue;
        const qsizetype sp = trimmed.indexOf(' ');
        const QByteArray cmd = sp < 0 ? trimmed : trimmed.left(sp);
        const QByteArray arg = sp < 0 ? QByteArray() : trimmed.mid(sp + 1).trimmed();
        Engine &e = *session->engine;
        SessionState &s = e.session;

        if (cmd == "send") {
            const qsizetype first = arg.indexOf('"'), last = arg.lastIndexOf('"');
            std::optional<QByteArray> bytes;
            if (first == 0 && last > first)
                bytes = decodeEscapes(arg.mid(first + 1, last - first - 1));
            if (!bytes || last != arg.size() - 1) {
                fail(2, QStringLiteral("malformed send: %1").arg(QString::fromLatin1(trimmed)));
                return result;
            }
            e.receive(*bytes);
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
                fail(2, QStringLiteral("malformed hex: %1").arg(QString::fromLatin1(trimmed)));
                return result;
            }
            e.receive(bytes);
        } else if (cmd == "wait") {
            bool ok = false;
            const qlonglong ms = arg.toLongLong(&ok);
            if (!ok || ms < 0) {
                fail(2, QStringLiteral("malformed wait: %1").arg(QString::fromLatin1(trimmed)));
                return result;
            }
            session->advance(ms);
        } else if (cmd == "set") {
            const qsizetype sp2 = arg.indexOf(' ');
            const QByteArray name = sp2 < 0 ? arg : arg.left(sp2);
            const QByteArray value = sp2 < 0 ? QByteArray() : arg.mid(sp2 + 1);
            const auto f = flag(value);
            bool ok = true;
            if (name == "connected" && f) s.Connected = *f;
            else if (name == "loggedin" && f) s.LoggedIn = *f;
            else if (name == "autologin" && f) s.CurrentConnection.AutoLogin = *f;
            else if (name == "diagnostic" && f) s.CurrentConnection.DiagnosticMode = *f;
            else if (name == "shownz" && f) s.CurrentConnection.ShowNZCommonStates = *f;
            else if (name == "suppress" && f) s.SuppressTandemSwitch = *f;
            else if (name == "tandem" && f) {
                if (s.TandemMode != *f)
                    e.ModeChange();
            } else if (name == "paneltype") {
                const int t = value.toInt(&ok);
                if (ok && t >= 0) {
                    s.setPanelType(t);
                    e.SelectFace();
                } else {
                    ok = false;
                }
            } else if (name == "systemname") {
                s.CurrentConnection.SystemName = value;
            } else {
                ok = false;
            }
            if (!ok) {
                fail(2, QStringLiteral("unknown setting: %1").arg(QString::fromLatin1(trimmed)));
                return result;
            }
        } else if (cmd == "dump" && arg.isEmpty()) {
            out(session->dump());
            dumped = true;
        } else if (cmd == "expect" || cmd == "expect-prefix") {
            const qsizetype sp2 = arg.indexOf(' ');
            if (sp2 < 0) {
                fail(2, QStringLiteral("malformed expect: %1").arg(QString::fromLatin1(trimmed)));
                return result;
            }
            const QByteArray path = arg.left(sp2);
            QJsonParseError err{};
            const QJsonDocument want = QJsonDocument::fromJson("[" + arg.mid(sp2 + 1) + "]", &err);
            if (err.error != QJsonParseError::NoError) {
                fail(2, QStringLiteral("expected value is not JSON: %1").arg(QString::fromUtf8(arg.mid(sp2 + 1))));
                return result;
            }
            const QJsonDocument state = QJsonDocument::fromJson(session->dump());
            const auto got = lookup(state.object(), path);
            const QJsonValue wanted = want.array().at(0);
            const bool prefix = cmd == "expect-prefix";
            if (!got)
                fail(1, QStringLiteral("%1: no such value").arg(QString::fromLatin1(path)));
            else if (prefix && !(got->isString() && wanted.isString() &&
                                 got->toString().startsWith(wanted.toString())))
                fail(1, QStringLiteral("%1: expected a text starting with %2, got %3")
                            .arg(QString::fromLatin1(path), compact(wanted), compact(*got)));
            else if (!prefix && *got != wanted)
                fail(1, QStringLiteral("%1: expected %2, got %3")
                            .arg(QString::fromLatin1(path), compact(wanted), compact(*got)));
        } else if (cmd == "reset" && arg.isEmpty()) {
            session.reset();
            session = std::make_unique<ReplaySession>();
        } else {
            fail(2, QStringLiteral("unknown line: %1").arg(QString::fromLatin1(trimmed)));
            return result;
        }
    }
    if (!dumped)
        out(session->dump());
    return result;
}

} // namespace kordex
