#pragma once
// The serial transport: a direct line or a Hayes modem on a COM port, over
// our own port layer. The session is up as soon as the port opens; the link
// code reaches the modem (if any) through the same bytes.
#include "link/transport.h"
#include "platform/callback_guard.h"
#include "platform/serial_port.h"

#include <functional>
#include <memory>

class QObject;

namespace kordex {

class SerialTransport final : public Transport {
public:
    SerialTransport();
    ~SerialTransport() override;

    // Which device each COM number names (the [Ports] section).
    void setPortMap(const SerialPortMap &map) { port_.setPortMap(map); }
    // Where the map is read afresh at every bring-up (the file may have been
    // reloaded since).
    std::function<const SerialPortMap &()> portMapSource;

    // Opens settings.com at settings.baud with settings.flow and
    // settings.rxBuffer; an open port is closed first. On success
    // sessionConnected(0) follows on the next turn of the event loop, never
    // from inside this call, and not at all if the port is closed before.
    // False when the port did not open: lastErrorMessage() says why,
    // lastError() is 0.
    bool bringUp(const LinkSettings &settings) override;
    // Unlike the socket, our own close raises no sessionClosed: the link
    // code ends a serial session itself. A lost port (unplugged, gone, an
    // I/O error) raises sessionClosed(errno) once.
    void tearDown() override;
    bool isOpen() const override { return port_.isOpen(); }
    bool send(const QByteArray &bytes) override { return port_.write(bytes); }

    int transmitRoom() const override { return port_.transmitRoom(); }
    int bytesPending() const override { return port_.bytesPending(); }
    qint64 unsentBytes() const override { return port_.unsentBytes(); }
    void setReceivePaused(bool paused) override { port_.setReadPaused(paused); }
    bool requestToSend() const override { return port_.requestToSend(); }
    bool dataTerminalReady() const override { return port_.dataTerminalReady(); }
    Hold holdStatus() const override;

    int lastError() const override { return port_.lastError(); }
    QString lastErrorMessage() const override { return port_.lastErrorMessage(); }
    QString errorDescription(int code) const override { return SerialPort::errorDescription(code); }

    const SerialPort &port() const { return port_; }

private:
    SerialPort port_;
    std::unique_ptr<QObject> context_;
    quint64 session_ = 0;
    CallbackGuard guard_;
};

}  // namespace kordex
