// The real Connection Properties window, driven through its widgets.
#include "config_test_support.h"
#include "dark_palette.h"
#include "faces/connection_properties.h"
#include "recording_actions.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace kordex;
using namespace kordex::test;

namespace {
struct WindowRig : DialogParts {
    ConnectionPropertiesDialog dialog{Book, config, prompter, actions};

    explicit WindowRig(const QList<QByteArray> &names) : DialogParts(names)
    {
        dialog.setPortList({{1, "/dev/ttyS0"}, {33, "/dev/ttyUSB0"}, {150, "/dev/serial/by-id/usb-x"}});
    }
    template <typename W>
    W *get(const char *name)
    {
        W *w = dialog.findChild<W *>(QLatin1String(name));
        if (!w)
            qFatal("no control %s", name);
        return w;
    }
    // Edit mode on a new entry of connection type `type`.
    void openNew(int type)
    {
        dialog.showInMode(DialogMode::Manage);
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QTest::mouseClick(get<QPushButton>("OKButton"), Qt::LeftButton);
        QTest::mouseClick(get<QRadioButton>(qPrintable(QStringLiteral("ConnectionItem%1").arg(type))), Qt::LeftButton);
    }
    QStringList listTexts()
    {
        QStringList r;
        auto *list = get<QListWidget>("ConnectionList");
        for (int i = 0; i < list->count(); ++i)
            r << list->item(i)->text();
        return r;
    }
};
}  // namespace

class TestDialogWidgets : public QObject {
    Q_OBJECT
private slots:
    void newEntryTypedStoredAndListedSorted();
    void placesTabOrderAndWindow();
    void selectModeDoubleClickConnects();
    void editCancelCloseAndHelp();
    void pasteIsFilteredToo();
    void tabOrderPerConnectionType_data();
    void tabOrderPerConnectionType();
    void everyControlClearOfFramesAndLabels_data();
    void everyControlClearOfFramesAndLabels();
};

void TestDialogWidgets::newEntryTypedStoredAndListedSorted()
{
    WindowRig rig({"Alpha", "Charlie"});
    rig.dialog.showInMode(DialogMode::Manage);
    QVERIFY(QTest::qWaitForWindowExposed(&rig.dialog));
    QVERIFY(!rig.actions.fileMenuEnabled);
    QCOMPARE(rig.listTexts(), (QStringList{"Alpha", "Charlie"}));
    auto *ok = rig.get<QPushButton>("OKButton");
    QCOMPARE(ok->text(), QStringLiteral("&New"));
    QVERIFY(rig.get<QPushButton>("EditButton")->isVisible());

    QTest::mouseClick(ok, Qt::LeftButton);
    auto *name = rig.get<QLineEdit>("SysName");
    QVERIFY(name->isVisible());
    QVERIFY(!rig.get<QListWidget>("ConnectionList")->isVisible());
    QCOMPARE(ok->text(), QStringLiteral("&OK"));
    QCOMPARE(rig.get<QComboBox>("PortComboBox")->currentText(), QStringLiteral("COM 1"));
    QCOMPARE(rig.get<QComboBox>("BaudRateComboBox")->currentText(), QStringLiteral("9600"));
    QCOMPARE(rig.get<QComboBox>("FlowCtrlComboBox")->currentText(), QStringLiteral("XON/XOFF"));
    QVERIFY(rig.get<QRadioButton>("ConnectionItem1")->isChecked());
    QVERIFY(rig.get<QGroupBox>("ComPortGroup")->isVisible());

    QTest::keyClicks(name, "Bra-vo!");
    QCOMPARE(name->text(), QStringLiteral("Bravo"));
    QCOMPARE(rig.prompter.beeps, 2);

    QTest::mouseClick(rig.get<QRadioButton>("ConnectionItem2"), Qt::LeftButton);
    QVERIFY(rig.get<QGroupBox>("Network")->isVisible());
    QVERIFY(rig.get<QGroupBox>("AuxPrompt")->isVisible());
    QVERIFY(!rig.get<QGroupBox>("ComPortGroup")->isVisible());
    QTest::keyClicks(rig.get<QLineEdit>("NetHost"), "Panel.Example");
    QTest::keyClicks(rig.get<QLineEdit>("NetPort"), "Tel net");  // space refused
    QCOMPARE(rig.prompter.beeps, 3);
    QTest::keyClicks(rig.get<QLineEdit>("Alp1"), "User_:");  // "_" refused in prompts
    QCOMPARE(rig.get<QLineEdit>("Alp1")->text(), QStringLiteral("User:"));

    auto *sid = rig.get<QLineEdit>("SidEdit");
    sid->setFocus();
    sid->end(false);
    QTest::keyClick(sid, Qt::Key_Backspace);  // refused, beeps
    QCOMPARE(sid->text(), QStringLiteral("0"));
    QTest::keyClicks(sid, "1a2");
    QCOMPARE(sid->text(), QStringLiteral("012"));
    QTest::keyClick(sid, Qt::Key_Up);
    QCOMPARE(sid->text(), QStringLiteral("13"));
    QCOMPARE(rig.prompter.beeps, 6);
    QTest::mouseClick(rig.get<QCheckBox>("DiagCheckBox"), Qt::LeftButton);
    auto *pacing = rig.get<QComboBox>("TcpIpLp");
    pacing->setCurrentIndex(3);
    emit pacing->activated(3);

    QTest::mouseClick(ok, Qt::LeftButton);
    QVERIFY(rig.prompter.messages.empty());
    QCOMPARE(rig.listTexts(), (QStringList{"Alpha", "Bravo", "Charlie"}));
    QCOMPARE(rig.get<QListWidget>("ConnectionList")->currentRow(), 1);
    QVERIFY(rig.get<QListWidget>("ConnectionList")->isVisible());
    QCOMPARE(ok->text(), QStringLiteral("&New"));
    QCOMPARE(rig.actions.menuRebuilds, 1);

    ConnectionBook disk;
    rig.config.loadConnections(disk);
    QCOMPARE(disk.count(), 3);
    const ConnectionRecord &r = disk.at(1);
    QCOMPARE(r.systemName, QByteArray("Bravo"));
    QCOMPARE(int(r.connectionType), 2);
    QCOMPARE(r.tcpHost, QByteArray("panel.example"));
    QCOMPARE(r.tcpPort, QByteArray("telnet"));
    QCOMPARE(r.auxPrompt1, QByteArray("User:"));
    QCOMPARE(r.sid, 13);
    QCOMPARE(r.diagnosticMode, true);
    QCOMPARE(r.tcpLinePacingMs, 50);
    QCOMPARE(int(r.comPort), 1);
}

