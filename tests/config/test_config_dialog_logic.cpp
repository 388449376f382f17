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
    void show(DialogMode mode)
    {
        logic.dialogMode = mode;
        logic.dialogShown();
    }
    QList<QByteArray> bookNames() const
    {
        QList<QByteArray> r;
        for (int i = 0; i < Book.count(); ++i)
            r << Book.at(i).systemName;
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
    rig.logic.setDialogMode(DialogMode(mode));
    const DialogLayout &l = rig.logic.layout;
    QTEST(l.okCaption, "ok");
    QTEST(l.cancelCaption, "cancel");
    QTEST(l.connectionList, "list");
    QFETCH(bool, editDelete);
    QCOMPARE(l.editButton, editDelete);
    QCOMPARE(l.deleteButton, editDelete);
    QFETCH(bool, entry);
    QCOMPARE(l.generalGroup, entry);
    QCOMPARE(l.connectionGroup, entry);
    QCOMPARE(l.comPortGroup, entry);  // a new entry is "Com Port Direct"
    QVERIFY(!l.networkGroup && !l.auxPromptGroup && !l.phoneGroup);
    QTEST(l.listHelpTopic, "listHelp");
    QTEST(l.dialogHelpTopic, "dialogHelp");
    QCOMPARE(int(rig.logic.dialogMode), mode);
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
    rig.show(DialogMode::Manage);
    rig.Book.at(0).connectionType = ConnectionType(type);
    rig.logic.editEntry();
    const DialogLayout &l = rig.logic.layout;
    QTEST(l.comPortGroup, "com");
    QTEST(l.phoneGroup, "phone");
    QTEST(l.networkGroup, "net");
    QTEST(l.auxPromptGroup, "net");
    QVERIFY(l.connectionGroup);
    // A click on the radio group switches the groups at once.
    rig.logic.fields.connectionType = 2;
    rig.logic.connectionTypeChanged();
    QVERIFY(l.networkGroup && l.auxPromptGroup && !l.comPortGroup && !l.phoneGroup);
    // ... but only while an entry is open.
    rig.logic.cancel();
    rig.logic.fields.connectionType = 0;
    rig.logic.connectionTypeChanged();
    QVERIFY(!l.comPortGroup && !l.networkGroup);
}

void TestDialogLogic::showReloadsAndSelects()
{
    Rig rig;
    // Changed by another program while hidden.
    writeFile(rig.dirs.shared(kIniFileName),
              "[Connections]\r\nCount=2\r\n[Connection0]\r\nSystemName=Ext A\r\n"
              "[Connection1]\r\nSystemName=Ext B\r\n");
    rig.show(DialogMode::Select);
    QVERIFY(rig.logic.isVisible());
    QVERIFY(!rig.actions.fileMenuEnabled);
    QCOMPARE(rig.listNames(), (QList<QByteArray>{"Ext A", "Ext B"}));
    QCOMPARE(rig.logic.selectedIndex(), 0);
    QCOMPARE(rig.logic.focus, DialogFocus::ConnectionList);
    rig.logic.dialogHidden();
    QVERIFY(rig.actions.fileMenuEnabled);

    rig.actions.active = true;
    rig.actions.connectedIndex = 1;
    rig.show(DialogMode::Select);
    QCOMPARE(rig.logic.selectedIndex(), 1);
    rig.logic.dialogHidden();
    rig.actions.active = false;
    rig.show(DialogMode::Select);
    QCOMPARE(rig.logic.selectedIndex(), 0);
}

void TestDialogLogic::emptyBook()
{
    Rig rig(QList<QByteArray>{});
    rig.show(DialogMode::Select);
    QVERIFY(rig.logic.listItems().empty());
    QCOMPARE(rig.logic.selectedIndex(), -1);
    rig.logic.accept();
    QVERIFY(rig.actions.connects.empty());
    QVERIFY(rig.logic.isVisible());
    rig.logic.dialogHidden();
    rig.show(DialogMode::Manage);
    rig.logic.accept();
    QCOMPARE(rig.logic.dialogMode, DialogMode::New);
    rig.logic.editEntry();  // nothing selected: nothing happens
    rig.logic.deleteEntry();
    QCOMPARE(rig.logic.dialogMode, DialogMode::New);
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
        rig.logic.dialogHidden();
    };
    rig.actions.connected = rig.actions.active = connected;
    rig.actions.connectedIndex = connected ? 0 : -1;
    rig.actions.current = rig.Book.at(0);
    rig.show(DialogMode::Select);
    rig.logic.selectEntry(1);
    rig.prompter.yesNoReplies = {yes};
    rig.prompter.holdAnswers = !meanwhile.isEmpty();
    rig.logic.accept();
    QCOMPARE(rig.prompter.openCount(), rig.prompter.holdAnswers ? 1 : 0);
    QVERIFY(rig.actions.connects.empty() || !rig.prompter.holdAnswers);
    if (meanwhile == QLatin1String("link gone")) {
        rig.actions.connected = rig.actions.active = false;
    } else if (meanwhile == QLatin1String("list changed")) {
        rig.Book.removeAt(0);
        rig.logic.fillConnectionList();
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
    QCOMPARE(rig.actions.connectedIndex, connected ? 0 : -1);
}

