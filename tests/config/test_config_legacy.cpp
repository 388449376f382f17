#include "config/configuration.h"
#include "config/legacy_import.h"
#include "config_test_support.h"

#include <QTest>

using namespace kordex;
using namespace kordex::test;

using Fields = QList<QByteArray>;
Q_DECLARE_METATYPE(Fields)

class TestLegacy : public QObject {
    Q_OBJECT
private slots:
    void split_data();
    void split();
    void parseLine_data();
    void parseLine();
    void parseLineEveryColumn();
    void csvCount_data();
    void csvCount();
    void csvFallbacksAndErrors();
    void cfg_data();
    void cfg();
    void importAppliesCfgAndSavesSorted();
    void importWithoutCsvIgnoresCfg();
    void examples_data();
    void examples();
};

void TestLegacy::split_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<Fields>("fields");
    QTest::newRow("plain") << QByteArray("a,b,c") << Fields{"a", "b", "c"};
    QTest::newRow("empty line") << QByteArray("") << Fields{};
    QTest::newRow("blank line") << QByteArray("  \t ") << Fields{};
    QTest::newRow("blanks around") << QByteArray("  a ,  b\t,c  ") << Fields{"a", "b", "c"};
    QTest::newRow("unquoted space splits") << QByteArray("New York,1") << Fields{"New", "York", "1"};
    QTest::newRow("quoted keeps space and comma") << QByteArray("\"New, York\",1") << Fields{"New, York", "1"};
    QTest::newRow("doubled quote") << QByteArray("\"say \"\"hi\"\"\",x") << Fields{"say \"hi\"", "x"};
    QTest::newRow("empty quoted") << QByteArray("\"\",x") << Fields{"", "x"};
    QTest::newRow("two commas") << QByteArray("a,,b") << Fields{"a", "", "b"};
    QTest::newRow("leading comma") << QByteArray(",a") << Fields{"", "a"};
    QTest::newRow("trailing comma adds empty") << QByteArray("a,") << Fields{"a", ""};
    QTest::newRow("comma then blank at end") << QByteArray("a, ") << Fields{"a"};
    QTest::newRow("unterminated quote") << QByteArray("\"abc,def") << Fields{"abc,def"};
    QTest::newRow("text after closing quote") << QByteArray("\"ab\"cd,e") << Fields{"ab", "cd", "e"};
    QTest::newRow("quote inside unquoted") << QByteArray("ab\"c,d") << Fields{"ab\"c", "d"};
    QTest::newRow("8-bit text") << QByteArray("\xe9t\xe9,\xff") << Fields{"\xe9t\xe9", "\xff"};
    QTest::newRow("control char splits") << QByteArray("a\001b") << Fields{"a", "b"};
    QTest::newRow("NUL ends the line") << QByteArray("a,b\0,c", 6) << Fields{"a", "b"};
}

void TestLegacy::split()
{
    QFETCH(QByteArray, line);
    QTEST(splitLegacyCsvFields(line), "fields");
}

void TestLegacy::parseLine_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("phone");
    QTest::addColumn<QByteArray>("host");
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<bool>("nz");
    QTest::addColumn<int>("sid");
    auto row = [](const char *tag, const char *line, int type, const char *phone, const char *host, const char *user,
                  bool nz = true, int sid = 0) {
        QTest::newRow(tag) << QByteArray(line) << type << QByteArray(phone) << QByteArray(host) << QByteArray(user)
                           << nz << sid;
    };
    row("old file: phone in 4th", "Site,3,pw,5551234,23,host,p1,p2,r1,r2,bob", 1, "5551234", "host", "bob", true, 3);
    row("type 2", "Site,0,pw,2,888,telnet,10.1.1.1,,,,,bob", 2, "888", "10.1.1.1", "bob");
    row("type 0", "Site,0,pw,0,888,23,h", 0, "888", "h", "");
    row("type 12 is a type", "S,0,pw,12,888", 12, "888", "", "");
    row("3 is a phone number", "S,0,pw,3,23", 1, "3", "", "");
    row("02 is a phone number", "S,0,pw,02,23", 1, "02", "", "");
    row("empty 4th is the phone", "S,0,pw,,23,h", 1, "", "h", "");
    row("nz 0", "S,0,pw,1,p,sp,h,a,b,c,d,u,0", 1, "p", "h", "u", false);
    row("nz False", "S,0,pw,1,p,sp,h,a,b,c,d,u,fAlSe", 1, "p", "h", "u", false);
    row("nz True", "S,0,pw,1,p,sp,h,a,b,c,d,u,TRUE", 1, "p", "h", "u", true);
    row("nz 5", "S,0,pw,1,p,sp,h,a,b,c,d,u,5", 1, "p", "h", "u", true);
    row("nz empty", "S,0,pw,1,p,sp,h,a,b,c,d,u,", 1, "p", "h", "u", true);
    row("sid not a number", "S,x,pw", 1, "", "", "");
    row("short line", "OnlyName", 1, "", "", "");
}

