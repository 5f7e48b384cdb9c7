#include "app/text_encoding.h"

#include <iconv.h>

#include <cerrno>

namespace tonvale {
namespace {

// Length of the undecodable sequence at the start of `bytes` that one replacement stands for.
using SkipRule = size_t (*)(std::string_view bytes);

size_t SkipOneByte(std::string_view) {
  return 1;
}

// A UTF-8 character that code page 932 lacks, or a broken sequence, is skipped whole.
size_t SkipUtf8Sequence(std::string_view bytes) {
  unsigned char lead = static_cast<unsigned char>(bytes[0]);
  size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  size_t i = 1;
  while (i < length && i < bytes.size() && (static_cast<unsigned char>(bytes[i]) & 0xC0) == 0x80) {
    ++i;
  }
  return i;
}

// Converts with iconv, putting `replacement` where the input cannot be converted.
std::string Convert(std::string_view input, const char* to, const char* from,
                    std::string_view replacement, SkipRule skip) {
  std::string output;
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    // glibc always provides CP932; without it keep what is plain ASCII.
    for (char c : input) {
      if (static_cast<unsigned char>(c) < 0x80) {
        output += c;
      } else {
        output += replacement;
      }
    }
    return output;
  }
  output.reserve(input.size() * 3 / 2 + 16);
  char* in = const_cast<char*>(input.data());
  size_t in_left = input.size();
  char buffer[4096];
  while (in_left > 0) {
    char* out = buffer;
    size_t out_left = sizeof buffer;
    size_t rc = iconv(cd, &in, &in_left, &out, &out_left);
    output.append(buffer, static_cast<size_t>(out - buffer));
    if (rc != static_cast<size_t>(-1) || errno == E2BIG) continue;
    // EILSEQ, or EINVAL for a sequence cut off at the end.
    output += replacement;
    size_t n = skip(std::string_view(in, in_left));
    in += n;
    in_left -= n;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  iconv_close(cd);
  return output;
}

}  // namespace

std::string Cp932ToUtf8(std::string_view bytes) {
  if (IsAscii(bytes)) return std::string(bytes);
  return Convert(bytes, "UTF-8", "CP932", "\xEF\xBF\xBD", SkipOneByte);
}

std::string Utf8ToCp932(std::string_view text) {
  if (IsAscii(text)) return std::string(text);
  return Convert(text, "CP932", "UTF-8", "?", SkipUtf8Sequence);
}

bool IsAscii(std::string_view bytes) {
  for (char c : bytes) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

bool IsValidUtf8(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* end = p + bytes.size();
  while (p < end) {
    unsigned char c = *p;
    if (c < 0x80) {
      ++p;
      continue;
    }
    int extra;
    unsigned int code;
    if (c >= 0xC2 && c <= 0xDF) {
      extra = 1;
      code = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2;
      code = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3;
      code = c & 0x07;
    } else {
      return false;
    }
    if (end - p <= extra) return false;
    for (int k = 1; k <= extra; ++k) {
      if ((p[k] & 0xC0) != 0x80) return false;
      code = (code << 6) | (p[k] & 0x3F);
    }
    if ((extra == 2 && code < 0x800) || (extra == 3 && code < 0x10000) || code > 0x10FFFF ||
        (code >= 0xD800 && code <= 0xDFFF)) {
      return false;
    }
    p += extra + 1;
  }
  return true;
}

}  // namespace tonvale
