#pragma once
// Reads a regular file's text lines as they are needed, a bounded block at a
// time, so a file of any size costs the same little memory. Lines end at CR
// LF, LF or CR, mixed as they come; a last line without a line end is a line
// too (as splitTextLines). Anything but a regular file (a FIFO, a device, a
// folder) is refused at open, without blocking on it.
#include <QByteArray>
#include <QString>

#include <optional>

namespace kordex {

class TextLineReader {
public:
    static constexpr qsizetype kBlock = 64 * 1024;

    TextLineReader() = default;
    ~TextLineReader();
    TextLineReader(const TextLineReader &) = delete;
    TextLineReader &operator=(const TextLineReader &) = delete;

    // False with error() set when the file cannot be read.
    bool open(const QString &path);
    // The next line without its end; nullopt at the end or on a read error.
    std::optional<QByteArray> next();
    bool failed() const { return !error_.isEmpty(); }
    QString error() const { return error_; }

    // How many lines a regular file has; nullopt when it cannot be read.
    static std::optional<qsizetype> countLines(const QString &path);

private:
    bool fill();
    void close();

    int fd_ = -1;
    QByteArray buffer_;
    qsizetype at_ = 0;
    bool eof_ = false;
    bool skipLf_ = false;  // a CR ended the last line: an LF right after it belongs to it
    QString error_;
};

}  // namespace kordex
