#pragma once
// Sends the local history to a team's PostgreSQL server in the background.
// The local file stays the first copy: lines go up in row order, a batch
// per transaction, and the local mark moves only after the server
// committed; the server keeps one row per (installation, session, line
// number), so a batch sent twice (a crash between the two commits) is taken
// once. An unreachable server is tried again later; a laptop that was away
// for a week catches up. Credentials are libpq's business (~/.pgpass,
// pg_service.conf): only the connection string is given here.
#include "history/history_store.h"

#include <QObject>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace kordex::history {

class HistoryUploader : public QObject {
    Q_OBJECT
public:
    HistoryUploader(QString localPath, QString server, int intervalMs = 5000);
    ~HistoryUploader() override;

    // For tests: blocks until a pass found nothing left to send (true) or
    // the time ran out.
    bool waitUntilSent(int timeoutMs);
    quint64 sent() const { return sent_; }

    // Told once per outage, on the thread that made the uploader, and with an
    // empty message when it is over.
    std::function<void(const QString &message)> onProblem;

    // What the history window shows of the team: the filter's newest lines
    // (at most `limit`) and every site on the server. Blocks on the network:
    // for a worker thread.
    struct TeamView {
        std::vector<HistoryRow> rows;
        QStringList sites;
        QString error;
    };
    static TeamView teamView(const QString &server, const HistoryFilter &filter, int limit);

private:
    void run();
    bool passOnce(HistoryStore &local, const QString &connection, QString *error);

    const QString path_, server_;
    const int intervalMs_;
    std::mutex mutex_;
    std::condition_variable wake_, done_;
    bool stop_ = false, kick_ = false;
    quint64 passesClean_ = 0;  // passes that ended with nothing left
    std::atomic<quint64> sent_ = 0;
    std::thread worker_;
};

}  // namespace kordex::history
