#include "core/panel_parser.h"

#include <array>
#include <cstring>

namespace kordex {

namespace {
constexpr uint8_t kEscape = 0x1B;

// The bytes that end a run of screen text in tandem mode.
constexpr std::array<bool, 256> kTandemControl = [] {
    std::array<bool, 256> t{};
    for (uint8_t b :
         {uint8_t(0x07), uint8_t(0x0A), uint8_t(0x0D), uint8_t(0x17), uint8_t(0x18), uint8_t(0x19), kEscape})
        t[b] = true;
    return t;
}();
}  // namespace

const uint8_t *PanelParser::tandemRun(const uint8_t *p, const uint8_t *end)
{
    const uint8_t *start = p;
    while (p != end && !kTandemControl[*p])
        ++p;
    if (p != start)
        cb_.text(handler_, start, size_t(p - start));
    if (p == end)
        return p;
    const uint8_t b = *p++;
    if (b == kEscape)
        state_ = State::Escape;
    cb_.control(handler_, b);
    return p;
}

const uint8_t *PanelParser::terminalRun(const uint8_t *p, const uint8_t *end)
{
    const void *esc = std::memchr(p, kEscape, size_t(end - p));
    const uint8_t *stop = esc ? static_cast<const uint8_t *>(esc) : end;
    if (stop != p)
        cb_.eventText(handler_, p, size_t(stop - p));
    if (stop == end)
        return end;
    state_ = State::Escape;
    return stop + 1;
}

void PanelParser::write(const uint8_t *p, size_t n)
{
    const uint8_t *const end = p + n;
    while (p != end) {
        switch (state_) {
        case State::Ground: p = tandemMode_ ? tandemRun(p, end) : terminalRun(p, end); break;
        case State::Escape:
            switch (*p++) {
            case 'k':
                state_ = State::Ground;
                cb_.clearScreen(handler_);
                break;
            case 'K':
                state_ = State::Ground;
                cb_.clearToLineEnd(handler_);
                break;
            case 'Y':
                state_ = State::AddressRow;
                cb_.addressBegun(handler_);
                break;
            default: break;  // unknown commands are discarded until k, K or Y
            }
            break;
        case State::AddressRow:
        case State::AddressColumn: {
            const uint8_t b = *p++;
            if (b == kEscape) {
                state_ = State::Escape;
            } else if (state_ == State::AddressRow) {
                state_ = State::AddressColumn;
                cb_.addressRow(handler_, int(b) - 32);
            } else {
                state_ = State::Ground;
                cb_.addressColumn(handler_, int(b) - 32);
            }
            break;
        }
        }
    }
}

}  // namespace kordex
