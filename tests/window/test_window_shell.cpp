// The main window as the engine and the operator see it: face selection,
// lamp painting, start-up state, the event screen, help, the command-line
// connection and the demo streams.
#include "window_fixture.h"

#include "bench/engine_rig.h"
#include "config/configuration.h"
#include "config/connect_menu.h"
#include "demo_streams.h"
#include "face_logic/replay_feed.h"
#include "faces/connection_properties.h"
#include "faces/help_window.h"
#include "faces/key_picture.h"
#include "faces/message_boxes.h"
#include "platform/signals.h"
#include "platform/text_codec.h"
#include "replay/recording_view.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSet>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <csignal>
#include <random>

using namespace kordex;
using namespace kordex::test;

Q_DECLARE_METATYPE(kordex::Container)

namespace {
int visibleKeys(MainWindow &w, Container c)
{
    int n = 0;
    QWidget *box = w.faces().container(c);
    for (KeyWidget *k : w.faces().keys(c))
        n += k->isVisibleTo(box) ? 1 : 0;
    return n;
}

Container shownContainer(MainWindow &w)
{
    Container shown = Container::None;
    for (Container c : {Container::AS1603, Container::AS4428p, Container::ZR9, Container::ZR9FBP})
        if (w.faces().container(c)->isVisibleTo(w.client())) {
            if (shown != Container::None)
                return Container::None;  // two at once is never right
            shown = c;
        }
    return shown;
}

// Stores terminal-mode TCP/IP records of these names where `configuration` reads.
bool storeBook(Configuration &configuration, std::initializer_list<const char *> names)
{
    ConnectionBook stored;
    for (const char *name : names) {
        ConnectionRecord r;
        r.systemName = name;
        r.autoLogin = false;
        r.connectionType = ConnectionType::TcpIp;
        stored.add(r);
    }
    return configuration.saveConnections(stored);
}
}  // namespace

class TestWindowShell : public QObject {
    Q_OBJECT
private slots:
    void startUpState();
    void timerTable_data();
    void timerTable();
    void selectFace_data();
    void selectFace();
    void selectFaceKeepsDisplayForUnknownType();
    void nzDisplayFollowsVersion();
    void lampPainting_data();
    void lampPainting();
    void nzLampsOfZr9Faces_data();
    void nzLampsOfZr9Faces();
    void trayLabels();
    void eventScreenMirrorsLineOperations();
    void eventScreenKeepsAtMost301CompletedLines();
    void eventScreenFramesLoseNothing_data();
    void eventScreenFramesLoseNothing();
    void burstIsShownOncePerFrame();
    void panelTextIsWindows1252();
    void demoStreams_data();
    void demoStreams();
    void demoFilesMatchGenerator();
    void replayWaitsForGuardAndKeepsRate();
    void commandLineConnection_data();
    void commandLineConnection();
    void dialogConnectMovesTheMarker();
    void helpHook();
    void contextHelpInMenus();
    void aboutBox();
    void boxesComeOverTheirWindow_data();
    void boxesComeOverTheirWindow();
    void boxesDoNotWait_data();
    void boxesDoNotWait();
    void sigtermClosesLikeExit();
    void endWaitsForTheBoxesOfTheClose();
};

void TestWindowShell::startUpState()
{
    WindowFixture f;
    f.show();
    MainWindow &w = *f.window;
    QCOMPARE(w.windowTitle(), QStringLiteral("Kordex V3.00 Not Connected"));
    QCOMPARE(w.client()->size(), QSize(790, 544));
    QCOMPARE(shownContainer(w), Container::None);
    QCOMPARE(w.eventScreen->geometry(), QRect(0, 0, 793, 522));
    QCOMPARE(w.eventScreenLines(), QStringList({QString(), QString()}));
    QCOMPARE(w.tray->geometry(), QRect(0, 520, 793, 25));
    QCOMPARE(w.lcdDisplay->geometry(), QRect(24, 32, 409, 41));
    QVERIFY(!w.lcdDisplay->isEnabled());
    QVERIFY(w.lcdDisplay->isReadOnly());
    QVERIFY(w.eventScreen->isReadOnly());
    QCOMPARE(w.sounderLabel->text(), QStringLiteral("Sounder Off"));
    QCOMPARE(w.eventsLabel->text(), QStringLiteral("Event Display Off"));
    QCOMPARE(w.eventsKeyCode(), 34);
    QTRY_VERIFY(!QApplication::windowIcon().availableSizes().isEmpty());  // once the window is up

    struct Item {
        const char *name, *caption;
        bool enabled, visible;
        int help;
    };
    const Item items[] = {
        {"Connect1", "Co&nnect to...", true, true, 4},
        {"Disconnect", "&Disconnect", false, true, 0},
        {"EditConnection1", "&Edit Connection...", true, true, 3},
        {"SaveDatabase1", "&Capture to File...", false, true, 7},
        {"LoadDatabase1", "&Send File...", false, true, 7},
        {"CloseTandemMode1", "&Close Tandem Mode   C", false, false, 9},  // a hidden item is never enabled
        {"Exit", "E&xit", true, true, 0},
        {"Refresh1", "&Refresh   F5 or H", false, true, 10},
        {"Events1", "&Events", false, true, 10},
        {"MenuHelp", "Kordex &Help", true, true, 12},
        {"About", "&About Kordex", true, true, 1},
        // The menu bar's own entries.
        {"File1", "&File", true, true, 0},
        {"ConnectMenu", "&Connect", true, true, 0},
        {"View1", "&View", true, true, 10},
        {"Help", "&Help", true, true, 12},
    };
    for (const Item &i : items) {
        QAction *a = w.menuItem(i.name);
        QVERIFY2(a, i.name);
        QCOMPARE(a->text(), QString::fromLatin1(i.caption));
        QCOMPARE(a->isEnabled(), i.enabled);
        QCOMPARE(a->isVisible(), i.visible);
        QCOMPARE(a->property("helpContext").toInt(), i.help);
        QVERIFY2(a->shortcut().isEmpty(), i.name);
    }
    QVERIFY(!w.menuItem("Events1")->isChecked());
    QVERIFY(w.connectMenu()->menuAction()->isEnabled());
    QCOMPARE(w.faces().container(Container::AS4428p)->property("helpContext").toInt(), 1);

    // Every indicator is X: the first pass hides both tray labels.
    f.paintSteady();
    QVERIFY(!w.sounderLabel->isVisibleTo(w.tray));
    QVERIFY(!w.eventsLabel->isVisibleTo(w.tray));
    QVERIFY(!w.menuItem("Events1")->isEnabled());

    // Tandem mode cannot begin in the first second.
    f.connect();
    f.engine().receive(QByteArray("\x1bY  "));
    QVERIFY(!f.session().tandemMode);
}

