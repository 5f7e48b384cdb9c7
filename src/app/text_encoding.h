#pragma once

#include <string>
#include <string_view>

namespace tonvale {

// Text is UTF-8 inside the program. Files that users share with other tools of this kind are
// code page 932 (Shift-JIS) and are converted where they are read or written.

// Bytes that are not valid code page 932 become U+FFFD, so a damaged file still reads.
std::string Cp932ToUtf8(std::string_view bytes);

// Characters that code page 932 cannot hold become '?'.
std::string Utf8ToCp932(std::string_view text);

// Well-formed UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view bytes);

bool IsAscii(std::string_view bytes);

}  // namespace tonvale
