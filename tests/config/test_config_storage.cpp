#include "config/configuration.h"
#include "config_test_support.h"

#include <QTest>

#include <QRandomGenerator>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

using namespace kordex;
using namespace kordex::test;

namespace {
QByteArray oneRecordFile(const QByteArray &keyLines)
{
    return "[Connections]\r\nCount=1\r\n\r\n[Connection0]\r\n" + keyLines + "\r\n";
}

ConnectionRecord fullRecord()
{
    // clang-format off
    return {.systemName = "Site \xe9t\xe9 \x80", .sid = -17, .password = "pw;not=comment", .connectionType = ConnectionType::TcpIp,
            .phoneNumber = "0,123", .tcpPort = "telnet", .tcpHost = "10.0.0.7", .auxPrompt1 = "login:",
            .auxPrompt2 = "", .auxReply1 = "[x]", .auxReply2 = "$ok", .userName = "\xff", .showNzCommonStates = false,
            .tcpLinePacingMs = 450, .autoLogin = false, .baudRateIndex = 14, .flowControl = FlowControl::DtrDsr, .comPort = 200,
            .diagnosticMode = true};
    // clang-format on
}

#ifdef Q_OS_UNIX
int modeOf(const QString &path)
{
    struct stat st {};
    return stat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
}

// Runs `f` with writes limited to `bytes` per file: a full disk, as far as
// this process can tell.
template <typename F>
auto withFileSizeLimit(rlim_t bytes, F f)
{
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &small);
    auto r = f();
    setrlimit(RLIMIT_FSIZE, &old);
    return r;
}
#endif
}  // namespace

class TestStorage : public QObject {
    Q_OBJECT
private slots:
    void roundTripEveryField();
    void writtenFileFormat();
    void valueForms_data();
    void valueForms();
    void countRules_data();
    void countRules();
    void slotsFromCountOnUntouched();
    void executableFolderWinsAndKeepsSaves();
    void sharedFolderSaveTarget();
    void unknownContentKeptAndStaleSectionsStay();
    void sortIsStableAndFoldsOnlyAsciiLetters();
    void firstStartCreatesExamplesInNewSharedFolder();
    void missingSharedFolderReportsWriteError();
    void atomicSaveKeepsOldFileWhenWriteFails();
    void newFileReadableByOwnerOnly();
    void unreadableFileLoadsDefaultsAndIsNotOverwritten_data();
    void unreadableFileLoadsDefaultsAndIsNotOverwritten();
    void bookThatCannotBeReadIsKeptBeside_data();
    void bookThatCannotBeReadIsKeptBeside();
    void keptCopiesAreNeverReplaced();
    void portsSectionReadAndKept();
    void xdgFolder_data();
    void xdgFolder();
};

void TestStorage::roundTripEveryField()
{
    Store s;
    s.book.add(fullRecord());
    s.book.add(named(""));  // every text empty, including the name
    s.book.add(ConnectionRecord{});
    s.cfg.saveConnections(s.book);

    ConnectionBook back;
    QCOMPARE(s.cfg.loadConnections(back), LoadSource::SharedDataFolder);
    QCOMPARE(back.count(), 3);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(back.at(i), s.book.at(i));
    QVERIFY(s.p.messages.empty());
}

void TestStorage::writtenFileFormat()
{
    Store s;
    s.book.add(fullRecord());
    QVERIFY(s.cfg.saveConnections(s.book));
    const QByteArray expected =
        "[Connections]\r\nCount=1\r\n\r\n"
        "[Connection0]\r\n"
        "SystemName=Site \xe9t\xe9 \x80\r\nSID=-17\r\nPassword=pw;not=comment\r\n"
        "ConnectionType=2\r\nPhoneNum=0,123\r\nSocketPort=telnet\r\nSocketHost=10.0.0.7\r\n"
        "AlPrompt1=login:\r\nAlPrompt2=\r\nAlResult1=[x]\r\nAlResult2=$ok\r\nUserName=\xff\r\n"
        "ShowNZCommonStates=0\r\nTcpIpLinePacing=450\r\nAutoLogin=0\r\nBaudRate=14\r\n"
        "FlowControl=3\r\nComNumber=200\r\nDiagnosticMode=1\r\n\r\n";
    QCOMPARE(readFile(s.dirs.shared(kIniFileName)), expected);
}

