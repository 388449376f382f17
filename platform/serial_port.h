#pragma once
// A serial port as the panel link needs it, over QSerialPort: ports by COM
// number, 8N1 at any baud rate, XON/XOFF done here so that "held by XOFF" can
// be seen, a transmit buffer of fixed size with honest accounting, a port in
// use refused rather than shared, and a lost device reported once.
// Main thread only; every callback runs there.
#include "platform/serial_ports.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace kordex {

enum class SerialHold { None, Xoff, Cts, Dsr };

// What arrives from the line, separated from the bytes that carry no data:
// the kernel marks a byte with a parity or framing error, and a break, as
// 0xFF 0x00 c (a literal 0xFF comes doubled); in XON/XOFF mode 0x11 and 0x13
// from the peer are flow control. Keeps its state between chunks.
class SerialReceiveFilter {
public:
    struct Result {
        QByteArray data;
        int lineErrors = 0;
        bool xonXoffSeen = false;  // peerXoff() may have changed
    };
    explicit SerialReceiveFilter(bool xonXoff = false) : xonXoff_(xonXoff) {}
    Result feed(const QByteArray &chunk);
    bool peerXoff() const { return peerXoff_; }
    void reset(bool xonXoff);

private:
    enum class Mark { None, Escape, ErrorByte };
    bool xonXoff_;
    bool peerXoff_ = false;
    Mark mark_ = Mark::None;
};

class SerialPort {
public:
    static constexpr int kTransmitBufferSize = 2048;
    static constexpr char kXon = 0x11;
    static constexpr char kXoff = 0x13;
    enum Flow { FlowNone = 0, FlowXonXoff = 1, FlowRtsCts = 2, FlowDtrDsr = 3 };

    SerialPort();
    ~SerialPort();  // closes an open port without a notification
    SerialPort(const SerialPort &) = delete;
    SerialPort &operator=(const SerialPort &) = delete;

    // Which device a COM number names; taken as a copy, read at each open.
    void setPortMap(const SerialPortMap &map);
    // Where other programs leave UUCP lock files ("LCK..ttyS0").
    void setLockDirectories(const QStringList &dirs);
    static QStringList defaultLockDirectories();

    // 8N1 at baud; flow 0 none, 1 XON/XOFF, 2 RTS/CTS, 3 DTR/DSR. rxBuffer
    // sets where flow control stops the peer (3/4 full) and lets it go again
    // (1/4). False on failure, with lastErrorMessage() saying why; an open
    // port is closed first. Input that arrived before the open is dropped.
    bool open(int comNumber, int baud, int flow, int rxBuffer);
    // No notification. Our transmit buffer is dropped; the driver still sends
    // what it holds, unless CTS holds the line (then that is dropped too).
    void close();
    bool isOpen() const;

    // All or nothing: false when closed or when the bytes exceed transmitRoom().
    bool write(const QByteArray &bytes);
    int transmitRoom() const;
    int bytesPending() const;  // accepted, not yet taken by the driver
    int unsentBytes() const;   // accepted, not yet on the line: ours and the driver's
    SerialHold holdStatus() const;
    // The modem control lines: raised at the open, DTR dropped while the
    // receive buffer is full under DTR/DSR, RTS driven by the driver under
    // RTS/CTS; false while closed.
    bool requestToSend() const;
    bool dataTerminalReady() const;

    // While paused, no onData: QSerialPort reads a little ahead and then
    // leaves the rest to the driver; with XON/XOFF or DTR/DSR the peer is
    // stopped as for a full receive buffer (RTS/CTS: by the driver itself).
    // Resuming hands over what waits from the event loop, never inside this
    // call. An open starts unpaused.
    void setReadPaused(bool paused);

    int comNumber() const;
    QString devicePath() const;  // as mapped, empty while closed
    // errno-style: 0 for an open failure (only the message fits), the cause
    // of a loss otherwise.
    int lastError() const;
    QString lastErrorMessage() const;
    static QString errorDescription(int code);  // fixed English text

    static QString invalidPortMessage(int comNumber);
    static QString cannotOpenMessage(int comNumber);
    static QString permissionMessage(int comNumber, const QString &device);
    static QString settingsMessage();

    // A callback may close or destroy this port.
    std::function<void(const QByteArray &)> onData;
    std::function<void(const QString &)> onClosedByError;  // once per lost session; the port is closed
    std::function<void()> onLineError;                     // at most once per received chunk
    std::function<void()> onHoldChanged;
    std::function<void()> onTransmitRoom;  // room grew or unsent bytes left

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

}  // namespace kordex
