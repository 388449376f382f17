#include "faces/main_window.h"

#include "config/connect_menu.h"
#include "face_logic/face_layout.h"
#include "face_logic/key_input.h"
#include "faces/connection_properties.h"
#include "faces/face_widgets.h"
#include "faces/fonts.h"
#include "link/link_session.h"
#include "platform/prompter.h"
#include "platform/text_codec.h"
#include "platform/version.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTextBlock>
#include <QTimer>

#include <algorithm>

static void initIconResources() { Q_INIT_RESOURCE(icons); }

namespace kordex {

QIcon programIcon()
{
    initIconResources();
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128})
        icon.addFile(QStringLiteral(":/icons/kordex-%1.png").arg(size), QSize(size, size));
    return icon;
}

namespace {

constexpr int kEventScreenWidth = 793;

QColor toColor(Rgb c) { return QColor(c.r, c.g, c.b); }

// One memo line: the panel's bytes without the CR that ends a completed line.
QString memoLine(const QByteArray &line)
{
    QByteArray bytes = line;
    bytes.replace('\r', QByteArray());
    bytes.replace('\n', QByteArray());
    return fromPanelBytes(bytes);
}

int virtualKeyOf(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Left: return vk::kLeft;
    case Qt::Key_Up: return vk::kUp;
    case Qt::Key_Right: return vk::kRight;
    case Qt::Key_Down: return vk::kDown;
    case Qt::Key_F1: return vk::kF1;
    case Qt::Key_F2: return vk::kF2;
    case Qt::Key_F3: return vk::kF3;
    case Qt::Key_F4: return vk::kF4;
    case Qt::Key_F5: return vk::kF5;
    default: return 0;
    }
}

const char kAboutText[] = KORDEX_TITLE_PREFIX
    "\xc2\xa9 Corvane. All rights reserved. This program and its documentation "
    "are the property of Corvane; copying them, in whole or in part, without written "
    "permission is forbidden.\n\n"
    "The serial communications of this program use the Qt Serial Port library, which is "
    "licensed under the GNU Lesser General Public License version 3. Its source code can "
    "be obtained from the Qt Project (qt.io) or as the Debian source package qt6-serialport.";

}  // namespace

