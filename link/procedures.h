#pragma once
// Procedures started on their own (an operator command, a lost link): each
// lives until it finishes; cancelling destroys the ones still suspended,
// and with them every wait and child they hold.
#include "link/task.h"

#include <list>
#include <utility>

namespace kordex {

class Procedures {
public:
    void run(Task<void> procedure)
    {
        list_.remove_if([](const Task<void> &t) { return t.done(); });
        if (!procedure.done())
            list_.push_back(std::move(procedure));
    }
    bool idle() const
    {
        for (const Task<void> &t : list_)
            if (!t.done())
                return false;
        return true;
    }
    void cancelAll()
    {
        std::list<Task<void>> doomed;
        doomed.swap(list_);
    }

private:
    std::list<Task<void>> list_;
};

// A procedure with a result, run for its effect.
inline Task<void> discardResult(Task<bool> procedure) { co_await procedure; }

}  // namespace kordex
