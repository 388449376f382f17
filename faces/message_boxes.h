#pragma once
// The program's answers to the operator questions: real modal message boxes
// and file dialogs, each over the window it belongs to.
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
    // The window a box belongs to and comes over.
    QWidget *owner() const;
    QPointer<QWidget> parent_;  // the main window, once known
};

} // namespace kordex
