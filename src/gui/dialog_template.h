#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tonvale {

// A rectangle in dialog units; the window layer maps it to pixels (dialog_units.h).
struct DialogRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

enum class ControlKind {
  kEdit,
  kPushButton,
  kAutoRadioButton,
  kGroupBox,
  kListBox,
  kStatic,
};

// Style words of a template, one bit each. Window styles and control styles share the set;
// the parser accepts every word on either kind of line and the window layer reads the bits
// that concern it.
enum ControlStyle : uint32_t {
  kStyleFlat = 1u << 0,
  kStyleTabStop = 1u << 1,
  kStyleBorder = 1u << 2,
  kStyleAutoHScroll = 1u << 3,
  kStyleMultiLine = 1u << 4,
  kStyleVScroll = 1u << 5,
  kStyleNoSelection = 1u << 6,
  kStyleNoIntegralHeight = 1u << 7,
  kStyleBlackFrame = 1u << 8,
  kStyleSunken = 1u << 9,
  kStyleGroup = 1u << 10,  // a radio button that starts a new automatic group
  kStylePopup = 1u << 11,
  kStyleCaption = 1u << 12,
  kStyleSysMenu = 1u << 13,
  kStyleModalFrame = 1u << 14,
  kStyleAppWindow = 1u << 15,  // shown in the task bar
  kStyleMinimizeBox = 1u << 16,
  kStyleMaximizeBox = 1u << 17,
};

inline constexpr int kNoControlId = -1;

struct ControlTemplate {
  int id = kNoControlId;  // group boxes carry none
  ControlKind kind = ControlKind::kStatic;
  DialogRect rect;
  std::string caption;  // UTF-8
  uint32_t styles = 0;

  bool Has(ControlStyle style) const { return (styles & style) != 0; }
};

// A window described as data: its caption, client size, font and controls in creation order
// (also the tab order).
struct DialogTemplate {
  int id = 0;
  std::string caption;
  int width = 0;  // client area, dialog units
  int height = 0;
  uint32_t styles = 0;
  int fontPoints = 9;
  std::string fontFace;
  std::vector<ControlTemplate> controls;

  bool Has(ControlStyle style) const { return (styles & style) != 0; }
  // The first control with this id, or null.
  const ControlTemplate* Find(int id) const;
};

// Reads the text form of a template (see resources/dialog_102.txt). On a malformed line it
// returns nothing and, when `error` is given, says which line and why.
std::optional<DialogTemplate> ParseDialogTemplate(std::string_view text,
                                                  std::string* error = nullptr);

// The program's two windows, parsed once from the embedded resources.
const DialogTemplate& MainDialogTemplate();
const DialogTemplate& FigureDialogTemplate();

}  // namespace tonvale
