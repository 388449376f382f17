// kordex-panel: a simulated fire indicator panel for training, demonstrations
// and tests, on a TCP port or a pseudo-terminal, optionally behind a modem.
#include "panel/byte_log.h"
#include "panel/command_line.h"
#include "panel/hayes_modem.h"
#include "panel/panel_sim.h"
#include "panel/pty_port.h"
#include "panel/tcp_panel_server.h"
#include "platform/qt_clock.h"
#include "platform/signals.h"

#include <QCoreApplication>
#include <QTime>

#include <cstdio>
#include <memory>

using namespace kordex;
using namespace kordex::panel;

namespace {

void say(FILE *to, const QString &text)
{
    std::fputs(qPrintable(text + '\n'), to);
    std::fflush(to);  // read by scripts and tests while the program runs
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const ParsedCommandLine parsed = parseCommandLine(app.arguments());
    if (parsed.help) {
        say(stdout, usageText());
        return 0;
    }
    if (!parsed.line) {
        say(stderr, "kordex-panel: " + parsed.error + "\n\n" + usageText());
        return 2;
    }
    CommandLine cl = *parsed.line;
    cl.panel.clockOffsetSecs = QTime::currentTime().msecsSinceStartOfDay() / 1000;

    QtClock clock;
    ByteLog log;
    QString error;
    if (!cl.logPath.isEmpty() && !log.open(cl.logPath, &error)) {
        say(stderr, "kordex-panel: cannot open log " + cl.logPath + ": " + error);
        return 1;
    }

    std::function<void(const QByteArray &)> toLink;
    std::unique_ptr<HayesModem> modem;
    PanelSim sim(clock, cl.panel, [&](const QByteArray &bytes) {
        if (modem)
            modem->fromPanel(bytes);
        else if (toLink)
            toLink(bytes);
    });
    if (cl.modem) {
        modem = std::make_unique<HayesModem>(
            clock, cl.modemOptions,
            HayesModem::Hooks{[&](const QByteArray &bytes) {
                                  if (toLink)
                                      toLink(bytes);
                              },
                              [&](const QByteArray &bytes) { sim.feed(bytes); },
                              [&](bool up) {
                                  log.note(clock.nowMs(), up ? "carrier up" : "carrier down");
                                  say(stderr, up ? "modem: connected" : "modem: hung up");
                                  up ? sim.beginSession() : sim.endSession();
                              }});
    }
    auto received = [&](const QByteArray &bytes) {
        log.received(clock.nowMs(), bytes);
        if (modem)
            modem->fromTerminal(bytes);
        else
            sim.feed(bytes);
    };
    // A new caller meets a modem in command mode, or the panel itself.
    auto linkUp = [&] {
        if (modem)
            modem->reset();
        else
            sim.beginSession();
    };
    auto linkDown = [&] {
        if (modem)
            modem->reset();
        sim.endSession();
    };

    std::unique_ptr<TcpPanelServer> server;
    std::unique_ptr<PtyPort> pty;
    if (cl.tcp) {
        server = std::make_unique<TcpPanelServer>();
        toLink = [&](const QByteArray &bytes) { server->send(bytes); };
        server->onReceived = received;
        server->onSessionBegin = [&] {
            log.note(clock.nowMs(), "session from " + server->peer().toLatin1());
            say(stderr, "session from " + server->peer());
            linkUp();
        };
        server->onSessionEnd = [&] {
            log.note(clock.nowMs(), "session ended");
            say(stderr, "session ended");
            linkDown();
        };
        if (!server->listen(cl.host, cl.port, &error)) {
            say(stderr, "kordex-panel: cannot listen: " + error);
            return 1;
        }
        say(stdout, "listening on " + server->address().toString() + ':' + QString::number(server->port()));
    } else {
        pty = std::make_unique<PtyPort>();
        toLink = [&](const QByteArray &bytes) { pty->send(bytes); };
        pty->onReceived = received;
        if (!pty->open(&error) || (!cl.ptyLink.isEmpty() && !pty->makeLink(cl.ptyLink, &error))) {
            say(stderr, "kordex-panel: " + error);
            return 1;
        }
        say(stdout, "pty " + pty->devicePath());
        if (!cl.ptyLink.isEmpty())
            say(stdout, "link " + cl.ptyLink);
        // A serial line has no session of its own: the panel is always there,
        // unless a modem stands in front of it.
        log.note(clock.nowMs(), "pty " + pty->devicePath().toLatin1());
        linkUp();
    }

    TerminationSignals termination([&](int) { app.quit(); });
    const int rc = app.exec();
    sim.endSession();
    return rc;
}
