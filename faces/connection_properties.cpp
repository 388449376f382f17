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

TConnectionProperties::TConnectionProperties(ConnectionBook &book, Configuration &config, Prompter &prompter,
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

void TConnectionProperties::ensureControls()
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

void TConnectionProperties::buildControls()
{
    GeneralGroup = group(this, "GeneralGroup", QStringLiteral("&General"), 0, 0, 233, 201);
    SysName = edit(GeneralGroup, "SysName", 8, 32, 217, 21);
    label(GeneralGroup, QStringLiteral("System Name"), 8, 16, SysName);
    EditUsername = edit(GeneralGroup, "EditUsername", 8, 80, 113, 21);
    label(GeneralGroup, QStringLiteral("Username (ZR9 only)"), 8, 64, EditUsername);
    EditPassword = edit(GeneralGroup, "EditPassword", 8, 120, 113, 21);
    label(GeneralGroup, QStringLiteral("Password"), 8, 104, EditPassword);
    SidEdit = edit(GeneralGroup, "SidEdit", 144, 120, 33, 21);
    label(GeneralGroup, QStringLiteral("SID"), 144, 104, SidEdit);
    SidUpDown = placed(new SidUpDownControl(GeneralGroup), 177, 120, 16, 21);
    SidUpDown->setObjectName(QStringLiteral("SidUpDown"));
    SidUpDown->findChild<QToolButton *>(QStringLiteral("SidUp"))->setGeometry(0, 0, 16, 10);
    SidUpDown->findChild<QToolButton *>(QStringLiteral("SidDown"))->setGeometry(0, 11, 16, 10);
    AutoLogCkbx = placed(new QCheckBox(QStringLiteral("Auto Login"), GeneralGroup), 8, 152, 73, 17);
    AutoLogCkbx->setObjectName(QStringLiteral("AutoLogCkbx"));
    CommonStatesCheckBox =
        placed(new QCheckBox(QStringLiteral("Show ZR9 NZ Common States"), GeneralGroup), 8, 176, 169, 17);
    CommonStatesCheckBox->setObjectName(QStringLiteral("CommonStatesCheckBox"));
    DiagCheckBox = placed(new QCheckBox(GeneralGroup), 208, 176, 17, 17);
    DiagCheckBox->setObjectName(QStringLiteral("DiagCheckBox"));
    DiagCheckBox->setToolTip(QStringLiteral("Diagnostic mode"));

    ConnectionGroup = group(this, "Connection", QStringLiteral("Connection &Type"), 0, 208, 233, 57);
    Connection = new QButtonGroup(this);
    // Two columns, filled top to bottom; the second starts where the first's
    // longest item ends, if that is further right.
    const QPoint at[3] = {{8, 16}, {8, 35}, {120, 16}};
    int secondColumn = at[2].x();
    for (int i = 0; i < 3; ++i) {
        ConnectionItems[i] = placed(new QRadioButton(QString::fromLatin1(kConnectionTypeItems[i]), ConnectionGroup),
                                    i < 2 ? at[i].x() : secondColumn, at[i].y(), 105, 17);
        ConnectionItems[i]->setObjectName(QStringLiteral("ConnectionItem%1").arg(i));
        Connection->addButton(ConnectionItems[i], i);
        if (i < 2)
            secondColumn = std::max(secondColumn, at[i].x() + ConnectionItems[i]->sizeHint().width() + kLabelGap);
    }

    ComPortGroup = group(this, "ComPortGroup", QStringLiteral("Com &Port Settings"), 0, 272, 233, 97);
    PortComboBox = placed(new QComboBox(ComPortGroup), 72, 16, 145, 22);
    PortComboBox->setObjectName(QStringLiteral("PortComboBox"));
    label(ComPortGroup, QStringLiteral("Port:"), 8, 20, PortComboBox);
    BaudRateComboBox = placed(new QComboBox(ComPortGroup), 72, 42, 145, 21);
    BaudRateComboBox->setObjectName(QStringLiteral("BaudRateComboBox"));
    for (int rate : kBaudRates)
        BaudRateComboBox->addItem(QString::number(rate));
    label(ComPortGroup, QStringLiteral("Baud Rate:"), 8, 46, BaudRateComboBox);
    FlowCtrlComboBox = placed(new QComboBox(ComPortGroup), 72, 68, 145, 21);
    FlowCtrlComboBox->setObjectName(QStringLiteral("FlowCtrlComboBox"));
    for (const char *item : kFlowControlItems)
        FlowCtrlComboBox->addItem(QString::fromLatin1(item));
    label(ComPortGroup, QStringLiteral("Flow Control:"), 8, 72, FlowCtrlComboBox);

    Network = group(this, "Network", QStringLiteral("&Network"), 0, 272, 233, 89);
    NetPort = edit(Network, "NetPort", 142, 10, 83, 21);
    label(Network, QStringLiteral("Port/Service"), 8, 14, NetPort);
    NetHost = edit(Network, "NetHost", 142, 33, 83, 21);
    label(Network, QStringLiteral("Address/Host"), 8, 37, NetHost);
    TcpIpLp = placed(new QComboBox(Network), 168, 63, 57, 21);
    TcpIpLp->setObjectName(QStringLiteral("TcpIpLp"));
    for (int ms : kLinePacingItems)
        TcpIpLp->addItem(QString::number(ms));
    label(Network, QStringLiteral("TCPIP Line Pacing"), 8, 67, TcpIpLp);

    PhoneNumGroup = group(this, "PhoneNumGroup", QStringLiteral("P&hone Number"), 0, 376, 233, 49);
    PhoneNumber = edit(PhoneNumGroup, "PhoneNumber", 8, 16, 153, 21);

    AuxPrompt = group(this, "AuxPrompt", QStringLiteral("A&ux Prompt"), 0, 369, 233, 64);
    Alp1 = edit(AuxPrompt, "Alp1", 104, 12, 57, 21);
    Alr1 = edit(AuxPrompt, "Alr1", 169, 13, 57, 21);
    label(AuxPrompt, QStringLiteral("Aux Prompt/Resp 1"), 8, 16, Alp1);
    Alp2 = edit(AuxPrompt, "Alp2", 104, 38, 57, 21);
    Alr2 = edit(AuxPrompt, "Alr2", 169, 38, 57, 21);
    label(AuxPrompt, QStringLiteral("Aux Prompt/Resp 2"), 8, 42, Alp2);

    ConnectionList = placed(new QListWidget(this), kBorder, 2 + kBorder, 233, 431);
    ConnectionList->setObjectName(QStringLiteral("ConnectionList"));
    ConnectionList->setSelectionMode(QAbstractItemView::SingleSelection);

    auto button = [this](const char *name, const QString &text, int x) {
        auto *b = placed(new QPushButton(text, this), x + kBorder, 440 + kBorder, 49, 25);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        return b;
    };
    OKButton = button("OKButton", QStringLiteral("&OK"), 0);
    OKButton->setDefault(true);
    EditButton = button("EditButton", QStringLiteral("&Edit"), 62);
    DeleteButton = button("DeleteButton", QStringLiteral("&Delete"), 124);
    CancelButton = button("CancelButton", QStringLiteral("C&ancel"), 184);

    QWidget *order[] = {SysName,
                        EditUsername,
                        EditPassword,
                        SidEdit,
                        SidUpDown,
                        AutoLogCkbx,
                        CommonStatesCheckBox,
                        DiagCheckBox,
                        ConnectionItems[0],
                        ConnectionItems[1],
                        ConnectionItems[2],
                        PortComboBox,
                        BaudRateComboBox,
                        FlowCtrlComboBox,
                        PhoneNumber,
                        NetPort,
                        NetHost,
                        TcpIpLp,
                        Alp1,
                        Alr1,
                        Alp2,
                        Alr2,
                        ConnectionList,
                        OKButton,
                        EditButton,
                        DeleteButton,
                        CancelButton};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);
}

