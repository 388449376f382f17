#include "faces/message_boxes.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

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
} // namespace

void MessageBoxPrompter::message(const QString &title, const QString &text, Icon icon)
{
    QMessageBox box(toQt(icon), title, text, QMessageBox::Ok, parent_.data());
    box.exec();
}

bool MessageBoxPrompter::askYesNo(const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Yes | QMessageBox::No, parent_.data());
    return box.exec() == QMessageBox::Yes;
}

std::optional<QString> MessageBoxPrompter::openFileName(const FileDialog &d)
{
    QFileDialog dialog(parent_.data(), d.title, QDir::currentPath(), d.filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);  // the file must exist
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> MessageBoxPrompter::saveFileName(const FileDialog &d)
{
    QFileDialog dialog(parent_.data(), d.title, QDir::currentPath(), d.filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(d.defaultSuffix);
    dialog.selectFile(d.proposedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

void MessageBoxPrompter::beep()
{
    QApplication::beep();
}

} // namespace kordex
