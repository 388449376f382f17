#pragma once
// The Connection Properties dialog without its window: the dialog mode, the
// list of entry names and its selection, the entry fields, and the book. The
// window shows this state and hands every click and keystroke to it.
#include "config/configuration.h"
#include "config/connection_actions.h"
#include "config/connection_book.h"
#include "platform/callback_guard.h"
#include "platform/prompter.h"
#include "platform/serial_ports.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <functional>
#include <vector>

namespace kordex {

// Select: pick a record to connect to; Manage: the list with New, Edit and
// Delete; Edit and New: the entry fields of one record.
enum class DialogMode { Select = 0, Manage = 1, Edit = 2, New = 3 };

inline const std::array<const char *, 3> kConnectionTypeItems = {"Com Port Modem", "Com Port Direct", "TCP/IP "};
inline const std::array<const char *, 4> kFlowControlItems = {"None", "XON/XOFF", "RTS/CTS", "DTR/DSR"};
inline constexpr std::array<int, 14> kLinePacingItems = {0,   10,  20,  50,  80,  100, 150,
                                                         200, 250, 300, 350, 400, 450, 500};
inline constexpr int kMaxSid = 254;

// Which characters a field takes.
enum class CharFilter {
    SysName,  // SysName, EditPassword
    Prompt,   // Alp1, Alp2, Alr1, Alr2
    PhoneNumber,
    NetPort,  // NetPort, NetHost
    SidEdit,  // digits only, not even backspace
    Any,      // EditUsername
};
// `code` is the character (8 for backspace); anything above 255 is refused
// by every filter but Any.
bool filterAccepts(CharFilter filter, uint code);

// The values of the entry controls. Connection, BaudRateComboBox and
// FlowCtrlComboBox hold the stored number; a number without an item shows no
// selection and is stored back unchanged.
struct EntryFields {
    QByteArray systemName, userName, password;
    QByteArray sidText = "0";
    bool autoLogin = true;
    bool showNzCommonStates = true;
    bool diagnosticMode = false;
    int connectionType = 1;
    int baudRateIndex = 6;
    int flowControl = 1;
    QByteArray phoneNumber, tcpPort, tcpHost;
    int linePacingItem = 0;  // item index
    QByteArray auxPrompt1, auxPrompt2, auxReply1, auxReply2;

    // The up-down control's position: the field's number kept within 0-254.
    int sidPosition() const;
};

// What is shown, with which captions and help topics.
struct DialogLayout {
    bool generalGroup = false, connectionGroup = false, networkGroup = false, auxPromptGroup = false;
    bool phoneGroup = false, comPortGroup = false;
    bool connectionList = true, editButton = false, deleteButton = false;
    QString okCaption = QStringLiteral("&OK");
    QString cancelCaption = QStringLiteral("C&ancel");
    int listHelpTopic = 0;
    int dialogHelpTopic = 4;
};

enum class DialogFocus { None, ConnectionList, SysName };

class ConnectionPropertiesLogic {
public:
    ConnectionPropertiesLogic(ConnectionBook &book, Configuration &config, Prompter &prompter,
                              ConnectionActions &actions);

    // Set by the main window before it shows the dialog; kept while hidden.
    DialogMode dialogMode = DialogMode::Select;
    // The window hides itself when asked (and then calls dialogHidden).
    std::function<void()> onHide;

    // Handlers.
    void dialogShown();
    void dialogHidden();
    void accept();
    void cancel();
    void editEntry();
    void deleteEntry();
    void entryActivated();
    void connectionTypeChanged();  // a click on the Connection radio group
    // The character filters: false, with a beep, for a refused character.
    bool keyPress(CharFilter filter, uint code);
    void stepSid(int delta);  // SidUpDown arrows

    // Operations.
    void setDialogMode(DialogMode mode);
    void showControlsOfType();
    void fillConnectionList();
    void selectEntryNamed(const QByteArray &name);
    bool validateEntry();
    bool entryNameInUse() const;
    void storeEntry(bool store, int index);
    void clearFields();

    // The list.
    const std::vector<QByteArray> &listItems() const { return list_; }
    int selectedIndex() const { return selected_; }
    void selectEntry(int index);

    // The port list, probed anew each time the dialog opens.
    void setPortList(std::vector<SerialPortEntry> ports);
    const std::vector<SerialPortEntry> &ports() const { return ports_; }
    int portEntry() const { return portEntry_; }
    int portNumber() const { return portNumber_; }
    void choosePort(int entry);
    void setPortNumber(int number);

    bool isVisible() const { return visible_; }
    EntryFields fields;
    DialogLayout layout;
    DialogFocus focus = DialogFocus::None;
    QString pendingMessage;

private:
    void hideDialog();
    void connectTo(int index);

    ConnectionBook &book_;
    Configuration &config_;
    Prompter &prompter_;
    ConnectionActions &actions_;
    std::vector<QByteArray> list_;
    int selected_ = -1;
    std::vector<SerialPortEntry> ports_;
    int portEntry_ = -1;
    int portNumber_ = 0;
    bool visible_ = false;
    CallbackGuard guard_;  // an answer may come after we are gone
};

}  // namespace kordex
