// The tandem-mode stream, the scenario and the keys, read back through the
// reference screen.
#include "rig.h"

#include "panel/tandem_codec.h"

#include <QtTest>

using namespace kordex::panel;

namespace {

PanelOptions modelOptions(Model m, Scenario s = Scenario::Default)
{
    PanelOptions o;
    o.model = m;
    o.scenario = s;
    return o;
}

// Every indicator line the simulator wrote must have been accepted, and only
// after the identification that resets the lamps.
void checkStream(const Rig &rig)
{
    QCOMPARE(rig.screen.linesRejected, 0);
    QCOMPARE(rig.screen.linesBeforeIdent, 0);
    QVERIFY(rig.screen.linesAccepted > 0);
    for (int n = 3; n <= 28; ++n)
        QCOMPARE(rig.screen.indicator(n), rig.sim->indicator(n));
    // What the receiver shows is what the panel means to show (block cells
    // read back as underscores).
    for (int r = 0; r < rig.screen.displayRows; ++r)
        QCOMPARE(rig.row(r), rig.sim->displayRow(r).replace('\xdb', '_'));
}

}  // namespace

class TandemTests : public QObject {
    Q_OBJECT
private slots:
    void indicatorLineEncoding()
    {
        // Worked example: 0 0 5 N O Q sums to 387, 0x83 modulo 256.
        QCOMPARE(tandem::indicatorLine('0', "NOQ", false), QByteArray("005NOQ83"));
        QCOMPARE(tandem::indicatorLine('1', QByteArray(26, 'X'), true).right(2), QByteArray("8b"));
        QCOMPARE(tandem::moveTo(1, 8), QByteArray("\x1bY!("));
    }

