// S-record checks and database loads, flow control, and the modem dialogue.
#include "rig.h"

#include "panel/hayes_modem.h"
#include "panel/srecord.h"

#include <QtTest>

using namespace kordex::panel;

namespace {

// Logged on and back at the command prompt, where files are sent.
void toCommandLevel(Rig &rig)
{
    rig.login();
    rig.leaveTandem();
    rig.response.clear();
}

QList<QByteArray> goodFile()
{
    return {makeSRecord(0, 0, "HDR"), makeSRecord(1, 0x1000, "\x01\x02\x03"), makeSRecord(2, 0x12000, "ABCD"),
            makeSRecord(5, 2, {}), makeSRecord(9, 0, {})};
}

struct ModemRig {
    explicit ModemRig(HayesModem::Options o = {})
        : modem(clock, o,
                {[this](const QByteArray &b) { terminal += b; }, [this](const QByteArray &b) { panel += b; },
                 [this](bool up) { carrierLog += up ? "+" : "-"; }})
    {
    }
    // The remote program's lines end LF CR in terminal mode.
    void command(const QByteArray &text) { modem.fromTerminal(text + "\n\r"); }
    kordex::VirtualClock clock;
    QByteArray terminal, panel, carrierLog;
    HayesModem modem;
};

}  // namespace

class RecordModemTests : public QObject {
    Q_OBJECT
private slots:
    void srecordChecks()
    {
        const struct {
            QByteArray line;
            const char *error;  // empty when valid
            int type;
        } cases[] = {
            {"S00F000068656C6C6F202020202000003C", "", 0},
            {"S1137AF00A0A0D0000000000000000000000000061", "", 1},
            {"S5030004F8", "", 5},
            {"S9030000FC", "", 9},
            {"s9030000fc", "NOT AN S-RECORD", -1},
            {"S9030000fc", "", 9},
            {"S1137AF00A0A0D0000000000000000000000000062", "BAD CHECKSUM", 1},
            {"S1147AF00A0A0D0000000000000000000000000061", "BAD LENGTH", 1},
            {"S1137AF00A0A0D000000000000000000000000006", "BAD LENGTH", 1},
            {"S1137AF00A0A0D00000000000000000000000000G1", "BAD HEX DIGIT", 1},
            {"S4030000FC", "BAD RECORD TYPE", 4},
            {"S2030000FC", "BAD LENGTH", 2},  // too short for a 3-byte address
            {"S1", "BAD LENGTH", 1},
            {"ZONE 1", "NOT AN S-RECORD", -1},
        };
        for (const auto &c : cases) {
            const SRecordCheck r = checkSRecord(c.line);
            QVERIFY2(r.ok == (*c.error == 0), c.line);
            QCOMPARE(r.error, QByteArray(c.error));
            QCOMPARE(r.type, c.type);
        }
        QCOMPARE(checkSRecord("S5030004F8").address, 4u);
        for (int type : {0, 1, 2, 3, 5, 6, 7, 8, 9})
            QVERIFY(checkSRecord(makeSRecord(type, 0x42, "xyz")).ok);
    }