void TestWindowShell::timerTable_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("interval");
    QTest::addColumn<bool>("runningAtStart");
    QTest::addColumn<bool>("runningAfterFirstTick");
    QTest::newRow("Timer1") << "Timer1" << 1000 << true << false;
    QTest::newRow("Timer2") << "Timer2" << 1000 << false << false;
    QTest::newRow("Timer3") << "Timer3" << 250 << false << false;
    QTest::newRow("Timer4") << "Timer4" << 1000 << true << false;
    QTest::newRow("Timer5") << "Timer5" << 1000 << true << false;
    QTest::newRow("Timer6") << "Timer6" << 50 << false << false;
    QTest::newRow("Timer7") << "Timer7" << 500 << false << false;
    QTest::newRow("TimerHKI") << "TimerHKI" << 3000 << true << true;
    QTest::newRow("Timer8 without argument") << "Timer8" << 1500 << true << true;
}

void TestWindowShell::timerTable()
{
    QFETCH(QString, name);
    QFETCH(int, interval);
    QFETCH(bool, runningAtStart);
    QFETCH(bool, runningAfterFirstTick);
    WindowFixture f;
    Engine &e = f.engine();
    const std::pair<const char *, Timer *> timers[] = {
        {"Timer1", &e.tandemGuardTimer},        {"Timer2", &e.identifyTimer},
        {"Timer3", &e.cursorBlinkTimer},        {"Timer4", &f.link().linkTimeout},
        {"Timer5", &f.link().linePacingTimer}, {"Timer6", &e.eventFlushTimer},
        {"Timer7", &e.alarmAttentionTimer},        {"Timer8", &f.program->commandLineTimer},
        {"TimerHKI", &e.keyRepeatTimer},
    };
    Timer *t = nullptr;
    for (const auto &[n, timer] : timers)
        if (name == QLatin1String(n))
            t = timer;
    QVERIFY(t);
    QCOMPARE(t->interval(), interval);
    QCOMPARE(t->isRunning(), runningAtStart);
    if (runningAtStart) {
        f.clock.advance(interval);
        QCOMPARE(t->isRunning(), runningAfterFirstTick);
    }
}

void TestWindowShell::selectFace_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<Container>("container");
    QTest::addColumn<int>("keys");
    QTest::addColumn<int>("rpCode");
    QTest::addColumn<QRect>("lcd");
    QTest::addColumn<int>("eventTop");
    QTest::addColumn<int>("eventHeight");
    const QRect two(24, 32, 409, 41), four(24, 9, 377, 74);
    QTest::newRow("0 none") << 0 << Container::None << 0 << 0 << two << 328 << 193;
    QTest::newRow("1 AS 1603") << 1 << Container::AS1603 << 30 << 80 << two << 328 << 193;
    QTest::newRow("2 AS 1603 no badge") << 2 << Container::AS1603 << 30 << 80 << two << 328 << 193;
    QTest::newRow("3 AS 1603 no badge") << 3 << Container::AS1603 << 30 << 80 << two << 328 << 193;
    QTest::newRow("4 AS 1603 logic keys") << 4 << Container::AS1603 << 34 << 82 << two << 328 << 193;
    QTest::newRow("5 AS 4428") << 5 << Container::AS4428p << 35 << 0 << two << 328 << 193;
    QTest::newRow("6 ZR9") << 6 << Container::ZR9 << 28 << 0 << four << 328 << 193;
    QTest::newRow("7 ZR9 fire brigade") << 7 << Container::ZR9FBP << 29 << 0 << four << 360 << 161;
    QTest::newRow("8 unknown") << 8 << Container::None << 0 << 0 << two << 328 << 193;
}

void TestWindowShell::selectFace()
{
    QFETCH(int, type);
    QFETCH(Container, container);
    QFETCH(int, rpCode);
    QFETCH(int, eventTop);
    QFETCH(int, eventHeight);

    WindowFixture f;
    f.show();
    MainWindow &w = *f.window;
    // Come from face 4 so that every face has something to undo.
    f.enterTandem(4);
    f.session().setPanelType(type);
    f.session().statusText = "Q7312: Site";
    f.engine().selectFace();
    w.showPending();

    QCOMPARE(w.windowTitle(), QStringLiteral("Kordex V3.00 Q7312: Site"));
    QCOMPARE(shownContainer(w), container);
    if (container != Container::None)
        QTEST(visibleKeys(w, container), "keys");
    if (rpCode) {
        QCOMPARE(f.key("V01RP")->keyCode(), rpCode);
        const QString expectedPicture = resolveKeyResource(keyResourceName(QStringLiteral("V01ZO"), type, false));
        QCOMPARE(f.key("V01ZO")->pictureName().toUpper(), expectedPicture.toUpper());
        QLabel *badge = w.faces().label(QStringLiteral("ProdName"));
        QVERIFY(badge);
        const QImage expected =
            keyPicture(QStringLiteral("ProdName"), type, false, badge->devicePixelRatioF()).toImage();
        QCOMPARE(badge->pixmap().toImage(), expected);
        if (type == 2 || type == 3)
            QCOMPARE(resolveKeyResource(keyResourceName(QStringLiteral("ProdName"), type, false)),
                     QString::fromLatin1(kFallbackPicture));
    }
    QTEST(w.lcdDisplay->geometry(), "lcd");
    QCOMPARE(w.eventScreen->geometry(), QRect(0, eventTop, 793, eventHeight));
    for (int k = 0; k < 100; ++k)
        QCOMPARE(f.engine().indicators.at(k), 'X');
}

