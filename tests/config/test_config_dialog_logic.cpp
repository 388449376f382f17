#include "config/connect_menu.h"
#include "config/connection_properties_logic.h"
#include "config_test_support.h"
#include "recording_actions.h"

#include <QTest>

using namespace kordex;
using namespace kordex::test;

namespace {
struct Rig : DialogParts {
    ConnectionPropertiesLogic logic{Book, config, prompter, actions};

    explicit Rig(const QList<QByteArray> &names = {"Alpha", "Bravo", "Charlie"}) : DialogParts(names)
    {
        logic.setPortList({{1, "/dev/ttyS0"}, {3, "/dev/ttyS2"}, {33, "/dev/ttyUSB0"}});
    }
    void show(int mode)
    {
        logic.dialogMode = mode;
        logic.FormShow();
    }
    QList<QByteArray> bookNames() const
    {
        QList<QByteArray> r;
        for (int i = 0; i < Book.count(); ++i)
            r << Book.at(i).SystemName;
        return r;
    }
    QList<QByteArray> listNames() const { return {logic.listItems().begin(), logic.listItems().end()}; }
};
}  // namespace

class TestDialogLogic : public QObject {
    Q_OBJECT
private slots:
    void modeLayouts_data();
    void modeLayouts();
    void typeVisibility_data();
    void typeVisibility();
    void showReloadsAndSelects();
    void emptyBook();
    void connectAction_data();
    void connectAction();
    void cancelAndCloseBox();
    void manageNewStoresSortedAndSelected();
    void validation_data();
    void validation();
    void capacity();
    void editKeepsOwnNameInOtherCase();
    void blanksAroundNameStoredThenStripped();
    void editRoundTripsEveryField();
    void cancelInNewLeavesBookAlone();
    void deleteSelectionRule_data();
    void deleteSelectionRule();
    void doubleClick();
    void filters_data();
    void filters();
    void sidRange();
    void portNumberRules();
    void connectMenuMarker();
};

void TestDialogLogic::modeLayouts_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<QString>("ok");
    QTest::addColumn<QString>("cancel");
    QTest::addColumn<bool>("list");
    QTest::addColumn<bool>("editDelete");
    QTest::addColumn<bool>("entry");
    QTest::addColumn<int>("listHelp");
    QTest::addColumn<int>("dialogHelp");
    const QString cancel = QStringLiteral("C&ancel");
    QTest::newRow("select") << 0 << false << "&Connect" << cancel << true << false << false << 4 << 4;
    QTest::newRow("select connected") << 0 << true << "&Connect" << cancel << true << false << false << 5 << 4;
    QTest::newRow("manage") << 1 << false << "&New" << QStringLiteral("C&lose") << true << true << false << 3 << 4;
    QTest::newRow("edit") << 2 << false << "&OK" << cancel << false << false << true << 0 << 15;
    QTest::newRow("new") << 3 << false << "&OK" << cancel << false << false << true << 0 << 15;
}

void TestDialogLogic::modeLayouts()
{
    QFETCH(int, mode);
    QFETCH(bool, connected);
    Rig rig;
    rig.actions.connected = connected;
    rig.logic.SetDialogMode(mode);
    const DialogLayout &l = rig.logic.layout;
    QTEST(l.OKCaption, "ok");
    QTEST(l.CancelCaption, "cancel");
    QTEST(l.ConnectionList, "list");
    QFETCH(bool, editDelete);
    QCOMPARE(l.EditButton, editDelete);
    QCOMPARE(l.DeleteButton, editDelete);
    QFETCH(bool, entry);
    QCOMPARE(l.GeneralGroup, entry);
    QCOMPARE(l.Connection, entry);
    QCOMPARE(l.ComPortGroup, entry);  // a new entry is "Com Port Direct"
    QVERIFY(!l.Network && !l.AuxPrompt && !l.PhoneNumGroup);
    QTEST(l.listHelpTopic, "listHelp");
    QTEST(l.dialogHelpTopic, "dialogHelp");
    QCOMPARE(rig.logic.dialogMode, mode);
}

