#include "config/connection_fields.h"
#include "config/ini_file.h"

#include <QTest>

using namespace kordex;

class TestIni : public QObject {
    Q_OBJECT
private slots:
    void integers_data();
    void integers();
    void strip();
    void readingRules_data();
    void readingRules();
    void keylessLinesAndUnknownKeysSurviveWrite();
    void setValueKeepsPlaceAndAppends();
    void writerFormat();
    void valueCannotBreakOutOfItsLine();
    void repeatedSectionsFirstWins();
    void eightBitBytesKept();
    void connectionFieldsOneAtATime();
    void connectionFieldReadRules();
    void connectionFieldLookup();
};

namespace {
using Kind = ConnectionField::Kind;

// A value of the field's kind that is not its default and reads back as written.
QByteArray sampleText(const ConnectionField &f)
{
    switch (f.kind) {
    case Kind::Text: return QByteArray("a=b; \xe9\x01", 8);
    case Kind::Int32: return "-2147483648";
    case Kind::Int16: return "-32768";
    case Kind::Byte: return "255";
    case Kind::Bool: return fieldDefaultText(f) == "1" ? "0" : "1";
    }
    return {};
}

ConnectionRecord sampleRecord()
{
    ConnectionRecord r;
    for (const ConnectionField &f : connectionFields())
        setFieldFromText(r, f, sampleText(f));
    return r;
}
}  // namespace

void TestIni::integers_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("value");
    QTest::newRow("decimal") << QByteArray("42") << true << 42;
    QTest::newRow("negative") << QByteArray("-7") << true << -7;
    QTest::newRow("plus") << QByteArray("+7") << true << 7;
    QTest::newRow("leading zeros") << QByteArray("007") << true << 7;
    QTest::newRow("dollar hex") << QByteArray("$1F") << true << 31;
    QTest::newRow("0x hex") << QByteArray("0x0C") << true << 12;
    QTest::newRow("0X hex") << QByteArray("0XfF") << true << 255;
    QTest::newRow("0x alone") << QByteArray("0x") << false << 0;
    QTest::newRow("dollar alone") << QByteArray("$") << false << 0;
    QTest::newRow("hex wraps like the Windows program") << QByteArray("$FFFFFFFF") << true << -1;
    QTest::newRow("min int") << QByteArray("-2147483648") << true << int(INT32_MIN);
    QTest::newRow("overflow") << QByteArray("2147483648") << false << 0;
    QTest::newRow("hex too long") << QByteArray("$100000000") << false << 0;
    QTest::newRow("empty") << QByteArray("") << false << 0;
    QTest::newRow("inner blank") << QByteArray("1 2") << false << 0;
    QTest::newRow("trailing letter") << QByteArray("12a") << false << 0;
    QTest::newRow("hex digit in decimal") << QByteArray("C") << false << 0;
    QTest::newRow("sign alone") << QByteArray("-") << false << 0;
}

void TestIni::integers()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, valid);
    auto v = parseIniInteger(text);
    QCOMPARE(v.has_value(), valid);
    if (valid)
        QTEST(*v, "value");
}

void TestIni::strip()
{
    QCOMPARE(stripIniText(QByteArray("\t \x01 a b \x1f\r", 11)), QByteArray("a b"));
    QCOMPARE(stripIniText(QByteArray("\0x\0", 3)), QByteArray("x"));
    // Bytes above 127 are text, not blanks.
    QCOMPARE(stripIniText("\xa0x\xa0"), QByteArray("\xa0x\xa0"));
}

