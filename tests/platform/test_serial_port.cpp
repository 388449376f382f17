// The serial port against real pseudo-terminal pairs: socat joins two ptys,
// the port under test opens one end by COM number and the test plays the
// panel on the other through a raw descriptor.
#include "link/serial_transport.h"
#include "link/sliced_transport.h"
#include "platform/qt_clock.h"
#include "platform/serial_port.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <cerrno>
#include <memory>
#include <thread>

#include <cstdarg>
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

using namespace kordex;

namespace {

constexpr int kCom = 150;  // beyond the built-in names: only our mapping gives it a device
constexpr int kLimit = 15000;
const QByteArray kXon("\x11"), kXoff("\x13");

// The kernel's termios2, for the speed actually set: <asm/termbits.h> and
// <termios.h> do not go together.
struct Termios2 {
    tcflag_t c_iflag, c_oflag, c_cflag, c_lflag;
    cc_t c_line;
    cc_t c_cc[19];
    speed_t c_ispeed, c_ospeed;
};
const unsigned long kTcGets2 = _IOR('T', 0x2A, Termios2);

// The device of a driver that cannot run above 115200 and sets 115200 in
// place of a higher rate without an error, as some USB adapters do.
std::atomic<dev_t> cappedDevice{0};
constexpr speed_t kCappedRate = 115200;

bool capped(int fd)
{
    struct stat st {};
    return cappedDevice != 0 && ::fstat(fd, &st) == 0 && st.st_rdev == cappedDevice;
}

}  // namespace

// That driver: the rates QSerialPort sets reach the C library through
// these two (standard rates by tcsetattr, any other by TCSETS2).
extern "C" int tcsetattr(int fd, int actions, const termios *t) __THROW
{
    static const auto real = reinterpret_cast<int (*)(int, int, const termios *)>(::dlsym(RTLD_NEXT, "tcsetattr"));
    if (!capped(fd) || ::cfgetospeed(t) <= B115200)
        return real(fd, actions, t);
    termios lower = *t;
    ::cfsetspeed(&lower, B115200);
    return real(fd, actions, &lower);
}

extern "C" int ioctl(int fd, unsigned long request, ...) __THROW
{
    static const auto real = reinterpret_cast<int (*)(int, unsigned long, void *)>(::dlsym(RTLD_NEXT, "ioctl"));
    va_list args;
    va_start(args, request);
    void *arg = va_arg(args, void *);
    va_end(args);
    const bool setsRate = request == _IOW('T', 0x2B, Termios2) || request == _IOW('T', 0x2C, Termios2) ||
                          request == _IOW('T', 0x2D, Termios2);  // TCSETS2, TCSETSW2, TCSETSF2
    if (!setsRate || !capped(fd) || static_cast<const Termios2 *>(arg)->c_ospeed <= kCappedRate)
        return real(fd, request, arg);
    Termios2 lower = *static_cast<const Termios2 *>(arg);
    lower.c_ispeed = lower.c_ospeed = kCappedRate;
    return real(fd, request, &lower);
}

namespace {

QByteArray everyByte(int repeats, bool withFlowBytes = true, bool withFF = true)
{
    QByteArray b;
    for (int r = 0; r < repeats; ++r)
        for (int v = 0; v < 256; ++v)
            if ((withFlowBytes || (v != 0x11 && v != 0x13)) && (withFF || v != 0xFF))
                b.append(char(v));
    return b;
}

qint64 cpuMs()
{
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return (qint64(u.ru_utime.tv_sec) + u.ru_stime.tv_sec) * 1000 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000;
}

int openRaw(const QString &path, bool makeRaw)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0 && makeRaw) {
        termios t{};
        ::tcgetattr(fd, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(fd, TCSANOW, &t);
    }
    return fd;
}

int inQueue(int fd)
{
    int n = -1;
    return ::ioctl(fd, TIOCINQ, &n) == 0 ? n : -1;
}

// Waits on a condition without running the event loop, so the port under
// test sees nothing meanwhile.
template <class P>
bool waitWithoutEvents(P pred, int ms = kLimit)
{
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > ms)
            return false;
        ::usleep(2000);
    }
    return true;
}

// A socat pair: `a` is the port under test, `b` the panel's end.
class PtyPair {
public:
    explicit PtyPair(const QString &dir) : a(dir + "/A"), b(dir + "/B")
    {
        socat.setProgram(QStringLiteral("socat"));
        socat.setArguments({"pty,raw,echo=0,link=" + a, "pty,raw,echo=0,link=" + b});
        socat.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    }
    ~PtyPair()
    {
        closePeer();
        stop(false);
    }
    bool start()
    {
        socat.start();
        if (!socat.waitForStarted(kLimit))
            return false;
        if (!QTest::qWaitFor([&] { return QFileInfo::exists(a) && QFileInfo::exists(b); }, kLimit))
            return false;
        device = QFileInfo(a).canonicalFilePath();
        peer = openRaw(b, true);
        return peer >= 0 && !device.isEmpty();
    }
    void stop(bool hard)
    {
        if (socat.state() == QProcess::NotRunning)
            return;
        hard ? socat.kill() : socat.terminate();
        if (!socat.waitForFinished(kLimit)) {
            socat.kill();
            socat.waitForFinished(kLimit);
        }
    }
    void closePeer()
    {
        if (peer >= 0)
            ::close(peer);
        peer = -1;
    }
    qint64 pid() const { return socat.processId(); }

