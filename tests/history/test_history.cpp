// The event history on real SQLite files: the recorder's batches, a folder
// it cannot write, a damaged file, a kill in the middle of writing; the
// store's filters, paging and CSV against plain SQL on the same file; the
// real kordex's --history export; and a session with the simulated panel
// leaving its lines behind.
#include "../dark_palette.h"
#include "../e2e/e2e_support.h"
#include "faces/history_window.h"
#include "history/history_recorder.h"
#include "history/history_store.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTableView>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include <optional>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace kordex;
using namespace kordex::history;

namespace {

// Plain SQL on the file, beside the store.
struct RawFile {
    QString name = QStringLiteral("raw-%1").arg(quintptr(this));
    QSqlDatabase db;
    explicit RawFile(const QString &path)
    {
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.open();
    }
    ~RawFile()
    {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
    }
    QList<QVariantList> rows(const QString &sql, const QVariantList &binds = {}) const
    {
        QSqlQuery q(db);
        q.prepare(sql);
        for (const QVariant &b : binds)
            q.addBindValue(b);
        QList<QVariantList> out;
        if (!q.exec())
            qWarning() << sql << q.lastError().text();
        while (q.next()) {
            QVariantList row;
            for (int i = 0; i < q.record().count(); ++i)
                row << q.value(i);
            out << row;
        }
        return out;
    }
    QVariant scalar(const QString &sql, const QVariantList &binds = {}) const
    {
        const auto r = rows(sql, binds);
        return r.isEmpty() ? QVariant() : r.first().value(0);
    }
};

// The text index holds each line once, as it stands (FTS5 compares it with the lines).
bool textIndexMatchesLines(const RawFile &raw)
{
    QSqlQuery q(raw.db);
    return q.exec(QStringLiteral("INSERT INTO lines_fts(lines_fts, rank) VALUES ('integrity-check', 1)"));
}

HistoryFilter filterOf(const QString &site, qint64 since = LLONG_MIN, qint64 until = LLONG_MAX,
                       const QString &text = {})
{
    HistoryFilter f;
    f.site = site;
    f.sinceMs = since;
    f.untilMs = until;
    f.text = text;
    return f;
}

qint64 at(const char *isoUtc) { return QDateTime::fromString(QLatin1String(isoUtc), Qt::ISODate).toMSecsSinceEpoch(); }

// Three sites over three days; lines with 8-bit text, commas and quotes.
void fill(const QString &path)
{
    HistoryRecorder rec(path, 50);
    struct Site {
        const char *name;
        const char *transport, *address;
    };
    const Site sites[] = {{"Plant Room", "TCP/IP", "10.0.0.5:4001"},
                          {"North Wing", "serial", "COM 3"},
                          {"Caf\xc3\xa9 \"East\", 2", "modem", "COM 1, 5551234"}};
    const QByteArray texts[] = {"ZONE 003 ALARM      Level 2 east", "ZONE 005 FAULT", "ZONE 005 FAULT CLEARED",
                                "Sensor \xe9tage, \"B\"",           "SYSTEM RESET",   "zone 003 alarm ackd"};
    qint64 t = at("2026-03-01T08:00:00Z");
    for (int round = 0; round < 6; ++round)
        for (const Site &s : sites) {
            rec.startSession(QString::fromUtf8(s.name), QLatin1String(s.transport), QLatin1String(s.address), t);
            rec.add(QStringLiteral("connect started"), {}, t);
            rec.setModel(QStringLiteral("ZR9 V01"));
            for (int i = 0; i < 6; ++i)
                rec.add(QStringLiteral("line"), texts[(i + round) % 6], t += 7 * 60 * 1000);
            rec.add(QStringLiteral("link lost"), "Connection reset by peer", t);
            rec.endSession(QStringLiteral("link lost"), t);
            t += 3 * 3600 * 1000;
        }
    // Asked without waiting: told later, on this thread, once the lines are on disk (the callers read them).
    bool written = false;
    rec.requestCommit([&] { written = QThread::currentThread() == rec.thread(); });
    QVERIFY(!written);
    QTRY_VERIFY_WITH_TIMEOUT(written, 30000);
}

// RFC 4180 records.
QList<QStringList> parseCsv(const QByteArray &bytes)
{
    const QString text = QString::fromUtf8(bytes);
    QList<QStringList> out;
    QStringList record;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < text.size() && text[i + 1] == QLatin1Char('"'))
                field += text[++i];
            else if (c == QLatin1Char('"'))
                quoted = false;
            else
                field += c;
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(',')) {
            record << field;
            field.clear();
        } else if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) {
            record << field;
            out << record;
            record.clear();
            field.clear();
            ++i;
        } else {
            field += c;
        }
    }
    return out;
}

