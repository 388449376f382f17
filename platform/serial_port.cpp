#include "platform/serial_port.h"

#include "platform/callback_guard.h"
#include "platform/errno_text.h"

#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace kordex {

// ---- received bytes ----

void SerialReceiveFilter::reset(bool xonXoff)
{
    xonXoff_ = xonXoff;
    peerXoff_ = false;
    mark_ = Mark::None;
}

SerialReceiveFilter::Result SerialReceiveFilter::feed(const QByteArray &chunk)
{
    Result r;
    r.data.reserve(chunk.size());
    auto plain = [&](uchar c) {
        if (c == 0xFF) {
            mark_ = Mark::Escape;
        } else if (xonXoff_ && (c == uchar(SerialPort::kXon) || c == uchar(SerialPort::kXoff))) {
            peerXoff_ = c == uchar(SerialPort::kXoff);
            r.xonXoffSeen = true;
        } else {
            r.data.append(char(c));
        }
    };
    for (char ch : chunk) {
        const auto c = uchar(ch);
        switch (mark_) {
        case Mark::None: plain(c); break;
        case Mark::Escape:
            mark_ = Mark::None;
            if (c == 0xFF) {
                r.data.append(char(0xFF));
            } else if (c == 0x00) {
                mark_ = Mark::ErrorByte;
            } else {
                // Not a mark the kernel makes; keep what came rather than lose it.
                r.data.append(char(0xFF));
                plain(c);
            }
            break;
        case Mark::ErrorByte:
            // Delivered as received, as the Windows driver does; the caller beeps.
            mark_ = Mark::None;
            ++r.lineErrors;
            r.data.append(ch);
            break;
        }
    }
    return r;
}

// ---- the port ----

