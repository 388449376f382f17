#pragma once
// The program's answers to the operator questions: real modal message boxes
// and file dialogs, each over the window it belongs to.
#include "platform/prompter.h"

#include <QPointer>
#include <QWidget>
#include <vector>

class QDialog;

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

    // Nobody is there to click (the program is ending on a signal): from now
    // on no box waits. Messages go to standard error, questions are answered
    // No and file dialogs cancelled; the boxes open now end the same way,
    // their texts written out too.
    void setUnattended();
    bool unattended() const { return unattended_; }

private:
    int run(QDialog &dialog, const QString &text);
    std::optional<QString> chooseFile(const FileDialog &dialog, bool save);
    // The window a box belongs to and comes over.
    QWidget *owner() const;
    QPointer<QWidget> parent_;  // the main window, once known
    bool unattended_ = false;
    struct Open {
        QPointer<QDialog> dialog;
        QString text;
    };
    std::vector<Open> open_;  // the boxes running now, innermost last
};

}  // namespace kordex
