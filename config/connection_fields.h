#pragma once
// The fields of a connection record, named once. A field's name is its key in
// "Kordex.ini" and its name in scripts; the table's order is the order the
// keys are written in. Code that goes through every field walks this table,
// so a field added to TConnectionRec is added here and nowhere else by name.
// Defaults are TConnectionRec's own member initialisers.
#include "config/connection_book.h"

#include <QByteArray>
#include <QByteArrayView>

#include <array>
#include <cstdint>
#include <span>
#include <variant>

namespace kordex {

struct ConnectionField {
    // How a value is held and written: text as it is; numbers in decimal,
    // read in any form parseIniInteger takes and cut to the member's width
    // (258 in a Byte is 2) as the Windows program stores them; flags as 0 or
    // 1, read as any number with non-zero true.
    enum class Kind { Text, Int32, Int16, Byte, Bool };
    // One alternative per Kind, in the order of Kind.
    using Member = std::variant<QByteArray TConnectionRec::*, int32_t TConnectionRec::*, int16_t TConnectionRec::*,
                                uint8_t TConnectionRec::*, bool TConnectionRec::*>;

    // The kind follows from the member's type, so the two cannot disagree.
    template <class T>
    constexpr ConnectionField(const char *fieldName, T TConnectionRec::*m)
        : name(fieldName),
          kind(Kind(Member(m).index())),
          member(m)
    {
    }

    const char *name;
    Kind kind;
    Member member;
};

// The name is the member's own identifier, so it cannot be misspelt.
#define KORDEX_CONNECTION_FIELD(member) ConnectionField(#member, &TConnectionRec::member)
// One field a line, in the file's order.
// clang-format off
inline constexpr std::array<ConnectionField, 19> kConnectionFields = {
    KORDEX_CONNECTION_FIELD(SystemName),
    KORDEX_CONNECTION_FIELD(SID),
    KORDEX_CONNECTION_FIELD(Password),
    KORDEX_CONNECTION_FIELD(ConnectionType),
    KORDEX_CONNECTION_FIELD(PhoneNum),
    KORDEX_CONNECTION_FIELD(SocketPort),
    KORDEX_CONNECTION_FIELD(SocketHost),
    KORDEX_CONNECTION_FIELD(AlPrompt1),
    KORDEX_CONNECTION_FIELD(AlPrompt2),
    KORDEX_CONNECTION_FIELD(AlResult1),
    KORDEX_CONNECTION_FIELD(AlResult2),
    KORDEX_CONNECTION_FIELD(UserName),
    KORDEX_CONNECTION_FIELD(ShowNZCommonStates),
    KORDEX_CONNECTION_FIELD(TcpIpLinePacing),
    KORDEX_CONNECTION_FIELD(AutoLogin),
    KORDEX_CONNECTION_FIELD(BaudRate),
    KORDEX_CONNECTION_FIELD(FlowControl),
    KORDEX_CONNECTION_FIELD(ComNumber),
    KORDEX_CONNECTION_FIELD(DiagnosticMode),
};
// clang-format on
#undef KORDEX_CONNECTION_FIELD

inline std::span<const ConnectionField> connectionFields() { return kConnectionFields; }

// Exact spelling, letter case included (the ini file itself matches keys
// ignoring case; IniFile does that). nullptr for any other name.
const ConnectionField *findConnectionField(QByteArrayView name);

// The table's row for a member; used in constant expressions, where a member
// missing from the table stops the build.
constexpr const ConnectionField &connectionField(ConnectionField::Member member)
{
    for (const ConnectionField &f : kConnectionFields)
        if (f.member == member)
            return f;
    throw "not in the connection field table";
}

// The value as the ini file holds it: "1"/"0" for flags, decimal numbers.
QByteArray fieldText(const TConnectionRec &rec, const ConnectionField &field);
// The field's value in TConnectionRec{}, as fieldText gives it.
QByteArray fieldDefaultText(const ConnectionField &field);
// Reads `text` as the ini reader reads a present key. Text is taken as it is;
// a number or flag that does not parse sets the field to its default and
// gives false.
bool setFieldFromText(TConnectionRec &rec, const ConnectionField &field, const QByteArray &text);

}  // namespace kordex
