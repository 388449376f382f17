#pragma once
// The session flags and texts. Each flag has one writer: the link writes the
// link's flags, the mode switch the mode and the login verdict; everybody
// else reads them through the const references below (the names the rest of
// the program reads). A writer gets its flags with a key only it can make.
// Main thread only. The settings of the connection in use belong to the
// link; this state only reads them, through `linkSettings()`.
#include "core/panel_link_settings.h"

#include <QByteArray>

namespace kordex {

// Written by the link session and its units only.
struct LinkFlags {
    bool connectionActive = false;
    bool connected = false;
    bool loginPending = false;
    bool abortRequested = false;
    bool linkLost = false;
    bool suppressTandemSwitch = false;
    bool tandemSeen = false;
    bool capturing = false;
    bool sendingFile = false;
    bool arrowPromptSeen = false;
    bool diagnosticsBannerSeen = false;
};

// Written by the mode switch only: the mode, and the login verdict that
// entering tandem mode gives.
struct ModeFlags {
    bool tandemMode = false;
    bool loggedIn = false;
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

    const bool &connectionActive = link_.connectionActive;
    const bool &connected = link_.connected;
    const bool &loginPending = link_.loginPending;
    const bool &abortRequested = link_.abortRequested;
    const bool &linkLost = link_.linkLost;
    const bool &suppressTandemSwitch = link_.suppressTandemSwitch;
    const bool &tandemSeen = link_.tandemSeen;
    const bool &capturing = link_.capturing;
    const bool &sendingFile = link_.sendingFile;
    const bool &arrowPromptSeen = link_.arrowPromptSeen;
    const bool &diagnosticsBannerSeen = link_.diagnosticsBannerSeen;
    const bool &tandemMode = mode_.tandemMode;
    const bool &loggedIn = mode_.loggedIn;
    const unsigned &tandemEntries = mode_.tandemEntries;

    QByteArray statusText = "Not Connected";

    // Panel identity.
    QByteArray panelModel;  // the first word of the identification line
    QByteArray panelVersion = "V01";
    QByteArray panelSecondWord = "1";
    bool eventDisplayAllowed = false;

    // A number of PanelType, or any other a replay script sets.
    int panelType() const { return panelType_; }
    void setPanelType(int t) { panelType_ = t; }

    // The settings of the connection in use; the defaults while there is none.
    const PanelLinkSettings &linkSettings() const { return *linkSettings_; }
    void setLinkSettings(const PanelLinkSettings *settings) { linkSettings_ = settings ? settings : &noConnection(); }

private:
    int panelType_ = 0;
    static const PanelLinkSettings &noConnection()
    {
        static const PanelLinkSettings kNone;
        return kNone;
    }
    const PanelLinkSettings *linkSettings_ = &noConnection();
};

// For rigs without a link or without faces (tests, benches, fuzzers and the
// `set` line of kordex-replay): they stand in for the missing writer.
struct SessionRig {
    static LinkFlags &link(SessionState &s) { return s.linkFlags({}); }
    static ModeFlags &mode(SessionState &s) { return s.modeFlags({}); }
};

}  // namespace kordex