MainWindow::MainWindow(Prompter &prompter, QWidget *parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      prompter_(prompter)
{
    installFontSubstitutions();
    setObjectName(QStringLiteral("Lcd"));
    setProperty("mainWindow", true);
    setWindowTitle(QStringLiteral("Not Connected"));
    setFont(panelFont(FontFamily::CourierNew, 13));

    buildMenus();
    buildComponents();
    frame_ = new QTimer(this);
    frame_->setSingleShot(true);
    frame_->setInterval(kFrameMs);
    connect(frame_, &QTimer::timeout, this, &MainWindow::showPending);

    // A fixed client area under the menu bar; no resizing.
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect r = frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
}

void MainWindow::attach(Engine &engine, LinkSession &link, KeyInput &keys, ConnectionPropertiesDialog *dialog)
{
    engine_ = &engine;
    link_ = &link;
    keys_ = &keys;
    dialog_ = dialog;
}

MainWindow::~MainWindow()
{
    qApp->removeEventFilter(this);
    installHelpHook(nullptr);
}

QAction *MainWindow::addItem(QMenu *menu, const char *name, const char *caption, int help)
{
    QAction *a = menu->addAction(QString::fromLatin1(caption));
    a->setObjectName(QString::fromLatin1(name));
    a->setProperty("helpContext", help);
    return a;
}

void MainWindow::buildMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    bar->setFont(QApplication::font());  // the desktop's menu font, not the form's

    fileMenu_ = bar->addMenu(QStringLiteral("&File"));
    fileMenu_->menuAction()->setObjectName(QStringLiteral("File1"));
    QAction *connect1 = addItem(fileMenu_, "Connect1", "Co&nnect to...", 4);
    QAction *disconnect = addItem(fileMenu_, "Disconnect", "&Disconnect", 0);
    disconnect->setEnabled(false);
    QAction *edit = addItem(fileMenu_, "EditConnection1", "&Edit Connection...", 3);
    fileMenu_->addSeparator()->setObjectName(QStringLiteral("N2"));
    QAction *capture = addItem(fileMenu_, "SaveDatabase1", "&Capture to File...", 7);
    capture->setEnabled(false);
    QAction *sendFile = addItem(fileMenu_, "LoadDatabase1", "&Send File...", 7);
    sendFile->setEnabled(false);
    fileMenu_->addSeparator()->setObjectName(QStringLiteral("N3"));
    QAction *closeTandem = addItem(fileMenu_, "CloseTandemMode1", "&Close Tandem Mode   C", 9);
    closeTandem->setVisible(false);
    QAction *exit = addItem(fileMenu_, "Exit", "E&xit", 0);

    connectMenu_ = bar->addMenu(QStringLiteral("&Connect"));
    connectMenu_->menuAction()->setObjectName(QStringLiteral("ConnectMenu"));

    QMenu *view = bar->addMenu(QStringLiteral("&View"));
    view->menuAction()->setObjectName(QStringLiteral("View1"));
    view->menuAction()->setProperty("helpContext", 10);
    QAction *refresh = addItem(view, "Refresh1", "&Refresh   F5 or H", 10);
    refresh->setEnabled(false);
    QAction *events = addItem(view, "Events1", "&Events", 10);
    events->setCheckable(true);
    events->setEnabled(false);
    QAction *history = addItem(view, "EventHistory1", "", 10);
    history->setText(QStringLiteral("Event &History…"));
    connect(view, &QMenu::aboutToShow, this, [this, history] { history->setVisible(bool(onShowHistory)); });
    connect(history, &QAction::triggered, this, [this] {
        if (onShowHistory)
            onShowHistory();
    });

    QMenu *help = bar->addMenu(QStringLiteral("&Help"));
    help->menuAction()->setObjectName(QStringLiteral("Help"));
    help->menuAction()->setProperty("helpContext", 12);
    QAction *menuHelp = addItem(help, "MenuHelp", "Kordex &Help", 12);
    QAction *about = addItem(help, "About", "&About Kordex", 1);

    connect(connect1, &QAction::triggered, this, [this] {
        if (dialog_)
            dialog_->showInMode(DialogMode::Select);
    });
    connect(edit, &QAction::triggered, this, [this] {
        if (dialog_)
            dialog_->showInMode(DialogMode::Manage);
    });
    connect(disconnect, &QAction::triggered, this, [this] { link_->requestDisconnect(); });
    connect(capture, &QAction::triggered, this, [this] { link_->toggleCapture(); });
    connect(sendFile, &QAction::triggered, this, [this] { link_->toggleFileSend(); });
    connect(closeTandem, &QAction::triggered, this, [this] { keys_->closeTandemMode(); });
    connect(exit, &QAction::triggered, this, [this] { exitProgram(); });
    connect(refresh, &QAction::triggered, this, [this] { keys_->refresh(); });
    connect(events, &QAction::triggered, this, [this, events](bool nowChecked) {
        // The check mark follows the panel's report, not the click.
        const bool wasChecked = !nowChecked;
        events->setChecked(wasChecked);
        keys_->toggleEventDisplay(wasChecked);
    });
    connect(menuHelp, &QAction::triggered, this, [this] { showHelpContents(); });
    connect(about, &QAction::triggered, this, [this] { showAbout(); });
}

void MainWindow::buildComponents()
{
    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("ClientArea"));
    client_->setFixedSize(kClientWidth, kClientHeight);
    setCentralWidget(client_);

    faces_ = std::make_unique<FaceSet>(client_);
    nzDisplay_ = faces_->nzDisplay();
    faces_->onMade = [this](Container c, QWidget *container) {
        if (c == Container::AS4428p)
            container->setProperty("helpContext", 1);
        for (KeyWidget *key : faces_->keys(c)) {
            connect(key, &KeyWidget::pressed, this, &MainWindow::keyDown);
            connect(key, &KeyWidget::released, this, &MainWindow::keyUp);
        }
    };
    buildTray();
    buildDisplay();
    buildEventScreen();
}

