// The team's shared history on a real PostgreSQL server that the test runs
// itself (initdb in a temporary folder, loopback only, a free port, stopped
// by its PID): upload, the server going away in the middle of an upload and
// coming back, two installations sending at once, one history seen by both,
// and the history window's view of the whole team.
#include "faces/history_window.h"
#include "history/history_recorder.h"
#include "history/history_store.h"
#include "history/history_upload.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <pwd.h>
#include <set>
#include <unistd.h>

using namespace kordex::history;

namespace {

constexpr int kLimitMs = 60000;
const QString kBin = QStringLiteral("/usr/lib/postgresql/15/bin/");

// initdb and postgres refuse root: as root they run as "nobody", who owns
// the server's folder.
struct PgServer {
    QTemporaryDir dir;
    QString data = dir.filePath(QStringLiteral("data"));
    int port = 0;
    QString error;

    bool run(const QString &program, const QStringList &args)
    {
        QProcess p;
        if (::geteuid() == 0)
            p.start(QStringLiteral("runuser"),
                    QStringList{QStringLiteral("-u"), QStringLiteral("nobody"), QStringLiteral("--"), kBin + program} +
                        args);
        else
            p.start(kBin + program, args);
        if (!p.waitForFinished(kLimitMs) || p.exitCode() != 0) {
            error = program + QStringLiteral(": ") + QString::fromLocal8Bit(p.readAllStandardError());
            return false;
        }
        return true;
    }
    bool init()
    {
        if (!QFile::exists(kBin + QStringLiteral("initdb"))) {
            error = QStringLiteral("no PostgreSQL 15 in ") + kBin;
            return false;
        }
        if (::geteuid() == 0) {
            const passwd *nobody = ::getpwnam("nobody");
            if (!nobody || ::chown(QFile::encodeName(dir.path()).constData(), nobody->pw_uid, nobody->pw_gid) != 0) {
                error = QStringLiteral("cannot hand the folder to nobody");
                return false;
            }
        }
        QTcpServer probe;  // a free loopback port
        probe.listen(QHostAddress::LocalHost, 0);
        port = probe.serverPort();
        probe.close();
        return run(QStringLiteral("initdb"),
                   {QStringLiteral("-D"), data, QStringLiteral("-U"), QStringLiteral("kordex"),
                    QStringLiteral("--auth=trust"), QStringLiteral("-E"), QStringLiteral("UTF8")}) &&
               start();
    }
    bool start()
    {
        return run(QStringLiteral("pg_ctl"),
                   {QStringLiteral("-D"), data, QStringLiteral("-l"), dir.filePath(QStringLiteral("log")),
                    QStringLiteral("-w"), QStringLiteral("-o"),
                    QStringLiteral("-k %1 -h 127.0.0.1 -p %2 -c fsync=off").arg(dir.path()).arg(port),
                    QStringLiteral("start")});
    }
    qint64 pid() const
    {
        QFile f(data + QStringLiteral("/postmaster.pid"));
        return f.open(QIODevice::ReadOnly) ? f.readLine().trimmed().toLongLong() : 0;
    }
    // Gone at once, as a crash or a pulled cable looks to the client.
    void stop()
    {
        const qint64 p = pid();
        if (p <= 0)
            return;
        ::kill(pid_t(p), SIGQUIT);
        (void)QTest::qWaitFor([&] { return ::kill(pid_t(p), 0) != 0; }, kLimitMs);
    }
    ~PgServer() { stop(); }
    QString connection() const
    {
        return QStringLiteral("host=127.0.0.1 port=%1 user=kordex dbname=postgres connect_timeout=5").arg(port);
    }
};

void record(const QString &path, const QString &site, int lines, int firstNumber)
{
    HistoryRecorder rec(path, 50);
    rec.startSession(site, QStringLiteral("TCP/IP"), QStringLiteral("10.0.0.9:4001"), 1000);
    for (int i = 0; i < lines; ++i)
        rec.add(QStringLiteral("line"), "ZONE " + QByteArray::number(firstNumber + i) + " ALARM", 1000 + i);
    rec.endSession(QStringLiteral("disconnected"), 1000 + lines);
    QVERIFY(rec.commitAndWait(kLimitMs));
}

qint64 localLines(const QString &path)
{
    HistoryStore s;
    QString message;
    s.open(path, &message, true);
    return s.count({});
}

// Every team line of a site, asked as the window asks.
std::vector<HistoryRow> teamLines(const QString &server, const QString &site, QString *error)
{
    HistoryFilter f;
    f.site = site;
    HistoryUploader::TeamView view = HistoryUploader::teamView(server, f, 1000000);
    *error = view.error;
    return view.rows;
}

}  // namespace

class TestHistoryUpload : public QObject {
    Q_OBJECT
    PgServer server;
    QTemporaryDir dir;

private slots:
    void initTestCase() { QVERIFY2(server.init(), qPrintable(server.error)); }

