#include "config/connection_properties_logic.h"

#include "config/connection_fields.h"
#include "platform/text_codec.h"

#include <type_traits>

namespace kordex {

namespace {
bool isDigit(uint c) { return c >= '0' && c <= '9'; }
bool isUpper(uint c) { return c >= 'A' && c <= 'Z'; }
bool isLower(uint c) { return c >= 'a' && c <= 'z'; }

QString fromBytes(const QByteArray &b) { return fromPanelBytes(b); }

using Logic = ConnectionPropertiesLogic;
using Rec = TConnectionRec;

// How the entry controls show each record field and store it back, row for
// row with the record's field table, so a field added there does not build
// until the dialog handles it.
struct ControlBinding {
    ConnectionField::Member member;
    void (*show)(Logic &, const Rec &);
    void (*store)(const Logic &, Rec &);
};

// A control holding the stored value itself; a number without an item is
// stored back unchanged.
template <auto RecMember, auto ControlMember>
constexpr ControlBinding same()
{
    return {RecMember, [](Logic &d, const Rec &r) { d.fields.*ControlMember = r.*RecMember; },
            [](const Logic &d, Rec &r) {
                r.*RecMember = std::remove_reference_t<decltype(r.*RecMember)>(d.fields.*ControlMember);
            }};
}

template <auto RecMember, auto ControlMember>
constexpr ControlBinding storedLowerCase()
{
    return {RecMember, [](Logic &d, const Rec &r) { d.fields.*ControlMember = r.*RecMember; },
            [](const Logic &d, Rec &r) { r.*RecMember = foldAsciiLower(d.fields.*ControlMember); }};
}

constexpr ControlBinding kControlBindings[] = {
    same<&Rec::SystemName, &EntryFields::SysName>(),
    {&Rec::SID, [](Logic &d, const Rec &r) { d.fields.SidEdit = QByteArray::number(r.SID); },
     [](const Logic &d, Rec &r) { r.SID = d.fields.sidPosition(); }},
    same<&Rec::Password, &EntryFields::EditPassword>(),
    same<&Rec::ConnectionType, &EntryFields::Connection>(),
    same<&Rec::PhoneNum, &EntryFields::PhoneNumber>(),
    storedLowerCase<&Rec::SocketPort, &EntryFields::NetPort>(),
    storedLowerCase<&Rec::SocketHost, &EntryFields::NetHost>(),
    same<&Rec::AlPrompt1, &EntryFields::Alp1>(),
    same<&Rec::AlPrompt2, &EntryFields::Alp2>(),
    same<&Rec::AlResult1, &EntryFields::Alr1>(),
    same<&Rec::AlResult2, &EntryFields::Alr2>(),
    same<&Rec::UserName, &EntryFields::EditUsername>(),
    same<&Rec::ShowNZCommonStates, &EntryFields::CommonStatesCheckBox>(),
    // A pacing without an item shows the first item and is stored as that.
    {&Rec::TcpIpLinePacing,
     [](Logic &d, const Rec &r) {
         d.fields.TcpIpLp = 0;
         for (size_t i = 0; i < kLinePacingItems.size(); ++i)
             if (kLinePacingItems[i] == r.TcpIpLinePacing)
                 d.fields.TcpIpLp = int(i);
     },
     [](const Logic &d, Rec &r) {
         const int item = d.fields.TcpIpLp;
         r.TcpIpLinePacing = kLinePacingItems[item >= 0 && item < int(kLinePacingItems.size()) ? item : 0];
     }},
    same<&Rec::AutoLogin, &EntryFields::AutoLogCkbx>(),
    same<&Rec::BaudRate, &EntryFields::BaudRateComboBox>(),
    same<&Rec::FlowControl, &EntryFields::FlowCtrlComboBox>(),
    {&Rec::ComNumber, [](Logic &d, const Rec &r) { d.setPortNumber(r.ComNumber); },
     [](const Logic &d, Rec &r) { r.ComNumber = int16_t(d.portNumber()); }},
    same<&Rec::DiagnosticMode, &EntryFields::DiagCheckBox>(),
};

constexpr bool bindingsFollowFieldTable()
{
    if (std::size(kControlBindings) != kConnectionFields.size())
        return false;
    for (size_t i = 0; i < kConnectionFields.size(); ++i)
        if (kControlBindings[i].member != kConnectionFields[i].member)
            return false;
    return true;
}
static_assert(bindingsFollowFieldTable(), "every record field needs its row, in the table's order");
}  // namespace

bool filterAccepts(CharFilter filter, uint c)
{
    switch (filter) {
    case CharFilter::SysName: return c == 8 || c == ' ' || isDigit(c) || isUpper(c) || isLower(c) || c == '_';
    case CharFilter::Prompt:
        return c == 8 || c == ' ' || c == '#' || c == '$' || c == '%' || c == '&' || (c >= '(' && c <= 'Z') ||
               isLower(c);
    case CharFilter::PhoneNumber: return c == 8 || c == ',' || isDigit(c);
    case CharFilter::NetPort:
        return c == 8 || c == '-' || c == '.' || isDigit(c) || isUpper(c) || isLower(c) || c == '_';
    case CharFilter::SidEdit: return isDigit(c);
    case CharFilter::Any: return true;
    }
    return false;
}

int EntryFields::sidPosition() const
{
    bool ok = false;
    const qlonglong v = SidEdit.toLongLong(&ok);
    if (!ok || v < 0)
        return 0;
    return v > kMaxSid ? kMaxSid : int(v);
}

ConnectionPropertiesLogic::ConnectionPropertiesLogic(ConnectionBook &book, Configuration &config, Prompter &prompter,
                                                     ConnectionActions &actions)
    : book_(book),
      config_(config),
      prompter_(prompter),
      actions_(actions)
{
}

void ConnectionPropertiesLogic::FormShow()
{
    visible_ = true;
    // Another program may have changed the file while the dialog was hidden.
    config_.LoadConnections(book_);
    PopulateConnectionList();
    actions_.setFileMenuEnabled(false);
    SetDialogMode(dialogMode);
    focus = DialogFocus::ConnectionList;
    const int current = actions_.currentIndex();
    if (actions_.connectionActive() && current >= 0 && current < int(list_.size()))
        selectEntry(current);
    else
        selectEntry(list_.empty() ? -1 : 0);
}

void ConnectionPropertiesLogic::FormHide()
{
    if (!visible_)
        return;
    visible_ = false;
    actions_.setFileMenuEnabled(true);
}

void ConnectionPropertiesLogic::hideDialog()
{
    if (onHide)
        onHide();
    FormHide();
}

// The link writes the current index itself when it takes the record: the
// Connect menu's marker stays on the connection in use until then.
void ConnectionPropertiesLogic::connectTo(int index)
{
    hideDialog();
    actions_.ConnectToStored(index);
}

void ConnectionPropertiesLogic::SetDialogMode(int m)
{
    dialogMode = m;
    const bool entry = m == EditMode || m == NewMode;
    layout.GeneralGroup = entry;
    layout.Connection = entry;
    layout.Network = layout.AuxPrompt = layout.PhoneNumGroup = layout.ComPortGroup = false;
    switch (m) {
    case SelectMode:
        layout.OKCaption = QStringLiteral("&Connect");
        layout.EditButton = layout.DeleteButton = false;
        layout.CancelCaption = QStringLiteral("C&ancel");
        layout.ConnectionList = true;
        focus = DialogFocus::ConnectionList;
        layout.listHelpTopic = actions_.isConnected() ? 5 : 4;
        break;
    case ManageMode:
        layout.OKCaption = QStringLiteral("&New");
        layout.EditButton = layout.DeleteButton = true;
        layout.CancelCaption = QStringLiteral("C&lose");
        layout.ConnectionList = true;
        focus = DialogFocus::ConnectionList;
        layout.listHelpTopic = 3;
        break;
    case EditMode:
    case NewMode:
        layout.OKCaption = QStringLiteral("&OK");
        layout.EditButton = layout.DeleteButton = false;
        layout.CancelCaption = QStringLiteral("C&ancel");
        layout.ConnectionList = false;
        layout.dialogHelpTopic = 15;
        if (m == NewMode) {
            ClearFields();
            focus = DialogFocus::SysName;
        }
        break;
    default: break;
    }
    if (entry)
        UpdateConnectionVisibility();
}

void ConnectionPropertiesLogic::UpdateConnectionVisibility()
{
    layout.Connection = true;
    switch (fields.Connection) {
    case 0:
        layout.ComPortGroup = true;
        layout.PhoneNumGroup = true;
        layout.Network = layout.AuxPrompt = false;
        break;
    case 1:
        layout.ComPortGroup = true;
        layout.PhoneNumGroup = layout.Network = layout.AuxPrompt = false;
        break;
    case 2:
        layout.ComPortGroup = layout.PhoneNumGroup = false;
        layout.Network = layout.AuxPrompt = true;
        break;
    default: break;
    }
}

void ConnectionPropertiesLogic::PopulateConnectionList()
{
    list_.clear();
    const ConnectionBook &book = book_;
    for (int i = 0; i < book.count(); ++i)
        list_.push_back(book.at(i).SystemName);
    selected_ = list_.empty() ? -1 : 0;
}

void ConnectionPropertiesLogic::selectEntry(int index)
{
    selected_ = index >= 0 && index < int(list_.size()) ? index : -1;
}

void ConnectionPropertiesLogic::MakeRecordSelected(const QByteArray &name)
{
    for (size_t i = 0; i < list_.size(); ++i) {
        if (list_[i] == name) {
            selected_ = int(i);
            return;
        }
    }
}

void ConnectionPropertiesLogic::OKButtonClick()
{
    if (selected_ < 0 && dialogMode != ManageMode && dialogMode != NewMode)
        return;
    ConnectionBook &book = book_;
    switch (dialogMode) {
    case SelectMode: {
        const int index = selected_;
        if (!actions_.isConnected()) {
            connectTo(index);
            return;
        }
        const QByteArray name = list_[index];
        const QString q = QStringLiteral("You are already connected to ") + fromBytes(actions_.currentSystemName()) +
                          QStringLiteral(". Reconnect to ") + fromBytes(name) + QStringLiteral("?");
        // A Yes still connects if the link went meanwhile: that is what the
        // operator chose. It does not if the list no longer shows that entry
        // there (the book was read again): the operator chooses again.
        prompter_.askYesNo(QStringLiteral("Warning"), q, guard_.guarded([this, index, name](bool yes) {
            if (yes && dialogMode == SelectMode && index < int(list_.size()) && list_[index] == name)
                connectTo(index);
        }));
        return;
    }
    case ManageMode:
        SetDialogMode(NewMode);
        focus = DialogFocus::SysName;
        return;
    case EditMode:
    case NewMode: {
        if (!ValidateEntry()) {
            prompter_.message(QStringLiteral("Error"), pendingMessage, Prompter::Icon::Error);
            focus = DialogFocus::SysName;
            return;
        }
        const QByteArray name = fields.SysName;
        if (dialogMode == EditMode) {
            UpdateConnection(true, selected_);
        } else {
            UpdateConnection(true, book.count());
            book.setCount(book.count() + 1);
        }
        config_.SaveConnections(book);
        actions_.PopulateConnectMenu();
        PopulateConnectionList();
        MakeRecordSelected(name);
        SetDialogMode(ManageMode);
        return;
    }
    default: return;
    }
}

bool ConnectionPropertiesLogic::ValidateEntry()
{
    auto failWith = [this](const char *text) {
        pendingMessage = QString::fromLatin1(text);
        focus = DialogFocus::SysName;
        return false;
    };
    // The file drops blanks around a name when it is read back, so a name of
    // blanks would come back empty.
    if (stripIniText(fields.SysName).isEmpty())
        return failWith("Entry of System Name Required");
    if (NameInUse())
        return failWith("A record by this name already exists, please use another name.");
    if (book_.count() >= ConnectionBook::kDialogCapacity)
        return failWith("Maximum database size reached.");
    return true;
}

bool ConnectionPropertiesLogic::NameInUse() const
{
    // Compared as the names will read back from the file: "Alpha " next to
    // "Alpha" would be two entries of one name after the next load.
    const ConnectionBook &book = book_;
    const QByteArray candidate = stripIniText(fields.SysName);
    for (int i = 0; i < book.count(); ++i) {
        if (!equalsIgnoringAsciiCase(stripIniText(book.at(i).SystemName), candidate))
            continue;
        // The entry being edited may keep its name in another letter case.
        if (dialogMode == NewMode || (dialogMode == EditMode && i != selected_))
            return true;
    }
    return false;
}

void ConnectionPropertiesLogic::CancelButtonClick()
{
    switch (dialogMode) {
    case SelectMode:
    case ManageMode: hideDialog(); break;
    case EditMode:
    case NewMode:
        layout.ConnectionList = true;
        SetDialogMode(ManageMode);
        break;
    default: break;
    }
}

void ConnectionPropertiesLogic::EditButtonClick()
{
    if (selected_ < 0)
        return;
    UpdateConnection(false, selected_);
    SetDialogMode(EditMode);
    focus = DialogFocus::SysName;
}

void ConnectionPropertiesLogic::DeleteButtonClick()
{
    if (selected_ < 0)
        return;
    const int i = selected_;
    book_.removeAt(i);
    config_.SaveConnections(book_);
    actions_.PopulateConnectMenu();
    PopulateConnectionList();
    ClearFields();
    if (i - 1 > 0)
        selectEntry(i - 1);
}

void ConnectionPropertiesLogic::ConnectionListDblClick()
{
    if (dialogMode == SelectMode)
        OKButtonClick();
    else if (dialogMode == ManageMode)
        EditButtonClick();
}

void ConnectionPropertiesLogic::FieldChange()
{
    if (dialogMode == EditMode || dialogMode == NewMode)
        UpdateConnectionVisibility();
}

bool ConnectionPropertiesLogic::keyPress(CharFilter filter, uint code)
{
    if (filterAccepts(filter, code))
        return true;
    prompter_.beep();
    return false;
}

void ConnectionPropertiesLogic::stepSid(int delta)
{
    int v = fields.sidPosition() + delta;
    v = v < 0 ? 0 : (v > kMaxSid ? kMaxSid : v);
    fields.SidEdit = QByteArray::number(v);
}

void ConnectionPropertiesLogic::UpdateConnection(bool store, int index)
{
    if (index < 0 || index >= ConnectionBook::kSlots)
        return;
    TConnectionRec &r = book_.at(index);
    for (const ControlBinding &b : kControlBindings) {
        if (store)
            b.store(*this, r);
        else
            b.show(*this, r);
    }
}

void ConnectionPropertiesLogic::ClearFields()
{
    fields = EntryFields{};
    setPortNumber(-1);
}

void ConnectionPropertiesLogic::setPortList(std::vector<SerialPortEntry> ports)
{
    ports_ = std::move(ports);
    portEntry_ = ports_.empty() ? -1 : 0;
    portNumber_ = ports_.empty() ? 0 : ports_.front().number;
}

void ConnectionPropertiesLogic::choosePort(int entry)
{
    if (entry < 0 || entry >= int(ports_.size()))
        return;
    portEntry_ = entry;
    portNumber_ = ports_[entry].number;
}

void ConnectionPropertiesLogic::setPortNumber(int number)
{
    if (number == portNumber_)
        return;
    for (size_t i = 0; i < ports_.size(); ++i) {
        if (ports_[i].number == number) {
            portEntry_ = int(i);
            portNumber_ = number;
            return;
        }
    }
    if (ports_.empty()) {
        portEntry_ = -1;
        portNumber_ = 0;
    } else {
        portEntry_ = 0;
        portNumber_ = ports_.front().number;
    }
}

}  // namespace kordex
