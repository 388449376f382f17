#include "faces/connection_properties.h"

#include "platform/text_codec.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QToolButton>

#include <algorithm>
#include <vector>

namespace kordex {

namespace {
constexpr int kBorder = 10;
const char *kFilterProperty = "kordexCharFilter";

// Records hold 8-bit text; this is the one place the dialog converts it.
QString toText(const QByteArray &b) { return fromPanelBytes(b); }
QByteArray toBytes(const QString &s) { return toPanelBytes(s); }

template <typename W>
W *placed(W *w, int x, int y, int width, int height)
{
    w->setGeometry(x, y, width, height);
    return w;
}

QLabel *label(QWidget *parent, const QString &text, int x, int y, QWidget *buddy = nullptr)
{
    auto *l = new QLabel(text, parent);
    l->move(x, y);
    l->adjustSize();
    if (buddy)
        l->setBuddy(buddy);
    return l;
}

QLineEdit *edit(QWidget *parent, const char *name, int x, int y, int w, int h)
{
    auto *e = placed(new QLineEdit(parent), x, y, w, h);
    e->setObjectName(QLatin1String(name));
    return e;
}

QGroupBox *group(QWidget *parent, const char *name, const QString &title, int x, int y, int w, int h)
{
    auto *g = placed(new QGroupBox(title, parent), x + kBorder, y + kBorder, w, h);
    g->setObjectName(QLatin1String(name));
    return g;
}

// The places below are the dialog's design, made where a group's title
// sits on its frame line and a group's rows start about this far down.
constexpr int kDesignRowsTop = 8;
// Room between a label and the field it names.
constexpr int kLabelGap = 4;

bool sameRow(const QWidget *a, const QWidget *b)
{
    return a->y() < b->y() + b->height() && b->y() < a->y() + a->height();
}

// The nearest control to the right of `w` on its row, if any.
const QWidget *nextOnRow(const QWidget *w)
{
    const QWidget *next = nullptr;
    for (const QWidget *o : w->parentWidget()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        if (o != w && o->x() > w->x() && sameRow(o, w) && (!next || o->x() < next->x()))
            next = o;
    return next;
}

// Labels stand level with the field they name, or above it, clear of it.
// When a label beside its field has too little room, the labels beside
// fields in that group are all set narrower, so a group keeps one font.
// Check boxes and radio buttons are as wide as their text needs, up to the
// next control.
void fitRows(QGroupBox *g)
{
    const int right = g->width() - g->contentsMargins().right();
    QList<QLabel *> beside;
    bool tight = false;
    for (QLabel *l : g->findChildren<QLabel *>(Qt::FindDirectChildrenOnly)) {
        QWidget *field = l->buddy();
        if (!field)
            continue;
        l->adjustSize();
        if (field->x() > l->x()) {
            beside << l;
            tight = tight || l->x() + l->width() + kLabelGap > field->x();
        } else if (l->y() + l->height() > field->y() - 1) {
            l->move(l->x(), field->y() - 1 - l->height());
        }
    }
    for (QLabel *l : beside) {
        if (tight) {
            QFont narrow = l->font();
            narrow.setFamily(QStringLiteral("Liberation Sans Narrow"));
            l->setFont(narrow);
            l->adjustSize();
        }
        l->move(l->x(), l->buddy()->y() + (l->buddy()->height() - l->height()) / 2);
    }
    for (QAbstractButton *b : g->findChildren<QAbstractButton *>(Qt::FindDirectChildrenOnly)) {
        if (b->text().isEmpty())
            continue;
        const QWidget *next = nextOnRow(b);
        const int room = (next ? next->x() - kLabelGap : right) - b->x();
        b->resize(std::min(room, std::max(b->width(), b->sizeHint().width())),
                  std::max(b->height(), b->sizeHint().height()));
    }
}
}  // namespace

SidUpDownControl::SidUpDownControl(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::TabFocus);
    up_ = new QToolButton(this);
    down_ = new QToolButton(this);
    for (QToolButton *b : {up_, down_}) {
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoRepeat(true);
    }
    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    up_->setObjectName(QStringLiteral("SidUp"));
    down_->setObjectName(QStringLiteral("SidDown"));
    connect(up_, &QToolButton::clicked, this, [this] { emit stepped(+1); });
    connect(down_, &QToolButton::clicked, this, [this] { emit stepped(-1); });
}

void SidUpDownControl::keyPressEvent(QKeyEvent *e)
{
    if (e->key() == Qt::Key_Up)
        emit stepped(+1);
    else if (e->key() == Qt::Key_Down)
        emit stepped(-1);
    else
        QWidget::keyPressEvent(e);
}

ConnectionPropertiesDialog::ConnectionPropertiesDialog(ConnectionBook &book, Configuration &config, Prompter &prompter,
                                                       ConnectionActions &actions, QWidget *parent)
    : QDialog(parent),
      logic_(book, config, prompter, actions),
      actions_(actions),
      config_(config)
{
    setObjectName(QStringLiteral("ConnectionProperties"));
    setWindowTitle(QStringLiteral("Select Connection From List..."));
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setModal(false);
    setFixedSize(233 + 2 * kBorder, 465 + 2 * kBorder);
    setFont(QFont(QStringLiteral("Arial"), 8));
    logic_.onHide = [this] { hide(); };
}

void ConnectionPropertiesDialog::ensureControls()
{
    if (built_)
        return;
    built_ = true;
    buildControls();
    fitToStyle();
    wireControls();
    rescanPorts();
    syncFromLogic();
}

void ConnectionPropertiesDialog::buildControls()
{
    buildGeneralGroup();
    buildConnectionGroups();
    buildListAndButtons();

    QWidget *order[] = {systemNameEdit_,
                        usernameEdit_,
                        passwordEdit_,
                        sidEdit_,
                        sidUpDown_,
                        autoLoginCheckBox_,
                        commonStatesCheckBox_,
                        diagnosticCheckBox_,
                        connectionTypeButtons_[0],
                        connectionTypeButtons_[1],
                        connectionTypeButtons_[2],
                        portComboBox_,
                        baudRateComboBox_,
                        flowControlComboBox_,
                        phoneNumberEdit_,
                        netPortEdit_,
                        netHostEdit_,
                        linePacingComboBox_,
                        auxPrompt1Edit_,
                        auxReply1Edit_,
                        auxPrompt2Edit_,
                        auxReply2Edit_,
                        connectionList_,
                        okButton_,
                        editButton_,
                        deleteButton_,
                        cancelButton_};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);
}

