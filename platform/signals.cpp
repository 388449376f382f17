#include "platform/signals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kordex {

namespace {
int signalPipeFds[2] = {-1, -1};

void onUnixSignal(int sig)
{
    const int saved = errno;
    const unsigned char b = static_cast<unsigned char>(sig);
    [[maybe_unused]] ssize_t n = ::write(signalPipeFds[0], &b, 1);
    errno = saved;
}

void setHandler(void (*handler)(int))
{
    struct sigaction sa = {};
    sa.sa_handler = handler;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGINT, &sa, nullptr);
}
}  // namespace

void TerminationSignals::install()
{
    if (signalPipeFds[0] >= 0)
        return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipeFds) != 0) {
        signalPipeFds[0] = signalPipeFds[1] = -1;
        return;
    }
    for (int fd : signalPipeFds)
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    setHandler(onUnixSignal);
}

TerminationSignals::TerminationSignals(std::function<void(int)> onSignal, QObject *parent)
    : QObject(parent),
      onSignal_(std::move(onSignal))
{
    install();
    if (signalPipeFds[1] < 0)
        return;
    setHandler(onUnixSignal);  // again, after an earlier object gave them back
    // Level-triggered: bytes already waiting are reported at the first turn
    // of the event loop.
    notifier_ = new QSocketNotifier(signalPipeFds[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::readSignal);
}

TerminationSignals::~TerminationSignals()
{
    if (notifier_)
        setHandler(SIG_DFL);
}

void TerminationSignals::readSignal()
{
    unsigned char b = 0;
    while (::read(signalPipeFds[1], &b, 1) == 1) {
        if (onSignal_)
            onSignal_(b);
    }
}

}  // namespace kordex