void TestStorage::valueForms_data()
{
    QTest::addColumn<QByteArray>("lines");
    QTest::addColumn<QByteArray>("field");
    QTest::addColumn<qlonglong>("expected");  // numbers and flags
    QTest::addColumn<QByteArray>("text");     // text fields
    auto num = [](const char *tag, const char *lines, const char *field, qlonglong v) {
        QTest::newRow(tag) << QByteArray(lines) << QByteArray(field) << v << QByteArray();
    };
    auto txt = [](const char *tag, const char *lines, const char *field, const char *v) {
        QTest::newRow(tag) << QByteArray(lines) << QByteArray(field) << 0LL << QByteArray(v);
    };
    num("baud hex 0x", "BaudRate=0x0C", "BaudRate", 12);
    num("baud hex $", "baudrate=$0e", "BaudRate", 14);
    num("type narrowed to 8 bits", "ConnectionType=258", "ConnectionType", 2);
    num("flow narrowed", "FlowControl=-1", "FlowControl", 255);
    num("com narrowed to 16 bits", "ComNumber=65537", "ComNumber", 1);
    num("com negative", "ComNumber=-2", "ComNumber", -2);
    num("com missing", "SID=1", "ComNumber", 1);
    num("baud malformed takes default", "BaudRate=fast", "BaudRate", 6);
    num("type empty takes default", "ConnectionType=", "ConnectionType", 1);
    num("sid negative", "SID=-300", "SID", -300);
    num("sid spaced", "SID =  12  ", "SID", 12);
    num("autologin 0", "AutoLogin=0", "AutoLogin", 0);
    num("autologin 2 is true", "AutoLogin=2", "AutoLogin", 1);
    num("autologin malformed keeps true", "AutoLogin=no", "AutoLogin", 1);
    num("diagnostic malformed keeps false", "DiagnosticMode=yes", "DiagnosticMode", 0);
    num("diagnostic hex", "DiagnosticMode=$1", "DiagnosticMode", 1);
    num("commonstates missing", "SID=0", "ShowNZCommonStates", 1);
    num("pacing", "TcpIpLinePacing=30", "TcpIpLinePacing", 30);
    txt("empty name stays empty", "SystemName=", "SystemName", "");
    txt("missing name is Default", "SID=0", "SystemName", "Default");
    txt("name stripped", "SystemName=   Plant 4  ", "SystemName", "Plant 4");
    txt("key case ignored", "sYsTeMnAmE=abc", "SystemName", "abc");
    txt("value with =", "Password=a=b", "Password", "a=b");
    txt("8-bit kept", "UserName=\xe4\xf6\xfc", "UserName", "\xe4\xf6\xfc");
}

void TestStorage::valueForms()
{
    QFETCH(QByteArray, lines);
    QFETCH(QByteArray, field);
    QFETCH(qlonglong, expected);
    QFETCH(QByteArray, text);
    Store s;
    writeFile(s.dirs.shared(kIniFileName), oneRecordFile(lines + "\r\n"));
    s.cfg.loadConnections(s.book);
    QCOMPARE(s.book.count(), 1);
    const ConnectionRecord &r = s.book.at(0);
    const QMap<QByteArray, qlonglong> numbers = {{"SID", r.sid},
                                                 {"ConnectionType", qlonglong(r.connectionType)},
                                                 {"ShowNZCommonStates", r.showNzCommonStates},
                                                 {"TcpIpLinePacing", r.tcpLinePacingMs},
                                                 {"AutoLogin", r.autoLogin},
                                                 {"BaudRate", r.baudRateIndex},
                                                 {"FlowControl", qlonglong(r.flowControl)},
                                                 {"ComNumber", r.comPort},
                                                 {"DiagnosticMode", r.diagnosticMode}};
    const QMap<QByteArray, QByteArray> texts = {
        {"SystemName", r.systemName}, {"Password", r.password}, {"UserName", r.userName}};
    if (numbers.contains(field))
        QCOMPARE(numbers[field], expected);
    else
        QCOMPARE(texts[field], text);
}

