#include "platform/tcp_socket.h"

#include <QNetworkProxy>
#include <QObject>
#include <QTcpSocket>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#ifdef Q_OS_WIN
#include <winsock2.h>
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace kordex {

namespace {

struct SocketErrorCode {
    QAbstractSocket::SocketError error;
    int code;
};

// RemoteHostClosedError is an orderly close unless the kernel saw a reset
// (peerReset). Proxy errors cannot happen with NoProxy; they stand where a
// direct link fails alike. Anything missing becomes kUnmappedCode.
constexpr SocketErrorCode kSocketErrorCodes[] = {
    {QAbstractSocket::ConnectionRefusedError, ECONNREFUSED},
    {QAbstractSocket::RemoteHostClosedError, 0},
    {QAbstractSocket::HostNotFoundError, TcpSocket::kHostNotFound},
    {QAbstractSocket::SocketAccessError, EACCES},
    {QAbstractSocket::SocketResourceError, ENOBUFS},
    {QAbstractSocket::SocketTimeoutError, ETIMEDOUT},
    {QAbstractSocket::DatagramTooLargeError, EMSGSIZE},
    {QAbstractSocket::NetworkError, ENETUNREACH},
    {QAbstractSocket::AddressInUseError, EADDRINUSE},
    {QAbstractSocket::SocketAddressNotAvailableError, EADDRNOTAVAIL},
    {QAbstractSocket::UnsupportedSocketOperationError, EOPNOTSUPP},
    {QAbstractSocket::UnfinishedSocketOperationError, EALREADY},
    {QAbstractSocket::TemporaryError, EWOULDBLOCK},
    {QAbstractSocket::OperationError, EINVAL},
    {QAbstractSocket::ProxyConnectionRefusedError, ECONNREFUSED},
    {QAbstractSocket::ProxyConnectionClosedError, ECONNRESET},
    {QAbstractSocket::ProxyConnectionTimeoutError, ETIMEDOUT},
    {QAbstractSocket::ProxyNotFoundError, TcpSocket::kHostNotFound},
};
constexpr int kUnmappedCode = ECONNABORTED;

struct CodeText {
    int code;
    const char *text;
};

// glibc's wording, fixed so that texts do not follow the locale.
constexpr CodeText kDescriptions[] = {
    {0, "No Error"},
    {TcpSocket::kHostNotFound, "Host not found"},
    {ECONNREFUSED, "Connection refused"},
    {ETIMEDOUT, "Connection timed out"},
    {ENETUNREACH, "Network is unreachable"},
    {ENETDOWN, "Network is down"},
    {EHOSTUNREACH, "No route to host"},
    {ECONNRESET, "Connection reset by peer"},
    {ECONNABORTED, "Software caused connection abort"},
    {EACCES, "Permission denied"},
    {ENOBUFS, "No buffer space available"},
    {EMSGSIZE, "Message too long"},
    {EADDRINUSE, "Address already in use"},
    {EADDRNOTAVAIL, "Cannot assign requested address"},
    {EOPNOTSUPP, "Operation not supported"},
    {EALREADY, "Operation already in progress"},
    {EISCONN, "Transport endpoint is already connected"},
    {ENOTCONN, "Transport endpoint is not connected"},
    {EWOULDBLOCK, "Resource temporarily unavailable"},
    {EINVAL, "Invalid argument"},
};

// Qt folds several system errors into NetworkError; its own message (from
// connect) or the system's (from a read) tells which one it was.
constexpr CodeText kNetworkErrorMessages[] = {
    {ETIMEDOUT, "Connection timed out"},
    {EHOSTUNREACH, "Host unreachable"},
    {ENETUNREACH, "Network unreachable"},
};

int networkErrorCode(const QString &message)
{
    for (const CodeText &m : kNetworkErrorMessages)
        if (message == QLatin1String(m.text))
            return m.code;
    for (const CodeText &d : kDescriptions) {
        if (d.code <= 0 || d.code == TcpSocket::kHostNotFound)
            continue;
        if (message == QLatin1String(d.text) || message == QString::fromLocal8Bit(std::strerror(d.code)))
            return d.code;
    }
    return ENETUNREACH;
}

int codeFor(QAbstractSocket::SocketError error, const QString &message)
{
    if (error == QAbstractSocket::NetworkError)
        return networkErrorCode(message);
    const auto *it = std::find_if(std::begin(kSocketErrorCodes), std::end(kSocketErrorCodes),
                                  [error](const SocketErrorCode &e) { return e.error == error; });
    return it != std::end(kSocketErrorCodes) ? it->code : kUnmappedCode;
}

void setLingerZero(qintptr fd)
{
    if (fd == -1)
        return;
    linger lg{};
    lg.l_onoff = 1;
    lg.l_linger = 0;
#ifdef Q_OS_WIN
    ::setsockopt(SOCKET(fd), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char *>(&lg), sizeof lg);
#else
    ::setsockopt(int(fd), SOL_SOCKET, SO_LINGER, &lg, sizeof lg);
#endif
}

template <typename... Args>
void notify(const std::function<void(Args...)> &callback, Args... args)
{
    // A copy, so a callback may replace itself while it runs.
    if (auto copy = callback)
        copy(args...);
}

} // namespace

struct TcpSocket::Shared {
    bool alive = true;
    int depth = 0;                       // signal handlers of ours on the stack
    std::vector<QTcpSocket *> retired;  // sockets that may still be inside a signal
};

// Qt must not find a socket gone when one of its signals returns, even when a
// callback ran a nested event loop (a modal dialog) that serves deferred
// deletes. So retired sockets wait until the outermost handler unwinds, and
// only then are handed to deleteLater, which the current loop serves after
// the signal has returned.
struct TcpSocket::Dispatch {
    std::shared_ptr<Shared> shared;
    explicit Dispatch(const TcpSocket &s) : shared(s.shared_) { ++shared->depth; }
    ~Dispatch()
    {
        if (--shared->depth == 0)
            for (QTcpSocket *sock : std::exchange(shared->retired, {}))
                sock->deleteLater();
    }
    Dispatch(const Dispatch &) = delete;
    Dispatch &operator=(const Dispatch &) = delete;
};

TcpSocket::TcpSocket() : shared_(std::make_shared<Shared>()), context_(std::make_unique<QObject>()) {}

TcpSocket::~TcpSocket()
{
    shared_->alive = false;
    shutDown();
}

void TcpSocket::setAddress(QByteArray host) { host_ = std::move(host); }
void TcpSocket::setPort(QByteArray portOrService) { port_ = std::move(portOrService); }

bool TcpSocket::isConnected() const { return state_ == State::Open; }

qint64 TcpSocket::send(const QByteArray &data)
{
    if (state_ != State::Open || !socket_)
        return -1;
    return socket_->write(data);
}

std::optional<quint16> TcpSocket::resolvePort(const QByteArray &portOrService)
{
    const QByteArray text = portOrService.trimmed();
    if (text.isEmpty() || text.contains('\0'))
        return std::nullopt;
    if (std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        bool ok = false;
        const qulonglong n = text.toULongLong(&ok);
        if (!ok || n < 1 || n > 65535)
            return std::nullopt;
        return quint16(n);
    }
    int port = 0;
#if defined(Q_OS_LINUX)
    servent entry{};
    servent *found = nullptr;
    char buffer[1024];
    if (::getservbyname_r(text.constData(), "tcp", &entry, buffer, sizeof buffer, &found) == 0 && found)
        port = ntohs(quint16(found->s_port));
#else
    if (const servent *found = ::getservbyname(text.constData(), "tcp"))
        port = ntohs(quint16(found->s_port));
#endif
    if (port < 1)
        return std::nullopt;
    return quint16(port);
}

QString TcpSocket::errorDescription(int code)
{
    for (const CodeText &d : kDescriptions)
        if (d.code == code)
            return QString::fromLatin1(d.text);
    return QStringLiteral("Not a WinSock error");
}

bool TcpSocket::fail(int code, const QString &message)
{
    lastError_ = code;
    lastErrorMessage_ = message.isEmpty() ? errorDescription(code) : message;
    return false;
}

bool TcpSocket::connectToHost()
{
    lastError_ = 0;
    lastErrorMessage_.clear();
    if (state_ == State::Open)
        return fail(EISCONN, {});
    if (state_ == State::Connecting)
        return fail(EALREADY, {});
    const QString host = QString::fromLatin1(host_.trimmed());
    if (host.isEmpty())
        return fail(0, QStringLiteral("No host name given"));
    if (port_.trimmed().isEmpty())
        return fail(0, QStringLiteral("No port given"));
    const std::optional<quint16> port = resolvePort(port_);
    if (!port) {
        const QString given = QString::fromLatin1(port_.trimmed());
        const bool numeric = std::all_of(given.begin(), given.end(), [](QChar c) { return c.isDigit(); });
        return fail(0, numeric ? QStringLiteral("Port number out of range: %1").arg(given)
                               : QStringLiteral("Unknown service: %1").arg(given));
    }

    auto *sock = new QTcpSocket;
    sock->setProxy(QNetworkProxy::NoProxy);
    socket_ = sock;
    state_ = State::Connecting;
    const quint64 generation = ++generation_;
    wire(sock);
    // Qt may finish an attempt inside its connectToHost (an address literal
    // that fails at once); starting from the event loop keeps every outcome
    // after this call has returned.
    QMetaObject::invokeMethod(
        context_.get(),
        [this, sock, generation, host, p = *port] {
            if (generation != generation_ || sock != socket_)
                return;
            Dispatch d(*this);
            sock->connectToHost(host, p);
        },
        Qt::QueuedConnection);
    return true;
}

void TcpSocket::wire(QTcpSocket *sock)
{
    QObject *ctx = context_.get();
    QObject::connect(sock, &QAbstractSocket::connected, ctx, [this, sock] {
        Dispatch d(*this);
        handleConnected(sock);
    });
    QObject::connect(sock, &QAbstractSocket::errorOccurred, ctx, [this, sock](QAbstractSocket::SocketError e) {
        Dispatch d(*this);
        handleEnd(sock, e);
    });
    // Normally preceded by errorOccurred, which has already retired the socket.
    QObject::connect(sock, &QAbstractSocket::disconnected, ctx, [this, sock] {
        Dispatch d(*this);
        handleEnd(sock, QAbstractSocket::RemoteHostClosedError);
    });
    QObject::connect(sock, &QIODevice::readyRead, ctx, [this, sock] {
        Dispatch d(*this);
        if (sock == socket_ && state_ == State::Open)
            deliverData(sock);
    });
}

void TcpSocket::handleConnected(QTcpSocket *sock)
{
    if (sock != socket_ || state_ != State::Connecting)
        return;
    state_ = State::Open;
#ifdef Q_OS_LINUX
    // Qt reads a reset as an orderly close and shuts its descriptor before
    // saying so; a second reference keeps the connection's state readable.
    duplicateFd_ = ::fcntl(int(sock->socketDescriptor()), F_DUPFD_CLOEXEC, 0);
#endif
    notify(onSessionConnected, 0);
}

void TcpSocket::handleEnd(QTcpSocket *sock, int socketError)
{
    if (sock != socket_)
        return;
    const auto error = QAbstractSocket::SocketError(socketError);
    if (state_ == State::Connecting) {
        int code = codeFor(error, sock->errorString());
        if (code == 0)
            code = kUnmappedCode;  // a failed attempt always carries a code
        dispose(detach());
        notify(onSessionConnected, code);
        return;
    }
    if (state_ != State::Open)
        return;
    int code = codeFor(error, sock->errorString());
    if (error == QAbstractSocket::RemoteHostClosedError && peerReset())
        code = ECONNRESET;
    // Bytes that came before the end still belong to the session.
    const std::shared_ptr<Shared> shared = shared_;
    deliverData(sock);
    if (!shared->alive || sock != socket_)
        return;
    dispose(detach());
    notify(onSessionClosed, code);
}

void TcpSocket::deliverData(QTcpSocket *sock)
{
    const QByteArray chunk = sock->readAll();
    if (!chunk.isEmpty())
        notify(onDataAvailable, chunk);
}

void TcpSocket::close()
{
    if (shutDown())
        notify(onSessionClosed, 0);
}

// Ends whatever attempt or session there is, silently; true if a session was open.
bool TcpSocket::shutDown()
{
    if (!socket_)
        return false;
    const bool wasOpen = state_ == State::Open;
    QTcpSocket *sock = detach();
    if (wasOpen) {
        // What send() accepted goes out ahead of the reset, as it would from a
        // kernel send buffer.
        sock->flush();
        setLingerZero(sock->socketDescriptor());
    }
    sock->abort();
    closeDuplicate();  // the last reference: this is when the reset goes out
    dispose(sock);
    return wasOpen;
}

// Cuts the socket loose: no signal of it reaches this object again.
QTcpSocket *TcpSocket::detach()
{
    QTcpSocket *sock = std::exchange(socket_, nullptr);
    state_ = State::Idle;
    ++generation_;
    if (sock)
        QObject::disconnect(sock, nullptr, context_.get(), nullptr);
    return sock;
}

void TcpSocket::dispose(QTcpSocket *sock)
{
    closeDuplicate();
    if (!sock)
        return;
    if (shared_->depth > 0)
        shared_->retired.push_back(sock);
    else
        delete sock;
}

bool TcpSocket::peerReset() const
{
#ifdef Q_OS_LINUX
    if (duplicateFd_ < 0)
        return false;
    // An orderly close leaves our half open (CLOSE_WAIT); a reset ends the
    // connection outright.
    tcp_info info{};
    socklen_t size = sizeof info;
    return ::getsockopt(duplicateFd_, IPPROTO_TCP, TCP_INFO, &info, &size) == 0 && info.tcpi_state == TCP_CLOSE;
#else
    return false;
#endif
}

void TcpSocket::closeDuplicate()
{
#ifndef Q_OS_WIN
    if (duplicateFd_ >= 0)
        ::close(duplicateFd_);
#endif
    duplicateFd_ = -1;
}

} // namespace kordex
