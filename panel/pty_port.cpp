#include "panel/pty_port.h"

#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace kordex::panel {

namespace {
QString errnoText(const char *what)
{
    return QString::fromLatin1(what) + QLatin1String(": ") + QString::fromLocal8Bit(std::strerror(errno));
}

void makeRaw(int fd)
{
    termios t{};
    if (::tcgetattr(fd, &t) != 0)
        return;
    ::cfmakeraw(&t);
    ::cfsetispeed(&t, B9600);
    ::cfsetospeed(&t, B9600);
    ::tcsetattr(fd, TCSANOW, &t);
}
}  // namespace

PtyPort::PtyPort(QObject *parent) : QObject(parent) {}

PtyPort::~PtyPort()
{
    if (!link_.isEmpty() && QFileInfo(link_).isSymLink())
        QFile::remove(link_);
    if (master_ >= 0)
        ::close(master_);
    if (slave_ >= 0)
        ::close(slave_);
}

bool PtyPort::open(QString *error)
{
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        if (error)
            *error = errnoText("posix_openpt");
        return false;
    }
    char name[128] = {};
    if (::ptsname_r(master_, name, sizeof name) != 0) {
        if (error)
            *error = errnoText("ptsname");
        return false;
    }
    device_ = QString::fromLocal8Bit(name);
    // Holding the slave open keeps the master readable without EIO between
    // clients, and lets the line be set raw before anyone opens it.
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0) {
        if (error)
            *error = errnoText("open slave");
        return false;
    }
    makeRaw(slave_);
    makeRaw(master_);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    ::fcntl(master_, F_SETFD, FD_CLOEXEC);
    readNotifier_ = new QSocketNotifier(master_, QSocketNotifier::Read, this);
    connect(readNotifier_, &QSocketNotifier::activated, this, &PtyPort::readMaster);
    writeNotifier_ = new QSocketNotifier(master_, QSocketNotifier::Write, this);
    writeNotifier_->setEnabled(false);
    connect(writeNotifier_, &QSocketNotifier::activated, this, &PtyPort::writeMaster);
    return true;
}

bool PtyPort::makeLink(const QString &linkPath, QString *error)
{
    const QFileInfo info(linkPath);
    if (info.exists() || info.isSymLink()) {
        if (!info.isSymLink()) {
            if (error)
                *error = linkPath + QLatin1String(" exists and is not a symbolic link");
            return false;
        }
        QFile::remove(linkPath);
    }
    if (::symlink(device_.toLocal8Bit().constData(), linkPath.toLocal8Bit().constData()) != 0) {
        if (error)
            *error = errnoText("symlink");
        return false;
    }
    link_ = linkPath;
    return true;
}

void PtyPort::send(const QByteArray &bytes)
{
    if (master_ < 0)
        return;
    outBuf_ += bytes;
    writeMaster();
}

void PtyPort::writeMaster()
{
    while (!outBuf_.isEmpty()) {
        const ssize_t n = ::write(master_, outBuf_.constData(), size_t(outBuf_.size()));
        if (n > 0) {
            outBuf_.remove(0, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break;  // full: wait until the master is writable again
    }
    writeNotifier_->setEnabled(!outBuf_.isEmpty());
}

void PtyPort::readMaster()
{
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(master_, buf, sizeof buf);
        if (n > 0) {
            if (onReceived)
                onReceived(QByteArray(buf, qsizetype(n)));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        return;
    }
}

}  // namespace kordex::panel
