#pragma once
// One state letter per indicator number, from the checksummed line on row 13.
#include <QByteArray>
#include <array>

namespace kordex {

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
// Validates row 13 and stores it; echoes the raw line in diagnostic mode.
void ProcessIndicatorLine(Engine &e);

}  // namespace kordex