void TestStorage::countRules_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<int>("count");
    QTest::newRow("missing Count") << QByteArray("[Connections]\r\n") << 0;
    QTest::newRow("missing section") << QByteArray("[Other]\r\nCount=4\r\n") << 0;
    QTest::newRow("zero") << QByteArray("[Connections]\r\nCount=0\r\n") << 0;
    QTest::newRow("negative") << QByteArray("[Connections]\r\nCount=-5\r\n") << 0;
    QTest::newRow("malformed") << QByteArray("[Connections]\r\nCount=many\r\n") << 0;
    QTest::newRow("hex") << QByteArray("[CONNECTIONS]\r\ncount=$2\r\n") << 2;
    QTest::newRow("above the slots") << QByteArray("[Connections]\r\nCount=100000\r\n") << ConnectionBook::kSlots;
}

void TestStorage::countRules()
{
    QFETCH(QByteArray, head);
    QFETCH(int, count);
    Store s;
    writeFile(s.dirs.shared(kIniFileName), head + "[Connection0]\r\nSystemName=zero\r\n");
    s.book.setCount(3);  // what memory held is replaced
    s.cfg.loadConnections(s.book);
    QCOMPARE(s.book.count(), count);
    if (count > 0) {
        QCOMPARE(s.book.at(0).systemName, QByteArray("zero"));
        // A record section that is missing reads as all defaults.
        QCOMPARE(s.book.at(count - 1), ConnectionRecord{});
    }
}

void TestStorage::slotsFromCountOnUntouched()
{
    Store s;
    writeFile(s.dirs.shared(kIniFileName), oneRecordFile("SystemName=a\r\n"));
    s.book.add(named("x"));
    s.book.add(named("stale"));
    s.cfg.loadConnections(s.book);
    QCOMPARE(s.book.count(), 1);
    QCOMPARE(s.book.at(1).systemName, QByteArray("stale"));
}

void TestStorage::executableFolderWinsAndKeepsSaves()
{
    Store s;
    writeFile(s.dirs.exe(kIniFileName), oneRecordFile("SystemName=exe\r\n"));
    writeFile(s.dirs.shared(kIniFileName), oneRecordFile("SystemName=shared\r\n"));
    QCOMPARE(s.cfg.loadConnections(s.book), LoadSource::ExecutableFolder);
    QCOMPARE(s.book.at(0).systemName, QByteArray("exe"));
    QVERIFY(s.cfg.iniInExecutableFolder());
    s.book.add(named("added"));
    QVERIFY(s.cfg.saveConnections(s.book));
    QVERIFY(readFile(s.dirs.exe(kIniFileName)).contains("SystemName=added"));
    QVERIFY(!readFile(s.dirs.shared(kIniFileName)).contains("added"));
}

void TestStorage::sharedFolderSaveTarget()
{
    Store s;
    writeFile(s.dirs.shared(kIniFileName), oneRecordFile("SystemName=shared\r\n"));
    QCOMPARE(s.cfg.loadConnections(s.book), LoadSource::SharedDataFolder);
    QVERIFY(s.cfg.saveConnections(s.book));
    QVERIFY(!QFile::exists(s.dirs.exe(kIniFileName)));
    // A file that appears next to the executable takes over at the next load.
    writeFile(s.dirs.exe(kIniFileName), oneRecordFile("SystemName=exe\r\n"));
    s.cfg.loadConnections(s.book);
    QCOMPARE(s.cfg.saveTarget(), s.dirs.exe(kIniFileName));
}

