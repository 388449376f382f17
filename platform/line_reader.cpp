#include "platform/line_reader.h"

#include "platform/errno_text.h"
#include "platform/file_io.h"

#include <cerrno>
#include <unistd.h>

namespace kordex {

TextLineReader::~TextLineReader() { close(); }

void TextLineReader::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

bool TextLineReader::open(const QString &path)
{
    close();
    buffer_.clear();
    at_ = 0;
    eof_ = skipLf_ = false;
    error_.clear();
    fd_ = openRegularFile(path, &error_);
    return fd_ >= 0;
}

bool TextLineReader::fill()
{
    if (eof_ || fd_ < 0)
        return false;
    buffer_.remove(0, at_);
    at_ = 0;
    char block[kBlock];
    for (;;) {
        const ssize_t n = ::read(fd_, block, sizeof block);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            error_ = errnoText(errno);
        if (n <= 0) {
            eof_ = true;
            close();
            return false;
        }
        buffer_.append(block, qsizetype(n));
        return true;
    }
}

std::optional<QByteArray> TextLineReader::next()
{
    for (qsizetype scanned = at_;;) {
        if (skipLf_ && at_ < buffer_.size()) {
            skipLf_ = false;
            if (buffer_[at_] == '\n')
                scanned = ++at_;
        }
        for (qsizetype i = scanned; i < buffer_.size(); ++i) {
            const char c = buffer_[i];
            if (c != '\n' && c != '\r')
                continue;
            QByteArray line = buffer_.mid(at_, i - at_);
            at_ = i + 1;
            skipLf_ = c == '\r';
            return line;
        }
        scanned = buffer_.size() - at_;
        if (!fill()) {
            if (failed() || at_ >= buffer_.size())
                return std::nullopt;
            QByteArray last = buffer_.mid(at_);
            at_ = buffer_.size();
            return last;
        }
        // fill() moved the unread rest to the front.
    }
}

std::optional<qsizetype> TextLineReader::countLines(const QString &path)
{
    TextLineReader r;
    if (!r.open(path))
        return std::nullopt;
    qsizetype n = 0;
    while (r.next())
        ++n;
    return r.failed() ? std::nullopt : std::optional<qsizetype>(n);
}

}  // namespace kordex