void TestLegacy::parseLine()
{
    QFETCH(QByteArray, line);
    const ConnectionRecord r = parseLegacyCsvLine(line);
    QTEST(int(r.connectionType), "type");
    QTEST(r.phoneNumber, "phone");
    QTEST(r.tcpHost, "host");
    QTEST(r.userName, "user");
    QTEST(r.showNzCommonStates, "nz");
    QTEST(r.sid, "sid");
    // Not in the file: zero until the cfg settings are applied.
    QCOMPARE(r.tcpLinePacingMs, 0);
    QCOMPARE(r.autoLogin, false);
    QCOMPARE(int(r.baudRateIndex), 0);
    QCOMPARE(int(r.comPort), 0);
    QCOMPARE(r.diagnosticMode, false);
}

// Each column lands in its own field; what the line lacks is zero.
void TestLegacy::parseLineEveryColumn()
{
    // clang-format off
    const ConnectionRecord expected{.systemName = "Site", .sid = 5, .password = "pw", .connectionType = ConnectionType::TcpIp,
                                  .phoneNumber = "ph", .tcpPort = "sp", .tcpHost = "h", .auxPrompt1 = "p1",
                                  .auxPrompt2 = "p2", .auxReply1 = "r1", .auxReply2 = "r2", .userName = "u",
                                  .showNzCommonStates = false, .tcpLinePacingMs = 0, .autoLogin = false, .baudRateIndex = 0,
                                  .flowControl = FlowControl::None, .comPort = 0, .diagnosticMode = false};
    // clang-format on
    QCOMPARE(parseLegacyCsvLine("Site,5,pw,2,ph,sp,h,p1,p2,r1,r2,u,0"), expected);
}

void TestLegacy::csvCount_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("count");  // -1: the book keeps what it held
    QTest::newRow("exact") << QByteArray("\"Kordex V2.1\",2\r\nA,1,p\r\nB,2,p\r\n") << 2;
    QTest::newRow("fewer than lines") << QByteArray("\"Kordex V2.1\",1\r\nA,1,p\r\nB,2,p\r\n") << 1;
    QTest::newRow("more than lines") << QByteArray("\"Kordex V2.1\",9\r\nA,1,p\r\nB,2,p\r\n") << 2;
    QTest::newRow("no final newline") << QByteArray("\"Kordex V2.1\",9\r\nA,1,p\r\nB,2,p") << 2;
    QTest::newRow("ctrl-z ends file") << QByteArray("\"Kordex V2.1\",9\r\nA,1,p\r\n\032B,2,p\r\n") << 1;
    QTest::newRow("old header") << QByteArray("\"Kor-dex V1.0\",1\nA,1,p\n") << 1;
    QTest::newRow("zero") << QByteArray("\"Kordex V2\",0\r\nA,1,p\r\n") << 0;
    QTest::newRow("negative") << QByteArray("\"Kordex V2\",-4\r\nA,1,p\r\n") << 0;
    QTest::newRow("count not a number") << QByteArray("\"Kordex V2\",lots\r\nA,1,p\r\n") << -1;
    QTest::newRow("no count") << QByteArray("\"Kordex V2\"\r\nA,1,p\r\n") << -1;
    QTest::newRow("no header mark") << QByteArray("\"Other V2\",1\r\nA,1,p\r\n") << -1;
    QTest::newRow("mark is case-sensitive") << QByteArray("\"kordex v2\",1\r\nA,1,p\r\n") << -1;
    QTest::newRow("empty file") << QByteArray() << -1;
}

