#pragma once
// Checks of Motorola S-record lines, the form panel databases are sent in.
#include <QByteArray>
#include <QByteArrayView>

namespace kordex::panel {

struct SRecordCheck {
    bool ok = false;
    int type = -1;        // 0..9 when the type digit could be read
    QByteArray error;     // upper-case reason when not ok
    quint32 address = 0;  // S5/S6: the record count they carry
    int dataBytes = 0;
};

SRecordCheck checkSRecord(QByteArrayView line);

// A line that is meant as an S-record (starts with S and a digit), good or bad.
bool looksLikeSRecord(QByteArrayView line);

// Data records are what the count records S5/S6 count.
constexpr bool isDataRecord(int type) { return type >= 1 && type <= 3; }
constexpr bool isEndRecord(int type) { return type >= 7 && type <= 9; }

// Builds a valid record; used by tests and handy for demos.
QByteArray makeSRecord(int type, quint32 address, QByteArrayView data);

}  // namespace kordex::panel