void TestDialogLogic::typeVisibility_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("com");
    QTest::addColumn<bool>("phone");
    QTest::addColumn<bool>("net");
    QTest::newRow("modem") << 0 << true << true << false;
    QTest::newRow("direct") << 1 << true << false << false;
    QTest::newRow("tcpip") << 2 << false << false << true;
    QTest::newRow("no item") << 7 << false << false << false;
}

void TestDialogLogic::typeVisibility()
{
    QFETCH(int, type);
    Rig rig;
    rig.show(ManageMode);
    rig.Book.at(0).ConnectionType = uint8_t(type);
    rig.logic.EditButtonClick();
    const DialogLayout &l = rig.logic.layout;
    QTEST(l.ComPortGroup, "com");
    QTEST(l.PhoneNumGroup, "phone");
    QTEST(l.Network, "net");
    QTEST(l.AuxPrompt, "net");
    QVERIFY(l.Connection);
    // A click on the radio group switches the groups at once.
    rig.logic.fields.Connection = 2;
    rig.logic.FieldChange();
    QVERIFY(l.Network && l.AuxPrompt && !l.ComPortGroup && !l.PhoneNumGroup);
    // ... but only while an entry is open.
    rig.logic.CancelButtonClick();
    rig.logic.fields.Connection = 0;
    rig.logic.FieldChange();
    QVERIFY(!l.ComPortGroup && !l.Network);
}

void TestDialogLogic::showReloadsAndSelects()
{
    Rig rig;
    // Changed by another program while hidden.
    writeFile(rig.dirs.shared(kIniFileName),
              "[Connections]\r\nCount=2\r\n[Connection0]\r\nSystemName=Ext A\r\n"
              "[Connection1]\r\nSystemName=Ext B\r\n");
    rig.show(SelectMode);
    QVERIFY(rig.logic.isVisible());
    QVERIFY(!rig.actions.fileMenuEnabled);
    QCOMPARE(rig.listNames(), (QList<QByteArray>{"Ext A", "Ext B"}));
    QCOMPARE(rig.logic.selectedIndex(), 0);
    QCOMPARE(rig.logic.focus, DialogFocus::ConnectionList);
    rig.logic.FormHide();
    QVERIFY(rig.actions.fileMenuEnabled);

    rig.actions.active = true;
    rig.actions.CurrentIndex = 1;
    rig.show(SelectMode);
    QCOMPARE(rig.logic.selectedIndex(), 1);
    rig.logic.FormHide();
    rig.actions.active = false;
    rig.show(SelectMode);
    QCOMPARE(rig.logic.selectedIndex(), 0);
}

void TestDialogLogic::emptyBook()
{
    Rig rig(QList<QByteArray>{});
    rig.show(SelectMode);
    QVERIFY(rig.logic.listItems().empty());
    QCOMPARE(rig.logic.selectedIndex(), -1);
    rig.logic.OKButtonClick();
    QVERIFY(rig.actions.connects.empty());
    QVERIFY(rig.logic.isVisible());
    rig.logic.FormHide();
    rig.show(ManageMode);
    rig.logic.OKButtonClick();
    QCOMPARE(rig.logic.dialogMode, int(NewMode));
    rig.logic.EditButtonClick();  // nothing selected: nothing happens
    rig.logic.DeleteButtonClick();
    QCOMPARE(rig.logic.dialogMode, int(NewMode));
}

