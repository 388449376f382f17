// The replay script language: escapes, malformed lines, the JSON dump.
#include "platform/text_codec.h"
#include "replay/replay_script.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace kordex;

class ReplayTests : public QObject {
    Q_OBJECT
private slots:
    void escapes_data()
    {
        QTest::addColumn<QByteArray>("quoted");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("valid");
        QTest::newRow("plain") << QByteArray("AB c") << QByteArray("AB c") << true;
        QTest::newRow("controls") << QByteArray("\\r\\n\\e") << QByteArray("\r\n\x1b") << true;
        QTest::newRow("quote and backslash") << QByteArray("\\\"\\\\") << QByteArray("\"\\") << true;
        QTest::newRow("hex both cases") << QByteArray("\\x00\\xdB\\xFF") << QByteArray("\x00\xdb\xff", 3) << true;
        QTest::newRow("hex one digit") << QByteArray("\\x4") << QByteArray() << false;
        QTest::newRow("hex not hex") << QByteArray("\\xG1") << QByteArray() << false;
        QTest::newRow("unknown escape") << QByteArray("\\t") << QByteArray() << false;
        QTest::newRow("trailing backslash") << QByteArray("A\\") << QByteArray() << false;
    }
    void escapes()
    {
        QFETCH(QByteArray, quoted);
        QFETCH(bool, valid);
        const auto r = decodeEscapes(quoted);
        QCOMPARE(r.has_value(), valid);
        if (valid)
            QTEST(*r, "bytes");
    }

    // What a trace writes, a script reads back byte for byte.
    void traceEscapesReadBack()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all += char(b);
        const QByteArray escaped = escapeBytes(all, EscapeStyle::Script);
        QCOMPARE(decodeEscapes(escaped), std::optional<QByteArray>(all));
    }

    void malformedLinesStopWithTheirNumber_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("unknown command") << QByteArray("sned \"A\"");
        QTest::newRow("unquoted send") << QByteArray("send A");
        QTest::newRow("bad hex") << QByteArray("hex 1B ZZ");
        QTest::newRow("wide hex") << QByteArray("hex 1B5");
        QTest::newRow("negative wait") << QByteArray("wait -5");
        QTest::newRow("unknown setting") << QByteArray("set colour 1");
        QTest::newRow("flag not 0/1") << QByteArray("set connected yes");
        QTest::newRow("dump with argument") << QByteArray("dump now");
        QTest::newRow("expect without value") << QByteArray("expect panelType");
        QTest::newRow("expect bad JSON") << QByteArray("expect panelType one");
    }
    void malformedLinesStopWithTheirNumber()
    {
        QFETCH(QByteArray, line);
        int dumps = 0;
        const QByteArray script = "# comment\n\nsend \"A\"\n" + line + "\ndump\n";
        const ScriptResult r = runScript(script, [&](const QByteArray &) { ++dumps; });
        QCOMPARE(r.exitCode, 2);
        QCOMPARE(r.messages.size(), 1);
        QVERIFY2(r.messages.first().startsWith("line 4:"), qPrintable(r.messages.first()));
        QCOMPARE(dumps, 0);
    }

    void failedExpectationsAreAllReported()
    {
        const ScriptResult r = runScript(
            "expect panelType 3\nexpect caption \"x\"\nexpect nosuch 1\n"
            "expect panelType 0\n",
            [](const QByteArray &) {});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.messages.size(), 3);
        QVERIFY(r.messages.at(0).contains("expected 3, got 0"));
    }

    void dumpCarriesBytesAsCodePoints()
    {
        QByteArrayList out;
        const ScriptResult r = runScript("set tandem 1\nset paneltype 1\nhex 1B 59 20 20 E9 01 22 5C\ndump\n",
                                         [&](const QByteArray &j) { out << j; });
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(out.size(), 1);
        QVERIFY(!out.first().contains('\n'));
        QJsonParseError err{};
        const QJsonObject o = QJsonDocument::fromJson(out.first(), &err).object();
        QCOMPARE(err.error, QJsonParseError::NoError);
        const QString row0 = o.value("screen").toArray().at(0).toString();
        QCOMPARE(row0.size(), 100);
        QCOMPARE(row0.left(4), QString::fromUtf16(u"\u00e9\u0001\"\\"));
        // Every key the tools rely on is present.
        const QByteArrayList keys =
            QByteArray(
                "tandemMode connected loggedIn tandemSeen suppressTandemSwitch panelType panelVersion "
                "panelSecondWord statusText caption cursorRow cursorColumn cursorVisible screen lcdText "
                "lcdDisplay eventScreen eventLine eventLineIndex indicatorTable eventDisplayAllowed "
                "nzDisplayVisible visibleFace responseText timers beeps lamps sounder events events1")
                .split(' ');
        QCOMPARE(keys.size(), 30);
        for (const QByteArray &key : keys)
            QVERIFY2(o.contains(QLatin1String(key)), key.constData());
        QCOMPARE(o.value("timers").toObject().keys().size(), 8);
        QCOMPARE(o.value("lamps").toObject().value("ZRNZFireLed").toString(), QString("hidden"));
    }

    void withoutDumpLineTheStateIsDumpedOnce()
    {
        int dumps = 0;
        QCOMPARE(runScript("wait 10\n", [&](const QByteArray &) { ++dumps; }).exitCode, 0);
        QCOMPARE(dumps, 1);
    }

    void replaySessionStartsConnectedWithExpiredGuards()
    {
        ReplaySession s;
        QVERIFY(s.session.connected);
        QVERIFY(!s.link.currentConnection.autoLogin);
        QCOMPARE(s.link.currentConnection.systemName, QByteArray("Panel"));
        QVERIFY(!s.engine.tandemGuardTimer.isRunning());
        QVERIFY(!s.link.linkTimeout.isRunning());
        QVERIFY(!s.link.linePacingTimer.isRunning());
    }
};

QTEST_GUILESS_MAIN(ReplayTests)
#include "test_replay.moc"
