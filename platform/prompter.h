#pragma once
// Questions and messages to the operator. The window answers them with
// window-modal message boxes and file dialogs, tests with a script.
//
// Nothing here waits: every call returns at once and the answer, if there is
// one, arrives later as one more event (a test double may answer from inside
// the call; callers handle both). No box runs a nested event loop, so socket,
// port and timer events keep flowing while a box is open. A box that only
// reports (message) is never waited on by the procedure that raised it.
//
// An answer callback runs at most once. A caller that may be gone before the
// operator answers guards its callback itself (a weak token, say).
#include <QString>
#include <functional>
#include <optional>
#include <vector>

namespace kordex {

// What a file dialog shows. The filter is in Qt's form ("Text files
// (*.txt);;All files (*)"); the dialog starts in the current folder.
struct FileDialog {
    QString title, filter;
    QString proposedName;   // save: the name offered
    QString defaultSuffix;  // save: added to a name without one
};

class Prompter {
public:
    enum class Icon { None, Information, Warning, Error };
    using Closed = std::function<void()>;
    using YesNo = std::function<void(bool yes)>;
    using Chosen = std::function<void(std::optional<QString> path)>;

    virtual ~Prompter() = default;
    // A box with one OK button; `closed` runs once it is gone.
    virtual void message(const QString &title, const QString &text, Icon icon = Icon::None, Closed closed = {}) = 0;
    // A Yes/No box; `answered` gets true for Yes, false for No or any other
    // way the box went (closed, the program ending).
    virtual void askYesNo(const QString &title, const QString &text, YesNo answered) = 0;
    // File dialogs; `chosen` gets nullopt when cancelled.
    virtual void openFileName(const FileDialog &dialog, Chosen chosen) = 0;
    virtual void saveFileName(const FileDialog &dialog, Chosen chosen) = 0;
    virtual void beep() = 0;
    // Boxes and dialogs open now: the program does not end under one.
    virtual int openCount() const { return 0; }
};

// Test double: records what was asked and answers from queued replies, from
// inside the call, or, with holdAnswers, when the test calls release() (as an
// operator would answer: after the call returned, with anything changed).
class ScriptedPrompter final : public Prompter {
public:
    struct Shown {
        QString title, text;
    };
    std::vector<Shown> messages, questions;
    std::vector<bool> yesNoReplies;                   // consumed front to back; default No
    std::vector<std::optional<QString>> fileReplies;  // consumed front to back; default cancel
    std::vector<FileDialog> fileDialogs;
    int beeps = 0;
    bool holdAnswers = false;

    void message(const QString &title, const QString &text, Icon, Closed closed) override
    {
        messages.push_back({title, text});
        settle([closed = std::move(closed)] {
            if (closed)
                closed();
        });
    }
    void askYesNo(const QString &title, const QString &text, YesNo answered) override
    {
        questions.push_back({title, text});
        settle([this, answered = std::move(answered)] {
            bool r = false;
            if (!yesNoReplies.empty()) {
                r = yesNoReplies.front();
                yesNoReplies.erase(yesNoReplies.begin());
            }
            if (answered)
                answered(r);
        });
    }
    void openFileName(const FileDialog &d, Chosen chosen) override { nextFile(d, std::move(chosen)); }
    void saveFileName(const FileDialog &d, Chosen chosen) override { nextFile(d, std::move(chosen)); }
    void beep() override { ++beeps; }
    int openCount() const override { return int(held_.size()); }

    // Answers the boxes held back, oldest first, from the replies queued now.
    void release()
    {
        std::vector<std::function<void()>> held;
        held.swap(held_);
        for (auto &answer : held)
            answer();
    }

private:
    void settle(std::function<void()> answer)
    {
        if (holdAnswers)
            held_.push_back(std::move(answer));
        else
            answer();
    }
    void nextFile(const FileDialog &d, Chosen chosen)
    {
        fileDialogs.push_back(d);
        settle([this, chosen = std::move(chosen)] {
            std::optional<QString> r;
            if (!fileReplies.empty()) {
                r = std::move(fileReplies.front());
                fileReplies.erase(fileReplies.begin());
            }
            if (chosen)
                chosen(std::move(r));
        });
    }
    std::vector<std::function<void()>> held_;
};

}  // namespace kordex
