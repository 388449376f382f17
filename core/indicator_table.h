#pragma once
// One state letter per indicator number, written by the main thread from the
// checksummed line on row 13 and read by the flash thread without a lock.
#include <QByteArray>
#include <array>
#include <atomic>

namespace kordex {

class IndicatorTable {
public:
    static constexpr int kSize = 100;
    IndicatorTable() { reset(); }
    char at(int k) const { return entries_[k].load(std::memory_order_relaxed); }
    void set(int k, char c) { entries_[k].store(c, std::memory_order_relaxed); }
    void reset()
    {
        for (auto &e : entries_)
            e.store('X', std::memory_order_relaxed);
    }
    QByteArray toBytes() const;

private:
    std::array<std::atomic<char>, kSize> entries_;
};

class Engine;
// Validates row 13 and stores it; echoes the raw line in diagnostic mode.
void ProcessIndicatorLine(Engine &e);

}  // namespace kordex
