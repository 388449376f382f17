#pragma once
// The ini dialect of "Kordex.ini", read and written byte for byte so the file
// stays shared with the Windows program. QSettings is no use here: it quotes
// and escapes values, sorts keys and matches names case-sensitively.
//
// Reading: a leading UTF-8 byte-order mark is skipped; lines are stripped of
// bytes 0-32 at both ends; empty lines and ";" comments are skipped; "[name]"
// opens a section; "key=value" lines are keys; other lines inside a section
// are kept as they are. Section and key names
// match ignoring the case of a-z. Writing: CR LF line ends, every key line
// (known or not) as "key=value" with nothing around "=", an empty line after
// each section; comments, empty lines and lines before the first section are
// not written back.
#include <QByteArray>

#include <optional>
#include <vector>

namespace kordex {

// Strips leading and trailing blanks and control characters (bytes 1-32 and 0).
QByteArray stripIniText(const QByteArray &s);

// What a later read gives back of a value that setValue wrote: a line end
// inside becomes a blank, and blanks at both ends go.
QByteArray valueAsReadBack(const QByteArray &v);

// Decimal, or hexadecimal after "$", "0x" or "0X"; an optional sign before
// either. Hexadecimal wraps to 32 bits as the Windows program reads it.
std::optional<int32_t> parseIniInteger(const QByteArray &s);

class IniFile {
public:
    struct Line {
        bool isKey = false;
        QByteArray key, value;  // stripped; valid when isKey
        QByteArray text;        // a line without "=", stripped
    };
    struct Section {
        QByteArray name;
        std::vector<Line> lines;
    };

    static IniFile parse(const QByteArray &bytes);
    QByteArray serialize() const;

    const std::vector<Section> &sections() const { return sections_; }
    const Section *section(const QByteArray &name) const;

    // nullopt only when the section or the key is missing; a present key with
    // an empty value gives an empty value.
    std::optional<QByteArray> value(const QByteArray &section, const QByteArray &key) const;
    QByteArray readString(const QByteArray &section, const QByteArray &key, const QByteArray &def) const;
    int32_t readInteger(const QByteArray &section, const QByteArray &key, int32_t def) const;
    bool readBool(const QByteArray &section, const QByteArray &key, bool def) const;

    // An existing key keeps its place in its section; a new key goes to the
    // end of its section, a new section to the end of the file.
    void setValue(const QByteArray &section, const QByteArray &key, const QByteArray &value);
    void setInteger(const QByteArray &section, const QByteArray &key, int32_t v);
    void setBool(const QByteArray &section, const QByteArray &key, bool v) { setInteger(section, key, v ? 1 : 0); }

private:
    Section *findSection(const QByteArray &name);
    std::vector<Section> sections_;
    mutable size_t lastSection_ = 0;
};

}  // namespace kordex