void TestDialogLogic::cancelAndCloseBox()
{
    for (DialogMode mode : {DialogMode::Select, DialogMode::Manage}) {
        Rig rig;
        rig.show(mode);
        rig.logic.cancel();
        QVERIFY(!rig.logic.isVisible());
        QVERIFY(rig.actions.connects.empty());
        QCOMPARE(rig.logic.dialogMode, mode);
    }
    Rig rig;
    rig.show(DialogMode::Manage);
    rig.logic.accept();
    rig.logic.dialogHidden();  // the title-bar close box
    QCOMPARE(rig.logic.dialogMode, DialogMode::New);
}

void TestDialogLogic::manageNewStoresSortedAndSelected()
{
    Rig rig;
    rig.show(DialogMode::Manage);
    rig.logic.accept();  // "&New"
    QCOMPARE(rig.logic.dialogMode, DialogMode::New);
    QCOMPARE(rig.logic.focus, DialogFocus::SysName);
    QCOMPARE(rig.logic.portNumber(), 1);  // the first port present
    rig.logic.fields.systemName = "Beta";
    rig.logic.fields.tcpHost = "Panel.EXAMPLE";
    rig.logic.fields.tcpPort = "TelNet";
    rig.logic.accept();
    QCOMPARE(rig.logic.dialogMode, DialogMode::Manage);
    QCOMPARE(rig.listNames(), (QList<QByteArray>{"Alpha", "Beta", "Bravo", "Charlie"}));
    QCOMPARE(rig.logic.selectedIndex(), 1);
    QCOMPARE(rig.actions.menuRebuilds, 1);
    QCOMPARE(rig.Book.at(1).tcpHost, QByteArray("panel.example"));
    QCOMPARE(rig.Book.at(1).tcpPort, QByteArray("telnet"));
    // Saved at once.
    ConnectionBook disk;
    rig.config.loadConnections(disk);
    QCOMPARE(disk.count(), 4);
    QCOMPARE(disk.at(1).systemName, QByteArray("Beta"));
    QCOMPARE(int(disk.at(1).comPort), 1);
}

void TestDialogLogic::validation_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QString>("message");
    const QString required = QStringLiteral("Entry of System Name Required"),
                  taken = QStringLiteral("A record by this name already exists, please use another name.");
    QTest::newRow("empty name") << int(DialogMode::New) << QByteArray() << required;
    QTest::newRow("same name") << int(DialogMode::New) << QByteArray("Bravo") << taken;
    QTest::newRow("other case") << int(DialogMode::New) << QByteArray("bRAVO") << taken;
    QTest::newRow("edit onto another") << int(DialogMode::Edit) << QByteArray("charlie") << taken;
    QTest::newRow("edit emptied") << int(DialogMode::Edit) << QByteArray() << required;
    // Blanks around a name are gone at the next load.
    QTest::newRow("only blanks") << int(DialogMode::New) << QByteArray("   ") << required;
    QTest::newRow("same name with blanks") << int(DialogMode::New) << QByteArray(" bravo  ") << taken;
}

