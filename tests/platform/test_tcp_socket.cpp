// The TCP link against real loopback peers: how sessions open, fail, end and
// carry bytes, and that callbacks may tear the socket down under themselves.
#include "platform/tcp_socket.h"

#include <QTcpServer>
#include <QtTest>

#include <cerrno>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

using namespace kordex;

namespace {

// Keeps accepted connections as raw descriptors: only the kernel tells an
// orderly close from a reset, and QTcpSocket reports both alike.
class Peer : public QTcpServer {
public:
    Peer() { listen(QHostAddress::LocalHost, 0); }
    ~Peer() override
    {
        for (int fd : fds)
            ::close(fd);
    }
    int last() const { return fds.empty() ? -1 : fds.back(); }
    QByteArray port() const { return QByteArray::number(serverPort()); }
    QByteArray drain(int fd) const
    {
        QByteArray got;
        char buf[4096];
        for (ssize_t n; (n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT)) > 0;)
            got.append(buf, n);
        return got;
    }
    // How the link ended as the peer's next read sees it: 0 for an orderly
    // end, an errno for an error (a reset is reported once, so it is read once),
    // -1 for data, EAGAIN if it has not ended within the limit.
    static int waitEnd(int fd)
    {
        int status = EAGAIN;
        const bool ended = QTest::qWaitFor([&] {
            char c;
            const ssize_t n = ::recv(fd, &c, 1, MSG_DONTWAIT | MSG_PEEK);
            status = n > 0 ? -1 : n == 0 ? 0 : errno;
            return status != EAGAIN;
        }, 10000);
        return ended ? status : EAGAIN;
    }
    bool write(int fd, const QByteArray &data) const
    {
        return ::send(fd, data.constData(), size_t(data.size()), MSG_NOSIGNAL) == data.size();
    }
    void end(int fd, bool reset)
    {
        if (reset) {
            const linger lg{1, 0};
            ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &lg, sizeof lg);
        }
        ::close(fd);
        fds.erase(std::remove(fds.begin(), fds.end(), fd), fds.end());
    }
    std::vector<int> fds;

protected:
    void incomingConnection(qintptr fd) override { fds.push_back(int(fd)); }
};

struct Events {
    QStringList log;
    QByteArray data;
    void attach(TcpSocket &s)
    {
        s.onSessionConnected = [this](int e) { log << QStringLiteral("connected %1").arg(e); };
        s.onSessionClosed = [this](int e) { log << QStringLiteral("closed %1").arg(e); };
        s.onDataAvailable = [this](const QByteArray &c) { log << QStringLiteral("data"); data += c; };
    }
    qsizetype count(const QString &prefix) const { return log.filter(QRegularExpression('^' + prefix)).size(); }
};

bool open(TcpSocket &s, Events &ev, Peer &peer)
{
    s.setAddress("127.0.0.1");
    s.setPort(peer.port());
    const qsizetype before = peer.fds.size();
    return s.connectToHost()
        && QTest::qWaitFor([&] { return ev.log.contains("connected 0") && peer.fds.size() > size_t(before); }, 10000);
}

// Lets posted events and deferred deletes run, so a stray late notification would show.
void settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

QByteArray everyByte(int repeats)
{
    QByteArray b;
    for (int r = 0; r < repeats; ++r)
        for (int v = 0; v < 256; ++v)
            b.append(char(v));
    return b;
}

} // namespace

