// Pictures of the real window for people to look at: each face as its demo
// stream leaves it, and one face with every lamp lit. Written to
// <build>/screens/face-N.png.
#include "window_fixture.h"

#include "dark_palette.h"
#include "demo_streams.h"
#include "face_logic/replay_feed.h"
#include "faces/help_window.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>

using namespace kordex;
using namespace kordex::test;

class TestWindowScreens : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(QDir().mkpath(dir())); }
    void notConnected();
    void faces_data();
    void faces();
    void allLampsLit();
    void darkDesktopAndHelp_data();
    void darkDesktopAndHelp();

private:
    static QString dir() { return QStringLiteral(KORDEX_SCREENS_DIR); }
    static void save(MainWindow &w, const QString &name)
    {
        w.showPending();
        const QPixmap shot = w.grab();
        QVERIFY(!shot.isNull());
        QVERIFY(shot.save(dir() + '/' + name));
    }
    static void play(WindowFixture &f, int face)
    {
        ReplayFeed feed(f.link(), demo::demoStream(face));
        feed.start("Demo site");
        QVERIFY(f.clock.advanceUntil([&] { return feed.finished(); }, 10000));
        f.paintSteady();
        f.dispatch('Q', true);
        f.dispatch('F', true);
        f.dispatch('S', true);
        QCoreApplication::processEvents();
    }
};

void TestWindowScreens::notConnected()
{
    WindowFixture f;
    f.show();
    f.paintSteady();
    save(*f.window, QStringLiteral("face-0.png"));
    f.window->setHistoryNote(QStringLiteral("Event history not recorded: database or disk is full"));
    save(*f.window, QStringLiteral("face-0-history-note.png"));
}

void TestWindowScreens::faces_data()
{
    QTest::addColumn<int>("face");
    for (const auto &d : demo::demoFaces())
        QTest::newRow(d.fileName) << d.face;
}

void TestWindowScreens::faces()
{
    QFETCH(int, face);
    WindowFixture f;
    f.show();
    play(f, face);
    QCOMPARE(f.session().panelType(), face);
    save(*f.window, QStringLiteral("face-%1.png").arg(face));
}

void TestWindowScreens::allLampsLit()
{
    WindowFixture f;
    f.show();
    for (int face : {7, 5}) {
        play(f, face);
        for (int k = 3; k < 30; ++k)
            f.engine().indicators.set(k, 'N');
        f.dispatch('N', true);
        QCoreApplication::processEvents();
        save(*f.window, QStringLiteral("face-%1-lit.png").arg(face));
    }
}

void TestWindowScreens::darkDesktopAndHelp_data()
{
    QTest::addColumn<bool>("dark");
    QTest::newRow("light") << false;
    QTest::newRow("dark") << true;
}

// Terminal text on the event screen, the tray and the help window, under
// the desktop's palette: <build>/screens/terminal[-dark].png, help[-dark].png.
void TestWindowScreens::darkDesktopAndHelp()
{
    QFETCH(bool, dark);
    const QPalette desktop = QApplication::palette();
    if (dark)
        QApplication::setPalette(darkPalette());
    const QString suffix = dark ? QStringLiteral("-dark.png") : QStringLiteral(".png");
    {
        WindowFixture f;
        f.show();
        f.connect();
        f.engine().receive(QByteArray("Q7312 V01\r\nENTER PASSWORD: ****\r\nLOGGED ON\r\n> "));
        f.clock.advance(60);
        f.engine().indicators.set(12, 'O');  // the tray says "Sounder Off"
        f.dispatch('O', false);
        save(*f.window, QStringLiteral("terminal") + suffix);
        // Text a good step of lightness away from what it stands on.
        auto apart = [](const QColor &a, const QColor &b) { return qAbs(a.lightness() - b.lightness()) >= 100; };
        QVERIFY(apart(f.window->sounderLabel->palette().color(QPalette::WindowText),
                      f.window->tray->palette().color(QPalette::Window)));
        QVERIFY(apart(f.window->eventScreen->palette().color(QPalette::Text),
                      f.window->eventScreen->palette().color(QPalette::Base)));
        f.window->move(0, 0);  // away from the middle of the screen
        f.window->showHelpTopic(0);
        HelpWindow *help = f.window->help().window();
        QVERIFY(help && help->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(help));
        // Over the main window, not in a corner of the screen.
        QVERIFY((help->frameGeometry().center() - f.window->frameGeometry().center()).manhattanLength() <= 8);
        QVERIFY(help->grab().save(dir() + QStringLiteral("/help") + suffix));
    }
    QApplication::setPalette(desktop);
}

QTEST_MAIN(TestWindowScreens)
#include "test_window_screens.moc"
