// The event history at size, offscreen (not a test: figures to read, on this
// machine): a history of N lines over S sites is written, then
//   - the history window opens on it (construction to the table's first paint),
//   - text searches answer (the count up to where the window stops counting,
//     and the first page),
//   - the resident memory the open window added,
//   - the recorder's rate: what one queued line costs the caller, and lines
//     per second through to the disk against the fastest serial line's rate.
//
//   bench_history [--lines N] [--sites S] [--file PATH]
// --file keeps the history there and reuses it when it has N lines already.
#include "faces/history_window.h"
#include "history/history_recorder.h"
#include "history/history_store.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

using namespace kordex;
using namespace kordex::history;

namespace {

long residentKiB()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = f.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * 4 : 0;
}

const char *const kPlaces[] = {"Level 1 east", "Level 2 west",  "Plant room",     "Car park B2",
                               "Kitchen",      "Stair 3 lobby", "Roof void",      "Lift motor",
                               "Server room",  "Loading dock",  "Sprinkler flow", "Tower C"};

QByteArray lineText(QRandomGenerator &rnd)
{
    const int zone = int(rnd.bounded(1, 1000));
    const char *what[] = {" ALARM      ", " FAULT      ", " FAULT CLEARED ", " ALARM ACKD ", " ISOLATED   "};
    return "ZONE " + QByteArray::number(zone).rightJustified(3, '0') + what[rnd.bounded(5)] +
           kPlaces[rnd.bounded(int(std::size(kPlaces)))];
}

void generate(const QString &path, qint64 lines, int sites)
{
    HistoryStore store;
    QString message;
    store.open(path, &message);
    QRandomGenerator rnd(19);
    const qint64 start = QDateTime::currentMSecsSinceEpoch() - 365LL * 86400000;
    const qint64 step = 365LL * 86400000 / lines;
    std::vector<PendingItem> batch;
    const qint64 perSession = 50;
    QElapsedTimer t;
    t.start();
    for (qint64 i = 0; i < lines; ++i) {
        const quint64 session = quint64(i / perSession) + 1;
        const int site = int(session % quint64(sites));
        PendingItem item;
        item.sessionToken = session;
        item.timeMs = start + i * step;
        item.site = QStringLiteral("Site %1").arg(site, 3, 10, QLatin1Char('0'));
        item.transport = QStringLiteral("TCP/IP");
        item.address = QStringLiteral("10.1.%1.%2:4001").arg(site / 250).arg(site % 250);
        item.model = QStringLiteral("ZR9 V01");
        item.kind = QStringLiteral("line");
        item.text = lineText(rnd);
        batch.push_back(std::move(item));
        if (batch.size() == 20000) {
            store.write(batch, &message);
            batch.clear();
        }
    }
    if (!batch.empty())
        store.write(batch, &message);
    std::printf("written: %lld lines over %d sites in %.1f s\n", lines, sites, double(t.elapsed()) / 1000);
}

}  // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    qint64 lines = 1000000;
    int sites = 200;
    QString path;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--lines"))
            lines = args[i + 1].toLongLong();
        else if (args[i] == QLatin1String("--sites"))
            sites = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--file"))
            path = args[i + 1];
    }
    QTemporaryDir dir;
    if (path.isEmpty())
        path = dir.filePath(QStringLiteral("history.sqlite"));
    {
        HistoryStore store;
        QString message;
        const bool have =
            QFile::exists(path) && store.open(path, &message) == HistoryStore::Opened::Ok && store.count({}) == lines;
        store.close();
        if (!have) {
            QFile::remove(path);
            generate(path, lines, sites);
        }
    }

    // The window: construction, first page and the first paint of the table.
    const long before = residentKiB();
    QElapsedTimer t;
    t.start();
    auto window = std::make_unique<HistoryWindow>(path);
    window->show();
    (void)window->grab();
    const double openMs = double(t.nsecsElapsed()) / 1e6;
    const long after = residentKiB();
    std::printf("window open: %.1f ms (aim < 300), %lld lines, memory +%.1f MB (aim < 30)\n", openMs,
                window->model().total(), double(after - before) / 1024);

    // Searches as the window runs them after a pause in the typing.
    for (const char *text : {"ZONE 517", "tower c", "Car park", "FAULT CLEARED", "lift"}) {
        HistoryFilter f = window->currentFilter();
        f.text = QString::fromLatin1(text);
        t.restart();
        window->model().setFilter(f);
        (void)window->table->grab();
        std::printf("search \"%s\": %.1f ms (aim < 100), %s%lld lines\n", text, double(t.nsecsElapsed()) / 1e6,
                    window->model().totalIsLowerBound() ? "more than " : "", window->model().total());
    }
    {
        HistoryFilter f;
        f.site = QStringLiteral("Site 042");
        f.text = QStringLiteral("alarm");
        t.restart();
        window->model().setFilter(f);
        (void)window->table->grab();
        std::printf("site and text: %.1f ms (aim < 100), %s%lld lines\n", double(t.nsecsElapsed()) / 1e6,
                    window->model().totalIsLowerBound() ? "more than " : "", window->model().total());
    }
    window.reset();

    // The recorder: the caller's cost per line and the rate to the disk.
    {
        const qint64 n = 200000;
        HistoryRecorder rec(dir.filePath(QStringLiteral("rate.sqlite")));
        QRandomGenerator rnd(7);
        std::vector<QByteArray> texts;
        for (int i = 0; i < 1000; ++i)
            texts.push_back(lineText(rnd));
        rec.startSession(QStringLiteral("Bench"), QStringLiteral("serial"), QStringLiteral("COM 1"), 0);
        t.restart();
        qint64 callerNs = 0;
        for (qint64 i = 0; i < n; ++i) {
            QElapsedTimer one;
            one.start();
            rec.add(QStringLiteral("line"), texts[size_t(i % 1000)], i);
            callerNs += one.nsecsElapsed();
        }
        rec.commitAndWait(600000);
        const double seconds = double(t.nsecsElapsed()) / 1e9;
        // 115,200 bit/s, 10 bits a character, 40-character lines.
        const double fastestSerial = 115200.0 / 10 / 40;
        std::printf(
            "recording: %.0f ns per line for the caller; %.0f lines/s to disk = %.0fx the fastest serial "
            "line (aim 100x)\n",
            double(callerNs) / double(n), double(n) / seconds, double(n) / seconds / fastestSerial);
    }
    return 0;
}
