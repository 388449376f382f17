#include "faces/help_window.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QScreen>
#include <QTextBrowser>

#include <algorithm>

static void initHelpResources() { Q_INIT_RESOURCE(help); }

namespace kordex {

namespace {
struct Page {
    const char *file;
    const char *title;
};
constexpr Page kPages[] = {
    {"contents", "Contents"},
    {"topic1", "About Kordex and the panel faces"},
    {"topic4", "Connecting to a panel"},
    {"topic5", "Connecting while already connected"},
    {"topic3", "Managing stored connections"},
    {"topic15", "Connection properties"},
    {"topic7", "Capturing events and sending a file"},
    {"topic9", "Leaving tandem mode"},
    {"topic10", "The View menu"},
    {"topic12", "Using this help"},
    {"practice", "Practising on a simulated panel"},
};

QUrl pageUrl(const char *file) { return QUrl(QStringLiteral("qrc:/help/%1.html").arg(QLatin1String(file))); }

}  // namespace

HelpWindow::HelpWindow(QWidget *parent) : QWidget(parent, Qt::Window)
{
    initHelpResources();
    setWindowTitle(QStringLiteral("Kordex Help"));
    setAttribute(Qt::WA_QuitOnClose, false);
    list_ = new QListWidget(this);
    for (const Page &page : kPages) {
        auto *item = new QListWidgetItem(QString::fromLatin1(page.title), list_);
        item->setData(Qt::UserRole, pageUrl(page.file));
    }
    list_->setFixedWidth(230);
    browser_ = new QTextBrowser(this);
    browser_->setOpenLinks(true);
    browser_->setOpenExternalLinks(false);
    applyPaletteColours();
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(list_);
    layout->addWidget(browser_, 1);
    resize(760, 480);
    connect(list_, &QListWidget::itemActivated, this,
            [this](QListWidgetItem *item) { browser_->setSource(item->data(Qt::UserRole).toUrl()); });
    connect(list_, &QListWidget::currentItemChanged, this, [this](QListWidgetItem *item) {
        if (!item)
            return;
        const QUrl url = item->data(Qt::UserRole).toUrl();
        if (browser_->source() != url)
            browser_->setSource(url);
    });
    connect(browser_, &QTextBrowser::sourceChanged, this, &HelpWindow::syncList);
}

bool HelpWindow::hasTopic(int n)
{
    for (int t : kTopics)
        if (t == n)
            return true;
    return false;
}

QUrl HelpWindow::topicUrl(int n) { return QUrl(QStringLiteral("qrc:/help/topic%1.html").arg(n)); }

QUrl HelpWindow::source() const { return browser_->source(); }

void HelpWindow::syncList(const QUrl &url)
{
    for (int i = 0; i < list_->count(); ++i) {
        if (list_->item(i)->data(Qt::UserRole).toUrl() == url) {
            QSignalBlocker block(list_);
            list_->setCurrentRow(i);
            return;
        }
    }
}

// The topics' colours come from the palette, so they read as well on a dark
// desktop as on a light one: headings in a red of the text's lightness,
// table rules and header cells a step away from the page.
void HelpWindow::applyPaletteColours()
{
    const QPalette p = palette();
    const QColor text = p.color(QPalette::Text), page = p.color(QPalette::Base);
    const bool dark = page.lightness() < text.lightness();
    const QColor heading = dark ? QColor(255, 128, 118) : QColor(160, 0, 0);
    const QColor rule = dark ? page.lighter(220) : page.darker(140);
    const QColor header = dark ? page.lighter(150) : page.darker(108);
    const QColor quiet = dark ? text.darker(125) : text.lighter(160);
    browser_->document()->setDefaultStyleSheet(
        QStringLiteral("h1 { color: %1; } td, th { border-color: %2; } th { background-color: %3; } "
                       "p.see { color: %4; }")
            .arg(heading.name(), rule.name(), header.name(), quiet.name()));
    if (!browser_->source().isEmpty())
        browser_->reload();
}

void HelpWindow::changeEvent(QEvent *e)
{
    if (e->type() == QEvent::PaletteChange)
        applyPaletteColours();
    QWidget::changeEvent(e);
}

void HelpWindow::present()
{
    if (!placed_) {
        // The first time over the window it helps with (or the screen's
        // middle), inside the screen.
        placed_ = true;
        QWidget *over = parentWidget() ? parentWidget()->window() : nullptr;
        QScreen *s = over ? over->screen() : screen();
        QRect r = frameGeometry();
        r.moveCenter(over && over->isVisible() ? over->frameGeometry().center() : s->availableGeometry().center());
        const QRect room = s->availableGeometry();
        r.moveLeft(std::clamp(r.left(), room.left(), std::max(room.left(), room.right() - r.width())));
        r.moveTop(std::clamp(r.top(), room.top(), std::max(room.top(), room.bottom() - r.height())));
        move(r.topLeft());
    }
    show();
    raise();
    activateWindow();
}

void HelpWindow::showContents()
{
    browser_->setSource(pageUrl("contents"));
    present();
}

void HelpWindow::showTopic(int n)
{
    if (!hasTopic(n)) {
        showContents();
        return;
    }
    browser_->setSource(topicUrl(n));
    present();
}

HelpHook::~HelpHook() { delete window_.data(); }

bool HelpHook::operator()(int command, int data)
{
    if (command != 0 && command != 1)
        return true;
    if (!window_)
        window_ = new HelpWindow(owner_);
    if (command == 0 && data == 0)
        window_->showContents();
    else if (command == 1)
        window_->showTopic(data);
    return true;
}

void HelpHook::closeAll()
{
    if (window_)
        window_->close();
}

namespace {
std::function<bool(int, int)> helpHook;

int helpContextOf(QObject *o)
{
    for (; o; o = o->parent()) {
        const QVariant v = o->property("helpContext");
        if (v.isValid() && v.toInt() != 0)
            return v.toInt();
    }
    return 0;
}

// F1 in an open menu or in a dialog asks for the help of the item in use.
class ContextHelpFilter : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress || static_cast<QKeyEvent *>(event)->key() != Qt::Key_F1)
            return false;
        auto *w = qobject_cast<QWidget *>(watched);
        if (!w)
            return false;
        int topic = 0;
        if (auto *menu = qobject_cast<QMenu *>(w)) {
            if (QAction *a = menu->activeAction()) {
                topic = a->property("helpContext").toInt();
                if (topic == 0 && a->menu())
                    topic = a->menu()->menuAction()->property("helpContext").toInt();
            }
            if (topic == 0)
                topic = menu->menuAction()->property("helpContext").toInt();
        } else if (w->window() && w->window()->property("mainWindow").toBool()) {
            return false;  // the main window previews its own keys
        } else {
            topic = helpContextOf(w);
        }
        if (topic == 0)
            return false;
        raiseHelpEvent(1, topic);
        return true;
    }
};
}  // namespace

void installHelpHook(std::function<bool(int, int)> hook)
{
    static QPointer<QObject> filter;
    helpHook = std::move(hook);
    if (!filter && qApp) {
        filter = new ContextHelpFilter(qApp);
        qApp->installEventFilter(filter);
    }
}

bool raiseHelpEvent(int command, int data)
{
    if (helpHook)
        return helpHook(command, data);
    return true;
}

}  // namespace kordex
