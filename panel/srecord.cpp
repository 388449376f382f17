#include "panel/srecord.h"

namespace kordex::panel {

namespace {

// Bytes of the address field per record type; S4 is reserved and has none.
int addressBytes(int type)
{
    static const int kAddressSizes[10] = {2, 2, 3, 4, -1, 2, 3, 4, 3, 2};
    return type >= 0 && type <= 9 ? kAddressSizes[type] : -1;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

}  // namespace

bool looksLikeSRecord(QByteArrayView line)
{
    return line.size() >= 2 && line[0] == 'S' && line[1] >= '0' && line[1] <= '9';
}

SRecordCheck checkSRecord(QByteArrayView line)
{
    SRecordCheck r;
    if (!looksLikeSRecord(line)) {
        r.error = "NOT AN S-RECORD";
        return r;
    }
    r.type = line[1] - '0';
    const int addrLen = addressBytes(r.type);
    if (addrLen < 0) {
        r.error = "BAD RECORD TYPE";
        return r;
    }
    const QByteArrayView hex = line.sliced(2);
    if (hex.size() < 2 || hex.size() % 2 != 0) {
        r.error = "BAD LENGTH";
        return r;
    }
    QByteArray bytes;
    for (qsizetype i = 0; i < hex.size(); i += 2) {
        const int hi = hexValue(hex[i]);
        const int lo = hexValue(hex[i + 1]);
        if (hi < 0 || lo < 0) {
            r.error = "BAD HEX DIGIT";
            return r;
        }
        bytes += char(hi * 16 + lo);
    }
    const int count = static_cast<unsigned char>(bytes[0]);
    if (count != bytes.size() - 1 || count < addrLen + 1) {
        r.error = "BAD LENGTH";
        return r;
    }
    unsigned sum = 0;
    for (qsizetype i = 0; i < bytes.size() - 1; ++i)
        sum += static_cast<unsigned char>(bytes[i]);
    if (((~sum) & 0xFF) != static_cast<unsigned char>(bytes.back())) {
        r.error = "BAD CHECKSUM";
        return r;
    }
    for (int i = 0; i < addrLen; ++i)
        r.address = (r.address << 8) | static_cast<unsigned char>(bytes[1 + i]);
    r.dataBytes = count - addrLen - 1;
    r.ok = true;
    return r;
}

QByteArray makeSRecord(int type, quint32 address, QByteArrayView data)
{
    const int addrLen = addressBytes(type) < 0 ? 2 : addressBytes(type);
    QByteArray bytes;
    bytes += char(addrLen + data.size() + 1);
    for (int i = addrLen - 1; i >= 0; --i)
        bytes += char((address >> (8 * i)) & 0xFF);
    bytes += data.toByteArray();
    unsigned sum = 0;
    for (char c : bytes)
        sum += static_cast<unsigned char>(c);
    bytes += char(~sum & 0xFF);
    return "S" + QByteArray::number(type) + bytes.toHex().toUpper();
}

}  // namespace kordex::panel
