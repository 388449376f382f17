#include "panel/byte_log.h"

#include "platform/text_codec.h"

namespace kordex::panel {

bool ByteLog::open(const QString &path, QString *error)
{
    file_.setFileName(path);
    if (file_.open(QIODevice::WriteOnly | QIODevice::Append))
        return true;
    if (error)
        *error = file_.errorString();
    return false;
}

void ByteLog::received(qint64 ms, QByteArrayView bytes)
{
    line(QByteArray::number(ms) + " rx " + escapeBytes(bytes, EscapeStyle::Log));
}

void ByteLog::note(qint64 ms, const QByteArray &text) { line(QByteArray::number(ms) + " -- " + text); }

void ByteLog::line(const QByteArray &text)
{
    if (!file_.isOpen())
        return;
    file_.write(text + '\n');
    file_.flush();
}

}  // namespace kordex::panel