// The tray along the bottom: the Sounder and Events labels and the file send note.
void MainWindow::buildTray()
{
    tray = new QFrame(client_);
    tray->setObjectName(QStringLiteral("Tray"));
    tray->setFrameStyle(QFrame::Panel | QFrame::Raised);
    tray->setGeometry(0, 520, kEventScreenWidth, 25);
    sounderLabel = new QLabel(QStringLiteral("Sounder Off"), tray);
    sounderLabel->setObjectName(QStringLiteral("Sounder"));
    sounderLabel->setFont(panelFont(FontFamily::Arial, 13));
    sounderLabel->move(12, 4);
    sounderLabel->adjustSize();
    eventsLabel = new QLabel(QStringLiteral("Event Display Off"), tray);
    eventsLabel->setObjectName(QStringLiteral("Events"));
    eventsLabel->setFont(panelFont(FontFamily::Arial, 13));
    eventsLabel->move(678, 4);
    eventsLabel->adjustSize();
    eventsLabel->setCursor(Qt::PointingHandCursor);
    progressLabel = new QLabel(tray);
    progressLabel->setObjectName(QStringLiteral("Progress"));
    progressLabel->setFont(panelFont(FontFamily::Arial, 13));
    progressLabel->setGeometry(170, 4, 490, 17);
    progressLabel->setAlignment(Qt::AlignCenter);
    progressLabel->hide();
}

void MainWindow::buildDisplay()
{
    lcdDisplay = new QPlainTextEdit(client_);
    lcdDisplay->setObjectName(QStringLiteral("LCDisplay"));
    lcdDisplay->setReadOnly(true);
    lcdDisplay->setEnabled(false);
    lcdDisplay->setFont(panelFont(FontFamily::CourierNew, 15, true));
    lcdDisplay->setLineWrapMode(QPlainTextEdit::NoWrap);
    lcdDisplay->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lcdDisplay->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lcdDisplay->setFrameStyle(QFrame::Box | QFrame::Plain);
    lcdDisplay->document()->setDocumentMargin(2);
    {
        // A backlit display: dark lettering on pale green, also while disabled.
        QPalette p = lcdDisplay->palette();
        const QColor lit(196, 214, 148), ink(24, 32, 20);
        for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            p.setColor(group, QPalette::Base, lit);
            p.setColor(group, QPalette::Text, ink);
            p.setColor(group, QPalette::WindowText, QColor(60, 60, 60));
        }
        lcdDisplay->setPalette(p);
    }
    lcdDisplay->setGeometry(displayGeometry(DisplayLayout::TwoRows));
}

void MainWindow::buildEventScreen()
{
    eventScreen = new QPlainTextEdit(client_);
    eventScreen->setObjectName(QStringLiteral("EventScreen"));
    eventScreen->setReadOnly(true);
    eventScreen->setUndoRedoEnabled(false);
    eventScreen->setFont(panelFont(FontFamily::CourierNew, 13));
    eventScreen->setLineWrapMode(QPlainTextEdit::NoWrap);
    eventScreen->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setEventScreenBand(EventScreenLayout::Full);
    connect(eventScreen->verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int v) {
        // Follow new lines unless the operator scrolled back to read.
        if (!applying_)
            followTail_ = v >= eventScreen->verticalScrollBar()->maximum();
    });
}

void MainWindow::start(bool flashLamps)
{
    // Front to back: the event screen over the display over the tray and the
    // New Zealand display over the faces.
    nzDisplay_->raise();
    tray->raise();
    lcdDisplay->raise();
    eventScreen->raise();
    setEventScreenBand(EventScreenLayout::Full);
    eventScreen->setPlainText(QStringLiteral("\n"));  // two empty lines
    lines_ = linesShown_ = {QByteArray(), QByteArray()};

    engine_->startUp();  // face 0, "Not Connected", every indicator X, timers
    if (flashLamps)
        engine_->flash.start();
    installHelpHook([this](int command, int value) { return help_(command, value); });
    qApp->installEventFilter(this);
}

