#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tonvale {

// Number conversions of the work files and the settings file. Every reader takes the leading
// number of a token and ignores the rest ("20:" is 20, "10ms" is 10); a token that does not
// start with a number is 0. They never depend on the process locale.

// Leading decimal integer by the rules of atoi: white space skipped, an optional sign, digits.
// Values beyond the 64-bit range saturate instead of overflowing.
int64_t LeadingInteger(std::string_view text);

// The low 16 bits as a two's-complement value: 70000 gives 4464, 40000 gives -25536.
int16_t WrapToInt16(int64_t value);

int32_t ClampToInt32(int64_t value);

// Leading decimal number by the rules of strtod, limited to decimal notation: white space,
// sign, digits, a point, digits, an exponent. "nan", "inf", hexadecimal and values too large
// for a double all read as 0, so no reader ever meets a number that is not finite.
double LeadingDecimal(std::string_view text);

// The numbers of the work files, read where they lie: from `p` (before `end`), an optional
// minus, digits, and optionally a point and digits, 1 to 15 digits in all. Returns the first
// byte after them and sets `value` to what LeadingDecimal gives for that text; returns null,
// leaving `value` alone, when the bytes from `p` do not start such a number.
const char* ScanShortDecimal(const char* p, const char* end, double& value);

// The float nearest to `value`, as IEEE rounding gives it: values beyond the float range become
// infinities of their sign instead of being an undefined conversion.
float NarrowToFloat(double value);

// Appends "%.*f" (decimals after the point, correctly rounded), whatever the locale.
void AppendFixed(std::string& out, double value, int decimals);
void AppendInteger(std::string& out, int64_t value);

// The most bytes WriteFixed2 writes: a sign, the 309 digits of the largest double, the point and
// two decimals.
inline constexpr size_t kFixed2Room = 320;
// Writes what AppendFixed(out, value, 2) appends at `out`, which has room for kFixed2Room bytes,
// and returns the end of it. Whoever formats many numbers writes them into one buffer and
// appends that once.
char* WriteFixed2(char* out, double value);

// What a reader of the text that AppendFixed(out, value, 2) appends takes back as a float,
// NarrowToFloat(LeadingDecimal(text)), without writing and parsing the text. A float widens to
// a double exactly, so floats and doubles alike come here.
float ReadBackFixed2(double value);

// printf-style formatting into a string. Floating-point conversions follow the C locale as
// long as no front end changes LC_NUMERIC (the window keeps it at "C").
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace tonvale
