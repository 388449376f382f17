// The login's prompt rules row by row, without a transport; the bounded
// received text; the file send's line reader against the whole-file split.
#include "link/panel_login.h"
#include "link/received_text.h"
#include "platform/file_io.h"
#include "platform/line_reader.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace kordex;

Q_DECLARE_METATYPE(kordex::LoginAction)

class TestLinkUnits : public QObject {
    Q_OBJECT
private slots:
    void loginStep_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("passwords");
        QTest::addColumn<int>("userNames");
        QTest::addColumn<LoginAction>("action");
        QTest::addColumn<bool>("arrow");
        QTest::addColumn<bool>("banner");
        using A = LoginAction;
        const auto row = [](const char *name, const char *text, int p, int u, A a, bool arrow = false,
                            bool banner = false) {
            QTest::newRow(name) << QByteArray(text) << p << u << a << arrow << banner;
        };
        row("nothing yet", "\r\nFIRE PANEL", 0, 0, A::None);
        row("password", "ENTER PASSWORD: ", 0, 0, A::Password);
        row("password in lower case is no prompt", "enter password: ", 0, 0, A::None);
        row("system id in any case", "Enter l number", 0, 0, A::SidAnswer);
        row("arrow keeps the action", "ENTER PASSWORD ->", 0, 0, A::Password, true);
        row("user name wins over password", "ENTER PASSWORD ENTER USERNAME", 0, 0, A::UserName);
        row("diagnostics banner", "ZR9 Diagnostics V2", 0, 0, A::SendTD, false, true);
        row("cancelled overrides", "ENTER USERNAME LOGIN CANCELLED", 0, 0, A::Return);
        row("denied overrides", "ENTER PASSWORD ACCESS DENIED", 3, 3, A::Return);
        row("star confirms a user name", "ACCESS DENIED ENTER PASSWORD ****", 1, 2, A::Confirm);
        row("star without a pending user name", "ENTER PASSWORD ****", 2, 2, A::Password);
    }
    void loginStep()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, passwords);
        QFETCH(int, userNames);
        const LoginStep step = nextLoginStep(ReceivedText(text), passwords, userNames);
        QTEST(step.action, "action");
        QTEST(step.arrowSeen, "arrow");
        QTEST(step.diagnosticsBanner, "banner");
    }

    // A peer that talks for minutes: the text stays bounded, and a watched
    // prompt that arrived long before is still found, as over the whole text.
    void receivedTextIsBoundedAndRemembers()
    {
        ReceivedText t(256);
        t.watch("ENTER PASSWORD");
        t.watch("OK", true);
        t.append("xx ENTER PASS");
        t.append("WORD ok ");
        for (int i = 0; i < 10000; ++i)
            t.append(QByteArray(100, 'n'));
        QVERIFY(t.text().size() <= 512);
        QVERIFY(t.contains("ENTER PASSWORD"));
        QVERIFY(t.containsUpper("OK"));
        QVERIFY(!t.contains("ENTER USERNAME"));
        t.clear();
        QVERIFY(!t.contains("ENTER PASSWORD"));
        QVERIFY(!t.containsUpper("OK"));
    }

    void lineReaderSplitsAsTheWholeFile_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("no last line end") << QByteArray("S0\r\nS1");
        QTest::newRow("mixed ends") << QByteArray("a\rb\nc\r\n\r\nd\n\re");
        QTest::newRow("lone CR at the end") << QByteArray("a\r");
        // CR LF split across the reader's block boundary, and long lines.
        QByteArray big(TextLineReader::kBlock - 1, 'x');
        big += "\r\n" + QByteArray(3 * TextLineReader::kBlock, 'y') + "\r" + QByteArray(10, 'z');
        QTest::newRow("across blocks") << big;
    }
    void lineReaderSplitsAsTheWholeFile()
    {
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("db.s28"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
        f.close();
        TextLineReader r;
        QVERIFY(r.open(path));
        QList<QByteArray> lines;
        while (const auto line = r.next())
            lines << *line;
        QVERIFY(!r.failed());
        QCOMPARE(lines, splitTextLines(content));
        QCOMPARE(TextLineReader::countLines(path), std::optional<qsizetype>(lines.size()));
    }

    // A FIFO or a folder typed into the open dialog: refused at once, never a hang.
    void lineReaderRefusesWhatIsNoRegularFile()
    {
        QTemporaryDir dir;
        const QString fifo = dir.filePath(QStringLiteral("fifo"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        for (const QString &path : {fifo, dir.path(), dir.filePath(QStringLiteral("missing"))}) {
            TextLineReader r;
            QVERIFY(!r.open(path));
            QVERIFY(r.failed());
            QVERIFY(!TextLineReader::countLines(path));
        }
    }
};

QTEST_GUILESS_MAIN(TestLinkUnits)
#include "test_link_units.moc"
