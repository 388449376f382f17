#pragma once
// A Hayes-command modem between the terminal (Kordex on the serial side) and
// the panel: command mode with AT commands, dialling with a chosen outcome,
// data mode, and the "+++" escape with guard times. Pure logic on a Clock.
#include "platform/clock.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <functional>
#include <optional>

namespace kordex::panel {

class HayesModem {
public:
    enum class DialResult { Connect, Busy, NoCarrier, NoDialtone, NoAnswer, Error, Silence };
    enum class State { Command, Dialing, Online, OnlineCommand };

    struct Options {
        DialResult dialResult = DialResult::Connect;
        int dialDelayMs = 2000;
        int guardMs = 1000;
        int rate = 9600;
    };
    struct Hooks {
        std::function<void(const QByteArray &)> toTerminal;
        std::function<void(const QByteArray &)> toPanel;
        std::function<void(bool up)> carrier;
    };

    HayesModem(Clock &clock, Options options, Hooks hooks);
    HayesModem(const HayesModem &) = delete;
    HayesModem &operator=(const HayesModem &) = delete;

    void fromTerminal(QByteArrayView bytes);
    void fromPanel(const QByteArray &bytes);  // dropped unless online
    // The terminal side went away: drop any call, back to a fresh command mode.
    void reset();

    State state() const { return state_; }
    bool carrier() const { return state_ == State::Online || state_ == State::OnlineCommand; }
    QByteArray dialledNumber() const { return number_; }

private:
    void commandByte(char b);
    void dataByte(char b);
    void execute(const QByteArray &line);
    void dialDone();
    void escapeDone();
    void setCarrier(bool up);
    void result(const QByteArray &text);

    Clock &clock_;
    Options opt_;
    Hooks hooks_;
    State state_ = State::Command;
    bool echo_ = true;
    QByteArray command_;
    QByteArray toPanel_;
    QByteArray number_;
    Timer dialTimer_;
    Timer escapeTimer_;
    int64_t lastDataMs_ = 0;
    int pluses_ = 0;
    int64_t lastPlusMs_ = 0;
};

std::optional<HayesModem::DialResult> dialResultByName(QStringView name);

}  // namespace kordex::panel