void TestWindowShell::selectFaceKeepsDisplayForUnknownType()
{
    WindowFixture f;
    f.enterTandem(6);
    QCOMPARE(f.window->lcdDisplay->geometry(), QRect(24, 9, 377, 74));
    f.session().setPanelType(9);
    f.engine().selectFace();
    QCOMPARE(f.window->lcdDisplay->geometry(), QRect(24, 9, 377, 74));
    QCOMPARE(shownContainer(*f.window), Container::None);
}

void TestWindowShell::nzDisplayFollowsVersion()
{
    WindowFixture f;
    f.show();
    QWidget *nz = f.window->faces().nzDisplay();
    QCOMPARE(nz->geometry(), QRect(600, 12, 78, 41));
    f.enterTandem(1, "V12");
    QVERIFY(nz->isVisibleTo(f.window->client()));
    f.engine().switchMode();  // back to terminal mode: face 0
    QVERIFY(!nz->isVisibleTo(f.window->client()));
    f.enterTandem(5, "V13");
    f.engine().switchMode();
    QVERIFY(nz->isVisibleTo(f.window->client()));  // V13 keeps it even with no face
}

void TestWindowShell::lampPainting_data()
{
    QTest::addColumn<int>("face");
    QTest::addColumn<int>("indicator");
    QTest::addColumn<QStringList>("lamps");
    QTest::addColumn<QColor>("lit");
    const QColor red = rgb(kRed), amber = rgb(kAmber), green = rgb(kGreen);
    QTest::newRow("1: alarm") << 1 << 3 << QStringList{"FFAlm_1603"} << red;
    QTest::newRow("1: mains") << 1 << 10 << QStringList{"Mains_1603"} << green;
    QTest::newRow("1: bells isolated") << 1 << 25 << QStringList{"belliso_1603"} << amber;
    QTest::newRow("1: NZ normal") << 1 << 21 << QStringList{"NormalLed"} << green;
    QTest::newRow("1: 7 paints hidden Ebi") << 1 << 7 << QStringList{"Ebi_4428"} << amber;
    QTest::newRow("5: external bell isolate") << 5 << 7 << QStringList{"Ebi_4428"} << amber;
    QTest::newRow("5: AIF attended") << 5 << 11 << QStringList{"Aif_4428"} << amber;
    QTest::newRow("5: NZ defect") << 5 << 23 << QStringList{"DefectLed"} << amber;
    QTest::newRow("6: fire pair") << 6 << 3 << QStringList{"FireLed1", "FireLed2"} << red;
    QTest::newRow("6: alarm routing activated") << 6 << 7 << QStringList{"BrigActLed"} << red;
    QTest::newRow("6: silence pair") << 6 << 12 << QStringList{"SilLED1", "SilLed2"} << amber;
    QTest::newRow("6: power") << 6 << 11 << QStringList{"PowerLED"} << green;
    QTest::newRow("7: fire protection") << 7 << 17 << QStringList{"ZR9FBP_FireProtActivatedLED"} << red;
    QTest::newRow("7: AIF lamp") << 7 << 12 << QStringList{"ZR9FBP_AIFLED"} << amber;
    QTest::newRow("7: spare") << 7 << 19 << QStringList{"ZR9FBP_SpareLED"} << amber;
    QTest::newRow("7: NZ display fire") << 7 << 22 << QStringList{"Fireled"} << red;
}

void TestWindowShell::lampPainting()
{
    QFETCH(int, face);
    QFETCH(int, indicator);
    QFETCH(QStringList, lamps);
    QFETCH(QColor, lit);
    WindowFixture f;
    f.enterTandem(face);
    f.engine().indicators.set(indicator, 'N');
    f.dispatch('N', true);
    for (const QString &name : lamps) {
        LampWidget *l = f.lamp(qPrintable(name));
        QVERIFY2(l, qPrintable(name));
        QCOMPARE(l->color(), lit);
    }
    f.engine().indicators.set(indicator, 'O');
    f.dispatch('O', false);
    for (const QString &name : lamps)
        QCOMPARE(f.lamp(qPrintable(name))->color(), QColor(Qt::white));
    // Flashing: the phase is the letter's, so the lamp follows each toggle.
    f.engine().indicators.set(indicator, 'Q');
    f.dispatch('Q', true);
    QCOMPARE(f.lamp(qPrintable(lamps[0]))->color(), lit);
    f.dispatch('Q', false);
    QCOMPARE(f.lamp(qPrintable(lamps[0]))->color(), QColor(Qt::white));
}

void TestWindowShell::nzLampsOfZr9Faces_data()
{
    QTest::addColumn<int>("face");
    QTest::addColumn<int>("indicator");
    QTest::addColumn<QString>("lamp");
    QTest::addColumn<QColor>("lit");
    QTest::newRow("6 fire") << 6 << 24 << "ZRNZFireLed" << rgb(kRed);
    QTest::newRow("6 defect") << 6 << 25 << "ZRNZDefectLed" << rgb(kAmber);
    QTest::newRow("6 normal") << 6 << 23 << "ZRNZNormalLed" << rgb(kGreen);
    QTest::newRow("7 fire") << 7 << 24 << "ZR9FBP_NZFireLed" << rgb(kRed);
    QTest::newRow("7 normal") << 7 << 23 << "ZR9FBP_NZNormalLED" << rgb(kGreen);
}

void TestWindowShell::nzLampsOfZr9Faces()
{
    QFETCH(int, face);
    QFETCH(int, indicator);
    QFETCH(QString, lamp);
    WindowFixture f;
    f.showInTandem(face);
    LampWidget *l = f.lamp(qPrintable(lamp));
    QVERIFY(l);
    QWidget *box = f.window->faces().container(face == 6 ? Container::ZR9 : Container::ZR9FBP);

    // Off: the lamp disappears instead of turning white.
    f.paintSteady();
    QVERIFY(!l->isVisibleTo(box));

    // Without ShowNZCommonStates a lit state never shows it.
    f.link().currentConnection.showNzCommonStates = false;
    f.link().syncPanelSettings();
    f.engine().indicators.set(indicator, 'N');
    f.dispatch('N', true);
    QVERIFY(!l->isVisibleTo(box));

    f.link().currentConnection.showNzCommonStates = true;
    f.link().syncPanelSettings();
    f.dispatch('N', true);
    QVERIFY(l->isVisibleTo(box));
    QTEST(l->color(), "lit");

    f.engine().indicators.set(indicator, 'O');
    f.dispatch('O', false);
    QVERIFY(!l->isVisibleTo(box));
}

