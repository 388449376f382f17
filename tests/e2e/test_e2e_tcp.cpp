// The real kordex, offscreen, against a scripted panel peer on loopback TCP:
// connect by the command line, log in through the prompts, enter tandem
// mode and show the face; a refused port; a reset during the login; the
// peer closing a logged-in session. The peer checks the bytes it got and
// the session trace tells what the program did.
#include "e2e_support.h"

#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <sys/socket.h>
#include <sys/stat.h>

using namespace kordex;
using namespace kordex::test;

namespace {

// A panel behind a terminal server: a password prompt after the login's
// opening, tandem mode after the right password.
class PanelPeer : public QObject {
public:
    QTcpServer server;
    QPointer<QTcpSocket> peer;
    QByteArray received;
    bool resetOnOpening = false;
    bool silent = false;       // never prompts: the login runs on
    QByteArray gatewayPrompt;  // asked first, answered with "secret"

    PanelPeer()
    {
        server.listen(QHostAddress::LocalHost);
        connect(&server, &QTcpServer::newConnection, this, [this] {
            peer = server.nextPendingConnection();
            connect(peer, &QTcpSocket::readyRead, this, [this] { onData(); });
            if (!gatewayPrompt.isEmpty())
                peer->write(gatewayPrompt);
        });
    }
    void onData()
    {
        received += peer->readAll();
        if (silent)
            return;
        if (!gatewayPrompt.isEmpty() && received.startsWith("secret\n\r")) {
            received.remove(0, 8);
            gatewayPrompt.clear();
        }
        // The end of the login's opening: ten ESC, BS, C, then CR as LF CR.
        if (received.endsWith("\bC\n\r") && !prompted_) {
            prompted_ = true;
            if (resetOnOpening) {
                const linger l{1, 0};
                ::setsockopt(int(peer->socketDescriptor()), SOL_SOCKET, SO_LINGER, &l, sizeof l);
                peer->abort();
                return;
            }
            peer->write("\r\nENTER PASSWORD: ");
        }
        if (received.endsWith("1234\n\r") && !inTandem_) {
            inTandem_ = true;
            peer->write("\x1bk\x1bY+ Q7312 1 V12\x1bY,    Zone 3 Normal");
        }
    }
    void closeSession() { peer->disconnectFromHost(); }

private:
    bool prompted_ = false, inTandem_ = false;
};

Kordex tcpTo(quint16 port, const QByteArray &gatewayPrompt = {})
{
    ConnectionRecord r;
    r.connectionType = ConnectionType::TcpIp;
    r.tcpHost = "127.0.0.1";
    r.tcpPort = QByteArray::number(port);
    r.password = "1234";
    r.auxPrompt1 = gatewayPrompt;
    r.auxReply1 = gatewayPrompt.isEmpty() ? QByteArray() : QByteArray("secret");
    return Kordex(r);
}

}  // namespace

class TestE2eTcp : public QObject {
    Q_OBJECT
private slots:
    void logsInShowsTheFaceAndEndsWhenThePeerCloses()
    {
        PanelPeer panel;
        panel.gatewayPrompt = "login: ";
        Kordex k = tcpTo(panel.server.serverPort(), panel.gatewayPrompt);
        QTRY_VERIFY2_WITH_TIMEOUT(k.traced(" mode tandem"), k.trace().constData(), kLimitMs);
        QTRY_VERIFY_WITH_TIMEOUT(k.traced("status \"Q7312: Plant Room\""), kLimitMs);
        QVERIFY(k.traced("face 1"));
        QCOMPARE(panel.received, QByteArray("H") + QByteArray(10, '\x1b') + "\bC\n\r1234\n\r");
        // The password and the gateway's answer stay out of the trace, which
        // only its owner may read.
        QVERIFY(k.traced("tx <password>"));
        QVERIFY(k.traced("tx <answer>"));
        QVERIFY(!k.trace().contains("1234"));
        QVERIFY(!k.trace().contains("secret"));
        struct stat st {};
        QCOMPARE(::stat(QFile::encodeName(k.tracePath).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, mode_t(0600));

        panel.closeSession();
        QTRY_COMPARE_WITH_TIMEOUT(k.lastStatus(), QByteArray("Disconnecting..."), kLimitMs);
        QTRY_COMPARE_WITH_TIMEOUT(k.lastStatus(), QByteArray("Not Connected"), kLimitMs);
        QVERIFY(!k.traced("# box"));  // a clean close shows no box

        // The trace is a script: its received side replays.
        QProcess replay;
        replay.start(QStringLiteral(KORDEX_REPLAY_BIN), {k.tracePath});
        QVERIFY(replay.waitForFinished(kLimitMs));
        QCOMPARE(replay.exitCode(), 0);
        QVERIFY(replay.readAllStandardOutput().contains("\"panelType\":1"));
    }

    // Nobody answers the box, and nothing waits for it: the attempt ends at
    // once, as the events decided, without a second box.
    void attemptEndsInABox_data()
    {
        QTest::addColumn<bool>("reset");  // false: nobody listens
        QTest::addColumn<QByteArray>("box");
        QTest::newRow("refused port") << false << QByteArray("\"Socket Error\" \"Connection refused - Error # 111\"");
        QTest::newRow("reset during the login")
            << true << QByteArray("\"Connection Lost\" \"Connection reset by peer\"");
    }
    void attemptEndsInABox()
    {
        QFETCH(bool, reset);
        QFETCH(QByteArray, box);
        PanelPeer panel;
        panel.resetOnOpening = reset;
        const quint16 port = panel.server.serverPort();
        if (!reset)
            panel.server.close();
        Kordex k = tcpTo(port);
        QTRY_VERIFY_WITH_TIMEOUT(k.traced("box " + box), kLimitMs);
        QTRY_COMPARE_WITH_TIMEOUT(k.lastStatus(), QByteArray("Not Connected"), kLimitMs);
        QVERIFY(!k.traced("Error on Connection"));
        QVERIFY(!k.traced("Login Failure"));
    }

    // The command line forces automatic login for its attempt only: a close
    // during that login leaves the stored record as it was.
    void commandLineLoginIsNotStored()
    {
        PanelPeer panel;
        panel.silent = true;
        Kordex k = tcpTo(panel.server.serverPort());
        QTRY_COMPARE_WITH_TIMEOUT(k.lastStatus(), QByteArray("Logging Onto Panel..."), kLimitMs);
        k.terminate();
        QVERIFY(k.process.waitForFinished(kLimitMs));
        QFile ini(k.ini);
        QVERIFY(ini.open(QIODevice::ReadOnly));
        const QByteArray stored = ini.readAll();
        QVERIFY2(stored.contains("AutoLogin=0"), stored.constData());
        QVERIFY(!stored.contains("AutoLogin=1"));
    }
};

QTEST_GUILESS_MAIN(TestE2eTcp)
#include "test_e2e_tcp.moc"
