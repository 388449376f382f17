// Capture to file and file send through the replay script language, with
// the files in a temporary folder: what reaches the disk and the wire, when,
// and what the menus say.
#include "replay/replay_script.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace kordex;

namespace {

struct Run {
    QTemporaryDir dir;
    QJsonObject last;

    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }
    void write(const char *name, const QByteArray &bytes)
    {
        QFile f(path(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray read(const char *name) const
    {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    // Runs the script with @NAME standing for a file in the folder; every
    // `expect` line must hold.
    void script(QByteArray text)
    {
        text.replace("@", (dir.path() + QStringLiteral("/")).toLocal8Bit());
        const ScriptResult r =
            runScript(text, [this](const QByteArray &d) { last = QJsonDocument::fromJson(d).object(); });
        QVERIFY2(r.exitCode == 0, qPrintable(r.messages.join(QLatin1Char('\n'))));
    }
    // What went over the wire, joined.
    QByteArray wire() const
    {
        QByteArray out;
        for (const QJsonValue &e : last.value(QStringLiteral("sent")).toArray())
            out += e.toArray().at(1).toString().toLatin1();
        return out;
    }
};

const QByteArray kTerminalLink = R"(
record "Site A" ConnectionType=2 SocketHost="gw" SocketPort="23" AutoLogin=0
connect "Site A"
)";

}  // namespace

class TestFiles : public QObject {
    Q_OBJECT
private slots:
    void captureWritesEachCompletedLineWithCrLf()
    {
        Run r;
        r.script(kTerminalLink + R"(
capture "@cap"
expect capturing true
expect menu.SaveDatabase1.caption "End &Capture"
expect menu.LoadDatabase1.visible false
send "LINE ONE\r\nhalf"
send " two\r"
send "\ek\eY+ Q7312 1 V12\eY0 PRINTER 1\r\n"
wait 1500
send "unfinished"
endcapture
expect capturing false
expect menu.SaveDatabase1.caption "&Capture to File..."
expect menu.LoadDatabase1.visible true
send "after\r"
dump
)");
        // Terminal lines, the printer area and the identification echo.
        const QByteArray c = r.read("cap");
        QVERIFY2(c.startsWith("LINE ONE\r\nhalf two\r\n"), c.constData());
        QVERIFY2(c.contains("PRINTER 1\r\n"), c.constData());
        QVERIFY2(c.contains("Q7312 1 V12"), c.constData());
        QVERIFY(!c.contains("unfinished") && !c.contains("after"));
    }

    void captureDialogAndItsFailures()
    {
        Run r;
        // A path that cannot be created: nothing starts, no box.
        r.script(kTerminalLink + R"(
capture "@no/such/folder/cap.txt"
expect capturing false
expect boxes []
expect menu.SaveDatabase1.caption "&Capture to File..."
expect menu.LoadDatabase1.visible true
)");
        // Lines withheld from the screen while a login is pending are not
        // captured; a disconnect ends the capture and closes the file.
        r.script(kTerminalLink + R"(
capture "@cap"
set autologin 1
send "HIDDEN\r"
set autologin 0
send "SHOWN\r"
disconnect
expect capturing false
expect menu.SaveDatabase1.caption "&Capture to File..."
send "LATE\r"
)");
        QCOMPARE(r.read("cap"), QByteArray("SHOWN\r\n"));
        ReplaySession s(true);
        ConnectionRecord rec;
        rec.systemName = "Plant Room";
        s.link.currentConnection = rec;
        s.prompter.files.push_back(r.path("x"));
        s.link.toggleCapture();
        QCOMPARE(s.prompter.fileDialogs.size(), size_t(1));
        QCOMPARE(s.prompter.fileDialogs[0].title, QStringLiteral("Capture to File as..."));
        QCOMPARE(s.prompter.fileDialogs[0].proposedName, QStringLiteral("Plant Room"));
        QCOMPARE(s.prompter.fileDialogs[0].defaultSuffix, QStringLiteral("txt"));
    }

    void sendPacesLinesOverTcpIp_data()
    {
        QTest::addColumn<int>("pacing");
        QTest::addColumn<QByteArray>("expectations");
        // Three lines, the last without a line end; terminal mode: CR as LF CR.
        QTest::newRow("pacing 500") << 500 << QByteArray(R"(
expect menu.LoadDatabase1.caption "&Close File Send"
expect menu.SaveDatabase1.visible false
expect-prefix progress "Sending file: line 1 of 3 "
expect sent.2 [0,"\r"]
expect sent.3 null
wait 499
expect sent.3 null
wait 1
expect sent.3 [500,"B"]
wait 500
expect sent.6 [1000,"C"]
expect sendingFile true
wait 500
expect sendingFile false
expect progress "File sent: 3 of 3 lines"
)");
        QTest::newRow("pacing 0") << 0 << QByteArray(R"(
expect sent.8 [0,"\r"]
expect sendingFile false
)");
    }
    void sendPacesLinesOverTcpIp()
    {
        QFETCH(int, pacing);
        QFETCH(QByteArray, expectations);
        Run r;
        r.write("db.s28", "A\r\nB\nC");
        r.script(QByteArray(R"(
record "Gate" ConnectionType=2 SocketHost="gw" SocketPort="23" AutoLogin=0 TcpIpLinePacing=)") +
                 QByteArray::number(pacing) + R"(
connect "Gate"
sendfile "@db.s28"
)" + expectations +
                 R"(
expect menu.LoadDatabase1.caption "&Send File..."
expect menu.SaveDatabase1.visible true
)");
        QCOMPARE(r.wire(), QByteArray("A\n\rB\n\rC\n\r"));
    }

    void sendWaitsOnTheHoldStatusAndStops()
    {
        Run r;
        r.write("db.s28", "S1\nS2\nS3\n");
        // A direct line with XON/XOFF: an XOFF halts the send until XON; a CTS
        // hold does not count for XON/XOFF. Tandem mode: CR alone.
        r.script(R"(
record "Line" ConnectionType=1 AutoLogin=0 FlowControl=1
connect "Line"
send "\eY  "
hold xoff
sendfile "@db.s28"
expect sent []
wait 60000
expect sent []
hold cts
expect sent.0.1 "S"
expect sent.2.1 "\r"
expect sent.8.1 "\r"
expect sendingFile false
)");
        // RTS/CTS: a CTS hold halts it; the operator stops it mid-line.
        r.script(R"(
record "Line" ConnectionType=1 AutoLogin=0 FlowControl=2
connect "Line"
hold cts
sendfile "@db.s28"
expect sent []
stopsend
expect sendingFile false
hold none
wait 1000
expect sent []
expect menu.LoadDatabase1.caption "&Send File..."
)");
    }

    void emptyUnreadableAndTornDown()
    {
        Run r;
        r.write("empty", "");
        r.script(kTerminalLink + R"(
sendfile "@empty"
expect sendingFile false
expect sent []
expect progress "File sent: 0 of 0 lines"
sendfile "@missing.s28"
expect boxes [{"caption":"Error","text":"Database Read Error"}]
expect menu.LoadDatabase1.caption "&Send File..."
)");
        // A disconnect stops a running send after its current character, and
        // nothing more goes out.
        r.write("db.s28", "LINE1\nLINE2\n");
        r.script(R"(
record "Gate" ConnectionType=2 SocketHost="gw" SocketPort="23" AutoLogin=0 TcpIpLinePacing=100
connect "Gate"
sendfile "@db.s28"
disconnect
expect sendingFile false
wait 7000
expect statusText "Not Connected"
expect menu.LoadDatabase1.caption "&Send File..."
)");
        QCOMPARE(r.wire(), QByteArray("LINE1\n\r"));
    }

    // Another record on the same link ends a running send before the logout:
    // no line of it goes out among the logout and login keys.
    void reloginOnTheSameLinkEndsTheSend()
    {
        Run r;
        r.write("db.s28", "LINE1\nLINE2\nLINE3\nLINE4\n");
        r.script(R"(
record "A" ConnectionType=2 SocketHost="gw" SocketPort="23" SID=1 TcpIpLinePacing=500
record "B" ConnectionType=2 SocketHost="gw" SocketPort="23" SID=2 TcpIpLinePacing=500
connect "A"
wait 2500
send "\eY+ Q7312 1 V12"
sendfile "@db.s28"
wait 600
connect "B"
expect sendingFile false
expect menu.LoadDatabase1.caption "&Send File..."
expect progress "File send stopped: another connection logs in on this link"
expect statusText "Logging Onto Panel..."
wait 5000
)");
        const QByteArray wire = r.wire();
        const qsizetype logout = wire.indexOf("LINE2\rCQ\rQ\r");
        QVERIFY2(logout > 0, wire.constData());
        QVERIFY(!wire.mid(logout + 5).contains("LINE"));
    }

    // "File sent" once the tail has left the port, not while it waits in a
    // queue; a close that throws queued bytes away says so.
    void sentMeansOnTheWire()
    {
        Run r;
        r.write("db.s28", "S1\nS2\n");
        r.script(R"script(
record "Line" ConnectionType=1 AutoLogin=0 FlowControl=0
connect "Line"
txpending 12
sendfile "@db.s28"
expect sent.5.1 "\n\r"
expect sendingFile true
expect progress "Sending file: line 2 of 2 (100 %)"
wait 60000
expect sendingFile true
txpending 0
expect sendingFile false
expect progress "File sent: 2 of 2 lines"
txpending 7
disconnect
wait 5000
expect statusText "Not Connected"
expect progress "7 bytes not yet sent were discarded by the close"
)script");
    }

    // A FIFO typed into the open dialog is refused, not waited on.
    void aFifoIsNoDatabase()
    {
        Run r;
        QCOMPARE(::mkfifo(QFile::encodeName(r.path("fifo")).constData(), 0600), 0);
        r.script(kTerminalLink + R"(
sendfile "@fifo"
expect boxes [{"caption":"Error","text":"Database Read Error"}]
expect sendingFile false
expect sent []
)");
    }
};

QTEST_GUILESS_MAIN(TestFiles)
#include "test_files.moc"