void ConnectionPropertiesDialog::buildGeneralGroup()
{
    generalGroup_ = group(this, "GeneralGroup", QStringLiteral("&General"), 0, 0, 233, 201);
    systemNameEdit_ = edit(generalGroup_, "SysName", 8, 32, 217, 21);
    label(generalGroup_, QStringLiteral("System Name"), 8, 16, systemNameEdit_);
    usernameEdit_ = edit(generalGroup_, "EditUsername", 8, 80, 113, 21);
    label(generalGroup_, QStringLiteral("Username (ZR9 only)"), 8, 64, usernameEdit_);
    passwordEdit_ = edit(generalGroup_, "EditPassword", 8, 120, 113, 21);
    label(generalGroup_, QStringLiteral("Password"), 8, 104, passwordEdit_);
    sidEdit_ = edit(generalGroup_, "SidEdit", 144, 120, 33, 21);
    label(generalGroup_, QStringLiteral("SID"), 144, 104, sidEdit_);
    sidUpDown_ = placed(new SidUpDownControl(generalGroup_), 177, 120, 16, 21);
    sidUpDown_->setObjectName(QStringLiteral("SidUpDown"));
    sidUpDown_->findChild<QToolButton *>(QStringLiteral("SidUp"))->setGeometry(0, 0, 16, 10);
    sidUpDown_->findChild<QToolButton *>(QStringLiteral("SidDown"))->setGeometry(0, 11, 16, 10);
    autoLoginCheckBox_ = placed(new QCheckBox(QStringLiteral("Auto Login"), generalGroup_), 8, 152, 73, 17);
    autoLoginCheckBox_->setObjectName(QStringLiteral("AutoLogCkbx"));
    commonStatesCheckBox_ =
        placed(new QCheckBox(QStringLiteral("Show ZR9 NZ Common States"), generalGroup_), 8, 176, 169, 17);
    commonStatesCheckBox_->setObjectName(QStringLiteral("CommonStatesCheckBox"));
    diagnosticCheckBox_ = placed(new QCheckBox(generalGroup_), 208, 176, 17, 17);
    diagnosticCheckBox_->setObjectName(QStringLiteral("DiagCheckBox"));
    diagnosticCheckBox_->setToolTip(QStringLiteral("Diagnostic mode"));
}

