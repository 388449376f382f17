// Engine behaviour that scripts cannot reach easily: clock semantics, the
// incremental screen comparison, flash rates, face selection, mode switch.
#include "bench/engine_rig.h"
#include "core/engine.h"
#include "face_logic/face_binding.h"
#include "face_logic/face_layout.h"
#include "platform/clock.h"
#include "replay/recording_view.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace kordex;

namespace {
struct Rig : ConnectedEngine<RecordingView> {
    void send(const QByteArray &b) { engine.receive(b); }
    void tick() { engine.flash.tick(); }
};
}  // namespace

// The display text built straight from the rows, for comparison with the cached one.
static QByteArray composeFromRows(const DisplayModel &d, int type)
{
    QByteArrayList lines;
    for (int r = 0; r < (type == 6 || type == 7 ? 4 : 2); ++r) {
        QByteArray row = d.row(r);
        const qsizetype nul = row.indexOf('\0');
        lines << row.left(nul < 0 ? 40 : std::min<qsizetype>(nul, 40));
    }
    return lines.join("\r\n");
}

class EngineTests : public QObject {
    Q_OBJECT
private slots:
    void timerStartKeepsCount()
    {
        VirtualClock clock;
        int ticks = 0;
        Timer t(clock, 1000, [&] { ++ticks; });
        t.start();
        clock.advance(600);
        t.start();  // already running: the count goes on
        clock.advance(400);
        QCOMPARE(ticks, 1);
        t.restart();  // stop and start: a fresh count
        clock.advance(999);
        QCOMPARE(ticks, 1);
        clock.advance(1);
        QCOMPARE(ticks, 2);
    }

    void timerOneShotAndOrder()
    {
        VirtualClock clock;
        QStringList order;
        Timer a(clock, 100, [&] { order << "a"; });
        Timer b(clock, 100, [&] {
            order << "b";
            b.stop();
        });
        b.start();
        a.start();
        clock.advance(300);
        // Equal due times fire in the order the timers were started; b is one-shot.
        QCOMPARE(order, QStringList({"b", "a", "a", "a"}));
        QVERIFY(!b.isRunning());
        QVERIFY(a.isRunning());
        QCOMPARE(clock.nowMs(), 300);
    }

    void timerAdvanceUntil()
    {
        VirtualClock clock;
        bool done = false;
        Timer t(clock, 27000, [&] {
            done = true;
            t.stop();
        });
        t.start();
        QVERIFY(!clock.advanceUntil([&] { return done; }, 26999));
        QVERIFY(clock.advanceUntil([&] { return done; }, 5000));
        QCOMPARE(clock.nowMs(), 27000);
    }

    // The incremental "screen differs from shadow" state and the cached display
    // text must answer exactly as the full computations would, whatever the stream.
    void incrementalComparisonMatchesFullComparison()
    {
        const char alphabet[] = "\x1bYkK\r\n\x07\x17\x18\x19 -+0!AZ\xdb\x00\x7f\x80";
        for (int type : {0, 1, 5, 6, 7}) {
            Rig rig;
            rig.engine.switchMode();
            rig.engine.session.setPanelType(type);
            rig.engine.display.composeLcdText();
            auto *rng = QRandomGenerator::global();
            for (int i = 0; i < 20000; ++i) {
                const char b =
                    rng->bounded(3) == 0 ? char(rng->bounded(256)) : alphabet[rng->bounded(int(sizeof alphabet - 1))];
                rig.engine.receive(&b, 1);
                QCOMPARE(rig.engine.display.differsFromShadow(), rig.engine.display.compareAllWithShadow());
                if (i % 7 == 0)
                    QCOMPARE(rig.engine.display.composeLcdText(),
                             composeFromRows(rig.engine.display, rig.engine.session.panelType()));
            }
        }
    }

