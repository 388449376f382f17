#pragma once
// The raw TCP stream to a terminal server, over QTcpSocket. It reports in the
// terms the connection code expects from a WinSock-style socket: a session
// opens and closes, and failures carry errno numbers in place of the socket
// layer's codes. Main thread only; every callback runs there.
#include "platform/callback_guard.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QHostInfo;
class QObject;
class QTcpSocket;
class QTimer;

namespace kordex {

class TcpSocket {
public:
    // A host name that does not resolve has no errno of its own; this is
    // WinSock's WSAHOST_NOT_FOUND, clear of every errno value.
    static constexpr int kHostNotFound = 11001;

    TcpSocket();
    ~TcpSocket();  // resets an open session without a notification
    TcpSocket(const TcpSocket &) = delete;
    TcpSocket &operator=(const TcpSocket &) = delete;

    void setAddress(QByteArray host);
    void setPort(QByteArray portOrService);  // decimal, or a service name such as "telnet"

    // False when the attempt failed at once (no host, a port or service that
    // does not resolve, already connecting or connected): lastError() and
    // lastErrorMessage() say why, and no notification follows. Otherwise
    // onSessionConnected reports the outcome later, never from inside this call.
    // The attempt has no time limit of its own: it lasts until the peer
    // answers, the kernel gives up (ETIMEDOUT), or close().
    bool connectToHost();
    int lastError() const { return lastError_; }  // errno-style; 0 when only a message fits
    QString lastErrorMessage() const { return lastErrorMessage_; }

    bool isConnected() const;
    qint64 send(const QByteArray &data);  // bytes accepted, or -1 when not connected
    // Accepted bytes the peer may not have yet: Qt's write buffer and the
    // kernel's send queue (unsent and unacknowledged). close() discards them.
    qint64 unsentBytes() const;

    // While paused, no onDataAvailable: Qt reads a little ahead and then
    // leaves the rest to the kernel, whose full window holds the peer back.
    // Resuming hands over what waits from the event loop, never inside this
    // call. The bytes before a session's end are still handed over ahead of
    // onSessionClosed. A session starts unpaused.
    void setReadPaused(bool paused);

    // Resets the connection (linger 0), discarding unsentBytes(). An open
    // session reports onSessionClosed(0) before this returns; a pending
    // attempt ends silently.
    void close();

    // 1-65535 from a decimal number or a TCP service name; nothing otherwise.
    static std::optional<quint16> resolvePort(const QByteArray &portOrService);
    // Fixed English text for a code from this class; "Not a WinSock error" for others.
    static QString errorDescription(int code);

    // A callback may close or destroy this socket, or start a new connection.
    std::function<void(int error)> onSessionConnected;  // 0: the session is open
    std::function<void(int error)> onSessionClosed;     // once per opened session; 0: orderly
    std::function<void(QByteArray chunk)> onDataAvailable;
    // unsentBytes() fell; looked at every few milliseconds while it is above 0.
    std::function<void()> onUnsentFell;

private:
    enum class State { Idle, Connecting, Open };
    struct Attempt;

    bool fail(int code, const QString &message);
    void resolve(const QString &host);
    void resolved(const QHostInfo &info);
    void connectNext();
    void sessionOpened();
    void connectFinished();
    int handOver(qintptr fd);
    void attemptFailed(int code);
    void dropAttempt();
    void wire(QTcpSocket *sock);
    void handleEnd(QTcpSocket *sock, int socketError);
    bool deliverData(QTcpSocket *sock);
    bool shutDown();
    QTcpSocket *detach();
    void dispose(QObject *object);
    bool peerReset() const;
    void closeDuplicate();
    void watchUnsent();

    QByteArray host_;
    QByteArray port_;
    State state_ = State::Idle;
    std::unique_ptr<Attempt> attempt_;  // while Connecting
    QTcpSocket *socket_ = nullptr;      // while Open
    quint64 generation_ = 0;
    int duplicateFd_ = -1;
    int lastError_ = 0;
    QString lastErrorMessage_;
    qint64 reportedUnsent_ = 0;
    bool readPaused_ = false;
    CallbackGuard guard_;
    std::unique_ptr<QObject> context_;
    QTimer *unsentWatch_;  // a child of context_
};

}  // namespace kordex
