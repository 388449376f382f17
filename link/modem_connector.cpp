#include "link/modem_connector.h"

#include <utility>

namespace kordex {

namespace {

constexpr int kSettleMs = 1000;
constexpr int kResetAnswerMs = 5000;
constexpr int kDialAnswerMs = 60000;
constexpr int kGuardTimeMs = 2500;

constexpr std::pair<const char *, DialResult> kAnswers[] = {
    {"CONNECT", DialResult::Connected},       {"NO CARRIER", DialResult::NoCarrier},   {"ERROR", DialResult::Error},
    {"NO DIAL TONE", DialResult::NoDialTone}, {"NO DIALTONE", DialResult::NoDialTone}, {"BUSY", DialResult::Busy},
    {"NO ANSWER", DialResult::NoAnswer},
};

const char *failureText(DialResult r)
{
    switch (r) {
    case DialResult::Connected: break;
    case DialResult::NoCarrier: return "Connection Not Completed - No Carrier from Remote Modem";
    case DialResult::Error: return "Connection Not Completed - ERROR Signal Received from Local Modem";
    case DialResult::NoDialTone: return "Connection Not Completed - No Dial Tone";
    case DialResult::Busy: return "Connection Not Completed - Busy";
    case DialResult::NoAnswer: return "Connection Not Completed - No Answer";
    case DialResult::None: return "Connection Not Completed - Connection Timeout Exceeded";
    }
    return "";
}

}  // namespace

DialResult classifyDialAnswer(const ReceivedText &text)
{
    DialResult r = DialResult::None;
    for (const auto &[answer, result] : kAnswers)
        if (text.containsUpper(answer))
            r = result;
    return r;
}

Task<bool> ModemConnector::bringUp()
{
    const LinkFlags &f = ctx_.flags();
    ReceivedText &response = ctx_.response();
    ctx_.connectError() = "Connection Not Completed";
    dialIssued_ = false;
    const bool open = co_await line_.bringUp();
    if (!open)
        co_return false;
    co_await ctx_.wait(kSettleMs, [&f] { return f.abortRequested || f.linkLost; });
    if (f.abortRequested)
        co_return false;
    response.watch("OK", true);
    for (const auto &[answer, result] : kAnswers)
        response.watch(answer, true);
    response.clear();
    co_await ctx_.sendLine("ATZ");
    co_await ctx_.wait(kResetAnswerMs,
                       [&f, &response] { return response.containsUpper("OK") || f.abortRequested || f.linkLost; });
    if (f.abortRequested)
        co_return false;
    ctx_.timeout().stop();
    bool ok = false;
    if (!response.containsUpper("OK"))
        ctx_.connectError() = "Connection Not Completed - No Response from Modem";
    else
        ok = co_await dial();
    if (f.abortRequested)
        co_return false;
    if (!ok)
        co_await ctx_.sendLine("ATZ");
    co_return ok;
}

// Dials once the modem answered the reset; false with the failure text set
// (or on cancel, without).
Task<bool> ModemConnector::dial()
{
    const LinkFlags &f = ctx_.flags();
    ReceivedText &response = ctx_.response();
    co_await ctx_.wait(kSettleMs, [&f] { return f.abortRequested; });
    if (f.abortRequested)
        co_return false;
    response.clear();
    dialIssued_ = true;
    co_await ctx_.sendLine("ATDT" + ctx_.current().phoneNumber);
    co_await ctx_.wait(kDialAnswerMs, [&f, &response] {
        return classifyDialAnswer(response) != DialResult::None || f.abortRequested || f.linkLost;
    });
    if (f.abortRequested)
        co_return false;
    ctx_.timeout().stop();
    const DialResult result = classifyDialAnswer(response);
    if (result != DialResult::Connected)
        ctx_.connectError() = failureText(result);
    co_return result == DialResult::Connected;
}

Task<void> ModemConnector::tearDown()
{
    const LinkFlags &f = ctx_.flags();
    SerialConnector *line = &line_;
    // A port that is gone (an adapter unplugged) has no modem to hang up.
    const auto lostOrClosed = [&f, line] { return f.linkLost || !line->isOpen(); };
    if (dialIssued_ && line_.isOpen()) {
        co_await ctx_.wait(kGuardTimeMs, lostOrClosed);
        for (int i = 0; i < 3 && line_.isOpen(); ++i)
            co_await ctx_.sendChar('+');
        co_await ctx_.wait(kGuardTimeMs, lostOrClosed);
        if (line_.isOpen())
            co_await ctx_.sendLine("ATH");
    }
    co_await line_.tearDown();
}

}  // namespace kordex
