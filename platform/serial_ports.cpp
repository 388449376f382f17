#include "platform/serial_ports.h"

#include <QFile>
#include <QFileInfo>

namespace kordex {

QString SerialPortMap::builtInDevicePath(int n)
{
    if (n >= 1 && n <= 32)
        return QStringLiteral("/dev/ttyS%1").arg(n - 1);
    if (n >= 33 && n <= 64)
        return QStringLiteral("/dev/ttyUSB%1").arg(n - 33);
    if (n >= 65 && n <= 96)
        return QStringLiteral("/dev/ttyACM%1").arg(n - 65);
    return {};
}

QString SerialPortMap::devicePath(int n) const
{
    auto it = overrides_.constFind(n);
    if (it != overrides_.constEnd())
        return it.value();
    return builtInDevicePath(n);
}

int SerialPortMap::parsePortKey(const QByteArray &key)
{
    if (key.size() < 4 || key.size() > 8 || !key.left(3).toUpper().startsWith("COM"))
        return 0;
    int n = 0;
    for (qsizetype i = 3; i < key.size(); ++i) {
        char c = key[i];
        if (c < '0' || c > '9')
            return 0;
        n = n * 10 + (c - '0');
    }
    return n <= 32767 ? n : 0;
}

bool serialDevicePresent(const QString &devicePath, const QString &sysfsTtyRoot)
{
    if (devicePath.isEmpty())
        return false;
    // Looking, not opening: opening a port raises DTR, which resets some
    // adapters and wakes modems.
    QFileInfo fi(devicePath);
    if (!fi.exists())
        return false;
    const QString node = QFileInfo(fi.canonicalFilePath()).fileName();
    if (node.startsWith(QLatin1String("ttyS")) && node.size() > 4) {
        QFile type(sysfsTtyRoot + QLatin1Char('/') + node + QStringLiteral("/type"));
        if (type.open(QIODevice::ReadOnly)) {
            bool ok = false;
            int t = type.readAll().trimmed().toInt(&ok);
            if (ok && t == 0)  // PORT_UNKNOWN: no UART behind the node
                return false;
        }
    }
    return true;
}

std::vector<SerialPortEntry> probeSerialPorts(const SerialPortMap &map, const PortProbe &probe)
{
    std::vector<SerialPortEntry> found;
    for (int n = SerialPortMap::kFirstProbed; n <= SerialPortMap::kLastProbed; ++n) {
        const QString path = map.devicePath(n);
        if (path.isEmpty())
            continue;
        if (probe ? probe(path) : serialDevicePresent(path))
            found.push_back({n, path});
    }
    return found;
}

}  // namespace kordex
