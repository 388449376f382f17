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
    QTest::newRow("control char splits") << QByteArray(
                                                "a\x01"
                                                "b")
                                         << Fields{"a", "b"};
    QTest::newRow("NUL ends the line") << QByteArray("a,b\0,c", 6) << Fields{"a", "b"};
}

void TestLegacy::split()
{
    QFETCH(QByteArray, line);
    QFETCH(Fields, fields);
    QCOMPARE(SplitLegacyCsvFields(line), fields);
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
    QTest::newRow("old file: phone in 4th")
        << QByteArray("Site,3,pw,5551234,23,host,p1,p2,r1,r2,bob") << 1 << QByteArray("5551234") << QByteArray("host")
        << QByteArray("bob") << true << 3;
    QTest::newRow("type 2") << QByteArray("Site,0,pw,2,888,telnet,10.1.1.1,,,,,bob") << 2 << QByteArray("888")
                            << QByteArray("10.1.1.1") << QByteArray("bob") << true << 0;
    QTest::newRow("type 0") << QByteArray("Site,0,pw,0,888,23,h") << 0 << QByteArray("888") << QByteArray("h")
                            << QByteArray() << true << 0;
    QTest::newRow("type 12 is a type") << QByteArray("S,0,pw,12,888") << 12 << QByteArray("888") << QByteArray()
                                       << QByteArray() << true << 0;
    QTest::newRow("3 is a phone number") << QByteArray("S,0,pw,3,23") << 1 << QByteArray("3") << QByteArray()
                                         << QByteArray() << true << 0;
    QTest::newRow("02 is a phone number")
        << QByteArray("S,0,pw,02,23") << 1 << QByteArray("02") << QByteArray() << QByteArray() << true << 0;
    QTest::newRow("empty 4th is the phone")
        << QByteArray("S,0,pw,,23,h") << 1 << QByteArray() << QByteArray("h") << QByteArray() << true << 0;
    QTest::newRow("nz 0") << QByteArray("S,0,pw,1,p,sp,h,a,b,c,d,u,0") << 1 << QByteArray("p") << QByteArray("h")
                          << QByteArray("u") << false << 0;
    QTest::newRow("nz False") << QByteArray("S,0,pw,1,p,sp,h,a,b,c,d,u,fAlSe") << 1 << QByteArray("p")
                              << QByteArray("h") << QByteArray("u") << false << 0;
    QTest::newRow("nz True") << QByteArray("S,0,pw,1,p,sp,h,a,b,c,d,u,TRUE") << 1 << QByteArray("p") << QByteArray("h")
                             << QByteArray("u") << true << 0;
    QTest::newRow("nz 5") << QByteArray("S,0,pw,1,p,sp,h,a,b,c,d,u,5") << 1 << QByteArray("p") << QByteArray("h")
                          << QByteArray("u") << true << 0;
    QTest::newRow("nz empty") << QByteArray("S,0,pw,1,p,sp,h,a,b,c,d,u,") << 1 << QByteArray("p") << QByteArray("h")
                              << QByteArray("u") << true << 0;
    QTest::newRow("sid not a number") << QByteArray("S,x,pw") << 1 << QByteArray() << QByteArray() << QByteArray()
                                      << true << 0;
    QTest::newRow("short line") << QByteArray("OnlyName") << 1 << QByteArray() << QByteArray() << QByteArray() << true
                                << 0;
}

void TestLegacy::parseLine()
{
    QFETCH(QByteArray, line);
    QFETCH(int, type);
    QFETCH(QByteArray, phone);
    QFETCH(QByteArray, host);
    QFETCH(QByteArray, user);
    QFETCH(bool, nz);
    QFETCH(int, sid);
    const TConnectionRec r = ParseLegacyCsvLine(line);
    QCOMPARE(int(r.ConnectionType), type);
    QCOMPARE(r.PhoneNum, phone);
    QCOMPARE(r.SocketHost, host);
    QCOMPARE(r.UserName, user);
    QCOMPARE(r.ShowNZCommonStates, nz);
    QCOMPARE(r.SID, sid);
    // Not in the file: zero until the cfg settings are applied.
    QCOMPARE(r.TcpIpLinePacing, 0);
    QCOMPARE(r.AutoLogin, false);
    QCOMPARE(int(r.BaudRate), 0);
    QCOMPARE(int(r.ComNumber), 0);
    QCOMPARE(r.DiagnosticMode, false);
}