void TestStorage::unknownContentKeptAndStaleSectionsStay()
{
    Store s;
    QByteArray file =
        "; a comment that goes\r\n[Extra]\r\nFoo=Bar\r\nloose line\r\n\r\n"
        "[Connections]\r\nCount=5\r\nVersion=7\r\n";
    for (int i = 0; i < 5; ++i)
        file += "[Connection" + QByteArray::number(i) + "]\r\nSystemName=N" + QByteArray::number(i) +
                "\r\nCustom=" + QByteArray::number(i) + "\r\n";
    file += "[Trailer]\r\nKeep=me\r\n";
    writeFile(s.dirs.shared(kIniFileName), file);
    s.cfg.loadConnections(s.book);
    s.book.removeAt(1);
    s.book.removeAt(1);
    QVERIFY(s.cfg.saveConnections(s.book));

    const QByteArray out = readFile(s.dirs.shared(kIniFileName));
    QVERIFY(!out.contains("comment"));
    QVERIFY(out.startsWith("[Extra]\r\nFoo=Bar\r\nloose line\r\n\r\n[Connections]\r\nCount=3\r\nVersion=7\r\n\r\n"));
    // The unknown key keeps its place, now under the record that moved there.
    QVERIFY(out.contains("[Connection1]\r\nSystemName=N3\r\nCustom=1\r\nSID=0\r\n"));
    QVERIFY(out.contains("[Connection3]\r\nSystemName=N3\r\nCustom=3\r\n\r\n"));
    QVERIFY(out.contains("[Connection4]\r\nSystemName=N4\r\nCustom=4\r\n\r\n"));
    QVERIFY(out.endsWith("[Trailer]\r\nKeep=me\r\n\r\n"));

    ConnectionBook back;
    s.cfg.loadConnections(back);
    QCOMPARE(back.count(), 3);
    QCOMPARE(back.at(2).systemName, QByteArray("N4"));
}

void TestStorage::sortIsStableAndFoldsOnlyAsciiLetters()
{
    Store s;
    const QList<QByteArray> in = {"b", "\xe9t\xe9", "A", "_x", "Ab", "a", "B", "Zz", "\xc9T\xc9"};
    for (int i = 0; i < in.size(); ++i) {
        ConnectionRecord r = named(in[i]);
        r.sid = i;  // tells equal names apart
        s.book.add(r);
    }
    QVERIFY(s.cfg.saveConnections(s.book));
    QList<QByteArray> names;
    for (int i = 0; i < s.book.count(); ++i)
        names << s.book.at(i).systemName;
    const QList<QByteArray> expected = {"A", "a", "Ab", "b", "B", "Zz", "_x", "\xc9T\xc9", "\xe9t\xe9"};
    QCOMPARE(names, expected);
    QCOMPARE(s.book.at(0).sid, 2);  // "A" was before "a"
    QCOMPARE(s.book.at(3).sid, 0);  // "b" was before "B"

    ConnectionBook back;
    s.cfg.loadConnections(back);
    for (int i = 0; i < s.book.count(); ++i)
        QCOMPARE(back.at(i), s.book.at(i));
}

void TestStorage::firstStartCreatesExamplesInNewSharedFolder()
{
    Folders dirs;
    dirs.folders.sharedDataFolder = dirs.root.path() + QStringLiteral("/xdg/Corvane/Kordex/");
    ScriptedPrompter p;
    Configuration cfg(dirs.folders, p);
    ConnectionBook book;
#ifdef Q_OS_UNIX
    const mode_t oldMask = umask(0);  // even a permissive umask
#endif
    QCOMPARE(cfg.loadConnections(book), LoadSource::Examples);
#ifdef Q_OS_UNIX
    umask(oldMask);
    // The folders made for the file that holds the passwords are the owner's alone.
    for (const char *made : {"/xdg", "/xdg/Corvane", "/xdg/Corvane/Kordex"})
        QCOMPARE(modeOf(dirs.root.path() + QLatin1String(made)), 0700);
#endif
    QCOMPARE(p.messages.size(), size_t(1));
    QCOMPARE(p.messages[0].text, QStringLiteral("No Configuration Found - Defaults Loaded"));
    const QString ini = dirs.folders.sharedDataFolder + kIniFileName;
    QVERIFY(QFile::exists(ini));
    ConnectionBook back;
    QCOMPARE(cfg.loadConnections(back), LoadSource::SharedDataFolder);
    QCOMPARE(back.count(), 3);
    QCOMPARE(back.at(0).systemName, QByteArray("Example Direct"));
    QCOMPARE(back.at(1).systemName, QByteArray("Example Modem"));
    QCOMPARE(back.at(2).systemName, QByteArray("Example TCPIP"));
    QCOMPARE(p.messages.size(), size_t(1));
}

