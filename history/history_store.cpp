#include "history/history_store.h"

#include "platform/errno_text.h"
#include "platform/file_io.h"
#include "platform/text_codec.h"

#include <QAtomicInteger>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTimeZone>
#include <QVariant>

#include <algorithm>

#include <fcntl.h>
#include <unistd.h>

namespace kordex::history {

namespace {

constexpr int kSqliteCorrupt = 11;
constexpr int kSqliteNotADatabase = 26;

QAtomicInteger<quint64> connectionCount;

int sqliteCode(const QSqlError &e)
{
    bool ok = false;
    const int code = e.nativeErrorCode().toInt(&ok);
    return ok ? code & 0xff : 0;  // extended codes keep the primary one in the low byte
}

bool damaged(int code) { return code == kSqliteCorrupt || code == kSqliteNotADatabase; }

QString describe(const QSqlError &e) { return e.databaseText().isEmpty() ? e.text() : e.databaseText(); }

// A statement that must work; false leaves the reason and the SQLite code.
bool exec(QSqlQuery &q, const QString &sql, QString *error, int *code)
{
    if (q.exec(sql))
        return true;
    if (error)
        *error = describe(q.lastError());
    if (code)
        *code = sqliteCode(q.lastError());
    return false;
}

// The search text as one FTS5 phrase.
QString phrase(const QString &text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString likePattern(const QString &text)
{
    QString p = text;
    p.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    p.replace(QLatin1Char('%'), QLatin1String("\\%"));
    p.replace(QLatin1Char('_'), QLatin1String("\\_"));
    return QLatin1Char('%') + p + QLatin1Char('%');
}

QByteArray csvField(const QString &s)
{
    const QByteArray utf8 = s.toUtf8();
    if (!utf8.contains(',') && !utf8.contains('"') && !utf8.contains('\r') && !utf8.contains('\n'))
        return utf8;
    QByteArray q = utf8;
    q.replace("\"", "\"\"");
    return '"' + q + '"';
}

// A HistoryRow's columns, from `lines l` joined with `sessions s`.
const QLatin1String kRowColumns("l.id, l.time, l.session, l.line_number, l.site, l.kind, l.text, l.model, s.transport, "
                                "s.address");

std::vector<HistoryRow> readRows(QSqlQuery &q, int limit)
{
    std::vector<HistoryRow> out;
    if (!q.exec())
        return out;
    out.reserve(size_t(limit));
    while (q.next())
        out.push_back({q.value(0).toLongLong(), q.value(1).toLongLong(), q.value(2).toLongLong(),
                       q.value(3).toLongLong(), q.value(4).toString(), q.value(5).toString(), q.value(6).toString(),
                       q.value(7).toString(), q.value(8).toString(), q.value(9).toString()});
    return out;
}

// The local day of a time, remembering the last day's bounds: the lines of
// a batch mostly share one.
class DayRange {
public:
    QDate dayOf(qint64 ms)
    {
        if (ms < startMs_ || ms >= endMs_) {
            day_ = QDateTime::fromMSecsSinceEpoch(ms).date();
            startMs_ = QDateTime(day_, QTime(0, 0)).toMSecsSinceEpoch();
            endMs_ = QDateTime(day_.addDays(1), QTime(0, 0)).toMSecsSinceEpoch();
        }
        return day_;
    }

private:
    QDate day_;
    qint64 startMs_ = 0, endMs_ = 0;
};

}  // namespace

HistoryStore::HistoryStore()
    : connection_(QStringLiteral("kordex-history-%1").arg(connectionCount.fetchAndAddRelaxed(1)))
{
}

HistoryStore::~HistoryStore() { close(); }

QString HistoryStore::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Corvane/Kordex/history.sqlite");
}

void HistoryStore::close()
{
    if (!QSqlDatabase::contains(connection_))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(connection_, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(connection_);
    open_ = false;
}

HistoryStore::Opened HistoryStore::open(const QString &path, QString *message, bool readOnly)
{
    close();
    path_ = path;
    sessionIds_.clear();
    int code = 0;
    QString error;
    if (openFile(readOnly, &error, &code)) {
        open_ = true;
        return Opened::Ok;
    }
    if (readOnly || !damaged(code)) {
        if (message)
            *message = error;
        return Opened::Failed;
    }
    return replaceDamaged(message);
}

bool HistoryStore::openFile(bool readOnly, QString *message, int *code)
{
    const QFileInfo file(path_);
    if (!readOnly) {
        if (!makeOwnerOnlyPath(file.absolutePath())) {
            *message = QStringLiteral("cannot make the folder %1").arg(file.absolutePath());
            return false;
        }
        // Made owner-only before SQLite opens it; its WAL and shared-memory
        // files take the same mode.
        const int fd = ::open(QFile::encodeName(path_).constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            *message = QStringLiteral("%1: %2").arg(path_, errnoText(errno));
            return false;
        }
        ::close(fd);
    } else if (!file.exists()) {
        *message = QStringLiteral("%1: no history yet").arg(path_);
        return false;
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
        db.setDatabaseName(path_);
        if (readOnly)
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=2000"));
        else
            db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
        if (!db.open()) {
            *message = describe(db.lastError());
            *code = sqliteCode(db.lastError());
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(connection_);
            return false;
        }
    }
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    QSqlQuery q(db);
    bool ok = true;
    if (!readOnly)
        ok = exec(q, QStringLiteral("PRAGMA journal_mode=WAL"), message, code) &&
             exec(q, QStringLiteral("PRAGMA synchronous=NORMAL"), message, code) &&
             // The recorder's second of lines with their text index fits in memory until the commit writes
             // it once; a reader or a deleting window keeps SQLite's small default.
             exec(q, QStringLiteral("PRAGMA cache_size=%1").arg(batchCache_ ? -16384 : -2000), message, code) &&
             migrate(message, code);
    else
        ok = exec(q, QStringLiteral("SELECT count(*) FROM sqlite_master"), message, code);
    if (ok) {
        fullText_ = q.exec(QStringLiteral("SELECT 1 FROM lines_fts LIMIT 0"));
        return true;
    }
    q = QSqlQuery();
    db = QSqlDatabase();
    close();
    return false;
}

// Version 1: sessions, lines, their indexes and the full-text index. Later
// versions add their steps below the last one.
bool HistoryStore::migrate(QString *error, int *code)
{
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    QSqlQuery q(db);
    if (!exec(q, QStringLiteral("PRAGMA user_version"), error, code) || !q.next()) {
        return false;
    }
    const int version = q.value(0).toInt();
    if (version > kSchemaVersion) {
        *error = QStringLiteral("%1 was written by a newer Kordex (schema %2)").arg(path_).arg(version);
        return false;
    }
    if (version == kSchemaVersion)
        return true;
    db.transaction();
    bool ok = true;
    if (version < 1) {
        ok = exec(q,
                  QStringLiteral("CREATE TABLE sessions(id INTEGER PRIMARY KEY, site TEXT NOT NULL, transport TEXT, "
                                 "address TEXT, model TEXT, started INTEGER NOT NULL, ended INTEGER, end_kind TEXT)"),
                  error, code) &&
             exec(q,
                  QStringLiteral("CREATE TABLE lines(id INTEGER PRIMARY KEY, session INTEGER NOT NULL, "
                                 "line_number INTEGER NOT NULL, time INTEGER NOT NULL, site TEXT NOT NULL, "
                                 "kind TEXT NOT NULL, text TEXT NOT NULL, model TEXT)"),
                  error, code) &&
             exec(q, QStringLiteral("CREATE INDEX lines_site_time ON lines(site, time)"), error, code) &&
             exec(q, QStringLiteral("CREATE INDEX lines_time ON lines(time)"), error, code) &&
             exec(q, QStringLiteral("CREATE UNIQUE INDEX lines_session ON lines(session, line_number)"), error, code) &&
             exec(q, QStringLiteral("CREATE INDEX sessions_site ON sessions(site, started)"), error, code) &&
             // Lines per site and local day, kept as lines come and go: the
             // window's strip without reading every line.
             exec(q,
                  QStringLiteral("CREATE TABLE day_counts(site TEXT NOT NULL, day TEXT NOT NULL, lines INTEGER NOT "
                                 "NULL, PRIMARY KEY(site, day)) WITHOUT ROWID"),
                  error, code) &&
             exec(q,
                  QStringLiteral("CREATE TRIGGER day_counts_insert AFTER INSERT ON lines BEGIN "
                                 "INSERT INTO day_counts VALUES (new.site, date(new.time / 1000, 'unixepoch', "
                                 "'localtime'), 1) ON CONFLICT(site, day) DO UPDATE SET lines = lines + 1; END"),
                  error, code) &&
             exec(q,
                  QStringLiteral("CREATE TRIGGER day_counts_delete AFTER DELETE ON lines BEGIN "
                                 "UPDATE day_counts SET lines = lines - 1 WHERE site = old.site AND day = "
                                 "date(old.time / 1000, 'unixepoch', 'localtime'); END"),
                  error, code);
        // Full text where the system's SQLite has FTS5 (the trigram tokenizer
        // finds any piece of three or more letters); LIKE otherwise.
        if (ok)
            q.exec(QStringLiteral("CREATE VIRTUAL TABLE lines_fts USING fts5(text, content='lines', "
                                  "content_rowid='id', tokenize='trigram')"));
    }
    // Version 2: the installation's own id and how far each team server has
    // been sent the lines.
    if (ok && version < 2)
        ok = exec(q, QStringLiteral("CREATE TABLE meta(key TEXT PRIMARY KEY, value TEXT NOT NULL)"), error, code) &&
             exec(q, QStringLiteral("INSERT INTO meta VALUES ('installation', lower(hex(randomblob(16))))"), error,
                  code) &&
             exec(q, QStringLiteral("CREATE TABLE uploads(server TEXT PRIMARY KEY, last_line INTEGER NOT NULL)"), error,
                  code);
    // Version 3: the writer counts the lines per day itself, one upsert per
    // site and day of a batch instead of one per line.
    if (ok && version < 3)
        ok = exec(q, QStringLiteral("DROP TRIGGER IF EXISTS day_counts_insert"), error, code);
    // Version 4: the writer fills the text index once a batch, and a site's
    // deletion takes its lines out of the index and the day counts at once.
    // A trigger's statement savepoint made FTS5 flush a segment of its own
    // for every line.
    if (version < 4)
        for (const char *trigger : {"lines_fts_insert", "lines_fts_delete", "day_counts_delete"})
            ok = ok && exec(q, QStringLiteral("DROP TRIGGER IF EXISTS %1").arg(QLatin1String(trigger)), error, code);
    if (ok)
        ok = exec(q, QStringLiteral("PRAGMA user_version=%1").arg(kSchemaVersion), error, code);
    if (ok)
        return db.commit();
    db.rollback();
    return false;
}

HistoryStore::Opened HistoryStore::replaceDamaged(QString *message)
{
    close();
    const QString aside = path_ + QStringLiteral(".damaged-") +
                          QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    bool moved = QFile::rename(path_, aside);
    for (const char *suffix : {"-wal", "-shm"})
        QFile::rename(path_ + QLatin1String(suffix), aside + QLatin1String(suffix));
    QString error;
    int code = 0;
    if (!moved || !openFile(false, &error, &code)) {
        if (message)
            *message = moved ? error : QStringLiteral("cannot move the damaged %1 aside").arg(path_);
        return Opened::Failed;
    }
    open_ = true;
    if (message)
        *message = QStringLiteral("The event history was damaged; it was kept as %1 and a new one started.").arg(aside);
    return Opened::Replaced;
}

HistoryStore::WriteResult HistoryStore::write(const std::vector<PendingItem> &batch, QString *error)
{
    if (!open_) {
        *error = QStringLiteral("the history is not open");
        return WriteResult::Failed;
    }
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    int code = 0;
    // A failed batch is written again whole, into the sessions as they were before it.
    const std::vector<SessionId> before = sessionIds_;
    auto fail = [&](const QSqlQuery &q) {
        *error = describe(q.lastError());
        code = sqliteCode(q.lastError());
        db.rollback();
        sessionIds_ = before;
        return damaged(code) ? WriteResult::Damaged : WriteResult::Failed;
    };
    if (!db.transaction()) {
        *error = describe(db.lastError());
        return damaged(sqliteCode(db.lastError())) ? WriteResult::Damaged : WriteResult::Failed;
    }
    QSqlQuery startSession(db), endSession(db), setModel(db), addLine(db), countDay(db);
    startSession.prepare(QStringLiteral(
        "INSERT INTO sessions(site, transport, address, model, started) VALUES (?, ?, ?, NULLIF(?, ''), ?)"));
    endSession.prepare(QStringLiteral("UPDATE sessions SET ended = ?, end_kind = ? WHERE id = ?"));
    setModel.prepare(QStringLiteral("UPDATE sessions SET model = ? WHERE id = ? AND model IS NOT ?"));
    addLine.prepare(
        QStringLiteral("INSERT INTO lines(session, line_number, time, site, kind, text, model) VALUES (?, ?, ?, ?, ?, "
                       "?, NULLIF(?, ''))"));
    countDay.prepare(
        QStringLiteral("INSERT INTO day_counts VALUES (?, ?, ?) ON CONFLICT(site, day) DO UPDATE SET lines = lines + "
                       "excluded.lines"));
    // Lines per site and local day, in the order met; a batch spans a day or two.
    struct DayTally {
        QString site;
        QDate day;
        qint64 lines;
    };
    std::vector<DayTally> days;
    DayRange today;
    qint64 firstLine = -1;
    for (const PendingItem &item : batch) {
        auto known = std::find_if(sessionIds_.begin(), sessionIds_.end(),
                                  [&](const SessionId &s) { return s.token == item.sessionToken; });
        if (known == sessionIds_.end()) {
            startSession.addBindValue(item.site);
            startSession.addBindValue(item.transport);
            startSession.addBindValue(item.address);
            startSession.addBindValue(item.model);
            startSession.addBindValue(item.timeMs);
            if (!startSession.exec())
                return fail(startSession);
            sessionIds_.push_back({item.sessionToken, startSession.lastInsertId().toLongLong(), 0, item.model});
            if (sessionIds_.size() > 64)
                sessionIds_.erase(sessionIds_.begin());
            known = sessionIds_.end() - 1;
        }
        const qint64 session = known->id;
        if (item.type == PendingItem::Type::SessionStart)
            continue;
        if (item.type == PendingItem::Type::SessionEnd) {
            endSession.addBindValue(item.timeMs);
            endSession.addBindValue(item.kind);
            endSession.addBindValue(session);
            if (!endSession.exec())
                return fail(endSession);
            continue;
        }
        if (!item.model.isEmpty() && item.model != known->model) {
            known->model = item.model;
            setModel.addBindValue(item.model);
            setModel.addBindValue(session);
            setModel.addBindValue(item.model);
            if (!setModel.exec())
                return fail(setModel);
        }
        addLine.addBindValue(session);
        addLine.addBindValue(++known->lines);
        addLine.addBindValue(item.timeMs);
        addLine.addBindValue(item.site);
        addLine.addBindValue(item.kind);
        addLine.addBindValue(fromPanelBytes(item.text));
        addLine.addBindValue(item.model);
        if (!addLine.exec())
            return fail(addLine);
        if (firstLine < 0)
            firstLine = addLine.lastInsertId().toLongLong();
        const QDate day = today.dayOf(item.timeMs);
        auto tally = std::find_if(days.rbegin(), days.rend(),
                                  [&](const DayTally &d) { return d.day == day && d.site == item.site; });
        if (tally != days.rend())
            ++tally->lines;
        else
            days.push_back({item.site, day, 1});
    }
    if (fullText_ && firstLine >= 0) {
        QSqlQuery index(db);
        index.prepare(QStringLiteral("INSERT INTO lines_fts(rowid, text) SELECT id, text FROM lines WHERE id >= ?"));
        index.addBindValue(firstLine);
        if (!index.exec())
            return fail(index);
    }
    for (const DayTally &d : days) {
        countDay.addBindValue(d.site);
        countDay.addBindValue(d.day.toString(Qt::ISODate));
        countDay.addBindValue(d.lines);
        if (!countDay.exec())
            return fail(countDay);
    }
    if (!db.commit()) {
        *error = describe(db.lastError());
        code = sqliteCode(db.lastError());
        db.rollback();
        sessionIds_ = before;
        return damaged(code) ? WriteResult::Damaged : WriteResult::Failed;
    }
    return WriteResult::Ok;
}

// One site's lines are few enough to read through its index; the text index
// would hand over every site's matches to be sifted for it. LIKE folds only
// ASCII letters, though: a text with others goes through the text index,
// whose folding is Unicode's, and is rare enough to be quick there.
bool HistoryStore::usesFullText(const HistoryFilter &f) const
{
    if (!fullText_ || f.text.size() < 3)
        return false;
    return f.site.isEmpty() ||
           std::any_of(f.text.begin(), f.text.end(), [](QChar c) { return c.unicode() >= 0x80 && c.isLetter(); });
}

QString HistoryStore::where(const HistoryFilter &f, QVariantList &binds, bool fullTextJoined) const
{
    QStringList terms;
    if (!f.site.isEmpty()) {
        terms << QStringLiteral("l.site = ?");
        binds << f.site;
    }
    if (f.sinceMs != std::numeric_limits<qint64>::min()) {
        terms << QStringLiteral("l.time >= ?");
        binds << f.sinceMs;
    }
    if (f.untilMs != std::numeric_limits<qint64>::max()) {
        terms << QStringLiteral("l.time < ?");
        binds << f.untilMs;
    }
    if (!f.text.isEmpty()) {
        if (usesFullText(f)) {
            terms << (fullTextJoined ? QStringLiteral("lines_fts MATCH ?")
                                     : QStringLiteral("l.id IN (SELECT rowid FROM lines_fts WHERE lines_fts MATCH ?)"));
            binds << phrase(f.text);
        } else {
            terms << QStringLiteral("l.text LIKE ? ESCAPE '\\'");
            binds << likePattern(f.text);
        }
    }
    return terms.isEmpty() ? QString() : QStringLiteral(" WHERE ") + terms.join(QStringLiteral(" AND "));
}

qint64 HistoryStore::count(const HistoryFilter &f, qint64 atMost) const
{
    QVariantList binds;
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    const bool textOnly = usesFullText(f) && f.site.isEmpty() && f.sinceMs == std::numeric_limits<qint64>::min() &&
                          f.untilMs == std::numeric_limits<qint64>::max();
    QString found;
    if (textOnly) {
        found = QStringLiteral("SELECT 1 FROM lines_fts WHERE lines_fts MATCH ?");
        binds << phrase(f.text);
    } else {
        found = QStringLiteral("SELECT 1 FROM lines l") + where(f, binds);
    }
    if (atMost >= 0) {
        found += QStringLiteral(" LIMIT ?");
        binds << atMost + 1;
    }
    q.prepare(QStringLiteral("SELECT count(*) FROM (") + found + QLatin1Char(')'));
    for (const QVariant &b : binds)
        q.addBindValue(b);
    return q.exec() && q.next() ? q.value(0).toLongLong() : 0;
}

std::vector<HistoryRow> HistoryStore::rows(const HistoryFilter &f, qint64 beforeId, int limit) const
{
    // Newest first is the order of arrival (the row id): the full-text index
    // pages in that order without sorting what it found, and stops at the page.
    QVariantList binds;
    const bool fullText = usesFullText(f);
    QString sql =
        QStringLiteral("SELECT ") + kRowColumns + QStringLiteral(" FROM ") +
        (fullText ? QStringLiteral("lines_fts f JOIN lines l ON l.id = f.rowid") : QStringLiteral("lines l")) +
        QStringLiteral(" LEFT JOIN sessions s ON s.id = l.session") + where(f, binds, fullText);
    sql += binds.isEmpty() ? QStringLiteral(" WHERE ") : QStringLiteral(" AND ");
    sql += fullText ? QStringLiteral("f.rowid < ? ORDER BY f.rowid DESC LIMIT ?")
                    : QStringLiteral("l.id < ? ORDER BY l.id DESC LIMIT ?");
    binds << beforeId << limit;
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.setForwardOnly(true);
    q.prepare(sql);
    for (const QVariant &b : binds)
        q.addBindValue(b);
    return readRows(q, limit);
}

std::vector<SessionSummary> HistoryStore::sessions(const QString &site) const
{
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.setForwardOnly(true);
    q.prepare(
        QStringLiteral("SELECT s.id, s.started, coalesce(s.ended, 0), s.transport, s.address, s.model, "
                       "coalesce(s.end_kind, ''), (SELECT count(*) FROM lines l WHERE l.session = s.id) "
                       "FROM sessions s WHERE s.site = ? ORDER BY s.started DESC, s.id DESC"));
    q.addBindValue(site);
    std::vector<SessionSummary> out;
    if (!q.exec())
        return out;
    while (q.next())
        out.push_back({q.value(0).toLongLong(), q.value(1).toLongLong(), q.value(2).toLongLong(), q.value(3).toString(),
                       q.value(4).toString(), q.value(5).toString(), q.value(6).toString(), q.value(7).toLongLong()});
    return out;
}

std::vector<DayCount> HistoryStore::linesPerDay(const HistoryFilter &f) const
{
    QVariantList binds;
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.setForwardOnly(true);
    const bool wholeDays = f.text.isEmpty() && f.sinceMs == std::numeric_limits<qint64>::min() &&
                           f.untilMs == std::numeric_limits<qint64>::max();
    if (wholeDays) {
        q.prepare(QStringLiteral("SELECT day, sum(lines) FROM day_counts") +
                  (f.site.isEmpty() ? QString() : QStringLiteral(" WHERE site = ?")) +
                  QStringLiteral(" GROUP BY day HAVING sum(lines) > 0 ORDER BY day"));
        if (!f.site.isEmpty())
            binds << f.site;
    } else {
        q.prepare(QStringLiteral("SELECT date(l.time / 1000, 'unixepoch', 'localtime') AS day, count(*) FROM lines l") +
                  where(f, binds) + QStringLiteral(" GROUP BY day ORDER BY day"));
    }
    for (const QVariant &b : binds)
        q.addBindValue(b);
    std::vector<DayCount> out;
    if (!q.exec())
        return out;
    while (q.next())
        out.push_back({QDate::fromString(q.value(0).toString(), Qt::ISODate), q.value(1).toLongLong()});
    return out;
}

QStringList HistoryStore::sites() const
{
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    QStringList out;
    if (q.exec(QStringLiteral("SELECT DISTINCT site FROM sessions ORDER BY site COLLATE NOCASE")))
        while (q.next())
            out << q.value(0).toString();
    return out;
}

bool HistoryStore::deleteSite(const QString &site, QString *error)
{
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    db.transaction();
    QSqlQuery q(db);
    QStringList statements;
    if (fullText_)
        statements << QStringLiteral(
            "INSERT INTO lines_fts(lines_fts, rowid, text) SELECT 'delete', id, text FROM lines WHERE site = ?");
    statements << QStringLiteral("DELETE FROM lines WHERE site = ?") << QStringLiteral("DELETE FROM sessions WHERE site = ?")
               << QStringLiteral("DELETE FROM day_counts WHERE site = ?");
    for (const QString &sql : statements) {
        q.prepare(sql);
        q.addBindValue(site);
        if (!q.exec()) {
            *error = describe(q.lastError());
            db.rollback();
            return false;
        }
    }
    sessionIds_.clear();
    return db.commit();
}

QString HistoryStore::installationId() const
{
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    return q.exec(QStringLiteral("SELECT value FROM meta WHERE key = 'installation'")) && q.next()
               ? q.value(0).toString()
               : QString();
}

qint64 HistoryStore::uploadedUpTo(const QString &server) const
{
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.prepare(QStringLiteral("SELECT last_line FROM uploads WHERE server = ?"));
    q.addBindValue(server);
    return q.exec() && q.next() ? q.value(0).toLongLong() : 0;
}

bool HistoryStore::setUploadedUpTo(const QString &server, qint64 lineId)
{
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.prepare(
        QStringLiteral("INSERT INTO uploads VALUES (?, ?) ON CONFLICT(server) DO UPDATE SET last_line = "
                       "excluded.last_line"));
    q.addBindValue(server);
    q.addBindValue(lineId);
    return q.exec();
}

qint64 HistoryStore::pendingUpload(const QString &server) const
{
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.prepare(QStringLiteral("SELECT count(*) FROM lines WHERE id > ?"));
    q.addBindValue(uploadedUpTo(server));
    return q.exec() && q.next() ? q.value(0).toLongLong() : 0;
}

std::vector<HistoryRow> HistoryStore::linesAfter(qint64 lineId, int limit) const
{
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT ") + kRowColumns +
              QStringLiteral(" FROM lines l LEFT JOIN sessions s ON s.id = l.session WHERE l.id > ? ORDER BY l.id "
                             "LIMIT ?"));
    q.addBindValue(lineId);
    q.addBindValue(limit);
    return readRows(q, limit);
}

QByteArray HistoryStore::csvHeader() { return "time,site,kind,line,session,line number,transport,address,model\r\n"; }

QByteArray HistoryStore::csvRecord(const HistoryRow &r)
{
    const QString time =
        QDateTime::fromMSecsSinceEpoch(r.timeMs, QTimeZone::utc()).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ"));
    QByteArray out = csvField(time);
    for (const QString &field : {r.site, r.kind, r.text})
        out += ',' + csvField(field);
    out += ',' + QByteArray::number(r.session) + ',' + QByteArray::number(r.lineNumber);
    for (const QString &field : {r.transport, r.address, r.model})
        out += ',' + csvField(field);
    return out + "\r\n";
}

bool HistoryStore::exportCsv(const HistoryFilter &f, QIODevice &out, qint64 *written) const
{
    qint64 records = 0;
    if (out.write(csvHeader()) < 0)
        return false;
    qint64 before = kNewest;
    constexpr int kPage = 5000;
    for (;;) {
        const std::vector<HistoryRow> page = rows(f, before, kPage);
        QByteArray block;
        for (const HistoryRow &r : page)
            block += csvRecord(r);
        if (!block.isEmpty() && out.write(block) != block.size())
            return false;
        records += qint64(page.size());
        if (written)
            *written = records;
        if (int(page.size()) < kPage)
            return true;
        before = page.back().id;
    }
}

std::optional<qint64> parseDateArgument(const QString &text, bool endOfDay)
{
    const QDate day = QDate::fromString(text, Qt::ISODate);
    if (day.isValid())
        return QDateTime(endOfDay ? day.addDays(1) : day, QTime(0, 0)).toMSecsSinceEpoch();
    const QDateTime when = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (when.isValid())
        return when.toMSecsSinceEpoch();
    return std::nullopt;
}

}  // namespace kordex::history

namespace kordex::history {

QString HistorySettings::path()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Corvane/KordexHistory.conf");
}

HistorySettings HistorySettings::load()
{
    QSettings file(path(), QSettings::IniFormat);
    HistorySettings s;
    s.record = file.value(QStringLiteral("History/Record"), true).toBool();
    s.server = file.value(QStringLiteral("History/Server")).toString();
    return s;
}

bool HistorySettings::save() const
{
    QSettings file(path(), QSettings::IniFormat);
    file.setValue(QStringLiteral("History/Record"), record);
    file.setValue(QStringLiteral("History/Server"), server);
    file.sync();
    return file.status() == QSettings::NoError;
}

}  // namespace kordex::history
