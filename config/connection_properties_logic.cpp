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
using Rec = ConnectionRecord;

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
    return {RecMember,
            [](Logic &d, const Rec &r) {
                d.fields.*ControlMember = std::remove_reference_t<decltype(d.fields.*ControlMember)>(r.*RecMember);
            },
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
    same<&Rec::systemName, &EntryFields::systemName>(),
    {&Rec::sid, [](Logic &d, const Rec &r) { d.fields.sidText = QByteArray::number(r.sid); },
     [](const Logic &d, Rec &r) { r.sid = d.fields.sidPosition(); }},
    same<&Rec::password, &EntryFields::password>(),
    same<&Rec::connectionType, &EntryFields::connectionType>(),
    same<&Rec::phoneNumber, &EntryFields::phoneNumber>(),
    storedLowerCase<&Rec::tcpPort, &EntryFields::tcpPort>(),
    storedLowerCase<&Rec::tcpHost, &EntryFields::tcpHost>(),
    same<&Rec::auxPrompt1, &EntryFields::auxPrompt1>(),
    same<&Rec::auxPrompt2, &EntryFields::auxPrompt2>(),
    same<&Rec::auxReply1, &EntryFields::auxReply1>(),
    same<&Rec::auxReply2, &EntryFields::auxReply2>(),
    same<&Rec::userName, &EntryFields::userName>(),
    same<&Rec::showNzCommonStates, &EntryFields::showNzCommonStates>(),
    // A pacing without an item shows the first item and is stored as that.
    {&Rec::tcpLinePacingMs,
     [](Logic &d, const Rec &r) {
         d.fields.linePacingItem = 0;
         for (size_t i = 0; i < kLinePacingItems.size(); ++i)
             if (kLinePacingItems[i] == r.tcpLinePacingMs)
                 d.fields.linePacingItem = int(i);
     },
     [](const Logic &d, Rec &r) {
         const int item = d.fields.linePacingItem;
         r.tcpLinePacingMs = kLinePacingItems[item >= 0 && item < int(kLinePacingItems.size()) ? item : 0];
     }},
    same<&Rec::autoLogin, &EntryFields::autoLogin>(),
    same<&Rec::baudRateIndex, &EntryFields::baudRateIndex>(),
    same<&Rec::flowControl, &EntryFields::flowControl>(),
    {&Rec::comPort, [](Logic &d, const Rec &r) { d.setPortNumber(r.comPort); },
     [](const Logic &d, Rec &r) { r.comPort = int16_t(d.portNumber()); }},
    same<&Rec::diagnosticMode, &EntryFields::diagnosticMode>(),
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
    const qlonglong v = sidText.toLongLong(&ok);
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

void ConnectionPropertiesLogic::dialogShown()
{
    visible_ = true;
    // Another program may have changed the file while the dialog was hidden.
    config_.loadConnections(book_);
    fillConnectionList();
    actions_.setFileMenuEnabled(false);
    setDialogMode(dialogMode);
    focus = DialogFocus::ConnectionList;
    const int current = actions_.currentIndex();
    if (actions_.connectionActive() && current >= 0 && current < int(list_.size()))
        selectEntry(current);
    else
        selectEntry(list_.empty() ? -1 : 0);
}

void ConnectionPropertiesLogic::dialogHidden()
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
    dialogHidden();
}

// The link writes the current index itself when it takes the record: the
// Connect menu's marker stays on the connection in use until then.
void ConnectionPropertiesLogic::connectTo(int index)
{
    hideDialog();
    actions_.connectToStored(index);
}

void ConnectionPropertiesLogic::setDialogMode(DialogMode m)
{
    dialogMode = m;
    const bool entry = m == DialogMode::Edit || m == DialogMode::New;
    layout.generalGroup = entry;
    layout.connectionGroup = entry;
    layout.networkGroup = layout.auxPromptGroup = layout.phoneGroup = layout.comPortGroup = false;
    switch (m) {
    case DialogMode::Select:
        layout.okCaption = QStringLiteral("&Connect");
        layout.editButton = layout.deleteButton = false;
        layout.cancelCaption = QStringLiteral("C&ancel");
        layout.connectionList = true;
        focus = DialogFocus::ConnectionList;
        layout.listHelpTopic = actions_.isConnected() ? 5 : 4;
        break;
    case DialogMode::Manage:
        layout.okCaption = QStringLiteral("&New");
        layout.editButton = layout.deleteButton = true;
        layout.cancelCaption = QStringLiteral("C&lose");
        layout.connectionList = true;
        focus = DialogFocus::ConnectionList;
        layout.listHelpTopic = 3;
        break;
    case DialogMode::Edit:
    case DialogMode::New:
        layout.okCaption = QStringLiteral("&OK");
        layout.editButton = layout.deleteButton = false;
        layout.cancelCaption = QStringLiteral("C&ancel");
        layout.connectionList = false;
        layout.dialogHelpTopic = 15;
        if (m == DialogMode::New) {
            clearFields();
            focus = DialogFocus::SysName;
        }
        break;
    default: break;
    }
    if (entry)
        showControlsOfType();
}