void TestDialogWidgets::placesTabOrderAndWindow()
{
    WindowRig rig({"Alpha"});
    QCOMPARE(rig.dialog.windowTitle(), QStringLiteral("Select Connection From List..."));
    QVERIFY(rig.dialog.windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(rig.dialog.windowFlags() & Qt::Tool);
    // The design's places, with each group's rows starting below the
    // style's title instead of 8 pixels down, and the window grown to fit.
    auto *general = rig.get<QGroupBox>("GeneralGroup");
    const int shift = general->contentsMargins().top() - 8;
    QCOMPARE(rig.dialog.width(), 253);
    QCOMPARE(general->geometry(), QRect(10, 10, 233, 201 + shift));
    QCOMPARE(rig.get<QLineEdit>("SysName")->geometry(), QRect(8, 32 + shift, 217, 21));
    QCOMPARE(rig.get<QGroupBox>("Network")->geometry(),
             rig.get<QGroupBox>("ComPortGroup")->geometry().adjusted(0, 0, 0, -8));
    QCOMPARE(rig.get<QGroupBox>("Network")->y(), 10 + 272 + 2 * shift);
    QCOMPARE(rig.get<QLineEdit>("Alr1")->geometry(), QRect(169, 13 + shift, 57, 21));
    QCOMPARE(rig.get<QListWidget>("ConnectionList")->geometry(), QRect(10, 12, 233, 431 + 4 * shift));
    QCOMPARE(rig.get<QPushButton>("CancelButton")->geometry(), QRect(194, 450 + 4 * shift, 49, 25));
    QCOMPARE(rig.dialog.height(), 485 + 4 * shift);

    auto *ports = rig.get<QComboBox>("PortComboBox");
    QCOMPARE(ports->count(), 3);
    QCOMPARE(ports->itemText(2), QStringLiteral("COM 150"));
    QCOMPARE(ports->itemData(2, Qt::ToolTipRole).toString(), QStringLiteral("/dev/serial/by-id/usb-x"));

    rig.dialog.showInMode(DialogMode::Manage);
    QVERIFY(QTest::qWaitForWindowActive(&rig.dialog));
    QTest::mouseClick(rig.get<QPushButton>("OKButton"), Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), rig.get<QLineEdit>("SysName"));
    const char *chain[] = {"EditUsername", "EditPassword",         "SidEdit",     "SidUpDown",
                           "AutoLogCkbx",  "CommonStatesCheckBox", "DiagCheckBox"};
    for (const char *next : chain) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QLatin1String(next));
    }
}