// Qt's styles set a group's title above its frame, not on the frame line:
// each group's rows move down by the style's room for the title, the groups
// below move with them, and the window grows to fit, so every control keeps
// its place relative to its frame at any style, font and scale.
void TConnectionProperties::fitToStyle()
{
    const std::vector<std::vector<QGroupBox *>> stack = {
        {GeneralGroup}, {ConnectionGroup}, {ComPortGroup, Network}, {PhoneNumGroup, AuxPrompt}};
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
    ConnectionList->resize(ConnectionList->width(), ConnectionList->height() + moved);
    for (QPushButton *b : {OKButton, EditButton, DeleteButton, CancelButton})
        b->move(b->x(), b->y() + moved);
    setFixedSize(width(), height() + moved);
}

void TConnectionProperties::wireControls()
{
    filterField(SysName, CharFilter::SysName);
    filterField(EditPassword, CharFilter::SysName);
    filterField(Alp1, CharFilter::Prompt);
    filterField(Alp2, CharFilter::Prompt);
    filterField(Alr1, CharFilter::Prompt);
    filterField(Alr2, CharFilter::Prompt);
    filterField(PhoneNumber, CharFilter::PhoneNumber);
    filterField(NetPort, CharFilter::NetPort);
    filterField(NetHost, CharFilter::NetPort);
    filterField(SidEdit, CharFilter::SidEdit);
    filterField(EditUsername, CharFilter::Any);
    connect(SidEdit, &QLineEdit::editingFinished, this, [this] {
        // Show the number the up-down control holds.
        logic_.fields.sidText = QByteArray::number(logic_.fields.sidPosition());
        syncFields();
    });
    connect(SidUpDown, &SidUpDownControl::stepped, this, [this](int d) {
        logic_.stepSid(d);
        syncFields();
    });

    auto check = [this](QCheckBox *box, bool EntryFields::*field) {
        connect(box, &QCheckBox::toggled, this, [this, field](bool on) {
            if (!syncing_)
                logic_.fields.*field = on;
        });
    };
    check(AutoLogCkbx, &EntryFields::autoLogin);
    check(CommonStatesCheckBox, &EntryFields::showNzCommonStates);
    check(DiagCheckBox, &EntryFields::diagnosticMode);

    connect(Connection, &QButtonGroup::idClicked, this, [this](int id) {
        logic_.fields.connectionType = id;
        logic_.connectionTypeChanged();
        syncLayout();
    });
    auto combo = [this](QComboBox *box, int EntryFields::*field) {
        connect(box, &QComboBox::activated, this, [this, field](int i) { logic_.fields.*field = i; });
    };
    combo(BaudRateComboBox, &EntryFields::baudRateIndex);
    combo(FlowCtrlComboBox, &EntryFields::flowControl);
    combo(TcpIpLp, &EntryFields::linePacingItem);
    connect(PortComboBox, &QComboBox::activated, this, [this](int i) {
        logic_.choosePort(i);
        syncFields();
    });

    connect(ConnectionList, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!syncing_)
            logic_.selectEntry(row);
    });
    connect(ConnectionList, &QListWidget::itemDoubleClicked, this, [this] {
        logic_.entryActivated();
        afterHandler();
    });
    connect(OKButton, &QPushButton::clicked, this, [this] {
        logic_.accept();
        afterHandler();
    });
    connect(EditButton, &QPushButton::clicked, this, [this] {
        logic_.editEntry();
        afterHandler();
    });
    connect(DeleteButton, &QPushButton::clicked, this, [this] {
        logic_.deleteEntry();
        afterHandler();
    });
    connect(CancelButton, &QPushButton::clicked, this, [this] {
        logic_.cancel();
        afterHandler();
    });

    auto *help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    help->setContext(Qt::WindowShortcut);
    connect(help, &QShortcut::activated, this, [this] { actions_.showHelpTopic(currentHelpTopic()); });
}

