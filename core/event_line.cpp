#include "core/event_line.h"

#include "core/engine.h"

namespace kordex {

namespace {
constexpr uint8_t kBell = 0x07;
constexpr uint8_t kBackspace = 0x08;
constexpr uint8_t kCarriageReturn = 0x0D;

bool printable(uint8_t b) { return b >= 0x20 && b <= 0x7E; }
}  // namespace

// Until the login is through, what arrives is the link's, not the panel's
// events; diagnostic mode shows it anyway.
bool EventLineEditor::shown() const
{
    const SessionState &s = e_.session;
    const PanelLinkSettings &settings = s.linkSettings();
    return (s.connected && (s.loggedIn || !settings.autoLogin)) || settings.diagnosticMode;
}

void EventLineEditor::put(uint8_t b) { put(&b, 1); }

void EventLineEditor::put(const uint8_t *bytes, size_t n)
{
    if (!shown())
        return;
    const uint8_t *const end = bytes + n;
    while (bytes != end) {
        if (printable(*bytes)) {
            const uint8_t *start = bytes;
            while (bytes != end && printable(*bytes))
                ++bytes;
            // One restart for the run: no other timer is armed in between.
            e_.eventFlushTimer.restart();
            line_.append(reinterpret_cast<const char *>(start), bytes - start);
            column_ += int(bytes - start);
            dirty_ = true;
            continue;
        }
        switch (*bytes++) {
        case kBell: e_.shell.beep(); break;
        case kBackspace: backspace(); break;
        case kCarriageReturn: completeLine(); break;
        default: break;
        }
    }
}

void EventLineEditor::backspace()
{
    if (column_ <= 1)
        return;
    e_.eventFlushTimer.restart();
    if (dirty_)
        e_.panel.eventScreenReplace(index_, line_);
    --column_;
    line_.remove(column_ - 1, 1);
    dirty_ = false;
}

void EventLineEditor::completeLine()
{
    if (index_ > kMaxCompletedLines - 1) {
        e_.panel.eventScreenRemoveFirst();
        --index_;
    }
    if (e_.session.capturing && captureLine)
        captureLine(line_);
    if (lineCompleted)
        lineCompleted(line_);
    e_.eventFlushTimer.stop();
    e_.panel.eventScreenInsert(index_, line_);
    ++index_;
    // Blank the copy of the unfinished line the flush may have shown here.
    e_.panel.eventScreenReplace(index_, QByteArray());
    line_.clear();
    column_ = 1;
    dirty_ = true;
}

void EventLineEditor::flush()
{
    e_.eventFlushTimer.stop();
    if (!line_.isEmpty())
        e_.panel.eventScreenReplace(index_, line_);
}

}  // namespace kordex
