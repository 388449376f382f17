#pragma once
// Test-side reference of the receiving terminal, written for these tests from
// the protocol rules alone: a small screen decoder and a login driver that
// answers prompts the way the remote program does. Independent of Kordex's
// decoder and of the simulator's encoder, so it cross-checks the stream.
#include "platform/clock.h"

#include <QByteArray>
#include <QList>
#include <QSet>

#include <array>
#include <functional>

namespace reftest {

class RefScreen {
public:
    RefScreen();
    void feed(QByteArrayView bytes);

    // Display row r as shown (40 columns).
    QByteArray lcdRow(int r) const;
    QByteArray lcdText() const;  // display rows joined with CR LF
    bool alarmAttention() const;
    char indicator(int n) const { return indicators[size_t(n)]; }

    bool tandem = false;
    bool suppressSwitch = false;  // stay in terminal mode, note it in tandemSeen
    bool tandemSeen = false;
    int displayRows = 2;
    int row = 0;
    int col = 0;
    bool cursorVisible = false;
    bool blinking = false;
    int bells = 0;
    int clears = 0;
    QByteArray ident;  // words of the last identification, single-spaced
    int identCount = 0;
    std::array<char, 100> indicators;
    int linesAccepted = 0;
    int linesRejected = 0;
    int linesBeforeIdent = 0;  // accepted before any identification
    QList<QByteArray> printerLines;
    QByteArray terminalText;  // everything received in terminal mode
    std::array<std::array<char, 100>, 25> cells;

private:
    void escapeByte(char b);
    void tandemByte(char b);
    void onEscape();
    void identify();
    void indicatorLine();
    bool esc_ = false;
    bool addressing_ = false;
    bool haveRow_ = false;
    bool identPending_ = false;
    QByteArray printerLine_;
};

// Face number the remote program shows for an identification line.
int faceFor(const QByteArray &identWords);

struct LoginConfig {
    QByteArray password = "QUOLL";
    QByteArray user;
    int sid = 0;
};

struct LoginOutcome {
    bool ok = false;
    QByteArray failure;  // "timeout" or "password"
    int passwordsSent = 0;
    QSet<int> rowsSeen;  // prompt-table rows that matched at some cycle
    QByteArray sent;     // every byte sent to the panel
};

// Runs the automatic login against a panel whose output reaches `screen` and
// `response` (the text collected while the login runs). `send` delivers bytes
// to the panel. Time passes on `clock` only.
LoginOutcome runLogin(kordex::VirtualClock &clock, RefScreen &screen, QByteArray &response,
                      const std::function<void(const QByteArray &)> &send, const LoginConfig &cfg);

}  // namespace reftest