void TestIni::readingRules_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<bool>("present");
    QTest::addColumn<QByteArray>("value");
    // Section "Sec" and key "Key" unless stated; value null: the key is absent.
    auto row = [](const char *tag, const QByteArray &file, const char *value, const char *section = "Sec",
                  const char *key = "Key") {
        QTest::newRow(tag) << file << QByteArray(section) << QByteArray(key) << (value != nullptr) << QByteArray(value);
    };
    const QByteArray base = "[Sec]\r\nKey=v\r\n";
    row("plain", base, "v");
    row("section case", base, "v", "sEC");
    row("key case", base, "v", "Sec", "KEY");
    row("stripped around =", "  [ Sec ]  \r\n\t Key \t=  v w \r\n", "v w");
    row("empty value is present", "[Sec]\r\nKey=\r\n", "");
    row("first = splits", "[Sec]\r\nKey=a=b\r\n", "a=b");
    row("comment skipped", "[Sec]\r\n;Key=x\r\nKey=y\r\n", "y");
    row("indented comment", "[Sec]\r\n   ;Key=x\r\n", nullptr);
    row("before first section ignored", "Key=x\r\n[Sec]\r\n", nullptr);
    row("missing section", base, nullptr, "Other");
    row("LF only", "[Sec]\nKey=v\n", "v");
    row("CR only", "[Sec]\rKey=v\r", "v");
    row("no final newline", "[Sec]\r\nKey=v", "v");
    row("key-less line matches nothing", "[Sec]\r\nKey\r\n", nullptr);
    row("first of repeated keys", "[Sec]\r\nKey=1\r\nkey=2\r\n", "1");
    row("UTF-8 byte-order mark before the first section", "\xEF\xBB\xBF[Sec]\r\nKey=v\r\n", "v");
    row("bracket line needs both ends", "[Sec]\r\n[Other\r\nKey=v\r\n", "v");
}

void TestIni::readingRules()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(bool, present);
    auto v = IniFile::parse(file).value(section, key);
    QCOMPARE(v.has_value(), present);
    if (present)
        QTEST(*v, "value");
}

void TestIni::keylessLinesAndUnknownKeysSurviveWrite()
{
    IniFile ini =
        IniFile::parse("; lost comment\r\n[A]\r\nfree text here\r\n  Odd = spaced  \r\n\r\nK=1\r\n[B]\r\nX=y\r\n");
    ini.setValue("A", "K", "2");
    // Every key line is written as key=value, whoever wrote it first.
    QCOMPARE(ini.serialize(), QByteArray("[A]\r\nfree text here\r\nOdd=spaced\r\nK=2\r\n\r\n[B]\r\nX=y\r\n\r\n"));
}

void TestIni::setValueKeepsPlaceAndAppends()
{
    IniFile ini = IniFile::parse("[connections]\r\ncount=9\r\nextra=1\r\n[Z]\r\n");
    ini.setInteger("Connections", "Count", 3);       // existing: keeps place and section spelling
    ini.setValue("Connections", "New", "n");         // new key: end of its section
    ini.setValue("Connection0", "SystemName", "a");  // new section: end of file
    QCOMPARE(ini.serialize(), QByteArray("[connections]\r\nCount=3\r\nextra=1\r\nNew=n\r\n\r\n[Z]\r\n\r\n"
                                         "[Connection0]\r\nSystemName=a\r\n\r\n"));
}

void TestIni::writerFormat()
{
    IniFile ini;
    ini.setValue("S", "Text", "  padded ");
    ini.setInteger("S", "Neg", -5);
    ini.setBool("S", "On", true);
    ini.setBool("S", "Off", false);
    ini.setValue("S", "Empty", "");
    QCOMPARE(ini.serialize(), QByteArray("[S]\r\nText=  padded \r\nNeg=-5\r\nOn=1\r\nOff=0\r\nEmpty=\r\n\r\n"));
}

void TestIni::valueCannotBreakOutOfItsLine()
{
    IniFile ini;
    ini.setValue("S", "UserName", "x\r\n[Connections]\r\nCount=999");
    const IniFile back = IniFile::parse(ini.serialize());
    QCOMPARE(back.sections().size(), size_t(1));
    QVERIFY(!back.value("Connections", "Count"));
    QCOMPARE(*back.value("S", "UserName"), QByteArray("x  [Connections]  Count=999"));
}

void TestIni::repeatedSectionsFirstWins()
{
    IniFile ini = IniFile::parse("[S]\r\nK=1\r\n[s]\r\nK=2\r\n");
    QCOMPARE(ini.readInteger("S", "K", 0), 1);
    ini.setInteger("S", "K", 5);
    QCOMPARE(ini.serialize(), QByteArray("[S]\r\nK=5\r\n\r\n[s]\r\nK=2\r\n\r\n"));
}