// Each column lands in its own field; what the line lacks is zero.
void TestLegacy::parseLineEveryColumn()
{
    TConnectionRec expected;
    expected.SystemName = "Site";
    expected.SID = 5;
    expected.Password = "pw";
    expected.ConnectionType = 2;
    expected.PhoneNum = "ph";
    expected.SocketPort = "sp";
    expected.SocketHost = "h";
    expected.AlPrompt1 = "p1";
    expected.AlPrompt2 = "p2";
    expected.AlResult1 = "r1";
    expected.AlResult2 = "r2";
    expected.UserName = "u";
    expected.ShowNZCommonStates = false;
    expected.TcpIpLinePacing = 0;
    expected.AutoLogin = false;
    expected.BaudRate = 0;
    expected.FlowControl = 0;
    expected.ComNumber = 0;
    expected.DiagnosticMode = false;
    QCOMPARE(ParseLegacyCsvLine("Site,5,pw,2,ph,sp,h,p1,p2,r1,r2,u,0"), expected);
}

void TestLegacy::csvCount_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("count");  // -1: the book keeps what it held
    QTest::newRow("exact") << QByteArray("\"Kordex V2.1\",2\r\nA,1,p\r\nB,2,p\r\n") << 2;
    QTest::newRow("fewer than lines") << QByteArray("\"Kordex V2.1\",1\r\nA,1,p\r\nB,2,p\r\n") << 1;
    QTest::newRow("more than lines") << QByteArray("\"Kordex V2.1\",9\r\nA,1,p\r\nB,2,p\r\n") << 2;
    QTest::newRow("no final newline") << QByteArray("\"Kordex V2.1\",9\r\nA,1,p\r\nB,2,p") << 2;
    QTest::newRow("ctrl-z ends file") << QByteArray(
                                             "\"Kordex V2.1\",9\r\nA,1,p\r\n\x1a"
                                             "B,2,p\r\n")
                                      << 1;
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
    Folders dirs;
    writeFile(dirs.exe(QStringLiteral("Kordex.csv")), file);
    ConnectionBook book;
    book.add(named("held"));
    ScriptedPrompter p;
    QVERIFY(ReadLegacyCsv(book, dirs.folders.executableFolder, p));
    QVERIFY(p.messages.empty());
    if (count < 0) {
        QCOMPARE(book.count(), 1);
        QCOMPARE(book.at(0).SystemName, QByteArray("held"));
    } else {
        QCOMPARE(book.count(), count);
        if (count > 0)
            QCOMPARE(book.at(0).SystemName, QByteArray("A"));
    }
}