namespace {

constexpr int kWatchIntervalMs = 100;
// What QSerialPort reads ahead of us; while reading is paused the rest waits
// in the driver, and the line's flow control holds the peer back.
constexpr qint64 kReadAhead = 64 * 1024;

int codeFor(QSerialPort::SerialPortError e)
{
    switch (e) {
    case QSerialPort::DeviceNotFoundError: return ENODEV;
    case QSerialPort::PermissionError: return EACCES;
    case QSerialPort::OpenError: return EBUSY;
    default: return EIO;
    }
}

// Lock files name the device as QSerialPort and the UUCP tools do: the path
// below /dev with '/' as '_' ("LCK..ttyUSB0", "LCK..pts_3"), or the whole
// path so for anything outside /dev.
QStringList lockNames(const QStringList &paths)
{
    QStringList names;
    for (QString p : paths) {
        if (p.isEmpty())
            continue;
        if (p.startsWith(QLatin1String("/dev/")))
            p = p.mid(5);
        p.replace(QLatin1Char('/'), QLatin1Char('_'));
        p.prepend(QLatin1String("LCK.."));
        if (!names.contains(p))
            names.append(p);
    }
    return names;
}

// Text ("%10d\n", or QLockFile's "pid\napp\nhost") or the old HDB binary int.
// Lock folders such as /tmp are writable by everyone, so anything may stand
// under a lock's name: only a regular file counts as a lock. It is opened
// without following a link and without blocking (a FIFO would wait for a
// writer for ever), and checked again once open. Anything else is no lock
// of a program: treating it as one would let any local user take the port
// from everyone, and our flock on the device still keeps programs apart.
bool heldByLiveProcess(const QString &file)
{
    const QByteArray name = QFile::encodeName(file);
    struct stat st {};
    if (::lstat(name.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char buf[256];
    ssize_t n = -1;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        do
            n = ::read(fd, buf, sizeof buf);
        while (n < 0 && errno == EINTR);
    }
    ::close(fd);
    if (n <= 0)
        return false;
    const QByteArray raw(buf, n);
    qint64 pid = 0;
    const bool digits =
        std::all_of(raw.begin(), raw.end(), [](char c) { return (c >= '0' && c <= '9') || c == ' ' || c == '\n'; });
    if (raw.size() == 4 && !digits) {
        qint32 v = 0;
        std::memcpy(&v, raw.constData(), 4);
        pid = v;
    } else {
        pid = raw.split('\n').value(0).trimmed().toLongLong();
    }
    if (pid <= 0 || pid > 0x3fffffff)
        return false;
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

// Line errors come in-band (0xFF 0x00 c) so that each one is seen: Qt 6
// reports neither parity nor framing errors nor breaks.
bool markLineErrors(int fd)
{
    termios t{};
    if (::tcgetattr(fd, &t) != 0)
        return false;
    t.c_iflag &= ~tcflag_t(IGNBRK | BRKINT | IGNPAR | ISTRIP | IXON | IXOFF | IXANY);
    t.c_iflag |= INPCK | PARMRK;
    return ::tcsetattr(fd, TCSANOW, &t) == 0;
}

int queuedBytes(int fd, unsigned long request)
{
    int n = 0;
    return fd >= 0 && ::ioctl(fd, request, &n) == 0 ? std::max(n, 0) : 0;
}

#if defined(Q_OS_LINUX) && (defined(__x86_64__) || defined(__i386__) || defined(__aarch64__) || defined(__arm__))
// The kernel's termios2, which carries any rate: <asm/termbits.h> does not
// go together with <termios.h>. Its fields keep the kernel's c_ names.
// NOLINTBEGIN(readability-identifier-naming)
struct KernelTermios2 {
    tcflag_t c_iflag, c_oflag, c_cflag, c_lflag;
    cc_t c_line;
    cc_t c_cc[19];
    speed_t c_ispeed, c_ospeed;
};
// NOLINTEND(readability-identifier-naming)

// A driver that cannot run at a rate may put another in its place without
// an error; the rate it runs at is read back. Within the 3 % a line
// tolerates, it is the one asked for (drivers report the rate their divisor
// gives). True when it cannot be read.
bool runsAt(int fd, int baud)
{
    KernelTermios2 t{};
    if (::ioctl(fd, _IOR('T', 0x2A, KernelTermios2), &t) != 0)
        return true;
    const auto near = [baud](speed_t rate) { return std::abs(qint64(rate) - baud) * 100 <= qint64(baud) * 3; };
    return near(t.c_ospeed) && (t.c_ispeed == 0 || near(t.c_ispeed));  // 0: as the output
}
#else
bool runsAt(int, int) { return true; }
#endif

}  // namespace

struct SerialPort::Impl {
    enum class State { Closed, Open, Failing };

    explicit Impl(SerialPort *owner);
    ~Impl();

    void closePort();
    void fail(int code);
    void finishFailure(quint64 gen);
    void handleError(QSerialPort::SerialPortError e);
    void handleReadyRead();
    void handleWritable();
    bool reportRoom();
    void watchTick();
    void checkHangup();
    SerialHold currentHold() const;
    bool refreshHold();
    void pump();
    bool writeSome(const char *data, qsizetype size, qsizetype *written);
    void sendControl(bool stop);
    void resumeCheck();
    void stopCheck();
    qint64 backlog() const { return port->bytesAvailable() + queuedBytes(fd(), TIOCINQ); }
    int fd() const { return state == State::Closed ? -1 : int(port->handle()); }
    bool lockedByOther(const QStringList &paths) const;

    SerialPort *q;
    SerialPortMap map;
    QStringList lockDirs = SerialPort::defaultLockDirectories();
    std::unique_ptr<QObject> context;
    QSerialPort *port;
    QTimer *watch;
    QTimer *pace;
    QSocketNotifier *hangup = nullptr;
    QSocketNotifier *writable = nullptr;

    State state = State::Closed;
    quint64 generation = 0;
    int com = 0, baud = 9600, flow = 0;
    int xoffLimit = 0, xonLimit = 0, chunk = 16;
    QString path, device;
    int lockFd = -1;

    QByteArray queue;         // accepted, not yet taken by the driver
    char pendingControl = 0;  // an XON or XOFF of ours the driver has not taken yet
    int reportedRoom = kTransmitBufferSize;
    int reportedUnsent = 0;
    SerialReceiveFilter filter;
    bool inputStopped = false;
    bool readPaused = false;
    bool rtsDriven = false, dtrDriven = false;  // what we set the lines to
    SerialHold hold = SerialHold::None;
    int failCode = 0;
    QString failText;

    int lastError = 0;
    QString lastMessage;
    CallbackGuard guard;  // user callbacks may destroy the port
};

SerialPort::Impl::Impl(SerialPort *owner)
    : q(owner),
      context(std::make_unique<QObject>()),
      port(new QSerialPort(context.get())),
      watch(new QTimer(context.get())),
      pace(new QTimer(context.get()))
{
    watch->setInterval(kWatchIntervalMs);
    pace->setSingleShot(true);
    pace->setTimerType(Qt::PreciseTimer);
    // Queued: our callbacks then never run inside QSerialPort's own signal,
    // so one of them may close or destroy the port outright.
    QObject::connect(
        port, &QSerialPort::readyRead, context.get(), [this] { handleReadyRead(); }, Qt::QueuedConnection);
    QObject::connect(port, &QSerialPort::errorOccurred, context.get(),
                     [this](QSerialPort::SerialPortError e) { handleError(e); });
    QObject::connect(watch, &QTimer::timeout, context.get(), [this] { watchTick(); });
    QObject::connect(pace, &QTimer::timeout, context.get(), [this] { handleWritable(); });
}

SerialPort::Impl::~Impl()
{
    QObject::disconnect(port, nullptr, nullptr, nullptr);
    watch->disconnect();
    pace->disconnect();
    if (state != State::Closed)
        closePort();
}

bool SerialPort::Impl::lockedByOther(const QStringList &paths) const
{
    const QStringList names = lockNames(paths);
    for (const QString &dir : lockDirs)
        for (const QString &name : names)
            if (heldByLiveProcess(dir + QLatin1Char('/') + name))
                return true;
    return false;
}

void SerialPort::Impl::closePort()
{
    state = State::Closed;
    ++generation;
    watch->stop();
    pace->stop();
    for (QSocketNotifier *n : {std::exchange(hangup, nullptr), std::exchange(writable, nullptr)}) {
        if (!n)
            continue;
        n->setEnabled(false);
        n->disconnect();
        n->deleteLater();
    }
    if (port->isOpen()) {
        // The driver sends the few milliseconds it holds as the tty closes,
        // but on a line held by CTS the close would wait up to half a minute
        // for them: then they go too.
        if (hold == SerialHold::Cts)
            ::tcflush(int(port->handle()), TCOFLUSH);
        port->close();
    }
    if (lockFd >= 0) {
        ::close(lockFd);
        lockFd = -1;
    }
    queue.clear();
    pendingControl = 0;
    reportedRoom = kTransmitBufferSize;
    reportedUnsent = 0;
    inputStopped = false;
    readPaused = false;
    rtsDriven = dtrDriven = false;
    hold = SerialHold::None;
    filter.reset(false);
    path.clear();
    device.clear();
}

// Closing from inside QSerialPort's own error report is not safe, and one
// report is enough: later errors of the dying port are ignored, and the
// close and the notification follow on the next turn of the event loop.
void SerialPort::Impl::fail(int code)
{
    if (state != State::Open)
        return;
    state = State::Failing;
    failCode = code;
    failText =
        QStringLiteral("Lost the serial port COM%1 (%2): %3").arg(com).arg(path, SerialPort::errorDescription(code));
    watch->stop();
    pace->stop();
    for (QSocketNotifier *n : {hangup, writable})
        if (n)
            n->setEnabled(false);
    const std::weak_ptr<bool> token = guard.token();
    const quint64 gen = generation;
    QTimer::singleShot(0, context.get(), [this, token, gen] {
        if (!token.expired())
            finishFailure(gen);
    });
}

void SerialPort::Impl::finishFailure(quint64 gen)
{
    if (state != State::Failing || gen != generation)
        return;
    // Bytes that came before the loss still belong to the session.
    const QByteArray rest = filter.feed(port->readAll()).data;
    if (!rest.isEmpty() && q->onData && !guard.call([&] { q->onData(rest); }))
        return;
    if (state != State::Failing || gen != generation)
        return;  // the callback closed the port, or opened it again
    closePort();
    lastError = failCode;
    lastMessage = failText;
    if (q->onClosedByError)
        guard.call([&] { q->onClosedByError(lastMessage); });
}

void SerialPort::Impl::handleError(QSerialPort::SerialPortError e)
{
    if (state != State::Open)
        return;
    if (e == QSerialPort::NoError || e == QSerialPort::TimeoutError || e == QSerialPort::UnsupportedOperationError)
        return;
    fail(codeFor(e));
}

void SerialPort::Impl::checkHangup()
{
    if (state != State::Open)
        return;
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) {
        fail(ENODEV);
        return;
    }
    pollfd p{fd(), 0, 0};
    if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)))
        fail(EIO);
}

