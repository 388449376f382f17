// Operator input through the real window: pictured keys with hold repeat,
// the keyboard rules per face and mode, the confirmed C, the tray label and
// the menu items that send.
#include "window_fixture.h"

#include "face_logic/key_input.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>

using namespace kordex;
using namespace kordex::test;

class TestWindowInput : public QObject {
    Q_OBJECT
private slots:
    void clickSendsCodeOnce();
    void holdRepeatsEveryThreeSeconds();
    void firstShortClickAfterStartUpIsNoHold();
    void releaseReachesPressedKeyOutsideIt();
    void keyComesUpBeforeEndOfHoldIsSent();
    void keyHiddenWhileHeldEndsHold();
    void notConnectedMovesPicturesOnly();
    void relayKeyOnFace4();
    void keyboard_data();
    void keyboard();
    void keysNeverReachControls_data();
    void keysNeverReachControls();
    void altF4SendsThenCloses();
    void confirmedC_data();
    void confirmedC();
    void eventsLabelAndMenuItems();
};

void TestWindowInput::clickSendsCodeOnce()
{
    WindowFixture f;
    f.showInTandem(1);
    KeyWidget *zone = f.key("V01ZO");
    QTest::mousePress(zone, Qt::LeftButton);
    QVERIFY(zone->showsPressed());
    QCOMPARE(zone->pictureName().toUpper(), QStringLiteral("V01ZO1CL"));
    QTest::mouseRelease(zone, Qt::LeftButton);
    QVERIFY(!zone->showsPressed());
    QCOMPARE(f.sent, QByteArray("Z"));
    // Any button presses.
    QTest::mouseClick(f.key("V0107"), Qt::RightButton);
    QCOMPARE(f.sent, QByteArray("Z7"));
}

void TestWindowInput::holdRepeatsEveryThreeSeconds()
{
    WindowFixture f;
    f.showInTandem(6);
    KeyWidget *reset = f.key("ZR9RE");
    QTest::mousePress(reset, Qt::LeftButton);
    f.clock.advance(7000);
    QTest::mouseRelease(reset, Qt::LeftButton);
    QCOMPARE(f.sent, QByteArray("r/r/r//"));
    QCOMPARE(f.window->keyInput().heldKey, 0);
    QVERIFY(!f.window->keyInput().repeatSent);
    // The next click is a plain click again.
    f.sent.clear();
    QTest::mouseClick(reset, Qt::LeftButton);
    f.clock.advance(5000);
    QCOMPARE(f.sent, QByteArray("r"));
}

void TestWindowInput::firstShortClickAfterStartUpIsNoHold()
{
    // TimerHKI runs from start-up; a click 2.9 s later must not repeat.
    WindowFixture f;
    f.show();
    f.connect();
    f.session().setPanelType(1);
    f.engine().selectFace();
    f.clock.advance(2900);
    KeyWidget *ack = f.key("V01AK");
    QTest::mousePress(ack, Qt::LeftButton);
    f.clock.advance(500);
    QTest::mouseRelease(ack, Qt::LeftButton);
    QCOMPARE(f.sent, QByteArray("a"));
}

void TestWindowInput::releaseReachesPressedKeyOutsideIt()
{
    WindowFixture f;
    f.showInTandem(5);
    KeyWidget *isolate = f.key("V11IS");
    QTest::mousePress(isolate, Qt::LeftButton, {}, QPoint(5, 5));
    f.clock.advance(3100);
    QTest::mouseMove(isolate, QPoint(200, 200));
    QTest::mouseRelease(isolate, Qt::LeftButton, {}, QPoint(200, 200));
    QVERIFY(!isolate->showsPressed());
    QCOMPARE(f.sent, QByteArray("i/i//"));
}

void TestWindowInput::keyComesUpBeforeEndOfHoldIsSent()
{
    // A send may wait for transmit room while events run: by then the
    // released key must already be drawn up.
    WindowFixture f;
    f.showInTandem(1);
    KeyWidget *zone = f.key("V01ZO");
    QByteArray pressedAtSend;
    f.transport.onSend = [&](const QByteArray &) { pressedAtSend.append(zone->showsPressed() ? 'D' : 'U'); };
    QTest::mousePress(zone, Qt::LeftButton);
    f.clock.advance(3100);
    QTest::mouseRelease(zone, Qt::LeftButton);
    QCOMPARE(f.sent, QByteArray("Z/Z//"));
    QCOMPARE(pressedAtSend, QByteArray("DDDUU"));
}

