#pragma once
// `kordex --demo`: the simulated panel inside the program, on a free
// loopback port, reached over real TCP/IP like any terminal server, through
// a connection that is never stored.
#include "config/connection_book.h"
#include "panel/panel_sim.h"
#include "panel/tcp_panel_server.h"
#include "platform/clock.h"

#include <QString>
#include <memory>

namespace kordex {

class DemoPanel {
public:
    // `model` as kordex-panel names them (1603, 1603L, 4428, zr9, zr9fb).
    static bool knownModel(const QString &model);

    DemoPanel(Clock &clock, const QString &model);
    ~DemoPanel();
    bool start(QString *error);
    // "Demo Panel", TCP/IP to the simulator, automatic login.
    ConnectionRecord record() const;

private:
    panel::PanelOptions options_;
    panel::TcpPanelServer server_;
    std::unique_ptr<panel::PanelSim> sim_;
};

}  // namespace kordex
