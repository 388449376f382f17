// The program's clock keeps the timer semantics on real Qt timers. A busy
// machine may deliver a tick late, so no check depends on when one comes.
#include "platform/qt_clock.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

using namespace kordex;

class QtClockTests : public QObject {
    Q_OBJECT
private slots:
    void startingARunningTimerKeepsItsCount()
    {
        QtClock clock;
        QElapsedTimer elapsed;
        qint64 firedAt = -1;
        Timer t(clock, 60000, [&] {
            firedAt = elapsed.elapsed();
            t.stop();
        });
        const QTimer *q = static_cast<const QTimer *>(t.backend());
        elapsed.start();
        t.start();
        QTRY_VERIFY_WITH_TIMEOUT(elapsed.elapsed() >= 200, 30000);
        t.start();  // must not restart the count: less than a whole interval is left
        QVERIFY2(q->remainingTime() <= 60000 - 100, qPrintable(QString::number(q->remainingTime())));
        t.restart();  // this one does
        QVERIFY(q->remainingTime() > 60000 - 100);
        QVERIFY(t.isRunning());
        QCOMPARE(firedAt, -1);

        Timer once(clock, 50, [&] {
            firedAt = elapsed.elapsed();
            once.stop();
        });
        once.start();
        QTRY_VERIFY_WITH_TIMEOUT(firedAt >= 0, 30000);
        QVERIFY(!once.isRunning());
    }

    void stoppedTimerDoesNotFire()
    {
        QtClock clock;
        int ticks = 0;
        Timer t(clock, 50, [&] { ++ticks; });
        t.start();
        t.stop();
        QTest::qWait(150);
        QCOMPARE(ticks, 0);
        // Periodic until stopped.
        t.start();
        QTRY_VERIFY_WITH_TIMEOUT(ticks >= 2, 30000);
        t.stop();
        const int seen = ticks;
        QTest::qWait(120);
        QCOMPARE(ticks, seen);
    }
};

QTEST_GUILESS_MAIN(QtClockTests)
#include "test_qt_clock.moc"
