#pragma once
// The program's answers to the operator questions: window-modal message boxes
// and file dialogs, each over the window it belongs to. None of them waits:
// each is opened and the call returns; its answer comes with the box's
// finished signal.
#include "platform/prompter.h"

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <vector>

class QDialog;

namespace kordex {

class MessageBoxPrompter final : public Prompter {
public:
    explicit MessageBoxPrompter(QWidget *parent = nullptr) : parent_(parent) {}
    // The boxes still open go without their answers.
    ~MessageBoxPrompter() override;
    MessageBoxPrompter(const MessageBoxPrompter &) = delete;
    MessageBoxPrompter &operator=(const MessageBoxPrompter &) = delete;
    void setParent(QWidget *parent) { parent_ = parent; }

    void message(const QString &title, const QString &text, Icon icon = Icon::None, Closed closed = {}) override;
    void askYesNo(const QString &title, const QString &text, YesNo answered) override;
    void openFileName(const FileDialog &dialog, Chosen chosen) override;
    void saveFileName(const FileDialog &dialog, Chosen chosen) override;
    void beep() override;
    int openCount() const override { return int(open_.size()); }

    // Nobody is there to click (the program is ending on a signal): from now
    // on no box waits. Messages go to standard error, questions are answered
    // No and file dialogs cancelled; the boxes open now end the same way,
    // their texts written out too.
    void setUnattended();
    bool unattended() const { return unattended_; }

private:
    // Called with the box when the operator answered it, or with none when
    // it went unanswered (unattended, or destroyed with its window).
    using Settle = std::function<void(QDialog *answered)>;
    void show(QDialog *dialog, const QString &text, Settle settle);
    void settle(std::uint64_t id, QDialog *answered);
    void chooseFile(const FileDialog &dialog, bool save, Chosen chosen);
    // The window a box belongs to and comes over.
    QWidget *owner() const;
    QPointer<QWidget> parent_;  // the main window, once known
    bool unattended_ = false;
    struct Open {
        std::uint64_t id;
        QPointer<QDialog> dialog;
        QString text;  // written out if it ends unattended
        Settle settle;
    };
    std::vector<Open> open_;  // the boxes on show, oldest first
    std::uint64_t lastId_ = 0;
    // Receives the boxes' signals; gone with the prompter, so a box that
    // outlives it answers nobody.
    QObject context_;
};

}  // namespace kordex
