#include "platform/qt_clock.h"

#include <QTimer>

namespace kordex {

namespace {
QTimer *backendOf(Timer &t, void *backend) { (void)t; return static_cast<QTimer *>(backend); }
}

// Timer keeps an opaque backend pointer; QtClock stores the QTimer there.
void QtClock::attach(Timer &t)
{
    auto *q = new QTimer;
    q->setTimerType(Qt::PreciseTimer);
    QObject::connect(q, &QTimer::timeout, q, [&t] { t.fire(); });
    t.setBackend(q);
}

void QtClock::detach(Timer &t)
{
    delete backendOf(t, t.backend());
}

void QtClock::arm(Timer &t)
{
    backendOf(t, t.backend())->start(t.interval());
}

void QtClock::disarm(Timer &t)
{
    backendOf(t, t.backend())->stop();
}

} // namespace kordex