void TestWindowShell::trayLabels()
{
    WindowFixture f;
    f.show();
    MainWindow &w = *f.window;
    f.enterTandem(4);
    f.session().eventDisplayAllowed = true;

    f.engine().indicators.set(12, 'N');
    f.engine().indicators.set(28, 'N');
    f.dispatch('N', true);
    QCOMPARE(w.sounderLabel->text(), QStringLiteral("Sounder On"));
    QCOMPARE(w.sounderLabel->palette().color(QPalette::WindowText), rgb(kRed));
    QVERIFY(w.sounderLabel->isVisibleTo(w.tray));
    QCOMPARE(w.eventsLabel->text(), QStringLiteral("Display Events On"));
    QCOMPARE(w.eventsKeyCode(), 39);
    QVERIFY(w.eventsLabel->isVisibleTo(w.tray));
    QVERIFY(w.menuItem("Events1")->isChecked());
    QVERIFY(w.menuItem("Events1")->isEnabled());

    f.engine().indicators.set(12, 'O');
    f.engine().indicators.set(28, 'O');
    f.dispatch('O', false);
    QCOMPARE(w.sounderLabel->text(), QStringLiteral("Sounder Off"));
    QCOMPARE(w.sounderLabel->palette().color(QPalette::WindowText), QColor(Qt::black));
    QCOMPARE(w.eventsLabel->text(), QStringLiteral("Display Events Off"));
    QCOMPARE(w.eventsKeyCode(), 34);
    QVERIFY(!w.menuItem("Events1")->isChecked());

    // On the ZR9 faces indicator 12 lights the silence lamps; the label stays.
    f.enterTandem(6);
    f.engine().indicators.set(12, 'N');
    f.dispatch('N', true);
    QCOMPARE(w.sounderLabel->text(), QStringLiteral("Sounder Off"));
    QCOMPARE(f.lamp("SilLED1")->color(), rgb(kAmber));

    // The history's note stands under a file send's progress and the link's clearing of it.
    const auto note = [&] { return w.progressLabel->isVisibleTo(w.tray) ? w.progressLabel->text() : QString(); };
    w.setHistoryNote(QStringLiteral("history: disk full"));
    QCOMPARE(note(), QStringLiteral("history: disk full"));
    w.setProgress("File sent: 1 of 2 lines");
    QCOMPARE(note(), QStringLiteral("File sent: 1 of 2 lines"));
    w.setProgress({});
    QCOMPARE(note(), QStringLiteral("history: disk full"));
    w.setHistoryNote({});
    QCOMPARE(note(), QString());
}

void TestWindowShell::eventScreenMirrorsLineOperations()
{
    WindowFixture f;
    f.connect();
    f.engine().receive(QByteArray("FIRST LINE\r\nAB\010C\r\n"));
    f.window->showPending();
    QCOMPARE(f.window->eventScreenLines().mid(0, 3), QStringList({"FIRST LINE", "AC", QString()}));
    // An unfinished line shows once the stream pauses.
    f.engine().receive(QByteArray("PROMPT>"));
    f.clock.advance(60);
    f.window->showPending();
    QCOMPARE(f.window->eventScreenLines().at(2), QStringLiteral("PROMPT>"));
    f.engine().receive(QByteArray("\r"));
    f.window->showPending();
    QCOMPARE(f.window->eventScreenLines().mid(2), QStringList({"PROMPT>", QString(), QString()}));
}

void TestWindowShell::eventScreenKeepsAtMost301CompletedLines()
{
    WindowFixture f;
    f.connect();
    QByteArray burst;
    for (int i = 0; i < 302; ++i)
        burst += "EVENT " + QByteArray::number(i) + "\r";
    f.engine().receive(burst);
    f.window->showPending();
    const QStringList lines = f.window->eventScreenLines();
    QCOMPARE(lines.first(), QStringLiteral("EVENT 1"));
    QCOMPARE(lines.at(300), QStringLiteral("EVENT 301"));
    QCOMPARE(f.engine().events.eventLineIndex(), 301);
    QCOMPARE(f.window->eventScreen->document()->blockCount(), 303);  // plus the line in progress and the one below
}

void TestWindowShell::eventScreenFramesLoseNothing_data()
{
    QTest::addColumn<int>("seed");
    QTest::addColumn<int>("framesOneIn");
    QTest::newRow("a frame every other piece") << 1 << 2;
    QTest::newRow("a frame every 8 pieces") << 2 << 8;
    QTest::newRow("hundreds of lines between frames") << 3 << 64;
}

// The same bytes, in the same pieces and pauses, through the window and
// through a recording of every line operation: whenever a frame is shown,
// the event screen holds exactly the recorded lines, in order.
void TestWindowShell::eventScreenFramesLoseNothing()
{
    QFETCH(int, seed);
    QFETCH(int, framesOneIn);
    WindowFixture f;
    f.connect();
    VirtualClock clock;
    RecordingView recording;
    EngineRig rig(clock, recording);
    rig.startConnected();

    std::mt19937 next{uint32_t(seed)};
    QByteArray stream;
    for (int i = 0; i < 700; ++i) {
        stream += "EVENT " + QByteArray::number(i) + QByteArray(int(next() % 30), 'x');
        if (next() % 5 == 0)
            stream += "\x08\x08Y";
        stream += next() % 4 ? "\r\n" : "\r";
    }
    auto expected = [&] {
        QStringList lines;
        for (QByteArray l : recording.eventScreen)
            lines << fromPanelBytes(l.replace('\r', "").replace('\n', ""));
        return lines;
    };
    for (qsizetype at = 0; at < stream.size();) {
        const QByteArray piece = stream.mid(at, qsizetype(next() % 200 + 1));
        at += piece.size();
        f.engine().receive(piece);
        rig.engine.receive(piece);
        if (next() % 3 == 0) {  // a pause: the unfinished line is flushed
            f.clock.advance(60);
            clock.advance(60);
        }
        if (next() % uint32_t(framesOneIn) == 0) {
            f.window->showPending();
            QCOMPARE(f.window->eventScreenLines(), expected());
        }
    }
    f.window->showPending();
    QCOMPARE(f.window->eventScreenLines(), expected());
    QCOMPARE(f.window->eventScreenLines().size(), 303);
}

