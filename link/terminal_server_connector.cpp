#include "link/terminal_server_connector.h"

#include "platform/text_codec.h"

namespace kordex {

namespace {
constexpr int kSessionWaitMs = 120000;
constexpr int kPromptWaitMs = 20000;
constexpr int kClosePauseMs = 3000;
constexpr uint8_t kLF = 10;
}  // namespace

TerminalServerConnector::TerminalServerConnector(LinkContext &ctx, Transport *socket) : ctx_(ctx), socket_(socket)
{
    if (socket_)
        socket_->setEvents(this);
}

TerminalServerConnector::~TerminalServerConnector()
{
    if (socket_)
        socket_->setEvents(nullptr);
}

QByteArray TerminalServerConnector::describe(int error) const
{
    return socket_ ? toPanelBytes(socket_->errorDescription(error)) : QByteArray();
}

void TerminalServerConnector::failedAtOnce()
{
    const int code = socket_ ? socket_->lastError() : 0;
    ctx_.connectError() =
        code > 0 ? describe(code) + " - Error # " + QByteArray::number(code)
                 : toPanelBytes(socket_ ? socket_->lastErrorMessage() : QStringLiteral("No TCP/IP transport"));
    ctx_.timeout().stop();
}

Task<bool> TerminalServerConnector::bringUp()
{
    const LinkFlags &f = ctx_.flags();
    const ConnectionRecord &rec = ctx_.current();
    ctx_.response().clear();
    sessionUp_ = false;
    LinkSettings settings;
    settings.host = rec.tcpHost;
    settings.port = rec.tcpPort;
    if (!socket_ || !socket_->bringUp(settings)) {
        failedAtOnce();
        co_return false;
    }
    co_await ctx_.wait(kSessionWaitMs, [this, &f] { return sessionUp_ || f.linkLost || f.abortRequested; });
    ctx_.timeout().stop();
    if (f.abortRequested || f.linkLost)
        co_return false;  // a failed attempt has already shown its own box
    if (!sessionUp_) {
        ctx_.connectError() = "Socket Connection Timeout";
        co_return false;
    }
    co_return co_await answerPrompts();
}

// The gateway's own prompts, each answered once it has arrived.
Task<bool> TerminalServerConnector::answerPrompts()
{
    const LinkFlags &f = ctx_.flags();
    const ConnectionRecord &rec = ctx_.current();
    ReceivedText &response = ctx_.response();
    const struct {
        QByteArray prompt, answer;
        const char *timeout;
    } steps[] = {{rec.auxPrompt1, rec.auxReply1, "Aux Prompt 1 Timeout"},
                 {rec.auxPrompt2, rec.auxReply2, "Aux Prompt 2 Timeout"}};
    for (const auto &step : steps) {
        if (step.prompt.isEmpty())
            break;
        response.watch(step.prompt);
        const QByteArray *prompt = &step.prompt;
        co_await ctx_.wait(kPromptWaitMs, [&f, &response, prompt] {
            return response.contains(*prompt) || f.linkLost || f.abortRequested;
        });
        const bool timedOut = !ctx_.timeout().isRunning();
        ctx_.timeout().stop();
        if (f.abortRequested)
            co_return false;
        if (timedOut || f.linkLost) {
            ctx_.connectError() = step.timeout;
            co_return false;
        }
        response.clear();
        co_await ctx_.sendLine(step.answer, TxTag::Answer);
    }
    co_return true;
}

Task<void> TerminalServerConnector::tearDown()
{
    Transport *t = socket_;
    co_await ctx_.wait(kClosePauseMs, nullptr);
    if (t)
        closeReportingLoss(ctx_, *t);  // a reset (linger 0): what is still queued is lost
    // The close reports the session's end from inside; should a transport
    // ever fail to, a closed socket ends the wait all the same.
    co_await ctx_.hub().until([this, t] { return !sessionUp_ || !t || !t->isOpen(); });
    sessionUp_ = false;
    co_await ctx_.wait(kClosePauseMs, nullptr);
}

Task<bool> TerminalServerConnector::sendChar(uint8_t c, bool terminalCr, TxTag tag)
{
    Transport *t = socket_;
    if (!t || !t->isOpen())
        co_return false;
    if (terminalCr)
        ctx_.write(*t, QByteArray(1, char(kLF)), tag);
    ctx_.write(*t, QByteArray(1, char(c)), tag);
    co_return true;
}

bool TerminalServerConnector::sameLink(const ConnectionRecord &a, const ConnectionRecord &b) const
{
    return a.tcpPort == b.tcpPort && a.tcpHost == b.tcpHost && a.auxPrompt1 == b.auxPrompt1 &&
           a.auxPrompt2 == b.auxPrompt2 && a.auxReply1 == b.auxReply1 && a.auxReply2 == b.auxReply2 &&
           a.tcpLinePacingMs == b.tcpLinePacingMs;
}

void TerminalServerConnector::sessionConnected(int error)
{
    if (error == 0) {
        sessionUp_ = true;
        ctx_.hub().notify();
        return;
    }
    const QByteArray text = describe(error) + " - Error # " + QByteArray::number(error);
    if (socket_)
        socket_->tearDown();
    ctx_.linkFailed("Socket Error", text);
}

void TerminalServerConnector::sessionClosed(int error)
{
    sessionUp_ = false;
    const QByteArray text = error != 0 ? describe(error) : QByteArray();
    if (socket_)
        socket_->tearDown();
    ctx_.linkFailed("Connection Lost", text);
}

}  // namespace kordex
