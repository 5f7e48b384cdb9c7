#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
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

// The readable bytes that ScanFixed2Token may look at from `p`.
inline constexpr ptrdiff_t kScanFixed2Reach = 16;

// The shape of nearly every token of the work files, a number below a million with two
// decimals: from `p`, an optional minus, 1 to 6 digits, a point and 2 digits, then white space
// (space, TAB, LF, VT, FF, CR) that ends the token. Returns that white-space byte and sets
// `value` to what ScanShortDecimal gives; any other shape gives null, leaving `value` alone,
// for the byte-by-byte reading. `p` must have kScanFixed2Reach readable bytes. The millions of
// numbers of a peak file are why: the digits are found and summed eight bytes at a time.
inline const char* ScanFixed2Token(const char* p, double& value) {
  // The flags and sums below take the first byte in memory as the lowest.
  if constexpr (std::endian::native != std::endian::little) return nullptr;
  constexpr uint64_t kOnes = 0x0101010101010101u, kHighs = 0x8080808080808080u;
  const bool negative = *p == '-';
  const char* const first = p + (negative ? 1 : 0);
  uint64_t word;
  std::memcpy(&word, first, sizeof word);
  // Digits become 0 to 9, and the first byte that is not one is flagged: it is 0x80 or more
  // after the subtraction or after adding 0x76. Borrows and carries only move to later bytes,
  // and none leaves a digit, so the lowest flag is exact.
  const uint64_t digits = word - 0x30 * kOnes;
  const uint64_t flags = (digits | (digits + 0x76 * kOnes)) & kHighs;
  const int whole = std::countr_zero(flags) / 8;  // digits before the point
  if (whole < 1 || whole > 6) return nullptr;
  // The point, two digits and the white space, tested in one word the same way.
  uint32_t tail;
  std::memcpy(&tail, first + whole, sizeof tail);
  const uint32_t decimals = ((tail >> 8) & 0xFFFFu) - 0x3030u;
  const uint32_t blank = tail >> 24;
  if ((tail & 0xFFu) != '.' || ((decimals | (decimals + 0x7676u)) & 0x8080u) != 0 ||
      !(blank == ' ' || blank - '\t' <= '\r' - '\t')) {
    return nullptr;
  }
  // Eight digits with the first in the lowest byte: the whole digits moved up against the two
  // decimals, zeros below them. Neighbours are summed in pairs, then the pairs in fours.
  uint64_t eight = ((digits << (8 * (8 - whole))) >> 16) | (uint64_t{decimals} << 48);
  eight = eight * 10 + (eight >> 8);
  eight = (((eight & 0x000000FF000000FFu) * (100 + (uint64_t{1000000} << 32))) +
           (((eight >> 16) & 0x000000FF000000FFu) * (1 + (uint64_t{10000} << 32)))) >>
          32;
  // The same single division as ScanShortDecimal: both terms are exact doubles.
  const double magnitude = static_cast<double>(static_cast<uint32_t>(eight)) / 1e2;
  value = negative ? -magnitude : magnitude;
  return first + whole + 3;
}

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