void TestStorage::missingSharedFolderReportsWriteError()
{
    Folders dirs(false);
    dirs.folders.sharedDataFolder = dirs.root.path() + QStringLiteral("/absent/");
    ScriptedPrompter p;
    Configuration cfg(dirs.folders, p);
    ConnectionBook book;
    cfg.loadConnections(book);
    QCOMPARE(book.count(), 3);
    QCOMPARE(p.messages.size(), size_t(2));
    QCOMPARE(p.messages[1].text, QStringLiteral("File Write Error. Records not saved."));
    QVERIFY(!QFileInfo::exists(dirs.folders.sharedDataFolder));
}

void TestStorage::atomicSaveKeepsOldFileWhenWriteFails()
{
#ifndef Q_OS_UNIX
    QSKIP("needs a file size limit");
#else
    Store s;
    s.book.add(named("Original"));
    QVERIFY(s.cfg.saveConnections(s.book));
    const QByteArray before = readFile(s.dirs.shared(kIniFileName));

    for (int i = 0; i < 40; ++i)
        s.book.add(named("Grown " + QByteArray::number(i)));
    const bool saved = withFileSizeLimit(before.size() + 64, [&] { return s.cfg.saveConnections(s.book); });

    QVERIFY(!saved);
    QCOMPARE(s.p.messages.back().text, QStringLiteral("File Write Error. Records not saved."));
    QCOMPARE(readFile(s.dirs.shared(kIniFileName)), before);
    QStringList left = QDir(s.dirs.folders.sharedDataFolder).entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(left, QStringList{kIniFileName});
#endif
}

void TestStorage::newFileReadableByOwnerOnly()
{
#ifndef Q_OS_UNIX
    QSKIP("POSIX permissions");
#else
    Store s;
    s.book.add(named("a"));
    const mode_t oldMask = umask(0);  // even a permissive umask
    QVERIFY(s.cfg.saveConnections(s.book));
    umask(oldMask);
    struct stat st {};
    QCOMPARE(stat(QFile::encodeName(s.dirs.shared(kIniFileName)).constData(), &st), 0);
    QCOMPARE(int(st.st_mode & 0777), 0600);

    // A mode the owner chose for an existing file is left alone.
    chmod(QFile::encodeName(s.dirs.shared(kIniFileName)).constData(), 0640);
    QVERIFY(s.cfg.saveConnections(s.book));
    QCOMPARE(stat(QFile::encodeName(s.dirs.shared(kIniFileName)).constData(), &st), 0);
    QCOMPARE(int(st.st_mode & 0777), 0640);
#endif
}

void TestStorage::unreadableFileLoadsDefaultsAndIsNotOverwritten_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("folder") << QStringLiteral("folder");
#ifdef Q_OS_UNIX
    // Each of these used to block the open, or the read, for ever.
    QTest::newRow("FIFO") << QStringLiteral("fifo");
    QTest::newRow("socket") << QStringLiteral("socket");
    QTest::newRow("device") << QStringLiteral("device");
#endif
}

