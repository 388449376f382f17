// Long received chunks reach the link in slices, in order, and nothing
// else the transport reports overtakes the bytes before it; a peer that
// sends faster than the link takes is held back, and nothing is lost.
#include "link/sliced_transport.h"
#include "link/tcp_socket_transport.h"
#include "platform/qt_clock.h"

#include <QTcpServer>
#include <QtTest>

#include <atomic>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace kordex;

namespace {
struct Log;

// The transport under the slicer: raises what the test tells it to.
struct Inner final : Transport {
    Log *log = nullptr;
    void setReceivePaused(bool paused) override;
    bool bringUp(const LinkSettings &) override { return true; }
    void tearDown() override { events_->sessionClosed(0); }  // reported from inside, as the real ones do
    bool isOpen() const override { return true; }
    bool send(const QByteArray &) override { return true; }
    int lastError() const override { return 0; }
    QString lastErrorMessage() const override { return {}; }
    QString errorDescription(int) const override { return {}; }
    TransportEvents &raise() { return *events_; }
};

// What the link is told, in order, with the clock's time: "1000@0" for a
// piece of 1000 bytes at 0 ms, the other events by name.
struct Log final : TransportEvents {
    explicit Log(const Clock &c) : clock(c) {}
    const Clock &clock;
    QStringList events;
    QByteArray bytes;
    void note(const QString &what) { events << QStringLiteral("%1@%2").arg(what).arg(clock.nowMs()); }
    void dataReceived(const QByteArray &c) override
    {
        note(QString::number(c.size()));
        bytes += c;
    }
    void sessionConnected(int) override { note("connected"); }
    void sessionClosed(int) override { note("closed"); }
    void lineError() override { note("line error"); }
};

void Inner::setReceivePaused(bool paused) { log->note(paused ? "pause" : "resume"); }

// The peer of a loopback connection, writing from a thread of its own as
// fast as the kernel takes the bytes.
class FastPeer : public QTcpServer {
public:
    explicit FastPeer(QByteArray data) : data_(std::move(data)) { listen(QHostAddress::LocalHost); }
    ~FastPeer() override
    {
        if (writer_.joinable())
            writer_.join();
    }
    std::atomic<bool> writing{false}, stalled{false};  // stalled: the kernel took no more at least once

protected:
    void incomingConnection(qintptr fd) override
    {
        writing = true;
        writer_ = std::thread([this, fd = int(fd)] {
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
            qsizetype at = 0;
            while (at < data_.size()) {
                const ssize_t n = ::send(fd, data_.constData() + at, size_t(data_.size() - at), MSG_NOSIGNAL);
                if (n > 0) {
                    at += n;
                } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
                    stalled = true;
                    pollfd p{fd, POLLOUT, 0};
                    ::poll(&p, 1, 100);
                } else if (errno != EINTR) {
                    break;
                }
            }
            ::close(fd);
        });
    }

private:
    const QByteArray data_;
    std::thread writer_;
};

// What the link is told, and the most the slicer held meanwhile.
struct Reader final : TransportEvents {
    explicit Reader(SlicedTransport &s) : sliced(s) {}
    SlicedTransport &sliced;
    QByteArray bytes;
    qsizetype most = 0;
    bool pausedSeen = false, up = false, closed = false;
    void dataReceived(const QByteArray &c) override
    {
        bytes += c;
        most = std::max(most, sliced.backlog());
        pausedSeen = pausedSeen || sliced.receivePaused();
    }
    void sessionConnected(int error) override { up = error == 0; }
    void sessionClosed(int) override { closed = true; }
    void lineError() override {}
};
}  // namespace

class TestSlicedTransport : public QObject {
    Q_OBJECT
private slots:
    void slices_data();
    void slices();
    void aFastPeerIsHeldBack();
};

