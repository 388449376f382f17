#pragma once
// A Hayes modem on the serial line: reset, tone-dial the record's number and
// read the modem's answer; on tear-down escape to command mode and hang up.
#include "link/serial_connector.h"

namespace kordex {

enum class DialResult { None, Connected, NoCarrier, Error, NoDialTone, Busy, NoAnswer };

// The modem's answer in upper-case text; where it holds several, the later
// row of the answer table wins.
DialResult classifyDialAnswer(const ReceivedText &text);

class ModemConnector final : public Connector {
public:
    ModemConnector(LinkContext &ctx, SerialConnector &line) : ctx_(ctx), line_(line) {}

    Task<bool> bringUp() override;
    Task<void> tearDown() override;
    Task<bool> sendChar(uint8_t c, bool terminalCr, TxTag tag) override { return line_.sendChar(c, terminalCr, tag); }
    Transport *transport() const override { return line_.transport(); }
    bool sameLink(const ConnectionRecord &a, const ConnectionRecord &b) const override
    {
        return line_.sameLink(a, b) && a.phoneNumber == b.phoneNumber;
    }

private:
    Task<bool> dial();

    LinkContext &ctx_;
    SerialConnector &line_;
    bool dialIssued_ = false;  // decides whether the tear-down hangs up
};

}  // namespace kordex
