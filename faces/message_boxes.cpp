#include "faces/message_boxes.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

#include <cstdio>

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

// The window the operator works in raised the box: a modal dialog, else a
// window kept above the others (the Connection Properties window, which a
// box must not open behind), else the active window, else the main window.
// A main window not shown yet (a message during start-up) is shown first,
// so the box is not alone on an empty screen.
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
    if (w && !w->isVisible() && w->property("mainWindow").toBool())
        w->show();
    return w;
}

int MessageBoxPrompter::run(QDialog &dialog, const QString &text)
{
    open_.push_back({&dialog, text});
    const int r = dialog.exec();
    open_.pop_back();
    return r;
}

void MessageBoxPrompter::setUnattended()
{
    if (unattended_)
        return;
    unattended_ = true;
    // Each reject() only asks its loop to end; the loops unwind in turn.
    for (auto it = open_.rbegin(); it != open_.rend(); ++it) {
        report(it->text);
        if (it->dialog)
            it->dialog->reject();
    }
}

void MessageBoxPrompter::message(const QString &title, const QString &text, Icon icon)
{
    if (unattended_) {
        report(text);
        return;
    }
    QMessageBox box(toQt(icon), title, text, QMessageBox::Ok, owner());
    keepAbove(box);
    run(box, text);
}

bool MessageBoxPrompter::askYesNo(const QString &title, const QString &text)
{
    if (unattended_)
        return false;
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Yes | QMessageBox::No, owner());
    keepAbove(box);
    const int answer = run(box, QString());
    return !unattended_ && answer == QMessageBox::Yes;
}

std::optional<QString> MessageBoxPrompter::openFileName(const FileDialog &d) { return chooseFile(d, false); }

std::optional<QString> MessageBoxPrompter::saveFileName(const FileDialog &d) { return chooseFile(d, true); }

std::optional<QString> MessageBoxPrompter::chooseFile(const FileDialog &d, bool save)
{
    if (unattended_)
        return std::nullopt;
    QFileDialog dialog(owner(), d.title, QDir::currentPath(), d.filter);
    keepAbove(dialog);
    if (save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(d.defaultSuffix);
        dialog.selectFile(d.proposedName);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);  // the file must exist
        dialog.setOption(QFileDialog::ReadOnly, false);
    }
    if (run(dialog, QString()) != QDialog::Accepted || unattended_ || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

void MessageBoxPrompter::beep()
{
    if (!unattended_)
        QApplication::beep();
}

}  // namespace kordex
