#pragma once
// Serial ports are numbered as on Windows (COM n, 1 for the first). One place
// maps a number to the device the operating system knows, so the book stays
// portable between the Windows program and this one.
#include <QMap>
#include <QString>

#include <functional>
#include <vector>

namespace kordex {

class SerialPortMap {
public:
    static constexpr int kFirstProbed = 1;
    static constexpr int kLastProbed = 200;

    // Linux: COM1-32 -> /dev/ttyS0-31, COM33-64 -> /dev/ttyUSB0-31,
    // COM65-96 -> /dev/ttyACM0-31, unless an override names another path.
    // Empty when n has no device.
    QString devicePath(int comNumber) const;
    static QString builtInDevicePath(int comNumber);

    // From the [Ports] section of "Kordex.ini" ("COM150=/dev/serial/by-id/...").
    void setOverride(int comNumber, const QString &path) { overrides_.insert(comNumber, path); }
    void clear() { overrides_.clear(); }
    const QMap<int, QString> &overrides() const { return overrides_; }

    // "COM7", "com7" -> 7; anything else -> 0.
    static int parsePortKey(const QByteArray &key);

private:
    QMap<int, QString> overrides_;
};

struct SerialPortEntry {
    int number = 0;  // the n of "COM n"
    QString devicePath;
};

// Present means the device exists, free or in use by another program. On
// Linux the ttyS nodes exist whether or not a UART is fitted, so those are
// present only when the kernel reports a port type for them.
bool serialDevicePresent(const QString &devicePath, const QString &sysfsTtyRoot = QStringLiteral("/sys/class/tty"));

using PortProbe = std::function<bool(const QString &devicePath)>;

// Ports 1-200 in ascending order that the probe finds present.
std::vector<SerialPortEntry> probeSerialPorts(const SerialPortMap &map, const PortProbe &probe = {});

}  // namespace kordex
