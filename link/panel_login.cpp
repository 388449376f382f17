#include "link/panel_login.h"

#include "core/engine.h"

namespace kordex {

namespace {

constexpr uint8_t kCR = 13, kEsc = 27, kBackspace = 8;
constexpr int kSettleMs = 1000;
constexpr int kStepMs = 250;
constexpr int kRefreshChecks = 4;
constexpr int kEscapes = 10;
constexpr int kMaxCycles = 100;
constexpr int kMaxPasswords = 12;

using M = LoginPrompt::Match;
using A = LoginAction;
constexpr LoginPrompt kPrompts[] = {
    {"ENTER PASSWORD", M::Exact, A::Password, false, false},
    {"ENTER PROGRAMMING ACCESS COMMAND", M::Exact, A::SendDG, false, false},
    {"ENTER INFORMATION ACCESS COMMAND", M::Exact, A::SendTD, false, false},
    {"ENTER DIAGNOSTICS COMMAND", M::Exact, A::SendTD, false, false},
    {"ENTER L", M::Upper, A::SidAnswer, false, false},
    {"RECONNECT PRINTER", M::Upper, A::Return, false, false},
    {"ENTER INFORMATION COMMAND", M::Upper, A::SendQ, false, false},
    {"->", M::Exact, A::None, true, false},
    {"ENTER USERNAME", M::Exact, A::UserName, false, false},
    {"ZR9 Diagnostics", M::Exact, A::SendTD, false, true},
    {"LOGIN CANCELLED", M::Exact, A::Return, false, false},
    {"ACCESS DENIED", M::Exact, A::Return, false, false},
    // A user name sent more often than the password: a "*" asks to confirm it.
    {"*", M::AfterUserName, A::Confirm, false, false},
};

// What each action sends.
enum class Send { Nothing, Line, Key, Password, UserName, Sid };
struct LoginReply {
    LoginAction action;
    Send send;
    const char *text;
};
constexpr LoginReply kReplies[] = {
    {A::None, Send::Nothing, ""},  {A::Password, Send::Password, ""}, {A::SendDG, Send::Line, "DG"},
    {A::SendTD, Send::Line, "TD"}, {A::SendQ, Send::Line, "Q"},       {A::SidAnswer, Send::Sid, ""},
    {A::Return, Send::Key, "\r"},  {A::UserName, Send::UserName, ""}, {A::Confirm, Send::Key, "\r"},
};

}  // namespace

LoginStep nextLoginStep(const ReceivedText &text, int passwordsSent, int userNamesSent)
{
    LoginStep step;
    for (const LoginPrompt &p : kPrompts) {
        const bool found = p.match == M::Upper           ? text.containsUpper(p.text)
                           : p.match == M::AfterUserName ? userNamesSent > passwordsSent && text.contains(p.text)
                                                         : text.contains(p.text);
        if (!found)
            continue;
        if (p.action != A::None)
            step.action = p.action;
        step.arrowSeen = step.arrowSeen || p.arrow;
        step.diagnosticsBanner = step.diagnosticsBanner || p.diagnostics;
    }
    return step;
}

void PanelLogin::clearReceived()
{
    ctx_.response().clear();
    ctx_.engine().events.clearEventLine();
}

Task<bool> PanelLogin::logIn()
{
    LinkFlags &f = ctx_.flags();
    const SessionState &s = ctx_.session();
    f.loginPending = true;
    ctx_.engine().setLoggedIn(false);
    f.arrowPromptSeen = false;
    f.diagnosticsBannerSeen = false;
    if (!ctx_.current().autoLogin)
        co_return false;  // a manual login is recognised when tandem mode begins
    ctx_.setStatus("Logging Onto Panel...");
    for (const LoginPrompt &p : kPrompts)
        ctx_.response().watch(p.text, p.match == M::Upper);
    const bool prepared = co_await prepare();
    if (!prepared)
        co_return false;

    bool stop = false;
    for (int cycle = 0;;) {
        const LoginStep step = nextLoginStep(ctx_.response(), passwords_, userNames_);
        f.arrowPromptSeen = f.arrowPromptSeen || step.arrowSeen;
        if (step.diagnosticsBanner) {
            f.diagnosticsBannerSeen = true;
            f.suppressTandemSwitch = false;
        }
        co_await answer(step.action);
        ++cycle;
        // Stop wins even when tandem mode comes up during this cycle's wait.
        stop = f.linkLost || cycle >= kMaxCycles || passwords_ >= kMaxPasswords;
        co_await ctx_.wait(kStepMs, [&f, &s] { return f.abortRequested || s.tandemMode; });
        if (s.tandemMode || stop || f.abortRequested)
            break;
    }
    ctx_.timeout().stop();
    if (f.abortRequested)
        co_return false;  // no verdict: the login stays pending
    if (stop) {
        ctx_.engine().setLoggedIn(false);
        f.arrowPromptSeen = false;
        f.diagnosticsBannerSeen = false;
        ctx_.connectError() =
            passwords_ >= kMaxPasswords ? "Login Failure - Invalid Username/Password" : "Login Failure - Login Timeout";
    } else {
        ctx_.engine().setLoggedIn(true);
    }
    f.loginPending = false;
    co_return !stop;
}

// Brings the panel's operator interface to a known state: a refresh (and
// out of tandem mode again if it answers in it), escapes, out of any menu.
Task<bool> PanelLogin::prepare()
{
    LinkFlags &f = ctx_.flags();
    const auto aborted = [&f] { return f.abortRequested; };
    f.tandemSeen = false;
    f.suppressTandemSwitch = true;
    co_await ctx_.wait(kSettleMs, aborted);
    if (f.abortRequested)
        co_return false;
    clearReceived();
    co_await ctx_.sendChar('H');
    for (int i = 0; i < kRefreshChecks; ++i) {
        co_await ctx_.wait(kStepMs, aborted);
        if (f.abortRequested)
            co_return false;
        if (f.tandemSeen) {
            co_await ctx_.sendChar('C');
            f.tandemSeen = false;
        }
    }
    for (int i = 0; i < kEscapes; ++i)
        co_await ctx_.sendChar(kEsc);
    co_await ctx_.sendChar(kBackspace);
    co_await ctx_.sendChar('C');
    clearReceived();
    f.suppressTandemSwitch = false;
    co_await ctx_.sendChar(kCR);

    passwords_ = userNames_ = 0;
    f.arrowPromptSeen = false;
    f.diagnosticsBannerSeen = false;
    co_await ctx_.wait(kStepMs, aborted);
    co_return !f.abortRequested;
}

Task<void> PanelLogin::answer(LoginAction action)
{
    if (action == A::None)
        co_return;  // the text keeps accumulating
    const ConnectionRecord &rec = ctx_.current();
    LinkFlags &f = ctx_.flags();
    for (const LoginReply &r : kReplies) {
        if (r.action != action)
            continue;
        switch (r.send) {
        case Send::Nothing: break;
        case Send::Line: co_await ctx_.sendLine(r.text); break;
        case Send::Key: co_await ctx_.sendChar(uint8_t(r.text[0])); break;
        case Send::Password: co_await ctx_.sendLine(rec.password, TxTag::Password); break;
        case Send::UserName: co_await ctx_.sendLine(rec.userName); break;
        case Send::Sid:
            if (rec.sid != 0)
                co_await ctx_.sendLine(QByteArray::number(rec.sid), TxTag::Sid);
            else if (f.arrowPromptSeen)
                co_await ctx_.sendLine("L");
            else
                co_await ctx_.sendChar('L');  // alone, without a carriage return
            break;
        }
    }
    switch (action) {
    case A::Password: ++passwords_; break;
    case A::UserName: ++userNames_; break;
    case A::Confirm: userNames_ = passwords_; break;
    case A::SidAnswer: f.suppressTandemSwitch = false; break;
    default: break;
    }
    clearReceived();
}

Task<void> PanelLogin::logOut()
{
    LinkFlags &f = ctx_.flags();
    if (ctx_.session().tandemMode)
        co_await ctx_.sendChar('C');
    for (uint8_t c : {uint8_t('Q'), kCR, uint8_t('Q'), kCR})
        co_await ctx_.sendChar(c);
    ctx_.engine().setLoggedIn(false);
    f.arrowPromptSeen = false;
    f.diagnosticsBannerSeen = false;
}

}  // namespace kordex
