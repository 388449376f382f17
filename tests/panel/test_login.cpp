// The login dialogue in terminal mode, driven by the reference login.
#include "rig.h"

#include <QtTest>

using namespace kordex::panel;
using reftest::LoginConfig;

namespace {

struct Case {
    const char *name;
    std::function<void(PanelOptions &)> panel;
    LoginConfig login;
    bool ok;
    const char *failure;
    QSet<int> rows;  // prompt rows that must have matched
};

// A panel that asks for these steps.
std::function<void(PanelOptions &)> steps(const QList<Step> &s)
{
    return [s](PanelOptions &o) { o.steps = s; };
}

}  // namespace

class LoginTests : public QObject {
    Q_OBJECT
private slots:
    void everyPromptIsAnsweredToTandemMode()
    {
        const QList<Case> cases = {
            {"password", [](PanelOptions &) {}, {}, true, "", {1}},
            {"user confirm", [](PanelOptions &o) { o.user = "SMITH"; }, {"QUOLL", "smith", 0}, true, "", {9, 13, 1}},
            {"numeric sid", [](PanelOptions &o) { o.sid = "42"; }, {"QUOLL", {}, 42}, true, "", {5, 1}},
            {"local sid keystroke", [](PanelOptions &o) { o.sid = "L"; }, {}, true, "", {5, 1}},
            {"arrow sid line", [](PanelOptions &o) { o.sid = "L", o.arrowPrompt = true; }, {}, true, "", {8, 5, 1}},
            {"printer notice", steps({Step::Printer, Step::Password}), {}, true, "", {6, 1}},
            {"programming", steps({Step::Password, Step::Program, Step::Diagnostics}), {}, true, "", {1, 2, 4}},
            {"banner", steps({Step::Password, Step::Banner}), {}, true, "", {1, 10}},
            {"information", steps({Step::Password, Step::Info, Step::Access}), {}, true, "", {1, 7, 3}},
            {"no prompts", [](PanelOptions &o) { o.password.clear(); }, {}, true, "", {}},
            {"left in tandem", [](PanelOptions &o) { o.startInTandem = true; }, {}, true, "", {1}},
            {"wrong password", [](PanelOptions &o) { o.password = "OTHER"; }, {}, false, "password", {1, 12}},
            {"wrong user", [](PanelOptions &o) { o.user = "SMITH"; }, {"QUOLL", "JONES", 0}, false, "timeout", {9, 11}},
            {"wrong sid", [](PanelOptions &o) { o.sid = "7"; }, {"QUOLL", {}, 8}, false, "timeout", {5, 12}},
        };
        for (const Case &c : cases) {
            PanelOptions o;
            c.panel(o);
            Rig rig(o);
            const auto r = reftest::runLogin(
                rig.clock, rig.screen, rig.response, [&](const QByteArray &b) { rig.feed(b); }, c.login);
            const QByteArray what = QByteArray(c.name) + " sent " + r.sent.toPercentEncoding();
            QVERIFY2(r.ok == c.ok, what);
            QCOMPARE(r.failure, QByteArray(c.failure));
            QVERIFY2((r.rowsSeen & c.rows) == c.rows, what);
            if (o.startInTandem)  // told to leave tandem mode before the escapes
                QVERIFY2(r.sent.startsWith("HC\x1b"), what);
            if (c.ok) {
                QCOMPARE(rig.sim->mode(), PanelSim::Mode::Tandem);
                QCOMPARE(rig.screen.ident, QByteArray("Q7312 1 V12"));
            } else if (QByteArray(c.failure) == "password") {
                QCOMPARE(r.passwordsSent, 12);
            }
            // Terminal lines end CR LF, never a bare LF.
            const QByteArray text = rig.screen.terminalText;
            for (qsizetype i = text.indexOf('\n'); i >= 0; i = text.indexOf('\n', i + 1))
                QVERIFY2(i > 0 && text[i - 1] == '\r', what);
            QVERIFY2(!text.contains(c.login.password) || c.login.password.isEmpty(), "password echoed");
        }
    }