void TestSlicedTransport::slices_data()
{
    // Slices of 1000 bytes; a zero-time timer takes 1 ms on the virtual clock.
    QTest::addColumn<QList<int>>("chunks");  // received back to back at 0 ms
    QTest::addColumn<QString>("then");       // what happens next, at 0 ms
    QTest::addColumn<QStringList>("seen");   // what the link is told, and when
    QTest::newRow("a short chunk goes whole") << QList<int>{100} << "" << QStringList{"100@0"};
    QTest::newRow("a long one: a slice now, then one per turn")
        << QList<int>{2500} << "" << QStringList{"1000@0", "1000@1", "500@2"};
    QTest::newRow("a chunk during a backlog queues behind it")
        << QList<int>{1500, 200} << "" << QStringList{"1000@0", "700@1"};
    QTest::newRow("a close hands the backlog over first")
        << QList<int>{2500} << "closed" << QStringList{"1000@0", "1000@0", "500@0", "closed@0"};
    QTest::newRow("a line error too") << QList<int>{1200} << "line error"
                                      << QStringList{"1000@0", "200@0", "line error@0"};
    QTest::newRow("our own tear-down too")
        << QList<int>{1800} << "tearDown" << QStringList{"1000@0", "800@0", "closed@0"};
    QTest::newRow("a new session's bring-up too") << QList<int>{1800} << "bringUp" << QStringList{"1000@0", "800@0"};
    // Paused at 8 slices waiting, resumed at 2.
    QTest::newRow("a backlog of 8 slices pauses the transport")
        << QList<int>{9000} << "" << QStringList{"1000@0", "pause@0", "1000@1",   "1000@2", "1000@3", "1000@4",
                                                 "1000@5", "1000@6",  "resume@6", "1000@7", "1000@8"};
    QTest::newRow("just below, it does not")
        << QList<int>{8999} << ""
        << QStringList{"1000@0", "1000@1", "1000@2", "1000@3", "1000@4", "1000@5", "1000@6", "1000@7", "999@8"};
    QTest::newRow("a close ends the pause")
        << QList<int>{9000} << "closed" << QStringList{"1000@0", "pause@0", "1000@0", "1000@0", "1000@0",   "1000@0",
                                                       "1000@0", "1000@0",  "1000@0", "1000@0", "resume@0", "closed@0"};
}

void TestSlicedTransport::slices()
{
    QFETCH(QList<int>, chunks);
    QFETCH(QString, then);
    QFETCH(QStringList, seen);
    VirtualClock clock;
    Inner inner;
    Log log(clock);
    inner.log = &log;
    SlicedTransport sliced(inner, clock, 1000);
    sliced.setEvents(&log);

    QByteArray received;
    for (int n : chunks) {
        QByteArray chunk(n, Qt::Uninitialized);
        for (int i = 0; i < n; ++i)
            chunk[i] = char(received.size() + i);  // a count, so order shows
        received += chunk;
        inner.raise().dataReceived(chunk);
    }
    if (then == QLatin1String("closed"))
        inner.raise().sessionClosed(0);
    else if (then == QLatin1String("line error"))
        inner.raise().lineError();
    else if (then == QLatin1String("tearDown"))
        sliced.tearDown();
    else if (then == QLatin1String("bringUp"))
        sliced.bringUp({});
    clock.advance(10);
    QCOMPARE(log.events, seen);
    QCOMPARE(log.bytes, received);
    QCOMPARE(sliced.backlog(), 0);
}

// A loopback peer that has filled the kernel's buffers before the link reads
// at all: Qt reads far faster than the link takes slices, yet the bytes
// waiting stay bounded (the pause, plus what Qt had read ahead), and every
// byte arrives, in order.
void TestSlicedTransport::aFastPeerIsHeldBack()
{
    QByteArray data(16 << 20, Qt::Uninitialized);
    for (qsizetype i = 0; i < data.size(); ++i)
        data[i] = char((i * 7 + i / 251) & 0xFF);
    FastPeer peer(data);
    QVERIFY(peer.isListening());
    QtClock clock;
    TcpSocketTransport tcp;
    SlicedTransport sliced(tcp, clock);
    Reader reader(sliced);
    sliced.setEvents(&reader);
    LinkSettings to;
    to.host = "127.0.0.1";
    to.port = QByteArray::number(peer.serverPort());
    QVERIFY(sliced.bringUp(to));
    QVERIFY(QTest::qWaitFor([&] { return reader.up && peer.writing; }, 15000));
    QElapsedTimer filling;
    filling.start();
    while (!peer.stalled && filling.elapsed() < 15000)
        QThread::msleep(5);  // no events: the kernel's buffers fill
    QVERIFY(peer.stalled);

    // Turn by turn, as the program's event loop runs (qWaitFor sleeps 10 ms
    // between its turns).
    QElapsedTimer reading;
    reading.start();
    while (!reader.closed && reading.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    QVERIFY(reader.closed);
    QCOMPARE(reader.bytes.size(), data.size());
    QVERIFY(reader.bytes == data);
    QVERIFY(reader.pausedSeen);
    const qsizetype bound = (SlicedTransport::kPauseSlices + 1) * SlicedTransport::kDefaultSlice + 64 * 1024;
    QVERIFY2(reader.most <= bound, qPrintable(QStringLiteral("%1 bytes waited").arg(reader.most)));
}

QTEST_GUILESS_MAIN(TestSlicedTransport)
#include "test_sliced_transport.moc"
