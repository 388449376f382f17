// The real kordex against the real kordex-panel: over TCP/IP, over a pty as
// a direct line, and through the simulator's Hayes modem. Both sides are
// checked: the panel's byte log and the program's session trace, and the
// session as the event history keeps it.
#include "e2e_support.h"
#include "history/history_store.h"

#include <QFileInfo>
#include <QProcess>

using namespace kordex;
using namespace kordex::test;

namespace {

struct Panel {
    QTemporaryDir dir;
    QProcess process;
    QString logPath = dir.filePath(QStringLiteral("panel.log"));
    QString link = dir.filePath(QStringLiteral("panel-pty"));

    // `options` separated by spaces; "LINK" stands for the pty's link in a
    // folder of its own.
    explicit Panel(const QString &options)
    {
        QStringList args = options.split(QLatin1Char(' '));
        args.replaceInStrings(QStringLiteral("LINK"), link);
        args << QStringLiteral("--log") << logPath;
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.start(QStringLiteral(KORDEX_PANEL_BIN), args);
    }
    ~Panel()
    {
        process.terminate();
        if (!process.waitForFinished(10000))
            process.kill();
    }
    // The first line of its standard output that starts with `prefix`.
    QString said(const QString &prefix)
    {
        QString out;
        (void)QTest::qWaitFor(
            [&] {
                out += QString::fromLocal8Bit(process.readAllStandardOutput());
                return out.contains(prefix) && out.indexOf(QLatin1Char('\n'), out.indexOf(prefix)) > 0;
            },
            kLimitMs);
        const qsizetype at = out.indexOf(prefix);
        return at < 0 ? QString()
                      : out.mid(at + prefix.size(), out.indexOf(QLatin1Char('\n'), at) - at - prefix.size());
    }
    QByteArray log() const
    {
        QFile f(logPath);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

}  // namespace

class TestE2ePanel : public QObject {
    Q_OBJECT
private slots:
    void logsIn_data()
    {
        QTest::addColumn<QString>("options");  // of the simulator
        QTest::addColumn<int>("type");         // of the connection
        QTest::addColumn<QByteArray>("status");
        QTest::addColumn<int>("face");             // 0: not checked
        QTest::addColumn<QString>("historyAddress");  // DEVICE and PORT stand for what the test found
        QTest::newRow("over TCP/IP") << "--tcp 0 --model zr9" << 2 << QByteArray("ZR9: Plant Room") << 6
                                     << "TCP/IP 127.0.0.1:PORT";
        QTest::newRow("over a direct line") << "--pty LINK --model 4428" << 1 << QByteArray("ZR8816: Plant Room") << 5
                                            << "serial COM 150 (DEVICE)";
        QTest::newRow("through the modem") << "--pty LINK --modem --dial-delay 300" << 0
                                           << QByteArray("Q7312: Plant Room") << 0 << "modem COM 150 (DEVICE), 5551234";
    }
    void logsIn()
    {
        QFETCH(QString, options);
        QFETCH(int, type);
        QFETCH(QByteArray, status);
        QFETCH(int, face);
        QFETCH(QString, historyAddress);
        Panel panel(options);
        ConnectionRecord r;
        r.connectionType = ConnectionType(type);
        r.password = "QUOLL";
        QByteArray ports;
        if (type == 2) {
            const QString where = panel.said(QStringLiteral("listening on 127.0.0.1:"));
            QVERIFY(!where.isEmpty());
            r.tcpHost = "127.0.0.1";
            r.tcpPort = where.toLatin1();
            historyAddress.replace(QStringLiteral("PORT"), where);
        } else {
            QVERIFY(!panel.said(QStringLiteral("pty ")).isEmpty());
            const QString device = QFileInfo(panel.link).canonicalFilePath();
            QVERIFY(!device.isEmpty());
            r.comPort = 150;
            r.phoneNumber = "5551234";
            ports = "COM150=" + device.toLocal8Bit();
            historyAddress.replace(QStringLiteral("DEVICE"), device);
        }
        Kordex k(r, ports);
        QTRY_VERIFY2_WITH_TIMEOUT(k.traced(" mode tandem"), k.trace().constData(), kLimitMs);
        QTRY_COMPARE_WITH_TIMEOUT(k.lastStatus(), status, kLimitMs);
        QVERIFY(k.traced("tx <password>"));
        QVERIFY(!k.traced("QUOLL"));  // the simulator's password stays out of the trace
        if (face)
            QVERIFY(k.traced("face " + QByteArray::number(face)));
        // The history names the session's transport and where it went (committed within a second or so).
        const QString history = k.home.path() + QStringLiteral("/data/Corvane/Kordex/history.sqlite");
        auto recorded = [&] {
            history::HistoryStore store;
            QString message;
            if (store.open(history, &message, true) != history::HistoryStore::Opened::Ok)
                return QString();
            const auto sessions = store.sessions(QStringLiteral("Plant Room"));
            return sessions.empty() ? QString() : sessions.front().transport + ' ' + sessions.front().address;
        };
        QTRY_COMPARE_WITH_TIMEOUT(recorded(), historyAddress, kLimitMs);
        // The panel's own record of what it received holds the password.
        if (type == 2)
            QTRY_VERIFY2_WITH_TIMEOUT(panel.log().contains("QUOLL"), panel.log().constData(), kLimitMs);
    }
};

QTEST_GUILESS_MAIN(TestE2ePanel)
#include "test_e2e_panel.moc"
