#include "app/numbers.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>

namespace tonvale {
namespace {

bool IsCSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Steps over leading white space and an optional sign; true for a minus sign.
bool SkipSpaceAndSign(std::string_view text, size_t& i) {
  while (i < text.size() && IsCSpace(text[i])) ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) return text[i++] == '-';
  return false;
}

}  // namespace

int64_t LeadingInteger(std::string_view text) {
  size_t i = 0;
  const bool negative = SkipSpaceAndSign(text, i);
  // Accumulate as a negative number so that INT64_MIN itself is reachable.
  constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
  int64_t value = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    int digit = text[i] - '0';
    if (value < (kMin + digit) / 10) {
      value = kMin;
      while (i < text.size() && IsDigit(text[i])) ++i;
      break;
    }
    value = value * 10 - digit;
  }
  if (negative) return value;
  return value == kMin ? std::numeric_limits<int64_t>::max() : -value;
}

int16_t WrapToInt16(int64_t value) {
  return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint64_t>(value) & 0xFFFFu));
}

int32_t ClampToInt32(int64_t value) {
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

namespace {

constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// The tokens of the work files, with nothing after them; false for anything else, which the
// full reading takes.
bool ShortDecimal(std::string_view text, double& value) {
  const char* const end = text.data() + text.size();
  const char* const stop = ScanShortDecimal(text.data(), end, value);
  return stop != nullptr && stop == end;
}

}  // namespace

const char* ScanShortDecimal(const char* p, const char* end, double& value) {
  const bool negative = p < end && *p == '-';
  if (negative) ++p;
  uint64_t mantissa = 0;
  const char* const first = p;
  while (p < end && IsDigit(*p)) mantissa = mantissa * 10 + static_cast<uint64_t>(*p++ - '0');
  size_t digits = static_cast<size_t>(p - first), decimals = 0;
  if (p < end && *p == '.') {
    const char* const point = ++p;
    while (p < end && IsDigit(*p)) mantissa = mantissa * 10 + static_cast<uint64_t>(*p++ - '0');
    decimals = static_cast<size_t>(p - point);
    digits += decimals;
  }
  if (digits == 0 || digits > 15) return nullptr;
  // As below: both terms are exact doubles and one division rounds correctly.
  const double magnitude = static_cast<double>(mantissa) / kPowersOfTen[decimals];
  value = negative ? -magnitude : magnitude;
  return p;
}

double LeadingDecimal(std::string_view text) {
  if (double value; ShortDecimal(text, value)) return value;
  size_t i = 0;
  const bool negative = SkipSpaceAndSign(text, i);
  size_t number_start = i;
  size_t digits = 0, decimals = 0;
  uint64_t mantissa = 0;  // the digits as one integer, while there are at most 19
  auto digit = [&] {
    if (digits < 19) mantissa = mantissa * 10 + static_cast<uint64_t>(text[i] - '0');
    ++i, ++digits;
  };
  while (i < text.size() && IsDigit(text[i])) digit();
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) digit(), ++decimals;
  }
  if (digits == 0) return 0.0;
  bool exponent = false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < text.size() && IsDigit(text[j])) {
      while (j < text.size() && IsDigit(text[j])) ++j;
      i = j;
      exponent = true;
    }
  }
  if (!exponent && digits <= 15) {
    // The number is mantissa / 10^decimals with both terms exact doubles (below 2^53 and
    // 10^22), so one correctly rounded division gives the nearest double, as the full
    // conversion does.
    const double value = static_cast<double>(mantissa) / kPowersOfTen[decimals];
    return negative ? -value : value;
  }
  double value = 0.0;
  auto result = std::from_chars(text.data() + number_start, text.data() + i, value,
                                std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) {
    // Underflow is a value near zero; overflow is not a finite number.
    return 0.0;
  }
  if (result.ec != std::errc() || !std::isfinite(value)) return 0.0;
  return negative ? -value : value;
}