// What keeps the recorder from writing.
enum class Trouble { ReadOnly, Full, Locked };

// A small file system of its own, which can be made read-only or full: a
// folder's mode does not stop root, so as root it is a tmpfs mounted for the
// test (and the test needs root to fill it); otherwise only a folder of mode 0500.
struct SmallFileSystem {
    QString path;
    bool mounted = false;
    explicit SmallFileSystem(const QString &p) : path(p)
    {
        QDir().mkpath(path);
        mounted = ::geteuid() == 0 && mountAs(0);
    }
    ~SmallFileSystem()
    {
        if (mounted)
            ::umount2(QFile::encodeName(path).constData(), MNT_DETACH);
        else
            setReadOnly(false);
    }
    bool mountAs(unsigned long flags) const
    {
        return ::mount("tmpfs", QFile::encodeName(path).constData(), "tmpfs", flags, "size=8m,mode=0700") == 0;
    }
    bool setReadOnly(bool on) const
    {
        if (mounted)
            return mountAs(MS_REMOUNT | (on ? MS_RDONLY : 0));
        return ::chmod(QFile::encodeName(path).constData(), on ? 0500 : 0700) == 0 && ::geteuid() != 0;
    }
    // Writes a filler until the file system refuses; false if it never does.
    bool fill() const
    {
        QFile f(path + QStringLiteral("/filler"));
        if (!mounted || !f.open(QIODevice::WriteOnly))
            return false;
        const QByteArray block(4096, 'x');
        while (f.write(block) == block.size() && f.flush()) {
        }
        return f.error() != QFileDevice::NoError;
    }
    void empty() const { QFile::remove(path + QStringLiteral("/filler")); }
};

int runWriter(const QString &path)
{
    HistoryRecorder rec(path);
    rec.startSession(QStringLiteral("Plant Room"), QStringLiteral("TCP/IP"), QStringLiteral("127.0.0.1:1"), 0);
    for (int n = 1;; ++n) {
        rec.add(QStringLiteral("line"), "LINE " + QByteArray::number(n), n);
        if (n % 2000 == 0) {
            rec.commitAndWait(60000);
            std::printf("committed %d\n", n);
            std::fflush(stdout);
        }
        if (n % 100 == 0)
            ::usleep(1000);
    }
}

}  // namespace

