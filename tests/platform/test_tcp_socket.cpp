// The TCP link against real loopback peers: how sessions open, fail, end and
// carry bytes, and that callbacks may tear the socket down under themselves.
#include "platform/tcp_socket.h"

#include <QTcpServer>
#include <QtTest>

#include <arpa/inet.h>
#include <cerrno>
#include <memory>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace kordex;

namespace {

// Keeps accepted connections as raw descriptors: only the kernel tells an
// orderly close from a reset, and QTcpSocket reports both alike.
class Peer : public QTcpServer {
public:
    std::vector<int> fds;
    std::function<void(int fd)> onAccept;
    explicit Peer(const QHostAddress &address = QHostAddress::LocalHost) { listen(address, 0); }
    ~Peer() override { std::for_each(fds.begin(), fds.end(), ::close); }
    QByteArray port() const { return QByteArray::number(serverPort()); }
    void end(int fd, bool reset)
    {
        const linger lg{1, 0};
        if (reset)
            ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &lg, sizeof lg);
        ::close(fd);
        fds.erase(std::remove(fds.begin(), fds.end(), fd), fds.end());
    }

protected:
    void incomingConnection(qintptr fd) override
    {
        fds.push_back(int(fd));
        if (onAccept)
            onAccept(int(fd));
    }
};

// A loopback listener that answers no SYN: its backlog of one is taken and
// nothing accepts, so a connect to it stays pending until the kernel gives up.
class Unanswering {
public:
    quint16 port = 0;
    Unanswering()
    {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof a;
        auto *any = reinterpret_cast<sockaddr *>(&a);
        if (::bind(listener, any, size) == 0 && ::listen(listener, 0) == 0 &&
            ::getsockname(listener, any, &size) == 0 && ::connect(filler, any, size) == 0)
            port = ntohs(a.sin_port);
    }
    ~Unanswering()
    {
        ::close(filler);
        ::close(listener);
    }
    Unanswering(const Unanswering &) = delete;
    Unanswering &operator=(const Unanswering &) = delete;

private:
    int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int filler = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
};

// Connects of this process still waiting for a SYN-ACK from port.
int synSent(quint16 port)
{
    const QByteArray remote = ':' + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
    int n = 0;
    for (const char *table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        QFile file(QString::fromLatin1(table));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray &line : file.readAll().split('\n')) {
            const QList<QByteArray> cols = line.simplified().split(' ');
            n += cols.size() > 3 && cols[2].endsWith(remote) && cols[3] == "02";
        }
    }
    return n;
}

bool put(int fd, const QByteArray &data)
{
    return ::send(fd, data.constData(), size_t(data.size()), MSG_NOSIGNAL) == data.size();
}

QByteArray take(int fd)
{
    QByteArray got;
    char buf[4096];
    for (ssize_t n; (n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT)) > 0;)
        got.append(buf, n);
    return got;
}

// How the peer's next read sees the end: 0 orderly, an errno for an error (a
// reset is told only once, hence one read), -1 for data, EAGAIN for no end.
int waitEnd(int fd)
{
    int status = EAGAIN;
    const bool ended = QTest::qWaitFor(
        [&] {
            char c;
            const ssize_t n = ::recv(fd, &c, 1, MSG_DONTWAIT | MSG_PEEK);
            return (status = n > 0 ? -1 : n == 0 ? 0 : errno) != EAGAIN;
        },
        10000);
    return ended ? status : EAGAIN;
}

int openSockets()
{
    const QDir dir(QStringLiteral("/proc/self/fd"));
    const QStringList fds = dir.entryList(QDir::System | QDir::NoDotAndDotDot);
    return int(std::count_if(fds.begin(), fds.end(), [&](const QString &fd) {
        return QFile::symLinkTarget(dir.filePath(fd)).contains("socket:");
    }));
}

// Lets posted events and deferred deletes run, so a stray late notification would show.
void settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

}  // namespace

class TcpSocketTests : public QObject {
    Q_OBJECT
    std::unique_ptr<Peer> peer;
    std::unique_ptr<TcpSocket> s;
    QStringList log;
    QByteArray data;
    int socketsBefore = 0;

