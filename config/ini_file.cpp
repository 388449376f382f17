#include "config/ini_file.h"

#include "platform/file_io.h"

#include <limits>

namespace kordex {

namespace {
bool isBlankOrControl(char c) { return uchar(c) <= 32; }

// Names are compared often on a large book; no copies.
bool sameName(const QByteArray &a, const QByteArray &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x = char(x - 32);
        if (y >= 'a' && y <= 'z')
            y = char(y - 32);
        if (x != y)
            return false;
    }
    return true;
}

// A value must stay on its own line, or it would write keys and sections of
// its own into the file.
QByteArray oneLine(const QByteArray &v)
{
    if (!v.contains('\r') && !v.contains('\n'))
        return v;
    QByteArray r = v;
    for (char &c : r)
        if (c == '\r' || c == '\n')
            c = ' ';
    return r;
}
}  // namespace

QByteArray stripIniText(const QByteArray &s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && isBlankOrControl(s[b]))
        ++b;
    while (e > b && isBlankOrControl(s[e - 1]))
        --e;
    return s.mid(b, e - b);
}

QByteArray valueAsReadBack(const QByteArray &v) { return stripIniText(oneLine(v)); }

std::optional<int32_t> parseIniInteger(const QByteArray &s)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) {
        negative = s[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < s.size() && s[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 2 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= s.size())
        return std::nullopt;
    uint64_t acc = 0;
    for (; i < s.size(); ++i) {
        int d;
        char c = s[i];
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return std::nullopt;
        acc = acc * base + d;
        if (acc > 0xFFFFFFFFull)
            return std::nullopt;
    }
    int64_t v;
    if (base == 16) {
        v = int32_t(uint32_t(acc));  // "$FFFFFFFF" is -1
    } else {
        v = int64_t(acc);
        if (v > int64_t(std::numeric_limits<int32_t>::max()) + (negative ? 1 : 0))
            return std::nullopt;
    }
    return int32_t(negative ? -v : v);
}

IniFile IniFile::parse(const QByteArray &bytes)
{
    IniFile ini;
    Section *current = nullptr;
    // An editor that saved the file as UTF-8 may have put a byte-order mark
    // before "[Connections]"; left in place it hides that section, the book
    // loads empty and the next save records a Count of 0.
    const QByteArray text = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
    for (const QByteArray &raw : splitTextLines(text)) {
        const QByteArray line = stripIniText(raw);
        if (line.isEmpty() || line.startsWith(';'))
            continue;
        if (line.startsWith('[') && line.endsWith(']') && line.size() >= 2) {
            // A repeated section is kept as it is; lookups find the first.
            ini.sections_.push_back({stripIniText(line.mid(1, line.size() - 2)), {}});
            current = &ini.sections_.back();
            continue;
        }
        if (!current)
            continue;
        Line l;
        const qsizetype eq = line.indexOf('=');
        if (eq >= 0) {
            l.isKey = true;
            l.key = stripIniText(line.left(eq));
            l.value = stripIniText(line.mid(eq + 1));
        } else {
            l.text = line;
        }
        current->lines.push_back(std::move(l));
    }
    return ini;
}

QByteArray IniFile::serialize() const
{
    QByteArray out;
    for (const Section &s : sections_) {
        out += '[' + s.name + "]\r\n";
        for (const Line &l : s.lines)
            out += (l.isKey ? l.key + '=' + l.value : l.text) + "\r\n";
        out += "\r\n";
    }
    return out;
}

const IniFile::Section *IniFile::section(const QByteArray &name) const
{
    // Writes go section by section: look where the last lookup ended first.
    if (lastSection_ < sections_.size() && sameName(sections_[lastSection_].name, name))
        return &sections_[lastSection_];
    for (size_t i = 0; i < sections_.size(); ++i) {
        if (sameName(sections_[i].name, name)) {
            lastSection_ = i;
            return &sections_[i];
        }
    }
    return nullptr;
}

IniFile::Section *IniFile::findSection(const QByteArray &name)
{
    return const_cast<Section *>(std::as_const(*this).section(name));
}

std::optional<QByteArray> IniFile::value(const QByteArray &sectionName, const QByteArray &key) const
{
    const Section *s = section(sectionName);
    if (!s)
        return std::nullopt;
    for (const Line &l : s->lines)
        if (l.isKey && sameName(l.key, key))
            return l.value;
    return std::nullopt;
}

QByteArray IniFile::readString(const QByteArray &section, const QByteArray &key, const QByteArray &def) const
{
    return value(section, key).value_or(def);
}

int32_t IniFile::readInteger(const QByteArray &section, const QByteArray &key, int32_t def) const
{
    auto v = value(section, key);
    if (!v)
        return def;
    return parseIniInteger(*v).value_or(def);
}

bool IniFile::readBool(const QByteArray &section, const QByteArray &key, bool def) const
{
    return readInteger(section, key, def ? 1 : 0) != 0;
}

void IniFile::setValue(const QByteArray &sectionName, const QByteArray &key, const QByteArray &value)
{
    Line l;
    l.isKey = true;
    l.key = key;
    l.value = oneLine(value);
    Section *s = findSection(sectionName);
    if (!s) {
        sections_.push_back({sectionName, {}});
        s = &sections_.back();
    }
    for (Line &old : s->lines) {
        if (old.isKey && sameName(old.key, key)) {
            old = std::move(l);
            return;
        }
    }
    s->lines.push_back(std::move(l));
}

void IniFile::setInteger(const QByteArray &section, const QByteArray &key, int32_t v)
{
    setValue(section, key, QByteArray::number(v));
}

}  // namespace kordex
