#pragma once
// Byte encoding of the panel's tandem-mode screen stream.
#include <QByteArray>
#include <QByteArrayView>

namespace kordex::panel::tandem {

constexpr char kEsc = 0x1B;
constexpr char kBell = 0x07;
constexpr char kCursorOff = 0x17;
constexpr char kCursorOn = 0x18;
constexpr char kCursorBlink = 0x19;
constexpr char kXoff = 0x13;
constexpr char kXon = 0x11;
constexpr char kBlock = char(0xDB);  // full character cell, used by the lamp test

constexpr int kRows = 25;
constexpr int kColumns = 40;  // visible display width
constexpr int kIdentRow = 11;
constexpr int kIndicatorRow = 13;
// Printer lines cycle through rows 16..23: row 24 exists on the screen but
// cursor addressing cannot reach it.
constexpr int kFirstPrinterRow = 16;
constexpr int kLastPrinterRow = 23;

QByteArray moveTo(int row, int column);  // ESC Y, coordinates offset by 32
QByteArray clearScreen();                // ESC k
QByteArray clearToLineEnd();             // ESC K

// The indicator state line: kind, two-digit last indicator number NN, the
// letters of indicators 3..NN, and the two hex digits of the byte sum of
// everything before them. `letters` holds indicators 3..NN.
QByteArray indicatorLine(char kind, QByteArrayView letters, bool lowerHex);

constexpr int nextPrinterRow(int row) { return row >= kLastPrinterRow ? kFirstPrinterRow : row + 1; }

}  // namespace kordex::panel::tandem