void TestDialogLogic::connectAction_data()
{
    QTest::addColumn<bool>("connected");
    QTest::addColumn<QString>("meanwhile");  // before a held answer comes
    QTest::addColumn<bool>("yes");
    QTest::addColumn<bool>("connects");
    QTest::newRow("not connected: no question") << false << QString() << false << true;
    QTest::newRow("connected, No") << true << QString() << false << false;
    QTest::newRow("connected, Yes") << true << QString() << true << true;
    QTest::newRow("Yes after the link went") << true << QStringLiteral("link gone") << true << true;
    QTest::newRow("Yes after the list changed under it") << true << QStringLiteral("list changed") << true << false;
}

// The connect action leaves the current index (and with it the Connect
// menu's marker) to the link, which sets it when it takes the record.
void TestDialogLogic::connectAction()
{
    QFETCH(bool, connected);
    QFETCH(QString, meanwhile);
    QFETCH(bool, yes);
    QFETCH(bool, connects);
    Rig rig;
    bool hidden = false;
    rig.logic.onHide = [&] {
        hidden = true;
        rig.logic.FormHide();
    };
    rig.actions.connected = rig.actions.active = connected;
    rig.actions.CurrentIndex = connected ? 0 : -1;
    rig.actions.current = rig.Book.at(0);
    rig.show(SelectMode);
    rig.logic.selectEntry(1);
    rig.prompter.yesNoReplies = {yes};
    rig.prompter.holdAnswers = !meanwhile.isEmpty();
    rig.logic.OKButtonClick();
    QCOMPARE(rig.prompter.openCount(), rig.prompter.holdAnswers ? 1 : 0);
    QVERIFY(rig.actions.connects.empty() || !rig.prompter.holdAnswers);
    if (meanwhile == QLatin1String("link gone")) {
        rig.actions.connected = rig.actions.active = false;
    } else if (meanwhile == QLatin1String("list changed")) {
        rig.Book.removeAt(0);
        rig.logic.PopulateConnectionList();
    }
    rig.prompter.release();

    QCOMPARE(rig.prompter.questions.size(), size_t(connected ? 1 : 0));
    if (connected)
        QCOMPARE(rig.prompter.questions[0].text,
                 QStringLiteral("You are already connected to Alpha. Reconnect to Bravo?"));
    QCOMPARE(rig.actions.connects, connects ? std::vector<int>{1} : std::vector<int>{});
    QCOMPARE(hidden, connects);
    QCOMPARE(rig.logic.isVisible(), !connects);
    QVERIFY(rig.actions.fileMenuEnabled == connects);
    QCOMPARE(rig.actions.CurrentIndex, connected ? 0 : -1);
}

void TestDialogLogic::cancelAndCloseBox()
{
    for (int mode : {SelectMode, ManageMode}) {
        Rig rig;
        rig.show(mode);
        rig.logic.CancelButtonClick();
        QVERIFY(!rig.logic.isVisible());
        QVERIFY(rig.actions.connects.empty());
        QCOMPARE(rig.logic.dialogMode, mode);
    }
    Rig rig;
    rig.show(ManageMode);
    rig.logic.OKButtonClick();
    rig.logic.FormHide();  // the title-bar close box
    QCOMPARE(rig.logic.dialogMode, int(NewMode));
}

void TestDialogLogic::manageNewStoresSortedAndSelected()
{
    Rig rig;
    rig.show(ManageMode);
    rig.logic.OKButtonClick();  // "&New"
    QCOMPARE(rig.logic.dialogMode, int(NewMode));
    QCOMPARE(rig.logic.focus, DialogFocus::SysName);
    QCOMPARE(rig.logic.portNumber(), 1);  // the first port present
    rig.logic.fields.SysName = "Beta";
    rig.logic.fields.NetHost = "Panel.EXAMPLE";
    rig.logic.fields.NetPort = "TelNet";
    rig.logic.OKButtonClick();
    QCOMPARE(rig.logic.dialogMode, int(ManageMode));
    QCOMPARE(rig.listNames(), (QList<QByteArray>{"Alpha", "Beta", "Bravo", "Charlie"}));
    QCOMPARE(rig.logic.selectedIndex(), 1);
    QCOMPARE(rig.actions.menuRebuilds, 1);
    QCOMPARE(rig.Book.at(1).SocketHost, QByteArray("panel.example"));
    QCOMPARE(rig.Book.at(1).SocketPort, QByteArray("telnet"));
    // Saved at once.
    ConnectionBook disk;
    rig.config.LoadConnections(disk);
    QCOMPARE(disk.count(), 4);
    QCOMPARE(disk.at(1).SystemName, QByteArray("Beta"));
    QCOMPARE(int(disk.at(1).ComNumber), 1);
}

