// The lamp animation worker: paints run on the window thread, and stopping
// never hangs even when the worker is waiting for a hand-over.
#include "window_fixture.h"

#include "faces/flash_thread.h"

#include <QElapsedTimer>
#include <QThread>
#include <atomic>

using namespace kordex;
using namespace kordex::test;

class TestFlashThread : public QObject {
    Q_OBJECT
private slots:
    void paintsRunOnWindowThread();
    void stopServesPendingHandOvers();
    void stopWithoutStartIsHarmless();
    void windowCloseStopsRunningThread();
    void realThreadPaintsLamps();
};

void TestFlashThread::paintsRunOnWindowThread()
{
    QThread *gui = QThread::currentThread();
    std::atomic<int> onGui{0}, elsewhere{0};
    auto step = [&](const TflashThread::HandOver &h) {
        h([&] { (QThread::currentThread() == gui ? onGui : elsewhere)++; });
    };
    TflashThread t(step, step);
    t.start(QThread::IdlePriority);
    QTRY_VERIFY_WITH_TIMEOUT(onGui >= 3, 2000);
    t.stop();
    QVERIFY(t.isFinished());
    QCOMPARE(elsewhere.load(), 0);
    QCOMPARE(t.paintsServed(), onGui.load());
}

void TestFlashThread::stopServesPendingHandOvers()
{
    // The window thread never returns to its event loop here: stop() alone
    // must serve the worker's hand-overs, including the closing steps'.
    std::atomic<int> ticks{0}, closing{0};
    TflashThread t(
        [&](const TflashThread::HandOver &h) {
            for (int i = 0; i < 5; ++i)
                h([&] { ++ticks; });
        },
        [&](const TflashThread::HandOver &h) {
            for (int i = 0; i < 7; ++i)
                h([&] { ++closing; });
        });
    t.start();
    QThread::msleep(120);  // the worker is now blocked in a hand-over
    QElapsedTimer timer;
    timer.start();
    t.stop();
    QVERIFY(timer.elapsed() < 1000);
    QVERIFY(t.isFinished());
    QCOMPARE(closing.load(), 7);
    QVERIFY(ticks.load() >= 1);
    t.stop();  // a second stop does nothing
}

void TestFlashThread::stopWithoutStartIsHarmless()
{
    int runs = 0;
    TflashThread t([&](const TflashThread::HandOver &) { ++runs; },
                   [&](const TflashThread::HandOver &) { ++runs; });
    t.stop();
    QCOMPARE(runs, 0);
}

void TestFlashThread::windowCloseStopsRunningThread()
{
    WindowFixture f(true);
    f.show();
    f.enterTandem(6);
    for (int k = 3; k < 30; ++k)
        f.engine().indicators.set(k, 'Q');  // a hand-over every 50 ms per lamp
    QTest::qWait(150);
    QVERIFY(f.window->flashThread()->isRunning());
    QElapsedTimer timer;
    timer.start();
    f.window->close();
    QVERIFY(timer.elapsed() < 1000);
    QVERIFY(!f.window->flashThread());
    QVERIFY(!f.window->isVisible());
}

void TestFlashThread::realThreadPaintsLamps()
{
    WindowFixture f(true);
    f.show();
    f.enterTandem(1);
    f.engine().indicators.set(3, 'Q');
    QTRY_COMPARE_WITH_TIMEOUT(f.lamp("FFAlm_1603")->color(), rgb(kRed), 1000);
    QTRY_COMPARE_WITH_TIMEOUT(f.lamp("FFAlm_1603")->color(), QColor(Qt::white), 1000);
}

QTEST_MAIN(TestFlashThread)
#include "test_flash_thread.moc"
