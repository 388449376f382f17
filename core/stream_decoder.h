#pragma once
// Turns each received byte into screen writes, escape commands, event line
// characters and the switch into tandem mode. All state lives here, so a
// sequence split across chunks decodes as if it had arrived in one.
#include <cstdint>

namespace kordex {

class Engine;

class StreamDecoder {
public:
    explicit StreamDecoder(Engine &e) : e_(e) {}

    void processByte(uint8_t b);
    void DecodeEscapeByte(uint8_t b);
    void DecodeTandemByte(uint8_t b);

    bool EscapePending = false;
    bool CursorAddressing = false;
    bool RowReceived = false;
    bool ScreenChanged = false;

private:
    void writeCharacter(uint8_t b);
    void afterTandemByte();
    void recomposeAfterCoordinate();
    Engine &e_;
};

}  // namespace kordex
