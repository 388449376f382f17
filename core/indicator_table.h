#pragma once
// One state letter per indicator number, from the checksummed line on row 13.
#include <QByteArray>
#include <array>

namespace kordex {

// Indicator numbers the engine treats apart from lamps (the panel's numbering).
inline constexpr int kSounderIndicator = 12;
inline constexpr int kEventsIndicator = 28;
// The New Zealand common states on the ZR9 faces.
inline constexpr int kFirstNzIndicator = 23;
inline constexpr int kLastNzIndicator = 25;

class IndicatorTable {
public:
    static constexpr int kSize = 100;
    IndicatorTable() { reset(); }
    char at(int k) const { return entries_[k]; }
    void set(int k, char c) { entries_[k] = c; }
    void reset() { entries_.fill('X'); }
    QByteArray toBytes() const { return QByteArray(entries_.data(), kSize); }

private:
    std::array<char, kSize> entries_;
};

class Engine;
// Validates the indicator row and stores it; echoes the raw line in diagnostic mode.
void processIndicatorLine(Engine &e);

}  // namespace kordex
