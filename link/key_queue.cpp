#include "link/key_queue.h"

#include "link/connector.h"
#include "link/transport.h"

namespace kordex {

bool KeyQueue::push(uint8_t c)
{
    const Transport *t = ctx_.connector().transport();
    if (closed_ || !t || !t->isOpen())
        return false;
    queue_.append(char(c));
    if (!flushing_)
        procedures_.run(flush());
    return true;
}

void KeyQueue::clear()
{
    queue_.clear();
    flushing_ = false;
}

Task<void> KeyQueue::flush()
{
    flushing_ = true;
    while (!queue_.isEmpty() && !closed_) {
        const uint8_t c = uint8_t(queue_.front());
        queue_.remove(0, 1);
        if (!co_await ctx_.sendChar(c))
            queue_.clear();
    }
    queue_.clear();
    flushing_ = false;
}

}  // namespace kordex
