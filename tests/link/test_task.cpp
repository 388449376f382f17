// Coroutine tasks and the wait hub: the guarantees the link procedures rely on.
// Run under ASan/LSan too: several faults show only as a use after free.
#include "link/task.h"
#include "link/wait_hub.h"
#include "platform/clock.h"

#include <QtTest>
#include <memory>
#include <optional>
#include <stdexcept>

using namespace kordex;

namespace {

struct World {
    WaitHub hub;
    int counter = 0;
    bool flag = false;
    int frames = 0;  // live coroutine bodies
    QByteArray log;  // one letter per wait got past
    std::optional<Task<int>> victim, spawned;
    void reach(int c)
    {
        counter = c;
        hub.notify();
    }
};

struct Guard {
    int &n;
    ~Guard() { --n; }
};

Task<int> leaf(World &w, char name, int atLeast, int value = 0)
{
    Guard g{++w.frames};
    co_await w.hub.until([&w, atLeast] { return w.counter >= atLeast; });
    w.log += name;
    co_return value;
}

// Each level above the leaf adds 10, so a lost or repeated level shows.
Task<int> chain(World &w, int depth, int atLeast)
{
    Guard g{++w.frames};
    if (depth == 0)
        co_return co_await leaf(w, 'l', atLeast, 1);
    const int below = co_await chain(w, depth - 1, atLeast);
    co_return below + 10;
}

Task<int> awaitHeld(World &w, Task<int> &child)
{
    Guard g{++w.frames};
    const int v = co_await child;
    w.log += 'p';
    co_return v;
}

Task<int> thrower(World &w, int atLeast)
{
    co_await w.hub.until([&w, atLeast] { return w.counter >= atLeast; });
    throw std::runtime_error("link lost");
}

Task<int> catcher(World &w, int atLeast, bool catches)
{
    try {
        co_return co_await thrower(w, atLeast);
    } catch (const std::runtime_error &) {
        if (!catches)
            throw;
        co_return -1;
    }
}

Task<> voidCaller(World &w, int atLeast) { co_await thrower(w, atLeast); }

Task<> never(WaitHub &hub, bool &ran)
{
    co_await hub.until([] { return false; });
    ran = true;
}

// Does from inside a resume what a procedure may do there.
Task<> meddler(World &w)
{
    co_await w.hub.until([&w] { return w.counter >= 1; });
    w.log += 'm';
    w.hub.notify();
    w.victim.reset();  // its condition holds too
    w.spawned = leaf(w, 's', 2);
    w.reach(2);
    co_await w.hub.until([&w] { return w.counter >= 3; });
    w.log += 'M';
}

// The shape of the connection procedures: a time-out timer or a flag.
Task<bool> timedProcedure(World &w, Timer &timer, int ms)
{
    timer.setInterval(ms);
    timer.restart();
    co_await w.hub.until([&w, &timer] { return !timer.isRunning() || w.flag; });
    timer.stop();
    co_return w.flag;
}

}  // namespace

class TaskTests : public QObject {
    Q_OBJECT
private slots:
    void nestedResult_data()
    {
        QTest::addColumn<int>("depth");
        QTest::addColumn<bool>("suspend");
        for (int depth : {0, 1, 6})
            for (bool suspend : {false, true})
                QTest::addRow("depth %d%s", depth, suspend ? " suspended" : "") << depth << suspend;
    }
    void nestedResult()
    {
        QFETCH(int, depth);
        QFETCH(bool, suspend);
        World w;
        Task<int> t = chain(w, depth, suspend ? 1 : 0);
        // Eager: the whole chain ran down to the wait before the call returned.
        QCOMPARE(t.done(), !suspend);
        QCOMPARE(w.frames, suspend ? depth + 2 : 0);
        QCOMPARE(w.hub.waiting(), suspend ? 1 : 0);
        QCOMPARE(w.log, suspend ? "" : "l");
        if (suspend)
            QVERIFY_THROWS_EXCEPTION(std::logic_error, t.result());
        w.reach(1);
        w.hub.notify();
        QVERIFY(t.done());
        QCOMPARE(std::move(t).result(), 1 + 10 * depth);
        QCOMPARE(w.log, "l");
        QCOMPARE(w.frames + w.hub.waiting(), 0);
    }

