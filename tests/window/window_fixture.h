#pragma once
// A real main window over a virtual clock and a scripted prompter, with the
// bytes it sends recorded. The lamps' flashing is off unless a test wants it:
// lamps are painted by running flash steps one by one.
#include "app/program.h"
#include "core/engine.h"
#include "faces/face_widgets.h"
#include "faces/main_window.h"
#include "platform/clock.h"
#include "platform/prompter.h"

#include <QByteArray>
#include <QTest>
#include <functional>
#include <memory>

namespace kordex::test {

// A TCP/IP link that is up from the start and keeps what is written to it.
struct RecordingTransport final : Transport {
    QByteArray *sink = nullptr;
    bool open = true;
    std::function<void()> onBringUp;
    // A connect succeeds at once.
    bool bringUp(const LinkSettings &) override
    {
        if (onBringUp)
            onBringUp();
        open = true;
        if (events_)
            events_->sessionConnected(0);
        return true;
    }
    void tearDown() override { open = false; }
    bool isOpen() const override { return open; }
    std::function<void(const QByteArray &)> onSend;
    bool send(const QByteArray &b) override
    {
        sink->append(b);
        if (onSend)
            onSend(b);
        return true;
    }
    int lastError() const override { return 0; }
    QString lastErrorMessage() const override { return {}; }
    QString errorDescription(int) const override { return {}; }
};

struct WindowFixture {
    VirtualClock clock;
    ScriptedPrompter prompter;
    QByteArray sent;
    RecordingTransport transport;
    std::unique_ptr<Program> program;
    MainWindow *window = nullptr;

    explicit WindowFixture(bool flashLamps = false, const std::function<void(Program::Options &)> &adjust = {})
    {
        transport.sink = &sent;
        Program::Options o;
        o.flashLamps = flashLamps;
        o.socket = &transport;
        if (adjust)
            adjust(o);
        program = std::make_unique<Program>(clock, prompter, o);
        window = &program->window;
    }

    Engine &engine() { return program->engine; }
    SessionState &session() { return program->session; }
    LinkSession &link() { return program->link; }

    void show()
    {
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
    }

    // Connected without automatic login, as after a terminal-mode connect.
    void connect()
    {
        SessionRig::link(session()).connected = true;
        SessionRig::link(session()).connectionActive = true;
        link().currentConnection.autoLogin = false;
        link().currentConnection.connectionType = ConnectionType::TcpIp;
        link().syncPanelSettings();
    }

    // Tandem mode on face `face`, past the start-up guard.
    void enterTandem(int face, QByteArray version = "V01")
    {
        connect();
        clock.advance(1001);
        engine().switchMode();
        session().setPanelType(face);
        session().panelVersion = std::move(version);
        session().statusText = "Test";
        engine().selectFace();
    }

    void showInTandem(int face)
    {
        show();
        enterTandem(face);
    }

    // Runs a whole flash cycle's closing steps here: F, S, N, O and X, and
    // shows the frame.
    void paintSteady()
    {
        engine().flash.finish();
        window->showPending();
    }
    void dispatch(char letter, bool lit, bool show = true)
    {
        engine().flash.paintLetter(letter, lit, show);
        window->showPending();
    }

    LampWidget *lamp(const char *name) { return window->faces().lamp(name); }
    KeyWidget *key(const char *name) { return window->faces().key(QString::fromLatin1(name)); }
};

inline QColor rgb(Rgb c) { return QColor(c.r, c.g, c.b); }

}  // namespace kordex::test
