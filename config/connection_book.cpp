#include "config/connection_book.h"

#include <algorithm>

namespace kordex {

namespace {
QByteArray foldAscii(const QByteArray &s, char from, char to)
{
    QByteArray r = s;
    for (char &c : r)
        if (c >= from && c <= char(from + 25))
            c = char(c - from + to);
    return r;
}
}  // namespace

QByteArray foldAsciiUpper(const QByteArray &s) { return foldAscii(s, 'a', 'A'); }
QByteArray foldAsciiLower(const QByteArray &s) { return foldAscii(s, 'A', 'a'); }

bool equalsIgnoringAsciiCase(const QByteArray &a, const QByteArray &b)
{
    return a.size() == b.size() && foldAsciiUpper(a) == foldAsciiUpper(b);
}

bool sortsBefore(const ConnectionRecord &a, const ConnectionRecord &b)
{
    return foldAsciiUpper(a.systemName).compare(foldAsciiUpper(b.systemName)) < 0;
}

bool ConnectionBook::add(const ConnectionRecord &rec)
{
    if (isFull())
        return false;
    records_[count_++] = rec;
    return true;
}

void ConnectionBook::removeAt(int i)
{
    if (i < 0 || i >= count_)
        return;
    for (int k = i; k + 1 < count_; ++k)
        records_[k] = records_[k + 1];
    if (count_ > 0)
        --count_;
}

std::optional<int> ConnectionBook::findByName(const QByteArray &name) const
{
    for (int i = 0; i < count_; ++i)
        if (records_[i].systemName == name)
            return i;
    return std::nullopt;
}

bool ConnectionBook::nameInUse(const QByteArray &name) const
{
    for (int i = 0; i < count_; ++i)
        if (equalsIgnoringAsciiCase(records_[i].systemName, name))
            return true;
    return false;
}

void ConnectionBook::sortByName() { std::stable_sort(records_.begin(), records_.begin() + count_, sortsBefore); }

std::vector<ConnectionRecord> ConnectionBook::records() const { return {records_.begin(), records_.begin() + count_}; }

bool ConnectionBook::assign(const std::vector<ConnectionRecord> &records)
{
    if (records.size() > size_t(kSlots))
        return false;
    std::copy(records.begin(), records.end(), records_.begin());
    count_ = int(records.size());
    return true;
}

}  // namespace kordex
