// Pictures of the real window for people to look at: each face as its demo
// stream leaves it, and one face with every lamp lit. Written to
// <build>/screens/face-N.png.
#include "window_fixture.h"

#include "demo_streams.h"
#include "faces/replay_feed.h"

#include <QDir>
#include <QPixmap>

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

private:
    static QString dir() { return QStringLiteral(KORDEX_SCREENS_DIR); }
    static void save(TLcd &w, const QString &name)
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
    play(f, 7);
    for (int k = 3; k < 30; ++k)
        f.engine().indicators.set(k, 'N');
    f.dispatch('N', true);
    QCoreApplication::processEvents();
    save(*f.window, QStringLiteral("face-7-lit.png"));
    play(f, 5);
    for (int k = 3; k < 30; ++k)
        f.engine().indicators.set(k, 'N');
    f.dispatch('N', true);
    QCoreApplication::processEvents();
    save(*f.window, QStringLiteral("face-5-lit.png"));
}

QTEST_MAIN(TestWindowScreens)
#include "test_window_screens.moc"