void TestWindowInput::keyHiddenWhileHeldEndsHold()
{
    WindowFixture f;
    f.showInTandem(6);
    QTest::mousePress(f.key("ZR9SW"), Qt::LeftButton);
    f.clock.advance(3100);
    f.engine().switchMode();  // the face goes away under the pointer
    f.clock.advance(6000);
    QCOMPARE(f.sent, QByteArray("W/W//"));
}

void TestWindowInput::notConnectedMovesPicturesOnly()
{
    WindowFixture f;
    f.show();
    f.session().setPanelType(4);
    f.engine().selectFace();
    KeyWidget *enter = f.key("V01EN");
    QTest::mousePress(enter, Qt::LeftButton);
    QVERIFY(enter->showsPressed());
    f.clock.advance(7000);
    QTest::mouseRelease(enter, Qt::LeftButton);
    QVERIFY(!enter->showsPressed());
    QTest::keyClick(f.window, Qt::Key_A);
    QTest::keyClick(f.window, Qt::Key_Up);
    QVERIFY(f.sent.isEmpty());
}

void TestWindowInput::relayKeyOnFace4()
{
    WindowFixture f;
    f.showInTandem(4);
    QTest::mouseClick(f.key("V01RP"), Qt::LeftButton);
    QTest::mouseClick(f.key("V01XO"), Qt::LeftButton);
    f.session().setPanelType(1);
    f.engine().selectFace();
    QTest::mouseClick(f.key("V01RP"), Qt::LeftButton);
    QCOMPARE(f.sent, QByteArray("R@P"));
}

void TestWindowInput::keyboard_data()
{
    QTest::addColumn<int>("face");
    QTest::addColumn<bool>("tandem");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QByteArray>("expected");
    const int none = Qt::NoModifier, shift = Qt::ShiftModifier;
    QTest::newRow("5 up") << 5 << true << int(Qt::Key_Up) << none << QByteArray("u");
    QTest::newRow("5 down") << 5 << true << int(Qt::Key_Down) << none << QByteArray("d");
    QTest::newRow("1 left") << 1 << true << int(Qt::Key_Left) << none << QByteArray("<");
    QTest::newRow("4 right") << 4 << true << int(Qt::Key_Right) << none << QByteArray(">");
    QTest::newRow("1 F3 = RESET") << 1 << true << int(Qt::Key_F3) << none << QByteArray("r");
    QTest::newRow("5 F1") << 5 << true << int(Qt::Key_F1) << none << QByteArray("p");
    QTest::newRow("6 up") << 6 << true << int(Qt::Key_Up) << none << QByteArray("2");
    QTest::newRow("7 left") << 7 << true << int(Qt::Key_Left) << none << QByteArray("4");
    QTest::newRow("6 F1") << 6 << true << int(Qt::Key_F1) << none << QByteArray("v");
    QTest::newRow("7 F4") << 7 << true << int(Qt::Key_F4) << none << QByteArray("y");
    QTest::newRow("6 F5") << 6 << true << int(Qt::Key_F5) << none << QByteArray("H");
    QTest::newRow("8 F5 only") << 8 << true << int(Qt::Key_F5) << none << QByteArray("H");
    QTest::newRow("8 up nothing") << 8 << true << int(Qt::Key_Up) << none << QByteArray();
    QTest::newRow("terminal up nothing") << 0 << false << int(Qt::Key_Up) << none << QByteArray();
    QTest::newRow("terminal F5 nothing") << 0 << false << int(Qt::Key_F5) << none << QByteArray();
    QTest::newRow("escape tandem") << 1 << true << int(Qt::Key_Escape) << none << QByteArray("\x08");
    QTest::newRow("escape terminal") << 0 << false << int(Qt::Key_Escape) << none << QByteArray("\x1b");
    QTest::newRow("enter") << 6 << true << int(Qt::Key_Return) << none << QByteArray("\r");
    QTest::newRow("backspace") << 1 << true << int(Qt::Key_Backspace) << none << QByteArray("\x08");
    QTest::newRow("lower c tandem") << 1 << true << int(Qt::Key_C) << none << QByteArray("c");
    QTest::newRow("upper C terminal") << 0 << false << int('C') << shift << QByteArray("C");
    QTest::newRow("digit") << 5 << true << int(Qt::Key_7) << none << QByteArray("7");
    QTest::newRow("H refresh") << 5 << true << int('H') << shift << QByteArray("H");
}

