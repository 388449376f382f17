#pragma once
// What the units of a session (the connectors, the login, the capture and the
// file send) need of the session they run in. The link session implements it.
#include "config/connection_book.h"
#include "core/session_state.h"
#include "link/received_text.h"
#include "link/task.h"
#include "link/wait_hub.h"
#include "platform/clock.h"

#include <QByteArray>
#include <functional>

namespace kordex {

class Connector;
class Engine;
class Prompter;
class Transport;

// What a transport write carried, so a trace can leave secrets out.
enum class TxTag { Plain, Password, Sid, Answer };

class LinkContext {
public:
    virtual ~LinkContext() = default;

    // The one send path (terminal mode turns a carriage return into LF CR).
    virtual Task<bool> sendChar(uint8_t c, TxTag tag = TxTag::Plain) = 0;
    virtual Task<void> sendLine(QByteArray s, TxTag tag = TxTag::Plain) = 0;
    // Hands bytes to a transport in one write, as the trace sees them.
    virtual bool write(Transport &t, const QByteArray &bytes, TxTag tag) = 0;

    // Arms the shared time-out with a fresh count of ms; the awaitable
    // resumes when it stops or `endEarly` holds. A plain function, not a
    // coroutine: g++ 12 frees a by-value std::function argument of a
    // coroutine too early. For the same reason, conditions written inside a
    // co_await capture only pointers and references, and no co_await stands
    // inside && or || (g++ 12 evaluates it regardless).
    virtual WaitHub::Until wait(int ms, std::function<bool()> endEarly) = 0;
    virtual Timer &timeout() = 0;
    virtual WaitHub &hub() = 0;

    virtual Engine &engine() = 0;
    virtual const SessionState &session() const = 0;
    virtual LinkFlags &flags() = 0;
    virtual ReceivedText &response() = 0;
    virtual const ConnectionRecord &current() const = 0;
    virtual QByteArray &connectError() = 0;
    virtual Prompter &prompter() = 0;
    // The connector of the connection in use.
    virtual Connector &connector() const = 0;

    // Status text in the title, and the tray's progress line.
    virtual void setStatus(const QByteArray &text) = 0;
    virtual void setProgress(const QByteArray &text) = 0;

    // A chunk from whichever transport delivered it.
    virtual void received(const QByteArray &chunk) = 0;
    // The transport failed on its own: the loss rule runs first, then a box
    // with `caption` reports `text` (no box when the text is empty).
    virtual void linkFailed(const char *caption, const QByteArray &text) = 0;
    // Whether the session that `generation` named is still up and established.
    virtual bool stillUp(quint64 generation) const = 0;
    virtual quint64 generation() const = 0;
};

}  // namespace kordex
