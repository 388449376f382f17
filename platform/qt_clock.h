#pragma once
// The program's clock: every Timer is backed by a QTimer on the owning thread.
#include "platform/clock.h"

#include <QElapsedTimer>

namespace kordex {

class QtClock final : public Clock {
public:
    QtClock() { elapsed_.start(); }
    int64_t nowMs() const override { return elapsed_.elapsed(); }

protected:
    void attach(Timer &t) override;
    void detach(Timer &t) override;
    void arm(Timer &t) override;
    void disarm(Timer &t) override;

private:
    QElapsedTimer elapsed_;
};

}  // namespace kordex
