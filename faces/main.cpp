// kordex: the remote front panel.
//   kordex [CONNECTION]                     connect to a stored connection 1.5 s after start
//   kordex --replay FILE [--rate BYTES/S]   play a recorded panel stream on the window
#include "config/configuration.h"
#ifdef KORDEX_HAVE_CONFIG_UI
#include "config/connection_properties.h"
#endif
#include "faces/main_window.h"
#include "faces/replay_feed.h"
#include "platform/folders.h"
#include "platform/message_boxes.h"
#include "platform/qt_clock.h"
#include "platform/signals.h"
#include "platform/text_codec.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <cstdio>
#include <memory>
#include <optional>

namespace {

struct CommandLine {
    QByteArray connection;
    QString replayFile;
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
        } else if (a == QLatin1String("--rate")) {
            bool ok = false;
            cl.rate = ++i < args.size() ? args[i].toInt(&ok) : 0;
            if (!ok || cl.rate <= 0) {
                cl.error = QStringLiteral("--rate needs a positive number of bytes per second");
                break;
            }
        } else if (cl.connection.isEmpty()) {
            // Stored names are Windows-1252 bytes, whatever the locale's
            // encoding of the command line.
            cl.connection = kordex::toPanelBytes(a);
        }
    }
    return cl;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kordex"));
    QApplication::setOrganizationName(QStringLiteral("Corvane"));

    const CommandLine cl = parse(QApplication::arguments());
    if (!cl.error.isEmpty()) {
        std::fprintf(stderr, "kordex: %s\nusage: kordex [CONNECTION] | kordex --replay FILE [--rate BYTES_PER_SECOND]\n",
                     qPrintable(cl.error));
        return 2;
    }
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
    // A logout or a service manager's stop ends the program like Exit; a
    // signal that comes while start-up still shows a message ends that box.
    std::unique_ptr<kordex::TLcd> window;
    bool terminated = false;
    kordex::TerminationSignals termination([&window, &terminated](int) {
        terminated = true;
        if (window)
            window->close();
        // Also ends a message box that may be open, so the process does end.
        QCoreApplication::exit(0);
    });

    kordex::Configuration configuration(kordex::ResolveStorageFolders(), prompter);

    kordex::TLcd::Options options;
    options.connectionArgument = cl.replayFile.isEmpty() ? cl.connection : QByteArray();
    options.configuration = &configuration;
    window = std::make_unique<kordex::TLcd>(clock, prompter, options);
    prompter.setParent(window.get());
    if (terminated) {
        window->close();
        return 0;
    }

#ifdef KORDEX_HAVE_CONFIG_UI
    // The Connection Properties dialog, made once and kept hidden.
    auto dialog = std::make_unique<kordex::TConnectionProperties>(window->engine().session, configuration,
                                                                  prompter, *window, window.get());
    kordex::TLcd::ConnectionSeams &seams = window->seams();
    seams.showConnectionDialog = [d = dialog.get()](bool manage) {
        d->showInMode(manage ? kordex::ManageMode : kordex::SelectMode);
    };
    seams.reloadConnectionList = [d = dialog.get()] {
        d->showInMode(kordex::SelectMode);
        d->hide();
    };
    seams.connectFromDialog = [d = dialog.get()](int index) {
        d->logic().selectEntry(index);
        d->logic().ConnectionListDblClick();
    };
#endif

    std::unique_ptr<kordex::ReplayFeed> replay;
    if (!cl.replayFile.isEmpty()) {
        replay = std::make_unique<kordex::ReplayFeed>(window->engine(), replayData, cl.rate);
        window->onClosing = [&replay] { replay->stop(); };
        replay->start(kordex::toPanelBytes(QFileInfo(cl.replayFile).completeBaseName()));
    }

    window->show();
    const int rc = app.exec();
    replay.reset();
#ifdef KORDEX_HAVE_CONFIG_UI
    dialog.reset();
#endif
    window.reset();
    return rc;
}
