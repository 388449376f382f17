#include "face_logic/replay_feed.h"

#include "core/engine.h"
#include "link/link_session.h"

#include <algorithm>

namespace kordex {

ReplayFeed::ReplayFeed(LinkSession &link, QByteArray data, int bytesPerSecond)
    : link_(link),
      e_(link.engine()),
      data_(std::move(data)),
      rate_(std::max(1, bytesPerSecond)),
      timer_(link.engine().clock, kStepMs, [this] { step(); })
{
}

void ReplayFeed::start(const QByteArray &systemName)
{
    link_.startReplay(systemName);
    timer_.start();
}

void ReplayFeed::step()
{
    // Tandem mode cannot begin while the start-up guard runs; a stream that
    // opens with its switch would otherwise stay in terminal mode.
    if (startMs_ < 0) {
        if (e_.tandemGuardTimer.isRunning())
            return;
        startMs_ = e_.clock.nowMs();
    }
    const int64_t due = std::min<int64_t>(data_.size(), (e_.clock.nowMs() - startMs_) * rate_ / 1000 + 1);
    if (due > fed_) {
        const qsizetype from = fed_;
        fed_ = qsizetype(due);
        e_.receive(data_.constData() + from, fed_ - from);
    }
    if (finished()) {
        timer_.stop();
        if (onFinished)
            onFinished();
    }
}

}  // namespace kordex
