#pragma once
// One interface for every way of reaching a panel: a socket to a terminal
// server, a serial port (direct or through a modem). The link session drives
// it; the program hands it real ones, kordex-replay and the tests a fake.
#include <QByteArray>
#include <QString>

namespace kordex {

// What a transport reports, on the main thread.
class TransportEvents {
public:
    virtual ~TransportEvents() = default;
    virtual void dataReceived(const QByteArray &chunk) = 0;
    // 0 = the session is up; otherwise the error code of the failed attempt.
    virtual void sessionConnected(int error) = 0;
    // Raised once per session, also from inside our own tearDown().
    virtual void sessionClosed(int error) = 0;
    virtual void lineError() = 0;
    // Transmit room grew, unsent bytes left, or the hold status changed:
    // waits for any of them re-check.
    virtual void transmitChanged() {}
};

// Everything a bring-up needs, whichever transport takes it.
struct LinkSettings {
    QByteArray host, port;  // TCP/IP
    int com = 1;            // serial: COM number
    int baud = 9600;        // bits per second
    int flow = 1;           // 0 none, 1 XON/XOFF, 2 RTS/CTS, 3 DTR/DSR
    int rxBuffer = 4096;
};

enum class Hold { None, Xoff, Cts, Dsr };

class Transport {
public:
    virtual ~Transport() = default;
    void setEvents(TransportEvents *events) { events_ = events; }
    TransportEvents *events() const { return events_; }

    // Starts bringing the link up; the outcome comes as sessionConnected.
    // False when it failed at once (lastError / lastErrorMessage say why).
    virtual bool bringUp(const LinkSettings &settings) = 0;
    virtual void tearDown() = 0;
    virtual bool isOpen() const = 0;
    // Hands bytes over in one write; false when they were not taken.
    virtual bool send(const QByteArray &bytes) = 0;

    virtual int transmitRoom() const { return 1 << 20; }
    virtual int bytesPending() const { return 0; }  // in our own transmit buffer
    // Bytes send() accepted that the peer may not have yet: our transmit
    // buffer, the toolkit's and the system's output queues (for TCP also
    // bytes sent but not yet acknowledged). Read just before tearDown(), it
    // is what the close throws away: all of it for TCP (the close is a
    // reset); for a serial port the transmit buffer, while the driver still
    // sends the few milliseconds it holds unless CTS holds the line.
    // transmitChanged() follows as it falls.
    virtual qint64 unsentBytes() const { return bytesPending(); }
    virtual Hold holdStatus() const { return Hold::None; }

    // Back-pressure on what arrives. While paused no dataReceived is raised
    // (but for the bytes just before a session's end, handed over ahead of
    // sessionClosed), and the transport stops taking bytes from the system,
    // so the peer is held back by TCP's window or the line's flow control;
    // nothing is dropped or reordered. Resuming hands over what waits from
    // the event loop, never inside the call. bringUp() starts unpaused.
    virtual void setReceivePaused(bool) {}

    // The modem control lines as the port drives them now; false while
    // closed, and for a socket.
    virtual bool requestToSend() const { return false; }
    virtual bool dataTerminalReady() const { return false; }

    virtual int lastError() const = 0;
    virtual QString lastErrorMessage() const = 0;
    virtual QString errorDescription(int code) const = 0;

protected:
    TransportEvents *events_ = nullptr;
};

}  // namespace kordex
