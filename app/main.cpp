// kordex: the remote front panel. See kUsage.
#include "app/demo_panel.h"
#include "app/program.h"
#include "config/configuration.h"
#include "faces/message_boxes.h"
#include "faces/replay_feed.h"
#include "history/history_cli.h"
#include "history/history_store.h"
#include "link/serial_transport.h"
#include "link/tcp_socket_transport.h"
#include "platform/folders.h"
#include "platform/qt_clock.h"
#include "platform/signals.h"
#include "platform/text_codec.h"
#include "platform/version.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>
#include <memory>

namespace {

const char kUsage[] =
    "usage: kordex [--trace FILE] [CONNECTION]\n"
    "       kordex --demo [MODEL] [--trace FILE]\n"
    "       kordex --replay FILE [--rate BYTES_PER_SECOND]\n"
    "       kordex --history [SITE] [--since DATE] [--until DATE] [--grep TEXT]\n"
    "       kordex --help | --version\n"
    "\n"
    "  CONNECTION          a stored connection (letter case ignored), connected\n"
    "                      about 1.5 s after start with automatic login\n"
    "  --demo [MODEL]      work a simulated panel (1603, 1603L, 4428, zr9, zr9fb;\n"
    "                      1603 unless told) over a loopback TCP/IP connection\n"
    "  --trace FILE        write a trace of the session (a kordex-replay script;\n"
    "                      passwords are left out)\n"
    "  --replay FILE       play a recorded panel stream on the window\n"
    "  --rate N            bytes per second for --replay (960 unless told)\n"
    "  --history [SITE]    print the recorded event history (of one site) as CSV\n"
    "                      and exit; --since and --until take YYYY-MM-DD (both\n"
    "                      days included) or a date and time, --grep a piece of\n"
    "                      the line (letter case ignored)\n"
    "  --help, --version   print this text or the version and exit\n";

struct CommandLine {
    bool help = false, version = false, demo = false;
    QString demoModel = QStringLiteral("1603");
    QByteArray connection;
    QString replayFile;
    QString traceFile;
    int rate = kordex::ReplayFeed::kDefaultRate;
    QString error;
};

CommandLine parse(const QStringList &args)
{
    CommandLine cl;
    for (int i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == QLatin1String("--replay")) {
            if (++i >= args.size()) {
                cl.error = QStringLiteral("--replay needs a file name");
                break;
            }
            cl.replayFile = args[i];
        } else if (a == QLatin1String("--trace")) {
            if (++i >= args.size()) {
                cl.error = QStringLiteral("--trace needs a file name");
                break;
            }
            cl.traceFile = args[i];
        } else if (a == QLatin1String("--rate")) {
            bool ok = false;
            cl.rate = ++i < args.size() ? args[i].toInt(&ok) : 0;
            if (!ok || cl.rate <= 0) {
                cl.error = QStringLiteral("--rate needs a positive number of bytes per second");
                break;
            }
        } else if (a == QLatin1String("--demo")) {
            cl.demo = true;
            if (i + 1 < args.size() && kordex::DemoPanel::knownModel(args[i + 1]))
                cl.demoModel = args[++i];
        } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            cl.help = true;
        } else if (a == QLatin1String("--version")) {
            cl.version = true;
        } else if (a.startsWith(QLatin1Char('-')) && a != QLatin1String("-")) {
            cl.error = QStringLiteral("unknown option %1").arg(a);
            break;
        } else if (cl.connection.isEmpty()) {
            // Stored names are Windows-1252 bytes, whatever the locale's
            // encoding of the command line.
            cl.connection = kordex::toPanelBytes(a);
        }
    }
    return cl;
}

}  // namespace