// The connection type and the groups that show for one type each.
void ConnectionPropertiesDialog::buildConnectionGroups()
{
    connectionGroup_ = group(this, "Connection", QStringLiteral("Connection &Type"), 0, 208, 233, 57);
    connectionTypes_ = new QButtonGroup(this);
    // Two columns, filled top to bottom; the second starts where the first's
    // longest item ends, if that is further right.
    const QPoint at[3] = {{8, 16}, {8, 35}, {120, 16}};
    int secondColumn = at[2].x();
    for (int i = 0; i < 3; ++i) {
        connectionTypeButtons_[i] =
            placed(new QRadioButton(QString::fromLatin1(kConnectionTypeItems[i]), connectionGroup_),
                   i < 2 ? at[i].x() : secondColumn, at[i].y(), 105, 17);
        connectionTypeButtons_[i]->setObjectName(QStringLiteral("ConnectionItem%1").arg(i));
        connectionTypes_->addButton(connectionTypeButtons_[i], i);
        if (i < 2)
            secondColumn =
                std::max(secondColumn, at[i].x() + connectionTypeButtons_[i]->sizeHint().width() + kLabelGap);
    }

    comPortGroup_ = group(this, "ComPortGroup", QStringLiteral("Com &Port Settings"), 0, 272, 233, 97);
    portComboBox_ = placed(new QComboBox(comPortGroup_), 72, 16, 145, 22);
    portComboBox_->setObjectName(QStringLiteral("PortComboBox"));
    label(comPortGroup_, QStringLiteral("Port:"), 8, 20, portComboBox_);
    baudRateComboBox_ = placed(new QComboBox(comPortGroup_), 72, 42, 145, 21);
    baudRateComboBox_->setObjectName(QStringLiteral("BaudRateComboBox"));
    for (int rate : kBaudRates)
        baudRateComboBox_->addItem(QString::number(rate));
    label(comPortGroup_, QStringLiteral("Baud Rate:"), 8, 46, baudRateComboBox_);
    flowControlComboBox_ = placed(new QComboBox(comPortGroup_), 72, 68, 145, 21);
    flowControlComboBox_->setObjectName(QStringLiteral("FlowCtrlComboBox"));
    for (const char *item : kFlowControlItems)
        flowControlComboBox_->addItem(QString::fromLatin1(item));
    label(comPortGroup_, QStringLiteral("Flow Control:"), 8, 72, flowControlComboBox_);

    networkGroup_ = group(this, "Network", QStringLiteral("&Network"), 0, 272, 233, 89);
    netPortEdit_ = edit(networkGroup_, "NetPort", 142, 10, 83, 21);
    label(networkGroup_, QStringLiteral("Port/Service"), 8, 14, netPortEdit_);
    netHostEdit_ = edit(networkGroup_, "NetHost", 142, 33, 83, 21);
    label(networkGroup_, QStringLiteral("Address/Host"), 8, 37, netHostEdit_);
    linePacingComboBox_ = placed(new QComboBox(networkGroup_), 168, 63, 57, 21);
    linePacingComboBox_->setObjectName(QStringLiteral("TcpIpLp"));
    for (int ms : kLinePacingItems)
        linePacingComboBox_->addItem(QString::number(ms));
    label(networkGroup_, QStringLiteral("TCPIP Line Pacing"), 8, 67, linePacingComboBox_);

    phoneNumberGroup_ = group(this, "PhoneNumGroup", QStringLiteral("P&hone Number"), 0, 376, 233, 49);
    phoneNumberEdit_ = edit(phoneNumberGroup_, "PhoneNumber", 8, 16, 153, 21);

    auxPromptGroup_ = group(this, "AuxPrompt", QStringLiteral("A&ux Prompt"), 0, 369, 233, 64);
    auxPrompt1Edit_ = edit(auxPromptGroup_, "Alp1", 104, 12, 57, 21);
    auxReply1Edit_ = edit(auxPromptGroup_, "Alr1", 169, 13, 57, 21);
    label(auxPromptGroup_, QStringLiteral("Aux Prompt/Resp 1"), 8, 16, auxPrompt1Edit_);
    auxPrompt2Edit_ = edit(auxPromptGroup_, "Alp2", 104, 38, 57, 21);
    auxReply2Edit_ = edit(auxPromptGroup_, "Alr2", 169, 38, 57, 21);
    label(auxPromptGroup_, QStringLiteral("Aux Prompt/Resp 2"), 8, 42, auxPrompt2Edit_);
}

