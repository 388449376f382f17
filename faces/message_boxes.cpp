#include "faces/message_boxes.h"

#include <QApplication>
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

std::optional<QString> MessageBoxPrompter::openFileName(const QString &title, const QString &filter)
{
    const QString f = QFileDialog::getOpenFileName(parent_.data(), title, QString(), filter);
    if (f.isEmpty())
        return std::nullopt;
    return f;
}

std::optional<QString> MessageBoxPrompter::saveFileName(const QString &title, const QString &filter)
{
    const QString f = QFileDialog::getSaveFileName(parent_.data(), title, QString(), filter);
    if (f.isEmpty())
        return std::nullopt;
    return f;
}

void MessageBoxPrompter::beep()
{
    QApplication::beep();
}

} // namespace kordex