    void databaseLoads()
    {
        const QList<QByteArray> good = goodFile();
        QList<QByteArray> badChecksum = good;
        badChecksum[2].back() = badChecksum[2].back() == '0' ? '1' : '0';
        QList<QByteArray> wrongCount = good;
        wrongCount[3] = makeSRecord(5, 3, {});
        QList<QByteArray> blankLine = good;
        blankLine.insert(1, "");
        blankLine[3] = "S1XY";
        const struct {
            const char *name;
            QList<QByteArray> file;
            QByteArray reply;
            int accepted;
        } cases[] = {
            {"good", good, "DATABASE LOADED: 5 RECORDS ACCEPTED\r\n", 5},
            {"checksum", badChecksum, "DATABASE LOAD FAILED AT LINE 3: BAD CHECKSUM (2 RECORDS ACCEPTED)\r\n", 2},
            {"count", wrongCount, "DATABASE LOAD FAILED AT LINE 4: RECORD COUNT MISMATCH (3 RECORDS ACCEPTED)\r\n", 3},
            {"blank line counts", blankLine, "DATABASE LOAD FAILED AT LINE 4: BAD HEX DIGIT (2 RECORDS ACCEPTED)\r\n",
             2},
            {"no end", good.mid(0, 4), "DATABASE LOAD INCOMPLETE: 4 RECORDS ACCEPTED, NO END RECORD\r\n", 4},
        };
        for (const auto &c : cases) {
            Rig rig;
            toCommandLevel(rig);
            for (const QByteArray &l : c.file)  // as the remote program sends it: each line, then LF CR
                rig.feed(l + "\n\r");
            rig.clock.advance(3000);
            QCOMPARE(rig.response, c.reply + "COMMAND: ");
            QCOMPARE(rig.sim->recordsAccepted(), c.accepted);
            // Back at the prompt: commands work again.
            rig.feed("TD\r");
            QVERIFY2(rig.screen.tandem, c.name);
        }
    }

    void xoffAfterFileBytes()
    {
        PanelOptions o;
        o.xoffAfter = 40;
        o.xoffHoldMs = 500;
        Rig rig(o);
        toCommandLevel(rig);
        rig.feed("HELLO THERE, THESE ARE NOT FILE BYTES AT ALL\r");  // typed commands never count
        rig.response.clear();
        QByteArray file;
        for (const QByteArray &l : goodFile())
            file += l + "\n\r";
        int xoffAt = -1;
        for (int i = 0; i < file.size() && xoffAt < 0; ++i) {
            rig.feed(file.mid(i, 1));
            if (rig.response.contains('\x13'))
                xoffAt = i + 1;
        }
        QCOMPARE(xoffAt, 40);
        QVERIFY(rig.sim->flowHeld());
        rig.feed(file.mid(40, 5));
        QCOMPARE(rig.sim->bytesWhileHeld(), 5);
        rig.clock.advance(499);
        QVERIFY(!rig.response.contains('\x11'));
        rig.clock.advance(1);
        QVERIFY(rig.response.endsWith('\x11'));
        rig.feed(file.mid(45));
        QVERIFY(rig.response.contains("DATABASE LOADED: 5 RECORDS ACCEPTED"));
        // Without time passing no XON comes, so at most one more XOFF.
        QCOMPARE(rig.response.count('\x13'), file.size() - 45 >= 40 ? 2 : 1);
    }

    void modemDialResults()
    {
        using R = HayesModem::DialResult;
        const struct {
            R result;
            QByteArray reply;
        } cases[] = {
            {R::Connect, "\r\nCONNECT 9600\r\n"},
            {R::Busy, "\r\nBUSY\r\n"},
            {R::NoCarrier, "\r\nNO CARRIER\r\n"},
            {R::NoDialtone, "\r\nNO DIALTONE\r\n"},
            {R::NoAnswer, "\r\nNO ANSWER\r\n"},
            {R::Error, "\r\nERROR\r\n"},
            {R::Silence, ""},
        };
        for (const auto &c : cases) {
            HayesModem::Options o;
            o.dialResult = c.result;
            ModemRig m(o);
            m.command("ATZ");
            QCOMPARE(m.terminal, QByteArray("ATZ\n\r\r\nOK\r\n"));  // echo, then the result
            m.terminal.clear();
            m.command("ATE0");
            m.terminal.clear();
            m.command("ATDT 5551234");
            QCOMPARE(m.modem.dialledNumber(), QByteArray("5551234"));
            m.clock.advance(1999);
            QCOMPARE(m.terminal, c.result == R::Error ? c.reply : QByteArray());
            m.clock.advance(60000);
            QCOMPARE(m.terminal, c.reply);
            QCOMPARE(m.modem.carrier(), c.result == R::Connect);
            QCOMPARE(m.carrierLog, QByteArray(c.result == R::Connect ? "+" : ""));
        }
    }

