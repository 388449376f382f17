#pragma once
// The worker that animates the lamps: a 50 ms tick at idle priority, every
// painting action handed to the window thread and waited for. The window
// thread's stop() keeps serving hand-overs while it waits for the end, so the
// two threads can never block each other.
#include <QMutex>
#include <QThread>
#include <QWaitCondition>
#include <functional>

namespace kordex {

class Engine;

class TflashThread : public QThread {
    Q_OBJECT
public:
    using Paint = std::function<void()>;
    using HandOver = std::function<void(const Paint &)>;
    using Step = std::function<void(const HandOver &)>;

    static constexpr int kTickMs = 50;

    // `tick` runs after every 50 ms sleep; `finish` once termination is asked.
    TflashThread(Step tick, Step finish, QObject *parent = nullptr);
    // The engine's flash animation.
    explicit TflashThread(Engine &engine, QObject *parent = nullptr);
    ~TflashThread() override;

    // Window thread: ask for the end and wait for it, serving the hand-overs
    // the worker still makes. Safe to call more than once.
    void stop();

    // Number of paints run so far (for tests).
    int paintsServed() const;

protected:
    void run() override;

private:
    void handOver(const Paint &paint);
    void serve();  // window thread
    bool stopRequested() const;

    Step tick_, finish_;
    mutable QMutex mutex_;
    QWaitCondition changed_;
    const Paint *pending_ = nullptr;  // the paint waiting for the window thread
    bool served_ = false;
    bool stop_ = false;
    bool ended_ = false;
    int paints_ = 0;
};

}  // namespace kordex
