#include "platform/errno_text.h"

#include <cstring>
#include <locale.h>

namespace kordex {

QString errnoText(int code)
{
    if (code == 0)
        return QStringLiteral("No Error");
    static const locale_t kCLocale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return QString::fromLatin1(strerror_l(code, kCLocale));
}

}  // namespace kordex