void TestDialogWidgets::selectModeDoubleClickConnects()
{
    WindowRig rig({"Alpha", "Bravo"});
    rig.dialog.showInMode(DialogMode::Select);
    QVERIFY(QTest::qWaitForWindowExposed(&rig.dialog));
    QCOMPARE(rig.get<QPushButton>("OKButton")->text(), QStringLiteral("&Connect"));
    QVERIFY(!rig.get<QPushButton>("DeleteButton")->isVisible());
    auto *list = rig.get<QListWidget>("ConnectionList");
    QCOMPARE(list->currentRow(), 0);
    const QRect item = list->visualItemRect(list->item(1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, item.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, item.center());
    QVERIFY(!rig.dialog.isVisible());
    QVERIFY(rig.actions.fileMenuEnabled);
    QCOMPARE(rig.actions.connects, std::vector<int>{1});
}

void TestDialogWidgets::editCancelCloseAndHelp()
{
    WindowRig rig({"Alpha", "Bravo"});
    rig.dialog.showInMode(DialogMode::Manage);
    QVERIFY(QTest::qWaitForWindowActive(&rig.dialog));
    auto *list = rig.get<QListWidget>("ConnectionList");
    QCOMPARE(QApplication::focusWidget(), list);
    QTest::keyClick(list, Qt::Key_F1);
    QCOMPARE(rig.actions.helpTopics, std::vector<int>{3});

    list->setCurrentRow(1);
    QTest::mouseClick(rig.get<QPushButton>("EditButton"), Qt::LeftButton);
    auto *name = rig.get<QLineEdit>("SysName");
    QCOMPARE(name->text(), QStringLiteral("Bravo"));
    QTest::keyClicks(name, "X");
    QTest::keyClick(name, Qt::Key_F1);
    QCOMPARE(rig.actions.helpTopics.back(), 15);
    QTest::keyClick(name, Qt::Key_Escape);  // Cancel: back to the list, nothing stored
    QVERIFY(rig.dialog.isVisible());
    QVERIFY(list->isVisible());
    QCOMPARE(rig.listTexts(), (QStringList{"Alpha", "Bravo"}));

    rig.dialog.close();  // the title-bar box
    QVERIFY(!rig.dialog.isVisible());
    QVERIFY(rig.actions.fileMenuEnabled);
    QCOMPARE(rig.dialog.logic().dialogMode, DialogMode::Manage);
}

void TestDialogWidgets::pasteIsFilteredToo()
{
    WindowRig rig({"Alpha"});
    rig.dialog.showInMode(DialogMode::Manage);
    QVERIFY(QTest::qWaitForWindowExposed(&rig.dialog));
    QTest::mouseClick(rig.get<QPushButton>("OKButton"), Qt::LeftButton);
    auto *phone = rig.get<QLineEdit>("PhoneNumber");
    phone->insert(QStringLiteral("12-34"));  // as a paste arrives
    emit phone->textEdited(phone->text());
    QCOMPARE(phone->text(), QStringLiteral("1234"));
    QCOMPARE(rig.prompter.beeps, 1);
    QCOMPARE(rig.dialog.logic().fields.phoneNumber, QByteArray("1234"));
}

void TestDialogWidgets::tabOrderPerConnectionType_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QStringList>("chain");
    const QStringList general = {"SysName",   "EditUsername", "EditPassword",         "SidEdit",
                                 "SidUpDown", "AutoLogCkbx",  "CommonStatesCheckBox", "DiagCheckBox"};
    QTest::newRow("modem") << 0 << general + QStringList{"ConnectionItem0",  "PortComboBox", "BaudRateComboBox",
                                                         "FlowCtrlComboBox", "PhoneNumber",  "OKButton",
                                                         "CancelButton"};
    QTest::newRow("direct") << 1 << general + QStringList{"ConnectionItem1",  "PortComboBox", "BaudRateComboBox",
                                                          "FlowCtrlComboBox", "OKButton",     "CancelButton"};
    QTest::newRow("tcpip")
        << 2
        << general + QStringList{"ConnectionItem2", "NetPort",     "NetHost", "TcpIpLp", "Alp1", "Alr1", "Alp2", "Alr2",
                                 "OKButton",        "CancelButton"};
}