class TestHistory : public QObject {
    Q_OBJECT
private slots:
    void filtersPagingAndExportMatchSql()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("data/Corvane/Kordex/history.sqlite"));
        fill(path);
        QFileInfo file(path), folder(file.absolutePath());
        QCOMPARE(int(file.permissions() & 0x7777),
                 int(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser));
        QCOMPARE(folder.permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::ExeOther), QFile::Permissions());
        RawFile raw(path);
        QCOMPARE(raw.scalar(QStringLiteral("PRAGMA journal_mode")).toString(), QStringLiteral("wal"));
        QCOMPARE(raw.scalar(QStringLiteral("PRAGMA user_version")).toInt(), HistoryStore::kSchemaVersion);
        QCOMPARE(raw.scalar(QStringLiteral("SELECT count(*) FROM lines")).toInt(), 18 * 8);

        HistoryStore store;
        QString message;
        QCOMPARE(store.open(path, &message, true), HistoryStore::Opened::Ok);
        QVERIFY(store.hasFullText());
        const QString cafe = QString::fromUtf8("Caf\xc3\xa9 \"East\", 2");
        QCOMPARE(store.sites(), (QStringList{cafe, QStringLiteral("North Wing"), QStringLiteral("Plant Room")}));

        struct Case {
            const char *name;
            HistoryFilter filter;
            QString where;  // the same in SQL
            QVariantList binds;
        };
        const qint64 day2 = parseDateArgument(QStringLiteral("2026-03-02"), false).value();
        const qint64 day2End = parseDateArgument(QStringLiteral("2026-03-02"), true).value();
        const QList<Case> cases = {
            {"everything", {}, QStringLiteral("1"), {}},
            {"a site",
             filterOf(QStringLiteral("North Wing")),
             QStringLiteral("site = ?"),
             {QStringLiteral("North Wing")}},
            {"a quoted site", filterOf(cafe), QStringLiteral("site = ?"), {cafe}},
            {"one local day", filterOf({}, day2, day2End), QStringLiteral("time >= ? AND time < ?"), {day2, day2End}},
            {"full text, any case",
             filterOf({}, LLONG_MIN, LLONG_MAX, QStringLiteral("Alarm")),
             QStringLiteral("instr(lower(text), 'alarm')"),
             {}},
            {"8-bit text decoded",
             filterOf({}, LLONG_MIN, LLONG_MAX, QString::fromUtf8("\xc3\xa9tage, \"b")),
             QStringLiteral("instr(text, ?)"),
             {QString::fromUtf8("\xc3\xa9tage, \"B")}},
            {"one site, other letters in any case",
             filterOf(QStringLiteral("North Wing"), LLONG_MIN, LLONG_MAX, QString::fromUtf8("\xc3\x89TAGE")),
             QStringLiteral("site = ? AND instr(text, ?)"),
             {QStringLiteral("North Wing"), QString::fromUtf8("\xc3\xa9tage")}},
            {"two letters",
             filterOf({}, LLONG_MIN, LLONG_MAX, QStringLiteral("5 ")),
             QStringLiteral("instr(text, '5 ')"),
             {}},
            {"wildcards are letters",
             filterOf({}, LLONG_MIN, LLONG_MAX, QStringLiteral("%_")),
             QStringLiteral("0"),
             {}},
            {"site, day and text",
             filterOf(QStringLiteral("Plant Room"), day2, day2End, QStringLiteral("fault")),
             QStringLiteral("site = ? AND time >= ? AND time < ? AND instr(lower(text), 'fault')"),
             {QStringLiteral("Plant Room"), day2, day2End}},
        };
        for (const Case &c : cases) {
            const auto expected = raw.rows(QStringLiteral("SELECT id FROM lines WHERE ") + c.where +
                                               QStringLiteral(" ORDER BY time DESC, id DESC"),
                                           c.binds);
            QList<qint64> want;
            for (const auto &r : expected)
                want << r.value(0).toLongLong();
            // Paged in sevens, as the window fetches.
            QList<qint64> got;
            qint64 before = HistoryStore::kNewest;
            for (;;) {
                const auto page = store.rows(c.filter, before, 7);
                for (const HistoryRow &r : page)
                    got << r.id;
                if (page.size() < 7)
                    break;
                before = page.back().id;
            }
            QVERIFY2(got == want, c.name);
            QVERIFY2(store.count(c.filter) == want.size(), c.name);
            qint64 perDay = 0;
            for (const DayCount &d : store.linesPerDay(c.filter))
                perDay += d.lines;
            QVERIFY2(perDay == want.size(), c.name);

            QBuffer csv;
            csv.open(QIODevice::WriteOnly);
            QVERIFY(store.exportCsv(c.filter, csv));
            const QList<QStringList> records = parseCsv(csv.data());
            QVERIFY2(records.size() == want.size() + 1, c.name);
            const auto sqlRows = raw.rows(
                QStringLiteral("SELECT l.site, l.kind, l.text, l.session, l.line_number, s.transport, s.address, "
                               "l.model, strftime('%Y-%m-%dT%H:%M:%fZ', l.time / 1000.0, 'unixepoch') FROM lines l "
                               "JOIN sessions s ON s.id = l.session WHERE ") +
                    QString(c.where).replace(QStringLiteral("site"), QStringLiteral("l.site")) +
                    QStringLiteral(" ORDER BY l.time DESC, l.id DESC"),
                c.binds);
            for (int i = 0; i < sqlRows.size(); ++i) {
                const QVariantList &s = sqlRows[i];
                const QStringList want2 = {s[8].toString(), s[0].toString(), s[1].toString(),
                                           s[2].toString(), s[3].toString(), s[4].toString(),
                                           s[5].toString(), s[6].toString(), s[7].toString()};
                QVERIFY2(records[i + 1] == want2, qPrintable(QStringLiteral("%1 row %2").arg(c.name).arg(i)));
            }
        }

        const auto sessions = store.sessions(QStringLiteral("Plant Room"));
        QCOMPARE(int(sessions.size()), 6);
        QCOMPARE(sessions.front().endKind, QStringLiteral("link lost"));
        QCOMPARE(sessions.front().lines, 8);
        QCOMPARE(sessions.front().model, QStringLiteral("ZR9 V01"));
        QCOMPARE(sessions.front().address, QStringLiteral("10.0.0.5:4001"));

        // Deleting one site leaves the others, and its lines leave the text index too.
        store.close();
        QCOMPARE(store.open(path, &message), HistoryStore::Opened::Ok);
        QVERIFY(store.deleteSite(QStringLiteral("Plant Room"), &message));
        QCOMPARE(store.count(filterOf(QStringLiteral("Plant Room"))), 0);
        QCOMPARE(
            store.count(filterOf({}, LLONG_MIN, LLONG_MAX, QStringLiteral("alarm"))),
            raw.scalar(QStringLiteral("SELECT count(*) FROM lines WHERE instr(lower(text), 'alarm')")).toLongLong());
        QCOMPARE(store.count({}), 12 * 8);
        QCOMPARE(store.sites().size(), 2);
        QVERIFY(textIndexMatchesLines(raw));
    }

    // A folder it cannot write, a full file system, a file another program
    // keeps locked: the recorder says so once, keeps the lines, and writes
    // them all, in order, when it can again, and says that it can.
    void troubleIsReportedOnceAndCaughtUp_data()
    {
        QTest::addColumn<int>("troubleRow");
        QTest::newRow("read-only folder") << int(Trouble::ReadOnly);
        QTest::newRow("full file system") << int(Trouble::Full);
        QTest::newRow("locked by another program") << int(Trouble::Locked);
    }
    void troubleIsReportedOnceAndCaughtUp()
    {
        QFETCH(int, troubleRow);
        const auto trouble = Trouble(troubleRow);
        QTemporaryDir dir;
        SmallFileSystem fs(dir.filePath(QStringLiteral("small")));
        const QString path = fs.path + QStringLiteral("/history.sqlite");
        QStringList messages;
        const QByteArray text(60, 'L');
        int lines = 0;
        std::optional<RawFile> locker;
        // Read-only before the recorder opens the file there, which would keep the remount from happening.
        if (trouble == Trouble::ReadOnly && !fs.setReadOnly(true))
            QSKIP("needs a folder this user cannot write in");
        {
            HistoryRecorder rec(path, 20);
            rec.onProblem = [&](const QString &m) { messages << m; };
            rec.startSession(QStringLiteral("Plant Room"), QStringLiteral("TCP/IP"), QStringLiteral("h:1"), 1);
            quint64 before = 0;
            if (trouble != Trouble::ReadOnly) {
                rec.add(QStringLiteral("line"), text, ++lines);
                QVERIFY(rec.commitAndWait(30000));
                before = rec.commits();
            }
            switch (trouble) {
            case Trouble::ReadOnly: break;
            case Trouble::Full:
                if (!fs.fill())
                    QSKIP("needs root, to mount a small file system and fill it");
                break;
            case Trouble::Locked:
                locker.emplace(path);
                QVERIFY(QSqlQuery(locker->db).exec(QStringLiteral("BEGIN IMMEDIATE")));
                break;
            }
            for (int round = 0; round < 2; ++round) {
                for (int i = 0; i < 500; ++i)
                    rec.add(QStringLiteral("line"), text, ++lines);
                QVERIFY(rec.commitAndWait(30000));
            }
            QTRY_COMPARE_WITH_TIMEOUT(messages.size(), 1, kordex::test::kLimitMs);
            QVERIFY2(messages.front().contains(QStringLiteral("not recorded")), qPrintable(messages.front()));
            QCOMPARE(rec.commits(), before);
            switch (trouble) {
            case Trouble::ReadOnly: QVERIFY(fs.setReadOnly(false)); break;
            case Trouble::Full: fs.empty(); break;
            case Trouble::Locked: locker.reset(); break;
            }
            QVERIFY(rec.commitAndWait(30000));
            QCOMPARE(rec.commits(), before + 1);
            QTRY_COMPARE_WITH_TIMEOUT(messages.size(), 2, kordex::test::kLimitMs);
            QVERIFY(messages[1].isEmpty());  // the problem is over
        }
        QCoreApplication::processEvents();
        QCOMPARE(messages.size(), 2);
        RawFile raw(path);
        QCOMPARE(raw.scalar(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
        const auto r = raw.rows(QStringLiteral("SELECT count(*), min(line_number), max(line_number), "
                                               "sum(line_number = time) FROM lines"));
        QCOMPARE(r[0], (QVariantList{lines, 1, lines, lines}));
        QVERIFY(textIndexMatchesLines(raw));
    }

    // A file of the previous schema, whose triggers kept the text index and
    // the day counts: brought up to date, each new line is indexed once, and
    // deleting a site leaves the index and the counts as the lines are.
    void previousSchemaIsUpgraded()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("history.sqlite"));
        {
            HistoryStore store;
            QString message;
            QCOMPARE(store.open(path, &message), HistoryStore::Opened::Ok);
        }
        {
            RawFile raw(path);
            QSqlQuery q(raw.db);
            for (const char *trigger :
                 {"lines_fts_insert AFTER INSERT ON lines BEGIN INSERT INTO lines_fts(rowid, text) VALUES (new.id, "
                  "new.text); END",
                  "lines_fts_delete AFTER DELETE ON lines BEGIN INSERT INTO lines_fts(lines_fts, rowid, text) VALUES "
                  "('delete', old.id, old.text); END",
                  "day_counts_delete AFTER DELETE ON lines BEGIN UPDATE day_counts SET lines = lines - 1 WHERE site = "
                  "old.site AND day = date(old.time / 1000, 'unixepoch', 'localtime'); END"})
                QVERIFY(q.exec(QStringLiteral("CREATE TRIGGER ") + QLatin1String(trigger)));
            QVERIFY(q.exec(QStringLiteral("PRAGMA user_version=3")));
        }
        {
            HistoryRecorder rec(path, 20);
            for (const char *site : {"Plant Room", "North Wing"}) {
                rec.startSession(QLatin1String(site), QString(), QString(), 1);
                rec.add(QStringLiteral("line"), "ZONE 003 ALARM", 2);
                rec.add(QStringLiteral("line"), "ZONE 004 FAULT", 3);
            }
        }
        HistoryStore store;
        QString message;
        QCOMPARE(store.open(path, &message), HistoryStore::Opened::Ok);
        QVERIFY2(store.deleteSite(QStringLiteral("Plant Room"), &message), qPrintable(message));
        RawFile raw(path);
        QCOMPARE(raw.scalar(QStringLiteral("PRAGMA user_version")).toInt(), HistoryStore::kSchemaVersion);
        QCOMPARE(raw.scalar(QStringLiteral("SELECT count(*) FROM lines_fts WHERE lines_fts MATCH 'alarm'")).toInt(), 1);
        QVERIFY(textIndexMatchesLines(raw));
        QCOMPARE(raw.scalar(QStringLiteral("SELECT group_concat(site || ' ' || lines) FROM day_counts")).toString(),
                 QStringLiteral("North Wing 2"));
    }

    void damagedFileIsKeptAndReplaced()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("history.sqlite"));
        QByteArray garbage(8192, 'x');
        for (int i = 0; i < garbage.size(); ++i)
            garbage[i] = char(i * 7919 % 251);
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(garbage);
        }
        QStringList messages;
        {
            HistoryRecorder rec(path, 20);
            rec.onProblem = [&](const QString &m) { messages << m; };
            rec.startSession(QStringLiteral("Plant Room"), QString(), QString(), 1);
            rec.add(QStringLiteral("line"), "ZONE 003 ALARM", 2);
            QVERIFY(rec.commitAndWait(30000));
            QTRY_COMPARE_WITH_TIMEOUT(messages.size(), 1, kordex::test::kLimitMs);
        }
        QVERIFY2(messages.front().contains(QStringLiteral("damaged")), qPrintable(messages.join(QLatin1Char('\n'))));
        const QStringList aside = QDir(dir.path()).entryList({QStringLiteral("history.sqlite.damaged-*")});
        QCOMPARE(aside.size(), 1);
        QFile kept(dir.filePath(aside.front()));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), garbage);
        RawFile raw(path);
        QCOMPARE(raw.scalar(QStringLiteral("SELECT text FROM lines")).toString(), QStringLiteral("ZONE 003 ALARM"));
    }

    // Killed while it writes: every committed line is there, in order,
    // without gaps, and the file is sound.
    void killedWhileWriting()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("history.sqlite"));
        QProcess writer;
        writer.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--writer"), path});
        int committed = 0;
        QByteArray out;
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                out += writer.readAllStandardOutput();
                const auto lines = out.split('\n');
                for (const QByteArray &l : lines)
                    if (l.startsWith("committed "))
                        committed = l.mid(10).toInt();
                return committed >= 8000;
            }(),
            60000);
        writer.kill();
        QVERIFY(writer.waitForFinished(10000));
        HistoryStore store;
        QString message;
        QCOMPARE(store.open(path, &message), HistoryStore::Opened::Ok);
        RawFile raw(path);
        QCOMPARE(raw.scalar(QStringLiteral("PRAGMA integrity_check")).toString(), QStringLiteral("ok"));
        const auto r =
            raw.rows(QStringLiteral("SELECT count(*), min(line_number), max(line_number), "
                                    "sum(text = 'LINE ' || line_number) FROM lines"));
        QVERIFY2(r[0][0].toInt() >= committed, qPrintable(QString::number(r[0][0].toInt())));
        QCOMPARE(r[0][1].toInt(), 1);
        QCOMPARE(r[0][2].toInt(), r[0][0].toInt());
        QCOMPARE(r[0][3].toInt(), r[0][0].toInt());
    }

    void commandLineExport()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Corvane/Kordex/history.sqlite"));
        fill(path);
        HistoryStore store;
        QString message;
        QCOMPARE(store.open(path, &message, true), HistoryStore::Opened::Ok);
        struct Case {
            QStringList args;
            HistoryFilter filter;
        };
        const qint64 day2 = parseDateArgument(QStringLiteral("2026-03-02"), false).value();
        const qint64 day3End = parseDateArgument(QStringLiteral("2026-03-03"), true).value();
        const QList<Case> cases = {
            {{}, {}},
            {{QStringLiteral("North Wing"), QStringLiteral("--grep"), QStringLiteral("FAULT")},
             filterOf(QStringLiteral("North Wing"), LLONG_MIN, LLONG_MAX, QStringLiteral("FAULT"))},
            {{QStringLiteral("--since"), QStringLiteral("2026-03-02"), QStringLiteral("--until"),
              QStringLiteral("2026-03-03")},
             filterOf({}, day2, day3End)},
        };
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), dir.path());
        for (const Case &c : cases) {
            QProcess kordex;
            kordex.setProcessEnvironment(env);
            kordex.start(QStringLiteral(KORDEX_BIN), QStringList{QStringLiteral("--history")} + c.args);
            QVERIFY(kordex.waitForFinished(60000));
            QCOMPARE(kordex.exitCode(), 0);
            QBuffer want;
            want.open(QIODevice::WriteOnly);
            QVERIFY(store.exportCsv(c.filter, want));
            QCOMPARE(kordex.readAllStandardOutput(), want.data());
        }
        QProcess bad;
        bad.setProcessEnvironment(env);
        bad.start(QStringLiteral(KORDEX_BIN),
                  {QStringLiteral("--history"), QStringLiteral("--since"), QStringLiteral("May")});
        QVERIFY(bad.waitForFinished(60000));
        QCOMPARE(bad.exitCode(), 2);
        QVERIFY(bad.readAllStandardOutput().isEmpty());
    }

    // The window's filters (the text as typed) and a click on a day give
    // what SQL gives on the same file; its export is what the filter shows.
    void windowFiltersAndExport()
    {
        QTemporaryDir dir;
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
        const QString path = dir.filePath(QStringLiteral("history.sqlite"));
        fill(path);
        RawFile raw(path);
        HistoryWindow w(path);
        bool recording = true;
        w.onRecordingSwitched = [&](bool on) { recording = on; };
        w.show();
        auto shown = [&] {
            QList<qint64> ids;
            while (w.model().canFetchMore({}))
                w.model().fetchMore({});
            for (int r = 0; r < w.model().rowCount(); ++r)
                ids << w.model().row(r).id;
            return ids;
        };
        auto sql = [&](const QString &where, const QVariantList &binds) {
            QList<qint64> ids;
            for (const auto &r : raw.rows(QStringLiteral("SELECT id FROM lines WHERE ") + where +
                                              QStringLiteral(" ORDER BY time DESC, id DESC"),
                                          binds))
                ids << r.value(0).toLongLong();
            return ids;
        };
        QCOMPARE(shown(), sql(QStringLiteral("1"), {}));

        w.site->setCurrentIndex(w.site->findText(QStringLiteral("North Wing")));
        QCOMPARE(w.sessions->topLevelItemCount(), 6);
        QCOMPARE(w.sessions->topLevelItem(0)->text(2), QStringLiteral("link lost"));
        w.text->setText(QStringLiteral("faul"));
        w.text->setText(QStringLiteral("fault"));
        QTRY_COMPARE(w.model().filter().text, QStringLiteral("fault"));
        QCOMPARE(shown(), sql(QStringLiteral("site = 'North Wing' AND instr(lower(text), 'fault')"), {}));

        // The strip's first pixel is its first day (a text search's days come from a worker thread).
        QTRY_VERIFY_WITH_TIMEOUT(!w.daysPending(), 30000);
        QTest::mouseClick(w.strip, Qt::LeftButton, {}, QPoint(0, w.strip->height() / 2));
        const QDate first = w.since->date();
        QCOMPARE(w.until->date(), first);
        QCOMPARE(first, QDateTime::fromMSecsSinceEpoch(at("2026-03-01T08:00:00Z")).date());
        const qint64 from = QDateTime(first, QTime(0, 0)).toMSecsSinceEpoch();
        const qint64 to = QDateTime(first.addDays(1), QTime(0, 0)).toMSecsSinceEpoch();
        const QList<qint64> day =
            sql(QStringLiteral("site = 'North Wing' AND instr(lower(text), 'fault') AND time >= ? AND time < ?"),
                {from, to});
        QVERIFY(!day.isEmpty());
        QCOMPARE(shown(), day);

        const QString file = dir.filePath(QStringLiteral("export.csv"));
        QString error;
        QVERIFY2(w.exportTo(file, &error), qPrintable(error));
        QFile csv(file);
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QList<QStringList> records = parseCsv(csv.readAll());
        QCOMPARE(records.size(), day.size() + 1);
        for (int i = 0; i < day.size(); ++i)
            QCOMPARE(records[i + 1][3], raw.scalar(QStringLiteral("SELECT text FROM lines WHERE id = ?"), {day[i]}));

        // Pictures for people to look at, under the light and the dark desktop.
        QVERIFY(QDir().mkpath(QStringLiteral(KORDEX_SCREENS_DIR)));
        const QPalette desktop = QApplication::palette();
        for (bool dark : {false, true}) {
            if (dark)
                QApplication::setPalette(kordex::test::darkPalette());
            QCoreApplication::sendPostedEvents();
            const QPalette p = w.table->palette();
            QVERIFY(qAbs(p.color(QPalette::Text).lightness() - p.color(QPalette::Base).lightness()) >= 100);
            QVERIFY(w.grab().save(QStringLiteral(KORDEX_SCREENS_DIR "/history%1@%2x.png")
                                      .arg(dark ? QStringLiteral("-dark") : QString())
                                      .arg(w.devicePixelRatioF())));
        }
        QApplication::setPalette(desktop);

        w.record->setChecked(false);
        QVERIFY(!recording);
        QVERIFY(!HistorySettings::load().record);
        QVERIFY(QFileInfo::exists(dir.filePath(QStringLiteral("Corvane/KordexHistory.conf"))));

        // Deleting a site, once confirmed, runs beside the window, which follows when it is done.
        w.site->setCurrentIndex(w.site->findText(QStringLiteral("North Wing")));
        auto *deleteButton = w.findChild<QPushButton *>(QStringLiteral("HistoryDelete"));
        deleteButton->click();
        QMessageBox *box = nullptr;
        QTRY_VERIFY((box = w.findChild<QMessageBox *>()) != nullptr);
        box->button(QMessageBox::Yes)->click();
        QTRY_COMPARE_WITH_TIMEOUT(w.site->findText(QStringLiteral("North Wing")), -1, kordex::test::kLimitMs);
        QVERIFY(deleteButton->isEnabled());
        QCOMPARE(raw.scalar(QStringLiteral("SELECT count(*) FROM lines WHERE site = 'North Wing'")).toInt(), 0);
        QCOMPARE(w.site->count(), 3);  // "All sites" and the two others
    }

    // The real kordex with the simulated panel over TCP/IP: the panel's
    // alarm and fault lines and the session's course are in the history. As
    // root its data folder starts full: the session goes on all the same, one
    // note says so, and everything is written once there is room again.
    void sessionWithSimulatedPanel()
    {
        QProcess panel;
        panel.start(QStringLiteral(KORDEX_PANEL_BIN),
                    {QStringLiteral("--tcp"), QStringLiteral("0"), QStringLiteral("--model"), QStringLiteral("zr9"),
                     QStringLiteral("--alarm-after"), QStringLiteral("1"), QStringLiteral("--fault-after"),
                     QStringLiteral("2")});
        QByteArray said;
        QTRY_VERIFY_WITH_TIMEOUT((said += panel.readAllStandardOutput()).contains("listening on 127.0.0.1:") &&
                                     said.indexOf('\n', said.indexOf("listening on")) > 0,
                                 kordex::test::kLimitMs);
        const qsizetype from = said.indexOf("listening on 127.0.0.1:") + 23;
        ConnectionRecord r;
        r.connectionType = ConnectionType::TcpIp;
        r.password = "QUOLL";
        r.tcpHost = "127.0.0.1";
        r.tcpPort = said.mid(from, said.indexOf('\n', from) - from).trimmed();
        kordex::test::Home k;
        k.store(r);
        SmallFileSystem data(k.home.path() + QStringLiteral("/data"));
        const bool full = data.fill();
        k.process.setProcessChannelMode(QProcess::ForwardedChannels);
        k.start({QStringLiteral("PLANT ROOM")});
        const QString path = k.home.path() + QStringLiteral("/data/Corvane/Kordex/history.sqlite");
        // What the program received, from the trace's `send` lines.
        auto received = [&] {
            QByteArray all;
            for (const QByteArray &line : k.trace().split('\n'))
                if (line.startsWith("send \""))
                    all += line.mid(6, line.size() - 7);
            return all;
        };
        if (full) {
            QTRY_VERIFY2_WITH_TIMEOUT(k.traced(" note \"Event history not recorded") && received().contains("FAULT"),
                                      k.trace().constData(), kordex::test::kLimitMs);
            QCOMPARE(k.lastStatus(), QByteArray("ZR9: Plant Room"));
            QVERIFY2(!k.traced(" box "), k.trace().constData());
            data.empty();
        }
        auto lines = [&](const QString &text) {
            HistoryStore store;
            QString message;
            return store.open(path, &message, true) == HistoryStore::Opened::Ok
                       ? store.count(filterOf(QStringLiteral("Plant Room"), LLONG_MIN, LLONG_MAX, text))
                       : 0;
        };
        QTRY_VERIFY2_WITH_TIMEOUT(lines(QStringLiteral("ALARM")) > 0 && lines(QStringLiteral("FAULT")) > 0,
                                  k.trace().constData(), kordex::test::kLimitMs);
        k.terminate();
        QVERIFY(k.process.waitForFinished(kordex::test::kLimitMs));
        panel.terminate();
        panel.waitForFinished(10000);

        HistoryStore store;
        QString message;
        QCOMPARE(store.open(path, &message, true), HistoryStore::Opened::Ok);
        const auto sessions = store.sessions(QStringLiteral("Plant Room"));
        QCOMPARE(int(sessions.size()), 1);
        QCOMPARE(sessions.front().endKind, QStringLiteral("disconnected"));
        QCOMPARE(sessions.front().transport, QStringLiteral("TCP/IP"));
        QVERIFY(sessions.front().model.startsWith(QStringLiteral("ZR9")));
        QStringList kinds;
        for (const HistoryRow &row : store.rows({}, HistoryStore::kNewest, 100000))
            if (row.kind != QLatin1String("line"))
                kinds.prepend(row.kind);
        // After the logout the panel may hang up before the program does.
        QCOMPARE(kinds.mid(0, 4), (QStringList{QStringLiteral("connect started"), QStringLiteral("tandem mode"),
                                               QStringLiteral("logged in"), QStringLiteral("disconnected")}));
        QCOMPARE(k.trace().count(" note "), full ? 1 : 0);
    }
};

int main(int argc, char **argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--writer") == 0) {
        QCoreApplication app(argc, argv);
        return runWriter(QString::fromLocal8Bit(argv[2]));
    }
    QApplication app(argc, argv);
    TestHistory test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "test_history.moc"