class TcpSocketTests : public QObject {
    Q_OBJECT
private slots:
    void portResolution_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("port");  // -1: does not resolve
        QTest::newRow("decimal") << QByteArray("23") << 23;
        QTest::newRow("leading zeros") << QByteArray("0023") << 23;
        QTest::newRow("highest") << QByteArray("65535") << 65535;
        QTest::newRow("service") << QByteArray("telnet") << 23;
        QTest::newRow("padded service") << QByteArray(" telnet ") << 23;
        QTest::newRow("zero") << QByteArray("0") << -1;
        QTest::newRow("too high") << QByteArray("65536") << -1;
        QTest::newRow("overflow") << QByteArray("18446744073709551639") << -1;
        QTest::newRow("signed") << QByteArray("-23") << -1;
        QTest::newRow("trailing junk") << QByteArray("23x") << -1;
        QTest::newRow("unknown service") << QByteArray("no-such-service") << -1;
        QTest::newRow("empty") << QByteArray() << -1;
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
        QCOMPARE(TcpSocket::errorDescription(ECONNREFUSED), QStringLiteral("Connection refused"));
        QCOMPARE(TcpSocket::errorDescription(ETIMEDOUT), QStringLiteral("Connection timed out"));
        QCOMPARE(TcpSocket::errorDescription(ENETUNREACH), QStringLiteral("Network is unreachable"));
        QCOMPARE(TcpSocket::errorDescription(ECONNRESET), QStringLiteral("Connection reset by peer"));
        QCOMPARE(TcpSocket::errorDescription(TcpSocket::kHostNotFound), QStringLiteral("Host not found"));
        QCOMPARE(TcpSocket::errorDescription(0), QStringLiteral("No Error"));
        QCOMPARE(TcpSocket::errorDescription(-1), QStringLiteral("Not a WinSock error"));
        QCOMPARE(TcpSocket::errorDescription(123456), QStringLiteral("Not a WinSock error"));
    }

    void failsAtOnce_data()
    {
        QTest::addColumn<QByteArray>("host");
        QTest::addColumn<QByteArray>("port");
        QTest::newRow("no host") << QByteArray("  ") << QByteArray("23");
        QTest::newRow("no port") << QByteArray("127.0.0.1") << QByteArray();
        QTest::newRow("unknown service") << QByteArray("127.0.0.1") << QByteArray("no-such-service");
        QTest::newRow("port out of range") << QByteArray("127.0.0.1") << QByteArray("70000");
    }
    void failsAtOnce()
    {
        QFETCH(QByteArray, host);
        QFETCH(QByteArray, port);
        Peer peer;
        TcpSocket s;
        Events ev;
        ev.attach(s);
        s.setAddress(host);
        s.setPort(port);
        QVERIFY(!s.connectToHost());
        QVERIFY(!s.lastErrorMessage().isEmpty());
        QVERIFY(s.lastError() >= 0);
        // The failed attempt leaves nothing behind: the next one is the only one reported.
        QVERIFY(open(s, ev, peer));
        QCOMPARE(ev.log, QStringList{"connected 0"});
        QCOMPARE(s.lastError(), 0);
    }

    void connectsAndCarriesEveryByteValue()
    {
        Peer peer;
        TcpSocket s;
        Events ev;
        ev.attach(s);
        s.setAddress("127.0.0.1");
        s.setPort(peer.port());
        QVERIFY(s.connectToHost());
        QVERIFY(ev.log.isEmpty());  // the outcome comes later, never from inside the call
        QVERIFY(!s.isConnected());
        QTRY_VERIFY_WITH_TIMEOUT(ev.log.contains("connected 0") && peer.last() >= 0, 10000);
        QVERIFY(s.isConnected());
        QVERIFY(!s.connectToHost());
        QCOMPARE(s.lastError(), EISCONN);

        const QByteArray out = everyByte(64);
        QCOMPARE(s.send(out), out.size());
        QByteArray atPeer;
        QTRY_VERIFY_WITH_TIMEOUT((atPeer += peer.drain(peer.last())).size() >= out.size(), 10000);
        QCOMPARE(atPeer, out);

        QByteArray in = everyByte(48);
        std::reverse(in.begin(), in.end());
        QVERIFY(peer.write(peer.last(), in));
        QTRY_VERIFY_WITH_TIMEOUT(ev.data.size() >= in.size(), 10000);
        QCOMPARE(ev.data, in);
        QCOMPARE(ev.count("closed"), 0);
    }

    void failedAttemptIsReported_data()
    {
        QTest::addColumn<QByteArray>("host");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("refused") << QByteArray("127.0.0.1") << ECONNREFUSED << "Connection refused";
        // Qt rejects this name before any lookup, so no resolver is asked.
        QTest::newRow("bad host name") << QByteArray("no such host") << TcpSocket::kHostNotFound << "Host not found";
    }
    void failedAttemptIsReported()
    {
        QFETCH(QByteArray, host);
        QFETCH(int, code);
        QFETCH(QString, text);
        auto peer = std::make_unique<Peer>();
        const QByteArray port = peer->port();
        peer.reset();  // nobody listens there now
        TcpSocket s;
        Events ev;
        ev.attach(s);
        s.setAddress(host);
        s.setPort(port);
        QVERIFY(s.connectToHost());
        QVERIFY(ev.log.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(!ev.log.isEmpty(), 10000);
        QCOMPARE(ev.log, QStringList{QStringLiteral("connected %1").arg(code)});
        QCOMPARE(TcpSocket::errorDescription(code), text);
        QVERIFY(!s.isConnected());
        s.close();  // no session was opened, so none is closed
        settle();
        QCOMPARE(ev.log.size(), 1);
    }

    void closeReportsBeforeReturningAndResetsThePeer()
    {
        Peer peer;
        TcpSocket s;
        Events ev;
        ev.attach(s);
        QVERIFY(open(s, ev, peer));
        bool insideClose = false;
        QStringList seen;
        s.onSessionClosed = [&](int e) {
            seen << QStringLiteral("closed %1 inside=%2 connected=%3").arg(e).arg(insideClose).arg(s.isConnected());
        };
        insideClose = true;
        s.close();
        insideClose = false;
        QCOMPARE(seen, QStringList{"closed 0 inside=1 connected=0"});
        QCOMPARE(Peer::waitEnd(peer.last()), ECONNRESET);
        s.close();
        settle();
        QCOMPARE(seen.size(), 1);
        QCOMPARE(s.send("x"), qint64(-1));
    }

    void peerEnd_data()
    {
        QTest::addColumn<bool>("reset");
        QTest::addColumn<int>("code");
        QTest::newRow("orderly") << false << 0;
        QTest::newRow("reset") << true << ECONNRESET;
    }
    void peerEnd()
    {
        QFETCH(bool, reset);
        QFETCH(int, code);
        Peer peer;
        TcpSocket s;
        Events ev;
        ev.attach(s);
        QVERIFY(open(s, ev, peer));
        const QByteArray last("bye\0\xff", 5);
        QVERIFY(peer.write(peer.last(), last));
        if (reset)  // a reset may discard unread bytes; only the code is at stake here
            QTRY_COMPARE_WITH_TIMEOUT(ev.data, last, 10000);
        peer.end(peer.last(), reset);
        QTRY_VERIFY_WITH_TIMEOUT(ev.count("closed") > 0, 10000);
        QCOMPARE(ev.log, (QStringList{"connected 0", "data", QStringLiteral("closed %1").arg(code)}));
        QCOMPARE(ev.data, last);
        QVERIFY(!s.isConnected());
        s.close();
        settle();
        QCOMPARE(ev.count("closed"), 1);
    }

    void callbacksMayTearDown_data()
    {
        QTest::addColumn<int>("trigger");  // 0 close(), 1 peer closes, 2 peer sends data
        QTest::addColumn<int>("action");   // 0 close(), 1 destroy, 2 connect again
        QTest::addColumn<int>("closed");
        QTest::addColumn<int>("connected");
        QTest::newRow("close in closed (local)") << 0 << 0 << 1 << 1;
        QTest::newRow("destroy in closed (local)") << 0 << 1 << 1 << 1;
        QTest::newRow("reconnect in closed (local)") << 0 << 2 << 1 << 2;
        QTest::newRow("close in closed (peer)") << 1 << 0 << 1 << 1;
        QTest::newRow("destroy in closed (peer)") << 1 << 1 << 1 << 1;
        QTest::newRow("reconnect in closed (peer)") << 1 << 2 << 1 << 2;
        QTest::newRow("close in data") << 2 << 0 << 1 << 1;
        QTest::newRow("destroy in data") << 2 << 1 << 0 << 1;
    }
    void callbacksMayTearDown()
    {
        QFETCH(int, trigger);
        QFETCH(int, action);
        QFETCH(int, closed);
        QFETCH(int, connected);
        Peer peer;
        auto s = std::make_unique<TcpSocket>();
        Events ev;
        ev.attach(*s);
        QVERIFY(open(*s, ev, peer));
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
            s->onDataAvailable = [&](const QByteArray &) { ev.log << "data"; act(); };
        else
            s->onSessionClosed = [&](int e) { ev.log << QStringLiteral("closed %1").arg(e); act(); };

        const int first = peer.last();
        if (trigger == 0)
            s->close();
        else if (trigger == 1)
            peer.end(first, false);
        else
            QVERIFY(peer.write(first, "x"));
        QTRY_VERIFY_WITH_TIMEOUT(acted, 10000);
        if (connected == 2)
            QTRY_COMPARE_WITH_TIMEOUT(ev.count("connected 0"), 2, 10000);
        settle();
        QCOMPARE(ev.count("closed"), closed);
        QCOMPARE(ev.count("connected"), connected);
        if (trigger != 1)  // whoever ended the session from this side, the peer saw a reset
            QCOMPARE(Peer::waitEnd(first), ECONNRESET);
        if (s && connected == 2)
            QVERIFY(s->isConnected());
    }
};

QTEST_GUILESS_MAIN(TcpSocketTests)
#include "test_tcp_socket.moc"
