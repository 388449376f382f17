#pragma once
// The program's answers to the operator questions: real modal message boxes
// and file dialogs over a parent window.
#include "platform/prompter.h"

#include <QPointer>
#include <QWidget>

namespace kordex {

class MessageBoxPrompter final : public Prompter {
public:
    explicit MessageBoxPrompter(QWidget *parent = nullptr) : parent_(parent) {}
    void setParent(QWidget *parent) { parent_ = parent; }

    void message(const QString &title, const QString &text, Icon icon = Icon::None) override;
    bool askYesNo(const QString &title, const QString &text) override;
    std::optional<QString> openFileName(const FileDialog &dialog) override;
    std::optional<QString> saveFileName(const FileDialog &dialog) override;
    void beep() override;

private:
    QPointer<QWidget> parent_;
};

} // namespace kordex
