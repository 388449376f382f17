#pragma once
// The --log file: one line per received chunk, "<ms> rx <bytes>" with
// control bytes escaped, and "<ms> -- <note>" for session events. Flushed
// after every line so a crash or a kill loses nothing.
#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QString>

namespace kordex::panel {

class ByteLog {
public:
    bool open(const QString &path, QString *error);
    bool isOpen() const { return file_.isOpen(); }
    void received(qint64 ms, QByteArrayView bytes);
    void note(qint64 ms, const QByteArray &text);

private:
    void line(const QByteArray &text);
    QFile file_;
};

}  // namespace kordex::panel
