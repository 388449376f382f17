#pragma once
// One stored way of reaching a panel, and the process-wide list of them.
#include <QByteArray>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace kordex {

struct TConnectionRec {
    QByteArray SystemName = "Default";
    int32_t SID = 0;
    QByteArray Password;
    uint8_t ConnectionType = 1;  // 0 modem, 1 direct serial, 2 TCP/IP
    QByteArray PhoneNum;
    QByteArray SocketPort;
    QByteArray SocketHost;
    QByteArray AlPrompt1;
    QByteArray AlPrompt2;
    QByteArray AlResult1;
    QByteArray AlResult2;
    QByteArray UserName;
    bool ShowNZCommonStates = true;
    int32_t TcpIpLinePacing = 0;  // ms between lines of a file sent over TCP/IP
    bool AutoLogin = true;
    uint8_t BaudRate = 6;     // index into kBaudRates
    uint8_t FlowControl = 1;  // 0 none, 1 XON/XOFF, 2 RTS/CTS, 3 DTR/DSR
    int16_t ComNumber = 1;
    bool DiagnosticMode = false;

    bool operator==(const TConnectionRec &) const = default;
};

inline constexpr std::array<int, 15> kBaudRates = {110,   300,   600,   1200,  2400,   4800,   9600,  14400,
                                                   19200, 38400, 56000, 57600, 115200, 128000, 256000};

// ASCII-only case folding: names are 8-bit text of the system code page and
// only a-z fold, so two names differing in other bytes never collide.
QByteArray foldAsciiUpper(const QByteArray &s);
QByteArray foldAsciiLower(const QByteArray &s);
bool equalsIgnoringAsciiCase(const QByteArray &a, const QByteArray &b);
// The book's order: names with a-z folded to A-Z, compared bytewise unsigned.
bool sortsBefore(const TConnectionRec &a, const TConnectionRec &b);

class ConnectionBook {
public:
    static constexpr int kSlots = 501;
    static constexpr int kDialogCapacity = 500;

    int count() const { return count_; }
    bool isFull() const { return count_ >= kSlots; }
    TConnectionRec &at(int i) { return records_[i]; }
    const TConnectionRec &at(int i) const { return records_[i]; }

    // Fills slot Count; returns false (and stores nothing) when every slot is taken.
    bool add(const TConnectionRec &rec);
    void replace(int i, const TConnectionRec &rec) { records_[i] = rec; }
    void removeAt(int i);
    void clear() { count_ = 0; }
    // Loaders state the count before filling the slots; it is kept within
    // the slots, whatever a file claims. Slots from the count on keep their
    // contents.
    void setCount(int n) { count_ = n < 0 ? 0 : (n > kSlots ? kSlots : n); }
    // First index whose name equals `name` exactly.
    std::optional<int> findByName(const QByteArray &name) const;
    // Any record whose name equals `name` apart from the case of a-z.
    bool nameInUse(const QByteArray &name) const;
    // Stable ascending sort by name with a-z folded to A-Z, compared bytewise.
    void sortByName();

    // The records in use, in book order.
    std::vector<TConnectionRec> records() const;
    // The book becomes `records`; false (and the book unchanged) when they
    // do not fit in the slots.
    bool assign(const std::vector<TConnectionRec> &records);

private:
    std::array<TConnectionRec, kSlots> records_{};
    int count_ = 0;
};

}  // namespace kordex
