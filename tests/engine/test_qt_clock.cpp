// The program's clock keeps the timer semantics on real Qt timers.
#include "platform/qt_clock.h"

#include <QElapsedTimer>
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
        Timer t(clock, 300, [&] {
            firedAt = elapsed.elapsed();
            t.stop();
        });
        elapsed.start();
        t.start();
        QTest::qWait(150);
        t.start();  // must not restart the count (that would fire at 450 ms or later)
        QTRY_VERIFY_WITH_TIMEOUT(firedAt >= 0, 2000);
        QVERIFY2(firedAt >= 290 && firedAt < 440, qPrintable(QString::number(firedAt)));
        QVERIFY(!t.isRunning());
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
        QTRY_VERIFY_WITH_TIMEOUT(ticks >= 2, 2000);
        t.stop();
        const int seen = ticks;
        QTest::qWait(120);
        QCOMPARE(ticks, seen);
    }
};

QTEST_GUILESS_MAIN(QtClockTests)
#include "test_qt_clock.moc"