void ConnectionPropertiesDialog::buildListAndButtons()
{
    connectionList_ = placed(new QListWidget(this), kBorder, 2 + kBorder, 233, 431);
    connectionList_->setObjectName(QStringLiteral("ConnectionList"));
    connectionList_->setSelectionMode(QAbstractItemView::SingleSelection);

    auto button = [this](const char *name, const QString &text, int x) {
        auto *b = placed(new QPushButton(text, this), x + kBorder, 440 + kBorder, 49, 25);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    okButton_ = button("OKButton", QStringLiteral("&OK"), 0);
    okButton_->setDefault(true);
    editButton_ = button("EditButton", QStringLiteral("&Edit"), 62);
    deleteButton_ = button("DeleteButton", QStringLiteral("&Delete"), 124);
    cancelButton_ = button("CancelButton", QStringLiteral("C&ancel"), 184);
}

// Qt's styles set a group's title above its frame, not on the frame line:
// each group's rows move down by the style's room for the title, the groups
// below move with them, and the window grows to fit, so every control keeps
// its place relative to its frame at any style, font and scale.
void ConnectionPropertiesDialog::fitToStyle()
{
    const std::vector<std::vector<QGroupBox *>> stack = {
        {generalGroup_}, {connectionGroup_}, {comPortGroup_, networkGroup_}, {phoneNumberGroup_, auxPromptGroup_}};
    int moved = 0;
    for (const auto &row : stack) {
        int grown = 0;
        for (QGroupBox *g : row) {
            g->ensurePolished();
            const int shift = g->contentsMargins().top() - kDesignRowsTop;
            for (QWidget *c : g->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
                c->move(c->x(), c->y() + shift);
            g->setGeometry(g->x(), g->y() + moved, g->width(), g->height() + shift);
            fitRows(g);
            grown = std::max(grown, shift);
        }
        moved += grown;
    }
    connectionList_->resize(connectionList_->width(), connectionList_->height() + moved);
    for (QPushButton *b : {okButton_, editButton_, deleteButton_, cancelButton_})
        b->move(b->x(), b->y() + moved);
    setFixedSize(width(), height() + moved);
}

void ConnectionPropertiesDialog::wireControls()
{
    wireFields();
    wireListAndButtons();
}

// Keystrokes go through the fields' filters; edits, ticks and choices go to the logic.
void ConnectionPropertiesDialog::wireFields()
{
    for (const TextField &t : textFields())
        filterField(t);
    connect(sidEdit_, &QLineEdit::editingFinished, this, [this] {
        // Show the number the up-down control holds.
        logic_.fields.sidText = QByteArray::number(logic_.fields.sidPosition());
        syncFields();
    });
    connect(sidUpDown_, &SidUpDownControl::stepped, this, [this](int d) {
        logic_.stepSid(d);
        syncFields();
    });

    auto check = [this](QCheckBox *box, bool EntryFields::*field) {
        connect(box, &QCheckBox::toggled, this, [this, field](bool on) {
            if (!syncing_)
                logic_.fields.*field = on;
        });
    };
    check(autoLoginCheckBox_, &EntryFields::autoLogin);
    check(commonStatesCheckBox_, &EntryFields::showNzCommonStates);
    check(diagnosticCheckBox_, &EntryFields::diagnosticMode);

    connect(connectionTypes_, &QButtonGroup::idClicked, this, [this](int id) {
        logic_.fields.connectionType = id;
        logic_.connectionTypeChanged();
        syncLayout();
    });
    auto combo = [this](QComboBox *box, int EntryFields::*field) {
        connect(box, &QComboBox::activated, this, [this, field](int i) { logic_.fields.*field = i; });
    };
    combo(baudRateComboBox_, &EntryFields::baudRateIndex);
    combo(flowControlComboBox_, &EntryFields::flowControl);
    combo(linePacingComboBox_, &EntryFields::linePacingItem);
    connect(portComboBox_, &QComboBox::activated, this, [this](int i) {
        logic_.choosePort(i);
        syncFields();
    });
}

void ConnectionPropertiesDialog::wireListAndButtons()
{
    connect(connectionList_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!syncing_)
            logic_.selectEntry(row);
    });
    connect(connectionList_, &QListWidget::itemDoubleClicked, this, [this] {
        logic_.entryActivated();
        afterHandler();
    });
    connect(okButton_, &QPushButton::clicked, this, [this] {
        logic_.accept();
        afterHandler();
    });
    connect(editButton_, &QPushButton::clicked, this, [this] {
        logic_.editEntry();
        afterHandler();
    });
    connect(deleteButton_, &QPushButton::clicked, this, [this] {
        logic_.deleteEntry();
        afterHandler();
    });
    connect(cancelButton_, &QPushButton::clicked, this, [this] {
        logic_.cancel();
        afterHandler();
    });

    auto *help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    help->setContext(Qt::WindowShortcut);
    connect(help, &QShortcut::activated, this, [this] { actions_.showHelpTopic(currentHelpTopic()); });
}

