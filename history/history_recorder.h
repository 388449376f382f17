#pragma once
// Records the sessions and their event lines into the history, off the
// receive path: the caller only queues; a worker thread with its own
// connection commits the queue in one transaction at most once a second,
// and at once when a session ends or the recorder goes. A problem with the
// file (full disk, read-only folder, locked, damaged) is reported once, and
// recording goes on trying; the caller never waits for the disk.
#include "history/history_store.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace kordex::history {

class HistoryRecorder : public QObject {
    Q_OBJECT
public:
    explicit HistoryRecorder(QString path, int commitIntervalMs = 1000);
    // Commits what is queued and ends the worker.
    ~HistoryRecorder() override;

    // Off: nothing is queued (a session already open is left as it is).
    void setEnabled(bool on) { enabled_ = on; }
    bool enabled() const { return enabled_; }

    // A session begins: later lines and events belong to it. A session left
    // open is ended first.
    void startSession(const QString &site, const QString &transport, const QString &address, qint64 timeMs);
    // A line of the event screen (kind "line") or a session event.
    void add(const QString &kind, const QByteArray &text, qint64 timeMs);
    // The panel model once identified; goes with the lines that follow.
    void setModel(const QString &model) { model_ = model; }
    // Ends the open session with how it ended, and commits.
    void endSession(const QString &endKind, qint64 timeMs);
    bool sessionOpen() const { return session_ != 0; }

    // For tests and the close: blocks the calling thread until everything
    // queued before the call is written (or failed); false on time-out.
    bool commitAndWait(int timeoutMs);
    // Asks for everything queued so far to be written and returns at once;
    // `done` runs later on the recorder's own thread once the write is over
    // (worked or not). Dropped if the recorder goes first.
    void requestCommit(std::function<void()> done);
    // Batches committed so far.
    quint64 commits() const { return commits_; }

    // Told once (on the thread that made the recorder) on the first problem,
    // with an empty message once a write has worked again, and again only
    // after that. A damaged file set aside is told too, with nothing after.
    std::function<void(const QString &message)> onProblem;

private:
    void queue(PendingItem item);
    void run();
    void report(const QString &message);

    const QString path_;
    const int intervalMs_;
    std::atomic<bool> enabled_ = true;
    quint64 session_ = 0;
    quint64 nextSession_ = 0;
    QString site_, transport_, address_, model_;

    std::mutex mutex_;
    std::condition_variable wake_, written_;
    std::vector<PendingItem> pending_;
    bool commitRequested_ = false;
    bool stop_ = false;
    quint64 queuedBatches_ = 0;                                           // requests made
    quint64 handledBatches_ = 0;                                          // requests done
    std::vector<std::pair<quint64, std::function<void()>>> whenWritten_;  // by request
    std::atomic<quint64> commits_ = 0;
    bool reported_ = false;  // worker side
    std::thread worker_;
};

}  // namespace kordex::history
