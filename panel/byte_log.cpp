#include "panel/byte_log.h"

namespace kordex::panel {

QByteArray escapeBytes(QByteArrayView bytes)
{
    static const char hex[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case 0x1B: out += "\\e"; break;
        default:
            if (u >= 0x20 && u < 0x7F) {
                out += c;
            } else {
                out += "\\x";
                out += hex[u >> 4];
                out += hex[u & 15];
            }
        }
    }
    return out;
}

bool ByteLog::open(const QString &path, QString *error)
{
    file_.setFileName(path);
    if (file_.open(QIODevice::WriteOnly | QIODevice::Append))
        return true;
    if (error)
        *error = file_.errorString();
    return false;
}

void ByteLog::received(qint64 ms, QByteArrayView bytes) { line(QByteArray::number(ms) + " rx " + escapeBytes(bytes)); }

void ByteLog::note(qint64 ms, const QByteArray &text) { line(QByteArray::number(ms) + " -- " + text); }

void ByteLog::line(const QByteArray &text)
{
    if (!file_.isOpen())
        return;
    file_.write(text + '\n');
    file_.flush();
}

}  // namespace kordex::panel
