#include "config/connection_fields.h"

#include "config/ini_file.h"

#include <string_view>
#include <type_traits>

namespace kordex {

namespace {
constexpr bool rowsAreDistinct()
{
    for (size_t i = 0; i < kConnectionFields.size(); ++i)
        for (size_t j = i + 1; j < kConnectionFields.size(); ++j)
            if (kConnectionFields[i].member == kConnectionFields[j].member ||
                std::string_view(kConnectionFields[i].name) == kConnectionFields[j].name)
                return false;
    return true;
}
static_assert(rowsAreDistinct(), "a field is in the table twice");

// Stops the build when ConnectionRecord gains or loses a member. With 19
// distinct rows above, that leaves no member out of the table.
[[maybe_unused]] void tableCoversTheRecord(const ConnectionRecord &r)
{
    static_assert(kConnectionFields.size() == 19);
    [[maybe_unused]] const auto &[f1, f2, f3, f4, f5, f6, f7, f8, f9, f10, f11, f12, f13, f14, f15, f16, f17, f18,
                                  f19] = r;
}

const ConnectionRecord &defaults()
{
    static const ConnectionRecord kDefaults;
    return kDefaults;
}

template <class M>
using ValueOf = std::remove_cvref_t<decltype(std::declval<ConnectionRecord &>().*std::declval<M>())>;
}  // namespace

const ConnectionField *findConnectionField(QByteArrayView name)
{
    for (const ConnectionField &f : kConnectionFields)
        if (QByteArrayView(f.name) == name)
            return &f;
    return nullptr;
}

QByteArray fieldText(const ConnectionRecord &rec, const ConnectionField &field)
{
    return std::visit(
        [&rec](auto m) -> QByteArray {
            using T = ValueOf<decltype(m)>;
            if constexpr (std::is_same_v<T, QByteArray>)
                return rec.*m;
            else if constexpr (std::is_same_v<T, bool>)
                return rec.*m ? "1" : "0";
            else  // an enumeration as its stored number
                return QByteArray::number(int32_t(rec.*m));
        },
        field.member);
}

QByteArray fieldDefaultText(const ConnectionField &field) { return fieldText(defaults(), field); }

bool setFieldFromText(ConnectionRecord &rec, const ConnectionField &field, const QByteArray &text)
{
    return std::visit(
        [&](auto m) {
            using T = ValueOf<decltype(m)>;
            if constexpr (std::is_same_v<T, QByteArray>) {
                rec.*m = text;
                return true;
            } else {
                const std::optional<int32_t> v = parseIniInteger(text);
                if (!v) {
                    rec.*m = defaults().*m;
                    return false;
                }
                if constexpr (std::is_same_v<T, bool>)
                    rec.*m = *v != 0;
                else  // an enumeration of a byte wraps as the byte field did
                    rec.*m = T(*v);
                return true;
            }
        },
        field.member);
}

}  // namespace kordex
