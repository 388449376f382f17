// The real window under a fast link, and the program's start-up, measured
// offscreen (not a test: figures to read, on this machine).
//
// Burst: 1 MiB of mixed tandem traffic goes through the program's receive
// path (transport, link, engine, window) while the event loop runs. It
// reports the main thread's CPU time against the engine's own CPU time on
// the same bytes (an engine that shows nothing, on the same real clock), and
// the longest gap between two turns of the event loop.
//
// Start-up: the time from starting a process to the end of the first paint
// of its window, for the program's window (composed as main() does) and for
// a bare Qt window of the same size, empty or with one line of text, on the
// platform QT_QPA_PLATFORM names (offscreen unless told). Offscreen, a bare
// window costs so little that the font set-up any window with text pays
// (fontconfig) is most of the difference; on a display server (xcb under
// Xvfb, as `make bench` also runs it) the figures are closer to a desktop's.
//
//   bench_window [--runs N] [--start-up]   (--start-up: no burst)
#include "app/program.h"
#include "bench/engine_rig.h"
#include "config/configuration.h"
#include "faces/message_boxes.h"
#include "link/serial_transport.h"
#include "link/tcp_socket_transport.h"
#include "platform/qt_clock.h"
#include "tandem_traffic.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

using namespace kordex;

namespace {

constexpr qsizetype kBurstBytes = 1 << 20;

double threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

int64_t monotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

void settle(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// A TCP/IP link that is up at once; the benchmark raises what it receives.
struct BurstSocket final : Transport {
    bool bringUp(const LinkSettings &) override
    {
        events_->sessionConnected(0);
        return true;
    }
    void tearDown() override {}
    bool isOpen() const override { return true; }
    bool send(const QByteArray &) override { return true; }
    int lastError() const override { return 0; }
    QString lastErrorMessage() const override { return {}; }
    QString errorDescription(int) const override { return {}; }
    void receive(const QByteArray &bytes) { events_->dataReceived(bytes); }
};

// The engine alone: tandem mode on the AS 1603 face, the real clock, no view.
double engineCpuMs(const QByteArray &bytes)
{
    QtClock clock;
    bench::NullView view;
    EngineRig rig(clock, view);
    rig.startConnected();
    rig.engine.tandemGuardTimer.stop();  // past the start-up guard
    rig.engine.switchMode();
    rig.session.setPanelType(1);
    rig.engine.selectFace();
    const double t0 = threadCpuMs();
    rig.engine.receive(bytes);
    return threadCpuMs() - t0;
}

struct WindowRun {
    double cpuMs = 0, wallMs = 0, longestStallMs = 0;
    int eventScreenEdits = 0;
    bool shownRight = false;
};

// The program's window, shown, fed the bytes through its transport.
WindowRun windowBurst(const QByteArray &bytes, qsizetype slice)
{
    QtClock clock;
    ScriptedPrompter prompter;
    BurstSocket socket;
    Program::Options o;
    o.socket = &socket;
    o.receiveSlice = slice;
    Program program(clock, prompter, o);
    MainWindow &w = program.window;
    w.show();
    ConnectionRecord r;
    r.systemName = "Burst";
    r.connectionType = ConnectionType::TcpIp;
    r.autoLogin = false;
    program.book.add(r);
    program.link.connectToStored(0);
    settle(100);
    program.engine.tandemGuardTimer.stop();
    program.engine.switchMode();
    program.session.setPanelType(1);
    program.engine.selectFace();
    settle(300);

    WindowRun run;
    qsizetype received = 0;
    program.link.onReceive = [&](const QByteArray &chunk) { received += chunk.size(); };
    QObject::connect(w.eventScreen->document(), &QTextDocument::contentsChanged, [&] { ++run.eventScreenEdits; });

    // A 1 ms probe: the longest gap between its ticks is the longest stall.
    QElapsedTimer wall;
    int64_t lastTick = 0, longest = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(1);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const int64_t now = wall.nsecsElapsed();
        longest = std::max(longest, now - lastTick);
        lastTick = now;
    });

    const double cpu0 = threadCpuMs();
    wall.start();
    probe.start();
    // Delivered from inside the event loop, as a socket read would be.
    QTimer::singleShot(0, [&] { socket.receive(bytes); });
    while (received < bytes.size() || w.framePending())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    // The frame's repaint, too.
    QCoreApplication::processEvents();
    const int64_t end = wall.nsecsElapsed();
    run.cpuMs = threadCpuMs() - cpu0;
    run.wallMs = end / 1e6;
    run.longestStallMs = std::max(longest, end - lastTick) / 1e6;
    probe.stop();

    const QStringList lines = w.eventScreenLines();
    run.shownRight = lines.size() == 303 && lines.at(300).endsWith(QLatin1String("PLANT ROOM 2")) &&
                     w.lcdDisplay->toPlainText().startsWith(QLatin1String("ZONE 12 ALARM"));
    program.link.onReceive = nullptr;
    return run;
}

// ---- start-up ----

// A child process: shows its window, prints the monotonic time of the end
// of its first paint, and exits.
class FirstPaint : public QObject {
public:
    explicit FirstPaint(QWidget *window) : window_(window) { qApp->installEventFilter(this); }
    bool eventFilter(QObject *o, QEvent *e) override
    {
        auto *w = qobject_cast<QWidget *>(o);
        if (!done_ && e->type() == QEvent::Paint && w && w->window() == window_) {
            done_ = true;
            // Queued: runs once the whole window has been painted.
            QMetaObject::invokeMethod(
                qApp,
                [] {
                    std::printf("%lld\n", static_cast<long long>(monotonicNs()));
                    std::fflush(stdout);
                    QCoreApplication::exit(0);
                },
                Qt::QueuedConnection);
        }
        return false;
    }

private:
    QWidget *window_;
    bool done_ = false;
};

