#include "cli/json_report.h"

#include <cstdio>
#include <sstream>
#include <vector>

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
  std::istringstream in{std::string(noteScript)};
  std::string line;
  int notes = 0;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::vector<std::string> word;
    for (std::string w; words >> w;) word.push_back(w);
    if (word.size() == 3 && word[1] != "tempo" && word[1] != "tone" && word[2] != "0") ++notes;
  }
  return notes;
}

}  // namespace tonvale::cli
