#include "config_test_support.h"
#include "platform/serial_ports.h"

#include <QTest>

using namespace kordex;
using namespace kordex::test;

class TestSerialPorts : public QObject {
    Q_OBJECT
private slots:
    void builtInMapping_data();
    void builtInMapping();
    void overridesWin();
    void portKeys_data();
    void portKeys();
    void probeListsPresentPortsInOrder();
    void presenceOfDeviceNodes();
};

void TestSerialPorts::builtInMapping_data()
{
    QTest::addColumn<int>("com");
    QTest::addColumn<QString>("path");
    QTest::newRow("none for 0") << 0 << QString();
    QTest::newRow("COM1") << 1 << QStringLiteral("/dev/ttyS0");
    QTest::newRow("COM32") << 32 << QStringLiteral("/dev/ttyS31");
    QTest::newRow("COM33") << 33 << QStringLiteral("/dev/ttyUSB0");
    QTest::newRow("COM64") << 64 << QStringLiteral("/dev/ttyUSB31");
    QTest::newRow("COM65") << 65 << QStringLiteral("/dev/ttyACM0");
    QTest::newRow("COM96") << 96 << QStringLiteral("/dev/ttyACM31");
    QTest::newRow("COM97 unmapped") << 97 << QString();
    QTest::newRow("negative") << -1 << QString();
}

void TestSerialPorts::builtInMapping()
{
    QFETCH(int, com);
    QTEST(SerialPortMap().devicePath(com), "path");
}

void TestSerialPorts::overridesWin()
{
    SerialPortMap map;
    map.setOverride(150, QStringLiteral("/dev/serial/by-id/x"));
    map.setOverride(1, QStringLiteral("/dev/ttyAMA0"));
    QCOMPARE(map.devicePath(150), QStringLiteral("/dev/serial/by-id/x"));
    QCOMPARE(map.devicePath(1), QStringLiteral("/dev/ttyAMA0"));
    QCOMPARE(map.devicePath(2), SerialPortMap::builtInDevicePath(2));
}

void TestSerialPorts::portKeys_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<int>("n");
    QTest::newRow("COM7") << QByteArray("COM7") << 7;
    QTest::newRow("lower") << QByteArray("com150") << 150;
    QTest::newRow("mixed") << QByteArray("CoM200") << 200;
    QTest::newRow("no number") << QByteArray("COM") << 0;
    QTest::newRow("letters") << QByteArray("COMx") << 0;
    QTest::newRow("other name") << QByteArray("TTY1") << 0;
    QTest::newRow("space") << QByteArray("COM 1") << 0;
    QTest::newRow("too big") << QByteArray("COM99999") << 0;
}

void TestSerialPorts::portKeys()
{
    QFETCH(QByteArray, key);
    QTEST(SerialPortMap::parsePortKey(key), "n");
}

void TestSerialPorts::probeListsPresentPortsInOrder()
{
    SerialPortMap map;
    map.setOverride(150, QStringLiteral("/fake/by-id"));
    map.setOverride(250, QStringLiteral("/fake/beyond"));  // never probed
    QStringList asked;
    const QSet<QString> present = {QStringLiteral("/dev/ttyUSB0"), QStringLiteral("/fake/by-id"),
                                   QStringLiteral("/fake/beyond"), SerialPortMap::builtInDevicePath(3)};
    auto ports = probeSerialPorts(map, [&](const QString &p) {
        asked << p;
        return present.contains(p);
    });
    QVERIFY(!asked.contains(QStringLiteral("/fake/beyond")));
    QList<int> numbers;
    for (const auto &e : ports)
        numbers << e.number;
    QCOMPARE(numbers, (QList<int>{3, 33, 150}));
    QCOMPARE(ports[1].devicePath, QStringLiteral("/dev/ttyUSB0"));
}

void TestSerialPorts::presenceOfDeviceNodes()
{
    QTemporaryDir dir;
    const QString sys = dir.path() + QStringLiteral("/sys");
    QDir().mkpath(sys + QStringLiteral("/ttyS0"));
    QDir().mkpath(sys + QStringLiteral("/ttyS1"));
    writeFile(sys + QStringLiteral("/ttyS0/type"), "4\n");  // a 16550A
    writeFile(sys + QStringLiteral("/ttyS1/type"), "0\n");  // no UART behind the node
    writeFile(dir.path() + QStringLiteral("/ttyS0"), "");
    writeFile(dir.path() + QStringLiteral("/ttyS1"), "");
    writeFile(dir.path() + QStringLiteral("/ttyUSB0"), "");
    QVERIFY(QFile::link(dir.path() + QStringLiteral("/ttyS1"), dir.path() + QStringLiteral("/by-id-link")));
    QVERIFY(serialDevicePresent(dir.path() + QStringLiteral("/ttyS0"), sys));
    QVERIFY(!serialDevicePresent(dir.path() + QStringLiteral("/ttyS1"), sys));
    QVERIFY(!serialDevicePresent(dir.path() + QStringLiteral("/by-id-link"), sys));
    QVERIFY(serialDevicePresent(dir.path() + QStringLiteral("/ttyUSB0"), sys));
    QVERIFY(!serialDevicePresent(dir.path() + QStringLiteral("/ttyUSB1"), sys));
    QVERIFY(!serialDevicePresent(QString(), sys));
}

QTEST_GUILESS_MAIN(TestSerialPorts)
#include "test_config_serial_ports.moc"