void ConnectionPropertiesLogic::showControlsOfType()
{
    layout.connectionGroup = true;
    switch (ConnectionType(fields.connectionType)) {
    case ConnectionType::Modem:
        layout.comPortGroup = true;
        layout.phoneGroup = true;
        layout.networkGroup = layout.auxPromptGroup = false;
        break;
    case ConnectionType::DirectSerial:
        layout.comPortGroup = true;
        layout.phoneGroup = layout.networkGroup = layout.auxPromptGroup = false;
        break;
    case ConnectionType::TcpIp:
        layout.comPortGroup = layout.phoneGroup = false;
        layout.networkGroup = layout.auxPromptGroup = true;
        break;
    default: break;
    }
}

void ConnectionPropertiesLogic::fillConnectionList()
{
    list_.clear();
    const ConnectionBook &book = book_;
    for (int i = 0; i < book.count(); ++i)
        list_.push_back(book.at(i).systemName);
    selected_ = list_.empty() ? -1 : 0;
}

void ConnectionPropertiesLogic::selectEntry(int index)
{
    selected_ = index >= 0 && index < int(list_.size()) ? index : -1;
}

void ConnectionPropertiesLogic::selectEntryNamed(const QByteArray &name)
{
    for (size_t i = 0; i < list_.size(); ++i) {
        if (list_[i] == name) {
            selected_ = int(i);
            return;
        }
    }
}

void ConnectionPropertiesLogic::accept()
{
    if (selected_ < 0 && dialogMode != DialogMode::Manage && dialogMode != DialogMode::New)
        return;
    ConnectionBook &book = book_;
    switch (dialogMode) {
    case DialogMode::Select: {
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
            if (yes && dialogMode == DialogMode::Select && index < int(list_.size()) && list_[index] == name)
                connectTo(index);
        }));
        return;
    }
    case DialogMode::Manage:
        setDialogMode(DialogMode::New);
        focus = DialogFocus::SysName;
        return;
    case DialogMode::Edit:
    case DialogMode::New: {
        if (!validateEntry()) {
            prompter_.message(QStringLiteral("Error"), pendingMessage, Prompter::Icon::Error);
            focus = DialogFocus::SysName;
            return;
        }
        const QByteArray name = fields.systemName;
        if (dialogMode == DialogMode::Edit) {
            storeEntry(true, selected_);
        } else {
            storeEntry(true, book.count());
            book.setCount(book.count() + 1);
        }
        config_.saveConnections(book);
        actions_.rebuildConnectMenu();
        fillConnectionList();
        selectEntryNamed(name);
        setDialogMode(DialogMode::Manage);
        return;
    }
    default: return;
    }
}

bool ConnectionPropertiesLogic::validateEntry()
{
    auto failWith = [this](const char *text) {
        pendingMessage = QString::fromLatin1(text);
        focus = DialogFocus::SysName;
        return false;
    };
    // The file drops blanks around a name when it is read back, so a name of
    // blanks would come back empty.
    if (stripIniText(fields.systemName).isEmpty())
        return failWith("Entry of System Name Required");
    if (entryNameInUse())
        return failWith("A record by this name already exists, please use another name.");
    if (book_.count() >= ConnectionBook::kDialogCapacity)
        return failWith("Maximum database size reached.");
    return true;
}

bool ConnectionPropertiesLogic::entryNameInUse() const
{
    // Compared as the names will read back from the file: "Alpha " next to
    // "Alpha" would be two entries of one name after the next load.
    const ConnectionBook &book = book_;
    const QByteArray candidate = stripIniText(fields.systemName);
    for (int i = 0; i < book.count(); ++i) {
        if (!equalsIgnoringAsciiCase(stripIniText(book.at(i).systemName), candidate))
            continue;
        // The entry being edited may keep its name in another letter case.
        if (dialogMode == DialogMode::New || (dialogMode == DialogMode::Edit && i != selected_))
            return true;
    }
    return false;
}

void ConnectionPropertiesLogic::cancel()
{
    switch (dialogMode) {
    case DialogMode::Select:
    case DialogMode::Manage: hideDialog(); break;
    case DialogMode::Edit:
    case DialogMode::New:
        layout.connectionList = true;
        setDialogMode(DialogMode::Manage);
        break;
    default: break;
    }
}

void ConnectionPropertiesLogic::editEntry()
{
    if (selected_ < 0)
        return;
    storeEntry(false, selected_);
    setDialogMode(DialogMode::Edit);
    focus = DialogFocus::SysName;
}

void ConnectionPropertiesLogic::deleteEntry()
{
    if (selected_ < 0)
        return;
    const int i = selected_;
    book_.removeAt(i);
    config_.saveConnections(book_);
    actions_.rebuildConnectMenu();
    fillConnectionList();
    clearFields();
    if (i - 1 > 0)
        selectEntry(i - 1);
}

void ConnectionPropertiesLogic::entryActivated()
{
    if (dialogMode == DialogMode::Select)
        accept();
    else if (dialogMode == DialogMode::Manage)
        editEntry();
}

void ConnectionPropertiesLogic::connectionTypeChanged()
{
    if (dialogMode == DialogMode::Edit || dialogMode == DialogMode::New)
        showControlsOfType();
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
    fields.sidText = QByteArray::number(v);
}

void ConnectionPropertiesLogic::storeEntry(bool store, int index)
{
    if (index < 0 || index >= ConnectionBook::kSlots)
        return;
    ConnectionRecord &r = book_.at(index);
    for (const ControlBinding &b : kControlBindings) {
        if (store)
            b.store(*this, r);
        else
            b.show(*this, r);
    }
}

void ConnectionPropertiesLogic::clearFields()
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