void TestDialogLogic::validation_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QString>("message");
    const QString required = QStringLiteral("Entry of System Name Required"),
                  taken = QStringLiteral("A record by this name already exists, please use another name.");
    QTest::newRow("empty name") << int(NewMode) << QByteArray() << required;
    QTest::newRow("same name") << int(NewMode) << QByteArray("Bravo") << taken;
    QTest::newRow("other case") << int(NewMode) << QByteArray("bRAVO") << taken;
    QTest::newRow("edit onto another") << int(EditMode) << QByteArray("charlie") << taken;
    QTest::newRow("edit emptied") << int(EditMode) << QByteArray() << required;
    // Blanks around a name are gone at the next load.
    QTest::newRow("only blanks") << int(NewMode) << QByteArray("   ") << required;
    QTest::newRow("same name with blanks") << int(NewMode) << QByteArray(" bravo  ") << taken;
}

void TestDialogLogic::validation()
{
    QFETCH(int, mode);
    QFETCH(QByteArray, name);
    Rig rig;
    rig.show(ManageMode);
    rig.logic.selectEntry(0);
    if (mode == EditMode)
        rig.logic.EditButtonClick();
    else
        rig.logic.OKButtonClick();
    rig.logic.fields.SysName = name;
    rig.logic.fields.PhoneNumber = "123";
    rig.logic.OKButtonClick();
    QCOMPARE(rig.prompter.messages.size(), size_t(1));
    QCOMPARE(rig.prompter.messages[0].title, QStringLiteral("Error"));
    QTEST(rig.prompter.messages[0].text, "message");
    QCOMPARE(rig.logic.dialogMode, mode);
    QCOMPARE(rig.logic.fields.SysName, name);
    QCOMPARE(rig.logic.fields.PhoneNumber, QByteArray("123"));
    QCOMPARE(rig.logic.focus, DialogFocus::SysName);
    QCOMPARE(rig.bookNames(), (QList<QByteArray>{"Alpha", "Bravo", "Charlie"}));
    QCOMPARE(rig.actions.menuRebuilds, 0);
}

void TestDialogLogic::capacity()
{
    QList<QByteArray> names;
    for (int i = 0; i < 499; ++i)
        names << "N" + QByteArray::number(1000 + i);
    Rig rig(names);
    rig.show(ManageMode);
    rig.logic.OKButtonClick();
    rig.logic.fields.SysName = "Last";
    rig.logic.OKButtonClick();
    QVERIFY(rig.prompter.messages.empty());
    QCOMPARE(rig.Book.count(), 500);

    rig.logic.OKButtonClick();
    rig.logic.fields.SysName = "One more";
    rig.logic.OKButtonClick();
    QCOMPARE(rig.prompter.messages.back().text, QStringLiteral("Maximum database size reached."));
    rig.logic.CancelButtonClick();
    rig.logic.selectEntry(0);
    rig.logic.EditButtonClick();
    rig.logic.fields.SysName = "Renamed";
    rig.logic.OKButtonClick();
    QCOMPARE(rig.prompter.messages.size(), size_t(2));
    QCOMPARE(rig.Book.count(), 500);
    QCOMPARE(rig.Book.at(0).SystemName, QByteArray("Last"));
}

