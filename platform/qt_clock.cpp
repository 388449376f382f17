#include "platform/qt_clock.h"

#include <QTimer>

namespace kordex {

namespace {
QTimer *backendOf(const Timer &t) { return static_cast<QTimer *>(t.backend()); }
}  // namespace

// Timer keeps an opaque backend pointer; QtClock stores the QTimer there.
void QtClock::attach(Timer &t)
{
    auto *q = new QTimer;
    q->setTimerType(Qt::PreciseTimer);
    QObject::connect(q, &QTimer::timeout, q, [&t] { t.fire(); });
    t.setBackend(q);
}

void QtClock::detach(Timer &t) { delete backendOf(t); }

void QtClock::arm(Timer &t) { backendOf(t)->start(t.interval()); }

void QtClock::disarm(Timer &t) { backendOf(t)->stop(); }

}  // namespace kordex
