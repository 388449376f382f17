// The lamp animation worker: paints run on the window thread, and stopping
// never hangs even when the worker is waiting for a hand-over.
//
// The worker runs at idle priority: on a busy machine it may get almost no
// time. So these tests wait for conditions, never for a fixed time, and
// their limits only catch a hang.
#include "window_fixture.h"

#include "faces/flash_thread.h"

#include <QElapsedTimer>
#include <QThread>
#include <atomic>

using namespace kordex;
using namespace kordex::test;

namespace {
constexpr int kLimitMs = 60000;
}

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
    QTRY_VERIFY_WITH_TIMEOUT(onGui >= 3, kLimitMs);
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
    std::atomic<bool> handingOver{false};
    TflashThread t(
        [&](const TflashThread::HandOver &h) {
            handingOver = true;
            for (int i = 0; i < 5; ++i)
                h([&] { ++ticks; });
        },
        [&](const TflashThread::HandOver &h) {
            for (int i = 0; i < 7; ++i)
                h([&] { ++closing; });
        });
    t.start(QThread::IdlePriority);
    // Without the event loop: the worker is now in, or about to block in, a
    // hand-over that only stop() can serve.
    QElapsedTimer timer;
    timer.start();
    while (!handingOver && timer.elapsed() < kLimitMs)
        QThread::msleep(1);
    QVERIFY(handingOver);
    t.stop();
    QVERIFY(t.isFinished());
    QCOMPARE(closing.load(), 7);
    QVERIFY(ticks.load() >= 1);
    t.stop();  // a second stop does nothing
}

void TestFlashThread::stopWithoutStartIsHarmless()
{
    int runs = 0;
    TflashThread t([&](const TflashThread::HandOver &) { ++runs; }, [&](const TflashThread::HandOver &) { ++runs; });
    t.stop();
    QCOMPARE(runs, 0);
}

void TestFlashThread::windowCloseStopsRunningThread()
{
    WindowFixture f(true);
    f.showInTandem(6);
    for (int k = 3; k < 30; ++k)
        f.engine().indicators.set(k, 'Q');  // a hand-over every 50 ms per lamp
    QTRY_VERIFY_WITH_TIMEOUT(f.window->flashThread()->paintsServed() > 0, kLimitMs);
    QVERIFY(f.window->flashThread()->isRunning());
    f.window->close();  // a hang here is the failure
    QVERIFY(!f.window->flashThread());
    QVERIFY(!f.window->isVisible());
}

void TestFlashThread::realThreadPaintsLamps()
{
    WindowFixture f(true);
    f.showInTandem(1);
    f.engine().indicators.set(3, 'Q');
    QTRY_COMPARE_WITH_TIMEOUT(f.lamp("FFAlm_1603")->color(), rgb(kRed), kLimitMs);
    QTRY_COMPARE_WITH_TIMEOUT(f.lamp("FFAlm_1603")->color(), QColor(Qt::white), kLimitMs);
}

QTEST_MAIN(TestFlashThread)
#include "test_flash_thread.moc"
