#include "link/session_trace.h"

#include "platform/text_codec.h"

namespace kordex {

namespace {
QByteArray quote(const QByteArray &bytes) { return '"' + escapeBytes(bytes, EscapeStyle::Script) + '"'; }
}  // namespace

SessionTrace::SessionTrace(Clock &clock, const QString &path) : clock_(clock), file_(path), start_(clock.nowMs())
{
    // Owner-only: a trace names sites and may hold what the panel echoes.
    constexpr QFileDevice::Permissions kOwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    if (file_.open(QIODevice::WriteOnly | QIODevice::Truncate, kOwnerOnly)) {
        file_.setPermissions(kOwnerOnly);  // an old trace of that name too
        line("# Kordex session trace; kordex-replay plays its received side");
    }
}

void SessionTrace::line(const QByteArray &text)
{
    if (!file_.isOpen())
        return;
    file_.write(text + '\n');
    file_.flush();
}

void SessionTrace::comment(const QByteArray &what)
{
    lastSecret_ = TxTag::Plain;
    line("# " + QByteArray::number(now()) + ' ' + what);
}

void SessionTrace::received(const QByteArray &chunk)
{
    const int64_t t = now();
    lastSecret_ = TxTag::Plain;
    line("wait " + QByteArray::number(t - lastReceived_));
    line("send " + quote(chunk));
    lastReceived_ = t;
}

void SessionTrace::transmitted(const QByteArray &bytes, TxTag tag)
{
    if (tag == TxTag::Plain) {
        comment("tx " + quote(bytes));
        return;
    }
    // One line for a whole secret, whatever the number of writes it took.
    if (tag == lastSecret_)
        return;
    comment(tag == TxTag::Password ? "tx <password>" : tag == TxTag::Sid ? "tx <sid>" : "tx <answer>");
    lastSecret_ = tag;
}

void SessionTrace::box(const QString &caption, const QString &text)
{
    comment("box " + quote(toPanelBytes(caption)) + ' ' + quote(toPanelBytes(text)));
}

void SessionTrace::note(const QString &text) { comment("note " + quote(toPanelBytes(text))); }

void SessionTrace::watch(const SessionState &s)
{
    if (s.statusText != status_) {
        status_ = s.statusText;
        comment("status " + quote(status_));
    }
    if (s.tandemMode != tandem_) {
        tandem_ = s.tandemMode;
        comment(tandem_ ? "mode tandem" : "mode terminal");
    }
    if (s.panelType() != face_) {
        face_ = s.panelType();
        comment("face " + QByteArray::number(face_));
    }
}

}  // namespace kordex