    // The server dies while batches go up, and comes back: everything
    // arrives, nothing twice, and the window's count of what is left is 0.
    void serverGoneMidUploadAndBack()
    {
        const QString path = dir.filePath(QStringLiteral("a.sqlite"));
        record(path, QStringLiteral("Plant Room"), 20000, 0);
        QStringList problems;
        {
            HistoryUploader up(path, server.connection(), 100);
            up.onProblem = [&](const QString &m) { problems << m; };
            QTRY_VERIFY_WITH_TIMEOUT(up.sent() > 0, kLimitMs);
            server.stop();
            QTRY_COMPARE_WITH_TIMEOUT(problems.size(), 1, kLimitMs);
            {
                HistoryStore s;
                QString message;
                s.open(path, &message, true);
                QVERIFY(s.pendingUpload(server.connection()) > 0);
            }
            QVERIFY2(server.start(), qPrintable(server.error));
            QVERIFY(up.waitUntilSent(kLimitMs));
            QTRY_COMPARE_WITH_TIMEOUT(problems.size(), 2, kLimitMs);
        }
        QString error;
        const auto team = teamLines(server.connection(), QStringLiteral("Plant Room"), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(qint64(team.size()), localLines(path));
        std::set<qint64> numbers;
        for (const HistoryRow &r : team)
            numbers.insert(r.lineNumber);
        QCOMPARE(qint64(numbers.size()), qint64(team.size()));
        HistoryStore s;
        QString message;
        s.open(path, &message, true);
        QCOMPARE(s.pendingUpload(server.connection()), 0);
        QVERIFY(problems[1].isEmpty());  // the outage is over
    }

    // Two installations at once on one site; each sees the other's lines.
    void twoInstallationsOneHistory()
    {
        const QString a = dir.filePath(QStringLiteral("b1.sqlite")), b = dir.filePath(QStringLiteral("b2.sqlite"));
        record(a, QStringLiteral("North Wing"), 3000, 0);
        record(b, QStringLiteral("North Wing"), 3000, 100000);
        {
            HistoryUploader first(a, server.connection(), 50), second(b, server.connection(), 50);
            QVERIFY(first.waitUntilSent(kLimitMs));
            QVERIFY(second.waitUntilSent(kLimitMs));
        }
        QString error;
        const auto team = teamLines(server.connection(), QStringLiteral("North Wing"), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(qint64(team.size()), localLines(a) + localLines(b));
        int fromB = 0;
        for (const HistoryRow &r : team)
            fromB += r.text.contains(QLatin1String("ZONE 1000"));
        QVERIFY(fromB > 0);
        // A second look (the other installation's) gives the same rows.
        const auto again = teamLines(server.connection(), QStringLiteral("North Wing"), &error);
        QCOMPARE(again.size(), team.size());
    }

    // The window's Team switch: the server's sites and lines, asked off the
    // GUI thread (the switch returns before the answer), filtered like the
    // local ones, capped at the newest, and the server's absence told.
    void windowShowsTheTeam()
    {
        const QString a = dir.filePath(QStringLiteral("b1.sqlite"));  // knows only North Wing locally
        kordex::HistoryWindow w(a);
        QVERIFY(w.team->isHidden());
        w.setServer(server.connection());
        QVERIFY(!w.team->isHidden());
        auto teamCount = [&](const QString &site, const QString &text) {
            QString error;
            qint64 n = 0;
            for (const HistoryRow &r : teamLines(server.connection(), site, &error))
                n += r.text.contains(text, Qt::CaseInsensitive);
            return n;
        };
        auto answered = [&] { return !w.status->text().startsWith(QLatin1String("Asking")); };
        w.team->setChecked(true);
        QCOMPARE(w.status->text(), QStringLiteral("Asking the team server..."));
        QTRY_VERIFY_WITH_TIMEOUT(answered(), kLimitMs);
        QVERIFY2(w.site->findText(QStringLiteral("Plant Room")) > 0, qPrintable(w.status->text()));

        struct Case {
            const char *site, *text;
        } const cases[] = {{"Plant Room", ""}, {"North Wing", "zone 1000"}, {"", "ZONE 2"}};
        for (const Case &c : cases) {
            const QString site = QLatin1String(c.site), text = QLatin1String(c.text);
            w.site->setCurrentIndex(site.isEmpty() ? 0 : w.site->findText(site));
            w.text->setText(text);
            QTRY_VERIFY_WITH_TIMEOUT(answered() && w.model().filter().text == text && w.model().filter().site == site,
                                     kLimitMs);
            const qint64 want = teamCount(site, text);
            QVERIFY2(w.model().total() == std::min<qint64>(want, kordex::HistoryWindow::kTeamRows),
                     qPrintable(w.status->text()));
            QCOMPARE(w.model().totalIsLowerBound(), want > kordex::HistoryWindow::kTeamRows);
            for (int r = 0; r < w.model().rowCount(); ++r) {
                QVERIFY(site.isEmpty() || w.model().row(r).site == site);
                QVERIFY(w.model().row(r).text.contains(text, Qt::CaseInsensitive));
                QVERIFY(r == 0 || w.model().row(r - 1).timeMs >= w.model().row(r).timeMs);
            }
        }
        w.text->clear();
        w.team->setChecked(false);
        QCOMPARE(w.site->findText(QStringLiteral("Plant Room")), -1);  // the local sites again
        QCOMPARE(w.model().total(), localLines(a));

        server.stop();
        w.team->setChecked(true);
        QTRY_VERIFY_WITH_TIMEOUT(answered(), kLimitMs);
        QVERIFY2(w.status->text().startsWith(QLatin1String("Team server: ")), qPrintable(w.status->text()));
        QCOMPARE(w.model().rowCount(), 0);
    }
};

QTEST_MAIN(TestHistoryUpload)
#include "test_history_upload.moc"