void TestDialogLogic::editKeepsOwnNameInOtherCase()
{
    Rig rig;
    rig.show(ManageMode);
    rig.logic.selectEntry(1);
    rig.logic.EditButtonClick();
    QCOMPARE(rig.logic.dialogMode, int(EditMode));
    QCOMPARE(rig.logic.fields.SysName, QByteArray("Bravo"));
    rig.logic.fields.SysName = "BRAVO";
    rig.logic.OKButtonClick();
    QVERIFY(rig.prompter.messages.empty());
    QCOMPARE(rig.bookNames(), (QList<QByteArray>{"Alpha", "BRAVO", "Charlie"}));
    QCOMPARE(rig.logic.selectedIndex(), 1);
}

void TestDialogLogic::blanksAroundNameStoredThenStripped()
{
    Rig rig;
    rig.show(ManageMode);
    rig.logic.OKButtonClick();
    rig.logic.fields.SysName = " Delta ";
    rig.logic.OKButtonClick();
    QVERIFY(rig.prompter.messages.empty());
    QCOMPARE(rig.Book.at(0).SystemName, QByteArray(" Delta "));
    QCOMPARE(rig.logic.selectedIndex(), 0);
    rig.logic.FormHide();
    rig.show(ManageMode);
    // Sorted by the name as saved; read back without the blanks.
    QCOMPARE(rig.listNames(), (QList<QByteArray>{"Delta", "Alpha", "Bravo", "Charlie"}));
}

void TestDialogLogic::editRoundTripsEveryField()
{
    Rig rig;
    // clang-format off
    const TConnectionRec r{.SystemName = "Alpha", .SID = 77, .Password = "pw", .ConnectionType = 0, .PhoneNum = "0,55",
                           .SocketPort = "telnet", .SocketHost = "h", .AlPrompt1 = "a", .AlPrompt2 = "b",
                           .AlResult1 = "c", .AlResult2 = "d", .UserName = "u\xe9", .ShowNZCommonStates = false,
                           .TcpIpLinePacing = 250, .AutoLogin = false, .BaudRate = 12, .FlowControl = 2,
                           .ComNumber = 33, .DiagnosticMode = true};
    // clang-format on
    rig.Book.at(0) = r;
    rig.config.SaveConnections(rig.Book);
    rig.show(ManageMode);
    rig.logic.EditButtonClick();
    QCOMPARE(rig.logic.portEntry(), 2);
    QVERIFY(rig.logic.layout.PhoneNumGroup);
    rig.logic.OKButtonClick();
    QCOMPARE(rig.Book.at(0), r);

    // Values without an item: pacing 30 shows "0"; a port not present shows
    // the first port; both are then stored as shown.
    rig.Book.at(0).TcpIpLinePacing = 30;
    rig.Book.at(0).ComNumber = 7;
    rig.config.SaveConnections(rig.Book);
    rig.logic.FormHide();
    rig.show(ManageMode);
    rig.logic.EditButtonClick();
    QCOMPARE(rig.logic.fields.TcpIpLp, 0);
    QCOMPARE(rig.logic.portEntry(), 0);
    rig.logic.OKButtonClick();
    QCOMPARE(rig.Book.at(0).TcpIpLinePacing, 0);
    QCOMPARE(int(rig.Book.at(0).ComNumber), 1);
}

void TestDialogLogic::cancelInNewLeavesBookAlone()
{
    Rig rig;
    rig.show(ManageMode);
    const QByteArray before = readFile(rig.dirs.shared(kIniFileName));
    rig.logic.OKButtonClick();
    rig.logic.fields.SysName = "Zulu";
    rig.logic.CancelButtonClick();
    QCOMPARE(rig.logic.dialogMode, int(ManageMode));
    QVERIFY(rig.logic.layout.ConnectionList);
    QCOMPARE(rig.bookNames(), (QList<QByteArray>{"Alpha", "Bravo", "Charlie"}));
    QCOMPARE(readFile(rig.dirs.shared(kIniFileName)), before);
    QVERIFY(rig.logic.isVisible());
}

