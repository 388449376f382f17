#pragma once
// One way of reaching a panel. The state machine drives a connector without
// knowing which one: bring up, tear down, hand over a character, and the few
// questions it must ask of a transport. connectorFor() picks one by the
// record's connection type.
#include "config/connection_book.h"
#include "link/link_context.h"
#include "link/task.h"

#include <QByteArray>

namespace kordex {

class Transport;

class Connector {
public:
    virtual ~Connector() = default;

    // Brings the link of ctx.current() up; true when it is ready for the
    // panel login. A failure leaves its text in the connect error.
    virtual Task<bool> bringUp() = 0;
    // Tears the link down, letting pending output leave first.
    virtual Task<void> tearDown() = 0;
    // Hands one character to the transport (`terminalCr`: a carriage return
    // in terminal mode, sent as LF CR); false when it was not taken.
    virtual Task<bool> sendChar(uint8_t c, bool terminalCr, TxTag tag) = 0;
    // The transport the characters go to; none for a type without one.
    virtual Transport *transport() const = 0;

    // Whether the records reach the panel over the same link, besides the
    // type, password and user name the state machine compares itself.
    virtual bool sameLink(const ConnectionRecord &a, const ConnectionRecord &b) const = 0;
    // A failed connect whose transport reported the loss itself still tears down.
    virtual bool tearDownAfterLoss() const { return true; }
    // A direct line may first try the panel's fast rate (with a full login).
    virtual bool offersFastRate(const ConnectionRecord &) const { return false; }
    virtual void useFastRate(bool) {}
    // The pause after each line of a file send.
    virtual int linePacingMs(const ConnectionRecord &) const { return 0; }
};

// Closes `t`, and says in the tray how many bytes it had not sent yet and
// the close threw away.
void closeReportingLoss(LinkContext &ctx, Transport &t);

// A connection type without a transport: connecting fails with its own text.
class NoConnector final : public Connector {
public:
    explicit NoConnector(LinkContext &ctx) : ctx_(ctx) {}
    Task<bool> bringUp() override;
    Task<void> tearDown() override { co_return; }
    Task<bool> sendChar(uint8_t, bool, TxTag) override { co_return false; }
    Transport *transport() const override { return nullptr; }
    bool sameLink(const ConnectionRecord &, const ConnectionRecord &) const override { return false; }

private:
    LinkContext &ctx_;
};

}  // namespace kordex