void TestLegacy::csvFallbacksAndErrors()
{
    {  // "Kor-dex.csv" when "Kordex.csv" is absent; more lines than slots.
        Folders dirs;
        QByteArray file = "\"Kordex V2\",100000\r\n";
        for (int i = 0; i < 600; ++i)
            file += "N" + QByteArray::number(i) + ",0,p\r\n";
        writeFile(dirs.exe(QStringLiteral("Kor-dex.csv")), file);
        ConnectionBook book;
        ScriptedPrompter p;
        QVERIFY(ReadLegacyCsv(book, dirs.folders.executableFolder, p));
        QCOMPARE(book.count(), ConnectionBook::kSlots);
        QCOMPARE(book.at(500).SystemName, QByteArray("N500"));
    }
    {  // Nothing there.
        Folders dirs;
        ConnectionBook book;
        ScriptedPrompter p;
        QVERIFY(!ReadLegacyCsv(book, dirs.folders.executableFolder, p));
        QCOMPARE(p.messages.size(), size_t(1));
        QCOMPARE(p.messages[0].text, QStringLiteral("No Configuration Found - Defaults Loaded"));
    }
    {  // Present but unreadable.
        Folders dirs;
        QVERIFY(QDir(dirs.folders.executableFolder).mkdir(QStringLiteral("Kordex.csv")));
        ConnectionBook book;
        ScriptedPrompter p;
        QVERIFY(!ReadLegacyCsv(book, dirs.folders.executableFolder, p));
        QCOMPARE(p.messages.size(), size_t(1));
        QVERIFY(p.messages[0].text.endsWith(QStringLiteral(" - Default Configuration Loaded")));
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
    const LegacySettings s = ReadLegacyCfg(dirs.folders.executableFolder);
    QTEST(s.linePacing, "pacing");
    QTEST(s.autoLogin, "autoLogin");
    QTEST(int(s.baudIndex), "baud");
    QTEST(int(s.flowIndex), "flow");
    QTEST(int(s.portNumber), "port");
}

void TestLegacy::importAppliesCfgAndSavesSorted()
{
    Folders dirs;
    writeFile(dirs.exe(QStringLiteral("Kordex.csv")),
              "\"Kordex V2.1 Connections\",2\r\nzeta,1,pw,2,888,telnet,h\r\nAlpha,2,pw,555\r\n");
    writeFile(dirs.exe(QStringLiteral("Kordex.cfg")), "Kordex V2\r\n20\r\n0\r\n12\r\n\r\n\r\n\r\n2\r\nCOM4\r\n");
    ScriptedPrompter p;
    Configuration cfg(dirs.folders, p);
    ConnectionBook book;
    QCOMPARE(cfg.LoadConnections(book), LoadSource::LegacyFiles);
    QVERIFY(p.messages.empty());
    QVERIFY(!cfg.iniInExecutableFolder());
    ConnectionBook back;
    QCOMPARE(cfg.LoadConnections(back), LoadSource::SharedDataFolder);
    QCOMPARE(back.count(), 2);
    QCOMPARE(back.at(0).SystemName, QByteArray("Alpha"));
    QCOMPARE(back.at(1).SystemName, QByteArray("zeta"));
    for (int i = 0; i < 2; ++i) {
        const TConnectionRec &r = back.at(i);
        QCOMPARE(r.TcpIpLinePacing, 20);
        QCOMPARE(r.AutoLogin, false);
        QCOMPARE(int(r.BaudRate), 12);
        QCOMPARE(int(r.FlowControl), 2);
        QCOMPARE(int(r.ComNumber), 4);
        QCOMPARE(r.DiagnosticMode, false);
    }
    QCOMPARE(back.at(0).PhoneNum, QByteArray("555"));
    QCOMPARE(int(back.at(1).ConnectionType), 2);
    // The legacy files are not read again.
    QFile::remove(dirs.exe(QStringLiteral("Kordex.csv")));
    QCOMPARE(cfg.LoadConnections(back), LoadSource::SharedDataFolder);
}

void TestLegacy::importWithoutCsvIgnoresCfg()
{
    Folders dirs;
    writeFile(dirs.exe(QStringLiteral("Kordex.cfg")), "Kordex V2\r\n20\r\n0\r\n12\r\n");
    ScriptedPrompter p;
    Configuration cfg(dirs.folders, p);
    ConnectionBook book;
    QCOMPARE(cfg.LoadConnections(book), LoadSource::Examples);
    QCOMPARE(book.count(), 3);
    QCOMPARE(book.at(0).AutoLogin, true);
    QCOMPARE(int(book.at(0).BaudRate), 6);
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
    Folders dirs;
    ScriptedPrompter p;
    Configuration cfg(dirs.folders, p);
    ConnectionBook book;
    QCOMPARE(cfg.LoadConnections(book), LoadSource::Examples);
    ConnectionBook back;
    QCOMPARE(cfg.LoadConnections(back), LoadSource::SharedDataFolder);
    QCOMPARE(back.count(), 3);

    TConnectionRec expected;
    expected.SystemName = name;
    expected.SID = 0;
    expected.Password = "QUOLL";
    expected.ConnectionType = uint8_t(type);
    expected.PhoneNum = "888";
    expected.SocketPort = port;
    expected.SocketHost = host;
    expected.ShowNZCommonStates = true;
    expected.TcpIpLinePacing = 0;
    expected.AutoLogin = true;
    expected.BaudRate = 6;
    expected.FlowControl = 1;
    expected.ComNumber = 1;
    expected.DiagnosticMode = false;
    QCOMPARE(book.at(slot), expected);
    QCOMPARE(back.at(slot), expected);
}

QTEST_GUILESS_MAIN(TestLegacy)
#include "test_config_legacy.moc"
