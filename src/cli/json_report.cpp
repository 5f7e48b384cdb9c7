#include "cli/json_report.h"

#include <algorithm>
#include <cstdio>

#include "app/numbers.h"

namespace tonvale::cli {
namespace {

// The length of the UTF-8 sequence that starts `text` at `at`, or 0 when it is not valid.
size_t Utf8Length(std::string_view text, size_t at) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  size_t length = 0;
  unsigned min = 0;
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, min = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, min = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, min = 0x10000;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  unsigned code = lead & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
    code = code << 6 | (byte(at + i) & 0x3F);
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (size_t i = 0; i < text.size();) {
    const char c = text[i];
    const size_t length = Utf8Length(text, i);
    if (length == 0) {
      out += "\xEF\xBF\xBD";
      ++i;
      continue;
    }
    if (length > 1) {
      out.append(text.substr(i, length));
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
      out += escaped;
    } else {
      out += c;
    }
    i += length;
  }
  return out + "\"";
}

std::string JsonLine(const FileOutcome& outcome) {
  const char* status = outcome.status == FileOutcome::Status::kConverted ? "converted"
                       : outcome.status == FileOutcome::Status::kSkipped ? "skipped"
                                                                         : "failed";
  std::string line = "{\"path\": " + JsonString(outcome.path) + ", \"status\": \"" + status +
                     "\", \"notes\": " + std::to_string(outcome.notes) + ", \"seconds\": ";
  AppendFixed(line, outcome.seconds, 3);
  line += ", \"error\": ";
  line += outcome.error.empty() ? "null" : JsonString(outcome.error);
  return line + "}";
}

int CountNotes(std::string_view noteScript) {
  // Words are split as a stream's >> splits them in the C locale; a script of many thousand lines
  // is counted at the end of every conversion, so without a stream per line.
  constexpr std::string_view kBlanks = " \t\n\v\f\r";
  int notes = 0;
  for (size_t start = 0; start < noteScript.size();) {
    const size_t end = std::min(noteScript.find('\n', start), noteScript.size());
    const std::string_view line = noteScript.substr(start, end - start);
    start = end + 1;
    std::string_view word[3];
    size_t words = 0;
    for (size_t at = line.find_first_not_of(kBlanks); at != std::string_view::npos && words <= 3;
         at = line.find_first_not_of(kBlanks, at)) {
      const size_t past = std::min(line.find_first_of(kBlanks, at), line.size());
      if (words < 3) word[words] = line.substr(at, past - at);
      ++words;
      at = past;
    }
    if (words == 3 && word[1] != "tempo" && word[1] != "tone" && word[2] != "0") ++notes;
  }
  return notes;
}

}  // namespace tonvale::cli