    void arrowPanelGetsALineNotAKeystroke()
    {
        PanelOptions o;
        o.sid = "L";
        o.arrowPrompt = true;
        Rig rig(o);
        rig.feed("\r");
        rig.response.clear();
        rig.feed("L");  // no line end yet: nothing happens
        QCOMPARE(rig.response, QByteArray("L"));
        rig.feed("\n\r");
        QVERIFY(rig.response.contains("ENTER PASSWORD"));
    }

    void answersEndWithCrOrLfCr()
    {
        for (const QByteArray &end : {QByteArray("\r"), QByteArray("\n\r"), QByteArray("\r\n")}) {
            Rig rig;
            rig.feed("\r");
            QVERIFY(rig.response.endsWith("ENTER PASSWORD: "));
            rig.feed("QUOLL" + end);
            QCOMPARE(rig.sim->mode(), PanelSim::Mode::Tandem);
            QVERIFY(rig.screen.tandem);
        }
    }

    void deniedAndCancelledWaitForEnter()
    {
        PanelOptions o;
        o.user = "SMITH";
        Rig rig(o);
        rig.feed("\r");
        rig.feed("BROWN\r");
        QVERIFY(rig.response.endsWith("LOGIN CANCELLED\r\n"));
        rig.response.clear();
        rig.feed("\r");
        QCOMPARE(rig.response, QByteArray("\r\nENTER USERNAME: "));
        rig.feed("smith\r");
        QVERIFY(rig.response.contains("USER smith *\r\n"));
        rig.feed("\r");
        rig.response.clear();
        rig.feed("quoll\r");  // passwords are case-sensitive
        QCOMPARE(rig.response, QByteArray("\r\nACCESS DENIED\r\n"));
        rig.response.clear();
        rig.feed("\r");
        QCOMPARE(rig.response, QByteArray("\r\nENTER PASSWORD: "));
        // Escape in the middle of the dialogue cancels it once, however often pressed.
        rig.feed("\x1b\x1b\x1b");
        QCOMPARE(rig.response.count("LOGIN CANCELLED"), 1);
    }

    void commandLevelLeavesAndReentersTandem()
    {
        PanelOptions o;
        o.steps = {Step::Password, Step::Access};
        Rig rig(o);
        rig.feed("\rQUOLL\rTD\r");
        QVERIFY(rig.screen.tandem);
        rig.response.clear();
        rig.leaveTandem();
        QCOMPARE(rig.sim->mode(), PanelSim::Mode::Command);
        QVERIFY(rig.response.endsWith("TANDEM MODE ENDED\r\nENTER INFORMATION ACCESS COMMAND: "));
        rig.feed("XX\r");
        QVERIFY(rig.response.contains("INVALID COMMAND"));
        const int clears = rig.screen.clears;
        rig.feed("td\r");
        QVERIFY(rig.screen.tandem);
        QCOMPARE(rig.screen.clears, clears + 1);
        // The remote program's log-out: C, then Q and Enter twice.
        rig.leaveTandem();
        rig.response.clear();
        rig.feed("Q\n\r");
        QCOMPARE(rig.sim->mode(), PanelSim::Mode::Idle);
        QVERIFY(rig.response.contains("LOGGED OFF"));
        rig.feed("Q\n\r");
        QCOMPARE(rig.sim->mode(), PanelSim::Mode::Dialogue);
    }

    void escapeAtCommandLevelLogsOff()
    {
        LoggedIn rig;
        rig.leaveTandem();
        QCOMPARE(rig.sim->mode(), PanelSim::Mode::Command);
        rig.feed("\x1b");
        QCOMPARE(rig.sim->mode(), PanelSim::Mode::Idle);
    }

    void noOutputOutsideASession()
    {
        PanelOptions o;
        o.alarmAfterMs = 100;
        LoggedIn rig(o);
        rig.sim->endSession();
        rig.out.clear();
        rig.feed("\rQUOLL\r");
        rig.clock.advance(60000);
        QVERIFY(rig.out.isEmpty());
        QCOMPARE(rig.sim->mode(), PanelSim::Mode::Idle);
        QCOMPARE(rig.sim->eventCount(), 2);  // the world goes on: alarm and fault
    }
};

QObject *makeLoginTests() { return new LoginTests; }

#include "test_login.moc"
