// The real transports: the program on a loopback TCP port, the pty, the log
// format and the command line.
#include "rig.h"

#include "panel/byte_log.h"
#include "panel/command_line.h"
#include "panel/pty_port.h"
#include "platform/text_codec.h"

#include <QFileInfo>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <unistd.h>

using namespace kordex::panel;

namespace {
// Generous: two busy cores may start the program slowly.
constexpr int kWaitMs = 20000;
}  // namespace

class TransportTests : public QObject {
    Q_OBJECT
private slots:
    void programOnLoopbackTcp()
    {
        QTemporaryDir dir;
        const QString logPath = dir.filePath("rx.log");
        QProcess proc;
        proc.start(KORDEX_PANEL_BIN, {"--tcp", "0", "--model", "zr9fb", "--alarm-after", "1", "--log", logPath});
        QVERIFY(proc.waitForStarted(kWaitMs));
        QTRY_VERIFY_WITH_TIMEOUT(proc.canReadLine(), kWaitMs);
        const QByteArray first = proc.readLine().trimmed();
        QVERIFY2(first.startsWith("listening on 127.0.0.1:"), first);
        const quint16 port = quint16(first.mid(first.lastIndexOf(':') + 1).toUInt());
        QVERIFY(port != 0);

        QTcpSocket s;
        reftest::RefScreen screen;
        QByteArray text;
        connect(&s, &QTcpSocket::readyRead, &s, [&] {
            const QByteArray b = s.readAll();
            text += b;
            screen.feed(b);
        });
        s.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(s.waitForConnected(kWaitMs));
        s.write("\n\r");
        QTRY_VERIFY_WITH_TIMEOUT(text.contains("ENTER PASSWORD: "), kWaitMs);
        s.write("QUOLL\n\r");
        QTRY_VERIFY_WITH_TIMEOUT(screen.identCount > 0 && screen.linesAccepted > 0, kWaitMs);
        QCOMPARE(screen.ident, QByteArray("ZR9 1 V02"));
        QCOMPARE(screen.displayRows, 4);
        QTRY_VERIFY_WITH_TIMEOUT(screen.alarmAttention(), kWaitMs);
        QCOMPARE(screen.indicator(3), 'F');
        QCOMPARE(screen.linesRejected, 0);

        // One session at a time.
        QTcpSocket second;
        QByteArray secondText;
        connect(&second, &QTcpSocket::readyRead, &second, [&] { secondText += second.readAll(); });
        second.connectToHost(QHostAddress::LocalHost, port);
        QTRY_VERIFY_WITH_TIMEOUT(second.state() == QAbstractSocket::UnconnectedState, kWaitMs);
        QCOMPARE(secondText, QByteArray("PORT BUSY\r\n"));

        s.write("a");
        QTRY_VERIFY_WITH_TIMEOUT(screen.indicator(3) == 'N', kWaitMs);
        s.disconnectFromHost();
        // The port is free again once the session is gone; a new caller starts
        // at the quiet terminal.
        QTcpSocket third;
        QByteArray thirdText;
        connect(&third, &QTcpSocket::readyRead, &third, [&] { thirdText += third.readAll(); });
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                if (third.state() == QAbstractSocket::UnconnectedState) {
                    third.connectToHost(QHostAddress::LocalHost, port);
                    third.waitForConnected(kWaitMs);
                    third.write("\r");
                }
                return thirdText.contains("ENTER PASSWORD");
            }(),
            kWaitMs);

        proc.terminate();
        QVERIFY(proc.waitForFinished(kWaitMs));
        QCOMPARE(proc.exitStatus(), QProcess::NormalExit);
        QFile log(logPath);
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QByteArray logText = log.readAll();
        QVERIFY2(logText.contains(" rx QUOLL\\n\\r\n"), logText);
        QVERIFY(logText.contains(" -- session from 127.0.0.1:"));
    }

    void ptyCarriesBothWays()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath("panel");
        QString error;
        QByteArray got;
        {
            PtyPort pty;
            pty.onReceived = [&](const QByteArray &b) { got += b; };
            QVERIFY2(pty.open(&error), qPrintable(error));
            QVERIFY(QFileInfo::exists(pty.devicePath()));
            QVERIFY2(pty.makeLink(link, &error), qPrintable(error));
            QCOMPARE(QFileInfo(link).symLinkTarget(), pty.devicePath());

            const int fd = ::open(QFile::encodeName(link).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
            QVERIFY(fd >= 0);
            // Raw: CR and control bytes pass unchanged.
            const QByteArray out("ATZ\r\x1b\x03", 6);
            QCOMPARE(::write(fd, out.constData(), size_t(out.size())), ssize_t(out.size()));
            QTRY_COMPARE_WITH_TIMEOUT(got, out, kWaitMs);
            pty.send(QByteArray("OK\r\n\x13", 5));
            QByteArray back;
            QTRY_VERIFY_WITH_TIMEOUT(
                [&] {
                    char buf[64];
                    const ssize_t n = ::read(fd, buf, sizeof buf);
                    if (n > 0)
                        back += QByteArray(buf, n);
                    return back.size() >= 5;
                }(),
                kWaitMs);
            QCOMPARE(back, QByteArray("OK\r\n\x13", 5));
            ::close(fd);
            // A regular file of that name is never replaced.
            QFile plain(dir.filePath("plain"));
            QVERIFY(plain.open(QIODevice::WriteOnly));
            QVERIFY(!pty.makeLink(plain.fileName(), &error));
        }
        QVERIFY(!QFileInfo(link).isSymLink());  // removed on the way out
    }

    void logEscapes()
    {
        const std::pair<QByteArray, QByteArray> cases[] = {
            {"PLAIN text 123", "PLAIN text 123"},
            {"a\\b", "a\\\\b"},
            {"\n\r\t", "\\n\\r\\t"},
            {"\x1bY!(", "\\eY!("},
            {QByteArray("\x00\x13\x7f\xdb", 4), "\\x00\\x13\\x7F\\xDB"},
        };
        for (const auto &[in, out] : cases)
            QCOMPARE(escapeBytes(in, kordex::EscapeStyle::Log), out);
    }

    void commandLines()
    {
        auto parse = [](const QString &line) { return parseCommandLine(("kordex-panel " + line).split(' ')); };
        auto ok = parse("--tcp 0.0.0.0:2323 --model 4428 --prompts printer,user,password --user smith --xoff-after 64");
        QVERIFY2(ok.line, qPrintable(ok.error));
        QCOMPARE(ok.line->host, QHostAddress(QHostAddress::AnyIPv4));
        QCOMPARE(ok.line->port, quint16(2323));
        QCOMPARE(ok.line->panel.model, Model::As4428);
        QCOMPARE(ok.line->panel.steps, QList<Step>({Step::Printer, Step::User, Step::Password}));
        QCOMPARE(ok.line->panel.xoffAfter, 64);

        auto pty = parse("--pty /tmp/fip --modem --dial-result busy --sid 42 --alarm-after 3");
        QVERIFY2(pty.line, qPrintable(pty.error));
        QCOMPARE(pty.line->ptyLink, QString("/tmp/fip"));
        QVERIFY(pty.line->modem);
        QCOMPARE(pty.line->modemOptions.dialResult, HayesModem::DialResult::Busy);
        QCOMPARE(pty.line->panel.alarmAfterMs, 3000);
        QCOMPARE(effectiveSteps(pty.line->panel), QList<Step>({Step::Sid, Step::Password}));
        QCOMPARE(parse("--tcp 5000").line->host, QHostAddress(QHostAddress::LocalHost));

        for (const char *bad :
             {"--model 1604", "--tcp 0 --pty", "", "--tcp 70000", "--tcp 0 --prompts pin", "--tcp 0 --sid X1",
              "--tcp 0 --events maybe", "--tcp 0 extra", "--tcp 0 --scenario x"}) {
            const auto r = parse(bad);
            QVERIFY2(!r.line && !r.error.isEmpty(), bad);
        }
        QVERIFY(parse("--help").help);
    }
};

QObject *makeTransportTests() { return new TransportTests; }

#include "test_transport.moc"