int main(int argc, char **argv)
{
    // First of all: a SIGTERM or SIGINT from now on is kept until the event
    // loop can act on it, and then ends the program through the close and
    // its save, however early it came.
    kordex::TerminationSignals::install();

    // Read before the window system is touched: --help and --version work
    // without a display.
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    // The history export needs no window and none of the other options.
    if (kordex::history::wantsHistoryExport(args)) {
        if (args.contains(QStringLiteral("--help"))) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        QCoreApplication app(argc, argv);
        return kordex::history::runHistoryExport(args, kordex::history::HistoryStore::defaultPath());
    }
    const CommandLine cl = parse(args);
    if (!cl.error.isEmpty()) {
        std::fprintf(stderr, "kordex: %s\n%s", qPrintable(cl.error), kUsage);
        return 2;
    }
    if (cl.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (cl.version) {
        std::puts("kordex " KORDEX_VERSION);
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kordex"));
    QApplication::setOrganizationName(QStringLiteral("Corvane"));
    QApplication::setApplicationVersion(QStringLiteral(KORDEX_VERSION));
    // The desktop entry the window belongs to (its icon and name in docks).
    QGuiApplication::setDesktopFileName(QStringLiteral("com.corvane.Kordex"));
    // A closed window may still be ending its connection: the program ends
    // when that is done (or has taken too long), not with the window.
    QApplication::setQuitOnLastWindowClosed(false);
    QByteArray replayData;
    if (!cl.replayFile.isEmpty()) {
        QFile f(cl.replayFile);
        if (!f.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "kordex: cannot read %s: %s\n", qPrintable(cl.replayFile),
                         qPrintable(f.errorString()));
            return 1;
        }
        replayData = f.readAll();
    }

    kordex::QtClock clock;
    kordex::MessageBoxPrompter prompter;
    // A logout or a service manager's stop ends the program like Exit, but
    // nobody is there to click: from then on no box waits (the boxes open
    // now end, and a failed save is told on standard error and by the exit
    // status). A second signal ends the program at once.
    std::unique_ptr<kordex::Program> program;
    int signalsSeen = 0;
    kordex::TerminationSignals termination([&](int) {
        prompter.setUnattended();
        if (++signalsSeen > 1)
            QCoreApplication::exit(0);
        else if (program)
            program->window.close();
    });

    kordex::Configuration configuration(kordex::ResolveStorageFolders(), prompter);
    kordex::TcpSocketTransport socket;
    kordex::SerialTransport serial;
    serial.portMapSource = [&configuration]() -> const kordex::SerialPortMap & { return configuration.ports(); };

    kordex::Program::Options options;
    options.connectionArgument = cl.replayFile.isEmpty() && !cl.demo ? cl.connection : QByteArray();
    options.configuration = &configuration;
    options.socket = &socket;
    options.serial = &serial;
    options.tracePath = cl.traceFile;
    const kordex::history::HistorySettings historySettings = kordex::history::HistorySettings::load();
    options.historyPath = kordex::history::HistoryStore::defaultPath();
    options.historyServer = historySettings.server;
    program = std::make_unique<kordex::Program>(clock, prompter, options);
    kordex::TLcd &window = program->window;
    prompter.setParent(&window);
    if (program->history)
        program->history->setEnabled(historySettings.record);
    if (program->trace && !program->trace->isOpen())
        std::fprintf(stderr, "kordex: cannot write the trace %s: %s\n", qPrintable(cl.traceFile),
                     qPrintable(program->trace->errorString()));

    // After the window closed, the link's own tear-down runs to its end,
    // within a bound; and a box still open (a save that failed at the close,
    // a link that failed in its tear-down) stays until the operator has read
    // it. A signal closes the boxes.
    QTimer shutdown;
    QElapsedTimer closingFor;
    shutdown.setInterval(50);
    QObject::connect(&shutdown, &QTimer::timeout, [&] {
        if (program->mayEnd(closingFor.elapsed()))
            QCoreApplication::quit();
    });
    window.onClosing = [&] {
        program->FormClose();
        closingFor.start();
        shutdown.start();
    };

    // The demo panel comes up with the window and is connected at once.
    std::unique_ptr<kordex::DemoPanel> demo;
    if (cl.demo) {
        demo = std::make_unique<kordex::DemoPanel>(clock, cl.demoModel);
        QString error;
        if (!demo->start(&error)) {
            std::fprintf(stderr, "kordex: the demo panel cannot listen: %s\n", qPrintable(error));
            return 1;
        }
        program->shownView.setCaptionNote(" - demo");
        program->engine.SelectFace();
        program->link.ConnectToRecord(demo->record());
    }

    std::unique_ptr<kordex::ReplayFeed> replay;
    if (!cl.replayFile.isEmpty()) {
        replay = std::make_unique<kordex::ReplayFeed>(program->link, replayData, cl.rate);
        replay->start(kordex::toPanelBytes(QFileInfo(cl.replayFile).completeBaseName()));
    }

    window.show();
    const int rc = app.exec();
    if (replay)
        replay->stop();
    replay.reset();
    program.reset();
    demo.reset();
    // The book could not be saved at the close: say so to whoever started us.
    return rc != 0 ? rc : configuration.lastSaveFailed() ? 1 : 0;
}