void TestWindowShell::burstIsShownOncePerFrame()
{
    WindowFixture f;
    f.showInTandem(1);
    f.window->showPending();
    int lcdEdits = 0, screenEdits = 0;
    QObject::connect(f.window->lcdDisplay->document(), &QTextDocument::contentsChanged, [&] { ++lcdEdits; });
    QObject::connect(f.window->eventScreen->document(), &QTextDocument::contentsChanged, [&] { ++screenEdits; });
    QByteArray burst;
    for (int i = 0; i < 500; ++i)
        burst += "\x1bY  ALARM " + QByteArray::number(i) + "\x1bY0 EVENT " + QByteArray::number(i) + "\r\n";
    f.engine().receive(burst);
    QCOMPARE(lcdEdits + screenEdits, 0);  // nothing is laid out inside the receive path
    QVERIFY(f.window->framePending());
    QTRY_VERIFY(!f.window->framePending());
    QVERIFY2(lcdEdits <= 2 && screenEdits <= 2, qPrintable(QStringLiteral("%1 %2").arg(lcdEdits).arg(screenEdits)));
    QVERIFY(f.window->lcdDisplay->toPlainText().startsWith(QStringLiteral("ALARM 499")));
    const QStringList lines = f.window->eventScreenLines();
    QCOMPARE(lines.at(lines.size() - 3), QStringLiteral("EVENT 499"));
    QCOMPARE(lines.at(0), QStringLiteral("EVENT 199"));
}

void TestWindowShell::panelTextIsWindows1252()
{
    QCOMPARE(fromPanelBytes(QByteArray("\x80\x93\xB0\xE9\x81")), QString::fromUtf8("€“°é\u0081"));
    QCOMPARE(*toPanelByte(QChar(0x20AC)), uchar(0x80));
    QCOMPARE(*toPanelByte(QChar(u'é')), uchar(0xE9));
    QVERIFY(!toPanelByte(QChar(0x0416)).has_value());
    // A name from a UTF-8 command line meets the stored bytes.
    QCOMPARE(toPanelBytes(QString::fromUtf8("Büro €5 Ж")), QByteArray("B\xFCro \2005 ?"));

    WindowFixture f;
    f.enterTandem(1);
    f.engine().receive(QByteArray("\x1bY  \260C"));  // 0xB0, the degree sign
    f.window->showPending();
    QVERIFY(f.window->lcdDisplay->toPlainText().startsWith(QString::fromUtf8("°C")));
    QCOMPARE(f.window->lcdDisplay->document()->blockCount(), 2);
}

void TestWindowShell::demoStreams_data()
{
    QTest::addColumn<int>("face");
    QTest::addColumn<QString>("file");
    QTest::addColumn<Container>("container");
    for (const auto &d : demo::demoFaces()) {
        const Container c = d.face <= 4   ? Container::AS1603
                            : d.face == 5 ? Container::AS4428p
                            : d.face == 6 ? Container::ZR9
                                          : Container::ZR9FBP;
        QTest::newRow(d.fileName) << d.face << QString::fromLatin1(d.fileName) << c;
    }
}

void TestWindowShell::demoStreams()
{
    QFETCH(QString, file);
    QFETCH(Container, container);
    QFile in(QStringLiteral(KORDEX_DEMO_DIR "/") + file);
    QVERIFY(in.open(QIODevice::ReadOnly));
    WindowFixture f;
    f.show();
    ReplayFeed feed(f.link(), in.readAll());
    feed.start("Demo");
    QVERIFY(f.clock.advanceUntil([&] { return feed.finished(); }, 10000));
    f.window->showPending();

    QTEST(f.session().panelType(), "face");
    QVERIFY(f.session().tandemMode);
    QCOMPARE(shownContainer(*f.window), container);
    QVERIFY(f.window->windowTitle().endsWith(QStringLiteral(": Demo")));
    QVERIFY(!f.window->lcdDisplay->toPlainText().trimmed().isEmpty());

    // Lamps in every state, and the event lines below the face.
    QByteArray letters = f.engine().indicators.toBytes();
    for (char c : QByteArray("QFSNO"))
        QVERIFY2(letters.contains(c), qPrintable(QStringLiteral("state %1 missing").arg(c)));
    const QStringList lines = f.window->eventScreenLines();
    int events = 0;
    for (const QString &l : lines)
        events += l.size() > 9 && l.at(2) == ':' && l.at(5) == ':' ? 1 : 0;
    QCOMPARE(events, 4);

    // The steady lamps are painted on the next slow step.
    f.paintSteady();
    const QColor white(Qt::white);
    int lit = 0;
    for (LampWidget *l : f.window->faces().container(container)->findChildren<LampWidget *>())
        lit += l->color() != white ? 1 : 0;
    QVERIFY(lit >= 2);
}

void TestWindowShell::demoFilesMatchGenerator()
{
    for (const auto &d : demo::demoFaces()) {
        QFile in(QStringLiteral(KORDEX_DEMO_DIR "/") + QString::fromLatin1(d.fileName));
        QVERIFY2(in.open(QIODevice::ReadOnly), d.fileName);
        QCOMPARE(in.readAll(), demo::demoStream(d.face));
    }
    // The indicator line's checksum is the byte sum modulo 256.
    QCOMPARE(demo::indicatorLine("NOQ"), QByteArray("005NOQ83"));
}

