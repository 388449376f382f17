#include "link/file_send.h"

#include "core/engine.h"
#include "link/connector.h"
#include "link/file_dialogs.h"
#include "link/transport.h"
#include "platform/line_reader.h"
#include "platform/prompter.h"

namespace kordex {

namespace {

constexpr uint8_t kCR = 13;
constexpr int kRetryMs = 250;
constexpr int kBurst = 512;

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

FileSend::FileSend(LinkContext &ctx, Timer &pacing)
    : ctx_(ctx),
      pacing_(pacing),
      retry_(ctx.engine().clock, kRetryMs,
             [this] {
                 retry_.stop();
                 ctx_.hub().notify();
             }),
      yield_(ctx.engine().clock, 0, [this] {
          yield_.stop();
          ctx_.hub().notify();
      })
{
}

FileSend::~FileSend() { task_.reset(); }

void FileSend::setMenu(bool sending)
{
    ctx_.engine().shell.setMenuCaption(MenuItem::SendFile, sending ? "&Close File Send" : "&Send File...");
    ctx_.engine().shell.setMenuVisible(MenuItem::CaptureToFile, !sending);
}

void FileSend::requestStop()
{
    ctx_.flags().sendingFile = false;
    ctx_.hub().notify();
}

WaitHub::Until FileSend::untilStopped()
{
    return ctx_.hub().until([this] { return !running(); });
}

void FileSend::toggle()
{
    if (running()) {
        requestStop();
        return;
    }
    question_.ask(ctx_, {QStringLiteral("Select Database File to Send"), kFileDialogFilter, {}, {}}, false,
                  [this](const QString &path, quint64 generation) { start(path, generation); });
}

void FileSend::start(const QString &path, quint64 generation)
{
    // The link may have gone, or another come up, while the dialog was open:
    // a send without its link could not be stopped and would end up inside
    // the next connection's login.
    if (!ctx_.stillUp(generation) || running())
        return;
    flowMode_ = ctx_.current().flowControl;
    ctx_.flags().sendingFile = true;
    task_.reset();
    task_.emplace(send(path, generation));
}

bool FileSend::heldForFlow() const
{
    const Transport *t = ctx_.connector().transport();
    const Hold h = t && t->isOpen() ? t->holdStatus() : Hold::None;
    return (flowMode_ == FlowControl::XonXoff && h == Hold::Xoff) ||
           (flowMode_ == FlowControl::RtsCts && h == Hold::Cts) || (flowMode_ == FlowControl::DtrDsr && h == Hold::Dsr);
}

// Every wait here sleeps until something it waits for changes: the hold
// status, transmit room, the stop request, or the pacing and retry timers.
Task<void> FileSend::send(QString path, quint64 generation)
{
    LinkFlags &f = ctx_.flags();
    setMenu(true);
    const std::optional<qsizetype> total = TextLineReader::countLines(path);
    TextLineReader reader;
    bool readError = !total || !reader.open(path);
    const int pacing = ctx_.connector().linePacingMs(ctx_.current());
    const int64_t started = ctx_.engine().clock.nowMs();
    qsizetype sent = 0;
    burst_ = 0;
    while (!readError && f.sendingFile) {
        const std::optional<QByteArray> line = reader.next();
        if (!line) {
            readError = reader.failed();
            break;
        }
        const bool whole = co_await sendLine(*line + char(kCR));
        if (!whole)
            break;
        ++sent;
        ctx_.setProgress(progressText(sent, *total, ctx_.engine().clock.nowMs() - started));
        if (pacing > 0) {
            burst_ = 0;
            pacing_.setInterval(pacing);
            pacing_.restart();
            co_await ctx_.hub().until([this, &f] { return !pacing_.isRunning() || !f.sendingFile; });
        }
    }
    // "File sent" once the tail has left, not while it may still be queued.
    if (!readError && f.sendingFile && ctx_.stillUp(generation))
        co_await awaitDrained();
    f.sendingFile = false;
    setMenu(false);
    ctx_.setProgress(readError ? QByteArray()
                               : "File sent: " + QByteArray::number(sent) + " of " +
                                     QByteArray::number(total.value_or(0)) + " lines");
    if (readError)
        ctx_.prompter().message(QStringLiteral("Error"), QStringLiteral("Database Read Error"));
}

// One line, a character at a time; false when the send was stopped.
Task<bool> FileSend::sendLine(QByteArray line)
{
    LinkFlags &f = ctx_.flags();
    for (char c : line) {
        // A fast port takes characters as fast as they come: the window,
        // the panel's XOFF and the operator's stop get their turn.
        if (++burst_ >= kBurst) {
            yield_.restart();
            co_await ctx_.hub().until([this] { return !yield_.isRunning(); });
            burst_ = 0;
        }
        const Transport *t = ctx_.connector().transport();
        if (heldForFlow() || (t && t->transmitRoom() < 100))
            burst_ = 0;  // the waits below return to the event loop anyway
        co_await ctx_.hub().until([this, &f] { return !f.sendingFile || !heldForFlow(); });
        // (g++ 12 does not short-circuit a co_await inside && or ||.)
        while (f.sendingFile) {
            if (co_await ctx_.sendChar(uint8_t(c)))
                break;
            retry_.restart();
            co_await ctx_.hub().until([this, &f] { return !f.sendingFile || !retry_.isRunning(); });
        }
        if (!f.sendingFile)
            co_return false;
    }
    co_return true;
}

Task<void> FileSend::awaitDrained()
{
    const LinkFlags &f = ctx_.flags();
    const Transport *t = ctx_.connector().transport();
    if (!t)
        co_return;
    // The transport tells of its queues when they change; a slow line is
    // looked at again at the retry pace.
    for (;;) {
        if (!f.sendingFile || !t->isOpen() || t->unsentBytes() == 0)
            co_return;
        retry_.restart();
        co_await ctx_.hub().until(
            [this, &f, t] { return !f.sendingFile || !t->isOpen() || t->unsentBytes() == 0 || !retry_.isRunning(); });
    }
}

}  // namespace kordex
