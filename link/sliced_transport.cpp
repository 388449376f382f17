#include "link/sliced_transport.h"

#include <algorithm>

namespace kordex {

SlicedTransport::SlicedTransport(Transport &inner, Clock &clock, qsizetype slice)
    : inner_(inner),
      slice_(std::max<qsizetype>(1, slice)),
      next_(clock, 0, [this] { deliver(slice_); })
{
    inner_.setEvents(this);
}

SlicedTransport::~SlicedTransport() { inner_.setEvents(nullptr); }

bool SlicedTransport::bringUp(const LinkSettings &settings)
{
    flush();  // nothing of an earlier session may reach this one's login
    return inner_.bringUp(settings);
}

void SlicedTransport::tearDown()
{
    // What arrived before the close is read before it, as it was received.
    flush();
    inner_.tearDown();
}

void SlicedTransport::dataReceived(const QByteArray &chunk)
{
    if (backlog() == 0 && chunk.size() <= slice_) {
        if (events_)
            events_->dataReceived(chunk);
        return;
    }
    if (at_ > 0) {
        backlog_.remove(0, at_);
        at_ = 0;
    }
    const bool idle = backlog_.isEmpty();
    backlog_ += chunk;
    if (idle)
        deliver(slice_);  // the first slice at once, as a short chunk would go
    if (!paused_ && backlog() >= kPauseSlices * slice_) {
        paused_ = true;
        inner_.setReceivePaused(true);
    }
}

void SlicedTransport::deliver(qsizetype limit)
{
    while (limit > 0 && backlog() > 0) {
        const qsizetype n = std::min({slice_, limit, backlog()});
        const QByteArray piece = backlog_.mid(at_, n);
        // Account first: the link may tear down (and flush) from inside.
        at_ += n;
        limit -= n;
        if (backlog() == 0) {
            backlog_.clear();
            at_ = 0;
        }
        if (events_)
            events_->dataReceived(piece);
    }
    if (backlog() > 0)
        next_.start();
    else
        next_.stop();
    if (paused_ && backlog() <= kResumeSlices * slice_) {
        paused_ = false;
        inner_.setReceivePaused(false);
    }
}

void SlicedTransport::sessionConnected(int error)
{
    flush();
    if (events_)
        events_->sessionConnected(error);
}

void SlicedTransport::sessionClosed(int error)
{
    flush();
    if (events_)
        events_->sessionClosed(error);
}

void SlicedTransport::lineError()
{
    flush();
    if (events_)
        events_->lineError();
}

void SlicedTransport::transmitChanged()
{
    if (events_)
        events_->transmitChanged();
}

}  // namespace kordex