void TestLegacy::csvCount()
{
    QFETCH(QByteArray, file);
    QFETCH(int, count);
    Store s;
    writeFile(s.dirs.exe(QStringLiteral("Kordex.csv")), file);
    s.book.add(named("held"));
    QVERIFY(readLegacyCsv(s.book, s.dirs.folders.executableFolder, s.p));
    QVERIFY(s.p.messages.empty());
    if (count < 0) {
        QCOMPARE(s.book.count(), 1);
        QCOMPARE(s.book.at(0).systemName, QByteArray("held"));
    } else {
        QCOMPARE(s.book.count(), count);
        if (count > 0)
            QCOMPARE(s.book.at(0).systemName, QByteArray("A"));
    }
}

void TestLegacy::csvFallbacksAndErrors()
{
    {  // "Kor-dex.csv" when "Kordex.csv" is absent; more lines than slots.
        Store s;
        QByteArray file = "\"Kordex V2\",100000\r\n";
        for (int i = 0; i < 600; ++i)
            file += "N" + QByteArray::number(i) + ",0,p\r\n";
        writeFile(s.dirs.exe(QStringLiteral("Kor-dex.csv")), file);
        QVERIFY(readLegacyCsv(s.book, s.dirs.folders.executableFolder, s.p));
        QCOMPARE(s.book.count(), ConnectionBook::kSlots);
        QCOMPARE(s.book.at(500).systemName, QByteArray("N500"));
    }
    {  // Nothing there.
        Store s;
        QVERIFY(!readLegacyCsv(s.book, s.dirs.folders.executableFolder, s.p));
        QCOMPARE(s.p.messages.size(), size_t(1));
        QCOMPARE(s.p.messages[0].text, QStringLiteral("No Configuration Found - Defaults Loaded"));
    }
    {  // Present but unreadable.
        Store s;
        QVERIFY(QDir(s.dirs.folders.executableFolder).mkdir(QStringLiteral("Kordex.csv")));
        QVERIFY(!readLegacyCsv(s.book, s.dirs.folders.executableFolder, s.p));
        QCOMPARE(s.p.messages.size(), size_t(1));
        QVERIFY(s.p.messages[0].text.endsWith(QStringLiteral(" - Default Configuration Loaded")));
    }
}

void TestLegacy::cfg_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("pacing");
    QTest::addColumn<bool>("autoLogin");
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("flow");
    QTest::addColumn<int>("port");
    QTest::newRow("full") << QByteArray("Kordex V2\r\n100\r\n1\r\n8\r\nx\r\ny\r\nz\r\n2\r\nCOM3\r\n") << 100 << true
                          << 8 << 2 << 3;
    QTest::newRow("autologin other text") << QByteArray("Kordex V2\r\n0\r\nyes\r\n") << 0 << false << 6 << 1 << 1;
    QTest::newRow("autologin 0") << QByteArray("Kordex V2\r\n0\r\n0\r\n") << 0 << false << 6 << 1 << 1;
    QTest::newRow("two-digit port keeps one digit")
        << QByteArray("Kor-dex V1\n0\n1\n6\n\n\n\n1\nCOM72\n") << 0 << true << 6 << 1 << 7;
    QTest::newRow("port without digit") << QByteArray("Kordex V2\n0\n1\n6\n\n\n\n1\nCOM\n") << 0 << true << 6 << 1 << 1;
    QTest::newRow("baud narrowed") << QByteArray("Kordex V2\n0\n1\n257\n") << 0 << true << 1 << 1 << 1;
    QTest::newRow("non-numeric lines keep defaults")
        << QByteArray("Kordex V2\nfast\n1\nquick\n\n\n\nnone\n") << 0 << true << 6 << 1 << 1;
    QTest::newRow("short file") << QByteArray("Kordex V2\n50\n") << 50 << true << 6 << 1 << 1;
    QTest::newRow("no header") << QByteArray("Settings\n50\n0\n") << 0 << true << 6 << 1 << 1;
    QTest::newRow("missing file") << QByteArray("<none>") << 0 << true << 6 << 1 << 1;
}

void TestLegacy::cfg()
{
    QFETCH(QByteArray, file);
    Folders dirs;
    if (file != "<none>")
        writeFile(dirs.exe(QStringLiteral("Kordex.cfg")), file);
    const LegacySettings s = readLegacyCfg(dirs.folders.executableFolder);
    QTEST(s.linePacing, "pacing");
    QTEST(s.autoLogin, "autoLogin");
    QTEST(int(s.baudIndex), "baud");
    QTEST(int(s.flowIndex), "flow");
    QTEST(int(s.portNumber), "port");
}

