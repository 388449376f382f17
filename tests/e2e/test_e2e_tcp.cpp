// The real kordex, offscreen, against a scripted panel peer on loopback TCP:
// connect by the command line, log in through the prompts, enter tandem
// mode and show the face; a refused port; a reset during the login; the
// peer closing a logged-in session. The peer checks the bytes it got and
// the session trace tells what the program did.
#include "config/configuration.h"

#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/socket.h>

using namespace kordex;

namespace {

constexpr int kLimitMs = 30000;

// A panel behind a terminal server: a password prompt after the login's
// opening, tandem mode after the right password.
class PanelPeer : public QObject {
public:
    QTcpServer server;
    QPointer<QTcpSocket> peer;
    QByteArray received;
    bool resetOnOpening = false;

    PanelPeer()
    {
        server.listen(QHostAddress::LocalHost);
        connect(&server, &QTcpServer::newConnection, this, [this] {
            peer = server.nextPendingConnection();
            connect(peer, &QTcpSocket::readyRead, this, [this] { onData(); });
        });
    }
    void onData()
    {
        received += peer->readAll();
        // The end of the login's opening: ten ESC, BS, C, then CR as LF CR.
        if (received.endsWith("\x08" "C\n\r") && !prompted_) {
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

struct Kordex {
    QTemporaryDir home;
    QProcess process;
    QString tracePath;

    explicit Kordex(quint16 port)
    {
        ConnectionBook book;
        TConnectionRec r;
        r.SystemName = "Plant Room";
        r.ConnectionType = 2;
        r.SocketHost = "127.0.0.1";
        r.SocketPort = QByteArray::number(port);
        r.Password = "1234";
        r.AutoLogin = false;  // the command line forces it on
        book.add(r);
        StorageFolders folders{QString(), home.path() + QStringLiteral("/Corvane/Kordex/"), true};
        QDir().mkpath(folders.sharedDataFolder);
        struct Silent final : Prompter {
            void message(const QString &, const QString &, Icon) override {}
            bool askYesNo(const QString &, const QString &) override { return false; }
            std::optional<QString> openFileName(const FileDialog &) override { return {}; }
            std::optional<QString> saveFileName(const FileDialog &) override { return {}; }
            void beep() override {}
        } silent;
        Configuration(folders, silent).SaveConnections(book);

        tracePath = home.filePath(QStringLiteral("session.trace"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(QStringLiteral(KORDEX_BIN), {QStringLiteral("--trace"), tracePath, QStringLiteral("PLANT ROOM")});
    }
    ~Kordex()
    {
        if (process.state() != QProcess::NotRunning) {
            ::kill(pid_t(process.processId()), SIGTERM);
            if (!process.waitForFinished(10000))
                process.kill();
            process.waitForFinished(5000);
        }
    }
    QByteArray trace() const
    {
        QFile f(tracePath);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    bool traced(const QByteArray &what) const { return trace().contains(what); }
    QByteArray lastStatus() const
    {
        const QByteArray t = trace();
        const qsizetype at = t.lastIndexOf(" status \"");
        return at < 0 ? QByteArray() : t.mid(at + 9, t.indexOf('\n', at) - at - 10);
    }
};

} // namespace

class TestE2eTcp : public QObject {
    Q_OBJECT
private slots:
    void logsInShowsTheFaceAndEndsWhenThePeerCloses()
    {
        PanelPeer panel;
        Kordex k(panel.server.serverPort());
        QTRY_VERIFY2_WITH_TIMEOUT(k.traced(" mode tandem"), k.trace().constData(), kLimitMs);
        QTRY_VERIFY_WITH_TIMEOUT(k.traced("status \"Q7312: Plant Room\""), kLimitMs);
        QVERIFY(k.traced("face 1"));
        QCOMPARE(panel.received, QByteArray("H") + QByteArray(10, '\x1b') + "\x08" "C\n\r1234\n\r");
        // The password stays out of the trace.
        QVERIFY(k.traced("tx <password>"));
        QVERIFY(!k.trace().contains("1234"));

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

    void refusedPortShowsTheSocketError()
    {
        quint16 port = 0;
        {
            QTcpServer closed;
            closed.listen(QHostAddress::LocalHost);
            port = closed.serverPort();
        }
        Kordex k(port);
        QTRY_VERIFY_WITH_TIMEOUT(k.traced("box \"Socket Error\" \"Connection refused - Error # 111\""), kLimitMs);
        QVERIFY(!k.traced("Error on Connection"));
    }

    void resetDuringTheLoginEndsTheAttempt()
    {
        PanelPeer panel;
        panel.resetOnOpening = true;
        Kordex k(panel.server.serverPort());
        QTRY_VERIFY_WITH_TIMEOUT(k.traced("box \"Connection Lost\" \"Connection reset by peer\""), kLimitMs);
        // The box waits for the operator; what follows it is the scripts' to check.
        QVERIFY(!k.traced("Error on Connection"));
    }
};

QTEST_GUILESS_MAIN(TestE2eTcp)
#include "test_e2e_tcp.moc"
