#pragma once
// The file dialogs of the capture and the file send.
#include "link/link_context.h"
#include "platform/prompter.h"

#include <QString>
#include <functional>
#include <memory>

namespace kordex {

// "*" and not "*.*": on Linux a file name need not have a dot.
inline const QString kFileDialogFilter =
    QStringLiteral("Text files (*.txt);;Panel format files (*.s28);;All files (*)");

// One file question at a time. The answer comes later: `chosen` gets the
// path and the session generation the question was asked in, so the caller
// can tell whether its link is still the one it asked for; nothing runs when
// the question was cancelled or its owner is gone.
class FileQuestion {
public:
    using Chosen = std::function<void(const QString &path, quint64 generation)>;
    void ask(LinkContext &ctx, const FileDialog &dialog, bool save, Chosen chosen)
    {
        if (asking_)
            return;
        asking_ = true;
        const std::weak_ptr<bool> alive = alive_;
        auto answered = [this, alive, generation = ctx.generation(),
                         chosen = std::move(chosen)](std::optional<QString> path) {
            if (alive.expired())
                return;
            asking_ = false;
            if (path)
                chosen(*path, generation);
        };
        if (save)
            ctx.prompter().saveFileName(dialog, std::move(answered));
        else
            ctx.prompter().openFileName(dialog, std::move(answered));
    }

private:
    bool asking_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace kordex
