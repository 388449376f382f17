#pragma once
// The TCP/IP transport: a plain byte stream to a terminal server or gateway,
// on the platform's socket (linger 0, service names, errno codes).
#include "link/transport.h"
#include "platform/tcp_socket.h"

namespace kordex {

class TcpSocketTransport final : public Transport {
public:
    TcpSocketTransport();

    bool bringUp(const LinkSettings &settings) override;
    void tearDown() override { socket_.close(); }
    bool isOpen() const override { return socket_.isConnected(); }
    bool send(const QByteArray &bytes) override { return socket_.send(bytes) >= 0; }
    qint64 unsentBytes() const override { return socket_.unsentBytes(); }
    void setReceivePaused(bool paused) override { socket_.setReadPaused(paused); }
    int lastError() const override { return socket_.lastError(); }
    QString lastErrorMessage() const override { return socket_.lastErrorMessage(); }
    QString errorDescription(int code) const override { return TcpSocket::errorDescription(code); }

private:
    TcpSocket socket_;
};

}  // namespace kordex