void TestWindowInput::keyboard()
{
    QFETCH(int, face);
    QFETCH(bool, tandem);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    WindowFixture f;
    f.show();
    if (tandem)
        f.enterTandem(face);
    else
        f.connect();
    // Whatever control has the focus, the window sees the key first.
    f.window->eventScreen->setFocus();
    // Printable keys go as characters, so the event carries their text.
    if (key >= 0x20 && key < 0x7F && (modifiers & Qt::ShiftModifier))
        QTest::keyClick(f.window->eventScreen, char(key), Qt::KeyboardModifiers(modifiers));
    else
        QTest::keyClick(f.window->eventScreen, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QTEST(f.sent, "expected");
    QVERIFY(f.prompter.questions.empty());
    QVERIFY(f.window->isVisible());
}

namespace {
// Counts the presses of one key that reach a control.
struct KeyCounter : QObject {
    int key = 0, seen = 0;
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(e)->key() == key)
            ++seen;
        return false;
    }
};
}  // namespace

void TestWindowInput::keysNeverReachControls_data()
{
    QTest::addColumn<int>("face");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QByteArray>("expected");
    const int none = Qt::NoModifier, alt = Qt::AltModifier;
    QTest::newRow("up") << 5 << int(Qt::Key_Up) << none << QByteArray("u");
    QTest::newRow("alt up") << 5 << int(Qt::Key_Up) << alt << QByteArray("u");
    QTest::newRow("alt left ZR9") << 6 << int(Qt::Key_Left) << alt << QByteArray("4");
    QTest::newRow("alt F5") << 1 << int(Qt::Key_F5) << alt << QByteArray("H");
    QTest::newRow("alt F1") << 7 << int(Qt::Key_F1) << alt << QByteArray("v");
    QTest::newRow("page down") << 1 << int(Qt::Key_PageDown) << none << QByteArray();
    QTest::newRow("end") << 1 << int(Qt::Key_End) << none << QByteArray();
    QTest::newRow("letter") << 1 << int(Qt::Key_A) << none << QByteArray("a");
}

