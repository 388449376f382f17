#include "link/serial_transport.h"

#include <QObject>
#include <QTimer>

#include <cerrno>

namespace kordex {

SerialTransport::SerialTransport() : context_(std::make_unique<QObject>())
{
    port_.onData = [this](const QByteArray &chunk) {
        if (events_)
            guard_.call([&] { events_->dataReceived(chunk); });
    };
    port_.onLineError = [this] {
        if (events_)
            guard_.call([&] { events_->lineError(); });
    };
    port_.onClosedByError = [this](const QString &) {
        ++session_;
        const int code = port_.lastError() != 0 ? port_.lastError() : EIO;
        if (events_)
            guard_.call([&] { events_->sessionClosed(code); });
    };
    port_.onHoldChanged = [this] {
        if (events_)
            guard_.call([&] { events_->transmitChanged(); });
    };
    port_.onTransmitRoom = [this] {
        if (events_)
            guard_.call([&] { events_->transmitChanged(); });
    };
}

SerialTransport::~SerialTransport() = default;

bool SerialTransport::bringUp(const LinkSettings &settings)
{
    const quint64 session = ++session_;
    if (portMapSource)
        port_.setPortMap(portMapSource());
    if (!port_.open(settings.com, settings.baud, settings.flow, settings.rxBuffer))
        return false;
    // After the return, so that the caller's wait for the session sees it;
    // never once this transport is gone (the call goes with context_).
    QTimer::singleShot(0, context_.get(), [this, session] {
        if (session == session_ && port_.isOpen() && events_)
            guard_.call([&] { events_->sessionConnected(0); });
    });
    return true;
}

void SerialTransport::tearDown()
{
    ++session_;
    port_.close();
}

Hold SerialTransport::holdStatus() const
{
    switch (port_.holdStatus()) {
    case SerialHold::Xoff: return Hold::Xoff;
    case SerialHold::Cts: return Hold::Cts;
    case SerialHold::Dsr: return Hold::Dsr;
    case SerialHold::None: break;
    }
    return Hold::None;
}

}  // namespace kordex
