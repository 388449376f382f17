#pragma once
// The event history on disk: one SQLite file per user with its schema and
// migrations, a damaged file moved aside for a new one, the recorder's
// batched writes and the queries of the history window and `kordex
// --history`. A store belongs to the thread that opened it (Qt SQL's rule).
#include <QDateTime>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

namespace kordex::history {

// One thing the recorder hands to the store. Every item carries its
// session's identity, so a batch written after an earlier one was lost still
// lands in a session.
struct PendingItem {
    enum class Type { SessionStart, Line, SessionEnd };
    Type type = Type::Line;
    quint64 sessionToken = 0;  // the recorder's own numbering
    qint64 timeMs = 0;         // UTC, ms since the epoch
    QString site, transport, address, model, kind;
    QByteArray text;  // the panel's 8-bit bytes
};

struct HistoryFilter {
    QString site;  // empty: every site
    qint64 sinceMs = std::numeric_limits<qint64>::min();
    qint64 untilMs = std::numeric_limits<qint64>::max();  // exclusive
    QString text;                                         // a piece of the line, letter case ignored
};

struct HistoryRow {
    qint64 id = 0;
    qint64 timeMs = 0;
    qint64 session = 0;
    qint64 lineNumber = 0;
    QString site, kind, text, model, transport, address;
};


struct SessionSummary {
    qint64 id = 0;
    qint64 startedMs = 0, endedMs = 0;  // endedMs 0 while open (or cut off by a kill)
    QString transport, address, model, endKind;
    qint64 lines = 0;
};

struct DayCount {
    QDate day;  // local
    qint64 lines = 0;
};

class HistoryStore {
public:
    HistoryStore();
    ~HistoryStore();
    HistoryStore(const HistoryStore &) = delete;
    HistoryStore &operator=(const HistoryStore &) = delete;

    // $XDG_DATA_HOME/Corvane/Kordex/history.sqlite
    static QString defaultPath();
    static constexpr int kSchemaVersion = 4;

    enum class Opened { Ok, Replaced, Failed };
    // Makes the folder (owner only) and the file (0600), turns on WAL and
    // brings the schema up to date. A file that is not a database or is
    // damaged is renamed aside (kept) and a new one started: Replaced, with
    // `message` naming where it went. Failed leaves the reason in `message`.
    Opened open(const QString &path, QString *message, bool readOnly = false);
    // For the recorder, before open: a cache that holds a second's batch.
    void setBatchCache(bool on) { batchCache_ = on; }
    bool isOpen() const { return open_; }
    void close();
    QString path() const { return path_; }
    bool hasFullText() const { return fullText_; }

    enum class WriteResult { Ok, Failed, Damaged };
    // One transaction for the whole batch.
    WriteResult write(const std::vector<PendingItem> &batch, QString *error);
    // After Damaged: moves the file aside and starts a new one.
    Opened replaceDamaged(QString *message);

    // Queries, newest (last arrived) first.
    // The lines the filter finds; with `atMost` it stops counting there
    // (returns atMost + 1 when there are more), so a common word in a large
    // history is counted no further than a window needs to say "more than".
    qint64 count(const HistoryFilter &f, qint64 atMost = -1) const;
    // Paged by the row id: the lines that arrived before `beforeId`.
    static constexpr qint64 kNewest = std::numeric_limits<qint64>::max();
    std::vector<HistoryRow> rows(const HistoryFilter &f, qint64 beforeId, int limit) const;
    std::vector<SessionSummary> sessions(const QString &site) const;
    std::vector<DayCount> linesPerDay(const HistoryFilter &f) const;
    QStringList sites() const;
    bool deleteSite(const QString &site, QString *error);

    // For the team server: this installation's id, and how far the lines
    // (by row id) have been sent to a server.
    QString installationId() const;
    qint64 uploadedUpTo(const QString &server) const;
    bool setUploadedUpTo(const QString &server, qint64 lineId);
    qint64 pendingUpload(const QString &server) const;
    // Lines after a row id, oldest first.
    std::vector<HistoryRow> linesAfter(qint64 lineId, int limit) const;

    // RFC 4180 with a header row, UTF-8, CR LF line ends; times in UTC
    // (ISO 8601). Pages through the filter; false on a write error.
    bool exportCsv(const HistoryFilter &f, QIODevice &out, qint64 *written = nullptr) const;
    static QByteArray csvHeader();
    static QByteArray csvRecord(const HistoryRow &row);

private:
    bool openFile(bool readOnly, QString *message, int *sqliteCode);
    bool migrate(QString *error, int *sqliteCode);
    bool usesFullText(const HistoryFilter &f) const;
    QString where(const HistoryFilter &f, QVariantList &binds, bool fullTextJoined = false) const;

    QString connection_;
    QString path_;
    bool open_ = false;
    bool fullText_ = false;
    bool batchCache_ = false;
    // The recorder's sessions in this file: token, row id, lines so far.
    struct SessionId {
        quint64 token;
        qint64 id;
        qint64 lines;
        QString model;  // as last written
    };
    std::vector<SessionId> sessionIds_;
};

// The history's own settings file ($XDG_CONFIG_HOME/Corvane/KordexHistory.conf,
// never the connection file).
struct HistorySettings {
    bool record = true;
    // A team's PostgreSQL server: a libpq connection string or "service=NAME";
    // empty for none. Passwords stay in libpq's own files.
    QString server;
    static QString path();
    static HistorySettings load();
    bool save() const;
};

// A date given on the command line: "YYYY-MM-DD" (local midnight) or an ISO
// 8601 date and time. `endOfDay` moves a bare date to the next midnight, so
// an --until day is included.
std::optional<qint64> parseDateArgument(const QString &text, bool endOfDay);

}  // namespace kordex::history
