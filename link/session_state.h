#pragma once
// The shared state of one running program: session flags, the connection in
// use, and the texts every part reads. Written on the main thread only, apart
// from the few values the flash thread reads (kept atomic so a whole value is
// always seen).
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
    bool TandemMode = false;       // written only by the mode switch
    bool ArrowPromptSeen = false;
    bool DiagnosticsBannerSeen = false;

    QByteArray ResponseText;
    QByteArray StatusText = "Not Connected";
    QByteArray ConnectError;

    TConnectionRec CurrentConnection;
    int CurrentIndex = -1;
    ConnectionBook Book;

    // Panel identity; PanelType and EventDisplayAllowed are read by the flash thread.
    std::atomic<int> PanelType{0};
    QByteArray PanelVersion = "V01";
    QByteArray PanelSecondWord = "1";
    std::atomic<bool> EventDisplayAllowed{false};

    int panelType() const { return PanelType.load(std::memory_order_relaxed); }
    void setPanelType(int t) { PanelType.store(t, std::memory_order_relaxed); }
};

} // namespace kordex