    void modemEscapeNeedsGuardTimes()
    {
        ModemRig m;
        m.command("ATDT1");
        m.clock.advance(2000);
        QVERIFY(m.modem.carrier());
        m.terminal.clear();
        // Right after data the pluses are plain data.
        m.modem.fromTerminal("a+++");
        QCOMPARE(m.panel, QByteArray("a+++"));
        m.clock.advance(3000);
        QCOMPARE(m.terminal, QByteArray());
        // After silence they are held back; data inside the guard time makes
        // them data after all, delivered in order.
        m.modem.fromTerminal("+++");
        QCOMPARE(m.panel, QByteArray("a+++"));
        m.clock.advance(500);
        m.modem.fromTerminal("b");
        QCOMPARE(m.panel, QByteArray("a++++++b"));
        // Framed by silence: back to command mode, the call stays up.
        m.clock.advance(1000);
        m.modem.fromTerminal("+++");
        m.clock.advance(999);
        QCOMPARE(m.terminal, QByteArray());
        m.clock.advance(1);
        QCOMPARE(m.terminal, QByteArray("\r\nOK\r\n"));
        QCOMPARE(m.modem.state(), HayesModem::State::OnlineCommand);
        m.panel.clear();
        m.modem.fromPanel("lost");  // the panel's output is not shown in command mode
        QVERIFY(!m.terminal.contains("lost"));
        m.command("ATO");
        QVERIFY(m.terminal.endsWith("CONNECT 9600\r\n"));
        m.modem.fromPanel("seen");
        QVERIFY(m.terminal.endsWith("seen"));
        m.clock.advance(1500);
        m.modem.fromTerminal("+++");
        m.clock.advance(1000);
        m.terminal.clear();
        m.command("ATH");
        QCOMPARE(m.terminal, QByteArray("ATH\n\r\r\nOK\r\n"));
        QCOMPARE(m.carrierLog, QByteArray("+-"));
        QCOMPARE(m.modem.state(), HayesModem::State::Command);
        QCOMPARE(m.panel, QByteArray());
    }

    void loginThroughTheModem()
    {
        // The modem dialogue and the panel login as the remote program runs
        // them, with the modem's output in front of the panel's.
        kordex::VirtualClock clock;
        reftest::RefScreen screen;
        QByteArray response;
        std::unique_ptr<HayesModem> modem;
        PanelSim sim(clock, {}, [&](const QByteArray &b) { modem->fromPanel(b); });
        modem = std::make_unique<HayesModem>(
            clock, HayesModem::Options{},
            HayesModem::Hooks{[&](const QByteArray &b) {
                                  response += b;
                                  screen.feed(b);
                              },
                              [&](const QByteArray &b) { sim.feed(b); },
                              [&](bool up) { up ? sim.beginSession() : sim.endSession(); }});
        modem->fromTerminal("ATZ\n\r");
        QVERIFY(response.toUpper().contains("OK"));
        clock.advance(1000);
        response.clear();
        modem->fromTerminal("ATDT0299991234\n\r");
        QVERIFY(clock.advanceUntil([&] { return response.contains("CONNECT"); }, 60000));
        QVERIFY(sim.inSession());
        const auto r =
            reftest::runLogin(clock, screen, response, [&](const QByteArray &b) { modem->fromTerminal(b); }, {});
        QVERIFY2(r.ok, r.sent.toPercentEncoding());
        QCOMPARE(screen.ident, QByteArray("Q7312 1 V12"));
        clock.advance(2500);
        modem->fromTerminal("+++");
        clock.advance(2500);
        modem->fromTerminal("ATH\n\r");
        QVERIFY(!sim.inSession());
        QCOMPARE(sim.mode(), PanelSim::Mode::Idle);
    }
};

QObject *makeRecordModemTests() { return new RecordModemTests; }

#include "test_records_modem.moc"
