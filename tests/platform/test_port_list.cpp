// The connection dialog offers the serial ports there are when it opens: an
// adapter plugged in while the program runs (here a socat pty appearing
// under a name of the file's [Ports] section) is offered at the next open,
// and one unplugged is no longer offered.
#include "../config/recording_actions.h"
#include "faces/connection_properties.h"

#include <QComboBox>
#include <QProcess>
#include <QtTest>

using namespace kordex;
using namespace kordex::test;

class PortListTests : public QObject {
    Q_OBJECT
private slots:
    void offersThePortsThereAreAtEachOpen()
    {
        DialogParts parts({"Line"});
        QTemporaryDir dir;
        const QString adapter = dir.filePath(QStringLiteral("usb-adapter"));
        QFile ini(parts.config.saveTarget());
        QVERIFY(ini.open(QIODevice::Append));
        ini.write("\r\n[Ports]\r\nCOM150=" + QFile::encodeName(adapter) + "\r\n");
        ini.close();

        ConnectionPropertiesDialog dialog(parts.Book, parts.config, parts.prompter, parts.actions);
        auto offered = [&] {
            dialog.showInMode(DialogMode::Select);
            const auto *ports = dialog.findChild<QComboBox *>(QStringLiteral("PortComboBox"));
            const bool found = ports->findText(QStringLiteral("COM 150")) >= 0;
            dialog.hide();
            return found;
        };
        QVERIFY(!offered());

        QProcess socat;
        socat.start(QStringLiteral("socat"), {"pty,raw,echo=0,link=" + adapter, "pty,raw,echo=0"});
        QVERIFY(socat.waitForStarted(15000));
        QVERIFY(QTest::qWaitFor([&] { return QFileInfo::exists(adapter); }, 15000));
        QVERIFY(offered());

        socat.terminate();
        QVERIFY(socat.waitForFinished(15000));
        QVERIFY(!QFileInfo::exists(adapter));
        QVERIFY(!offered());
    }
};

QTEST_MAIN(PortListTests)
#include "test_port_list.moc"
