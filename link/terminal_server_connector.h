#pragma once
// TCP/IP to a terminal server or gateway: a plain byte stream, with up to two
// prompts of the gateway answered before the panel is reached. The socket's
// session notifications arrive here.
#include "link/connector.h"
#include "link/transport.h"

namespace kordex {

class TerminalServerConnector final : public Connector, private TransportEvents {
public:
    TerminalServerConnector(LinkContext &ctx, Transport *socket);
    ~TerminalServerConnector() override;

    Task<bool> bringUp() override;
    Task<void> tearDown() override;
    Task<bool> sendChar(uint8_t c, bool terminalCr, TxTag tag) override;
    Transport *transport() const override { return socket_; }
    bool sameLink(const ConnectionRecord &a, const ConnectionRecord &b) const override;
    // A session the socket reported lost has nothing left to close.
    bool tearDownAfterLoss() const override { return false; }
    int linePacingMs(const ConnectionRecord &rec) const override { return rec.tcpLinePacingMs; }

    // From a session-connected notification without error until the session ends.
    bool sessionUp() const { return sessionUp_; }

private:
    Task<bool> answerPrompts();
    void failedAtOnce();

    void dataReceived(const QByteArray &chunk) override { ctx_.received(chunk); }
    void sessionConnected(int error) override;
    void sessionClosed(int error) override;
    void lineError() override {}
    void transmitChanged() override { ctx_.hub().notify(); }
    QByteArray describe(int error) const;

    LinkContext &ctx_;
    Transport *socket_;
    bool sessionUp_ = false;
};

}  // namespace kordex