namespace {

// The hundredths of "%.2f" without the general-purpose conversion. x is m 2^e with m an integer
// below 2^53, so 100 x = 100 m 2^e, whose integer part and remainder come exactly from integer
// shifts; the remainder against half of 2^-e rounds it (ties to even, as printf rounds an exactly
// halfway value), which gives printf's digits.
[[gnu::always_inline]] inline bool Hundredths(double value, uint64_t& hundredths) {
  if (!std::isfinite(value)) return false;
  const double magnitude = std::fabs(value);
  if (magnitude >= 1e15) return false;
  const uint64_t bits = std::bit_cast<uint64_t>(magnitude);
  const int biased = static_cast<int>(bits >> 52);
  uint64_t mantissa = bits & ((uint64_t{1} << 52) - 1);
  int exponent = -1074;
  if (biased != 0) {
    mantissa |= uint64_t{1} << 52;
    exponent = biased - 1075;
  }
  // Below 1e15 < 2^50 the exponent is at most -3.
  if (exponent >= 0) return false;
  const uint64_t scaled = mantissa * 100;  // below 2^60
  const int shift = -exponent;
  hundredths = 0;  // past a shift of 60, scaled is below half of 2^shift
  if (shift <= 60) {
    hundredths = scaled >> shift;
    const uint64_t rest = scaled - (hundredths << shift);
    const uint64_t half = uint64_t{1} << (shift - 1);
    if (rest > half || (rest == half && (hundredths & 1) != 0)) ++hundredths;
  }
  return true;
}

}  // namespace

char* WriteFixed2(char* out, double value) {
  uint64_t hundredths;
  if (!Hundredths(value, hundredths)) {
    return std::to_chars(out, out + kFixed2Room, value, std::chars_format::fixed, 2).ptr;
  }
  static constexpr char kPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  // The digits are written backwards to the middle of a buffer, then the widest text (a sign,
  // 15 digits, the point and two decimals) is moved to `out` in one fixed-size copy; the bytes
  // after the number are within the room and are not counted.
  char buffer[48] = {};
  char* const end = buffer + 24;
  char* p = end - 2;
  uint64_t whole = hundredths / 100;
  std::memcpy(p, kPairs + 2 * (hundredths - whole * 100), 2);
  *--p = '.';
  while (whole >= 100) {
    const uint64_t rest = whole / 100;
    p -= 2;
    std::memcpy(p, kPairs + 2 * (whole - rest * 100), 2);
    whole = rest;
  }
  if (whole >= 10) {
    p -= 2;
    std::memcpy(p, kPairs + 2 * whole, 2);
  } else {
    *--p = static_cast<char>('0' + whole);
  }
  if (std::signbit(value)) *--p = '-';
  std::memcpy(out, p, 24);
  return out + (end - p);
}

void AppendFixed(std::string& out, double value, int decimals) {
  if (decimals == 2) {
    char buffer[kFixed2Room];
    out.append(buffer, static_cast<size_t>(WriteFixed2(buffer, value) - buffer));
    return;
  }
  char buffer[400];
  auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  out.append(buffer, static_cast<size_t>(result.ptr - buffer));
}

float ReadBackFixed2(double value) {
  uint64_t hundredths;
  // Up to 15 digits the reader divides the digits by 100, exactly as here.
  if (Hundredths(value, hundredths) && hundredths < uint64_t{1000000000000000}) {
    const double read = static_cast<double>(hundredths) / 1e2;
    return NarrowToFloat(std::signbit(value) ? -read : read);
  }
  std::string text;
  AppendFixed(text, value, 2);
  return NarrowToFloat(LeadingDecimal(text));
}

float NarrowToFloat(double value) {
  // Halfway between the largest float and 2^128: from here on IEEE rounding gives infinity.
  constexpr double kOverflow = 0x1.ffffffp127;
  if (value >= kOverflow) return std::numeric_limits<float>::infinity();
  if (value <= -kOverflow) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(value);
}

void AppendInteger(std::string& out, int64_t value) {
  char buffer[24];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, static_cast<size_t>(result.ptr - buffer));
}

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  int length = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string text;
  if (length > 0) {
    text.resize(static_cast<size_t>(length) + 1);
    std::vsnprintf(text.data(), text.size(), format, args);
    text.resize(static_cast<size_t>(length));
  }
  va_end(args);
  return text;
}

}  // namespace tonvale