    bool send(const QByteArray &bytes, bool runEvents = true)
    {
        qsizetype done = 0;
        auto step = [&] {
            const ssize_t n = ::write(peer, bytes.constData() + done, size_t(bytes.size() - done));
            if (n > 0)
                done += n;
            return done == bytes.size();
        };
        if (runEvents)
            return QTest::qWaitFor(step, kLimit);
        return waitWithoutEvents(step);
    }
    QByteArray take()
    {
        QByteArray got;
        char buf[4096];
        for (ssize_t n; (n = ::read(peer, buf, sizeof buf)) > 0;)
            got.append(buf, n);
        return got;
    }
    // What reaches the panel, once at least `count` bytes did.
    QByteArray receive(qsizetype count)
    {
        QByteArray got;
        (void)QTest::qWaitFor([&] { return (got += take()).size() >= count; }, kLimit);
        return got;
    }

    const QString a, b;
    QString device;  // /dev/pts/N behind a
    int peer = -1;

private:
    QProcess socat;
};

// What a port reports.
struct Seen {
    QByteArray data;
    QStringList lost;
    int lineErrors = 0, holdChanges = 0, roomGrew = 0;
    Seen() = default;
    Seen(SerialPort &p, const SerialPortMap &map)
    {
        p.setPortMap(map);
        attach(p);
    }
    void attach(SerialPort &p)
    {
        p.onData = [this](const QByteArray &c) { data += c; };
        p.onClosedByError = [this](const QString &why) { lost << why; };
        p.onLineError = [this] { ++lineErrors; };
        p.onHoldChanged = [this] { ++holdChanges; };
        p.onTransmitRoom = [this] { ++roomGrew; };
    }
};

struct TransportLog : TransportEvents {
    TransportLog(SerialTransport &t, const SerialPortMap &map)
    {
        t.setEvents(this);
        t.setPortMap(map);
    }
    QStringList log;
    QByteArray data;
    void dataReceived(const QByteArray &chunk) override { data += chunk; }
    void sessionConnected(int error) override { log << QStringLiteral("connected %1").arg(error); }
    void sessionClosed(int error) override { log << QStringLiteral("closed %1").arg(error); }
    void lineError() override { log << QStringLiteral("line error"); }
    void transmitChanged() override { ++transmitChanges; }
    int transmitChanges = 0;
};

LinkSettings serialAt(int com, int baud = 9600)
{
    LinkSettings s;
    s.com = com;
    s.baud = baud;
    return s;
}

// Room for a stray late notification to show; never what a check waits on.
void settle(int ms = 300) { QTest::qWait(ms); }

}  // namespace

