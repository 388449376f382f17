#include "platform/errno_text.h"

#include <cerrno>
#include <cstring>

namespace kordex {

namespace {

struct CodeText {
    int code;
    const char *text;
};

constexpr CodeText kTexts[] = {
    {0, "No Error"},
    {EPERM, "Operation not permitted"},
    {ENOENT, "No such file or directory"},
    {EIO, "Input/output error"},
    {ENXIO, "No such device or address"},
    {ENOMEM, "Cannot allocate memory"},
    {EACCES, "Permission denied"},
    {EBUSY, "Device or resource busy"},
    {EEXIST, "File exists"},
    {ENODEV, "No such device"},
    {ENOTDIR, "Not a directory"},
    {EISDIR, "Is a directory"},
    {EINVAL, "Invalid argument"},
    {ENFILE, "Too many open files in system"},
    {EMFILE, "Too many open files"},
    {ENOTTY, "Inappropriate ioctl for device"},
    {EFBIG, "File too large"},
    {ENOSPC, "No space left on device"},
    {EROFS, "Read-only file system"},
    {ELOOP, "Too many levels of symbolic links"},
    {EWOULDBLOCK, "Resource temporarily unavailable"},
    {EMSGSIZE, "Message too long"},
    {EOPNOTSUPP, "Operation not supported"},
    {EADDRINUSE, "Address already in use"},
    {EADDRNOTAVAIL, "Cannot assign requested address"},
    {ENETDOWN, "Network is down"},
    {ENETUNREACH, "Network is unreachable"},
    {ECONNABORTED, "Software caused connection abort"},
    {ECONNRESET, "Connection reset by peer"},
    {ENOBUFS, "No buffer space available"},
    {EISCONN, "Transport endpoint is already connected"},
    {ENOTCONN, "Transport endpoint is not connected"},
    {ETIMEDOUT, "Connection timed out"},
    {ECONNREFUSED, "Connection refused"},
    {EHOSTUNREACH, "No route to host"},
    {EALREADY, "Operation already in progress"},
    {EDQUOT, "Disk quota exceeded"},
};

}  // namespace

QString errnoText(int code)
{
    for (const CodeText &t : kTexts)
        if (t.code == code)
            return QString::fromLatin1(t.text);
    return QString::fromLocal8Bit(std::strerror(code));
}

}  // namespace kordex
