// The program's own parts on the real clock against real peers: a panel and
// a Hayes modem on socat pseudo-terminal pairs, and a TCP/IP panel. What
// each peer receives is checked byte for byte, with its timing where the
// link promises one, and the process's CPU time while the link waits.
#include "app/program.h"
#include "link/serial_transport.h"
#include "link/tcp_socket_transport.h"
#include "platform/prompter.h"
#include "platform/qt_clock.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QSerialPort>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/resource.h>

using namespace kordex;

namespace {

constexpr int kLimitMs = 30000;
constexpr int kCom = 150;

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// What a peer received, each chunk with the time it came.
struct Received {
    QElapsedTimer clock;
    QByteArray bytes;
    std::vector<std::pair<qint64, qsizetype>> at;  // ms, offset of the chunk
    Received() { clock.start(); }
    void add(const QByteArray &b)
    {
        at.push_back({clock.elapsed(), bytes.size()});
        bytes += b;
    }
    qint64 timeOf(qsizetype offset) const
    {
        qint64 t = -1;
        for (const auto &[ms, start] : at)
            if (start <= offset)
                t = ms;
        return t;
    }
};

// A socat pair: the program opens `mine` as COM150, the peer plays `theirs`,
// by default a panel that answers the login.
class Pty : public QObject {
public:
    QTemporaryDir dir;
    QProcess socat;
    QSerialPort peer;
    Received in;
    std::function<void()> onData;
    int stage = 0;  // of the login: 1 asked for the password, 2 in tandem mode

    bool start()
    {
        const QString a = dir.filePath(QStringLiteral("mine")), b = dir.filePath(QStringLiteral("theirs"));
        socat.start(QStringLiteral("socat"), {"pty,raw,echo=0,link=" + a, "pty,raw,echo=0,link=" + b});
        if (!socat.waitForStarted(kLimitMs) ||
            !QTest::qWaitFor([&] { return QFileInfo::exists(a) && QFileInfo::exists(b); }, kLimitMs))
            return false;
        peer.setPortName(QFileInfo(b).canonicalFilePath());
        connect(&peer, &QSerialPort::readyRead, this, [this] {
            in.add(peer.readAll());
            onData ? onData() : answerAsPanel();
        });
        return peer.open(QIODevice::ReadWrite);
    }
    QString mine() const { return dir.filePath(QStringLiteral("mine")); }
    void write(const QByteArray &b)
    {
        peer.write(b);
        peer.flush();
    }
    // A password prompt after the login's opening, tandem mode after the right password.
    void answerAsPanel()
    {
        if (stage == 0 && in.bytes.endsWith("\bC\n\r")) {
            stage = 1;
            write("\r\nENTER PASSWORD: ");
        } else if (stage == 1 && in.bytes.endsWith("1234\n\r")) {
            stage = 2;
            write("\x1bk\x1bY+ Q7312 1 V12\x1bY,    Zone 3 Normal");
        }
    }
    ~Pty() override
    {
        peer.close();
        socat.kill();
        socat.waitForFinished(kLimitMs);
    }
};

struct Rig {
    QtClock clock;
    ScriptedPrompter prompter;
    SerialTransport serial;
    TcpSocketTransport socket;
    std::unique_ptr<Program> program;

    explicit Rig(const QString &ptyPath = {})
    {
        SerialPortMap map;
        if (!ptyPath.isEmpty())
            map.setOverride(kCom, ptyPath);
        serial.setPortMap(map);
        Program::Options o;
        o.flashLamps = false;
        o.serial = &serial;
        o.socket = &socket;
        program = std::make_unique<Program>(clock, prompter, o);
    }
    ~Rig() { program->link.cancelAll(); }
    SessionState &session() { return program->session; }
    void connect(ConnectionRecord r)
    {
        r.systemName = "Test";
        r.password = "1234";
        program->book.add(r);
        program->link.connectToStored(program->book.count() - 1);
    }
    bool loggedIn() const { return program->session.loggedIn && program->session.tandemMode; }
};

ConnectionRecord serialRecord(int type)
{
    ConnectionRecord r;
    r.connectionType = ConnectionType(type);
    r.comPort = kCom;
    r.flowControl = FlowControl::XonXoff;
    r.phoneNumber = "5551234";
    return r;
}

QByteArray sRecords(int n)
{
    QByteArray file;
    for (int i = 0; i < n; ++i) {
        QByteArray data = QByteArray::number(i * 7919, 16).rightJustified(8, '0').toUpper();
        file += "S2140" + QByteArray::number(0x1000 + i, 16).toUpper() + data.repeated(3) + "5A\r\n";
    }
    return file;
}

}  // namespace

