#include "platform/text_codec.h"

namespace kordex {

namespace {
// 0x80 to 0x9F; the rest of the page is Latin-1.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QChar map(unsigned char b)
{
    if (b >= 0x80 && b <= 0x9F)
        return QChar(kHigh[b - 0x80]);
    return QChar(char16_t(b));
}
}  // namespace

QString fromPanelBytes(const QByteArray &bytes)
{
    QString s;
    s.resize(bytes.size());
    QChar *out = s.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = map(static_cast<unsigned char>(bytes[i]));
    return s;
}

std::optional<unsigned char> toPanelByte(QChar c)
{
    const char16_t u = c.unicode();
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == u)
            return static_cast<unsigned char>(0x80 + i);
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return static_cast<unsigned char>(u);
    return std::nullopt;
}

QByteArray toPanelBytes(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (QChar c : text)
        bytes.append(char(toPanelByte(c).value_or('?')));
    return bytes;
}

QByteArray escapeBytes(QByteArrayView bytes, EscapeStyle style)
{
    static const char kHexDigits[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        switch (u) {
        case '\\': out += "\\\\"; continue;
        case '\r': out += "\\r"; continue;
        case '\n': out += "\\n"; continue;
        case 0x1B: out += "\\e"; continue;
        case '"':
            if (style == EscapeStyle::Script) {
                out += "\\\"";
                continue;
            }
            break;
        case '\t':
            if (style == EscapeStyle::Log) {
                out += "\\t";
                continue;
            }
            break;
        default: break;
        }
        if (u >= 0x20 && u < 0x7F) {
            out += c;
        } else {
            out += "\\x";
            out += kHexDigits[u >> 4];
            out += kHexDigits[u & 15];
        }
    }
    return out;
}

}  // namespace kordex