class SerialPortTests : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<PtyPair> pty;
    SerialPortMap map;

    QString path(const QString &name) const { return dir->filePath(name); }
    // Proves the port's event handling ran after `since` while checking that
    // nothing reached the panel: a ping from the panel must come back first.
    bool panelGetsNothing(Seen &seen)
    {
        const qsizetype before = seen.data.size();
        if (!pty->send("ping") || !QTest::qWaitFor([&] { return seen.data.size() >= before + 4; }, kLimit))
            return false;
        settle(100);
        return pty->take().isEmpty();
    }

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        pty = std::make_unique<PtyPair>(dir->path());
        QVERIFY2(pty->start(), "socat did not come up");
        map.clear();
        map.setOverride(kCom, pty->a);
    }
    void cleanup()
    {
        pty.reset();
        dir.reset();
    }

    void receiveFilter_data()
    {
        QTest::addColumn<bool>("xonXoff");
        QTest::addColumn<QByteArrayList>("chunks");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("errors");
        QTest::addColumn<bool>("held");
        const QByteArray ff("\xff", 1), nul("\0", 1);
        QTest::newRow("plain") << false << QByteArrayList{"abc"} << QByteArray("abc") << 0 << false;
        QTest::newRow("doubled FF") << false << QByteArrayList{"a" + ff + ff + "b"} << "a" + ff + "b" << 0 << false;
        QTest::newRow("doubled FF split")
            << false << QByteArrayList{"a" + ff, ff + "b"} << "a" + ff + "b" << 0 << false;
        QTest::newRow("framing error") << false << QByteArrayList{"x" + ff + nul + "Ay"} << QByteArray("xAy") << 1
                                       << false;
        QTest::newRow("mark over three chunks")
            << false << QByteArrayList{ff, nul, "A"} << QByteArray("A") << 1 << false;
        QTest::newRow("break") << false << QByteArrayList{ff + nul + nul} << nul << 1 << false;
        QTest::newRow("two errors") << false << QByteArrayList{ff + nul + "a" + ff + nul + "b"} << QByteArray("ab") << 2
                                    << false;
        QTest::newRow("flow bytes are data")
            << false << QByteArrayList{"a" + kXoff + "b" + kXon} << "a" + kXoff + "b" + kXon << 0 << false;
        QTest::newRow("XOFF taken out") << true << QByteArrayList{"a" + kXoff + "b"} << QByteArray("ab") << 0 << true;
        QTest::newRow("XOFF then XON") << true << QByteArrayList{"a" + kXoff, "b" + kXon + "c"} << QByteArray("abc")
                                       << 0 << false;
        QTest::newRow("XON then XOFF") << true << QByteArrayList{kXon + kXoff} << QByteArray() << 0 << true;
        QTest::newRow("bad byte like XOFF is data") << true << QByteArrayList{ff + nul + kXoff} << kXoff << 1 << false;
        QTest::newRow("doubled FF before XOFF") << true << QByteArrayList{ff + ff + kXoff} << ff << 0 << true;
        QTest::newRow("stray FF kept") << true << QByteArrayList{ff + kXoff + "z"} << ff + "z" << 0 << true;
    }
    void receiveFilter()
    {
        QFETCH(bool, xonXoff);
        QFETCH(QByteArrayList, chunks);
        QFETCH(QByteArray, data);
        QFETCH(int, errors);
        QFETCH(bool, held);
        SerialReceiveFilter f(xonXoff);
        QByteArray got;
        int errs = 0;
        for (const QByteArray &c : chunks) {
            const auto r = f.feed(c);
            got += r.data;
            errs += r.lineErrors;
        }
        QCOMPARE(got, data);
        QCOMPARE(errs, errors);
        QCOMPARE(f.peerXoff(), held);
    }

    void opensAtAnyBaudAndCarriesEveryByte_data()
    {
        QTest::addColumn<int>("baud");
        for (int baud : {9600, 14400, 56000, 115200, 128000, 256000})
            QTest::addRow("%d", baud) << baud;
    }
    void opensAtAnyBaudAndCarriesEveryByte()
    {
        QFETCH(int, baud);
        const int watch = openRaw(pty->a, false);  // before the port's exclusive open
        QVERIFY(watch >= 0);
        SerialPort port;
        Seen seen(port, map);
        QVERIFY2(port.open(kCom, baud, SerialPort::FlowNone, 4096), qPrintable(port.lastErrorMessage()));
        QVERIFY(port.isOpen());
        QCOMPARE(port.devicePath(), pty->a);

        Termios2 t{};
        QCOMPARE(::ioctl(watch, kTcGets2, &t), 0);
        ::close(watch);
        QCOMPARE(t.c_ospeed, speed_t(baud));
        QCOMPARE(t.c_ispeed, speed_t(baud));
        QCOMPARE(t.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), tcflag_t(CS8));
        QCOMPARE(t.c_iflag & (IXON | IXOFF | PARMRK), tcflag_t(PARMRK));

        const QByteArray in = everyByte(4);
        QVERIFY(pty->send(in));
        QVERIFY(QTest::qWaitFor([&] { return seen.data.size() >= in.size(); }, kLimit));
        QCOMPARE(seen.data, in);

        QByteArray out = everyByte(8);
        std::reverse(out.begin(), out.end());
        QByteArray atPanel;
        for (qsizetype at = 0; at < out.size(); at += SerialPort::kTransmitBufferSize) {
            QVERIFY(QTest::qWaitFor([&] { return port.transmitRoom() == SerialPort::kTransmitBufferSize; }, kLimit));
            QVERIFY(port.write(out.mid(at, SerialPort::kTransmitBufferSize)));
            atPanel +=
                pty->receive(std::min<qsizetype>(out.size(), at + SerialPort::kTransmitBufferSize) - atPanel.size());
        }
        QCOMPARE(atPanel, out);
        QTRY_COMPARE_WITH_TIMEOUT(port.bytesPending(), 0, kLimit);
        QCOMPARE(seen.lineErrors, 0);
        QVERIFY(seen.lost.isEmpty());
    }

    void flowBytesFromThePanel_data()
    {
        QTest::addColumn<int>("flow");
        QTest::newRow("none") << 0;
        QTest::newRow("XON/XOFF") << 1;
        QTest::newRow("RTS/CTS") << 2;
        QTest::newRow("DTR/DSR") << 3;
    }
    void flowBytesFromThePanel()
    {
        QFETCH(int, flow);
        const bool xonXoff = flow == SerialPort::FlowXonXoff;
        SerialPort port;
        Seen seen(port, map);
        QVERIFY(port.open(kCom, 9600, flow, 4096));
        QCOMPARE(port.holdStatus(), SerialHold::None);  // a pty has no modem lines: not held

        QVERIFY(pty->send("a" + kXoff + "b"));
        QVERIFY(QTest::qWaitFor([&] { return seen.data.endsWith('b'); }, kLimit));
        QCOMPARE(seen.data, xonXoff ? QByteArray("ab") : "a" + kXoff + "b");
        QCOMPARE(port.holdStatus(), xonXoff ? SerialHold::Xoff : SerialHold::None);
        QCOMPARE(seen.holdChanges, xonXoff ? 1 : 0);

        QVERIFY(port.write("out"));
        if (xonXoff) {
            QVERIFY(panelGetsNothing(seen));
            QCOMPARE(port.bytesPending(), 3);
            QVERIFY(pty->send("\x11"));
        }
        QCOMPARE(pty->receive(3), QByteArray("out"));
        QCOMPARE(port.holdStatus(), SerialHold::None);
        QCOMPARE(seen.holdChanges, xonXoff ? 2 : 0);
        QVERIFY(!seen.data.contains('\x11') || !xonXoff);
    }

    void transmitAccountingWhileHeld_data()
    {
        QTest::addColumn<QList<int>>("sizes");
        QTest::addColumn<QList<bool>>("taken");
        QTest::newRow("fills exactly") << QList<int>{2048} << QList<bool>{true};
        QTest::newRow("one too many") << QList<int>{2049, 2048} << QList<bool>{false, true};
        QTest::newRow("in parts") << QList<int>{1000, 1048, 1} << QList<bool>{true, true, false};
        QTest::newRow("refused leaves room") << QList<int>{1500, 600, 548} << QList<bool>{true, false, true};
        QTest::newRow("empty") << QList<int>{0, 2048, 0} << QList<bool>{true, true, true};
    }
    void transmitAccountingWhileHeld()
    {
        QFETCH(QList<int>, sizes);
        QFETCH(QList<bool>, taken);
        SerialPort port;
        Seen seen(port, map);
        QVERIFY(port.open(kCom, 9600, SerialPort::FlowXonXoff, 4096));
        QVERIFY(pty->send("\x13"));
        QVERIFY(QTest::qWaitFor([&] { return port.holdStatus() == SerialHold::Xoff; }, kLimit));

        QByteArray accepted;
        for (int i = 0; i < sizes.size(); ++i) {
            QByteArray bytes(sizes[i], Qt::Uninitialized);
            for (int k = 0; k < bytes.size(); ++k)
                bytes[k] = char((k * 7 + i * 31) & 0xFF);  // 0x11, 0x13 and 0xFF among them
            QCOMPARE(port.write(bytes), taken[i]);
            if (taken[i])
                accepted += bytes;
            QCOMPARE(port.bytesPending(), accepted.size());
            QCOMPARE(port.transmitRoom(), SerialPort::kTransmitBufferSize - accepted.size());
        }
        QVERIFY(panelGetsNothing(seen));
        QCOMPARE(port.bytesPending(), accepted.size());
        QCOMPARE(seen.roomGrew, 0);

        QVERIFY(pty->send("\x11"));
        QCOMPARE(pty->receive(accepted.size()), accepted);
        QTRY_COMPARE_WITH_TIMEOUT(port.transmitRoom(), SerialPort::kTransmitBufferSize, kLimit);
        QCOMPARE(port.bytesPending(), 0);
        QCOMPARE(seen.roomGrew > 0, !accepted.isEmpty());
    }

    // Our receive buffer fills while the program is too busy to read: the
    // peer is stopped at 3/4 and let go at 1/4, and no byte is lost.
    void stopsThePanelWhenTheReceiveBufferFills()
    {
        const int watch = openRaw(pty->a, false);
        QVERIFY(watch >= 0);
        SerialPort port;
        Seen seen(port, map);
        QVERIFY(port.open(kCom, 9600, SerialPort::FlowXonXoff, 1024));
        const QByteArray burst = everyByte(12, false, false).left(3000);
        QVERIFY(pty->send(burst, false));
        QVERIFY(waitWithoutEvents([&] { return inQueue(watch) >= burst.size(); }));
        ::close(watch);

        QVERIFY(QTest::qWaitFor([&] { return seen.data.size() >= burst.size(); }, kLimit));
        QCOMPARE(seen.data, burst);
        QCOMPARE(pty->receive(2), QByteArray("\x13\x11"));
        settle(100);
        QVERIFY(pty->take().isEmpty());
        QCOMPARE(port.holdStatus(), SerialHold::None);  // our own XOFF does not hold us
    }

    // Reading paused, the receive buffer fills as when the program is busy:
    // XON/XOFF stops the panel with XOFF, DTR/DSR by dropping DTR (a pty has
    // no modem lines: the port reports them as it drives them). Resumed,
    // every byte arrives and the panel may go on.
    void stopsThePanelWhileReadingIsPaused_data()
    {
        QTest::addColumn<int>("flow");
        QTest::addColumn<bool>("dtrWhileFull");
        QTest::addColumn<QByteArray>("panelGets");
        QTest::newRow("XON/XOFF") << int(SerialPort::FlowXonXoff) << true << QByteArray("\x13\x11");
        QTest::newRow("DTR/DSR") << int(SerialPort::FlowDtrDsr) << false << QByteArray();
    }
    void stopsThePanelWhileReadingIsPaused()
    {
        QFETCH(int, flow);
        QFETCH(bool, dtrWhileFull);
        QFETCH(QByteArray, panelGets);
        SerialPort port;
        Seen seen(port, map);
        QVERIFY(!port.requestToSend() && !port.dataTerminalReady());
        QVERIFY(port.open(kCom, 9600, flow, 1024));
        QVERIFY(port.requestToSend() && port.dataTerminalReady());
        port.setReadPaused(true);
        const QByteArray burst = everyByte(12, false, false).left(3000);
        QVERIFY(pty->send(burst));
        if (panelGets.isEmpty())
            QVERIFY(QTest::qWaitFor([&] { return !port.dataTerminalReady(); }, kLimit));
        else
            QCOMPARE(pty->receive(1), panelGets.left(1));
        settle(100);
        QCOMPARE(port.dataTerminalReady(), dtrWhileFull);
        QVERIFY(port.requestToSend());
        QVERIFY(seen.data.isEmpty());

        port.setReadPaused(false);
        QVERIFY(seen.data.isEmpty());  // from the event loop, not inside the call
        QVERIFY(QTest::qWaitFor([&] { return seen.data.size() >= burst.size(); }, kLimit));
        QCOMPARE(seen.data, burst);
        QVERIFY(QTest::qWaitFor([&] { return port.dataTerminalReady(); }, kLimit));
        QCOMPARE(pty->receive(panelGets.size() - 1), panelGets.mid(1));
        settle(100);
        QVERIFY(pty->take().isEmpty());
        port.close();
        QVERIFY(!port.requestToSend() && !port.dataTerminalReady());
    }

    void staleInputIsDiscarded()
    {
        const int watch = openRaw(pty->a, false);
        QVERIFY(watch >= 0);
        QVERIFY(pty->send("stale"));
        QVERIFY(waitWithoutEvents([&] { return inQueue(watch) >= 5; }));
        SerialPort port;
        Seen seen(port, map);
        QVERIFY(port.open(kCom, 9600, SerialPort::FlowNone, 4096));
        ::close(watch);
        QVERIFY(pty->send("fresh"));
        QVERIFY(QTest::qWaitFor([&] { return seen.data.size() >= 5; }, kLimit));
        settle(100);
        QCOMPARE(seen.data, QByteArray("fresh"));
    }

    void refusedOpen_data()
    {
        QTest::addColumn<int>("com");
        QTest::addColumn<QString>("target");  // what the COM number is mapped to
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("flow");
        QTest::addColumn<QString>("message");
        const QString invalid7 = SerialPort::invalidPortMessage(7);
        QCOMPARE(invalid7, QStringLiteral("Invalid port number (COM7)"));
        const QString settings = QStringLiteral("Error initializing serial port, settings may be unsupported.");
        QTest::newRow("no such device") << 7 << "/dev/kordex-no-such-tty" << 9600 << 0 << invalid7;
        QTest::newRow("dangling link") << 7 << "dangling" << 9600 << 0 << invalid7;
        QTest::newRow("no mapping") << kCom << "" << 9600 << 0 << QStringLiteral("Invalid port number (COM150)");
        QTest::newRow("COM0") << 0 << "pty" << 9600 << 0 << QStringLiteral("Invalid port number (COM0)");
        QTest::newRow("negative") << -3 << "pty" << 9600 << 0 << QStringLiteral("Invalid port number (COM-3)");
        QTest::newRow("not a tty") << 9 << "/dev/null" << 9600 << 0 << settings;
        QTest::newRow("a plain file") << 9 << "file" << 9600 << 0 << settings;
        QTest::newRow("baud refused") << kCom << "pty" << 0 << 0 << settings;
        QTest::newRow("baud replaced by the driver") << kCom << "capped pty" << 256000 << 0 << settings;
        QTest::newRow("baud replaced, a standard rate") << kCom << "capped pty" << 230400 << 0 << settings;
        QTest::newRow("flow out of range") << kCom << "pty" << 9600 << 4 << settings;
    }
    void refusedOpen()
    {
        QFETCH(int, com);
        QFETCH(QString, target);
        QFETCH(int, baud);
        QFETCH(int, flow);
        QFETCH(QString, message);
        map.clear();
        const struct Uncap {
            ~Uncap() { cappedDevice = 0; }
        } uncap;
        if (target == "pty") {
            map.setOverride(com, pty->a);
        } else if (target == "capped pty") {
            struct stat st {};
            QCOMPARE(::stat(QFile::encodeName(pty->a).constData(), &st), 0);
            cappedDevice = st.st_rdev;
            map.setOverride(com, pty->a);
        } else if (target == "dangling") {
            QVERIFY(QFile::link(path("gone"), path("dangling")));
            map.setOverride(com, path("dangling"));
        } else if (target == "file") {
            QFile f(path("file"));
            QVERIFY(f.open(QIODevice::WriteOnly));
            map.setOverride(com, f.fileName());
        } else if (!target.isEmpty()) {
            map.setOverride(com, target);
        }
        SerialPort port;
        Seen seen(port, map);
        QVERIFY(!port.open(com, baud, flow, 4096));
        QCOMPARE(port.lastErrorMessage(), message);
        QCOMPARE(port.lastError(), 0);
        QVERIFY(!port.isOpen());
        QVERIFY(!port.write("x"));

        // Nothing of the failed attempt stays behind on the device.
        map.setOverride(kCom, pty->a);
        port.setPortMap(map);
        QVERIFY2(port.open(kCom, 9600, 0, 4096), qPrintable(port.lastErrorMessage()));
        QVERIFY(port.write("ok"));
        QCOMPARE(pty->receive(2), QByteArray("ok"));
        QVERIFY(seen.lost.isEmpty());
    }

    void portInUse_data()
    {
        QTest::addColumn<QString>("holder");
        QTest::addColumn<bool>("opens");
        QTest::newRow("another port of ours") << "ours" << false;
        QTest::newRow("ours, through another path") << "ours via link" << false;
        QTest::newRow("another program's flock") << "flock" << false;
        QTest::newRow("UUCP lock, ASCII pid") << "uucp ascii" << false;
        QTest::newRow("UUCP lock, QLockFile style") << "uucp qt" << false;
        QTest::newRow("UUCP lock, binary pid") << "uucp binary" << false;
        QTest::newRow("UUCP lock named after the link") << "uucp link name" << false;
        QTest::newRow("stale UUCP lock") << "uucp dead" << true;
        QTest::newRow("unreadable UUCP lock") << "uucp junk" << true;
        // Lock folders are writable by everyone: only a regular file is a lock.
        QTest::newRow("a FIFO under the lock's name") << "fifo" << true;
        QTest::newRow("a link to a live lock") << "uucp symlink" << true;
    }
    void portInUse()
    {
        QFETCH(QString, holder);
        QFETCH(bool, opens);
        const QString lockDir = path("locks");
        QVERIFY(QDir().mkpath(lockDir));
        const QString deviceLock = lockDir + "/LCK.." + pty->device.mid(5).replace('/', '_');
        auto writeLock = [&](const QString &file, const QByteArray &content) {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly));
            QCOMPARE(f.write(content), content.size());
        };
        const qint64 live = pty->pid();
        SerialPort first;
        first.setPortMap(map);
        QProcess flock;
        int com = kCom;

        if (holder.startsWith("ours")) {
            QVERIFY(first.open(kCom, 9600, 0, 4096));
            if (holder == "ours via link") {
                QVERIFY(QFile::link(pty->device, path("other")));
                map.setOverride(com = 151, path("other"));
            }
        } else if (holder == "flock") {
            // The shell becomes the sleep that holds the lock, so killing it frees the port.
            flock.start("sh", {"-c", "exec 9<>\"$0\" && flock -x 9 && exec sleep 120", pty->device});
            QVERIFY(flock.waitForStarted(kLimit));
            QVERIFY(QTest::qWaitFor(
                [&] {
                    const int fd = openRaw(pty->device, false);
                    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
                    ::close(fd);
                    return held;
                },
                kLimit));
        } else if (holder == "uucp ascii") {
            writeLock(deviceLock, QByteArray::number(live).rightJustified(10, ' ') + '\n');
        } else if (holder == "uucp qt") {
            writeLock(deviceLock, QByteArray::number(live) + "\nminicom\nhost\n");
        } else if (holder == "uucp binary") {
            const qint32 pid = qint32(live);
            writeLock(deviceLock, QByteArray(reinterpret_cast<const char *>(&pid), 4));
        } else if (holder == "uucp link name") {
            writeLock(lockDir + "/LCK.." + QString(pty->a).replace('/', '_'), QByteArray::number(live) + '\n');
        } else if (holder == "uucp dead") {
            QProcess gone;
            gone.start("true", {});
            QVERIFY(gone.waitForStarted(kLimit));
            const qint64 pid = gone.processId();
            QVERIFY(gone.waitForFinished(kLimit));
            writeLock(deviceLock, QByteArray::number(pid).rightJustified(10, ' ') + '\n');
        } else if (holder == "uucp junk") {
            writeLock(deviceLock, "not a pid\n");
        } else if (holder == "uucp symlink") {
            writeLock(path("live"), QByteArray::number(live) + '\n');
            QVERIFY(QFile::link(path("live"), deviceLock));
        } else if (holder == "fifo") {
            QCOMPARE(::mkfifo(QFile::encodeName(deviceLock).constData(), 0666), 0);
        }
        // An open that waits on the FIFO for a writer is let go after the
        // limit, and the row fails.
        std::atomic<bool> opened{false}, released{false};
        std::thread releaser([&] {
            QElapsedTimer t;
            t.start();
            while (!opened && holder == "fifo") {
                const int fd = t.elapsed() > kLimit
                                   ? ::open(QFile::encodeName(deviceLock).constData(), O_WRONLY | O_NONBLOCK)
                                   : -1;
                if (fd >= 0) {
                    released = true;
                    ::close(fd);
                }
                ::usleep(10000);
            }
        });

        SerialPort second;
        Seen seen(second, map);
        second.setLockDirectories({lockDir});
        const bool secondOpened = second.open(com, 9600, 0, 4096);
        opened = true;
        releaser.join();
        QVERIFY2(!released, "the open waited on the FIFO");
        QCOMPARE(secondOpened, opens);
        if (!opens) {
            QCOMPARE(second.lastErrorMessage(), QStringLiteral("Can't open device COM%1").arg(com));
            QCOMPARE(second.lastError(), 0);
        }
        if (first.isOpen()) {  // the refused attempt did not disturb the port in use
            Seen firstSeen;
            firstSeen.attach(first);
            QVERIFY(pty->send("still"));
            QVERIFY(QTest::qWaitFor([&] { return firstSeen.data == "still"; }, kLimit));
            QVERIFY(first.write("mine"));
            QCOMPARE(pty->receive(4), QByteArray("mine"));
        }
        if (flock.state() != QProcess::NotRunning) {
            flock.kill();
            QVERIFY(flock.waitForFinished(kLimit));
            // Free again once the holder is gone: the kernel releases a pty
            // whose last opener died a moment later, so under load the
            // first try may still be refused.
            QVERIFY2(QTest::qWaitFor([&] { return second.open(com, 9600, 0, 4096); }, kLimit),
                     qPrintable(second.lastErrorMessage()));
        }
    }

    void permissionDenied()
    {
        // Root opens anything: drop to nobody for the attempt.
        const bool root = ::geteuid() == 0;
        const QByteArray dev = QFile::encodeName(pty->device);
        QCOMPARE(::chmod(dev.constData(), root ? 0600 : 0), 0);
        map.setOverride(151, pty->device);
        SerialPort port;
        port.setPortMap(map);
        if (root) {
            QCOMPARE(::setegid(65534), 0);
            QCOMPARE(::seteuid(65534), 0);
        }
        const bool opened = port.open(151, 9600, 0, 4096);
        if (root) {
            QCOMPARE(::seteuid(0), 0);
            QCOMPARE(::setegid(0), 0);
        }
        ::chmod(dev.constData(), 0620);
        QVERIFY(!opened);
        const QString expected = QStringLiteral(
                                     "Can't open device COM151\nNo permission for %1: the user must be in "
                                     "the 'dialout' group.")
                                     .arg(pty->device);
        QCOMPARE(port.lastErrorMessage(), expected);
        QCOMPARE(port.lastError(), 0);
    }

    void lostDevice_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("writing");  // the program keeps sending into the dying port
        QTest::addColumn<int>("code");
        QTest::newRow("socat killed") << "kill" << false << EIO;
        QTest::newRow("socat killed, writing") << "kill" << true << EIO;
        QTest::newRow("socat ended") << "terminate" << false << EIO;
        QTest::newRow("hung up, as an unplugged adapter") << "hangup" << false << EIO;
        QTest::newRow("hung up, writing") << "hangup" << true << EIO;
        QTest::newRow("device path removed") << "unlink" << false << ENODEV;
    }
    void lostDevice()
    {
        QFETCH(QString, how);
        QFETCH(bool, writing);
        QFETCH(int, code);
        if (how == "unlink") {  // our own link, so the device itself stays
            QVERIFY(QFile::link(pty->device, path("byid")));
            map.setOverride(kCom, path("byid"));
        }
        const int watch = openRaw(pty->a, false);
        QVERIFY(watch >= 0);
        SerialPort port;
        Seen seen(port, map);
        QVERIFY(port.open(kCom, 9600, SerialPort::FlowXonXoff, 4096));
        QVERIFY(pty->send("up"));
        QVERIFY(QTest::qWaitFor([&] { return seen.data == "up"; }, kLimit));

        const qint64 cpuBefore = cpuMs();
        if (how == "kill" || how == "terminate") {
            pty->closePeer();
            pty->stop(how == "kill");
        } else if (how == "hangup") {
            if (::ioctl(watch, TIOCVHANGUP) != 0) {
                ::close(watch);
                QSKIP("hanging up a tty needs CAP_SYS_ADMIN");
            }
        } else {
            QVERIFY(QFile::remove(path("byid")));
        }
        for (int i = 0; writing && i < 5; ++i)
            port.write("after");
        QVERIFY(QTest::qWaitFor([&] { return !seen.lost.isEmpty(); }, kLimit));
        QVERIFY(!port.isOpen());
        QCOMPARE(port.lastError(), code);
        QVERIFY2(port.lastErrorMessage().startsWith(QStringLiteral("Lost the serial port COM150 (")),
                 qPrintable(port.lastErrorMessage()));
        QCOMPARE(seen.lost, QStringList{port.lastErrorMessage()});

        settle(1000);  // a spinning read loop would burn this second
        const qint64 cpu = cpuMs() - cpuBefore;
        QVERIFY2(cpu < 300, qPrintable(QStringLiteral("%1 ms of CPU").arg(cpu)));
        QCOMPARE(seen.lost.size(), 1);
        QCOMPARE(seen.lineErrors, 0);
        QVERIFY(!port.write("x"));
        QCOMPARE(port.bytesPending(), 0);
        ::close(watch);
    }

    void callbacksMayCloseOrDestroy_data()
    {
        QTest::addColumn<QString>("when");
        QTest::addColumn<bool>("destroy");
        for (const char *when : {"data", "hold", "lost"})
            for (bool destroy : {false, true})
                QTest::addRow("%s %s", destroy ? "destroy in" : "close in", when) << QString(when) << destroy;
    }
    void callbacksMayCloseOrDestroy()
    {
        QFETCH(QString, when);
        QFETCH(bool, destroy);
        auto port = std::make_unique<SerialPort>();
        port->setPortMap(map);
        int calls = 0;
        auto act = [&] {
            ++calls;
            destroy ? port.reset() : port->close();
        };
        if (when == "data")
            port->onData = [&](const QByteArray &) { act(); };
        else if (when == "hold")
            port->onHoldChanged = act;
        else
            port->onClosedByError = [&](const QString &) { act(); };
        QVERIFY(port->open(kCom, 9600, SerialPort::FlowXonXoff, 4096));
        if (when == "lost")
            pty->stop(true);
        else
            QVERIFY(pty->send(kXoff + "data"));
        QVERIFY(QTest::qWaitFor([&] { return calls > 0; }, kLimit));
        settle();
        QCOMPARE(calls, 1);
        QCOMPARE(port == nullptr, destroy);
        if (port)
            QVERIFY(!port->isOpen());
    }

    // ---- the transport over it ----

    void transportSession()
    {
        SerialTransport t;
        TransportLog ev(t, map);
        QVERIFY(t.bringUp(serialAt(kCom, 19200)));  // XON/XOFF
        QVERIFY(ev.log.isEmpty());                  // reported after the call, for the caller's wait to see
        QVERIFY(t.isOpen());
        QVERIFY(QTest::qWaitFor([&] { return !ev.log.isEmpty(); }, kLimit));
        QCOMPARE(ev.log, QStringList{"connected 0"});

        QVERIFY(pty->send("hi\x13"));
        QVERIFY(QTest::qWaitFor([&] { return t.holdStatus() == Hold::Xoff; }, kLimit));
        QVERIFY(QTest::qWaitFor([&] { return ev.data == "hi"; }, kLimit));
        QVERIFY(ev.transmitChanges >= 1);  // the hold came on
        QVERIFY(t.send("yo"));
        QCOMPARE(t.bytesPending(), 2);
        QCOMPARE(t.unsentBytes(), 2);
        QCOMPARE(t.transmitRoom(), SerialPort::kTransmitBufferSize - 2);
        const int changes = ev.transmitChanges;
        QVERIFY(pty->send("\x11"));
        QCOMPARE(pty->receive(2), QByteArray("yo"));
        QTRY_COMPARE_WITH_TIMEOUT(t.unsentBytes(), 0, kLimit);
        QVERIFY(ev.transmitChanges > changes);

        // The close throws away what is unsent, and only that.
        QVERIFY(pty->send("\x13"));
        QVERIFY(QTest::qWaitFor([&] { return t.holdStatus() == Hold::Xoff; }, kLimit));
        QVERIFY(t.send("lost"));
        QCOMPARE(t.unsentBytes(), 4);
        t.tearDown();
        QVERIFY(pty->send("\x11"));
        settle();
        QVERIFY(pty->take().isEmpty());
        QCOMPARE(t.unsentBytes(), 0);
        QVERIFY(!t.isOpen());
        QVERIFY(!t.send("x"));
        settle();
        QCOMPARE(ev.log, QStringList{"connected 0"});  // our own close is not a lost link
    }

    void transportFailsAtOnce()
    {
        SerialTransport t;
        TransportLog ev(t, map);
        QVERIFY(!t.bringUp(serialAt(7)));
        QCOMPARE(t.lastErrorMessage(), QStringLiteral("Invalid port number (COM7)"));
        QCOMPARE(t.lastError(), 0);
        QVERIFY(t.bringUp(serialAt(kCom)));
        t.tearDown();  // before the session was reported: it never is
        settle();
        QVERIFY(ev.log.isEmpty());
    }

    // A panel that sends faster than the link takes: the port stops reading
    // while the slicer holds its bound, the pty holds the panel back, and
    // every byte arrives, in order.
    void aFastPanelIsHeldBack()
    {
        QByteArray data(4 << 20, Qt::Uninitialized);
        for (qsizetype i = 0; i < data.size(); ++i)
            data[i] = char((i * 7 + i / 251) & 0xFF);
        QtClock clock;
        SerialTransport serial;
        struct Reader final : TransportLog {
            using TransportLog::TransportLog;
            SlicedTransport *sliced = nullptr;
            qsizetype most = 0;
            bool pausedSeen = false;
            void dataReceived(const QByteArray &chunk) override
            {
                data += chunk;
                most = std::max(most, sliced->backlog());
                pausedSeen = pausedSeen || sliced->receivePaused();
            }
        } reader(serial, map);
        // Between the port and the reader; short slices, for a pty is slower
        // than Qt's reading from a socket.
        constexpr qsizetype kSlice = 1024;
        SlicedTransport sliced(serial, clock, kSlice);
        reader.sliced = &sliced;
        sliced.setEvents(&reader);
        LinkSettings none = serialAt(kCom, 115200);
        none.flow = SerialPort::FlowNone;
        QVERIFY(sliced.bringUp(none));
        QVERIFY(QTest::qWaitFor([&] { return !reader.log.isEmpty(); }, kLimit));

        std::atomic<bool> stalled{false};
        std::thread panel([&] {
            for (qsizetype at = 0; at < data.size();) {
                const ssize_t n = ::write(pty->peer, data.constData() + at, size_t(data.size() - at));
                if (n > 0) {
                    at += n;
                } else if (errno == EAGAIN) {
                    stalled = true;
                    pollfd p{pty->peer, POLLOUT, 0};
                    ::poll(&p, 1, 100);
                } else if (errno != EINTR) {
                    return;
                }
            }
        });
        const bool filled = waitWithoutEvents([&] { return bool(stalled); });
        // Turn by turn, as the program's event loop runs.
        QElapsedTimer reading;
        reading.start();
        while (reader.data.size() < data.size() && reading.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
        panel.join();
        QVERIFY(filled);
        QCOMPARE(reader.data.size(), data.size());
        QVERIFY(reader.data == data);
        QVERIFY(reader.pausedSeen);
        const qsizetype bound = (SlicedTransport::kPauseSlices + 1) * kSlice + 64 * 1024;
        QVERIFY2(reader.most <= bound, qPrintable(QStringLiteral("%1 bytes waited").arg(reader.most)));
        QVERIFY(!reader.log.contains("line error"));
    }

    void transportLostOnce()
    {
        SerialTransport t;
        TransportLog ev(t, map);
        QVERIFY(t.bringUp(serialAt(kCom)));
        QVERIFY(QTest::qWaitFor([&] { return ev.log.size() == 1; }, kLimit));
        pty->stop(true);
        QVERIFY(QTest::qWaitFor([&] { return ev.log.size() == 2; }, kLimit));
        QCOMPARE(ev.log.last(), QStringLiteral("closed %1").arg(EIO));
        QCOMPARE(t.errorDescription(EIO), QStringLiteral("Input/output error"));
        QVERIFY(!t.isOpen());
        t.tearDown();
        settle();
        QCOMPARE(ev.log.size(), 2);
    }
};

QTEST_GUILESS_MAIN(SerialPortTests)
#include "test_serial_port.moc"
