#pragma once
// kordex's command line: what it asks for, or why it cannot be run.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace kordex {

struct CommandLine {
    bool help = false, version = false, demo = false;
    QString demoModel;
    QByteArray connection;  // Windows-1252, as the book stores names
    QString replayFile;
    QString traceFile;
    int rate = 0;
    QString error;  // not empty: nothing else holds
};

// `arguments` with the program's name first, as QCoreApplication gives them.
CommandLine parseCommandLine(const QStringList &arguments);

// The usage text of --help, also printed after a command-line error.
QString usageText();

}  // namespace kordex