void TestWindowShell::replayWaitsForGuardAndKeepsRate()
{
    WindowFixture f;
    QByteArray data(5000, 'x');
    ReplayFeed feed(f.link(), data, 960);
    feed.start("Rate");
    QVERIFY(f.session().connected);
    QVERIFY(!f.link().currentConnection.autoLogin);
    f.window->showPending();
    QCOMPARE(f.window->windowTitle(), QStringLiteral("Kordex V3.00 Terminal Mode"));
    f.clock.advance(990);
    QCOMPARE(feed.fed(), 0);  // the start-up guard still runs
    f.clock.advance(30);
    const qsizetype atStart = feed.fed();
    f.clock.advance(1000);
    QVERIFY2(qAbs(feed.fed() - atStart - 960) <= 25, qPrintable(QString::number(feed.fed() - atStart)));
}

void TestWindowShell::commandLineConnection_data()
{
    QTest::addColumn<QByteArray>("argument");
    QTest::addColumn<QList<int>>("connected");
    QTest::addColumn<bool>("timerStops");
    QTest::addColumn<bool>("closedWhileConnecting");
    // The book as loaded: sorted by name, "Site A", "site a", "Site B".
    QTest::newRow("other case") << QByteArray("site b") << QList<int>{2} << true << false;
    QTest::newRow("two matches") << QByteArray("SITE A") << QList<int>{0, 1} << true << false;
    QTest::newRow("no match") << QByteArray("Nowhere") << QList<int>{} << true << false;
    QTest::newRow("no argument") << QByteArray() << QList<int>{} << false << false;
    // The forced flag is not the operator's: the close leaves the file alone.
    QTest::newRow("closed while connecting") << QByteArray("site b") << QList<int>{2} << true << true;
}

void TestWindowShell::commandLineConnection()
{
    QFETCH(QByteArray, argument);
    QFETCH(QList<int>, connected);
    QFETCH(bool, timerStops);
    QFETCH(bool, closedWhileConnecting);
    // The dialog's connect action reads the book from the file.
    QTemporaryDir dir;
    StorageFolders folders{dir.path() + QStringLiteral("/"), dir.path() + QStringLiteral("/"), false};
    ScriptedPrompter configPrompter;
    Configuration configuration(folders, configPrompter);
    QVERIFY(storeBook(configuration, {"Site A", "Site B", "site a"}));

    WindowFixture f(false, [&](Program::Options &o) {
        o.connectionArgument = argument;
        o.configuration = &configuration;
    });
    f.transport.open = false;
    QList<int> calls;
    QList<bool> autoLogin;
    f.transport.onBringUp = [&] {
        calls << f.link().currentIndex;
        autoLogin << f.link().currentConnection.autoLogin;
    };
    f.clock.advance(1400);
    QVERIFY(calls.isEmpty());
    f.clock.advance(200);
    QCOMPARE(calls, connected.mid(0, 1));
    if (closedWhileConnecting) {
        QFile ini(dir.filePath(kIniFileName));
        QVERIFY(ini.open(QIODevice::ReadOnly));
        const QByteArray before = ini.readAll();
        ini.close();
        f.window->close();
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QCOMPARE(ini.readAll(), before);
        return;
    }
    // A second match connects once the first attempt has ended (no panel
    // answers the login here).
    f.clock.advance(120000);
    QCOMPARE(calls, connected);
    for (bool a : autoLogin)
        QVERIFY(a);  // forced on for the attempt
    for (int i = 0; i < f.program->book.count(); ++i)
        QVERIFY(!f.program->book.at(i).autoLogin);  // and the stored flag kept
    QCOMPARE(!f.program->commandLineTimer.isRunning(), timerStops);
}

// Connected to Alpha, the dialog connects to Bravo: the marker leaves
// Alpha with the old connection and comes to Bravo with the new one.
void TestWindowShell::dialogConnectMovesTheMarker()
{
    QTemporaryDir dir;
    StorageFolders folders{dir.path() + QStringLiteral("/"), dir.path() + QStringLiteral("/"), false};
    ScriptedPrompter configPrompter;
    Configuration configuration(folders, configPrompter);
    QVERIFY(storeBook(configuration, {"Alpha", "Bravo"}));
    WindowFixture f(false, [&](Program::Options &o) { o.configuration = &configuration; });
    auto marked = [&] {
        QList<QByteArray> r;
        for (const QByteArray &c : f.link().connectMenu().captions())
            if (c.endsWith(kCurrentMarker))
                r << c;
        return r;
    };
    f.link().connectToStored(0);
    f.clock.advance(60000);
    QVERIFY(f.session().connected);
    QCOMPARE(marked(), QList<QByteArray>{"Alpha (*)"});

    f.prompter.yesNoReplies = {true};
    f.program->dialog->showInMode(DialogMode::Select);
    f.program->dialog->logic().selectEntry(1);
    f.program->dialog->logic().accept();
    QCOMPARE(f.prompter.questions.size(), size_t(1));
    f.clock.advance(60000);
    QVERIFY(f.session().connected);
    QCOMPARE(f.link().currentIndex, 1);
    QCOMPARE(marked(), QList<QByteArray>{"Bravo (*)"});
}

void TestWindowShell::helpHook()
{
    WindowFixture f;
    MainWindow &w = *f.window;
    QVERIFY(!w.help().window());
    w.menuItem("MenuHelp")->trigger();
    HelpWindow *hw = w.help().window();
    QVERIFY(hw && hw->isVisible());
    QCOMPARE(hw->source(), QUrl("qrc:/help/contents.html"));
    for (int topic : HelpWindow::kTopics) {
        QVERIFY(raiseHelpEvent(1, topic));
        QCOMPARE(hw->source(), HelpWindow::topicUrl(topic));
        QTextBrowser *b = hw->findChild<QTextBrowser *>();
        QVERIFY2(b->toPlainText().size() > 200, qPrintable(QString::number(topic)));
    }
    // Every row of the contents list opens a page of its own that exists,
    // and the row follows the page shown.
    auto *list = hw->findChild<QListWidget *>();
    QSet<QUrl> pages;
    for (int i = 0; i < list->count(); ++i) {
        list->setCurrentRow(i);
        pages.insert(hw->source());
        QVERIFY2(hw->findChild<QTextBrowser *>()->toPlainText().size() > 100, qPrintable(list->item(i)->text()));
    }
    QCOMPARE(pages.size(), list->count());
    QVERIFY(pages.contains(QUrl("qrc:/help/practice.html")));
    QVERIFY(raiseHelpEvent(1, 9));
    QCOMPARE(list->currentItem()->text(), QStringLiteral("Leaving tandem mode"));
    QVERIFY(raiseHelpEvent(1, 2));  // no such topic: the contents
    QCOMPARE(hw->source(), QUrl("qrc:/help/contents.html"));
    QVERIFY(raiseHelpEvent(7, 4));  // other commands do nothing
    QCOMPARE(hw->source(), QUrl("qrc:/help/contents.html"));
    w.close();  // closing the window closes every help window
    QVERIFY(!hw->isVisible());
}

