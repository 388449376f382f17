#pragma once
// The session flags and texts. Each flag has one writer: the link writes the
// link's flags, the mode switch the mode and the login verdict; everybody
// else reads them through the const references below (the names the rest of
// the program reads). A writer gets its flags with a key only it can make.
// Main thread only. The connection in use belongs to the link session; this
// state only reads it, through `current()`.
#include "config/connection_book.h"
#include "core/received_text.h"

#include <QByteArray>

namespace kordex {

// Written by the link session and its units only.
struct LinkFlags {
    bool ConnectionActive = false;
    bool Connected = false;
    bool LoginPending = false;
    bool AbortRequested = false;
    bool LinkLost = false;
    bool SuppressTandemSwitch = false;
    bool TandemSeen = false;
    bool Capturing = false;
    bool SendingFile = false;
    bool ArrowPromptSeen = false;
    bool DiagnosticsBannerSeen = false;
};

// Written by the mode switch only: the mode, and the login verdict that
// entering tandem mode gives.
struct ModeFlags {
    bool TandemMode = false;
    bool LoggedIn = false;
    // Times tandem mode was entered: an answer that comes later tells by it
    // whether the stretch it was asked in goes on.
    unsigned tandemEntries = 0;
};

class SessionState {
    LinkFlags link_;
    ModeFlags mode_;

public:
    SessionState() = default;
    SessionState(const SessionState &) = delete;
    SessionState &operator=(const SessionState &) = delete;

    // The keys: only their friends can make one.
    class LinkWriter {
        friend class LinkSession;
        friend struct SessionRig;
        LinkWriter() = default;
    };
    class ModeWriter {
        friend class FaceController;
        friend struct SessionRig;
        ModeWriter() = default;
    };
    LinkFlags &linkFlags(LinkWriter) { return link_; }
    ModeFlags &modeFlags(ModeWriter) { return mode_; }

    const bool &ConnectionActive = link_.ConnectionActive;
    const bool &Connected = link_.Connected;
    const bool &LoginPending = link_.LoginPending;
    const bool &AbortRequested = link_.AbortRequested;
    const bool &LinkLost = link_.LinkLost;
    const bool &SuppressTandemSwitch = link_.SuppressTandemSwitch;
    const bool &TandemSeen = link_.TandemSeen;
    const bool &Capturing = link_.Capturing;
    const bool &SendingFile = link_.SendingFile;
    const bool &ArrowPromptSeen = link_.ArrowPromptSeen;
    const bool &DiagnosticsBannerSeen = link_.DiagnosticsBannerSeen;
    const bool &TandemMode = mode_.TandemMode;
    const bool &LoggedIn = mode_.LoggedIn;
    const unsigned &tandemEntries = mode_.tandemEntries;

    // What arrived while the link was not up or a login was pending: the
    // decoder appends, the link searches and clears.
    ReceivedText ResponseText;
    QByteArray StatusText = "Not Connected";

    // Panel identity.
    QByteArray PanelModel;  // the first word of the identification line
    QByteArray PanelVersion = "V01";
    QByteArray PanelSecondWord = "1";
    bool EventDisplayAllowed = false;

    int panelType() const { return panelType_; }
    void setPanelType(int t) { panelType_ = t; }

    // The connection record in use (the link session's working copy).
    const TConnectionRec &current() const { return *current_; }
    void setCurrent(const TConnectionRec *rec) { current_ = rec ? rec : &noConnection(); }

private:
    int panelType_ = 0;
    static const TConnectionRec &noConnection()
    {
        static const TConnectionRec none;
        return none;
    }
    const TConnectionRec *current_ = &noConnection();
};

// For rigs without a link or without faces (tests, benches, fuzzers and the
// `set` line of kordex-replay): they stand in for the missing writer.
struct SessionRig {
    static LinkFlags &link(SessionState &s) { return s.linkFlags({}); }
    static ModeFlags &mode(SessionState &s) { return s.modeFlags({}); }
};

}  // namespace kordex