class TestE2eSerial : public QObject {
    Q_OBJECT
private slots:
    void directLineLogsInAndSendsAFileUnderXonXoff()
    {
        Pty pty;
        QVERIFY(pty.start());
        Rig rig(pty.mine());
        bool held = false;
        qsizetype loginSize = 1 << 30;
        const QByteArray file = sRecords(600);
        pty.onData = [&] {
            pty.answerAsPanel();
            // Hold the line as soon as the file begins to arrive.
            if (pty.stage == 2 && !held && pty.in.bytes.size() > loginSize) {
                held = true;
                pty.write("\x13");
            }
        };
        rig.connect(serialRecord(1));
        QTRY_VERIFY_WITH_TIMEOUT(rig.loggedIn(), kLimitMs);
        const QByteArray login = pty.in.bytes;
        loginSize = login.size();
        QCOMPARE(login, QByteArray("H") + QByteArray(10, '\x1b') + "\bC\n\r1234\n\r");

        QTemporaryDir dir;
        QFile f(dir.filePath(QStringLiteral("db.s28")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(file);
        f.close();
        rig.prompter.fileReplies.push_back(f.fileName());
        rig.program->window.menuItem("LoadDatabase1")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(held, kLimitMs);

        // While the panel holds the line nothing more arrives and the program
        // sleeps.
        QTest::qWait(500);  // what was on its way when the XOFF came
        const qsizetype atHold = pty.in.bytes.size();
        const double cpuBefore = cpuSeconds();
        QTest::qWait(10000);
        const double cpu = cpuSeconds() - cpuBefore;
        QCOMPARE(pty.in.bytes.size(), atHold);
        qInfo("CPU time while the panel held the line for 10 s: %.3f s", cpu);
        QVERIFY2(cpu < 0.5, qPrintable(QString::number(cpu)));
        QVERIFY(rig.session().sendingFile);

        pty.write("\x11");
        QTRY_VERIFY_WITH_TIMEOUT(!rig.session().sendingFile, kLimitMs);
        // Every byte, in order: each line with CR alone (tandem mode).
        QByteArray expected = file;
        expected.replace("\r\n", "\r");
        // The last bytes may still be on their way when the send has handed them over.
        QTRY_COMPARE_WITH_TIMEOUT(pty.in.bytes.mid(login.size()), expected, kLimitMs);
        QCOMPARE(rig.program->window.progressLabel->text(), QStringLiteral("File sent: 600 of 600 lines"));
    }

    void aVanishedPortEndsTheSessionWithoutSpinning()
    {
        Pty pty;
        QVERIFY(pty.start());
        Rig rig(pty.mine());
        rig.connect(serialRecord(1));
        QTRY_VERIFY_WITH_TIMEOUT(rig.loggedIn(), kLimitMs);
        pty.socat.kill();
        QElapsedTimer since;
        since.start();
        QTRY_VERIFY_WITH_TIMEOUT(!rig.session().connectionActive, kLimitMs);
        QVERIFY2(since.elapsed() < 1000 + 500, qPrintable(QString::number(since.elapsed())));
        const double cpuBefore = cpuSeconds();
        QTest::qWait(1000);
        QVERIFY(cpuSeconds() - cpuBefore < 0.3);
        QCOMPARE(rig.prompter.messages.size(), size_t(1));  // reported once
        QCOMPARE(rig.prompter.messages[0].title, QStringLiteral("Connection Lost"));
        QCOMPARE(rig.session().statusText, QByteArray("Not Connected"));
    }

    void modemDialsLogsInAndHangsUpWithGuardTimes()
    {
        Pty pty;
        QVERIFY(pty.start());
        Rig rig(pty.mine());
        pty.stage = -2;  // the modem first
        pty.onData = [&] {
            const QByteArray &in = pty.in.bytes;
            if (pty.stage == -2 && in.endsWith("ATZ\n\r")) {
                pty.stage = -1;
                pty.write("ATZ\r\nok\r\n");
            } else if (pty.stage == -1 && in.endsWith("ATDT5551234\n\r")) {
                pty.stage = 0;
                pty.write("\r\nCONNECT 9600\r\n");
            } else {
                pty.answerAsPanel();
            }
        };
        rig.connect(serialRecord(0));
        QTRY_VERIFY_WITH_TIMEOUT(rig.loggedIn(), kLimitMs);
        const qsizetype logout = pty.in.bytes.size();
        rig.program->link.requestDisconnect();
        QTRY_VERIFY_WITH_TIMEOUT(!rig.session().connectionActive, kLimitMs);
        // Still in tandem mode until the link is down: CR alone.
        QTRY_COMPARE_WITH_TIMEOUT(pty.in.bytes.mid(logout), QByteArray("CQ\rQ\r+++ATH\r"), kLimitMs);
        const QByteArray tail = pty.in.bytes.mid(logout);
        const qsizetype plus = logout + tail.indexOf("+++"), ath = logout + tail.indexOf("ATH");
        QVERIFY2(pty.in.timeOf(plus) - pty.in.timeOf(plus - 1) >= 2400, "guard time before +++");
        QVERIFY2(pty.in.timeOf(ath) - pty.in.timeOf(plus + 2) >= 2400, "guard time after +++");
    }

    void modemFailures_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QByteArray>("error");
        QTest::newRow("busy") << QByteArray("BUSY\r\n") << QByteArray("Connection Not Completed - Busy");
        QTest::newRow("no carrier") << QByteArray("NO CARRIER\r\n")
                                    << QByteArray("Connection Not Completed - No Carrier from Remote Modem");
        QTest::newRow("silent modem") << QByteArray()
                                      << QByteArray("Connection Not Completed - No Response from Modem");
    }
    void modemFailures()
    {
        QFETCH(QByteArray, answer);
        QFETCH(QByteArray, error);
        Pty pty;
        QVERIFY(pty.start());
        Rig rig(pty.mine());
        bool dialled = false;
        pty.onData = [&] {
            if (answer.isEmpty())
                return;
            if (pty.in.bytes.endsWith("ATZ\n\r") && !dialled)
                pty.write("OK\r\n");
            if (pty.in.bytes.endsWith("ATDT5551234\n\r")) {
                dialled = true;
                pty.write(answer);
            }
        };
        rig.connect(serialRecord(0));
        QTRY_VERIFY_WITH_TIMEOUT(!rig.prompter.messages.empty(), kLimitMs);
        QCOMPARE(rig.prompter.messages[0].title, QStringLiteral("Error on Connection"));
        QCOMPARE(rig.prompter.messages[0].text.toLatin1(), error);
        QTRY_VERIFY_WITH_TIMEOUT(!rig.session().connectionActive, kLimitMs);
        // The modem is reset after a failure; only a dialled one is hung up.
        const QByteArray expected =
            answer.isEmpty() ? QByteArray("ATZ\n\rATZ\n\r") : QByteArray("ATZ\n\rATDT5551234\n\rATZ\n\r+++ATH\n\r");
        QTRY_COMPARE_WITH_TIMEOUT(pty.in.bytes, expected, kLimitMs);
    }

    void tcpIpFileSendPausesAfterEachLine()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        QPointer<QTcpSocket> peer;
        Received in;
        QObject::connect(&server, &QTcpServer::newConnection, [&] {
            peer = server.nextPendingConnection();
            QObject::connect(peer, &QTcpSocket::readyRead, [&] { in.add(peer->readAll()); });
        });
        Rig rig;
        ConnectionRecord r;
        r.connectionType = ConnectionType::TcpIp;
        r.tcpHost = "127.0.0.1";
        r.tcpPort = QByteArray::number(server.serverPort());
        r.autoLogin = false;
        r.tcpLinePacingMs = 150;
        rig.connect(r);
        QTRY_VERIFY_WITH_TIMEOUT(rig.session().connected && peer, kLimitMs);

        QTemporaryDir dir;
        QFile f(dir.filePath(QStringLiteral("db.s28")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        const QByteArray file = sRecords(8);
        f.write(file);
        f.close();
        rig.prompter.fileReplies.push_back(f.fileName());
        QElapsedTimer took;
        took.start();
        rig.program->window.menuItem("LoadDatabase1")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!rig.session().sendingFile, kLimitMs);
        QByteArray expected = file;
        expected.replace("\r\n", "\n\r");  // terminal mode: each CR as LF CR
        QTRY_COMPARE_WITH_TIMEOUT(in.bytes, expected, kLimitMs);
        QVERIFY2(took.elapsed() >= 8 * 150, qPrintable(QString::number(took.elapsed())));
        // Each line after the first arrives a pause after the one before.
        qsizetype start = 0;
        qint64 last = -1;
        while (start < in.bytes.size()) {
            const qint64 t = in.timeOf(start);
            if (last >= 0)
                QVERIFY2(t - last >= 140, qPrintable(QString::number(t - last)));
            last = t;
            start = in.bytes.indexOf('\r', start) + 1;
        }
    }
};

QTEST_MAIN(TestE2eSerial)
#include "test_e2e_serial.moc"
