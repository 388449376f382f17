// The real kordex against the real kordex-panel: over TCP/IP, over a pty as
// a direct line, and through the simulator's Hayes modem. Both sides are
// checked: the panel's byte log and the program's session trace.
#include "e2e_support.h"

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

    // "LINK" in `args` stands for the pty's link in a folder of its own.
    explicit Panel(QStringList args)
    {
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

void expectLoggedIn(const Kordex &k, const Panel &panel, const QByteArray &status)
{
    QTRY_VERIFY2_WITH_TIMEOUT(k.traced(" mode tandem"), k.trace().constData(), kLimitMs);
    QTRY_COMPARE_WITH_TIMEOUT(k.lastStatus(), status, kLimitMs);
    QVERIFY(k.traced("tx <password>"));
    QVERIFY(!k.traced("QUOLL"));  // the simulator's password stays out of the trace
    (void)panel;                  // it answered the login: it accepted the password
}

}  // namespace

class TestE2ePanel : public QObject {
    Q_OBJECT
private slots:
    void overTcpIp()
    {
        Panel panel({QStringLiteral("--tcp"), QStringLiteral("0"), QStringLiteral("--model"), QStringLiteral("zr9")});
        const QString where = panel.said(QStringLiteral("listening on 127.0.0.1:"));
        QVERIFY(!where.isEmpty());
        TConnectionRec r;
        r.ConnectionType = 2;
        r.SocketHost = "127.0.0.1";
        r.SocketPort = where.toLatin1();
        r.Password = "QUOLL";
        Kordex k(r);
        expectLoggedIn(k, panel, "ZR9: Plant Room");
        QVERIFY(k.traced("face 6"));
        // The panel's own record of what it received holds the password.
        QTRY_VERIFY2_WITH_TIMEOUT(panel.log().contains("QUOLL"), panel.log().constData(), kLimitMs);
    }

    void overADirectLine()
    {
        Panel panel(
            {QStringLiteral("--pty"), QStringLiteral("LINK"), QStringLiteral("--model"), QStringLiteral("4428")});
        QVERIFY(!panel.said(QStringLiteral("pty ")).isEmpty());
        const QString device = QFileInfo(panel.link).canonicalFilePath();
        QVERIFY(!device.isEmpty());
        TConnectionRec r;
        r.ConnectionType = 1;
        r.ComNumber = 150;
        r.Password = "QUOLL";
        Kordex k(r, "COM150=" + device.toLocal8Bit());
        expectLoggedIn(k, panel, "ZR8816: Plant Room");
        QVERIFY(k.traced("face 5"));
    }

    void throughTheModem()
    {
        Panel panel({QStringLiteral("--pty"), QStringLiteral("LINK"), QStringLiteral("--modem"),
                     QStringLiteral("--dial-delay"), QStringLiteral("300")});
        QVERIFY(!panel.said(QStringLiteral("pty ")).isEmpty());
        TConnectionRec r;
        r.ConnectionType = 0;
        r.ComNumber = 150;
        r.PhoneNum = "5551234";
        r.Password = "QUOLL";
        Kordex k(r, "COM150=" + QFileInfo(panel.link).canonicalFilePath().toLocal8Bit());
        expectLoggedIn(k, panel, "Q7312: Plant Room");
    }
};

QTEST_GUILESS_MAIN(TestE2ePanel)
#include "test_e2e_panel.moc"
