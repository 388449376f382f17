#pragma once
// The direct serial line: opens the port with the record's settings, lets
// pending output leave before it closes, and reports a port that fails on
// its own. The modem connector dials over it.
#include "link/connector.h"
#include "link/transport.h"

namespace kordex {

// The port's settings for a record; nullopt when its baud-rate index is
// outside the list (the port would otherwise run at some rate silently).
std::optional<LinkSettings> serialSettingsFor(const ConnectionRecord &rec);

class SerialConnector final : public Connector, private TransportEvents {
public:
    SerialConnector(LinkContext &ctx, Transport *port);
    ~SerialConnector() override;

    Task<bool> bringUp() override;
    Task<void> tearDown() override;
    Task<bool> sendChar(uint8_t c, bool terminalCr, TxTag tag) override;
    Transport *transport() const override { return port_; }
    bool sameLink(const ConnectionRecord &a, const ConnectionRecord &b) const override;
    bool offersFastRate(const ConnectionRecord &rec) const override;
    void useFastRate(bool on) override { fastRate_ = on; }

    bool isOpen() const { return port_ && port_->isOpen(); }

private:
    void dataReceived(const QByteArray &chunk) override { ctx_.received(chunk); }
    void sessionConnected(int) override { ctx_.hub().notify(); }
    void sessionClosed(int error) override;
    void lineError() override;
    void transmitChanged() override { ctx_.hub().notify(); }

    LinkContext &ctx_;
    Transport *port_;
    bool fastRate_ = false;
};

}  // namespace kordex
