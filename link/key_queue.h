#pragma once
// The operator's keys go out in the order they were pressed, each waiting
// for transmit room if it must, without holding up the handler that
// produced them.
#include "link/link_context.h"
#include "link/procedures.h"

#include <QByteArray>

namespace kordex {

class KeyQueue {
public:
    // `closed`: a disconnect has begun; only its own logout bytes reach the panel then.
    KeyQueue(LinkContext &ctx, Procedures &procedures, const bool &closed)
        : ctx_(ctx),
          procedures_(procedures),
          closed_(closed)
    {
    }
    // Queues a key for the open link; false when it cannot be handed over.
    bool push(uint8_t c);
    void clear();

private:
    Task<void> flush();

    LinkContext &ctx_;
    Procedures &procedures_;
    QByteArray queue_;
    bool flushing_ = false;
    const bool &closed_;
};

}  // namespace kordex