void TestWindowShell::contextHelpInMenus()
{
    WindowFixture f;
    f.show();
    MainWindow &w = *f.window;
    QMenu *file = w.menuItem("Connect1")->associatedObjects().isEmpty()
                      ? nullptr
                      : qobject_cast<QMenu *>(w.menuItem("Connect1")->associatedObjects().first());
    QVERIFY(file);
    file->popup(QPoint(10, 10));
    QVERIFY(QTest::qWaitForWindowExposed(file));
    file->setActiveAction(w.menuItem("Connect1"));
    QTest::keyClick(file, Qt::Key_F1);
    QVERIFY(w.help().window());
    QCOMPARE(w.help().window()->source(), HelpWindow::topicUrl(4));
    file->close();
}

void TestWindowShell::aboutBox()
{
    WindowFixture f;
    f.window->menuItem("About")->trigger();
    QCOMPARE(f.prompter.messages.size(), size_t(1));
    QCOMPARE(f.prompter.messages[0].title, QStringLiteral("Kordex V3.00 "));
    QVERIFY(f.prompter.messages[0].text.contains(QStringLiteral("rights reserved")));
    QVERIFY(f.prompter.messages[0].text.contains(QStringLiteral("Lesser General Public License")));
}

void TestWindowShell::boxesComeOverTheirWindow_data()
{
    QTest::addColumn<QString>("working");  // where the operator is when the box comes
    QTest::addColumn<QString>("owner");
    QTest::addColumn<bool>("keptAbove");
    const QString main = QStringLiteral("main"), dialog = QStringLiteral("dialog");
    QTest::newRow("the main window") << main << main << false;
    QTest::newRow("the dialog kept on top") << dialog << dialog << true;
    QTest::newRow("start-up: nothing shown yet") << QString() << main << false;
    QTest::newRow("the main window closed") << QStringLiteral("closed") << main << false;
}

// A box belongs to the window the operator works in and comes over it; a
// message during start-up shows the main window first, but one after the
// close does not open it again.
void TestWindowShell::boxesComeOverTheirWindow()
{
    QFETCH(QString, working);
    QFETCH(QString, owner);
    QFETCH(bool, keptAbove);
    QWidget main;
    main.setProperty("mainWindow", true);
    main.resize(400, 300);
    QDialog dialog(&main, Qt::Tool | Qt::WindowStaysOnTopHint);
    if (!working.isEmpty()) {
        main.show();
        QVERIFY(QTest::qWaitForWindowActive(&main));
    }
    if (working == QLatin1String("dialog")) {
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
    }
    if (working == QLatin1String("closed"))
        main.close();
    MessageBoxPrompter boxes;  // as in main(), before it is told the window
    boxes.message(QStringLiteral("Error"), QStringLiteral("Entry of System Name Required"), Prompter::Icon::Error);
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    QVERIFY(box);
    QCOMPARE(box->parentWidget(), owner == QLatin1String("dialog") ? static_cast<QWidget *>(&dialog) : &main);
    QCOMPARE(bool(box->windowFlags() & Qt::WindowStaysOnTopHint), keptAbove);
    QCOMPARE(main.isVisible(), working != QLatin1String("closed"));
    QVERIFY(box->isVisible());
}

void TestWindowShell::boxesDoNotWait_data()
{
    QTest::addColumn<QString>("kind");  // message, question, open, save
    QTest::addColumn<QString>("end");   // how the box goes
    QTest::addColumn<QStringList>("answers");
    const QStringList none, closed{QStringLiteral("closed")}, yes{QStringLiteral("yes")}, no{QStringLiteral("no")};
    QTest::newRow("message, OK") << QStringLiteral("message") << QStringLiteral("Ok") << closed;
    QTest::newRow("question, Yes") << QStringLiteral("question") << QStringLiteral("Yes") << yes;
    QTest::newRow("question, No") << QStringLiteral("question") << QStringLiteral("No") << no;
    // The box stays when its window is closed, until it is answered.
    QTest::newRow("question, Yes after its window closed")
        << QStringLiteral("question") << QStringLiteral("window closed, Yes") << yes;
    QTest::newRow("open, chosen") << QStringLiteral("open") << QStringLiteral("chosen")
                                  << QStringList{QStringLiteral("panel.s28")};
    QTest::newRow("save, cancelled") << QStringLiteral("save") << QStringLiteral("cancelled")
                                     << QStringList{QStringLiteral("cancelled")};
    // Nobody there to click: the open box ends as No, and the next is No at once.
    QTest::newRow("question, unattended") << QStringLiteral("question") << QStringLiteral("unattended")
                                          << QStringList{QStringLiteral("no"), QStringLiteral("no")};
    QTest::newRow("message, unattended") << QStringLiteral("message") << QStringLiteral("unattended") << closed;
    QTest::newRow("question, its window destroyed")
        << QStringLiteral("question") << QStringLiteral("window gone") << no;
    QTest::newRow("question, the prompter destroyed")
        << QStringLiteral("question") << QStringLiteral("prompter gone") << none;
}

