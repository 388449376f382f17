#include "history/history_upload.h"

#include <QAtomicInteger>
#include <QMetaObject>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <chrono>

namespace kordex::history {

namespace {

QAtomicInteger<quint64> connectionCount;

constexpr int kBatch = 2000;

QString nextConnectionName() { return QStringLiteral("kordex-team-%1").arg(connectionCount.fetchAndAddRelaxed(1)); }

// libpq takes the whole string (key=value pairs or service=NAME) as it is.
QSqlDatabase connectTo(const QString &name, const QString &server, QString *error)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    db.setConnectOptions(server);
    if (!db.open())
        *error = db.lastError().text();
    return db;
}

bool ensureSchema(QSqlDatabase &db, QString *error)
{
    QSqlQuery q(db);
    for (const char *sql :
         {"CREATE TABLE IF NOT EXISTS kordex_history(installation TEXT NOT NULL, session BIGINT NOT NULL, "
          "line_number BIGINT NOT NULL, time_ms BIGINT NOT NULL, site TEXT NOT NULL, kind TEXT NOT NULL, "
          "text TEXT NOT NULL, model TEXT, transport TEXT, address TEXT, "
          "PRIMARY KEY (installation, session, line_number))",
          "CREATE INDEX IF NOT EXISTS kordex_history_site_time ON kordex_history(site, time_ms)"})
        if (!q.exec(QLatin1String(sql))) {
            *error = q.lastError().text();
            return false;
        }
    return true;
}

}  // namespace

HistoryUploader::HistoryUploader(QString localPath, QString server, int intervalMs)
    : path_(std::move(localPath)),
      server_(std::move(server)),
      intervalMs_(intervalMs),
      worker_([this] { run(); })
{
}

HistoryUploader::~HistoryUploader()
{
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    worker_.join();
}

bool HistoryUploader::waitUntilSent(int timeoutMs)
{
    std::unique_lock lock(mutex_);
    const quint64 after = passesClean_;
    kick_ = true;
    wake_.notify_all();
    return done_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return passesClean_ > after + 1; });
}

// One pass: everything not yet on the server, a batch at a time.
bool HistoryUploader::passOnce(HistoryStore &local, const QString &connection, QString *error)
{
    QSqlDatabase db = QSqlDatabase::database(connection, false);
    if (!db.isOpen()) {
        if (!db.open()) {
            *error = db.lastError().text();
            return false;
        }
        if (!ensureSchema(db, error)) {
            db.close();
            return false;
        }
    }
    const QString installation = local.installationId();
    for (;;) {
        const qint64 from = local.uploadedUpTo(server_);
        const std::vector<HistoryRow> rows = local.linesAfter(from, kBatch);
        if (rows.empty())
            return true;
        QSqlQuery q(db);
        q.prepare(
            QStringLiteral("INSERT INTO kordex_history VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?) "
                           "ON CONFLICT DO NOTHING"));
        QVariantList columns[10];
        for (const HistoryRow &r : rows) {
            columns[0] << installation;
            columns[1] << r.session;
            columns[2] << r.lineNumber;
            columns[3] << r.timeMs;
            columns[4] << r.site;
            columns[5] << r.kind;
            columns[6] << r.text;
            columns[7] << r.model;
            columns[8] << r.transport;
            columns[9] << r.address;
        }
        for (const QVariantList &c : columns)
            q.addBindValue(c);
        if (!db.transaction() || !q.execBatch() || !db.commit()) {
            *error = q.lastError().isValid() ? q.lastError().text() : db.lastError().text();
            db.rollback();
            db.close();  // opened afresh on the next pass
            return false;
        }
        local.setUploadedUpTo(server_, rows.back().id);
        sent_ += rows.size();
    }
}

void HistoryUploader::run()
{
    const QString connection = nextConnectionName();
    {
        QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connection).setConnectOptions(server_);
        HistoryStore local;
        bool reported = false;
        for (;;) {
            QString message;
            if (!local.isOpen())
                local.open(path_, &message);
            const bool clean = local.isOpen() && passOnce(local, connection, &message);
            std::unique_lock lock(mutex_);
            if (clean == reported) {
                reported = !clean;
                const QString told =
                    clean ? QString() : QStringLiteral("Event history not sent to the team server: ") + message;
                QMetaObject::invokeMethod(
                    this,
                    [this, told] {
                        if (onProblem)
                            onProblem(told);
                    },
                    Qt::QueuedConnection);
            }
            if (clean)
                ++passesClean_;
            done_.notify_all();
            wake_.wait_for(lock, std::chrono::milliseconds(intervalMs_), [&] { return stop_ || kick_; });
            kick_ = false;
            if (stop_)
                break;
        }
    }
    QSqlDatabase::removeDatabase(connection);
}

HistoryUploader::TeamView HistoryUploader::teamView(const QString &server, const HistoryFilter &filter, int limit)
{
    TeamView view;
    const QString connection = nextConnectionName();
    {
        QSqlDatabase db = connectTo(connection, server, &view.error);
        if (db.isOpen()) {
            QSqlQuery q(db);
            q.setForwardOnly(true);
            // The text as a plain piece of the line, letter case ignored, as the local search finds it.
            q.prepare(
                QStringLiteral("SELECT time_ms, session, line_number, site, kind, text, model, transport, address "
                               "FROM kordex_history WHERE (? = '' OR site = ?) AND time_ms >= ? AND time_ms < ? "
                               "AND strpos(lower(text), lower(?)) > 0 "
                               "ORDER BY time_ms DESC, installation, session, line_number DESC LIMIT ?"));
            // An empty filter is '' to the server, never NULL (which would match nothing).
            const QString site = filter.site.isEmpty() ? QStringLiteral("") : filter.site;
            const QString text = filter.text.isEmpty() ? QStringLiteral("") : filter.text;
            for (const QVariant &v : {QVariant(site), QVariant(site), QVariant(filter.sinceMs),
                                      QVariant(filter.untilMs), QVariant(text), QVariant(limit)})
                q.addBindValue(v);
            if (q.exec()) {
                while (q.next())
                    view.rows.push_back({0, q.value(0).toLongLong(), q.value(1).toLongLong(), q.value(2).toLongLong(),
                                         q.value(3).toString(), q.value(4).toString(), q.value(5).toString(),
                                         q.value(6).toString(), q.value(7).toString(), q.value(8).toString()});
                if (q.exec(QStringLiteral("SELECT DISTINCT site FROM kordex_history ORDER BY site")))
                    while (q.next())
                        view.sites << q.value(0).toString();
            }
            if (q.lastError().isValid())
                view.error = q.lastError().text();
        }
    }
    QSqlDatabase::removeDatabase(connection);
    return view;
}

}  // namespace kordex::history