void TestLegacy::importAppliesCfgAndSavesSorted()
{
    Store s;
    writeFile(s.dirs.exe(QStringLiteral("Kordex.csv")),
              "\"Kordex V2.1 Connections\",2\r\nzeta,1,pw,2,888,telnet,h\r\nAlpha,2,pw,555\r\n");
    writeFile(s.dirs.exe(QStringLiteral("Kordex.cfg")), "Kordex V2\r\n20\r\n0\r\n12\r\n\r\n\r\n\r\n2\r\nCOM4\r\n");
    QCOMPARE(s.cfg.loadConnections(s.book), LoadSource::LegacyFiles);
    QVERIFY(s.p.messages.empty());
    QVERIFY(!s.cfg.iniInExecutableFolder());
    ConnectionBook back;
    QCOMPARE(s.cfg.loadConnections(back), LoadSource::SharedDataFolder);
    QCOMPARE(back.count(), 2);
    QCOMPARE(back.at(0).systemName, QByteArray("Alpha"));
    QCOMPARE(back.at(1).systemName, QByteArray("zeta"));
    for (int i = 0; i < 2; ++i) {
        const ConnectionRecord &r = back.at(i);
        QCOMPARE(r.tcpLinePacingMs, 20);
        QCOMPARE(r.autoLogin, false);
        QCOMPARE(int(r.baudRateIndex), 12);
        QCOMPARE(int(r.flowControl), 2);
        QCOMPARE(int(r.comPort), 4);
        QCOMPARE(r.diagnosticMode, false);
    }
    QCOMPARE(back.at(0).phoneNumber, QByteArray("555"));
    QCOMPARE(int(back.at(1).connectionType), 2);
    // The legacy files are not read again.
    QFile::remove(s.dirs.exe(QStringLiteral("Kordex.csv")));
    QCOMPARE(s.cfg.loadConnections(back), LoadSource::SharedDataFolder);
}

void TestLegacy::importWithoutCsvIgnoresCfg()
{
    Store s;
    writeFile(s.dirs.exe(QStringLiteral("Kordex.cfg")), "Kordex V2\r\n20\r\n0\r\n12\r\n");
    QCOMPARE(s.cfg.loadConnections(s.book), LoadSource::Examples);
    QCOMPARE(s.book.count(), 3);
    QCOMPARE(s.book.at(0).autoLogin, true);
    QCOMPARE(int(s.book.at(0).baudRateIndex), 6);
}

void TestLegacy::examples_data()
{
    QTest::addColumn<int>("slot");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("port");
    QTest::addColumn<QByteArray>("host");
    QTest::newRow("direct") << 0 << QByteArray("Example Direct") << 1 << QByteArray("23") << kExampleHost;
    QTest::newRow("modem") << 1 << QByteArray("Example Modem") << 0 << QByteArray("23") << kExampleHost;
    QTest::newRow("tcpip") << 2 << QByteArray("Example TCPIP") << 2 << QByteArray("telnet") << QByteArray("127.0.0.1");
}

// Every field of the examples, as the first start writes them to the file.
void TestLegacy::examples()
{
    QFETCH(int, slot);
    QFETCH(QByteArray, name);
    QFETCH(int, type);
    QFETCH(QByteArray, port);
    QFETCH(QByteArray, host);
    Store s;
    QCOMPARE(s.cfg.loadConnections(s.book), LoadSource::Examples);
    ConnectionBook back;
    QCOMPARE(s.cfg.loadConnections(back), LoadSource::SharedDataFolder);
    QCOMPARE(back.count(), 3);

    // clang-format off
    const ConnectionRecord expected{.systemName = name, .sid = 0, .password = "QUOLL", .connectionType = ConnectionType(type),
                                  .phoneNumber = "888", .tcpPort = port, .tcpHost = host, .auxPrompt1 = {},
                                  .auxPrompt2 = {}, .auxReply1 = {}, .auxReply2 = {}, .userName = {},
                                  .showNzCommonStates = true, .tcpLinePacingMs = 0, .autoLogin = true, .baudRateIndex = 6,
                                  .flowControl = FlowControl::XonXoff, .comPort = 1, .diagnosticMode = false};
    // clang-format on
    QCOMPARE(s.book.at(slot), expected);
    QCOMPARE(back.at(slot), expected);
}

QTEST_GUILESS_MAIN(TestLegacy)
#include "test_config_legacy.moc"