// A box is window-modal and returns at once: the event loop runs on under
// it (timers fire), and its answer comes once, through the callback.
void TestWindowShell::boxesDoNotWait()
{
    QFETCH(QString, kind);
    QFETCH(QString, end);
    QFETCH(QStringList, answers);
    auto main = std::make_unique<QWidget>();
    main->setProperty("mainWindow", true);
    main->resize(400, 300);
    main->show();
    QVERIFY(QTest::qWaitForWindowActive(main.get()));
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("panel.s28"));
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("S0030000FC\r\n");
    }
    auto boxes = std::make_unique<MessageBoxPrompter>(main.get());
    QStringList got;
    auto ask = [&] {
        const FileDialog files{QStringLiteral("Select Database File to Send"), QStringLiteral("All files (*)"),
                               QStringLiteral("capture"), QStringLiteral("txt")};
        auto chosen = [&](std::optional<QString> path) {
            got << (path ? QFileInfo(*path).fileName() : QStringLiteral("cancelled"));
        };
        if (kind == QLatin1String("message"))
            boxes->message(QStringLiteral("Connection Lost"), QStringLiteral("The serial port was lost."),
                           Prompter::Icon::None, [&] { got << QStringLiteral("closed"); });
        else if (kind == QLatin1String("question"))
            boxes->askYesNo(QStringLiteral("Warning"),
                            QStringLiteral("Do you really want the FIP to leave Tandem Mode?"),
                            [&](bool yes) { got << (yes ? QStringLiteral("yes") : QStringLiteral("no")); });
        else if (kind == QLatin1String("open"))
            boxes->openFileName(files, chosen);
        else
            boxes->saveFileName(files, chosen);
    };
    ask();
    QVERIFY(got.isEmpty());
    QCOMPARE(boxes->openCount(), 1);
    QPointer<QDialog> box = qobject_cast<QDialog *>(QApplication::activeModalWidget());
    QVERIFY(box);
    QCOMPARE(box->parentWidget(), main.get());
    QCOMPARE(box->windowModality(), Qt::WindowModal);
    bool ticked = false;
    QTimer::singleShot(1, [&] { ticked = true; });
    QTRY_VERIFY(ticked);
    QVERIFY(box && box->isVisible());
    QVERIFY(got.isEmpty());

    auto click = [&](QMessageBox::StandardButton which) {
        auto *b = qobject_cast<QMessageBox *>(box.data());
        QVERIFY(b && b->button(which));
        QTest::mouseClick(b->button(which), Qt::LeftButton);
    };
    if (end == QLatin1String("window closed, Yes")) {
        main->close();
        QVERIFY(box->isVisible());
        QCOMPARE(boxes->openCount(), 1);
        click(QMessageBox::Yes);
    } else if (end == QLatin1String("Ok") || end == QLatin1String("Yes") || end == QLatin1String("No")) {
        click(end == QLatin1String("Ok")    ? QMessageBox::Ok
              : end == QLatin1String("Yes") ? QMessageBox::Yes
                                            : QMessageBox::No);
    } else if (end == QLatin1String("chosen")) {
        auto *d = qobject_cast<QFileDialog *>(box.data());
        QVERIFY(d);
        auto *name = d->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        QTest::keyClicks(name, file);  // typed, as the operator may
        box->accept();                 // the dialog's own accept: as its Open button
    } else if (end == QLatin1String("cancelled")) {
        box->reject();
    } else if (end == QLatin1String("unattended")) {
        boxes->setUnattended();
        QVERIFY(!box || !box->isVisible());
        if (kind == QLatin1String("question"))
            ask();
    } else if (end == QLatin1String("window gone")) {
        main.reset();
        QVERIFY(!box);
    } else if (end == QLatin1String("prompter gone")) {
        boxes.reset();
        QVERIFY(!box || !box->isVisible());
    }
    QCOMPARE(got, answers);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!box);  // gone, and with it any later answer
    QCOMPARE(got, answers);
    if (boxes)
        QCOMPARE(boxes->openCount(), 0);
}

void TestWindowShell::sigtermClosesLikeExit()
{
    WindowFixture f(true);
    f.show();
    bool closing = false;
    f.window->onClosing = [&, programClose = f.window->onClosing] {
        closing = true;
        programClose();
    };
    TerminationSignals signals_([&](int) { f.window->close(); });
    QVERIFY(signals_.installed());
    ::raise(SIGTERM);
    QTRY_VERIFY_WITH_TIMEOUT(closing, 2000);
    QVERIFY(!f.window->isVisible());
    QVERIFY(!f.engine().flash.isRunning());
    QVERIFY(f.session().abortRequested);
}

// The close does not wait on its boxes, and the program does not end under
// them: a save that failed at the close is read before the program ends.
void TestWindowShell::endWaitsForTheBoxesOfTheClose()
{
    QTemporaryDir dir;
    const StorageFolders folders{dir.path() + QStringLiteral("/"), dir.path() + QStringLiteral("/"), false};
    {
        ScriptedPrompter silent;
        ConnectionBook empty;
        QVERIFY(Configuration(folders, silent).saveConnections(empty));
    }
    ScriptedPrompter boxes;
    Configuration configuration(folders, boxes);
    VirtualClock clock;
    Program::Options o;
    o.flashLamps = false;
    o.configuration = &configuration;
    Program program(clock, boxes, o);
    program.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&program.window));
    QVERIFY(boxes.messages.empty());
    const QString ini = dir.filePath(kIniFileName);
    QVERIFY(QFile::remove(ini) && QDir().mkdir(ini));  // a folder in its place cannot be written
    ConnectionRecord added;
    added.systemName = "Added";
    program.book.add(added);  // an unchanged book would not be written at all
    boxes.holdAnswers = true;
    program.window.close();
    QVERIFY(!program.window.isVisible());
    QCOMPARE(boxes.messages.size(), size_t(1));
    QCOMPARE(boxes.messages[0].text, QStringLiteral("File Write Error. Records not saved."));
    QVERIFY(program.link.idle());
    QVERIFY(!program.mayEnd(Program::kTearDownLimitMs + 1));
    boxes.release();
    QVERIFY(program.mayEnd(0));
}

QTEST_MAIN(TestWindowShell)
#include "test_window_shell.moc"
