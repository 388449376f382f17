#pragma once
// One stored way of reaching a panel, and the process-wide list of them.
#include <QByteArray>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace kordex {

// How a record reaches its panel. The numbers are the ones "Kordex.ini"
// stores; a file may hold any other, which is kept as it is and reaches no
// transport.
enum class ConnectionType : uint8_t { Modem = 0, DirectSerial = 1, TcpIp = 2 };
// Flow control of the serial line, stored by number like the type.
enum class FlowControl : uint8_t { None = 0, XonXoff = 1, RtsCts = 2, DtrDsr = 3 };

struct ConnectionRecord {
    QByteArray systemName = "Default";
    int32_t sid = 0;
    QByteArray password;
    ConnectionType connectionType = ConnectionType::DirectSerial;
    QByteArray phoneNumber;
    QByteArray tcpPort;
    QByteArray tcpHost;
    QByteArray auxPrompt1;
    QByteArray auxPrompt2;
    QByteArray auxReply1;
    QByteArray auxReply2;
    QByteArray userName;
    bool showNzCommonStates = true;
    int32_t tcpLinePacingMs = 0;  // ms between lines of a file sent over TCP/IP
    bool autoLogin = true;
    uint8_t baudRateIndex = 6;  // index into kBaudRates
    FlowControl flowControl = FlowControl::XonXoff;
    int16_t comPort = 1;
    bool diagnosticMode = false;

    bool operator==(const ConnectionRecord &) const = default;
};

inline constexpr std::array<int, 15> kBaudRates = {110,   300,   600,   1200,  2400,   4800,   9600,  14400,
                                                   19200, 38400, 56000, 57600, 115200, 128000, 256000};

// ASCII-only case folding: names are 8-bit text of the system code page and
// only a-z fold, so two names differing in other bytes never collide.
QByteArray foldAsciiUpper(const QByteArray &s);
QByteArray foldAsciiLower(const QByteArray &s);
bool equalsIgnoringAsciiCase(const QByteArray &a, const QByteArray &b);
// The book's order: names with a-z folded to A-Z, compared bytewise unsigned.
bool sortsBefore(const ConnectionRecord &a, const ConnectionRecord &b);

class ConnectionBook {
public:
    static constexpr int kSlots = 501;
    static constexpr int kDialogCapacity = 500;

    int count() const { return count_; }
    bool isFull() const { return count_ >= kSlots; }
    ConnectionRecord &at(int i) { return records_[i]; }
    const ConnectionRecord &at(int i) const { return records_[i]; }

    // Fills slot Count; returns false (and stores nothing) when every slot is taken.
    bool add(const ConnectionRecord &rec);
    void replace(int i, const ConnectionRecord &rec) { records_[i] = rec; }
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
    std::vector<ConnectionRecord> records() const;
    // The book becomes `records`; false (and the book unchanged) when they
    // do not fit in the slots.
    bool assign(const std::vector<ConnectionRecord> &records);

private:
    std::array<ConnectionRecord, kSlots> records_{};
    int count_ = 0;
};

}  // namespace kordex