void TestStorage::unreadableFileLoadsDefaultsAndIsNotOverwritten()
{
    QFETCH(QString, kind);
    Store s;
    const QString ini = s.dirs.shared(kIniFileName);
    const QByteArray native = QFile::encodeName(ini);
    if (kind == QLatin1String("folder")) {
        // A folder in the file's place cannot be read, even by root.
        QVERIFY(QDir(s.dirs.folders.sharedDataFolder).mkdir(kIniFileName));
        writeFile(ini + QStringLiteral("/inside"), "precious");
    }
#ifdef Q_OS_UNIX
    int listener = -1;
    if (kind == QLatin1String("fifo"))
        QCOMPARE(mkfifo(native.constData(), 0600), 0);
    if (kind == QLatin1String("socket")) {
        listener = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        QVERIFY(size_t(native.size()) < sizeof addr.sun_path);
        memcpy(addr.sun_path, native.constData(), size_t(native.size()));
        QCOMPARE(bind(listener, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
        QCOMPARE(listen(listener, 1), 0);
    }
    if (kind == QLatin1String("device"))
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), ini));  // endless
#endif
    QCOMPARE(s.cfg.loadConnections(s.book), LoadSource::UnreadableFile);
    QCOMPARE(s.book.count(), 3);
    QCOMPARE(s.book.at(2).systemName, QByteArray("Example TCPIP"));
    QCOMPARE(s.p.messages.size(), size_t(1));
    QVERIFY(s.p.messages[0].text.endsWith(QStringLiteral(" - Default Configuration Loaded.")));
    QVERIFY(s.p.messages[0].text.contains(kIniFileName));

    QVERIFY(!s.cfg.saveConnections(s.book));
    QCOMPARE(s.p.messages.back().text, QStringLiteral("File Write Error. Records not saved."));
    const QFileInfo after(ini);
    QVERIFY(after.isSymLink() || !after.isFile());  // still what it was
    if (kind == QLatin1String("folder"))
        QCOMPARE(readFile(ini + QStringLiteral("/inside")), QByteArray("precious"));
#ifdef Q_OS_UNIX
    if (listener >= 0)
        close(listener);
#endif

    // Once the file reads again, saves go on as usual.
    QVERIFY(QFileInfo(ini).isDir() ? QDir(ini).removeRecursively() : QFile::remove(ini));
    writeFile(ini, oneRecordFile("SystemName=back\r\n"));
    s.cfg.loadConnections(s.book);
    QVERIFY(s.cfg.saveConnections(s.book));
}

void TestStorage::bookThatCannotBeReadIsKeptBeside_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("copied");
    const QByteArray book = oneRecordFile("SystemName=Plant Room\r\nPassword=1234\r\n");
    QByteArray utf16("\xff\xfe");  // as a Windows editor saves "Unicode"
    for (char c : book)
        utf16 += QByteArray(1, c) + '\0';
    QByteArray noise(4096, Qt::Uninitialized);
    QRandomGenerator random(11);
    for (char &c : noise)
        c = char(random.bounded(256));
    QTest::newRow("UTF-16") << utf16 << true;
    QTest::newRow("random bytes") << noise << true;
    QTest::newRow("Count=two") << QByteArray(book).replace("Count=1", "Count=two") << true;
    QTest::newRow("Connections section lost") << book.mid(book.indexOf("[Connection0]")) << true;
    // Nothing is lost by these: no copy, no message.
    QTest::newRow("Count=0 and stale sections") << QByteArray(book).replace("Count=1", "Count=0") << false;
    QTest::newRow("empty") << QByteArray() << false;
    QTest::newRow("blank lines") << QByteArray("\r\n \r\n\t\r\n") << false;
}

void TestStorage::bookThatCannotBeReadIsKeptBeside()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, copied);
    Store s;
    const QString ini = s.dirs.shared(kIniFileName);
    const QString copy = ini + QStringLiteral(".bak");
    writeFile(ini, file);
    QCOMPARE(s.cfg.loadConnections(s.book), LoadSource::SharedDataFolder);
    QCOMPARE(s.book.count(), 0);
    QCOMPARE(QFileInfo::exists(copy), copied);
    QCOMPARE(s.p.messages.size(), size_t(copied ? 1 : 0));
    if (copied) {
        QCOMPARE(readFile(copy), file);
        QVERIFY2(s.p.messages[0].text.contains(copy), qPrintable(s.p.messages[0].text));
#ifdef Q_OS_UNIX
        QCOMPARE(modeOf(copy), 0600);
#endif
    }
    // Told once: loading the same file again (the dialog does) says nothing.
    s.cfg.loadConnections(s.book);
    QCOMPARE(s.p.messages.size(), size_t(copied ? 1 : 0));

    s.book.add(named("New"));
    QVERIFY(s.cfg.saveConnections(s.book));
    if (copied)
        QCOMPARE(readFile(copy), file);
    ConnectionBook back;
    s.cfg.loadConnections(back);
    QCOMPARE(back.count(), 1);
    QCOMPARE(QDir(s.dirs.folders.sharedDataFolder).entryList(QDir::Files).size(), copied ? 2 : 1);
}

