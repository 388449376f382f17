#pragma once
// Reading a file whole without ever blocking on it, and making folders that
// only their owner can enter. "Kordex.ini" holds panel passwords, and a FIFO,
// a socket or a device in its place must not hang the program.
#include <QByteArray>
#include <QList>
#include <QString>

namespace kordex {

struct FileContents {
    bool ok = false;
    QByteArray bytes;
    QString error;  // "<path>: <reason>" when not ok
};

// The whole content of a regular file. The file is opened without blocking,
// and anything else under that name (a folder, a FIFO, a socket, a device)
// is refused with an error rather than read.
FileContents readRegularFile(const QString &path);

// A regular file opened for reading, without blocking on whatever else the
// name may be; -1 (with `error` saying why) for anything else.
int openRegularFile(const QString &path, QString *error);

// Makes `folder` and any missing parents, each new one readable, writable and
// enterable by its owner only (0700 on POSIX systems). Folders that exist
// already keep their mode. True when the folder exists afterwards.
bool makeOwnerOnlyPath(const QString &folder);

// Waits until what was written through the file descriptor `fd` is on the
// disk; false when it cannot be.
bool flushToDisk(int fd);

// A text file's lines without their line ends (CR LF, LF or CR, mixed as they
// come); a last line without a line end is a line too.
QList<QByteArray> splitTextLines(const QByteArray &bytes);

}  // namespace kordex