    qsizetype count(const QString &prefix) const { return log.filter(QRegularExpression('^' + prefix)).size(); }
    bool open()
    {
        s->setAddress("127.0.0.1");
        s->setPort(peer->port());
        const size_t before = peer->fds.size();
        return s->connectToHost() &&
               QTest::qWaitFor([&] { return count("connected 0") > 0 && peer->fds.size() > before; }, 10000);
    }

private slots:
    void init()
    {
        socketsBefore = openSockets();
        log.clear();
        data.clear();
        peer = std::make_unique<Peer>();
        s = std::make_unique<TcpSocket>();
        s->onSessionConnected = [this](int e) { log << QStringLiteral("connected %1").arg(e); };
        s->onSessionClosed = [this](int e) { log << QStringLiteral("closed %1").arg(e); };
        s->onDataAvailable = [this](const QByteArray &c) {
            log << "data";
            data += c;
        };
    }
    void cleanup()
    {
        s.reset();
        peer.reset();
        settle();
        QCOMPARE(openSockets(), socketsBefore);  // nothing holds a connection open
    }

    void portResolution_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("port");  // -1: does not resolve
        for (const char *text : {"23", "0023", " telnet "})
            QTest::newRow(text) << QByteArray(text) << 23;
        QTest::newRow("65535") << QByteArray("65535") << 65535;
        for (const char *text : {"0", "65536", "18446744073709551639", "-23", "23x", "no-such-service", ""})
            QTest::newRow(text) << QByteArray(text) << -1;
    }
    void portResolution()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, port);
        const std::optional<quint16> got = TcpSocket::resolvePort(text);
        QCOMPARE(got ? int(*got) : -1, port);
    }

    void descriptions()
    {
        const std::pair<int, const char *> texts[] = {{ECONNREFUSED, "Connection refused"},
                                                      {ETIMEDOUT, "Connection timed out"},
                                                      {ENETUNREACH, "Network is unreachable"},
                                                      {ECONNRESET, "Connection reset by peer"},
                                                      {TcpSocket::kHostNotFound, "Host not found"},
                                                      {0, "No Error"},
                                                      {-1, "Not a WinSock error"},
                                                      {123456, "Not a WinSock error"}};
        for (const auto &[code, text] : texts)
            QCOMPARE(TcpSocket::errorDescription(code), QString::fromLatin1(text));
    }

    void attemptFails_data()
    {
        QTest::addColumn<QByteArray>("host");
        QTest::addColumn<QByteArray>("port");  // empty: one nobody listens on
        QTest::addColumn<int>("code");         // -1: fails at once, inside the call
        QTest::newRow("no host") << QByteArray("  ") << QByteArray("23") << -1;
        QTest::newRow("no port") << QByteArray("127.0.0.1") << QByteArray(" ") << -1;
        QTest::newRow("unknown service") << QByteArray("127.0.0.1") << QByteArray("no-such-service") << -1;
        QTest::newRow("port out of range") << QByteArray("127.0.0.1") << QByteArray("70000") << -1;
        QTest::newRow("refused") << QByteArray("127.0.0.1") << QByteArray() << ECONNREFUSED;
        QTest::newRow("refused, IPv6") << QByteArray("::1") << QByteArray() << ECONNREFUSED;
        // The kernel refuses a broadcast destination inside ::connect itself.
        QTest::newRow("no route") << QByteArray("255.255.255.255") << QByteArray() << ENETUNREACH;
        // Qt rejects this name before any lookup, so no resolver is asked.
        QTest::newRow("bad host name") << QByteArray("no such host") << QByteArray() << TcpSocket::kHostNotFound;
    }
    void attemptFails()
    {
        QFETCH(QByteArray, host);
        QFETCH(QByteArray, port);
        QFETCH(int, code);
        s->setAddress(host);
        s->setPort(port.isEmpty() ? peer->port() : port);
        peer->close();
        if (code < 0) {
            QVERIFY(!s->connectToHost());
            QVERIFY(!s->lastErrorMessage().isEmpty());
        } else {
            QVERIFY(s->connectToHost());
            QVERIFY(log.isEmpty());
            QTRY_VERIFY_WITH_TIMEOUT(!log.isEmpty(), 10000);
            QCOMPARE(log, QStringList{QStringLiteral("connected %1").arg(code)});
            QVERIFY(!s->isConnected());
        }
        s->close();  // no session was opened, so none is closed
        peer = std::make_unique<Peer>();
        QVERIFY(open());  // nothing was left behind: the next attempt is reported alone
        QCOMPARE(log.size(), code < 0 ? 1 : 2);
        QCOMPARE(log.last(), "connected 0");
    }

    void connectsAndCarriesEveryByteValue_data()
    {
        QTest::addColumn<QByteArray>("host");
        QTest::addColumn<bool>("ipv6");
        QTest::newRow("IPv4 address") << QByteArray("127.0.0.1") << false;
        QTest::newRow("IPv6 address") << QByteArray("::1") << true;
        QTest::newRow("host name") << QByteArray("localhost") << false;
    }
    void connectsAndCarriesEveryByteValue()
    {
        QFETCH(QByteArray, host);
        QFETCH(bool, ipv6);
        if (ipv6 && !(peer = std::make_unique<Peer>(QHostAddress::LocalHostIPv6))->isListening())
            QSKIP("no IPv6 loopback");
        s->setAddress(host);
        s->setPort(peer->port());
        QVERIFY(s->connectToHost());
        QVERIFY(log.isEmpty() && !s->isConnected());  // the outcome comes later, never from inside the call
        QTRY_VERIFY_WITH_TIMEOUT(count("connected 0") == 1 && !peer->fds.empty(), 10000);
        QVERIFY(s->isConnected());
        QVERIFY(!s->connectToHost());
        QCOMPARE(s->lastError(), EISCONN);

        QByteArray out, in;
        for (int i = 0; i < 256 * 64; ++i)
            out += char(i), in.prepend(char(i));
        QCOMPARE(s->send(out), out.size());
        QByteArray atPeer;
        QTRY_VERIFY_WITH_TIMEOUT((atPeer += take(peer->fds.back())).size() >= out.size(), 10000);
        QCOMPARE(atPeer, out);
        QVERIFY(put(peer->fds.back(), in));
        QTRY_VERIFY_WITH_TIMEOUT(data.size() >= in.size(), 10000);
        QCOMPARE(data, in);
        QCOMPARE(count("closed"), 0);
    }

    // However long the peer leaves the SYN unanswered, only close() or the
    // kernel ends the attempt, and close() leaves nothing behind.
    void pendingAttemptEndsSilently_data()
    {
        QTest::addColumn<QByteArray>("host");
        QTest::addColumn<int>("stage");  // 0: before it starts, 1: once the lookup is under way, 2: SYN sent
        QTest::addColumn<bool>("destroy");
        QTest::newRow("close before it starts") << QByteArray("127.0.0.1") << 0 << false;
        QTest::newRow("close during the lookup") << QByteArray("localhost") << 1 << false;
        QTest::newRow("destroy during the lookup") << QByteArray("localhost") << 1 << true;
        QTest::newRow("close, SYN unanswered") << QByteArray("127.0.0.1") << 2 << false;
        QTest::newRow("close, SYN unanswered, by name") << QByteArray("localhost") << 2 << false;
        QTest::newRow("destroy, SYN unanswered") << QByteArray("127.0.0.1") << 2 << true;
    }
    void pendingAttemptEndsSilently()
    {
        QFETCH(QByteArray, host);
        QFETCH(int, stage);
        QFETCH(bool, destroy);
        const Unanswering target;
        QVERIFY(target.port != 0);
        s->setAddress(host);
        s->setPort(QByteArray::number(target.port));
        QVERIFY(s->connectToHost());
        if (stage == 1)
            QCoreApplication::processEvents();
        if (stage == 2) {
            QVERIFY(QTest::qWaitFor([&] { return synSent(target.port) == 1; }, 5000));
            QTest::qWait(100);
            QCOMPARE(synSent(target.port), 1);
        }
        QVERIFY(log.isEmpty());
        if (destroy)
            s.reset();
        else
            s->close();
        QCOMPARE(synSent(target.port), 0);  // the attempt's socket is gone at once
        QTest::qWait(50);                   // a late lookup result or notifier would show
        settle();
        QVERIFY(log.isEmpty());
        if (!destroy) {
            QVERIFY(open());
            QCOMPARE(log, QStringList{"connected 0"});
        }
    }

    // The peer's bytes and end are there before the connect's outcome is read.
    void peerSpeaksFirstAndHangsUp()
    {
        peer->onAccept = [this](int fd) {
            QVERIFY(put(fd, "hello\r\n"));
            peer->end(fd, false);
        };
        s->setAddress("127.0.0.1");
        s->setPort(peer->port());
        QVERIFY(s->connectToHost());
        QCoreApplication::sendPostedEvents();  // starts the connect, but polls nothing
        QVERIFY(peer->waitForNewConnection(5000));
        QVERIFY(log.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(count("closed") > 0, 10000);
        QCOMPARE(log, (QStringList{"connected 0", "data", "closed 0"}));
        QCOMPARE(data, "hello\r\n");
        QVERIFY(!s->isConnected());
    }

    void closeReportsBeforeReturningAndResetsThePeer()
    {
        QVERIFY(open());
        bool insideClose = false;
        s->onSessionClosed = [&](int e) {
            log << QStringLiteral("closed %1 inside=%2 connected=%3").arg(e).arg(insideClose).arg(s->isConnected());
        };
        insideClose = true;
        s->close();
        insideClose = false;
        QCOMPARE(log, (QStringList{"connected 0", "closed 0 inside=1 connected=0"}));
        QCOMPARE(waitEnd(peer->fds.back()), ECONNRESET);
        s->close();
        settle();
        QCOMPARE(count("closed"), 1);
        QCOMPARE(s->send("x"), qint64(-1));
    }

    // What the peer may not have yet: Qt's buffer and the kernel's queue,
    // until the peer's kernel holds it; told as it falls.
    void unsentBytesUntilThePeerHasThem()
    {
        QVERIFY(open());
        const int fd = peer->fds.back();
        int fell = 0;
        s->onUnsentFell = [&] { ++fell; };
        QCOMPARE(s->unsentBytes(), 0);
        const QByteArray block(8 << 20, 'k');  // more than the kernels on both sides hold
        QCOMPARE(s->send(block), block.size());
        QCOMPARE(s->unsentBytes(), block.size());
        int atPeer = 0;
        QVERIFY2(QTest::qWaitFor(
                     [&] {
                         ::ioctl(fd, FIONREAD, &atPeer);
                         return atPeer > 0 && s->unsentBytes() + atPeer == block.size();
                     },
                     10000),
                 qPrintable(QStringLiteral("%1 unsent, %2 at the peer").arg(s->unsentBytes()).arg(atPeer)));
        QVERIFY(s->unsentBytes() > 0);
        QByteArray got;
        QVERIFY(QTest::qWaitFor([&] { return (got += take(fd)).size() == block.size(); }, 10000));
        QTRY_COMPARE_WITH_TIMEOUT(s->unsentBytes(), 0, 10000);
        QVERIFY(fell > 0);
        QCOMPARE(got, block);
    }

    void peerEnds_data()
    {
        QTest::addColumn<bool>("reset");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("orderly") << false << QStringList{"connected 0", "data", "closed 0"};
        QTest::newRow("reset") << true
                               << QStringList{"connected 0", "data", QStringLiteral("closed %1").arg(ECONNRESET)};
    }
    void peerEnds()
    {
        QFETCH(bool, reset);
        QFETCH(QStringList, expected);
        QVERIFY(open());
        const int fd = peer->fds.back();
        const QByteArray first("bye\0\xff", 5);
        QVERIFY(put(fd, first));
        if (reset)  // a reset may discard unread bytes; only the code is at stake there
            QTRY_VERIFY_WITH_TIMEOUT(data.startsWith(first), 10000);
        peer->end(fd, reset);
        QTRY_VERIFY_WITH_TIMEOUT(count("closed") > 0, 10000);
        QCOMPARE(log, expected);
        QCOMPARE(data, first);
        QVERIFY(!s->isConnected());
        s->close();
        settle();
        QCOMPARE(count("closed"), 1);
    }

    void callbacksMayTearDown_data()
    {
        QTest::addColumn<int>("trigger");
        QTest::addColumn<int>("action");
        const char *triggers[] = {"close()", "peer close", "peer data"}, *actions[] = {"close", "destroy", "connect"};
        for (int t : {0, 1, 2})
            for (int a : {0, 1, 2})
                if (t != 2 || a != 2)  // no new connect while the session is open
                    QTest::addRow("%s in %s", actions[a], triggers[t]) << t << a;
    }
    void callbacksMayTearDown()
    {
        QFETCH(int, trigger);
        QFETCH(int, action);
        const int closed = trigger == 2 && action == 1 ? 0 : 1, connected = action == 2 ? 2 : 1;
        QVERIFY(open());
        bool acted = false;
        auto act = [&] {
            if (std::exchange(acted, true))
                return;
            if (action == 0)
                s->close();
            else if (action == 1)
                s.reset();
            else
                QVERIFY(s->connectToHost());
        };
        if (trigger == 2)
            s->onDataAvailable = [&](const QByteArray &) {
                log << "data";
                act();
            };
        else
            s->onSessionClosed = [&](int e) {
                log << QStringLiteral("closed %1").arg(e);
                act();
            };
        const int first = peer->fds.back();
        if (trigger == 0)
            s->close();
        else if (trigger == 1)
            peer->end(first, false);
        else
            QVERIFY(put(first, "x"));
        QTRY_VERIFY_WITH_TIMEOUT(acted, 10000);
        if (connected == 2)
            QTRY_VERIFY_WITH_TIMEOUT(count("connected 0") == 2 && s->isConnected(), 10000);
        settle();
        QCOMPARE(count("closed"), closed);
        QCOMPARE(count("connected"), connected);
        if (trigger != 1)  // whichever way this side ended it, the peer saw a reset
            QCOMPARE(waitEnd(first), ECONNRESET);
    }
};

QTEST_GUILESS_MAIN(TcpSocketTests)
#include "test_tcp_socket.moc"
