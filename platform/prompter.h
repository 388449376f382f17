#pragma once
// Modal questions and messages to the operator. The window answers them with
// real message boxes and file dialogs; tests answer them with a script.
#include <QString>
#include <functional>
#include <optional>
#include <vector>

namespace kordex {

// What a file dialog shows. The filter is in Qt's form ("Text files
// (*.txt);;All files (*.*)"); the dialog starts in the current folder.
struct FileDialog {
    QString title, filter;
    QString proposedName;   // save: the name offered
    QString defaultSuffix;  // save: added to a name without one
};

class Prompter {
public:
    enum class Icon { None, Information, Warning, Error };
    virtual ~Prompter() = default;
    // A modal box with one OK button.
    virtual void message(const QString &title, const QString &text, Icon icon = Icon::None) = 0;
    // A modal Yes/No box; true for Yes.
    virtual bool askYesNo(const QString &title, const QString &text) = 0;
    // File dialogs; nullopt when cancelled.
    virtual std::optional<QString> openFileName(const FileDialog &dialog) = 0;
    virtual std::optional<QString> saveFileName(const FileDialog &dialog) = 0;
    virtual void beep() = 0;
};

// Test double: records what was asked and answers from queued replies.
class ScriptedPrompter final : public Prompter {
public:
    struct Shown {
        QString title, text;
    };
    std::vector<Shown> messages, questions;
    std::vector<bool> yesNoReplies;                   // consumed front to back; default No
    std::vector<std::optional<QString>> fileReplies;  // consumed front to back; default cancel
    int beeps = 0;

    void message(const QString &title, const QString &text, Icon) override { messages.push_back({title, text}); }
    bool askYesNo(const QString &title, const QString &text) override
    {
        questions.push_back({title, text});
        if (yesNoReplies.empty())
            return false;
        bool r = yesNoReplies.front();
        yesNoReplies.erase(yesNoReplies.begin());
        return r;
    }
    std::vector<FileDialog> fileDialogs;
    std::optional<QString> openFileName(const FileDialog &d) override { return nextFile(d); }
    std::optional<QString> saveFileName(const FileDialog &d) override { return nextFile(d); }
    void beep() override { ++beeps; }

private:
    std::optional<QString> nextFile(const FileDialog &d)
    {
        fileDialogs.push_back(d);
        std::optional<QString> r;
        if (!fileReplies.empty()) {
            r = std::move(fileReplies.front());
            fileReplies.erase(fileReplies.begin());
        }
        return r;
    }
};

}  // namespace kordex
