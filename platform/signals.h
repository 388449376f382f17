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
    // Catches the signals from now on (once; later calls do nothing). main()
    // calls it before anything else: a signal that comes before the event
    // loop runs is kept, not fatal, and read by the first TerminationSignals.
    static void install();

    // Installs the handlers if not done yet; `onSignal` runs on the thread
    // that owns this object, once per signal received, including those kept
    // since install().
    explicit TerminationSignals(std::function<void(int)> onSignal, QObject *parent = nullptr);
    ~TerminationSignals() override;

    bool installed() const { return notifier_ != nullptr; }

private:
    void readSignal();
    std::function<void(int)> onSignal_;
    QSocketNotifier *notifier_ = nullptr;
};

}  // namespace kordex