void TestStorage::keptCopiesAreNeverReplaced()
{
    Store s;
    const QString ini = s.dirs.shared(kIniFileName);
    writeFile(ini, "first damaged book");
    s.cfg.loadConnections(s.book);
    writeFile(ini, "second damaged book");
    s.cfg.loadConnections(s.book);
    QCOMPARE(readFile(ini + QStringLiteral(".bak")), QByteArray("first damaged book"));
    QCOMPARE(readFile(ini + QStringLiteral(".bak2")), QByteArray("second damaged book"));
    QCOMPARE(s.p.messages.size(), size_t(2));
#ifdef Q_OS_UNIX
    // No room for a third copy: the file is then left alone, like an unreadable one.
    writeFile(ini, "third damaged book");
    withFileSizeLimit(4, [&] { return s.cfg.loadConnections(s.book); });
    QVERIFY(!QFileInfo::exists(ini + QStringLiteral(".bak3")));
    QVERIFY(s.p.messages.back().text.contains(QStringLiteral("no copy")));
    s.book.add(named("New"));
    QVERIFY(!s.cfg.saveConnections(s.book));
    QCOMPARE(readFile(ini), QByteArray("third damaged book"));
#endif
}

void TestStorage::portsSectionReadAndKept()
{
    Store s;
    writeFile(s.dirs.shared(kIniFileName),
              "[ports]\r\ncom150=/dev/serial/by-id/usb-FTDI-if00\r\nCOM2=/dev/ttyS9\r\n"
              "COM2=/dev/ignored\r\nCOMX=/dev/bad\r\nCOM3=\r\n" +
                  oneRecordFile("SystemName=a\r\n"));
    s.cfg.loadConnections(s.book);
    QCOMPARE(s.cfg.ports().devicePath(150), QStringLiteral("/dev/serial/by-id/usb-FTDI-if00"));
    QCOMPARE(s.cfg.ports().devicePath(2), QStringLiteral("/dev/ttyS9"));
    QCOMPARE(s.cfg.ports().overrides().size(), 2);
    QVERIFY(s.cfg.saveConnections(s.book));
    QVERIFY(readFile(s.dirs.shared(kIniFileName)).startsWith("[ports]\r\ncom150=/dev/serial/by-id/usb-FTDI-if00\r\n"));
}

void TestStorage::xdgFolder_data()
{
    QTest::addColumn<QByteArray>("xdg");
    QTest::addColumn<QString>("expected");
    const QString home = QStringLiteral("/home/tech"), inHome = home + QStringLiteral("/.config/Corvane/Kordex/");
    QTest::newRow("default") << QByteArray() << inHome;
    QTest::newRow("set") << QByteArray("/cfg/") << QStringLiteral("/cfg/Corvane/Kordex/");
    QTest::newRow("relative ignored") << QByteArray("cfg") << inHome;
}

void TestStorage::xdgFolder()
{
    QFETCH(QByteArray, xdg);
    // This test's own environment: nothing else in it reads the folders.
    const QByteArray oldHome = qgetenv("HOME"), oldXdg = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", "/home/tech");
    qputenv("XDG_CONFIG_HOME", xdg);
    const QString folder = resolveStorageFolders().sharedDataFolder;
    qputenv("HOME", oldHome);
    qputenv("XDG_CONFIG_HOME", oldXdg);
    QTEST(folder, "expected");
}

QTEST_GUILESS_MAIN(TestStorage)
#include "test_config_storage.moc"
