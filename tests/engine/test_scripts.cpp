// Runs every replay script in tests/scripts; each holds its own expectations.
#include "replay/replay_script.h"

#include <QDir>
#include <QFile>
#include <QtTest>

class ScriptTests : public QObject {
    Q_OBJECT
private slots:
    void run_data()
    {
        QTest::addColumn<QString>("path");
        const QDir dir(QStringLiteral(KORDEX_SCRIPT_DIR));
        const QStringList files = dir.entryList({QStringLiteral("*.script")}, QDir::Files, QDir::Name);
        QVERIFY(!files.isEmpty());
        for (const QString &f : files)
            QTest::newRow(qPrintable(f)) << dir.filePath(f);
    }
    void run()
    {
        QFETCH(QString, path);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const kordex::ScriptResult r = kordex::runScript(f.readAll(), [](const QByteArray &) {});
        if (r.exitCode != 0)
            QFAIL(qPrintable(r.messages.join(QLatin1Char('\n'))));
    }
};

QTEST_GUILESS_MAIN(ScriptTests)
#include "test_scripts.moc"
