#pragma once
// Panel text is 8-bit bytes of the Windows-1252 code page; the window shows
// Unicode. These two functions are the only crossing between the two.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

namespace kordex {

// Every byte maps to one character; the five bytes that Windows-1252 leaves
// undefined map to the C1 control of the same value, as Windows does.
QString fromPanelBytes(const QByteArray &bytes);

// The byte a typed character stands for, or nothing when the code page has
// no such character.
std::optional<unsigned char> toPanelByte(QChar c);

// Text for a record or the panel, e.g. a connection name given on the
// command line; a character the code page lacks becomes "?".
QByteArray toPanelBytes(const QString &text);

// Bytes as printable ASCII for traces and logs: printable ASCII stays;
// backslash, CR, LF and ESC become \\, \r, \n and \e, the rest \xHH.
// Script: also '"' as \" (the inside of a quoted kordex-replay text, which
// reads it back). Log: TAB as \t.
enum class EscapeStyle { Script, Log };
QByteArray escapeBytes(QByteArrayView bytes, EscapeStyle style);

}  // namespace kordex
