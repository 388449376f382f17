#pragma once
// The fields of a connection record, named once. A field's name is its key in
// "Kordex.ini" and its name in scripts; the table's order is the order the
// keys are written in. Code that goes through every field walks this table,
// so a field added to ConnectionRecord is added here and nowhere else by name.
// Defaults are ConnectionRecord's own member initialisers.
#include "config/connection_book.h"

#include <QByteArray>
#include <QByteArrayView>

#include <array>
#include <cstdint>
#include <span>
#include <type_traits>
#include <variant>

namespace kordex {

struct ConnectionField {
    // How a value is held and written: text as it is; numbers in decimal,
    // read in any form parseIniInteger takes and cut to the member's width
    // (258 in a Byte is 2) as the Windows program stores them; flags as 0 or
    // 1, read as any number with non-zero true.
    enum class Kind { Text, Int32, Int16, Byte, Bool };
    using Member = std::variant<QByteArray ConnectionRecord::*, int32_t ConnectionRecord::*,
                                int16_t ConnectionRecord::*, uint8_t ConnectionRecord::*, bool ConnectionRecord::*,
                                ConnectionType ConnectionRecord::*, FlowControl ConnectionRecord::*>;

    // The kind follows from the member's type, so the two cannot disagree.
    // The enumerations are stored as the byte they are made of.
    template <class T>
    static constexpr Kind kindOf()
    {
        if constexpr (std::is_same_v<T, QByteArray>)
            return Kind::Text;
        else if constexpr (std::is_same_v<T, int32_t>)
            return Kind::Int32;
        else if constexpr (std::is_same_v<T, int16_t>)
            return Kind::Int16;
        else if constexpr (std::is_same_v<T, bool>)
            return Kind::Bool;
        else if constexpr (std::is_enum_v<T>) {
            static_assert(std::is_same_v<std::underlying_type_t<T>, uint8_t>);
            return Kind::Byte;
        } else {
            static_assert(std::is_same_v<T, uint8_t>);
            return Kind::Byte;
        }
    }

    template <class T>
    constexpr ConnectionField(const char *iniKey, T ConnectionRecord::*m)
        : name(iniKey),
          kind(kindOf<T>()),
          member(m)
    {
    }

    const char *name;
    Kind kind;
    Member member;
};

// One field a line, in the file's order. The keys are spelt out, never
// taken from the member names, so renaming a member cannot change the file.
// clang-format off
inline constexpr std::array<ConnectionField, 19> kConnectionFields = {
    ConnectionField("SystemName", &ConnectionRecord::systemName),
    ConnectionField("SID", &ConnectionRecord::sid),
    ConnectionField("Password", &ConnectionRecord::password),
    ConnectionField("ConnectionType", &ConnectionRecord::connectionType),
    ConnectionField("PhoneNum", &ConnectionRecord::phoneNumber),
    ConnectionField("SocketPort", &ConnectionRecord::tcpPort),
    ConnectionField("SocketHost", &ConnectionRecord::tcpHost),
    ConnectionField("AlPrompt1", &ConnectionRecord::auxPrompt1),
    ConnectionField("AlPrompt2", &ConnectionRecord::auxPrompt2),
    ConnectionField("AlResult1", &ConnectionRecord::auxReply1),
    ConnectionField("AlResult2", &ConnectionRecord::auxReply2),
    ConnectionField("UserName", &ConnectionRecord::userName),
    ConnectionField("ShowNZCommonStates", &ConnectionRecord::showNzCommonStates),
    ConnectionField("TcpIpLinePacing", &ConnectionRecord::tcpLinePacingMs),
    ConnectionField("AutoLogin", &ConnectionRecord::autoLogin),
    ConnectionField("BaudRate", &ConnectionRecord::baudRateIndex),
    ConnectionField("FlowControl", &ConnectionRecord::flowControl),
    ConnectionField("ComNumber", &ConnectionRecord::comPort),
    ConnectionField("DiagnosticMode", &ConnectionRecord::diagnosticMode),
};
// clang-format on

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
QByteArray fieldText(const ConnectionRecord &rec, const ConnectionField &field);
// The field's value in ConnectionRecord{}, as fieldText gives it.
QByteArray fieldDefaultText(const ConnectionField &field);
// Reads `text` as the ini reader reads a present key. Text is taken as it is;
// a number or flag that does not parse sets the field to its default and
// gives false.
bool setFieldFromText(ConnectionRecord &rec, const ConnectionField &field, const QByteArray &text);

}  // namespace kordex
