// Long received chunks reach the link in slices, in order, and nothing
// else the transport reports overtakes the bytes before it.
#include "link/sliced_transport.h"

#include <QtTest>

using namespace kordex;

namespace {
// The transport under the slicer: raises what the test tells it to.
struct Inner final : Transport {
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
}  // namespace

class TestSlicedTransport : public QObject {
    Q_OBJECT
private slots:
    void slices_data();
    void slices();
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
}

void TestSlicedTransport::slices()
{
    QFETCH(QList<int>, chunks);
    QFETCH(QString, then);
    QFETCH(QStringList, seen);
    VirtualClock clock;
    Inner inner;
    Log log(clock);
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

QTEST_GUILESS_MAIN(TestSlicedTransport)
#include "test_sliced_transport.moc"
