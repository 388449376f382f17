#include "panel/tandem_codec.h"

namespace kordex::panel::tandem {

QByteArray moveTo(int row, int column)
{
    QByteArray out;
    out += kEsc;
    out += 'Y';
    out += char(row + 32);
    out += char(column + 32);
    return out;
}

QByteArray clearScreen() { return QByteArray() + kEsc + 'k'; }

QByteArray clearToLineEnd() { return QByteArray() + kEsc + 'K'; }

QByteArray indicatorLine(char kind, QByteArrayView letters, bool lowerHex)
{
    const int last = int(letters.size()) + 2;
    QByteArray line;
    line += kind;
    line += QByteArray::number(last).rightJustified(2, '0');
    line += letters.toByteArray();
    unsigned sum = 0;
    for (char c : line)
        sum += static_cast<unsigned char>(c);
    QByteArray check = QByteArray::number(sum % 256, 16).rightJustified(2, '0');
    line += lowerHex ? check.toLower() : check.toUpper();
    return line;
}

}  // namespace kordex::panel::tandem
