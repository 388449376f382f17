#pragma once
// The system's error codes as text, in the C library's English wording (its
// C locale), so that what the program says does not follow the user's
// locale; 0 reads "No Error".
#include <QString>

namespace kordex {

QString errnoText(int code);

}  // namespace kordex