void MainWindow::showEvent(QShowEvent *event)
{
    // The first paint shows the state as it is, not as it was at creation.
    showPending();
    QMainWindow::showEvent(event);
    // The faces not made yet are made once the window is up, so the first
    // change of face does not wait for them; the program's icon comes then
    // too, being no part of the first paint.
    QTimer::singleShot(kFacesAfterShowMs, this, [this] {
        faces_->makeAll();
        if (QApplication::windowIcon().isNull())
            QApplication::setWindowIcon(programIcon());
    });
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (!closing_)
        shutDown();
    event->accept();
}

void MainWindow::shutDown()
{
    closing_ = true;
    if (onClosing)
        onClosing();

    help_.closeAll();
    if (engine_)
        engine_->flash.stop();
}

void MainWindow::showAbout()
{
    prompter_.message(QStringLiteral(KORDEX_TITLE_PREFIX), QString::fromUtf8(kAboutText), Prompter::Icon::Information);
}

void MainWindow::showHelpContents() { raiseHelpEvent(0, 0); }

void MainWindow::showHelpTopic(int topic) { raiseHelpEvent(1, topic); }

void MainWindow::setFileMenuEnabled(bool enabled) { fileMenu_->menuAction()->setEnabled(enabled); }

QAction *MainWindow::menuItem(const char *name) const { return findChild<QAction *>(QString::fromLatin1(name)); }

QAction *MainWindow::action(MenuItem item) const
{
    if (item == MenuItem::ConnectMenu)
        return connectMenu_->menuAction();
    return menuItem(menuItemName(item));
}

// ---- pictured keys and keyboard ----

void MainWindow::keyDown(KeyWidget *key)
{
    key->showPicture(true);
    keys_->pressKey(key->keyCode());
}

void MainWindow::keyUp(KeyWidget *key)
{
    // The key comes up before the end-of-hold bytes go: a send that waits
    // for transmit room must not leave it drawn pressed in.
    key->showPicture(false);
    keys_->releaseKey();
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    // One application-wide filter: it sees the Events label's clicks and
    // every key meant for this window before any control does.
    if (watched == eventsLabel && event->type() == QEvent::MouseButtonRelease) {
        // A click is the primary button's; a right click must not switch
        // the panel's event display.
        auto *me = static_cast<QMouseEvent *>(event);
        if (me->button() == Qt::LeftButton && eventsLabel->rect().contains(me->position().toPoint()))
            keys_->clickEventsLabel(eventsKeyCode_);
        return false;
    }
    if (event->type() == QEvent::KeyPress && !closing_) {
        auto *w = qobject_cast<QWidget *>(watched);
        // Keyboard navigation of the menu bar stays the menu bar's.
        if (w && w->window() == this && !qobject_cast<QMenuBar *>(w))
            return previewKey(static_cast<QKeyEvent *>(event));
    }
    return QMainWindow::eventFilter(watched, event);
}

// The window sees every key before its controls: arrow and function keys
// are translated, typed characters sent, and nothing reaches a control.
bool MainWindow::previewKey(QKeyEvent *event)
{
    const bool alt = event->modifiers() & Qt::AltModifier;
    if (const int v = virtualKeyOf(event->key())) {
        if (!keys_->pressKeyboardKey(v, alt))
            close();  // Alt+F4
        // Also with Alt held: an arrow or function key has no character and
        // no menu mnemonic, and no control gets it.
        return true;
    }
    if (alt)
        return false;  // menu mnemonics
    if (event->key() == Qt::Key_Delete)
        return true;  // a key without a character of its own
    const QString text = event->text();
    for (QChar c : text) {
        if (auto b = toPanelByte(c))
            keys_->typeCharacter(*b);
    }
    return true;
}

// ---- EngineView ----

void MainWindow::setCaption(const QByteArray &caption)
{
    caption_ = caption;
    scheduleFrame();
}

void MainWindow::setVisibleContainer(Container c)
{
    for (Container each : {Container::AS1603, Container::AS4428p, Container::ZR9, Container::ZR9FBP})
        if (QWidget *face = each == c ? faces_->container(each) : faces_->madeContainer(each))
            face->setVisible(each == c);
}

void MainWindow::prepareFace(int panelType)
{
    faces_->prepareFace(panelType);
    if (panelType >= 1 && panelType <= 4)
        if (KeyWidget *rp = faces_->key(QStringLiteral("V01RP")); rp && engine_)
            rp->setKeyCode(engine_->pointRelayKeyCode);
}

