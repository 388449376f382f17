#include "link/tcp_socket_transport.h"

namespace kordex {

TcpSocketTransport::TcpSocketTransport()
{
    socket_.onSessionConnected = [this](int error) {
        if (events_)
            events_->sessionConnected(error);
    };
    socket_.onSessionClosed = [this](int error) {
        if (events_)
            events_->sessionClosed(error);
    };
    socket_.onDataAvailable = [this](const QByteArray &chunk) {
        if (events_)
            events_->dataReceived(chunk);
    };
    socket_.onUnsentFell = [this] {
        if (events_)
            events_->transmitChanged();
    };
}

bool TcpSocketTransport::bringUp(const LinkSettings &settings)
{
    socket_.setAddress(settings.host);
    socket_.setPort(settings.port);
    return socket_.connectToHost();
}

}  // namespace kordex