    // The parser hands over runs; whatever the pieces a stream arrives in,
    // the screen, the display text, the event screen and the timers end the same.
    void streamDecodesTheSameInAnyPieces()
    {
        const char alphabet[] = "\x1bYkK\r\n\x07\x08\x17\x18\x19 -+0!+,AZ\xdb\x00\x7f\x80";
        auto *rng = QRandomGenerator::global();
        for (int type : {0, 1, 4, 5, 6, 7}) {
            for (int round = 0; round < 20; ++round) {
                QByteArray stream;
                for (int i = 0; i < 3000; ++i) {
                    const int pick = rng->bounded(10);
                    if (pick == 0)
                        stream += char(rng->bounded(256));
                    else if (pick < 4)
                        stream += "\x1bY" + QByteArray(1, char(32 + rng->bounded(26))) +
                                  QByteArray(1, char(32 + rng->bounded(50)));
                    else
                        stream += alphabet[rng->bounded(int(sizeof alphabet - 1))];
                }
                Rig whole, pieces;
                for (Rig *r : {&whole, &pieces}) {
                    r->engine.switchMode();
                    r->engine.session.setPanelType(type);
                }
                whole.send(stream);
                for (qsizetype at = 0; at < stream.size();) {
                    const qsizetype n = std::min<qsizetype>(stream.size() - at, rng->bounded(1, 8));
                    pieces.send(stream.mid(at, n));
                    at += n;
                }
                QCOMPARE(dumpStateJson(pieces.engine, pieces.view, {}), dumpStateJson(whole.engine, whole.view, {}));
            }
        }
    }

    void flashRates_data()
    {
        QTest::addColumn<char>("letter");
        QTest::addColumn<int>("litTicks");  // ticks a lit or unlit spell lasts
        QTest::newRow("Q every 50 ms") << 'Q' << 1;
        QTest::newRow("F every 200 ms") << 'F' << 4;
        QTest::newRow("S every 600 ms") << 'S' << 12;
    }
    void flashRates()
    {
        QFETCH(char, letter);
        QFETCH(int, litTicks);
        Rig rig;
        rig.engine.session.setPanelType(1);
        rig.engine.indicators.set(3, letter);
        QList<bool> lit;
        for (int i = 0; i < 48; ++i) {
            rig.tick();
            lit << (rig.view.lampState("FFAlm_1603") == "#ff0000");
        }
        // Count the spells between changes after the first change.
        int changes = 0, run = 0;
        QList<int> spells;
        for (int i = 1; i < lit.size(); ++i) {
            ++run;
            if (lit[i] != lit[i - 1]) {
                if (changes++)
                    spells << run;
                run = 0;
            }
        }
        QVERIFY(!spells.isEmpty());
        for (int s : spells)
            QCOMPARE(s, litTicks);
    }

    void steadyStatesRepaintEvery600ms()
    {
        Rig rig;
        rig.engine.session.setPanelType(1);
        rig.engine.indicators.set(3, 'N');
        rig.engine.indicators.set(4, 'O');
        rig.view.setLampColor("FFiso_1603", kAmber);
        for (int i = 0; i < 11; ++i)
            rig.tick();
        QCOMPARE(rig.view.lampState("FFAlm_1603"), std::string("#ffffff"));
        rig.tick();  // 12th tick: the slow step paints N, O and X
        QCOMPARE(rig.view.lampState("FFAlm_1603"), std::string("#ff0000"));
        QCOMPARE(rig.view.lampState("FFiso_1603"), std::string("#ffffff"));
        // Unknown letters are never painted.
        rig.engine.indicators.set(3, 'Z');
        for (int i = 0; i < 24; ++i)
            rig.tick();
        QCOMPARE(rig.view.lampState("FFAlm_1603"), std::string("#ff0000"));
    }

    void finishRunsOneOfEachStep()
    {
        Rig rig;
        rig.engine.session.setPanelType(1);
        rig.engine.indicators.set(3, 'F');
        rig.engine.indicators.set(4, 'N');
        rig.engine.indicators.set(5, 'Q');
        for (const char *lamp : {"Sysf_1603", "NormalLed"})
            rig.view.setLampColor(lamp, kRed);
        rig.view.sounderVisible = true;
        rig.engine.flash.finish();
        QCOMPARE(rig.view.lampState("FFAlm_1603"), std::string("#ff0000"));
        QCOMPARE(rig.view.lampState("FFiso_1603"), std::string("#f79829"));
        QCOMPARE(rig.view.lampState("FFflt_1603"), std::string("#f79829"));
        // The X step: the other painted numbers go unlit, the Sounder label hidden.
        QCOMPARE(rig.view.lampState("Sysf_1603"), std::string("#ffffff"));
        QCOMPARE(rig.view.lampState("NormalLed"), std::string("#ffffff"));
        QVERIFY(!rig.view.sounderVisible);
    }

