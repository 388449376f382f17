// The lamps' flashing as the program runs it: the flash steps on the
// program's clock, shown on the window's lamps once per frame.
#include "window_fixture.h"

#include "core/face_control.h"

#include <map>

using namespace kordex;
using namespace kordex::test;

namespace {

constexpr int kTick = FlashAnimator::kTickMs;
constexpr int kLimitMs = 60000;  // only catches a frame that never comes

// The lamps that stand for indicator k on the face on show, with the colour
// they are lit in.
std::vector<std::pair<LampWidget *, QColor>> lampsOf(WindowFixture &f, int k)
{
    std::vector<std::pair<LampWidget *, QColor>> r;
    const IndicatorBinding *b = f.engine().faces().bindingFor(f.session().panelType(), k);
    if (!b)
        return r;
    for (std::string_view name : b->lamps)
        if (!name.empty())
            r.emplace_back(f.window->faces().lamp(name), rgb(b->litColor));
    return r;
}

// The ticks at which a lit-or-unlit sequence changes.
QList<int> changesOf(const QList<bool> &lit)
{
    QList<int> r;
    for (int i = 1; i < lit.size(); ++i)
        if (lit[i] != lit[i - 1])
            r << i;
    return r;
}

}  // namespace

class TestFlash : public QObject {
    Q_OBJECT
private slots:
    void ratesAndPhasesOnEveryFace_data();
    void ratesAndPhasesOnEveryFace();
    void lampsChangeWithTheFrame();
    void closeEndsTheFlashingWithItsClosingSteps();
};

void TestFlash::ratesAndPhasesOnEveryFace_data()
{
    QTest::addColumn<int>("face");
    for (int face : {1, 5, 6, 7})
        QTest::addRow("face %d", face) << face;
}

// Indicators 3 to 8 in states Q, F, S, N, O and F again, watched for 48
// ticks on the lamps themselves.
void TestFlash::ratesAndPhasesOnEveryFace()
{
    QFETCH(int, face);
    WindowFixture f(true);
    f.showInTandem(face);
    const std::map<int, char> letters{{3, 'Q'}, {4, 'F'}, {5, 'S'}, {6, 'N'}, {7, 'O'}, {8, 'F'}};
    std::map<int, QList<bool>> lit;  // per indicator, one sample a tick
    for (auto [k, letter] : letters)
        f.engine().indicators.set(k, letter);
    for (int tick = 0; tick < 48; ++tick) {
        f.clock.advance(kTick);
        f.window->showPending();
        for (auto [k, letter] : letters) {
            const auto lamps = lampsOf(f, k);
            QVERIFY2(!lamps.empty(), "every face has lamps for indicators 3 to 8");
            const bool on = lamps.front().first->color() == lamps.front().second;
            for (auto [lamp, color] : lamps)
                QCOMPARE(lamp->color() == color, on);  // a lamp pair shows as one
            lit[k] << on;
        }
    }
    // Every spell of a flashing lamp, but the first one watched, lasts its rate.
    for (auto [k, spell] : std::map<int, int>{{3, 1}, {4, 4}, {5, 12}}) {
        const QList<int> changes = changesOf(lit[k]);
        QVERIFY2(changes.size() >= 3, qPrintable(QStringLiteral("indicator %1 flashes").arg(k)));
        for (int i = 1; i < changes.size(); ++i)
            QCOMPARE(changes[i] - changes[i - 1], spell);
    }
    // The phase is the letter's: lamps of one letter change together, and
    // the slower steps fall on the ticks of the faster ones.
    QCOMPARE(lit[8], lit[4]);
    for (int tick : changesOf(lit[5]))
        QVERIFY(changesOf(lit[4]).contains(tick));
    // Steady states are painted within one slow step, and then stay.
    QCOMPARE(lit[6].mid(12), QList<bool>(36, true));
    QCOMPARE(lit[7], QList<bool>(48, false));
}

// Ticks paint into the next frame, the last state winning; the frame comes
// from the window's own frame timer.
void TestFlash::lampsChangeWithTheFrame()
{
    WindowFixture f(true);
    f.showInTandem(1);
    f.window->showPending();
    f.engine().indicators.set(3, 'Q');
    const auto [lamp, litColor] = lampsOf(f, 3).front();
    const QColor before = lamp->color();
    const QColor after = before == litColor ? QColor(Qt::white) : litColor;

    f.clock.advance(kTick);
    QVERIFY(f.window->framePending());
    QCOMPARE(lamp->color(), before);
    f.clock.advance(kTick);  // toggled back before the frame
    QTRY_VERIFY_WITH_TIMEOUT(!f.window->framePending(), kLimitMs);
    QCOMPARE(lamp->color(), before);

    f.clock.advance(kTick);
    QTRY_VERIFY_WITH_TIMEOUT(!f.window->framePending(), kLimitMs);
    QCOMPARE(lamp->color(), after);
}

// The close paints the closing steps once (a steady state shows at once) and
// ends the ticks.
void TestFlash::closeEndsTheFlashingWithItsClosingSteps()
{
    WindowFixture f(true);
    f.show();
    f.session().setPanelType(1);
    f.engine().selectFace();
    f.window->showPending();
    f.engine().indicators.set(3, 'N');
    const auto [lamp, litColor] = lampsOf(f, 3).front();
    QCOMPARE(lamp->color(), QColor(Qt::white));
    f.window->close();
    QVERIFY(!f.engine().flash.isRunning());
    f.window->showPending();
    QCOMPARE(lamp->color(), litColor);
    f.engine().indicators.set(3, 'O');
    f.clock.advance(2000);
    f.window->showPending();
    QCOMPARE(lamp->color(), litColor);
}

QTEST_MAIN(TestFlash)
#include "test_flash.moc"