    void exceptions_data()
    {
        QTest::addColumn<int>("atLeast");
        QTest::addColumn<bool>("catches");
        for (int atLeast : {0, 1})
            for (bool catches : {false, true})
                QTest::addRow("%s, %s", atLeast ? "after a wait" : "at once", catches ? "caught" : "uncaught")
                    << atLeast << catches;
    }
    void exceptions()
    {
        QFETCH(int, atLeast);
        QFETCH(bool, catches);
        World w;
        Task<int> t = catcher(w, atLeast, catches);
        Task<> v = voidCaller(w, atLeast);
        QCOMPARE(int(t.done()) + int(v.done()), atLeast ? 0 : 2);
        w.reach(1);
        QVERIFY(t.done() && v.done());
        if (catches)
            QCOMPARE(t.result(), -1);
        else
            QVERIFY_THROWS_EXCEPTION(std::runtime_error, t.result());
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, v.result());
    }

    void destroyingCancels()
    {
        World w;
        bool doneCalled = false;
        Task<int> t = chain(w, 3, 1);
        t.onDone([&] { doneCalled = true; });
        Task<int> moved = std::move(t);
        QVERIFY(!t.valid() && !t.done() && w.frames == 5);
        moved = leaf(w, 'x', 0, 2);  // assigning over a suspended task cancels it
        QCOMPARE(w.frames + w.hub.waiting(), 0);
        w.reach(1);
        QVERIFY(w.log == "x" && !doneCalled && moved.result() == 2);

        // A child held elsewhere outlives its cancelled awaiter and must not
        // resume the awaiter's destroyed frame when it finishes.
        Task<int> child = leaf(w, 'c', 2, 5);
        std::optional<Task<int>> parent = awaitHeld(w, child);
        parent.reset();
        QCOMPARE(w.frames, 1);
        w.reach(2);
        QCOMPARE(child.result(), 5);
        QCOMPARE(w.log, "xc");

        // A hub that goes first leaves its waiters to their tasks' owners.
        bool ran = false;
        auto hub = std::make_unique<WaitHub>();
        Task<> orphan = never(*hub, ran);
        hub.reset();
        orphan.reset();
        QVERIFY(!ran);
    }

    void notifyReentrancy()
    {
        World w;
        Task<> m = meddler(w);
        w.victim = leaf(w, 'v', 1);
        Task<int> b = leaf(w, 'b', 1);
        QCOMPARE(w.hub.waiting(), 3);
        w.reach(1);
        // Oldest first, each once; the victim was cancelled before its turn,
        // and what the meddler started or allowed ran in the same notify().
        QCOMPARE(w.log, "mbs");
        QCOMPARE(w.hub.waiting(), 1);
        QCOMPARE(w.frames, 0);
        QVERIFY(b.done() && w.spawned->done() && !m.done());
        w.reach(3);
        QCOMPARE(w.log, "mbsM");
        QVERIFY(m.done());
    }

    void timedWait_data()
    {
        QTest::addColumn<int>("flagAt");
        QTest::addColumn<int>("endAt");
        QTest::addColumn<bool>("result");
        QTest::newRow("time-out") << -1 << 120000 << false;
        QTest::newRow("flag early") << 5000 << 5000 << true;
        QTest::newRow("flag 1 ms before") << 119999 << 119999 << true;
        QTest::newRow("flag as it expires") << 120000 << 120000 << false;
    }
    void timedWait()
    {
        QFETCH(int, flagAt);
        QFETCH(int, endAt);
        QFETCH(bool, result);
        World w;
        VirtualClock clock;
        Timer timer4(clock, 0, [&] {
            timer4.stop();
            w.hub.notify();
        });
        Timer ackTimer(clock, 1000, [&] {
            ++w.counter;
            w.hub.notify();
        });
        ackTimer.start();
        // Two procedures suspended at once, each on its own condition.
        Task<bool> connect = timedProcedure(w, timer4, 120000);
        Task<int> send = leaf(w, 's', 3, 7);
        qint64 connectEnd = -1, sendEnd = -1;
        connect.onDone([&] { connectEnd = clock.nowMs(); });
        send.onDone([&] {
            sendEnd = clock.nowMs();
            ackTimer.stop();
        });
        clock.advance(endAt - 1);
        QVERIFY(!connect.done());
        clock.advance(1);
        if (flagAt == clock.nowMs()) {
            w.flag = true;
            w.hub.notify();
        }
        QCOMPARE(connectEnd, qint64(endAt));
        QCOMPARE(connect.result(), result);
        QCOMPARE(sendEnd, qint64(3000));
        QCOMPARE(send.result(), 7);
        QVERIFY(!timer4.isRunning());
    }

    void onDone_data()
    {
        QTest::addColumn<bool>("finishFirst");
        QTest::addColumn<bool>("destroyInCallback");
        for (bool finishFirst : {false, true})
            for (bool destroy : {false, true})
                QTest::addRow("%s%s", finishFirst ? "set after finishing" : "set while running",
                              destroy ? ", callback destroys the task" : "")
                    << finishFirst << destroy;
    }
    void onDone()
    {
        QFETCH(bool, finishFirst);
        QFETCH(bool, destroyInCallback);
        World w;
        std::optional<Task<int>> t = chain(w, 2, 1);
        w.reach(finishFirst ? 1 : 0);
        int calls = 0;
        bool doneSeen = false;
        t->onDone([&] {
            doneSeen = t->done() && t->result() == 21;
            if (destroyInCallback)
                t.reset();
            ++calls;  // the callback's captures must survive destroying the Task
        });
        QCOMPARE(calls, finishFirst ? 1 : 0);
        w.reach(1);
        w.hub.notify();
        QCOMPARE(calls, 1);
        QVERIFY(doneSeen);
        QCOMPARE(t.has_value(), !destroyInCallback);
        QCOMPARE(w.frames, 0);
    }
};

QTEST_APPLESS_MAIN(TaskTests)
#include "test_task.moc"
