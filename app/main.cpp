// kordex: the remote front panel. See usageText().
#include "app/command_line.h"
#include "app/demo_panel.h"
#include "app/program.h"
#include "config/configuration.h"
#include "face_logic/replay_feed.h"
#include "faces/message_boxes.h"
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
            std::fputs(qPrintable(kordex::usageText()), stdout);
            return 0;
        }
        QCoreApplication app(argc, argv);
        return kordex::history::runHistoryExport(args, kordex::history::HistoryStore::defaultPath());
    }
    const kordex::CommandLine cl = kordex::parseCommandLine(args);
    if (!cl.error.isEmpty()) {
        std::fprintf(stderr, "kordex: %s\n%s", qPrintable(cl.error), qPrintable(kordex::usageText()));
        return 2;
    }
    if (cl.help) {
        std::fputs(qPrintable(kordex::usageText()), stdout);
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

    kordex::Configuration configuration(kordex::resolveStorageFolders(), prompter);
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
    kordex::MainWindow &window = program->window;
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
        program->shutDown();
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
        program->engine.selectFace();
        program->link.connectToRecord(demo->record());
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
