#include "gui/dialog_template.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "resources/dialog_102.h"
#include "resources/dialog_130.h"

namespace tonvale {
namespace {

struct Token {
  std::string text;
  bool quoted = false;
};

constexpr std::array<std::pair<std::string_view, ControlKind>, 6> kKinds = {{
    {"edit", ControlKind::kEdit},
    {"pushbutton", ControlKind::kPushButton},
    {"autoradiobutton", ControlKind::kAutoRadioButton},
    {"groupbox", ControlKind::kGroupBox},
    {"listbox", ControlKind::kListBox},
    {"static", ControlKind::kStatic},
}};

constexpr std::array<std::pair<std::string_view, ControlStyle>, 18> kStyles = {{
    {"flat", kStyleFlat},
    {"tabstop", kStyleTabStop},
    {"border", kStyleBorder},
    {"autohscroll", kStyleAutoHScroll},
    {"multiline", kStyleMultiLine},
    {"vscroll", kStyleVScroll},
    {"noselection", kStyleNoSelection},
    {"nointegralheight", kStyleNoIntegralHeight},
    {"blackframe", kStyleBlackFrame},
    {"sunken", kStyleSunken},
    {"group", kStyleGroup},
    {"popup", kStylePopup},
    {"caption", kStyleCaption},
    {"sysmenu", kStyleSysMenu},
    {"modalframe", kStyleModalFrame},
    {"appwindow", kStyleAppWindow},
    {"minimizebox", kStyleMinimizeBox},
    {"maximizebox", kStyleMaximizeBox},
}};

// Splits a line into words and "quoted texts"; false when a quote is not closed.
bool Tokenize(std::string_view line, std::vector<Token>& tokens) {
  size_t i = 0;
  while (i < line.size()) {
    char c = line[i];
    if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
    } else if (c == '"') {
      size_t end = line.find('"', i + 1);
      if (end == std::string_view::npos) return false;
      tokens.push_back({std::string(line.substr(i + 1, end - i - 1)), true});
      i = end + 1;
    } else {
      size_t end = line.find_first_of(" \t\r\"", i);
      if (end == std::string_view::npos) end = line.size();
      tokens.push_back({std::string(line.substr(i, end - i)), false});
      i = end;
    }
  }
  return true;
}

bool ParseInt(const Token& token, int& value) {
  if (token.quoted || token.text.empty()) return false;
  const char* begin = token.text.data();
  const char* end = begin + token.text.size();
  auto [ptr, ec] = std::from_chars(begin, end, value);
  return ec == std::errc() && ptr == end;
}

bool ParseNonNegative(const Token& token, int& value) {
  return ParseInt(token, value) && value >= 0;
}

// Reads the style words from tokens[first] on; the name of an unknown one goes to `bad`.
bool ParseStyles(const std::vector<Token>& tokens, size_t first, uint32_t& styles,
                 std::string& bad) {
  for (size_t i = first; i < tokens.size(); ++i) {
    bool known = false;
    for (const auto& [name, bit] : kStyles) {
      if (!tokens[i].quoted && tokens[i].text == name) {
        styles |= bit;
        known = true;
        break;
      }
    }
    if (!known) {
      bad = tokens[i].text;
      return false;
    }
  }
  return true;
}

// Parses one non-empty line into `result`; returns the reason when it is malformed.
std::string ParseLine(const std::vector<Token>& t, bool& haveDialog, DialogTemplate& result) {
  std::string badStyle;
  if (!t[0].quoted && t[0].text == "dialog") {
    if (haveDialog) return "a second dialog line";
    if (t.size() < 5 || !ParseInt(t[1], result.id) || !ParseNonNegative(t[2], result.width) ||
        !ParseNonNegative(t[3], result.height) || !t[4].quoted) {
      return "expected: dialog <id> <width> <height> \"<caption>\" <styles>";
    }
    result.caption = t[4].text;
    if (!ParseStyles(t, 5, result.styles, badStyle)) return "unknown style " + badStyle;
    haveDialog = true;
    return {};
  }
  if (!haveDialog) return "the dialog line must come first";
  if (!t[0].quoted && t[0].text == "font") {
    if (t.size() != 3 || !ParseNonNegative(t[1], result.fontPoints) || !t[2].quoted) {
      return "expected: font <points> \"<face>\"";
    }
    result.fontFace = t[2].text;
    return {};
  }

  ControlTemplate control;
  if (t.size() < 7) return "expected: <id|-> <kind> <x> <y> <width> <height> \"<caption>\"";
  if (!t[0].quoted && t[0].text == "-") {
    control.id = kNoControlId;
  } else if (!ParseNonNegative(t[0], control.id)) {
    return "bad control id " + t[0].text;
  }
  bool knownKind = false;
  for (const auto& [name, kind] : kKinds) {
    if (!t[1].quoted && t[1].text == name) {
      control.kind = kind;
      knownKind = true;
    }
  }
  if (!knownKind) return "unknown control kind " + t[1].text;
  DialogRect& r = control.rect;
  if (!ParseNonNegative(t[2], r.x) || !ParseNonNegative(t[3], r.y) ||
      !ParseNonNegative(t[4], r.width) || !ParseNonNegative(t[5], r.height)) {
    return "bad position or size";
  }
  if (!t[6].quoted) return "the caption must be quoted";
  control.caption = t[6].text;
  if (!ParseStyles(t, 7, control.styles, badStyle)) return "unknown style " + badStyle;
  if (control.id != kNoControlId && result.Find(control.id) != nullptr) {
    return "control id " + std::to_string(control.id) + " used twice";
  }
  result.controls.push_back(std::move(control));
  return {};
}

DialogTemplate ParsedOrDie(std::string_view text, const char* name) {
  std::string error;
  std::optional<DialogTemplate> parsed = ParseDialogTemplate(text, &error);
  if (!parsed) {
    // The templates are built into the program; a broken one is a defect of the build.
    std::fprintf(stderr, "tonvale: dialog template %s: %s\n", name, error.c_str());
    std::abort();
  }
  return std::move(*parsed);
}

}  // namespace

const ControlTemplate* DialogTemplate::Find(int controlId) const {
  for (const ControlTemplate& control : controls) {
    if (control.id == controlId) return &control;
  }
  return nullptr;
}

std::optional<DialogTemplate> ParseDialogTemplate(std::string_view text, std::string* error) {
  DialogTemplate result;
  bool haveDialog = false;
  int lineNumber = 0;
  auto fail = [&](const std::string& why) -> std::optional<DialogTemplate> {
    if (error != nullptr) *error = "line " + std::to_string(lineNumber) + ": " + why;
    return std::nullopt;
  };

  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    ++lineNumber;

    size_t start = line.find_first_not_of(" \t\r");
    if (start == std::string_view::npos || line[start] == '#') continue;
    std::vector<Token> tokens;
    if (!Tokenize(line, tokens)) return fail("a quoted text is not closed");
    std::string why = ParseLine(tokens, haveDialog, result);
    if (!why.empty()) return fail(why);
  }
  if (!haveDialog) return fail("no dialog line");
  return result;
}

const DialogTemplate& MainDialogTemplate() {
  static const DialogTemplate parsed = ParsedOrDie(resources::dialog_102, "102");
  return parsed;
}

const DialogTemplate& FigureDialogTemplate() {
  static const DialogTemplate parsed = ParsedOrDie(resources::dialog_130, "130");
  return parsed;
}

}  // namespace tonvale