void SerialPort::Impl::watchTick()
{
    checkHangup();
    if (state != State::Open || !refreshHold())
        return;
    resumeCheck();
    handleWritable();
}

SerialHold SerialPort::Impl::currentHold() const
{
    SerialHold h = SerialHold::None;
    if (flow == FlowXonXoff && filter.peerXoff()) {
        h = SerialHold::Xoff;
    } else if (flow == FlowRtsCts || flow == FlowDtrDsr) {
        // ptys have no modem lines: no answer means not held.
        int bits = 0;
        if (::ioctl(fd(), TIOCMGET, &bits) == 0) {
            if (flow == FlowRtsCts && !(bits & TIOCM_CTS))
                h = SerialHold::Cts;
            if (flow == FlowDtrDsr && !(bits & TIOCM_DSR))
                h = SerialHold::Dsr;
        }
    }
    return h;
}

// False when a callback destroyed the port.
bool SerialPort::Impl::refreshHold()
{
    const SerialHold h = currentHold();
    if (h == hold)
        return true;
    hold = h;
    return !q->onHoldChanged || guard.call([&] { q->onHoldChanged(); });
}

// False after a failure; *written is 0 when the driver takes nothing now.
bool SerialPort::Impl::writeSome(const char *data, qsizetype size, qsizetype *written)
{
    *written = 0;
    const ssize_t n = ::write(fd(), data, size_t(size));
    if (n >= 0) {
        *written = n;
        return true;
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
        return true;
    fail(errno == ENODEV || errno == ENXIO ? ENODEV : EIO);
    return false;
}

// Writes go to the descriptor directly, so that a byte leaves our count
// exactly when the driver takes it, and no byte waits in a buffer of Qt's
// that would outlive a close. The driver is fed a little at a time, and only
// once its own queue is nearly empty: what sits there goes out whatever the
// peer's XOFF says, and at 9600 baud 4 KB is four seconds of line time.
void SerialPort::Impl::pump()
{
    if (state != State::Open)
        return;
    qsizetype n = 0;
    if (pendingControl) {
        if (!writeSome(&pendingControl, 1, &n))
            return;
        if (n == 0) {
            writable->setEnabled(true);
            return;
        }
        pendingControl = 0;
    }
    // The notifier stays off unless a write is due, or it would fire for ever.
    writable->setEnabled(false);
    if (hold != SerialHold::None || queue.isEmpty())
        return;
    const int outq = queuedBytes(fd(), TIOCOUTQ);
    if (outq >= chunk) {
        const qint64 ms = qint64(outq - chunk / 2) * 10 * 1000 / std::max(baud, 1);
        pace->start(int(std::clamp<qint64>(ms, 1, 1000)));
        return;
    }
    if (!writeSome(queue.constData(), std::min<qsizetype>(chunk, queue.size()), &n))
        return;
    queue.remove(0, n);
    if (!queue.isEmpty())
        writable->setEnabled(true);
}

void SerialPort::Impl::handleWritable()
{
    pump();
    if (state == State::Open)
        reportRoom();
}

// XOFF and XON go ahead of queued data and regardless of our own hold.
void SerialPort::Impl::sendControl(bool stop)
{
    inputStopped = stop;
    if (flow == FlowDtrDsr) {
        dtrDriven = !stop;
        port->setDataTerminalReady(dtrDriven);
        return;
    }
    pendingControl = stop ? kXoff : kXon;
    pump();
}

void SerialPort::Impl::resumeCheck()
{
    if (state == State::Open && inputStopped && !readPaused && backlog() <= xonLimit)
        sendControl(false);
}

// Our receive buffer is what arrived and is not yet taken by the reader: it
// fills while the program is too busy to read, or has paused reading.
void SerialPort::Impl::stopCheck()
{
    if ((flow == FlowXonXoff || flow == FlowDtrDsr) && !inputStopped && backlog() >= xoffLimit)
        sendControl(true);
}

void SerialPort::Impl::handleReadyRead()
{
    if (state != State::Open)
        return;
    if (readPaused) {
        stopCheck();
        return;
    }
    while (state == State::Open && port->bytesAvailable() > 0) {
        stopCheck();
        const SerialReceiveFilter::Result r = filter.feed(port->readAll());
        if (r.xonXoffSeen) {
            if (!refreshHold())
                return;
            pump();
            if (state == State::Open && !reportRoom())
                return;
        }
        if (!r.data.isEmpty() && state == State::Open && q->onData && !guard.call([&] { q->onData(r.data); }))
            return;
        if (r.lineErrors > 0 && state == State::Open && q->onLineError && !guard.call([&] { q->onLineError(); }))
            return;
    }
    resumeCheck();
}

// False when a callback destroyed the port.
bool SerialPort::Impl::reportRoom()
{
    const int room = q->transmitRoom(), unsent = q->unsentBytes();
    const bool moved = room > reportedRoom || unsent < reportedUnsent;
    reportedRoom = room;
    reportedUnsent = unsent;
    return !moved || !q->onTransmitRoom || guard.call([&] { q->onTransmitRoom(); });
}

// ---- public ----

SerialPort::SerialPort() : d_(std::make_unique<Impl>(this)) {}

SerialPort::~SerialPort() = default;

void SerialPort::setPortMap(const SerialPortMap &map) { d_->map = map; }

void SerialPort::setLockDirectories(const QStringList &dirs) { d_->lockDirs = dirs; }

QStringList SerialPort::defaultLockDirectories()
{
    // QSerialPort's choices, and the FHS ones, in case another program
    // found a different one writable.
    return {QStringLiteral("/var/lock"),        QStringLiteral("/run/lock"),        QStringLiteral("/etc/locks"),
            QStringLiteral("/var/spool/locks"), QStringLiteral("/var/spool/uucp"),  QStringLiteral("/tmp"),
            QStringLiteral("/var/tmp"),         QStringLiteral("/var/lock/lockdev")};
}

bool SerialPort::open(int comNumber, int baud, int flow, int rxBuffer)
{
    Impl &d = *d_;
    if (d.state != Impl::State::Closed)
        d.closePort();
    d.lastError = 0;
    d.lastMessage.clear();
    auto refuse = [&d](const QString &message) {
        if (d.lockFd >= 0) {
            ::close(d.lockFd);
            d.lockFd = -1;
        }
        d.lastMessage = message;
        return false;
    };

    const QString path = comNumber > 0 ? d.map.devicePath(comNumber) : QString();
    if (path.isEmpty() || !serialDevicePresent(path))
        return refuse(invalidPortMessage(comNumber));
    const QString device = QFileInfo(path).canonicalFilePath();
    if (device.isEmpty())
        return refuse(invalidPortMessage(comNumber));
    if (flow < FlowNone || flow > FlowDtrDsr)
        return refuse(settingsMessage());
    if (d.lockedByOther({device, path}))
        return refuse(cannotOpenMessage(comNumber));

    // Our own lock, on the device itself, before anything touches its
    // settings: QSerialPort's lock file is named after the path it was
    // given, and TIOCEXCL does not stop root.
    d.lockFd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (d.lockFd < 0) {
        switch (errno) {
        case EACCES:
        case EPERM: return refuse(permissionMessage(comNumber, device));
        case ENOENT:
        case ENODEV:
        case ENXIO: return refuse(invalidPortMessage(comNumber));
        default: return refuse(cannotOpenMessage(comNumber));
        }
    }
    if (::flock(d.lockFd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK)
        return refuse(cannotOpenMessage(comNumber));

    // Standard settings for the open itself, so that a failure there is the
    // device's and one afterwards is the settings'.
    QSerialPort &p = *d.port;
    p.setPortName(device);
    p.setBaudRate(QSerialPort::Baud9600);
    p.setDataBits(QSerialPort::Data8);
    p.setParity(QSerialPort::NoParity);
    p.setStopBits(QSerialPort::OneStop);
    p.setFlowControl(QSerialPort::NoFlowControl);
    p.setReadBufferSize(kReadAhead);
    if (!p.open(QIODevice::ReadWrite)) {
        switch (p.error()) {
        case QSerialPort::DeviceNotFoundError: return refuse(invalidPortMessage(comNumber));
        case QSerialPort::UnsupportedOperationError: return refuse(settingsMessage());
        default: return refuse(cannotOpenMessage(comNumber));
        }
    }
    const bool settled =
        p.setBaudRate(baud) && p.setDataBits(QSerialPort::Data8) && p.setParity(QSerialPort::NoParity) &&
        p.setStopBits(QSerialPort::OneStop) &&
        p.setFlowControl(flow == FlowRtsCts ? QSerialPort::HardwareControl : QSerialPort::NoFlowControl) &&
        markLineErrors(int(p.handle())) && runsAt(int(p.handle()), baud);
    if (!settled) {
        p.close();
        return refuse(settingsMessage());
    }
    // ptys have no modem lines, and under RTS/CTS the driver owns RTS.
    p.setDataTerminalReady(true);
    if (flow != FlowRtsCts)
        p.setRequestToSend(true);
    d.rtsDriven = d.dtrDriven = true;  // under RTS/CTS the driver raises RTS as it opens
    p.clear(QSerialPort::AllDirections);

    const int rx = rxBuffer > 0 ? rxBuffer : 4096;
    d.com = comNumber;
    d.baud = baud;
    d.flow = flow;
    d.xoffLimit = std::max(rx - rx / 4, 1);
    d.xonLimit = rx / 4;
    d.chunk = std::clamp(baud / 100, 16, 1024);  // about 10 ms of line time
    d.path = path;
    d.device = device;
    d.filter.reset(flow == FlowXonXoff);
    // QSerialPort never writes (see pump), so this Write notifier is the only
    // one on the descriptor.
    d.writable = new QSocketNotifier(p.handle(), QSocketNotifier::Write, d.context.get());
    d.writable->setEnabled(false);
    QObject::connect(d.writable, &QSocketNotifier::activated, d.context.get(), [&d] { d.handleWritable(); });
    // Exception notifiers see POLLERR/POLLHUP: a hung-up tty (an unplugged
    // USB adapter) reads 0 bytes forever, which QSerialPort 6.4 ignores.
    d.hangup = new QSocketNotifier(p.handle(), QSocketNotifier::Exception, d.context.get());
    QObject::connect(d.hangup, &QSocketNotifier::activated, d.context.get(), [&d] {
        d.checkHangup();
        if (d.state == Impl::State::Open && d.hangup)
            d.hangup->setEnabled(false);  // something else; the watch timer keeps looking
    });
    d.readPaused = false;
    d.state = Impl::State::Open;
    ++d.generation;
    d.watch->start();
    d.hold = d.currentHold();
    return true;
}

void SerialPort::close()
{
    if (d_->state != Impl::State::Closed)
        d_->closePort();
}

bool SerialPort::isOpen() const { return d_->state == Impl::State::Open; }

bool SerialPort::write(const QByteArray &bytes)
{
    if (!isOpen() || bytes.size() > transmitRoom())
        return false;
    d_->queue.append(bytes);
    d_->pump();
    d_->reportedRoom = transmitRoom();
    d_->reportedUnsent = unsentBytes();
    return true;
}

int SerialPort::transmitRoom() const { return std::max(kTransmitBufferSize - bytesPending(), 0); }

int SerialPort::bytesPending() const { return int(d_->queue.size()); }

int SerialPort::unsentBytes() const { return bytesPending() + queuedBytes(d_->fd(), TIOCOUTQ); }

SerialHold SerialPort::holdStatus() const { return d_->hold; }

// A port without modem lines (a pty) reports the lines as we drive them.
bool SerialPort::requestToSend() const
{
    int bits = 0;
    if (!isOpen())
        return false;
    return ::ioctl(d_->fd(), TIOCMGET, &bits) == 0 ? (bits & TIOCM_RTS) != 0 : d_->rtsDriven;
}

bool SerialPort::dataTerminalReady() const
{
    int bits = 0;
    if (!isOpen())
        return false;
    return ::ioctl(d_->fd(), TIOCMGET, &bits) == 0 ? (bits & TIOCM_DTR) != 0 : d_->dtrDriven;
}

void SerialPort::setReadPaused(bool paused)
{
    Impl &d = *d_;
    if (std::exchange(d.readPaused, paused) == paused || paused || d.state != Impl::State::Open)
        return;
    // What QSerialPort holds already raises no readyRead of its own; reading
    // it also lets it read from the driver again.
    QMetaObject::invokeMethod(
        d.context.get(),
        [&d, generation = d.generation] {
            if (generation == d.generation)
                d.handleReadyRead();
        },
        Qt::QueuedConnection);
}

int SerialPort::comNumber() const { return d_->com; }

QString SerialPort::devicePath() const { return d_->path; }

int SerialPort::lastError() const { return d_->lastError; }

QString SerialPort::lastErrorMessage() const { return d_->lastMessage; }

QString SerialPort::errorDescription(int code) { return errnoText(code); }

QString SerialPort::invalidPortMessage(int comNumber)
{
    return QStringLiteral("Invalid port number (COM%1)").arg(comNumber);
}

QString SerialPort::cannotOpenMessage(int comNumber)
{
    return QStringLiteral("Can't open device COM%1").arg(comNumber);
}

QString SerialPort::permissionMessage(int comNumber, const QString &device)
{
    return cannotOpenMessage(comNumber) +
           QStringLiteral("\nNo permission for %1: the user must be in the 'dialout' group.").arg(device);
}

QString SerialPort::settingsMessage()
{
    return QStringLiteral("Error initializing serial port, settings may be unsupported.");
}

}  // namespace kordex
