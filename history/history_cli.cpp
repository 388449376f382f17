#include "history/history_cli.h"

#include "history/history_store.h"

#include <QFile>
#include <QFileInfo>
#include <cstdio>

namespace kordex::history {

bool wantsHistoryExport(const QStringList &args) { return args.contains(QStringLiteral("--history")); }

int runHistoryExport(const QStringList &args, const QString &path)
{
    HistoryFilter filter;
    auto fail = [](const QString &message) {
        std::fprintf(stderr, "kordex: %s\n", qPrintable(message));
        return 2;
    };
    for (int i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == QLatin1String("--history"))
            continue;
        if (a == QLatin1String("--since") || a == QLatin1String("--until") || a == QLatin1String("--grep")) {
            if (++i >= args.size())
                return fail(QStringLiteral("%1 needs a value").arg(a));
            if (a == QLatin1String("--grep")) {
                filter.text = args[i];
                continue;
            }
            const bool until = a == QLatin1String("--until");
            const std::optional<qint64> when = parseDateArgument(args[i], until);
            if (!when)
                return fail(QStringLiteral("%1: not a date (YYYY-MM-DD or YYYY-MM-DDTHH:MM:SS): %2").arg(a, args[i]));
            (until ? filter.untilMs : filter.sinceMs) = *when;
        } else if (a.startsWith(QLatin1Char('-'))) {
            return fail(QStringLiteral("unknown option %1 with --history").arg(a));
        } else if (filter.site.isEmpty()) {
            filter.site = a;
        } else {
            return fail(QStringLiteral("--history takes one site"));
        }
    }
    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly))
        return 1;
    if (!QFileInfo::exists(path)) {
        out.write(HistoryStore::csvHeader());  // nothing recorded yet
        return 0;
    }
    HistoryStore store;
    QString message;
    if (store.open(path, &message, true) != HistoryStore::Opened::Ok) {
        std::fprintf(stderr, "kordex: cannot read the event history: %s\n", qPrintable(message));
        return 1;
    }
    if (!store.exportCsv(filter, out) || !out.flush()) {
        std::fprintf(stderr, "kordex: cannot write the rows: %s\n", qPrintable(out.errorString()));
        return 1;
    }
    return 0;
}

}  // namespace kordex::history
