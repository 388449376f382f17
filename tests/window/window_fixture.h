#pragma once
// A real main window over a virtual clock and a scripted prompter, with the
// bytes it sends recorded. The flash thread is off unless a test wants it:
// lamps are painted by running flash steps on the test's own thread.
#include "core/engine.h"
#include "faces/face_widgets.h"
#include "faces/main_window.h"
#include "platform/clock.h"
#include "platform/prompter.h"

#include <QByteArray>
#include <QTest>
#include <memory>

namespace kordex::test {

struct WindowFixture {
    VirtualClock clock;
    ScriptedPrompter prompter;
    std::unique_ptr<TLcd> window;
    QByteArray sent;

    explicit WindowFixture(bool flashThread = false, QByteArray argument = {})
    {
        TLcd::Options o;
        o.startFlashThread = flashThread;
        o.connectionArgument = std::move(argument);
        window = std::make_unique<TLcd>(clock, prompter, o);
        window->setSendChar([this](uint8_t b) { sent.append(char(b)); });
    }

    Engine &engine() { return window->engine(); }
    SessionState &session() { return window->engine().session; }

    void show()
    {
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

    // Connected without automatic login, as after a terminal-mode connect.
    void connect()
    {
        session().Connected = true;
        session().ConnectionActive = true;
        session().CurrentConnection.AutoLogin = false;
    }

    // Tandem mode on face `face`, past the start-up guard.
    void enterTandem(int face, QByteArray version = "V01")
    {
        connect();
        clock.advance(1001);
        engine().ModeChange();
        session().setPanelType(face);
        session().PanelVersion = std::move(version);
        session().StatusText = "Test";
        engine().SelectFace();
    }

    // Runs a whole flash cycle's closing steps here: F, S, N, O and X.
    void paintSteady()
    {
        engine().flash.finish([](const std::function<void()> &paint) { paint(); });
    }
    void dispatch(char letter, bool lit, bool show = true)
    {
        engine().flash.FlashDispatch(letter, lit, show, [](const std::function<void()> &paint) { paint(); });
    }

    LampWidget *lamp(const char *name) { return window->faces().lamp(name); }
    KeyWidget *key(const char *name) { return window->faces().key(QString::fromLatin1(name)); }
};

inline QColor rgb(Rgb c)
{
    return QColor(c.r, c.g, c.b);
}

} // namespace kordex::test