void TConnectionProperties::filterField(QLineEdit *e, CharFilter filter)
{
    e->setProperty(kFilterProperty, int(filter));
    e->installEventFilter(this);
    connect(e, &QLineEdit::textEdited, this, [this, e, filter](const QString &text) {
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
        pushText(e);
    });
}

void TConnectionProperties::pushText(QLineEdit *e)
{
    EntryFields &f = logic_.fields;
    const QByteArray v = toBytes(e->text());
    if (e == SysName)
        f.systemName = v;
    else if (e == EditUsername)
        f.userName = v;
    else if (e == EditPassword)
        f.password = v;
    else if (e == SidEdit)
        f.sidText = v;
    else if (e == PhoneNumber)
        f.phoneNumber = v;
    else if (e == NetPort)
        f.tcpPort = v;
    else if (e == NetHost)
        f.tcpHost = v;
    else if (e == Alp1)
        f.auxPrompt1 = v;
    else if (e == Alp2)
        f.auxPrompt2 = v;
    else if (e == Alr1)
        f.auxReply1 = v;
    else if (e == Alr2)
        f.auxReply2 = v;
}

bool TConnectionProperties::eventFilter(QObject *watched, QEvent *event)
{
    auto *e = qobject_cast<QLineEdit *>(watched);
    if (!e || event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    auto *key = static_cast<QKeyEvent *>(event);
    const auto filter = CharFilter(e->property(kFilterProperty).toInt());
    if (e == SidEdit && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
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

void TConnectionProperties::setPortList(std::vector<SerialPortEntry> ports)
{
    fixedPorts_ = ports;
    ensureControls();
    applyPortList(std::move(ports));
}

// The port chosen stays chosen while it is still there.
void TConnectionProperties::rescanPorts()
{
    const int chosen = logic_.portNumber();
    applyPortList(fixedPorts_ ? *fixedPorts_ : ProbeSerialPorts(config_.ports()));
    logic_.setPortNumber(chosen);
    syncFields();
}

void TConnectionProperties::applyPortList(std::vector<SerialPortEntry> ports)
{
    logic_.setPortList(std::move(ports));
    const bool was = syncing_;
    syncing_ = true;
    PortComboBox->clear();
    for (const SerialPortEntry &p : logic_.ports()) {
        PortComboBox->addItem(QString::asprintf("COM %d", p.number), p.number);
        PortComboBox->setItemData(PortComboBox->count() - 1, p.devicePath, Qt::ToolTipRole);
    }
    syncing_ = was;
    syncFields();
}

void TConnectionProperties::showInMode(DialogMode mode)
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

void TConnectionProperties::setVisible(bool visible)
{
    if (visible)
        ensureControls();  // before the show, so they are shown with the window
    QDialog::setVisible(visible);
}

void TConnectionProperties::showEvent(QShowEvent *e)
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

void TConnectionProperties::hideEvent(QHideEvent *e)
{
    QDialog::hideEvent(e);
    if (!e->spontaneous())
        logic_.dialogHidden();
}

void TConnectionProperties::closeEvent(QCloseEvent *e)
{
    // The title-bar box only hides; the mode stays until the main window sets one.
    e->accept();
    hide();
}

void TConnectionProperties::reject()
{
    logic_.cancel();
    afterHandler();
}

int TConnectionProperties::currentHelpTopic() const
{
    if (built_ && ConnectionList->isVisible() && ConnectionList->hasFocus() && logic_.layout.listHelpTopic != 0)
        return logic_.layout.listHelpTopic;
    return logic_.layout.dialogHelpTopic;
}

void TConnectionProperties::afterHandler()
{
    if (built_ && isVisible())
        syncFromLogic();
}

void TConnectionProperties::syncFromLogic()
{
    syncLayout();
    syncList();
    syncFields();
    applyFocus();
}

void TConnectionProperties::syncLayout()
{
    const DialogLayout &l = logic_.layout;
    GeneralGroup->setVisible(l.generalGroup);
    ConnectionGroup->setVisible(l.connectionGroup);
    Network->setVisible(l.networkGroup);
    AuxPrompt->setVisible(l.auxPromptGroup);
    PhoneNumGroup->setVisible(l.phoneGroup);
    ComPortGroup->setVisible(l.comPortGroup);
    ConnectionList->setVisible(l.connectionList);
    if (l.connectionList)
        ConnectionList->raise();
    EditButton->setVisible(l.editButton);
    DeleteButton->setVisible(l.deleteButton);
    OKButton->setText(l.okCaption);
    CancelButton->setText(l.cancelCaption);
}

void TConnectionProperties::syncList()
{
    syncing_ = true;
    const auto &items = logic_.listItems();
    bool same = ConnectionList->count() == int(items.size());
    for (int i = 0; same && i < ConnectionList->count(); ++i)
        same = ConnectionList->item(i)->text() == toText(items[i]);
    if (!same) {
        ConnectionList->clear();
        for (const QByteArray &name : items)
            ConnectionList->addItem(toText(name));
    }
    ConnectionList->setCurrentRow(logic_.selectedIndex());
    if (logic_.selectedIndex() < 0)
        ConnectionList->clearSelection();
    syncing_ = false;
}

void TConnectionProperties::syncFields()
{
    syncing_ = true;
    const EntryFields &f = logic_.fields;
    auto setText = [](QLineEdit *e, const QByteArray &v) {
        if (e->text() != toText(v))
            e->setText(toText(v));
    };
    setText(SysName, f.systemName);
    setText(EditUsername, f.userName);
    setText(EditPassword, f.password);
    setText(SidEdit, f.sidText);
    setText(PhoneNumber, f.phoneNumber);
    setText(NetPort, f.tcpPort);
    setText(NetHost, f.tcpHost);
    setText(Alp1, f.auxPrompt1);
    setText(Alp2, f.auxPrompt2);
    setText(Alr1, f.auxReply1);
    setText(Alr2, f.auxReply2);
    AutoLogCkbx->setChecked(f.autoLogin);
    CommonStatesCheckBox->setChecked(f.showNzCommonStates);
    DiagCheckBox->setChecked(f.diagnosticMode);
    if (f.connectionType >= 0 && f.connectionType < 3) {
        ConnectionItems[f.connectionType]->setChecked(true);
    } else {
        Connection->setExclusive(false);
        for (QRadioButton *b : ConnectionItems)
            b->setChecked(false);
        Connection->setExclusive(true);
    }
    auto setIndex = [](QComboBox *box, int i) { box->setCurrentIndex(i >= 0 && i < box->count() ? i : -1); };
    setIndex(BaudRateComboBox, f.baudRateIndex);
    setIndex(FlowCtrlComboBox, f.flowControl);
    setIndex(TcpIpLp, f.linePacingItem);
    setIndex(PortComboBox, logic_.portEntry());
    PortComboBox->setToolTip(logic_.portEntry() >= 0 ? logic_.ports()[logic_.portEntry()].devicePath : QString());
    syncing_ = false;
}

void TConnectionProperties::applyFocus()
{
    switch (logic_.focus) {
    case DialogFocus::SysName: SysName->setFocus(); break;
    case DialogFocus::ConnectionList: ConnectionList->setFocus(); break;
    case DialogFocus::None: break;
    }
    logic_.focus = DialogFocus::None;
}

}  // namespace kordex
