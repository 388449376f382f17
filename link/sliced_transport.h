#pragma once
// A fast link can deliver a megabyte in one read. This transport passes a
// long received chunk on in slices, one per event-loop turn, so input,
// repaints and timers keep running during a burst. It wraps the real
// transport: bytes keep their order, and every other event (connected,
// closed, line error, our own tear-down) first hands over what is still
// waiting, so a close never overtakes the data before it. When a peer sends
// faster than the link takes it, the waiting bytes are bounded: the inner
// transport is paused at kPauseSlices slices and resumed at kResumeSlices.
#include "link/transport.h"
#include "platform/clock.h"

namespace kordex {

class SlicedTransport final : public Transport, private TransportEvents {
public:
    static constexpr qsizetype kDefaultSlice = 16 * 1024;
    static constexpr qsizetype kPauseSlices = 8, kResumeSlices = 2;

    SlicedTransport(Transport &inner, Clock &clock, qsizetype slice = kDefaultSlice);
    ~SlicedTransport() override;
    SlicedTransport(const SlicedTransport &) = delete;
    SlicedTransport &operator=(const SlicedTransport &) = delete;

    Transport &inner() const { return inner_; }
    // Received bytes not yet passed on.
    qsizetype backlog() const { return backlog_.size() - at_; }

    bool bringUp(const LinkSettings &settings) override;
    void tearDown() override;
    bool isOpen() const override { return inner_.isOpen(); }
    bool send(const QByteArray &bytes) override { return inner_.send(bytes); }
    int transmitRoom() const override { return inner_.transmitRoom(); }
    int bytesPending() const override { return inner_.bytesPending(); }
    qint64 unsentBytes() const override { return inner_.unsentBytes(); }
    Hold holdStatus() const override { return inner_.holdStatus(); }
    bool receivePaused() const { return paused_; }  // the inner transport, by us
    bool requestToSend() const override { return inner_.requestToSend(); }
    bool dataTerminalReady() const override { return inner_.dataTerminalReady(); }
    int lastError() const override { return inner_.lastError(); }
    QString lastErrorMessage() const override { return inner_.lastErrorMessage(); }
    QString errorDescription(int code) const override { return inner_.errorDescription(code); }

private:
    // What the inner transport reports.
    void dataReceived(const QByteArray &chunk) override;
    void sessionConnected(int error) override;
    void sessionClosed(int error) override;
    void lineError() override;
    void transmitChanged() override;

    // Passes on up to `limit` waiting bytes, a slice at a time.
    void deliver(qsizetype limit);
    void flush() { deliver(backlog()); }

    Transport &inner_;
    const qsizetype slice_;
    QByteArray backlog_;
    qsizetype at_ = 0;  // bytes of backlog_ already passed on
    bool paused_ = false;
    Timer next_;  // the next slice, at the next event-loop turn
};

}  // namespace kordex
