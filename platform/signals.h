#pragma once
// SIGTERM and SIGINT end the program the way the Exit menu item does, so a
// desktop logout or a service manager never loses the connection book. The
// handler only writes one byte to a socket pair; the window thread reads it.
#include <QObject>
#include <functional>

class QSocketNotifier;

namespace kordex {

class TerminationSignals : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; `onSignal` runs on the thread that owns this
    // object, once per signal received.
    explicit TerminationSignals(std::function<void(int)> onSignal, QObject *parent = nullptr);
    ~TerminationSignals() override;

    bool installed() const { return notifier_ != nullptr; }

private:
    void readSignal();
    std::function<void(int)> onSignal_;
    QSocketNotifier *notifier_ = nullptr;
};

} // namespace kordex
