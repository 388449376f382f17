#include "platform/tcp_socket.h"

#include "platform/errno_text.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkInterface>
#include <QNetworkProxy>
#include <QObject>
#include <QSocketNotifier>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#ifdef Q_OS_WIN
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <linux/sockios.h>
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

// The system's codes this class reports; their texts are errnoText()'s.
constexpr int kReportedCodes[] = {
    ECONNREFUSED, ETIMEDOUT,  ENETUNREACH,   ENETDOWN,   EHOSTUNREACH, ECONNRESET, ECONNABORTED, EACCES,      ENOBUFS,
    EMSGSIZE,     EADDRINUSE, EADDRNOTAVAIL, EOPNOTSUPP, EALREADY,     EISCONN,    ENOTCONN,     EWOULDBLOCK, EINVAL,
};

bool reported(int code)
{
    return std::find(std::begin(kReportedCodes), std::end(kReportedCodes), code) != std::end(kReportedCodes);
}

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
    for (const int code : kReportedCodes)
        if (message == errnoText(code) || message == QString::fromLocal8Bit(std::strerror(code)))
            return code;
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

// A failed connect's errno as a code of ours: itself where the descriptions
// know it, else grouped the way Qt's own connect grouped it.
int connectCode(int error)
{
    switch (error) {
    case EPERM:  // a firewall rule
        return EACCES;
    case EMFILE:
    case ENFILE:
    case ENOMEM: return ENOBUFS;
    case EAFNOSUPPORT:
    case EPROTONOSUPPORT: return EOPNOTSUPP;
    default: break;
    }
    return reported(error) ? error : kUnmappedCode;
}

#ifdef Q_OS_WIN
constexpr qintptr kNoSocket = qintptr(INVALID_SOCKET);

int toErrno(int wsaError)
{
    constexpr std::pair<int, int> codes[] = {{WSAEWOULDBLOCK, EINPROGRESS},
                                             {WSAEINPROGRESS, EINPROGRESS},
                                             {WSAECONNREFUSED, ECONNREFUSED},
                                             {WSAETIMEDOUT, ETIMEDOUT},
                                             {WSAENETUNREACH, ENETUNREACH},
                                             {WSAEHOSTUNREACH, EHOSTUNREACH},
                                             {WSAENETDOWN, ENETDOWN},
                                             {WSAEACCES, EACCES},
                                             {WSAENOBUFS, ENOBUFS},
                                             {WSAEMFILE, EMFILE},
                                             {WSAEADDRNOTAVAIL, EADDRNOTAVAIL},
                                             {WSAEADDRINUSE, EADDRINUSE},
                                             {WSAEAFNOSUPPORT, EAFNOSUPPORT},
                                             {WSAEINVAL, EINVAL}};
    for (const auto &[wsa, code] : codes)
        if (wsa == wsaError)
            return code;
    return wsaError == 0 ? 0 : ECONNABORTED;
}
int lastSocketError() { return toErrno(::WSAGetLastError()); }
void closeRaw(qintptr fd) { ::closesocket(SOCKET(fd)); }
#else
constexpr qintptr kNoSocket = -1;
int lastSocketError() { return errno; }
void closeRaw(qintptr fd) { ::close(int(fd)); }
#endif

struct Started {
    qintptr fd = kNoSocket;  // set while the connect is pending or done
    bool done = false;
    int error = 0;
};

