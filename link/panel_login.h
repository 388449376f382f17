#pragma once
// The panel login: brings the panel's operator interface to a known state,
// then answers each prompt it recognises (password, user name, system id,
// access commands) until the panel enters tandem mode. Which prompt gets
// which answer is data (the prompt and action tables) and one pure function;
// the coroutine only sends, counts and waits.
#include "link/link_context.h"
#include "link/received_text.h"

namespace kordex {

enum class LoginAction { None, Password, SendDG, SendTD, SendQ, SidAnswer, Return, UserName, Confirm };

// One row of the prompt table: a later matching row replaces the action of
// an earlier one.
struct LoginPrompt {
    enum class Match { Exact, Upper, AfterUserName };
    const char *text;
    Match match;
    LoginAction action;  // None: the row only notes something
    bool arrow;          // the panel showed "->"
    bool diagnostics;    // the ZR9 diagnostics banner
};

struct LoginStep {
    LoginAction action = LoginAction::None;
    bool arrowSeen = false;
    bool diagnosticsBanner = false;
};

// The next step for the text received since the last answer, given how often
// the password and the user name have been sent.
LoginStep nextLoginStep(const ReceivedText &text, int passwordsSent, int userNamesSent);

class PanelLogin {
public:
    explicit PanelLogin(LinkContext &ctx) : ctx_(ctx) {}
    // True once the panel entered tandem mode; false on failure (with its
    // text in the connect error) or cancel (without).
    Task<bool> logIn();
    Task<void> logOut();

private:
    Task<bool> prepare();
    Task<void> answer(LoginAction action);
    void clearReceived();
    void endVerdict();

    LinkContext &ctx_;
    int passwords_ = 0;
    int userNames_ = 0;
};

}  // namespace kordex