    void eachModelIdentifiesItsFace_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<QByteArray>("ident");
        QTest::addColumn<int>("face");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("power");
        QTest::newRow("1603") << int(Model::As1603) << QByteArray("Q7312 1 V12") << 1 << 2 << 10;
        QTest::newRow("1603L") << int(Model::As1603Logic) << QByteArray("Q6150 2 V02") << 4 << 2 << 10;
        QTest::newRow("4428") << int(Model::As4428) << QByteArray("Q7312 1 V13") << 5 << 2 << 10;
        QTest::newRow("zr9") << int(Model::Zr9) << QByteArray("ZR9 1 V01") << 6 << 4 << 11;
        QTest::newRow("zr9fb") << int(Model::Zr9Brigade) << QByteArray("ZR9 1 V02") << 7 << 4 << 11;
    }
    void eachModelIdentifiesItsFace()
    {
        QFETCH(int, model);
        QFETCH(QByteArray, ident);
        QFETCH(int, face);
        QFETCH(int, rows);
        QFETCH(int, power);
        LoggedIn rig(modelOptions(Model(model)));
        QVERIFY(rig.screen.tandem);
        QCOMPARE(rig.screen.ident, ident);
        QCOMPARE(reftest::faceFor(rig.screen.ident), face);
        QCOMPARE(rig.screen.displayRows, rows);
        QCOMPARE(rig.screen.clears, 1);
        QCOMPARE(rig.row(0).trimmed(), QByteArray("SYSTEM NORMAL"));
        QVERIFY(rig.row(1).startsWith("KORDEX TRAINING SITE"));
        QCOMPARE(rig.screen.indicator(power), 'N');
        QCOMPARE(rig.screen.indicator(3), 'O');
        QCOMPARE(rig.screen.indicator(28), 'N');
        for (int unused : {15, 16, 20, 26, 27})
            QCOMPARE(rig.screen.indicator(unused), 'X');
        if (rows == 4)
            QVERIFY(rig.row(3).startsWith("ZR9"));
        checkStream(rig);
    }

    void alarmAckReset_data() { eachModelIdentifiesItsFace_data(); }
    void alarmAckReset()
    {
        QFETCH(int, model);
        PanelOptions o = modelOptions(Model(model));
        o.alarmAfterMs = 5000;
        LoggedIn rig(o);
        rig.clock.advance(4900);
        QCOMPARE(rig.screen.indicator(3), 'O');
        QVERIFY(!rig.screen.alarmAttention());
        rig.clock.advance(100);
        QCOMPARE(rig.screen.bells, 1);
        QCOMPARE(rig.screen.indicator(3), 'F');
        QCOMPARE(rig.screen.indicator(12), 'N');
        QVERIFY2(rig.screen.alarmAttention(), rig.screen.lcdText());
        QVERIFY(rig.row(0).startsWith("ZONE 003 ALARM"));
        QVERIFY(rig.row(1).startsWith("LEVEL 2 EAST WING"));
        QVERIFY(rig.screen.printerLines.last().contains("ZONE 003 ALARM"));
        if (Model(model) == Model::Zr9 || Model(model) == Model::Zr9Brigade) {
            QCOMPARE(rig.screen.indicator(7), 'N');   // routed to the brigade
            QCOMPARE(rig.screen.indicator(9), 'N');   // alarm devices sounding
            QCOMPARE(rig.screen.indicator(24), 'N');  // New Zealand fire lamp
            QCOMPARE(rig.screen.indicator(23), 'O');
        }

        rig.feed("a");
        QCOMPARE(rig.screen.indicator(3), 'N');
        QCOMPARE(rig.screen.indicator(12), 'O');
        QVERIFY(rig.row(0).startsWith("ZONE 003 ALARM ACKD"));
        QVERIFY(!rig.screen.alarmAttention());

        rig.feed("r");
        QCOMPARE(rig.screen.indicator(3), 'O');
        QCOMPARE(rig.row(0).trimmed(), QByteArray("SYSTEM NORMAL"));
        QVERIFY(rig.screen.printerLines.last().endsWith("SYSTEM RESET"));
        checkStream(rig);
    }

    void everyStateLetterIsUsed()
    {
        // Alarm at 10 s, fault from 20 s to 30 s left unacknowledged.
        LoggedIn rig;
        QSet<char> letters;
        for (int t = 0; t < 40; ++t) {
            rig.clock.advance(1000);
            for (int n = 3; n <= 28; ++n)
                letters << rig.screen.indicator(n);
            if (t == 25)
                QCOMPARE(rig.screen.indicator(5), 'Q');
        }
        QCOMPARE(rig.screen.indicator(5), 'S');  // gone but not yet acknowledged
        for (char c : {'N', 'O', 'Q', 'F', 'S', 'X'})
            QVERIFY2(letters.contains(c), &c);
        checkStream(rig);
    }

    void faultComesAndGoes()
    {
        PanelOptions o = modelOptions(Model::As1603, Scenario::Faults);
        o.faultAfterMs = 2000;
        o.faultForMs = 3000;
        LoggedIn rig(o);
        rig.clock.advance(2000);
        QCOMPARE(rig.screen.indicator(5), 'Q');
        QVERIFY(rig.row(0).startsWith("ZONE 005 FAULT "));
        QVERIFY(!rig.screen.alarmAttention());
        rig.feed("a");
        QCOMPARE(rig.screen.indicator(5), 'N');
        rig.clock.advance(3000);  // an acknowledged fault that goes leaves no trace
        QCOMPARE(rig.screen.indicator(5), 'O');
        QCOMPARE(rig.sim->eventCount(), 0);
        rig.clock.advance(2000);  // and comes back
        QCOMPARE(rig.screen.indicator(5), 'Q');
        rig.clock.advance(3000);
        QCOMPARE(rig.screen.indicator(5), 'S');
        rig.feed("a");
        QCOMPARE(rig.screen.indicator(5), 'O');
        QStringList printed;
        for (const QByteArray &l : rig.screen.printerLines)
            printed << QString::fromLatin1(l.mid(9));
        QCOMPARE(printed,
                 QStringList({"ZONE 005 FAULT      PLANT ROOM", "ZONE 005 FAULT ACKD", "ZONE 005 FAULT CLEARED",
                              "ZONE 005 FAULT      PLANT ROOM", "ZONE 005 FAULT CLEARED", "ZONE 005 FAULT ACKD"}));
        checkStream(rig);
    }

    void nextAndPrevStepThroughEvents()
    {
        PanelOptions o = modelOptions(Model::Zr9, Scenario::Multi);
        o.alarmAfterMs = 1000;
        o.faultAfterMs = 2000;
        o.faultForMs = 60000;
        LoggedIn rig(o);
        rig.clock.advance(7000);  // alarms in zones 3 and 7, fault in zone 5
        QCOMPARE(rig.sim->eventCount(), 3);
        QCOMPARE(rig.screen.indicator(14), 'F');  // several alarms
        auto shown = [&] { return rig.row(0).left(8) + rig.row(0).mid(31); };
        QCOMPARE(shown(), QByteArray("ZONE 003 1 OF 3  "));
        const QList<std::pair<QByteArray, QByteArray>> steps = {
            {"n", "ZONE 005 2 OF 3  "}, {"n", "ZONE 007 3 OF 3  "},  {"n", "ZONE 003 1 OF 3  "},
            {"p", "ZONE 007 3 OF 3  "}, {"/p", "ZONE 005 2 OF 3  "}, {"//", "ZONE 005 2 OF 3  "}};
        for (const auto &[keys, expected] : steps) {
            rig.feed(keys);
            QCOMPARE(shown(), expected);
        }
        QCOMPARE(rig.row(2), QByteArray("ALARMS 02  FAULTS 01").leftJustified(40));
        // ACK moves on to the next unacknowledged alarm.
        rig.feed("n");
        rig.feed("a");
        QVERIFY2(rig.row(0).startsWith("ZONE 003 ALARM  "), rig.row(0));
        QVERIFY(rig.screen.alarmAttention());
        rig.feed("a");
        QCOMPARE(rig.screen.indicator(3), 'N');
        checkStream(rig);
    }

    void eventDisplayKeysGatePrinterLines()
    {
        PanelOptions o;
        o.alarmAfterMs = 3000;
        o.eventDisplay = false;
        LoggedIn rig(o);
        QCOMPARE(rig.screen.indicator(28), 'O');
        rig.clock.advance(3000);
        QVERIFY(rig.screen.printerLines.isEmpty());
        rig.feed("\"");
        QCOMPARE(rig.screen.indicator(28), 'N');
        QCOMPARE(rig.screen.printerLines.size(), 1);
        QVERIFY(rig.screen.printerLines[0].endsWith("REMOTE EVENT DISPLAY ON"));
        rig.feed("a");
        QVERIFY(rig.screen.printerLines.last().endsWith("ZONE 003 ALARM ACKD"));
        rig.feed("'");
        QCOMPARE(rig.screen.indicator(28), 'O');
        const auto before = rig.screen.printerLines.size();
        rig.feed("r");
        QCOMPARE(rig.screen.printerLines.size(), before);
        // Printer lines cycle through rows 16..24 and every one is completed.
        for (int i = 0; i < 12; ++i)
            rig.feed("\"'");
        QVERIFY2(rig.screen.printerLines.size() == before + 12, rig.screen.printerLines.join("|"));
        QVERIFY(rig.screen.row >= 0 && rig.screen.row < 2);
        checkStream(rig);
    }

    void unknownKeysSayNotAvailable()
    {
        LoggedIn rig(modelOptions(Model::As1603, Scenario::Quiet));
        const QByteArray normal = rig.row(0);
        int bells = 0;
        for (char k : {'x', 'B', 'Q', '&', '!', 'W', '\x1b', '\r', '5'}) {
            rig.feed(QByteArray(1, k));
            QVERIFY2(rig.row(0).startsWith("KEY NOT AVAILABLE"), &k);
            QCOMPARE(rig.screen.bells, ++bells);
            rig.clock.advance(2000);
            QCOMPARE(rig.row(0), normal);
        }
        QCOMPARE(rig.sim->mode(), PanelSim::Mode::Tandem);
        checkStream(rig);
    }

    void redrawRepeatsIdentification()
    {
        LoggedIn rig(modelOptions(Model::As4428));
        rig.clock.advance(15000);
        const QByteArray row0 = rig.row(0);
        rig.feed("H");
        QCOMPARE(rig.screen.identCount, 2);
        QCOMPARE(rig.screen.clears, 2);
        QCOMPARE(rig.row(0), row0);
        QCOMPARE(rig.screen.indicator(3), 'F');
        checkStream(rig);
    }

    void holdingTestLightsEveryLamp()
    {
        LoggedIn rig(modelOptions(Model::As1603, Scenario::Quiet));
        rig.feed("t");
        QVERIFY(rig.row(0).startsWith("HOLD TEST KEY"));
        rig.feed("/t");
        QVERIFY(rig.sim->lampTest());
        for (int n : reportedIndicators(rig.sim->model()))
            QCOMPARE(rig.screen.indicator(n), 'N');
        QCOMPARE(rig.screen.indicator(6), 'X');
        QCOMPARE(rig.row(1), QByteArray(40, '_'));  // block cells read back as underscores
        rig.feed("/t");                             // the repeat every few seconds changes nothing
        rig.feed("//");
        QVERIFY(!rig.sim->lampTest());
        QCOMPARE(rig.screen.indicator(3), 'O');
        QCOMPARE(rig.row(0).trimmed(), QByteArray("SYSTEM NORMAL"));
        checkStream(rig);
    }

    void zoneQueryUsesTheCursor()
    {
        PanelOptions o;
        o.alarmAfterMs = 1000;
        LoggedIn rig(o);
        rig.clock.advance(1000);
        rig.feed("Z");
        QVERIFY(rig.screen.cursorVisible && rig.screen.blinking);
        QCOMPARE(std::pair(rig.screen.row, rig.screen.col), std::pair(1, 19));
        rig.feed("39");
        QCOMPARE(rig.screen.col, 21);
        rig.feed("\x08");
        QCOMPARE(rig.row(1).trimmed(), QByteArray("ENTER ZONE NUMBER: 3"));
        rig.feed("\r");
        QVERIFY(!rig.screen.cursorVisible && !rig.screen.blinking);
        QVERIFY(rig.row(0).startsWith("ZONE 003 STATUS: ALARM"));
        QVERIFY(!rig.screen.alarmAttention());
        rig.clock.advance(5000);
        QVERIFY(rig.row(0).startsWith("ZONE 003 ALARM"));
        rig.feed("Z42\r");
        QVERIFY(rig.row(0).startsWith("ZONE 042 STATUS: NOT INSTALLED"));
        checkStream(rig);
    }

    void leftInTandemStaysQuietUntilAsked()
    {
        PanelOptions o;
        o.startInTandem = true;
        o.scenario = Scenario::Quiet;
        Rig rig(o);
        rig.clock.advance(5000);
        QVERIFY(rig.out.isEmpty());
        rig.feed("H");
        QVERIFY(rig.screen.tandem);
        QCOMPARE(rig.screen.identCount, 1);
        checkStream(rig);
    }
};

QObject *makeTandemTests() { return new TandemTests; }

#include "test_tandem.moc"