void MainWindow::setLogicKeysVisible(bool visible) { faces_->setLogicKeysVisible(visible); }

void MainWindow::setDisplayLayout(DisplayLayout layout) { lcdDisplay->setGeometry(displayGeometry(layout)); }

void MainWindow::setEventScreenBand(EventScreenLayout layout)
{
    const EventScreenBand band = eventScreenBand(layout);
    eventScreen->setGeometry(0, band.top, kEventScreenWidth, band.height);
}

void MainWindow::setEventScreenLayout(EventScreenLayout layout)
{
    setEventScreenBand(layout);
    eventScreenDirty_ = true;
    scheduleFrame();
}

void MainWindow::setNzDisplayVisible(bool visible) { nzDisplay_->setVisible(visible); }

// The engine may set the display text once per received byte; the window
// keeps the last text and lays it out once per frame.
void MainWindow::setLcdText(const QByteArray &text)
{
    if (text == lcdText_)
        return;
    lcdText_ = text;
    scheduleFrame();
}

// The event screen's line operations act on a list of lines; the frame
// brings the text box up to date with it in one edit.
void MainWindow::eventScreenReplace(int index, const QByteArray &line)
{
    if (index < 0 || index >= lines_.size())
        return;
    lines_[index] = line;
    eventScreenDirty_ = true;
    scheduleFrame();
}

void MainWindow::eventScreenInsert(int index, const QByteArray &line)
{
    if (index < 0)
        return;
    if (index >= lines_.size())
        lines_.append(line);
    else
        lines_.insert(index, line);
    eventScreenDirty_ = true;
    scheduleFrame();
}

void MainWindow::eventScreenRemoveFirst()
{
    // A text box always holds one line, if only an empty one.
    if (lines_.size() > 1) {
        lines_.removeFirst();
        ++linesDropped_;
    } else {
        lines_.first().clear();
    }
    eventScreenDirty_ = true;
    scheduleFrame();
}

void MainWindow::scheduleFrame()
{
    if (!frame_->isActive())
        frame_->start();
}

bool MainWindow::framePending() const { return frame_->isActive(); }

void MainWindow::showPending()
{
    frame_->stop();
    if (caption_) {
        setWindowTitle(fromPanelBytes(*caption_));
        caption_.reset();
    }
    if (lcdText_ != lcdShown_) {
        lcdShown_ = lcdText_;
        QString s = fromPanelBytes(lcdText_);
        s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        lcdDisplay->setPlainText(s);
    }
    applyEventLines();
    for (const PendingLamp &c : lamps_) {
        if (c.color)
            c.lamp->setColor(*c.color);
        if (c.visible)
            c.lamp->setVisible(*c.visible);
    }
    lamps_.clear();
}

// One edit per frame: the lines that scrolled off the top go, then the text
// from the first line that differs is rewritten (usually the last few).
void MainWindow::applyEventLines()
{
    if (!eventScreenDirty_)
        return;
    eventScreenDirty_ = false;
    applying_ = true;
    QTextDocument *doc = eventScreen->document();
    const qsizetype drop = std::min(linesDropped_, linesShown_.size() - 1);
    linesDropped_ = 0;
    if (drop > 0) {
        QTextCursor c(doc);
        c.setPosition(doc->findBlockByNumber(int(drop)).position(), QTextCursor::KeepAnchor);
        c.removeSelectedText();
        linesShown_.remove(0, drop);
    }
    qsizetype first = 0;
    const qsizetype common = std::min(lines_.size(), linesShown_.size());
    while (first < common && lines_[first] == linesShown_[first])
        ++first;
    if (first < lines_.size() || first < linesShown_.size()) {
        QString text;
        for (qsizetype i = first; i < lines_.size(); ++i) {
            if (i > 0)
                text += QLatin1Char('\n');
            text += memoLine(lines_[i]);
        }
        QTextCursor c(doc);
        if (first < linesShown_.size()) {
            // From the end of the line before (its line break included).
            const QTextBlock b = doc->findBlockByNumber(int(first));
            c.setPosition(first > 0 ? b.position() - 1 : 0);
            c.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        } else {
            c.movePosition(QTextCursor::End);
        }
        c.insertText(text);
        linesShown_ = lines_;
    }
    if (followTail_) {
        QScrollBar *bar = eventScreen->verticalScrollBar();
        bar->setValue(bar->maximum());
    }
    applying_ = false;
}

