#include "app/command_line.h"

#include "app/demo_panel.h"
#include "face_logic/replay_feed.h"
#include "platform/text_codec.h"

#include <QCommandLineParser>

namespace kordex {

QString usageText()
{
    return QStringLiteral(
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
        "  -h, --help          print this text and exit\n"
        "  --version           print the version and exit\n");
}

CommandLine parseCommandLine(const QStringList &arguments)
{
    CommandLine cl;
    cl.demoModel = QStringLiteral("1603");
    cl.rate = ReplayFeed::kDefaultRate;

    QCommandLineParser p;
    // Only long options exist: "-trace" is "--trace", not six letters.
    p.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    // The texts are usageText()'s; the parser only needs the names.
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, {});
    const QCommandLineOption version(QStringLiteral("version"), {});
    const QCommandLineOption demo(QStringLiteral("demo"), {});
    const QCommandLineOption trace(QStringLiteral("trace"), {}, QStringLiteral("FILE"));
    const QCommandLineOption replay(QStringLiteral("replay"), {}, QStringLiteral("FILE"));
    const QCommandLineOption rate(QStringLiteral("rate"), {}, QStringLiteral("N"));
    p.addOptions({help, version, demo, trace, replay, rate});

    auto fail = [&cl](const QString &text) {
        cl = CommandLine();
        cl.error = text;
        return cl;
    };
    if (!p.parse(arguments))
        return fail(p.errorText());
    cl.help = p.isSet(help);
    cl.version = p.isSet(version);
    cl.demo = p.isSet(demo);
    cl.traceFile = p.value(trace);
    cl.replayFile = p.value(replay);
    if (p.isSet(rate)) {
        bool ok = false;
        cl.rate = p.value(rate).toInt(&ok);
        if (!ok || cl.rate <= 0)
            return fail(QStringLiteral("--rate needs a positive number of bytes per second"));
    }
    // --demo's optional MODEL comes as a positional argument: a parser
    // option either always or never takes a value.
    const QStringList positional = p.positionalArguments();
    if (positional.size() > 1)
        return fail(QStringLiteral("unexpected argument %1").arg(positional.at(1)));
    if (!positional.isEmpty()) {
        if (cl.demo) {
            if (!DemoPanel::knownModel(positional.first()))
                return fail(QStringLiteral("unknown demo model %1").arg(positional.first()));
            cl.demoModel = positional.first();
        } else {
            // Stored names are Windows-1252 bytes, whatever the locale's
            // encoding of the command line.
            cl.connection = toPanelBytes(positional.first());
        }
    }
    return cl;
}

}  // namespace kordex
