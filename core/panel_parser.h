#pragma once
// Turns the panel's byte stream into events: runs of screen text, control
// bytes, the escape commands and the cursor address. It keeps only its place
// in an escape sequence, so a sequence split across chunks decodes as if it
// had arrived in one, and acts on nothing itself: its handler does.
#include <cstddef>
#include <cstdint>

namespace kordex {

// What a parser reports, as plain function pointers with the handler's
// pointer first; a run of bytes costs one call, not one per byte.
struct PanelParserCallbacks {
    // Tandem mode: bytes for the screen at the cursor, none of them a control byte.
    void (*text)(void *handler, const uint8_t *bytes, size_t n);
    // Tandem mode: BEL, LF, CR, cursor off, cursor on, blink on, and ESC.
    void (*control)(void *handler, uint8_t b);
    // Terminal mode: everything up to the next ESC, for the event screen.
    void (*eventText)(void *handler, const uint8_t *bytes, size_t n);
    void (*clearScreen)(void *handler);     // ESC k
    void (*clearToLineEnd)(void *handler);  // ESC K
    void (*addressBegun)(void *handler);    // ESC Y
    // The two bytes after ESC Y, each less 32; ESC between them abandons the address.
    void (*addressRow)(void *handler, int row);
    void (*addressColumn)(void *handler, int column);
};

class PanelParser {
public:
    // `tandemMode` is read before each run: the handler may switch the mode
    // when an address begins.
    PanelParser(const PanelParserCallbacks &callbacks, void *handler, const bool &tandemMode)
        : cb_(callbacks),
          handler_(handler),
          tandemMode_(tandemMode)
    {
    }

    void write(const uint8_t *bytes, size_t n);
    // Inside an escape sequence: the next byte is a command or a coordinate.

private:
    enum class State : uint8_t { Ground, Escape, AddressRow, AddressColumn };
    const uint8_t *tandemRun(const uint8_t *p, const uint8_t *end);
    const uint8_t *terminalRun(const uint8_t *p, const uint8_t *end);

    PanelParserCallbacks cb_;
    void *handler_;
    const bool &tandemMode_;
    State state_ = State::Ground;
};

}  // namespace kordex