    void selectFace_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("container");
        QTest::addColumn<QRect>("lcd");
        QTest::addColumn<int>("v01rp");  // other faces leave the face-4 code alone
        QTest::addColumn<bool>("logicKeys");
        QTest::addColumn<int>("eventTop");
        const QRect two(24, 32, 409, 41), four(24, 9, 377, 74);
        QTest::newRow("0 no face") << 0 << "" << two << 82 << false << 328;
        QTest::newRow("1 AS 1603") << 1 << "AS1603" << two << 80 << false << 328;
        QTest::newRow("2 AS 1603") << 2 << "AS1603" << two << 80 << false << 328;
        QTest::newRow("3 AS 1603") << 3 << "AS1603" << two << 80 << false << 328;
        QTest::newRow("4 AS 1603 logic") << 4 << "AS1603" << two << 82 << true << 328;
        QTest::newRow("5 AS 4428") << 5 << "AS4428p" << two << 82 << false << 328;
        QTest::newRow("6 ZR9") << 6 << "ZR9" << four << 82 << false << 328;
        QTest::newRow("7 ZR9 brigade") << 7 << "ZR9FBP" << four << 82 << false << 360;
        QTest::newRow("8 none, display left") << 8 << "" << four << 82 << false << 328;
    }
    void selectFace()
    {
        QFETCH(int, type);
        Rig rig;
        rig.engine.switchMode();  // tandem: event screen below the face
        // Start from the face-4 state, and a four-row display placement, to see what changes.
        rig.engine.session.setPanelType(4);
        rig.engine.selectFace();
        rig.view.setDisplayLayout(DisplayLayout::FourRows);
        rig.send("\x1bY  HELLO");
        rig.engine.indicators.set(3, 'N');
        rig.engine.session.statusText = "Q7312: Site";
        rig.engine.session.setPanelType(type);
        rig.engine.selectFace();
        QTEST(QString::fromLatin1(containerName(rig.view.container)), "container");
        QCOMPARE(rig.view.caption, QByteArray("Kordex V3.00 Q7312: Site"));
        QTEST(displayGeometry(rig.view.displayLayout), "lcd");
        QTEST(rig.engine.pointRelayKeyCode, "v01rp");
        if (type >= 1 && type <= 4)
            QTEST(rig.view.logicKeysVisible, "logicKeys");
        QTEST(eventScreenBand(rig.view.eventScreenLayout).top, "eventTop");
        if (type >= 1 && type <= 7)
            QCOMPARE(rig.view.preparedFace, type);
        QCOMPARE(rig.engine.indicators.toBytes(), QByteArray(100, 'X'));
        // Only face 0 clears the screen.
        QCOMPARE(rig.engine.display.cell(0, 0) == 'H', type != 0);
    }

    void nzDisplayFollowsVersion_data()
    {
        QTest::addColumn<QByteArray>("version");
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("visible");
        QTest::newRow("V13 face 0") << QByteArray("V13") << 0 << true;
        QTest::newRow("V13 face 5") << QByteArray("V13") << 5 << true;
        QTest::newRow("V12 face 0") << QByteArray("V12") << 0 << false;
        QTest::newRow("V12 face 1") << QByteArray("V12") << 1 << true;
        QTest::newRow("v12 lower case") << QByteArray("v12") << 1 << false;
        QTest::newRow("V11 face 5") << QByteArray("V11") << 5 << false;
    }
    void nzDisplayFollowsVersion()
    {
        QFETCH(QByteArray, version);
        QFETCH(int, type);
        Rig rig;
        rig.engine.session.panelVersion = version;
        rig.engine.session.setPanelType(type);
        rig.engine.selectFace();
        QTEST(rig.view.nzDisplayVisible, "visible");
    }

    void modeChangeBothWays()
    {
        Rig rig;
        SessionRig::link(rig.engine.session).loginPending = true;
        rig.engine.switchMode();
        QVERIFY(rig.engine.session.tandemMode);
        QVERIFY(rig.engine.session.loggedIn);
        QCOMPARE(eventScreenBand(rig.view.eventScreenLayout), (EventScreenBand{328, 193}));
        QVERIFY(rig.view.menu(MenuItem::Refresh).enabled);
        QVERIFY(rig.view.menu(MenuItem::CloseTandemMode).visible);

        rig.engine.session.setPanelType(7);
        rig.engine.selectFace();
        rig.view.menu(MenuItem::EventDisplay).enabled = true;
        rig.engine.switchMode();
        QVERIFY(!rig.engine.session.tandemMode);
        QCOMPARE(rig.engine.session.panelType(), 0);
        QCOMPARE(rig.view.caption, QByteArray("Kordex V3.00 Terminal Mode"));
        QCOMPARE(rig.view.container, Container::None);
        QCOMPARE(eventScreenBand(rig.view.eventScreenLayout), (EventScreenBand{0, 522}));
        QVERIFY(!rig.view.menu(MenuItem::Refresh).enabled);
        QVERIFY(!rig.view.menu(MenuItem::EventDisplay).enabled);
        QVERIFY(!rig.view.menu(MenuItem::CloseTandemMode).visible);
        QVERIFY(rig.engine.tandemGuardTimer.isRunning());
    }

    void noTandemModeInTheFirstSecond()
    {
        VirtualClock clock;
        RecordingView view;
        EngineRig parts(clock, view);
        Engine &engine = parts.engine;
        parts.startConnected();
        QCOMPARE(view.caption, QByteArray("Kordex V3.00 Not Connected"));
        clock.advance(999);
        engine.receive("\x1bY  ");
        QVERIFY(!engine.session.tandemMode);
        QCOMPARE(view.focusRequests, 0);
        clock.advance(1);
        engine.receive("\x1bY  ");
        QVERIFY(engine.session.tandemMode);
    }

    void alarmAttentionBlinksUntilAbandoned()
    {
        Rig rig;
        rig.engine.switchMode();
        rig.engine.session.setPanelType(1);
        rig.send("\x1bY  Z01 ALARM                         OF 12");
        QVERIFY(rig.engine.alarmAttentionTimer.isRunning());
        QList<bool> highlight;
        for (int i = 0; i < 4; ++i) {
            rig.clock.advance(500);
            highlight << rig.view.taskbarHighlighted;
        }
        // Off, on with a beep, off, on with a beep: once a second.
        QCOMPARE(highlight, QList<bool>({false, true, false, true}));
        QCOMPARE(rig.view.beeps, 2);
        QCOMPARE(rig.view.taskbarFlashes, 2);
        // Abandoning stops the attention at its next dark phase.
        SessionRig::link(rig.engine.session).abortRequested = true;
        rig.clock.advance(500);
        QVERIFY(!rig.engine.alarmAttentionTimer.isRunning());
        QVERIFY(!rig.view.taskbarHighlighted);
        rig.clock.advance(2000);
        QCOMPARE(rig.view.beeps, 2);
    }

    void eventScreenKeepsAtMost301CompletedLines()
    {
        Rig rig;
        for (int i = 1; i <= 302; ++i)
            rig.send("L" + QByteArray::number(i) + "\r");
        // 301 completed lines, the empty line in progress and the spare line below.
        QCOMPARE(rig.view.eventScreen.size(), 303);
        QCOMPARE(rig.view.eventScreen.first(), QByteArray("L2"));
        QCOMPARE(rig.view.eventScreen.at(300), QByteArray("L302"));
        QCOMPARE(rig.engine.events.eventLineIndex(), 301);
        rig.send("L303\r");
        QCOMPARE(rig.view.eventScreen.first(), QByteArray("L3"));
        QCOMPARE(rig.view.eventScreen.size(), 303);
    }

    void capturedLinesAreTheCompletedLines()
    {
        Rig rig;
        QByteArrayList captured;
        rig.engine.events.captureLine = [&](const QByteArray &l) { captured << l; };
        rig.send("ONE\r");
        SessionRig::link(rig.engine.session).capturing = true;
        rig.send("TWO\rTH");
        QCOMPARE(captured, QByteArrayList({"TWO"}));
    }

    void everyBoundLampExists()
    {
        for (int face = 0; face <= 7; ++face)
            for (int k : paintedIndicators())
                if (const IndicatorBinding *b = bindingFor(face, k))
                    for (std::string_view name : b->lamps)
                        if (!name.empty())
                            QVERIFY2(findLamp(name), std::string(name).c_str());
    }
};

QTEST_GUILESS_MAIN(EngineTests)
#include "test_engine.moc"
