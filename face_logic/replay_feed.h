#pragma once
// Plays a recorded byte stream into the receive path at a fixed rate, so a
// session can be watched on the real window without a panel. Feeding waits
// until the tandem re-entry guard of start-up has run out.
#include "platform/clock.h"

#include <QByteArray>
#include <functional>

namespace kordex {

class Engine;
class LinkSession;

class ReplayFeed {
public:
    static constexpr int kDefaultRate = 960;  // bytes per second, about 9600 baud
    static constexpr int kStepMs = 20;

    ReplayFeed(LinkSession &link, QByteArray data, int bytesPerSecond = kDefaultRate);
    ReplayFeed(const ReplayFeed &) = delete;
    ReplayFeed &operator=(const ReplayFeed &) = delete;

    // The session as if connected without automatic login, then feeding.
    void start(const QByteArray &systemName);
    void stop() { timer_.stop(); }
    bool finished() const { return fed_ >= data_.size(); }
    qsizetype fed() const { return fed_; }
    std::function<void()> onFinished;

private:
    void step();
    LinkSession &link_;
    Engine &e_;
    QByteArray data_;
    int rate_;
    Timer timer_;
    int64_t startMs_ = -1;
    qsizetype fed_ = 0;
};

}  // namespace kordex