std::array<ConnectionPropertiesDialog::TextField, 11> ConnectionPropertiesDialog::textFields() const
{
    return {{{systemNameEdit_, CharFilter::SysName, &EntryFields::systemName},
             {passwordEdit_, CharFilter::SysName, &EntryFields::password},
             {auxPrompt1Edit_, CharFilter::Prompt, &EntryFields::auxPrompt1},
             {auxPrompt2Edit_, CharFilter::Prompt, &EntryFields::auxPrompt2},
             {auxReply1Edit_, CharFilter::Prompt, &EntryFields::auxReply1},
             {auxReply2Edit_, CharFilter::Prompt, &EntryFields::auxReply2},
             {phoneNumberEdit_, CharFilter::PhoneNumber, &EntryFields::phoneNumber},
             {netPortEdit_, CharFilter::NetPort, &EntryFields::tcpPort},
             {netHostEdit_, CharFilter::NetPort, &EntryFields::tcpHost},
             {sidEdit_, CharFilter::SidEdit, &EntryFields::sidText},
             {usernameEdit_, CharFilter::Any, &EntryFields::userName}}};
}

void ConnectionPropertiesDialog::filterField(const TextField &t)
{
    QLineEdit *e = t.edit;
    const CharFilter filter = t.filter;
    e->setProperty(kFilterProperty, int(filter));
    e->installEventFilter(this);
    connect(e, &QLineEdit::textEdited, this, [this, e, filter, field = t.field](const QString &text) {
        // Pasted or dropped text passes the same filter as typed text.
        QString clean;
        for (QChar ch : text)
            if (filterAccepts(filter, ch.unicode()))
                clean += ch;
        if (clean != text) {
            logic_.keyPress(filter, 0xFFFF);  // beeps
            const int cursor = e->cursorPosition() - int(text.size() - clean.size());
            e->setText(clean);
            e->setCursorPosition(std::max(0, cursor));
        }
        logic_.fields.*field = toBytes(e->text());
    });
}