void TestDialogLogic::deleteSelectionRule_data()
{
    QTest::addColumn<int>("deleted");
    QTest::addColumn<int>("selected");
    QTest::newRow("entry 0") << 0 << 0;
    QTest::newRow("entry 1") << 1 << 0;
    QTest::newRow("entry 5") << 5 << 4;
    QTest::newRow("last entry") << 6 << 5;
}

void TestDialogLogic::deleteSelectionRule()
{
    QFETCH(int, deleted);
    Rig rig({"A", "B", "C", "D", "E", "F", "G"});
    rig.show(ManageMode);
    rig.logic.selectEntry(deleted);
    rig.logic.fields.SysName = "leftover";
    rig.logic.DeleteButtonClick();
    QTEST(rig.logic.selectedIndex(), "selected");
    QCOMPARE(rig.Book.count(), 6);
    QVERIFY(!rig.listNames().contains(QByteArray(1, char('A' + deleted))));
    QCOMPARE(rig.actions.menuRebuilds, 1);
    QCOMPARE(rig.logic.fields.SysName, QByteArray());
    QCOMPARE(rig.logic.dialogMode, int(ManageMode));
    QVERIFY(rig.prompter.questions.empty());  // no confirmation
    ConnectionBook disk;
    rig.config.LoadConnections(disk);
    QCOMPARE(disk.count(), 6);
}

void TestDialogLogic::doubleClick()
{
    {
        Rig rig;
        rig.show(SelectMode);
        rig.logic.selectEntry(1);
        rig.logic.ConnectionListDblClick();
        QCOMPARE(rig.actions.connects, std::vector<int>{1});
    }
    {
        Rig rig;
        rig.show(ManageMode);
        rig.logic.selectEntry(2);
        rig.logic.ConnectionListDblClick();
        QCOMPARE(rig.logic.dialogMode, int(EditMode));
        QCOMPARE(rig.logic.fields.SysName, QByteArray("Charlie"));
        rig.logic.ConnectionListDblClick();  // nothing in Edit mode
        QCOMPARE(rig.logic.dialogMode, int(EditMode));
    }
}

void TestDialogLogic::filters_data()
{
    QTest::addColumn<int>("filter");
    QTest::addColumn<QByteArray>("accepted");
    QTest::addColumn<QByteArray>("refused");
    QTest::newRow("name") << int(CharFilter::SysName) << QByteArray("\b aZ09_") << QByteArray("-.,!#$\"'=[]\xe9~");
    QTest::newRow("prompt") << int(CharFilter::Prompt) << QByteArray("\b #$%&()*+,-./09:;<=>?@AZaz")
                            << QByteArray("!\"'[\\]^_`{|}~\x7f\xe9");
    QTest::newRow("phone") << int(CharFilter::PhoneNumber) << QByteArray("\b,0123456789") << QByteArray(" -+#*Wa");
    QTest::newRow("net") << int(CharFilter::NetPort) << QByteArray("\b-.09AZaz_") << QByteArray(" :/,@\xe9");
    QTest::newRow("sid") << int(CharFilter::SidEdit) << QByteArray("0123456789") << QByteArray("\b -+a");
    QTest::newRow("username") << int(CharFilter::Any) << QByteArray("\b !\"\xe9\xff~") << QByteArray();
}

void TestDialogLogic::filters()
{
    QFETCH(int, filter);
    QFETCH(QByteArray, accepted);
    QFETCH(QByteArray, refused);
    Rig rig;
    for (char c : accepted)
        QVERIFY2(rig.logic.keyPress(CharFilter(filter), uchar(c)), QByteArray(1, c).toHex().constData());
    QCOMPARE(rig.prompter.beeps, 0);
    for (char c : refused)
        QVERIFY2(!rig.logic.keyPress(CharFilter(filter), uchar(c)), QByteArray(1, c).toHex().constData());
    QCOMPARE(rig.prompter.beeps, int(refused.size()));
    if (CharFilter(filter) != CharFilter::Any)
        QVERIFY(!rig.logic.keyPress(CharFilter(filter), 0x20AC));  // beyond 8-bit text
}