QStringList MainWindow::eventScreenLines() const
{
    QStringList lines;
    for (QTextBlock b = eventScreen->document()->begin(); b.isValid(); b = b.next())
        lines << b.text();
    return lines;
}

MainWindow::PendingLamp &MainWindow::pendingLamp(LampWidget *lamp)
{
    for (PendingLamp &c : lamps_)
        if (c.lamp == lamp)
            return c;
    return lamps_.emplace_back(PendingLamp{lamp, {}, {}});
}

void MainWindow::setLampColor(std::string_view name, Rgb color)
{
    if (LampWidget *lamp = faces_->lamp(name)) {
        pendingLamp(lamp).color = toColor(color);
        scheduleFrame();
    }
}

void MainWindow::setLampVisible(std::string_view name, bool visible)
{
    if (LampWidget *lamp = faces_->lamp(name)) {
        pendingLamp(lamp).visible = visible;
        scheduleFrame();
    }
}

void MainWindow::setSounder(const QByteArray &caption, Rgb textColor)
{
    sounderLabel->setText(fromPanelBytes(caption));
    // Black is the tray's own text colour, so "Sounder Off" reads on a dark
    // desktop too.
    QPalette p = sounderLabel->palette();
    p.setColor(QPalette::WindowText,
               textColor == kBlack ? tray->palette().color(QPalette::WindowText) : toColor(textColor));
    sounderLabel->setPalette(p);
    sounderLabel->adjustSize();
}

void MainWindow::setSounderVisible(bool visible) { sounderLabel->setVisible(visible); }

void MainWindow::setEventsLabel(const QByteArray &caption, int keyCode)
{
    eventsLabel->setText(fromPanelBytes(caption));
    eventsLabel->adjustSize();
    eventsKeyCode_ = keyCode;
}

void MainWindow::setEventsLabelVisible(bool visible) { eventsLabel->setVisible(visible); }

void MainWindow::setMenuEnabled(MenuItem item, bool enabled) { action(item)->setEnabled(enabled); }

void MainWindow::setMenuChecked(MenuItem item, bool checked) { action(item)->setChecked(checked); }

void MainWindow::setMenuVisible(MenuItem item, bool visible) { action(item)->setVisible(visible); }

void MainWindow::setMenuCaption(MenuItem item, const QByteArray &caption)
{
    action(item)->setText(fromPanelBytes(caption));
}

void MainWindow::setProgress(const QByteArray &text)
{
    progress_ = fromPanelBytes(text);
    showTrayNote();
}

void MainWindow::setHistoryNote(const QString &text)
{
    historyNote_ = text;
    showTrayNote();
}

void MainWindow::showTrayNote()
{
    const QString &shown = progress_.isEmpty() ? historyNote_ : progress_;
    progressLabel->setText(shown);
    progressLabel->setToolTip(shown);  // a long path may not fit
    progressLabel->setVisible(!shown.isEmpty());
}

void MainWindow::setConnectMenu(const std::vector<QByteArray> &captions)
{
    // Rebuilt in place: only the captions change while a connection runs.
    QList<QAction *> items = connectMenu_->actions();
    for (int i = 0; i < int(captions.size()); ++i) {
        const QString text = connectMenuItemText(captions[size_t(i)]);
        if (i < items.size()) {
            items[i]->setText(text);
            continue;
        }
        QAction *a = connectMenu_->addAction(text);
        connect(a, &QAction::triggered, this, [this, i] { link_->connectMenuItemChosen(i); });
    }
    for (int i = int(captions.size()); i < items.size(); ++i)
        delete items[i];
}

void MainWindow::beep() { QApplication::beep(); }

void MainWindow::flashTaskbar(bool invert)
{
    if (invert)
        QApplication::alert(this, 400);
}

void MainWindow::focusFirstControl() { eventScreen->setFocus(Qt::OtherFocusReason); }

}  // namespace kordex
