#pragma once
// The session flags and texts that the decoder and the display write and
// every layer above reads. Written on the main thread only, apart from the
// few values the flash thread reads (kept atomic so a whole value is always
// seen). The connection in use belongs to the link session; this state only
// reads it, through `current()`.
#include "config/connection_book.h"

#include <QByteArray>
#include <atomic>

namespace kordex {

struct SessionState {
    // Session flags.
    bool ConnectionActive = false;
    bool Connected = false;
    bool LoggedIn = false;
    bool LoginPending = false;
    bool AbortRequested = false;
    bool LinkLost = false;
    bool SuppressTandemSwitch = false;
    bool TandemSeen = false;
    bool Capturing = false;
    bool SendingFile = false;
    bool TandemMode = false;  // written only by the mode switch
    // Times tandem mode was entered (by the mode switch): an answer that
    // comes later tells by it whether the stretch it was asked in goes on.
    unsigned tandemEntries = 0;
    bool ArrowPromptSeen = false;
    bool DiagnosticsBannerSeen = false;

    QByteArray ResponseText;
    QByteArray StatusText = "Not Connected";

    // Panel identity; PanelType and EventDisplayAllowed are read by the flash thread.
    std::atomic<int> PanelType{0};
    QByteArray PanelVersion = "V01";
    QByteArray PanelSecondWord = "1";
    std::atomic<bool> EventDisplayAllowed{false};

    int panelType() const { return PanelType.load(std::memory_order_relaxed); }
    void setPanelType(int t) { PanelType.store(t, std::memory_order_relaxed); }

    // The connection record in use (the link session's working copy).
    const TConnectionRec &current() const { return *current_; }
    void setCurrent(const TConnectionRec *rec) { current_ = rec ? rec : &noConnection(); }

private:
    static const TConnectionRec &noConnection()
    {
        static const TConnectionRec none;
        return none;
    }
    const TConnectionRec *current_ = &noConnection();
};

}  // namespace kordex