// A non-blocking connect to one address, without Qt: QAbstractSocket puts a
// time limit of its own on a connect and gives up long before the caller.
Started startConnect(const QHostAddress &address, quint16 port)
{
    union {
        sockaddr any;
        sockaddr_in v4;
        sockaddr_in6 v6;
    } to;
    std::memset(&to, 0, sizeof to);  // braces would clear the first member only
    socklen_t size = 0;
    if (address.protocol() == QAbstractSocket::IPv4Protocol) {
        to.v4.sin_family = AF_INET;
        to.v4.sin_port = htons(port);
        to.v4.sin_addr.s_addr = htonl(address.toIPv4Address());
        size = sizeof to.v4;
    } else if (address.protocol() == QAbstractSocket::IPv6Protocol) {
        to.v6.sin6_family = AF_INET6;
        to.v6.sin6_port = htons(port);
        const Q_IPV6ADDR bytes = address.toIPv6Address();
        std::memcpy(&to.v6.sin6_addr, bytes.c, sizeof bytes.c);
        const QString scope = address.scopeId();
        bool numeric = false;
        const uint index = scope.toUInt(&numeric);
        to.v6.sin6_scope_id = numeric ? index : uint(QNetworkInterface::interfaceIndexFromName(scope));
        size = sizeof to.v6;
    } else {
        return {kNoSocket, false, EAFNOSUPPORT};
    }
#ifdef Q_OS_WIN
    static const bool started = [] {
        WSADATA data;
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    Q_UNUSED(started);
    const SOCKET raw = ::socket(to.any.sa_family, SOCK_STREAM, IPPROTO_TCP);
    if (raw == INVALID_SOCKET)
        return {kNoSocket, false, lastSocketError()};
    const qintptr fd = qintptr(raw);
    u_long nonBlocking = 1;
    ::ioctlsocket(raw, FIONBIO, &nonBlocking);
    const int result = ::connect(raw, &to.any, int(size));
#else
    const int fd = ::socket(to.any.sa_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0)
        return {kNoSocket, false, lastSocketError()};
    const int result = ::connect(fd, &to.any, size);
#endif
    if (result == 0)
        return {fd, true, 0};
    const int error = lastSocketError();
    if (error == EINPROGRESS || error == EINTR)  // an interrupted connect goes on by itself
        return {fd, false, 0};
    closeRaw(fd);
    return {kNoSocket, false, error};
}

// The outcome of a connect that the descriptor has become writable for.
int pendingError(qintptr fd)
{
    int error = 0;
#ifdef Q_OS_WIN
    int size = sizeof error;
    if (::getsockopt(SOCKET(fd), SOL_SOCKET, SO_ERROR, reinterpret_cast<char *>(&error), &size) != 0)
        return lastSocketError();
    return toErrno(error);
#else
    socklen_t size = sizeof error;
    if (::getsockopt(int(fd), SOL_SOCKET, SO_ERROR, &error, &size) != 0)
        return lastSocketError();
    return error;
#endif
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

}  // namespace

// The connect before Qt holds the descriptor.
struct TcpSocket::Attempt {
    quint16 port = 0;
    QList<QHostAddress> addresses;
    qsizetype next = 0;  // the address to try after the pending one
    int lookupId = -1;
    qintptr fd = kNoSocket;
    QSocketNotifier *notifier = nullptr;
    int code = kUnmappedCode;  // why the last address failed
};

namespace {
constexpr int kUnsentWatchMs = 20;
// What Qt reads ahead of us; while reading is paused the rest waits in the
// kernel, and TCP's window holds the peer back.
constexpr qint64 kReadAhead = 64 * 1024;
}  // namespace

TcpSocket::TcpSocket() : context_(std::make_unique<QObject>()), unsentWatch_(new QTimer(context_.get()))
{
    unsentWatch_->setInterval(kUnsentWatchMs);
    QObject::connect(unsentWatch_, &QTimer::timeout, context_.get(), [this] { watchUnsent(); });
}

TcpSocket::~TcpSocket() { shutDown(); }

void TcpSocket::setAddress(QByteArray host) { host_ = std::move(host); }
void TcpSocket::setPort(QByteArray portOrService) { port_ = std::move(portOrService); }

bool TcpSocket::isConnected() const { return state_ == State::Open; }

qint64 TcpSocket::send(const QByteArray &data)
{
    if (state_ != State::Open || !socket_)
        return -1;
    const qint64 n = socket_->write(data);
    reportedUnsent_ = unsentBytes();
    if (reportedUnsent_ > 0)
        unsentWatch_->start();
    return n;
}

qint64 TcpSocket::unsentBytes() const
{
    if (state_ != State::Open || !socket_)
        return 0;
    qint64 n = socket_->bytesToWrite();
#ifdef Q_OS_LINUX
    int queued = 0;
    if (::ioctl(int(socket_->socketDescriptor()), SIOCOUTQ, &queued) == 0)
        n += std::max(queued, 0);
#endif
    return n;
}

// The kernel tells nobody when its queue empties: it is looked at while
// there is something in it.
void TcpSocket::watchUnsent()
{
    const qint64 n = unsentBytes();
    if (n == 0)
        unsentWatch_->stop();
    if (n < std::exchange(reportedUnsent_, n))
        notify(onUnsentFell);
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
    if (code == kHostNotFound)
        return QStringLiteral("Host not found");
    if (code == 0 || reported(code))
        return errnoText(code);
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

    attempt_ = std::make_unique<Attempt>();
    attempt_->port = *port;
    state_ = State::Connecting;
    const quint64 generation = ++generation_;
    // An address may fail inside ::connect (no route); starting from the
    // event loop keeps every outcome after this call has returned.
    QMetaObject::invokeMethod(
        context_.get(),
        [this, generation, host] {
            if (generation == generation_)
                resolve(host);
        },
        Qt::QueuedConnection);
    return true;
}

void TcpSocket::resolve(const QString &host)
{
    QHostAddress literal;
    if (literal.setAddress(host)) {
        attempt_->addresses = {literal};
        connectNext();
        return;
    }
    const quint64 generation = generation_;
    // Always answers from the event loop, and not at all once context_ is gone.
    attempt_->lookupId = QHostInfo::lookupHost(host, context_.get(), [this, generation](const QHostInfo &info) {
        if (generation == generation_)
            resolved(info);
    });
}

void TcpSocket::resolved(const QHostInfo &info)
{
    attempt_->lookupId = -1;
    if (info.error() != QHostInfo::NoError || info.addresses().isEmpty()) {
        attemptFailed(kHostNotFound);
        return;
    }
    // IPv4 first: no address has a time limit, so an unanswered first one
    // holds the attempt until the kernel gives up, and terminal servers are
    // reached over IPv4.
    QList<QHostAddress> addresses = info.addresses();
    std::stable_partition(addresses.begin(), addresses.end(),
                          [](const QHostAddress &a) { return a.protocol() == QAbstractSocket::IPv4Protocol; });
    attempt_->addresses = std::move(addresses);
    connectNext();
}

// Tries the addresses in turn until one connects or is pending.
void TcpSocket::connectNext()
{
    Attempt &a = *attempt_;
    while (a.next < a.addresses.size()) {
        const Started started = startConnect(a.addresses[a.next++], a.port);
        int error = started.error;
        if (!error && !started.done) {
            a.fd = started.fd;
            a.notifier = new QSocketNotifier(started.fd, QSocketNotifier::Write);
            QObject::connect(a.notifier, &QSocketNotifier::activated, context_.get(), [this, generation = generation_] {
                if (generation == generation_)
                    connectFinished();
            });
            return;
        }
        if (!error)
            error = handOver(started.fd);
        if (!error) {
            sessionOpened();
            return;
        }
        a.code = connectCode(error);
    }
    attemptFailed(a.code);
}

void TcpSocket::sessionOpened()
{
    attempt_.reset();
    state_ = State::Open;
    readPaused_ = false;
    notify(onSessionConnected, 0);
}

void TcpSocket::connectFinished()
{
    Attempt &a = *attempt_;
    // Writable stays writable: off before anything else, and before Qt
    // watches the same descriptor.
    a.notifier->setEnabled(false);
    dispose(std::exchange(a.notifier, nullptr));
    const qintptr fd = std::exchange(a.fd, kNoSocket);
    int error = pendingError(fd);
    if (error)
        closeRaw(fd);
    else
        error = handOver(fd);
    if (!error) {
        sessionOpened();
        return;
    }
    a.code = connectCode(error);
    connectNext();
}

// Gives a connected descriptor to a QTcpSocket; 0, or a code with fd closed.
int TcpSocket::handOver(qintptr fd)
{
    auto *sock = new QTcpSocket;
    sock->setProxy(QNetworkProxy::NoProxy);
    sock->setReadBufferSize(kReadAhead);
    if (!sock->setSocketDescriptor(fd, QAbstractSocket::ConnectedState)) {
        const int code = codeFor(sock->error(), sock->errorString());
        delete sock;
        closeRaw(fd);
        return code ? code : kUnmappedCode;
    }
    socket_ = sock;
    wire(sock);
#ifdef Q_OS_LINUX
    // Qt reads a reset as an orderly close and shuts its descriptor before
    // saying so; a second reference keeps the connection's state readable.
    duplicateFd_ = ::fcntl(int(fd), F_DUPFD_CLOEXEC, 0);
#endif
    return 0;
}

void TcpSocket::attemptFailed(int code)
{
    dropAttempt();
    state_ = State::Idle;
    ++generation_;
    notify(onSessionConnected, code);
}

// Ends the connect silently: the lookup is abandoned and the raw descriptor closed.
void TcpSocket::dropAttempt()
{
    const std::unique_ptr<Attempt> a = std::move(attempt_);
    if (!a)
        return;
    if (a->lookupId >= 0)
        QHostInfo::abortHostLookup(a->lookupId);
    if (a->notifier) {
        a->notifier->setEnabled(false);  // never left watching a closed descriptor
        dispose(a->notifier);
    }
    if (a->fd != kNoSocket)
        closeRaw(a->fd);
}

void TcpSocket::wire(QTcpSocket *sock)
{
    QObject *ctx = context_.get();
    QObject::connect(sock, &QAbstractSocket::errorOccurred, ctx,
                     [this, sock](QAbstractSocket::SocketError e) { handleEnd(sock, e); });
    // Normally preceded by errorOccurred, which has already cut the socket loose.
    QObject::connect(sock, &QAbstractSocket::disconnected, ctx,
                     [this, sock] { handleEnd(sock, QAbstractSocket::RemoteHostClosedError); });
    QObject::connect(sock, &QIODevice::readyRead, ctx, [this, sock] {
        if (sock == socket_ && state_ == State::Open && !readPaused_)
            deliverData(sock);
    });
}

void TcpSocket::handleEnd(QTcpSocket *sock, int socketError)
{
    if (sock != socket_ || state_ != State::Open)
        return;
    const auto error = QAbstractSocket::SocketError(socketError);
    int code = codeFor(error, sock->errorString());
    if (error == QAbstractSocket::RemoteHostClosedError && peerReset())
        code = ECONNRESET;
    // Bytes that came before the end still belong to the session.
    if (!deliverData(sock) || sock != socket_)
        return;
    closeDuplicate();
    dispose(detach());
    notify(onSessionClosed, code);
}

void TcpSocket::setReadPaused(bool paused)
{
    if (std::exchange(readPaused_, paused) == paused || paused || state_ != State::Open)
        return;
    // What Qt holds already raises no readyRead of its own; reading it also
    // lets Qt read from the kernel again.
    QMetaObject::invokeMethod(
        context_.get(),
        [this, generation = generation_] {
            if (generation == generation_ && !readPaused_ && socket_)
                deliverData(socket_);
        },
        Qt::QueuedConnection);
}

// False when the callback destroyed this socket.
bool TcpSocket::deliverData(QTcpSocket *sock)
{
    const QByteArray chunk = sock->readAll();
    return chunk.isEmpty() || guard_.call([&] { notify(onDataAvailable, chunk); });
}

void TcpSocket::close()
{
    if (shutDown())
        notify(onSessionClosed, 0);
}

// Ends whatever attempt or session there is, silently; true if a session was open.
bool TcpSocket::shutDown()
{
    if (state_ == State::Connecting) {
        dropAttempt();
        state_ = State::Idle;
        ++generation_;
        return false;
    }
    if (!socket_)
        return false;
    QTcpSocket *sock = detach();
    // What send() accepted goes out ahead of the reset, as it would from a
    // kernel send buffer.
    sock->flush();
    setLingerZero(sock->socketDescriptor());
    sock->abort();
    closeDuplicate();  // the last reference: this is when the reset goes out
    dispose(sock);
    return true;
}

// Cuts the socket loose: no signal of it reaches this object again.
QTcpSocket *TcpSocket::detach()
{
    QTcpSocket *sock = std::exchange(socket_, nullptr);
    state_ = State::Idle;
    ++generation_;
    unsentWatch_->stop();
    reportedUnsent_ = 0;
    readPaused_ = false;
    if (sock)
        QObject::disconnect(sock, nullptr, context_.get(), nullptr);
    return sock;
}

// A socket or notifier may be inside one of its own signals, which goes on
// touching it after our handler returns.
void TcpSocket::dispose(QObject *object)
{
    if (object)
        object->deleteLater();
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

}  // namespace kordex
