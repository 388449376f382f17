#pragma once
// The files of earlier versions ("Kordex.csv" or "Kor-dex.csv", "Kordex.cfg"),
// read once when no "Kordex.ini" exists, and the three built-in examples.
#include "config/connection_book.h"
#include "platform/prompter.h"

#include <QList>
#include <QString>

namespace kordex {

inline const QByteArray kExampleHost = "panel.example";

// Serial and login settings the old versions kept for all connections.
struct LegacySettings {
    int32_t linePacing = 0;
    bool autoLogin = true;
    uint8_t baudIndex = 6;
    uint8_t flowIndex = 1;
    int16_t portNumber = 1;
};

// Comma-separated fields with double quotes, as the old versions wrote them:
// an unquoted blank ends a field, "" inside quotes is one quote.
QList<QByteArray> splitLegacyCsvFields(const QByteArray &line);

// One record line; the type field and the trailing common-states field are
// optional. Fields the file does not hold (pacing, login, serial settings,
// diagnostics) come out as 0 and false.
ConnectionRecord parseLegacyCsvLine(const QByteArray &line);

// True when a csv file was found and read without an input/output error.
// Count becomes the number of record lines read (at most the header's count
// and the book's slots).
bool readLegacyCsv(ConnectionBook &book, const QString &executableFolder, Prompter &prompter);
LegacySettings readLegacyCfg(const QString &executableFolder);
// The same from the files' bytes: a csv file without its header mark or
// count leaves the book as it was; a cfg file without its mark gives the
// defaults.
void parseLegacyCsv(ConnectionBook &book, const QByteArray &bytes);
LegacySettings parseLegacyCfg(const QByteArray &bytes);
void applyLegacySettings(ConnectionBook &book, const LegacySettings &settings);
void loadExampleConnections(ConnectionBook &book);

}  // namespace kordex