void TestDialogLogic::validation()
{
    QFETCH(int, mode);
    QFETCH(QByteArray, name);
    Rig rig;
    rig.show(DialogMode::Manage);
    rig.logic.selectEntry(0);
    if (DialogMode(mode) == DialogMode::Edit)
        rig.logic.editEntry();
    else
        rig.logic.accept();
    rig.logic.fields.systemName = name;
    rig.logic.fields.phoneNumber = "123";
    rig.logic.accept();
    QCOMPARE(rig.prompter.messages.size(), size_t(1));
    QCOMPARE(rig.prompter.messages[0].title, QStringLiteral("Error"));
    QTEST(rig.prompter.messages[0].text, "message");
    QCOMPARE(int(rig.logic.dialogMode), mode);
    QCOMPARE(rig.logic.fields.systemName, name);
    QCOMPARE(rig.logic.fields.phoneNumber, QByteArray("123"));
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
    rig.show(DialogMode::Manage);
    rig.logic.accept();
    rig.logic.fields.systemName = "Last";
    rig.logic.accept();
    QVERIFY(rig.prompter.messages.empty());
    QCOMPARE(rig.Book.count(), 500);

    rig.logic.accept();
    rig.logic.fields.systemName = "One more";
    rig.logic.accept();
    QCOMPARE(rig.prompter.messages.back().text, QStringLiteral("Maximum database size reached."));
    rig.logic.cancel();
    rig.logic.selectEntry(0);
    rig.logic.editEntry();
    rig.logic.fields.systemName = "Renamed";
    rig.logic.accept();
    QCOMPARE(rig.prompter.messages.size(), size_t(2));
    QCOMPARE(rig.Book.count(), 500);
    QCOMPARE(rig.Book.at(0).systemName, QByteArray("Last"));
}

void TestDialogLogic::editKeepsOwnNameInOtherCase()
{
    Rig rig;
    rig.show(DialogMode::Manage);
    rig.logic.selectEntry(1);
    rig.logic.editEntry();
    QCOMPARE(rig.logic.dialogMode, DialogMode::Edit);
    QCOMPARE(rig.logic.fields.systemName, QByteArray("Bravo"));
    rig.logic.fields.systemName = "BRAVO";
    rig.logic.accept();
    QVERIFY(rig.prompter.messages.empty());
    QCOMPARE(rig.bookNames(), (QList<QByteArray>{"Alpha", "BRAVO", "Charlie"}));
    QCOMPARE(rig.logic.selectedIndex(), 1);
}

void TestDialogLogic::blanksAroundNameStoredThenStripped()
{
    Rig rig;
    rig.show(DialogMode::Manage);
    rig.logic.accept();
    rig.logic.fields.systemName = " Delta ";
    rig.logic.accept();
    QVERIFY(rig.prompter.messages.empty());
    QCOMPARE(rig.Book.at(0).systemName, QByteArray(" Delta "));
    QCOMPARE(rig.logic.selectedIndex(), 0);
    rig.logic.dialogHidden();
    rig.show(DialogMode::Manage);
    // Sorted by the name as saved; read back without the blanks.
    QCOMPARE(rig.listNames(), (QList<QByteArray>{"Delta", "Alpha", "Bravo", "Charlie"}));
}

void TestDialogLogic::editRoundTripsEveryField()
{
    Rig rig;
    // clang-format off
    const ConnectionRecord r{.systemName = "Alpha", .sid = 77, .password = "pw", .connectionType = ConnectionType::Modem, .phoneNumber = "0,55",
                           .tcpPort = "telnet", .tcpHost = "h", .auxPrompt1 = "a", .auxPrompt2 = "b",
                           .auxReply1 = "c", .auxReply2 = "d", .userName = "u\xe9", .showNzCommonStates = false,
                           .tcpLinePacingMs = 250, .autoLogin = false, .baudRateIndex = 12, .flowControl = FlowControl::RtsCts,
                           .comPort = 33, .diagnosticMode = true};
    // clang-format on
    rig.Book.at(0) = r;
    rig.config.saveConnections(rig.Book);
    rig.show(DialogMode::Manage);
    rig.logic.editEntry();
    QCOMPARE(rig.logic.portEntry(), 2);
    QVERIFY(rig.logic.layout.phoneGroup);
    rig.logic.accept();
    QCOMPARE(rig.Book.at(0), r);

    // Values without an item: pacing 30 shows "0"; a port not present shows
    // the first port; both are then stored as shown.
    rig.Book.at(0).tcpLinePacingMs = 30;
    rig.Book.at(0).comPort = 7;
    rig.config.saveConnections(rig.Book);
    rig.logic.dialogHidden();
    rig.show(DialogMode::Manage);
    rig.logic.editEntry();
    QCOMPARE(rig.logic.fields.linePacingItem, 0);
    QCOMPARE(rig.logic.portEntry(), 0);
    rig.logic.accept();
    QCOMPARE(rig.Book.at(0).tcpLinePacingMs, 0);
    QCOMPARE(int(rig.Book.at(0).comPort), 1);
}

