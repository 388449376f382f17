// kordex-replay: runs a script or a raw capture through the engine on a
// virtual clock and prints the resulting state as JSON.
#include "replay/replay_script.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>

using namespace kordex;

static int usage()
{
    std::fputs("usage: kordex-replay SCRIPT\n       kordex-replay --raw FILE\n", stderr);
    return 2;
}

static void printLine(const QByteArray &json)
{
    std::fwrite(json.constData(), 1, size_t(json.size()), stdout);
    std::fputc('\n', stdout);
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const bool raw = !args.isEmpty() && args.first() == QLatin1String("--raw");
    if (args.size() != (raw ? 2 : 1))
        return usage();

    QFile file(args.last());
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "kordex-replay: cannot open %s: %s\n", qPrintable(args.last()),
                     qPrintable(file.errorString()));
        return 2;
    }
    const QByteArray content = file.readAll();

    if (raw) {
        ReplaySession session;
        session.link.dataReceived(content);
        session.advance(5000);
        printLine(session.dump());
        return 0;
    }

    const ScriptResult r = runScript(content, printLine);
    for (const QString &m : r.messages)
        std::fprintf(stderr, "%s: %s\n", qPrintable(args.last()), qPrintable(m));
    return r.exitCode;
}