void TestDialogLogic::sidRange()
{
    EntryFields f;
    const QList<QPair<QByteArray, int>> cases = {{"0", 0}, {"254", 254}, {"255", 254}, {"99999999999", 254},
                                                 {"", 0},  {"007", 7}};
    for (const auto &[text, pos] : cases) {
        f.SidEdit = text;
        QCOMPARE(f.sidPosition(), pos);
    }
    Rig rig;
    rig.logic.fields.SidEdit = "253";
    rig.logic.stepSid(1);
    rig.logic.stepSid(1);
    QCOMPARE(rig.logic.fields.SidEdit, QByteArray("254"));
    rig.logic.fields.SidEdit = "0";
    rig.logic.stepSid(-1);
    QCOMPARE(rig.logic.fields.SidEdit, QByteArray("0"));
    // A SID beyond the range in the file is stored back within it.
    rig.Book.at(0).SID = 1000;
    rig.config.SaveConnections(rig.Book);
    rig.show(ManageMode);
    rig.logic.EditButtonClick();
    rig.logic.OKButtonClick();
    QCOMPARE(rig.Book.at(0).SID, 254);
}

void TestDialogLogic::portNumberRules()
{
    Rig rig;
    QCOMPARE(rig.logic.portNumber(), 1);
    rig.logic.choosePort(2);
    QCOMPARE(rig.logic.portNumber(), 33);
    rig.logic.setPortNumber(3);
    QCOMPARE(rig.logic.portEntry(), 1);
    rig.logic.setPortNumber(150);  // not present: the first entry
    QCOMPARE(rig.logic.portEntry(), 0);
    QCOMPARE(rig.logic.portNumber(), 1);
    rig.logic.choosePort(9);  // no such entry: unchanged
    QCOMPARE(rig.logic.portNumber(), 1);
    rig.logic.setPortList({});
    rig.logic.ClearFields();
    QCOMPARE(rig.logic.portNumber(), 0);
    QCOMPARE(rig.logic.portEntry(), -1);
}

void TestDialogLogic::connectMenuMarker()
{
    ConnectionBook book;
    ConnectMenuModel menu;
    menu.PopulateConnectMenu(book);
    QCOMPARE(menu.count(), 0);
    book.add(named("Alpha"));
    book.add(named("B&B"));
    menu.PopulateConnectMenu(book);
    QCOMPARE(menu.captions(), (std::vector<QByteArray>{"Alpha", "B&B"}));
    menu.AsteriskConnectMenu(1);
    QCOMPARE(menu.captions()[1], QByteArray("B&B (*)"));
    QCOMPARE(connectMenuItemText(menu.captions()[1]), QStringLiteral("B&&B (*)"));
    // Stored names are Windows-1252 bytes: 0x80 is the euro sign, not a C1 control.
    QCOMPARE(connectMenuItemText("Caf\xe9 \x80"), QStringLiteral("Caf\u00e9 \u20ac"));
    menu.UnAsteriskConnectMenu(1);
    QCOMPARE(menu.captions()[1], QByteArray("B&B"));
    // After a rebuild during the connection there is no marker to take off.
    menu.AsteriskConnectMenu(0);
    menu.PopulateConnectMenu(book);
    menu.UnAsteriskConnectMenu(0);
    QCOMPARE(menu.captions()[0], QByteArray("Alpha"));
    menu.AsteriskConnectMenu(5);  // out of range: ignored
    menu.UnAsteriskConnectMenu(-1);
    QCOMPARE(menu.count(), 2);
}

QTEST_GUILESS_MAIN(TestDialogLogic)
#include "test_config_dialog_logic.moc"
