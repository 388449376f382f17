#pragma once
// kordex-panel's command line.
#include "panel/hayes_modem.h"
#include "panel/panel_sim.h"

#include <QHostAddress>
#include <QString>
#include <QStringList>

#include <optional>

namespace kordex::panel {

struct CommandLine {
    PanelOptions panel;
    bool tcp = false;
    QHostAddress host = QHostAddress(QHostAddress::LocalHost);
    quint16 port = 0;
    bool pty = false;
    QString ptyLink;
    bool modem = false;
    HayesModem::Options modemOptions;
    QString logPath;
};

struct ParsedCommandLine {
    std::optional<CommandLine> line;  // empty on error or help
    bool help = false;
    QString error;
};

// `arguments` starts with the program name, as QCoreApplication::arguments().
ParsedCommandLine parseCommandLine(const QStringList &arguments);
QString usageText();

}  // namespace kordex::panel