void TestDialogWidgets::tabOrderPerConnectionType()
{
    QFETCH(int, type);
    QFETCH(QStringList, chain);
    WindowRig rig({"Alpha"});
    rig.openNew(type);
    rig.get<QLineEdit>("SysName")->setFocus();
    QStringList seen{QApplication::focusWidget()->objectName()};
    for (int i = 1; i < chain.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        seen << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(seen, chain);
}

void TestDialogWidgets::everyControlClearOfFramesAndLabels_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("dark");  // the desktop's palette
    QTest::newRow("modem") << 0 << false;
    QTest::newRow("direct") << 1 << false;
    QTest::newRow("tcpip") << 2 << false;
    QTest::newRow("tcpip, dark desktop") << 2 << true;
}

// What the operator sees in Edit mode, at this screen's scale: every field
// and box lies inside its group, below the group's title and clear of its
// frame; no label overlaps or touches its field; every text fits its control.
// Pictures go to <build>/screens/dialog-<type>@<scale>x.png.
void TestDialogWidgets::everyControlClearOfFramesAndLabels()
{
    QFETCH(int, type);
    QFETCH(bool, dark);
    const QPalette desktop = QApplication::palette();
    if (dark)
        QApplication::setPalette(darkPalette());
    WindowRig rig({"Alpha"});
    rig.openNew(type);
    rig.get<QLineEdit>("SysName")->setText(QStringLiteral("Plant room"));
    QList<QWidget *> groups;
    for (QGroupBox *g : rig.dialog.findChildren<QGroupBox *>()) {
        if (!g->isVisible())
            continue;
        groups << g;
        const QRect rows = g->contentsRect();
        const QList<QWidget *> controls = g->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
        for (QWidget *c : controls) {
            if (!c->isVisible())
                continue;
            const QString what =
                g->objectName() + '/' + (c->objectName().isEmpty() ? c->metaObject()->className() : c->objectName());
            QVERIFY2(rows.contains(c->geometry()), qPrintable(what + " on or outside the frame"));
            if (qobject_cast<QLabel *>(c) || qobject_cast<QAbstractButton *>(c))
                QVERIFY2(c->width() >= c->sizeHint().width() && c->height() >= c->sizeHint().height(),
                         qPrintable(what + " clipped"));
            for (QWidget *o : controls)
                if (o != c && o->isVisible())
                    QVERIFY2(!c->geometry().intersects(o->geometry()),
                             qPrintable(what + " overlaps " + o->objectName()));
            auto *l = qobject_cast<QLabel *>(c);
            if (l && l->buddy()) {
                const QRect f = l->buddy()->geometry(), r = l->geometry();
                const bool clear = f.x() > r.x() ? f.left() - r.right() > 2 : f.top() - r.bottom() > 1;
                QVERIFY2(clear, qPrintable(what + " touches its field"));
            }
        }
    }
    groups << rig.get<QPushButton>("OKButton");
    for (QWidget *a : groups) {
        QVERIFY(rig.dialog.rect().contains(a->geometry()));
        for (QWidget *b : groups)
            QVERIFY2(a == b || !a->geometry().intersects(b->geometry()),
                     qPrintable(a->objectName() + " overlaps " + b->objectName()));
    }

    const QString tag = QStringList{"modem", "direct", "tcpip"}.at(type) + (dark ? "-dark" : "");
    QVERIFY(QDir().mkpath(QStringLiteral(KORDEX_SCREENS_DIR)));
    QVERIFY(rig.dialog.grab().save(
        QStringLiteral(KORDEX_SCREENS_DIR "/dialog-%1@%2x.png").arg(tag).arg(rig.dialog.devicePixelRatioF())));
    QApplication::setPalette(desktop);
}

QTEST_MAIN(TestDialogWidgets)
#include "test_config_dialog_widgets.moc"
