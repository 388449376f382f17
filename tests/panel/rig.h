#pragma once
// A simulated panel on a virtual clock, its output decoded by the reference
// screen. No sockets, no real time.
#include "panel/panel_sim.h"
#include "reference.h"

#include <QObject>

#include <memory>

struct Rig {
    explicit Rig(kordex::panel::PanelOptions o = {})
    {
        sim = std::make_unique<kordex::panel::PanelSim>(clock, std::move(o), [this](const QByteArray &b) {
            out += b;
            response += b;
            screen.feed(b);
        });
        sim->beginSession();
    }
    void feed(const QByteArray &b) { sim->feed(b); }
    // Logs in as an operator would at the default prompts.
    void login()
    {
        feed("\r");
        feed(sim->options().password + "\r");
    }
    // Leaving tandem mode is the remote program's own decision; it follows at once.
    void leaveTandem()
    {
        screen.tandem = false;
        feed("C");
    }
    QByteArray row(int r) const { return screen.lcdRow(r); }

    kordex::VirtualClock clock;
    reftest::RefScreen screen;
    QByteArray out;
    QByteArray response;
    std::unique_ptr<kordex::panel::PanelSim> sim;
};

// A rig already logged in at the default prompts.
struct LoggedIn : Rig {
    explicit LoggedIn(kordex::panel::PanelOptions o = {}) : Rig(std::move(o)) { login(); }
};

QObject *makeLoginTests();
QObject *makeTandemTests();
QObject *makeRecordModemTests();
QObject *makeTransportTests();
