#include "faces/message_boxes.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace kordex {

namespace {
QMessageBox::Icon toQt(Prompter::Icon icon)
{
    switch (icon) {
    case Prompter::Icon::Information: return QMessageBox::Information;
    case Prompter::Icon::Warning: return QMessageBox::Warning;
    case Prompter::Icon::Error: return QMessageBox::Critical;
    case Prompter::Icon::None: break;
    }
    return QMessageBox::NoIcon;
}

void report(const QString &text)
{
    if (!text.isEmpty())
        std::fprintf(stderr, "kordex: %s\n", qPrintable(text));
}

// Over a window kept above the others (the Connection Properties window) a
// box is kept above too, or it would open behind that window.
void keepAbove(QWidget &box)
{
    if (QWidget *w = box.parentWidget(); w && (w->window()->windowFlags() & Qt::WindowStaysOnTopHint))
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
}
}  // namespace

// The window the operator works in raised the box: a modal dialog (or box),
// else a window kept above the others (the Connection Properties window,
// which a box must not open behind), else the active window, else the main
// window. A main window not shown yet (a message during start-up) is shown
// first, so the box is not alone on an empty screen; one that was closed
// stays closed.
QWidget *MessageBoxPrompter::owner() const
{
    QWidget *w = QApplication::activeModalWidget();
    for (QWidget *top : QApplication::topLevelWidgets()) {
        const Qt::WindowType type = top->windowType();
        if (!w && top->isVisible() && (top->windowFlags() & Qt::WindowStaysOnTopHint) &&
            (type == Qt::Window || type == Qt::Dialog || type == Qt::Tool))
            w = top;
    }
    if (!w)
        w = QApplication::activeWindow();
    if (!w || !w->isVisible()) {
        w = parent_.data();
        for (QWidget *top : QApplication::topLevelWidgets())
            if (!w && top->property("mainWindow").toBool())
                w = top;
    }
    if (w && !w->isVisible() && w->property("mainWindow").toBool() && !w->testAttribute(Qt::WA_WState_ExplicitShowHide))
        w->show();
    return w;
}

MessageBoxPrompter::~MessageBoxPrompter()
{
    std::vector<Open> boxes;
    boxes.swap(open_);
    for (Open &box : boxes) {
        if (!box.dialog)
            continue;
        QObject::disconnect(box.dialog, nullptr, &context_, nullptr);
        box.dialog->hide();
        box.dialog->deleteLater();  // it may be the sender of what destroys us
    }
}

// The box is window-modal: it blocks its own window (and the windows above
// it) but the event loop goes on: the link, the timers and the other boxes
// keep running while it is open.
void MessageBoxPrompter::show(QDialog *dialog, const QString &text, Settle settle)
{
    const std::uint64_t id = ++lastId_;
    open_.push_back({id, dialog, text, std::move(settle)});
    keepAbove(*dialog);
    QObject::connect(dialog, &QDialog::finished, &context_, [this, id, dialog] {
        dialog->deleteLater();
        this->settle(id, dialog);
    });
    // Gone with its window before it was answered.
    QObject::connect(dialog, &QObject::destroyed, &context_, [this, id] { this->settle(id, nullptr); });
    dialog->open();
}

void MessageBoxPrompter::settle(std::uint64_t id, QDialog *answered)
{
    const auto it = std::find_if(open_.begin(), open_.end(), [id](const Open &o) { return o.id == id; });
    if (it == open_.end())
        return;  // settled already
    Settle done = std::move(it->settle);
    open_.erase(it);
    done(unattended_ ? nullptr : answered);
}

void MessageBoxPrompter::setUnattended()
{
    if (unattended_)
        return;
    unattended_ = true;
    std::vector<Open> boxes;
    boxes.swap(open_);
    for (auto it = boxes.rbegin(); it != boxes.rend(); ++it) {
        report(it->text);
        if (it->dialog)
            it->dialog->reject();
        it->settle(nullptr);
    }
}

void MessageBoxPrompter::message(const QString &title, const QString &text, Icon icon, Closed closed)
{
    if (unattended_) {
        report(text);
        if (closed)
            closed();
        return;
    }
    auto *box = new QMessageBox(toQt(icon), title, text, QMessageBox::Ok, owner());
    show(box, text, [closed = std::move(closed)](QDialog *) {
        if (closed)
            closed();
    });
}

void MessageBoxPrompter::askYesNo(const QString &title, const QString &text, YesNo answered)
{
    if (unattended_) {
        if (answered)
            answered(false);
        return;
    }
    auto *box = new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::Yes | QMessageBox::No, owner());
    show(box, QString(), [answered = std::move(answered)](QDialog *dialog) {
        auto *b = static_cast<QMessageBox *>(dialog);
        const bool yes = b && b->standardButton(b->clickedButton()) == QMessageBox::Yes;
        if (answered)
            answered(yes);
    });
}

void MessageBoxPrompter::openFileName(const FileDialog &d, Chosen chosen) { chooseFile(d, false, std::move(chosen)); }

void MessageBoxPrompter::saveFileName(const FileDialog &d, Chosen chosen) { chooseFile(d, true, std::move(chosen)); }

void MessageBoxPrompter::chooseFile(const FileDialog &d, bool save, Chosen chosen)
{
    if (unattended_) {
        if (chosen)
            chosen(std::nullopt);
        return;
    }
    auto *dialog = new QFileDialog(owner(), d.title, QDir::currentPath(), d.filter);
    if (save) {
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setDefaultSuffix(d.defaultSuffix);
        dialog->selectFile(d.proposedName);
    } else {
        dialog->setAcceptMode(QFileDialog::AcceptOpen);
        dialog->setFileMode(QFileDialog::ExistingFile);  // the file must exist
        dialog->setOption(QFileDialog::ReadOnly, false);
    }
    // The choice comes before the dialog's end; the end gives the answer.
    auto picked = std::make_shared<std::optional<QString>>();
    QObject::connect(dialog, &QFileDialog::fileSelected, &context_, [picked](const QString &f) { *picked = f; });
    show(dialog, QString(), [picked, chosen = std::move(chosen)](QDialog *answered) {
        if (chosen)
            chosen(answered && answered->result() == QDialog::Accepted ? *picked : std::nullopt);
    });
}

void MessageBoxPrompter::beep()
{
    if (!unattended_)
        QApplication::beep();
}

}  // namespace kordex
