#include "platform/file_io.h"

#include "platform/errno_text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kordex {

namespace {
FileContents failure(const QString &path, const QString &reason)
{
    FileContents r;
    r.error = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), reason);
    return r;
}
}  // namespace

int openRegularFile(const QString &path, QString *error)
{
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat st {};
    QString why;
    if (fd < 0 || ::fstat(fd, &st) != 0)
        why = errnoText(errno);
    else if (S_ISDIR(st.st_mode))
        why = errnoText(EISDIR);
    else if (!S_ISREG(st.st_mode))
        why = QStringLiteral("Not a regular file");
    if (why.isEmpty()) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        return fd;
    }
    if (fd >= 0)
        ::close(fd);
    if (error)
        *error = why;
    return -1;
}

FileContents readRegularFile(const QString &path)
{
    QString why;
    const int fd = openRegularFile(path, &why);
    if (fd < 0)
        return failure(path, why);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    ::fstat(fd, &st);

    FileContents r;
    if (st.st_size > 0)
        r.bytes.reserve(qsizetype(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return failure(path, errnoText(errno));
        }
        r.bytes.append(buffer, qsizetype(n));
    }
    r.ok = true;
    return r;
}

bool makeOwnerOnlyPath(const QString &folder)
{
    const QString absolute = QDir::cleanPath(QDir(folder).absolutePath());
    if (QFileInfo(absolute).isDir())
        return true;
    const qsizetype cut = absolute.lastIndexOf(QLatin1Char('/'));
    if (cut > 0 && !makeOwnerOnlyPath(absolute.left(cut)))
        return false;
    // The mode is given at creation, so the folder is never open to others,
    // not even for a moment; a umask can only narrow it further.
    return ::mkdir(QFile::encodeName(absolute).constData(), 0700) == 0 || QFileInfo(absolute).isDir();
}

bool flushToDisk(int fd) { return ::fsync(fd) == 0; }

QList<QByteArray> splitTextLines(const QByteArray &bytes)
{
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c != '\n' && c != '\r')
            continue;
        lines.append(bytes.mid(start, i - start));
        if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size())
        lines.append(bytes.mid(start));
    return lines;
}

}  // namespace kordex