void TestWindowInput::keysNeverReachControls()
{
    QFETCH(int, face);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    WindowFixture f;
    f.showInTandem(face);
    KeyCounter counter;
    counter.key = key;
    f.window->eventScreen->installEventFilter(&counter);
    f.window->eventScreen->setFocus();
    QTest::keyClick(f.window->eventScreen, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QTEST(f.sent, "expected");
    QCOMPARE(counter.seen, 0);
    QVERIFY(f.window->isVisible());
}

void TestWindowInput::altF4SendsThenCloses()
{
    for (int face : {1, 6}) {
        WindowFixture f;
        f.showInTandem(face);
        QTest::keyClick(f.window, Qt::Key_F4, Qt::AltModifier);
        QCOMPARE(f.sent, QByteArray("s"));
        QVERIFY(!f.window->isVisible());
    }
}

void TestWindowInput::confirmedC_data()
{
    QTest::addColumn<bool>("yes");
    QTest::addColumn<bool>("viaMenu");
    QTest::addColumn<QString>("meanwhile");  // before a held answer comes
    QTest::addColumn<bool>("sendsC");
    QTest::newRow("typed, Yes") << true << false << QString() << true;
    QTest::newRow("typed, No") << false << false << QString() << false;
    QTest::newRow("menu, Yes") << true << true << QString() << true;
    QTest::newRow("menu, No") << false << true << QString() << false;
    // The window runs on while the box is open; the C goes only if it is
    // still the tandem stretch the question was asked in.
    QTest::newRow("Yes later") << true << false << QStringLiteral("nothing") << true;
    QTest::newRow("Yes after the panel left tandem mode") << true << false << QStringLiteral("tandem left") << false;
    QTest::newRow("Yes after the link was lost") << true << false << QStringLiteral("link lost") << false;
    QTest::newRow("Yes after tandem mode was left and entered again")
        << true << false << QStringLiteral("tandem again") << false;
}

void TestWindowInput::confirmedC()
{
    QFETCH(bool, yes);
    QFETCH(bool, viaMenu);
    QFETCH(QString, meanwhile);
    QFETCH(bool, sendsC);
    WindowFixture f;
    f.showInTandem(5);
    MainWindow &w = *f.window;
    QVERIFY(w.menuItem("CloseTandemMode1")->isVisible());
    QVERIFY(w.menuItem("Refresh1")->isEnabled());
    f.prompter.yesNoReplies = {yes};
    f.prompter.holdAnswers = !meanwhile.isEmpty();
    if (viaMenu)
        w.menuItem("CloseTandemMode1")->trigger();
    else
        QTest::keyClick(&w, 'C', Qt::ShiftModifier);
    if (f.prompter.holdAnswers) {
        QVERIFY(f.sent.isEmpty());
        if (meanwhile != QLatin1String("nothing"))
            f.engine().switchMode();  // the link leaves tandem mode when it ends
        if (meanwhile == QLatin1String("link lost"))
            SessionRig::link(f.session()).connected = false;
        if (meanwhile == QLatin1String("tandem again")) {
            f.clock.advance(1001);
            f.engine().switchMode();
        }
        f.prompter.release();
    }

    QCOMPARE(f.prompter.questions.size(), size_t(1));
    QCOMPARE(f.prompter.questions[0].title, QStringLiteral("Warning"));
    QCOMPARE(f.prompter.questions[0].text, QStringLiteral("Do you really want the FIP to leave Tandem Mode?"));
    if (sendsC) {
        QCOMPARE(f.sent, QByteArray("C"));
        QVERIFY(!f.session().tandemMode);
        QTRY_COMPARE(w.windowTitle(), QStringLiteral("Kordex V3.00 Terminal Mode"));  // at the next frame
        QVERIFY(!w.menuItem("CloseTandemMode1")->isVisible());
        QVERIFY(!w.menuItem("Refresh1")->isEnabled());
        QCOMPARE(w.eventScreen->geometry(), QRect(0, 0, 793, 522));
        // Now a C goes straight to the panel.
        f.prompter.holdAnswers = false;
        QTest::keyClick(&w, 'C', Qt::ShiftModifier);
        QCOMPARE(f.sent, QByteArray("CC"));
        QCOMPARE(f.prompter.questions.size(), size_t(1));
    } else {
        QVERIFY(f.sent.isEmpty());
        // Where the answer found the window, it stays.
        const bool tandem = meanwhile.isEmpty() || meanwhile == QLatin1String("tandem again");
        QCOMPARE(f.session().tandemMode, tandem);
        QCOMPARE(w.menuItem("CloseTandemMode1")->isVisible(), tandem);
        if (meanwhile.isEmpty())
            QVERIFY(w.faces().container(Container::AS4428p)->isVisibleTo(w.client()));
    }
}

void TestWindowInput::eventsLabelAndMenuItems()
{
    WindowFixture f;
    f.showInTandem(4);
    MainWindow &w = *f.window;
    f.session().eventDisplayAllowed = true;
    f.engine().indicators.set(28, 'O');
    f.dispatch('O', false);
    QVERIFY(w.eventsLabel->isVisible());
    QTest::mouseClick(w.eventsLabel, Qt::RightButton);  // not a click
    QVERIFY(f.sent.isEmpty());
    QTest::mouseClick(w.eventsLabel, Qt::LeftButton);
    w.menuItem("Events1")->trigger();
    QVERIFY(!w.menuItem("Events1")->isChecked());  // the panel's report sets the mark
    f.engine().indicators.set(28, 'N');
    f.dispatch('N', true);
    QTest::mouseClick(w.eventsLabel, Qt::LeftButton);
    w.menuItem("Events1")->trigger();
    QVERIFY(w.menuItem("Events1")->isChecked());
    w.menuItem("Refresh1")->trigger();
    QCOMPARE(f.sent, QByteArray("\"\"''H"));

    // Refresh is for tandem mode only.
    f.sent.clear();
    w.keyInput().refresh();
    SessionRig::mode(f.session()).tandemMode = false;
    w.keyInput().refresh();
    QCOMPARE(f.sent, QByteArray("H"));
}

QTEST_MAIN(TestWindowInput)
#include "test_window_input.moc"