// An empty window, or one that shows a line of text (and so, like any
// window with text, first reads the font configuration).
int bareWindow(int argc, char **argv, bool text)
{
    QApplication app(argc, argv);
    QWidget w;
    w.resize(MainWindow::kClientWidth, MainWindow::kClientHeight);
    if (text)
        (new QLabel(QStringLiteral("Not Connected"), &w))->move(10, 10);
    FirstPaint watch(&w);
    w.show();
    return app.exec();
}

// Composed as main() composes the program.
int programWindow(int argc, char **argv, const QString &folder)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kordex"));
    QApplication::setOrganizationName(QStringLiteral("Corvane"));
    QApplication::setQuitOnLastWindowClosed(false);
    QtClock clock;
    MessageBoxPrompter prompter;
    Configuration configuration(StorageFolders{folder, folder, false}, prompter);
    TcpSocketTransport socket;
    SerialTransport serial;
    serial.portMapSource = [&configuration]() -> const SerialPortMap & { return configuration.ports(); };
    Program::Options options;
    options.configuration = &configuration;
    options.socket = &socket;
    options.serial = &serial;
    Program program(clock, prompter, options);
    FirstPaint watch(&program.window);
    program.window.show();
    return app.exec();
}

double firstPaintMs(const QString &self, const QStringList &args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const int64_t t0 = monotonicNs();
    p.start(self, args);
    if (!p.waitForFinished(20000))
        return -1;
    bool ok = false;
    const qint64 painted = p.readAllStandardOutput().trimmed().toLongLong(&ok);
    return ok ? (painted - t0) / 1e6 : -1;
}

void measureBurst(int runs)
{
    const QByteArray bytes = bench::trafficOf(kBurstBytes);
    std::printf("Burst: %lld bytes of mixed tandem traffic, %d runs, medians\n", static_cast<long long>(bytes.size()),
                runs);

    std::vector<double> engine;
    for (int i = 0; i < runs; ++i)
        engine.push_back(engineCpuMs(bytes));
    const double engineMs = median(engine);
    std::printf("  engine alone                 CPU %8.1f ms\n", engineMs);

    auto report = [&](const char *what, qsizetype slice) {
        std::vector<double> cpu, wall, stall;
        int edits = 0;
        bool right = true;
        for (int i = 0; i < runs; ++i) {
            const WindowRun r = windowBurst(bytes, slice);
            cpu.push_back(r.cpuMs);
            wall.push_back(r.wallMs);
            stall.push_back(r.longestStallMs);
            edits = r.eventScreenEdits;
            right = right && r.shownRight;
        }
        const double c = median(cpu);
        std::printf(
            "  %-28s CPU %8.1f ms = %.2f x engine (window's own share %.2f x), wall %.1f ms,\n"
            "  %-28s longest stall %.1f ms, %d event screen edits%s\n",
            what, c, c / engineMs, (c - engineMs) / engineMs, median(wall), "", median(stall), edits,
            right ? "" : ", WRONG END STATE");
    };
    report("window, 16 KiB slices", SlicedTransport::kDefaultSlice);
    report("window, one 1 MiB chunk", 0);
}

void measureStartUp(int runs)
{
    // Start-up, alternating the two so both see the same machine state.
    QTemporaryDir folder;
    {
        ScriptedPrompter quiet;
        Configuration config(StorageFolders{folder.path() + '/', folder.path() + '/', false}, quiet);
        ConnectionBook book;
        config.loadConnections(book);  // the examples
        config.saveConnections(book);
    }
    const QString self = QCoreApplication::applicationFilePath();
    std::vector<double> bare, text, program;
    for (int i = 0; i < 4 * runs + 1; ++i) {
        bare.push_back(firstPaintMs(self, {QStringLiteral("--first-paint"), QStringLiteral("bare")}));
        text.push_back(firstPaintMs(self, {QStringLiteral("--first-paint"), QStringLiteral("text")}));
        program.push_back(
            firstPaintMs(self, {QStringLiteral("--first-paint"), QStringLiteral("kordex"), folder.path() + '/'}));
    }
    const double b = median(bare), t = median(text), p = median(program);
    std::printf(
        "Start-up to first paint on the %s platform (%d runs each, medians):\n"
        "  bare Qt window %.1f ms, with a line of text %.1f ms, Kordex %.1f ms\n"
        "  Kordex = %.2f x the bare window, %.2f x the one with text\n",
        qPrintable(QGuiApplication::platformName()), 4 * runs + 1, b, t, p, p / b, p / t);
}

}  // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_SCALE_FACTOR", "1");
    // Quiets Qt's warning in every child where there is no session (Xvfb).
    std::unique_ptr<QTemporaryDir> runtime;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        runtime = std::make_unique<QTemporaryDir>();
        qputenv("XDG_RUNTIME_DIR", runtime->path().toLocal8Bit());
    }
    if (argc >= 3 && qstrcmp(argv[1], "--first-paint") == 0) {
        if (qstrcmp(argv[2], "bare") == 0 || qstrcmp(argv[2], "text") == 0)
            return bareWindow(argc, argv, qstrcmp(argv[2], "text") == 0);
        if (argc >= 4)
            return programWindow(argc, argv, QString::fromLocal8Bit(argv[3]));
        return 2;
    }
    int runs = 5;
    bool burst = true;
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::max(1, atoi(argv[++i]));
        else if (qstrcmp(argv[i], "--start-up") == 0)
            burst = false;
    }

    QApplication app(argc, argv);
    if (burst)
        measureBurst(runs);
    measureStartUp(runs);
    return 0;
}
