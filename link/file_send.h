#pragma once
// File send: a text file (a panel database in S-record form, typically) goes
// to the panel line by line, each character through the one send path and
// accepted before the next is offered, honouring the serial flow control and,
// over TCP/IP, a pause after each line. The file is read as the send goes.
#include "link/file_dialogs.h"
#include "link/link_context.h"

#include <QString>
#include <memory>
#include <optional>

namespace kordex {

class FileSend {
public:
    FileSend(LinkContext &ctx, Timer &pacing);
    ~FileSend();
    FileSend(const FileSend &) = delete;
    FileSend &operator=(const FileSend &) = delete;

    // The menu item: asks a running send to stop, or asks for a file and starts one.
    void toggle();
    // Asks a running send to stop after its current character.
    void requestStop();
    bool running() const { return task_ && !task_->done(); }
    // Resumes once no send runs.
    WaitHub::Until untilStopped();

private:
    void start(const QString &path, quint64 generation);
    Task<void> send(QString path, quint64 generation);
    Task<bool> sendLine(QByteArray line);
    Task<void> awaitDrained();
    bool heldForFlow() const;
    void setMenu(bool sending);

    LinkContext &ctx_;
    Timer &pacing_;  // the pause after a line over TCP/IP
    std::optional<Task<void>> task_;
    FlowControl flowMode_ = FlowControl::None;
    Timer retry_;  // a character the link did not take is offered again
    Timer yield_;  // a long send lets the event loop run now and then
    int burst_ = 0;
    FileQuestion question_;
};

}  // namespace kordex
