#pragma once
// A pseudo-terminal that plays the panel's serial port: the simulator holds
// the master side, the program under test opens the slave device like any
// serial port. Linux and other POSIX systems with posix_openpt.
#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>

class QSocketNotifier;

namespace kordex::panel {

class PtyPort : public QObject {
    Q_OBJECT
public:
    explicit PtyPort(QObject *parent = nullptr);
    ~PtyPort() override;  // also removes the link made by makeLink

    bool open(QString *error);
    QString devicePath() const { return device_; }
    // A stable name for the device: a symbolic link, replacing an older link
    // (never a regular file) of that name.
    bool makeLink(const QString &linkPath, QString *error);

    void send(const QByteArray &bytes);
    std::function<void(const QByteArray &)> onReceived;

private:
    void readMaster();
    void writeMaster();
    int master_ = -1;
    int slave_ = -1;
    QString device_;
    QString link_;
    QByteArray outBuf_;
    QSocketNotifier *readNotifier_ = nullptr;
    QSocketNotifier *writeNotifier_ = nullptr;
};

}  // namespace kordex::panel