bool ConnectionPropertiesDialog::eventFilter(QObject *watched, QEvent *event)
{
    auto *e = qobject_cast<QLineEdit *>(watched);
    if (!e || event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    const auto filter = CharFilter(e->property(kFilterProperty).toInt());
    if (e == sidEdit_ && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
        logic_.stepSid(key->key() == Qt::Key_Up ? 1 : -1);
        syncFields();
        return true;
    }
    // Shortcuts, navigation and the dialog's own keys are not characters.
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    switch (key->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Delete: return false;
    case Qt::Key_Backspace: return !logic_.keyPress(filter, 8);
    default: break;
    }
    const QString text = key->text();
    if (text.isEmpty())
        return false;
    for (QChar ch : text) {
        if (ch.unicode() < 32 || ch.unicode() == 127)
            continue;
        if (!logic_.keyPress(filter, ch.unicode()))
            return true;
    }
    return false;
}

void ConnectionPropertiesDialog::setPortList(std::vector<SerialPortEntry> ports)
{
    fixedPorts_ = ports;
    ensureControls();
    applyPortList(std::move(ports));
}

// The port chosen stays chosen while it is still there.
void ConnectionPropertiesDialog::rescanPorts()
{
    const int chosen = logic_.portNumber();
    applyPortList(fixedPorts_ ? *fixedPorts_ : probeSerialPorts(config_.ports()));
    logic_.setPortNumber(chosen);
    syncFields();
}

void ConnectionPropertiesDialog::applyPortList(std::vector<SerialPortEntry> ports)
{
    logic_.setPortList(std::move(ports));
    const bool was = syncing_;
    syncing_ = true;
    portComboBox_->clear();
    for (const SerialPortEntry &p : logic_.ports()) {
        portComboBox_->addItem(QString::asprintf("COM %d", p.number), p.number);
        portComboBox_->setItemData(portComboBox_->count() - 1, p.devicePath, Qt::ToolTipRole);
    }
    syncing_ = was;
    syncFields();
}

void ConnectionPropertiesDialog::showInMode(DialogMode mode)
{
    ensureControls();
    if (isVisible()) {
        raise();
        activateWindow();
        return;
    }
    logic_.dialogMode = mode;
    show();
}

void ConnectionPropertiesDialog::setVisible(bool visible)
{
    if (visible)
        ensureControls();  // before the show, so they are shown with the window
    QDialog::setVisible(visible);
}

void ConnectionPropertiesDialog::showEvent(QShowEvent *e)
{
    if (!positioned_) {
        if (QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen()) {
            QRect r = frameGeometry();
            r.moveCenter(s->availableGeometry().center());
            move(r.topLeft());
        }
        positioned_ = true;
    }
    QDialog::showEvent(e);
    if (!e->spontaneous()) {
        logic_.dialogShown();
        rescanPorts();  // after the reload: the file's [Ports] may have changed too
        syncFromLogic();
    }
}

void ConnectionPropertiesDialog::hideEvent(QHideEvent *e)
{
    QDialog::hideEvent(e);
    if (!e->spontaneous())
        logic_.dialogHidden();
}

void ConnectionPropertiesDialog::closeEvent(QCloseEvent *e)
{
    // The title-bar box only hides; the mode stays until the main window sets one.
    e->accept();
    hide();
}

void ConnectionPropertiesDialog::reject()
{
    logic_.cancel();
    afterHandler();
}

int ConnectionPropertiesDialog::currentHelpTopic() const
{
    if (built_ && connectionList_->isVisible() && connectionList_->hasFocus() && logic_.layout.listHelpTopic != 0)
        return logic_.layout.listHelpTopic;
    return logic_.layout.dialogHelpTopic;
}

void ConnectionPropertiesDialog::afterHandler()
{
    if (built_ && isVisible())
        syncFromLogic();
}

void ConnectionPropertiesDialog::syncFromLogic()
{
    syncLayout();
    syncList();
    syncFields();
    applyFocus();
}

void ConnectionPropertiesDialog::syncLayout()
{
    const DialogLayout &l = logic_.layout;
    generalGroup_->setVisible(l.generalGroup);
    connectionGroup_->setVisible(l.connectionGroup);
    networkGroup_->setVisible(l.networkGroup);
    auxPromptGroup_->setVisible(l.auxPromptGroup);
    phoneNumberGroup_->setVisible(l.phoneGroup);
    comPortGroup_->setVisible(l.comPortGroup);
    connectionList_->setVisible(l.connectionList);
    if (l.connectionList)
        connectionList_->raise();
    editButton_->setVisible(l.editButton);
    deleteButton_->setVisible(l.deleteButton);
    okButton_->setText(l.okCaption);
    cancelButton_->setText(l.cancelCaption);
}

void ConnectionPropertiesDialog::syncList()
{
    syncing_ = true;
    const auto &items = logic_.listItems();
    bool same = connectionList_->count() == int(items.size());
    for (int i = 0; same && i < connectionList_->count(); ++i)
        same = connectionList_->item(i)->text() == toText(items[i]);
    if (!same) {
        connectionList_->clear();
        for (const QByteArray &name : items)
            connectionList_->addItem(toText(name));
    }
    connectionList_->setCurrentRow(logic_.selectedIndex());
    if (logic_.selectedIndex() < 0)
        connectionList_->clearSelection();
    syncing_ = false;
}

void ConnectionPropertiesDialog::syncFields()
{
    syncing_ = true;
    const EntryFields &f = logic_.fields;
    auto setText = [](QLineEdit *e, const QByteArray &v) {
        if (e->text() != toText(v))
            e->setText(toText(v));
    };
    for (const TextField &t : textFields())
        setText(t.edit, f.*t.field);
    autoLoginCheckBox_->setChecked(f.autoLogin);
    commonStatesCheckBox_->setChecked(f.showNzCommonStates);
    diagnosticCheckBox_->setChecked(f.diagnosticMode);
    if (f.connectionType >= 0 && f.connectionType < 3) {
        connectionTypeButtons_[f.connectionType]->setChecked(true);
    } else {
        connectionTypes_->setExclusive(false);
        for (QRadioButton *b : connectionTypeButtons_)
            b->setChecked(false);
        connectionTypes_->setExclusive(true);
    }
    auto setIndex = [](QComboBox *box, int i) { box->setCurrentIndex(i >= 0 && i < box->count() ? i : -1); };
    setIndex(baudRateComboBox_, f.baudRateIndex);
    setIndex(flowControlComboBox_, f.flowControl);
    setIndex(linePacingComboBox_, f.linePacingItem);
    setIndex(portComboBox_, logic_.portEntry());
    portComboBox_->setToolTip(logic_.portEntry() >= 0 ? logic_.ports()[logic_.portEntry()].devicePath : QString());
    syncing_ = false;
}

void ConnectionPropertiesDialog::applyFocus()
{
    switch (logic_.focus) {
    case DialogFocus::SysName: systemNameEdit_->setFocus(); break;
    case DialogFocus::ConnectionList: connectionList_->setFocus(); break;
    case DialogFocus::None: break;
    }
    logic_.focus = DialogFocus::None;
}

}  // namespace kordex