void TestIni::eightBitBytesKept()
{
    const QByteArray name("Caf\xe9 \x80\xff\x01x", 9);
    IniFile ini;
    ini.setValue("S", "Name", name);
    QCOMPARE(*IniFile::parse(ini.serialize()).value("S", "Name"), name);
}

// Each field set alone reads back as set and leaves every other field at its
// default: a row pointing at the wrong member, or two rows at one, shows here.
void TestIni::connectionFieldsOneAtATime()
{
    for (const ConnectionField &f : connectionFields()) {
        const QByteArray sample = sampleText(f);
        QVERIFY2(sample != fieldDefaultText(f), f.name);
        ConnectionRecord r;
        QVERIFY2(setFieldFromText(r, f, sample), f.name);
        for (const ConnectionField &g : connectionFields()) {
            const QByteArray expected = &g == &f ? sample : fieldDefaultText(g);
            QVERIFY2(fieldText(r, g) == expected,
                     (QByteArray(f.name) + " -> " + g.name + " = " + fieldText(r, g)).constData());
        }
    }
    // Putting every default back gives the record's own initial values.
    ConnectionRecord r = sampleRecord();
    QVERIFY(r != ConnectionRecord{});
    for (const ConnectionField &f : connectionFields())
        QVERIFY2(setFieldFromText(r, f, fieldDefaultText(f)), f.name);
    QCOMPARE(r, ConnectionRecord{});
}

// As the ini reader reads a present key, for every field of each kind.
// `stored` null: malformed, so the field takes its default.
void TestIni::connectionFieldReadRules()
{
    struct Rule {
        Kind kind;
        const char *text;
        const char *stored;
    };
    const Rule rules[] = {
        {Kind::Text, "  a  ", "  a  "},
        {Kind::Text, "", ""},
        {Kind::Int32, "$FFFFFFFF", "-1"},
        {Kind::Int32, "+0x10", "16"},
        {Kind::Int32, "2147483648", nullptr},
        {Kind::Int16, "65537", "1"},
        {Kind::Int16, "40000", "-25536"},
        {Kind::Int16, "-2", "-2"},
        {Kind::Byte, "258", "2"},
        {Kind::Byte, "-1", "255"},
        {Kind::Bool, "0", "0"},
        {Kind::Bool, "1", "1"},
        {Kind::Bool, "2", "1"},
        {Kind::Bool, "$0", "0"},
        {Kind::Bool, "true", nullptr},
    };
    auto check = [](const ConnectionField &f, const char *text, const char *stored) {
        ConnectionRecord r = sampleRecord();  // so that taking the default shows
        const bool ok = setFieldFromText(r, f, text);
        const QByteArray expected = stored ? QByteArray(stored) : fieldDefaultText(f);
        const QByteArray what = QByteArray(f.name) + " <- \"" + text + "\" = " + fieldText(r, f);
        QVERIFY2(ok == (stored != nullptr) && fieldText(r, f) == expected, what.constData());
    };
    for (const Rule &rule : rules) {
        int fields = 0;
        for (const ConnectionField &f : connectionFields()) {
            if (f.kind != rule.kind)
                continue;
            ++fields;
            check(f, rule.text, rule.stored);
        }
        QVERIFY2(fields > 0, rule.text);  // no kind goes untried
    }
    for (const ConnectionField &f : connectionFields())
        if (f.kind != Kind::Text)
            for (const char *text : {"", "x", " 1", "1.5", "0x"})
                check(f, text, nullptr);
}

void TestIni::connectionFieldLookup()
{
    for (const ConnectionField &f : connectionFields())
        QCOMPARE(findConnectionField(f.name), &f);
    // A view need not end where the name does.
    QCOMPARE(findConnectionField(QByteArrayView("SIDE", 3)), findConnectionField("SID"));
    QVERIFY(findConnectionField("SID"));
    for (const char *name : {"", "systemname", "SYSTEMNAME", "SystemName ", "System", "SysName", "Count"})
        QVERIFY2(!findConnectionField(name), name);
}

QTEST_APPLESS_MAIN(TestIni)
#include "test_config_ini.moc"
