#pragma once
// The system's error codes as text, in glibc's English wording for the codes
// the ports, sockets and files report, so that what the program says does
// not follow the locale; 0 reads "No Error". Any other code gets the C
// library's own text.
#include <QString>

namespace kordex {

QString errnoText(int code);

}  // namespace kordex