void TestDialogLogic::cancelInNewLeavesBookAlone()
{
    Rig rig;
    rig.show(DialogMode::Manage);
    const QByteArray before = readFile(rig.dirs.shared(kIniFileName));
    rig.logic.accept();
    rig.logic.fields.systemName = "Zulu";
    rig.logic.cancel();
    QCOMPARE(rig.logic.dialogMode, DialogMode::Manage);
    QVERIFY(rig.logic.layout.connectionList);
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
    rig.show(DialogMode::Manage);
    rig.logic.selectEntry(deleted);
    rig.logic.fields.systemName = "leftover";
    rig.logic.deleteEntry();
    QTEST(rig.logic.selectedIndex(), "selected");
    QCOMPARE(rig.Book.count(), 6);
    QVERIFY(!rig.listNames().contains(QByteArray(1, char('A' + deleted))));
    QCOMPARE(rig.actions.menuRebuilds, 1);
    QCOMPARE(rig.logic.fields.systemName, QByteArray());
    QCOMPARE(rig.logic.dialogMode, DialogMode::Manage);
    QVERIFY(rig.prompter.questions.empty());  // no confirmation
    ConnectionBook disk;
    rig.config.loadConnections(disk);
    QCOMPARE(disk.count(), 6);
}

void TestDialogLogic::doubleClick()
{
    {
        Rig rig;
        rig.show(DialogMode::Select);
        rig.logic.selectEntry(1);
        rig.logic.entryActivated();
        QCOMPARE(rig.actions.connects, std::vector<int>{1});
    }
    {
        Rig rig;
        rig.show(DialogMode::Manage);
        rig.logic.selectEntry(2);
        rig.logic.entryActivated();
        QCOMPARE(rig.logic.dialogMode, DialogMode::Edit);
        QCOMPARE(rig.logic.fields.systemName, QByteArray("Charlie"));
        rig.logic.entryActivated();  // nothing in Edit mode
        QCOMPARE(rig.logic.dialogMode, DialogMode::Edit);
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
        f.sidText = text;
        QCOMPARE(f.sidPosition(), pos);
    }
    Rig rig;
    rig.logic.fields.sidText = "253";
    rig.logic.stepSid(1);
    rig.logic.stepSid(1);
    QCOMPARE(rig.logic.fields.sidText, QByteArray("254"));
    rig.logic.fields.sidText = "0";
    rig.logic.stepSid(-1);
    QCOMPARE(rig.logic.fields.sidText, QByteArray("0"));
    // A SID beyond the range in the file is stored back within it.
    rig.Book.at(0).sid = 1000;
    rig.config.saveConnections(rig.Book);
    rig.show(DialogMode::Manage);
    rig.logic.editEntry();
    rig.logic.accept();
    QCOMPARE(rig.Book.at(0).sid, 254);
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
    rig.logic.clearFields();
    QCOMPARE(rig.logic.portNumber(), 0);
    QCOMPARE(rig.logic.portEntry(), -1);
}

void TestDialogLogic::connectMenuMarker()
{
    ConnectionBook book;
    ConnectMenuModel menu;
    menu.rebuildConnectMenu(book);
    QCOMPARE(menu.count(), 0);
    book.add(named("Alpha"));
    book.add(named("B&B"));
    menu.rebuildConnectMenu(book);
    QCOMPARE(menu.captions(), (std::vector<QByteArray>{"Alpha", "B&B"}));
    menu.markConnectMenuItem(1);
    QCOMPARE(menu.captions()[1], QByteArray("B&B (*)"));
    QCOMPARE(connectMenuItemText(menu.captions()[1]), QStringLiteral("B&&B (*)"));
    // Stored names are Windows-1252 bytes: 0x80 is the euro sign, not a C1 control.
    QCOMPARE(connectMenuItemText("Caf\xe9 \x80"), QStringLiteral("Caf\u00e9 \u20ac"));
    menu.unmarkConnectMenuItem(1);
    QCOMPARE(menu.captions()[1], QByteArray("B&B"));
    // After a rebuild during the connection there is no marker to take off.
    menu.markConnectMenuItem(0);
    menu.rebuildConnectMenu(book);
    menu.unmarkConnectMenuItem(0);
    QCOMPARE(menu.captions()[0], QByteArray("Alpha"));
    menu.markConnectMenuItem(5);  // out of range: ignored
    menu.unmarkConnectMenuItem(-1);
    QCOMPARE(menu.count(), 2);
}

QTEST_GUILESS_MAIN(TestDialogLogic)
#include "test_config_dialog_logic.moc"
