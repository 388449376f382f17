// The real kordex starting and ending, offscreen in a home of its own: a
// termination signal ends it through the close and its save and never waits
// for a click on a box; a "Kordex.ini" that is no regular file does not hang
// the start.
#include "e2e_support.h"

#include <sys/stat.h>

using namespace kordex::test;

class TestE2eLifecycle : public QObject {
    Q_OBJECT
private slots:
    // Answered before anything of the window system is touched; a command
    // line that cannot be run says why on standard error and starts nothing.
    void commandLineNeedsNoDisplay_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("err");
        QTest::newRow("help") << QStringList{"--help"} << 0 << QByteArray("usage: kordex") << QByteArray();
        QTest::newRow("version") << QStringList{"--version"} << 0 << QByteArray("kordex 3.00\n") << QByteArray();
        QTest::newRow("unknown option") << QStringList{"--demo", "--bogus"} << 2 << QByteArray()
                                        << QByteArray("kordex: Unknown option 'bogus'.\nusage: kordex");
        QTest::newRow("missing value") << QStringList{"--trace"} << 2 << QByteArray()
                                       << QByteArray("kordex: Missing value after '--trace'.");
        QTest::newRow("bad rate") << QStringList{"--replay", "x", "--rate", "9k"} << 2 << QByteArray()
                                  << QByteArray("kordex: --rate needs a positive number");
        QTest::newRow("unknown demo model")
            << QStringList{"--demo", "zr10"} << 2 << QByteArray() << QByteArray("kordex: unknown demo model zr10");
        QTest::newRow("two connections") << QStringList{"SITE", "OTHER"} << 2 << QByteArray()
                                         << QByteArray("kordex: unexpected argument OTHER");
    }
    void commandLineNeedsNoDisplay()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(KORDEX_BIN), args);
        QVERIFY(p.waitForFinished(kLimitMs));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), exitCode);
        const QByteArray stdOut = p.readAllStandardOutput(), stdErr = p.readAllStandardError();
        QVERIFY2(out.isEmpty() ? stdOut.isEmpty() : stdOut.startsWith(out), stdOut.constData());
        QVERIFY2(err.isEmpty() ? stdErr.isEmpty() : stdErr.startsWith(err), stdErr.constData());
    }

    void signalEndsThroughTheCloseWithoutWaitingOnABox_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("told");  // on standard error
        const QString writeError = QStringLiteral("File Write Error. Records not saved.");
        QTest::newRow("the close leaves an unchanged book alone") << QStringLiteral("unchanged") << 0 << QStringList();
        // A file where the folder should be: the first start's examples
        // cannot be saved, then or at the close.
        QTest::newRow("the save fails") << QStringLiteral("save fails") << 1
                                        << QStringList{QStringLiteral("No Configuration Found"), writeError};
        // The start-up box about the file is open or about to open when
        // the signal comes; its text goes to standard error too.
        QTest::newRow("Kordex.ini is a FIFO")
            << QStringLiteral("fifo") << 1
            << QStringList{QStringLiteral("Not a regular file - Default Configuration Loaded."), writeError};
    }

    void signalEndsThroughTheCloseWithoutWaitingOnABox()
    {
        QFETCH(QString, setup);
        QFETCH(int, exitCode);
        QFETCH(QStringList, told);
        Home run;
        QByteArray stored;
        if (setup == QLatin1String("fifo")) {
            QCOMPARE(::mkfifo(QFile::encodeName(run.ini).constData(), 0600), 0);
        } else if (setup == QLatin1String("save fails")) {
            QVERIFY(QDir(run.folder).removeRecursively());
            QFile blocker(QDir::cleanPath(run.folder));
            QVERIFY(blocker.open(QIODevice::WriteOnly));
        } else {
            run.store({});
            QFile file(run.ini);
            QVERIFY(file.open(QIODevice::ReadOnly));
            stored = file.readAll();
        }
        run.start();
        if (setup == QLatin1String("unchanged")) {
            // The book is loaded and the window made.
            QTRY_VERIFY_WITH_TIMEOUT(run.traced("status \"Not Connected\""), kLimitMs);
        } else {
            // The trace is opened after the signals are caught, before the file is read.
            QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(run.tracePath), kLimitMs);
        }
        run.terminate();
        QVERIFY2(run.process.waitForFinished(kLimitMs), "still running: waiting on a box?");
        const QString err = QString::fromLocal8Bit(run.process.readAllStandardError());
        QCOMPARE(run.process.exitStatus(), QProcess::NormalExit);
        QVERIFY2(run.process.exitCode() == exitCode, qPrintable(err));
        for (const QString &t : told)
            QVERIFY2(err.contains(t), qPrintable(err));
        if (setup == QLatin1String("unchanged")) {
            QFile saved(run.ini);
            QVERIFY(saved.open(QIODevice::ReadOnly));
            QCOMPARE(saved.readAll(), stored);
        }
        if (setup == QLatin1String("fifo")) {
            struct stat st {};
            QCOMPARE(::stat(QFile::encodeName(run.ini).constData(), &st), 0);
            QVERIFY(S_ISFIFO(st.st_mode));  // left as it was
        }
    }
};

QTEST_GUILESS_MAIN(TestE2eLifecycle)
#include "test_e2e_lifecycle.moc"
