#include "gui/dialog_template.h"

#include <gtest/gtest.h>

#include <string>

#include "gui/dialog_units.h"

namespace tonvale {
namespace {

TEST(DialogUnitsTest, MapsUnitsToRoundedPixels) {
  // 1.75 px across and 1.5 px down; halves round up.
  EXPECT_EQ(DialogUnitsToPixelsX(0), 0);
  EXPECT_EQ(DialogUnitsToPixelsX(1), 2);  // 1.75
  EXPECT_EQ(DialogUnitsToPixelsX(2), 4);  // 3.5
  EXPECT_EQ(DialogUnitsToPixelsX(3), 5);  // 5.25
  EXPECT_EQ(DialogUnitsToPixelsX(329), 576);
  EXPECT_EQ(DialogUnitsToPixelsY(1), 2);  // 1.5
  EXPECT_EQ(DialogUnitsToPixelsY(187), 281);
  EXPECT_EQ(DialogUnitsToPixelsY(346), 519);
  EXPECT_EQ(DialogUnitsToPixels({3, 244, 212, 96}), QRect(5, 366, 371, 144));
}

TEST(DialogTemplateTest, ReadsDialogFontAndControls) {
  std::string error;
  auto parsed = ParseDialogTemplate(
      "# comment\n"
      "dialog 7 100 50 \"A caption\" popup caption sysmenu\r\n"
      "\n"
      "font 10 \"Some Face\"\n"
      "  12 pushbutton 1 2 30 14 \"go on\" flat tabstop\n"
      "-  groupbox 0 0 100 50 \"\"\n",
      &error);
  ASSERT_TRUE(parsed) << error;
  EXPECT_EQ(parsed->id, 7);
  EXPECT_EQ(parsed->caption, "A caption");
  EXPECT_EQ(parsed->width, 100);
  EXPECT_EQ(parsed->height, 50);
  EXPECT_TRUE(parsed->Has(kStyleSysMenu));
  EXPECT_FALSE(parsed->Has(kStyleAppWindow));
  EXPECT_EQ(parsed->fontPoints, 10);
  EXPECT_EQ(parsed->fontFace, "Some Face");
  ASSERT_EQ(parsed->controls.size(), 2u);
  const ControlTemplate& button = parsed->controls[0];
  EXPECT_EQ(button.id, 12);
  EXPECT_EQ(button.kind, ControlKind::kPushButton);
  EXPECT_EQ(button.caption, "go on");
  EXPECT_EQ(button.rect.x, 1);
  EXPECT_EQ(button.rect.height, 14);
  EXPECT_TRUE(button.Has(kStyleFlat));
  EXPECT_TRUE(button.Has(kStyleTabStop));
  EXPECT_FALSE(button.Has(kStyleBorder));
  EXPECT_EQ(parsed->controls[1].id, kNoControlId);
  EXPECT_EQ(parsed->Find(12), &parsed->controls[0]);
  EXPECT_EQ(parsed->Find(13), nullptr);
}

TEST(DialogTemplateTest, RefusesMalformedLinesAndSaysWhere) {
  const struct {
    const char* text;
    const char* reason;
  } cases[] = {
      {"dialog 1 10 10 \"x\"\n1 pushbutton 0 0 1 1 \"open\n", "line 2: a quoted text"},
      {"dialog 1 10 10 \"x\"\n1 slider 0 0 1 1 \"\"\n", "line 2: unknown control kind slider"},
      {"dialog 1 10 10 \"x\" shiny\n", "line 1: unknown style shiny"},
      {"dialog 1 10 10 \"x\"\n1 edit 0 0 1 1 \"\"\n1 edit 0 0 1 1 \"\"\n", "line 3: control id 1"},
      {"1 edit 0 0 1 1 \"\"\n", "line 1: the dialog line must come first"},
      {"dialog 1 10 10 \"x\"\n1 edit 0 -2 1 1 \"\"\n", "line 2: bad position"},
      {"dialog 1 10 10 \"x\"\n1 edit 0 0 1 1 caption\n", "line 2: the caption must be quoted"},
      {"# nothing\n", "no dialog line"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_FALSE(ParseDialogTemplate(c.text, &error)) << c.text;
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
  }
}

TEST(DialogTemplateTest, EnlargedFigureWindowTemplate) {
  const DialogTemplate& t = FigureDialogTemplate();
  EXPECT_EQ(t.id, 130);
  EXPECT_EQ(t.caption, "Expanded and ploted a figure");
  EXPECT_EQ(t.width, 630);
  EXPECT_EQ(t.height, 476);
  EXPECT_TRUE(t.Has(kStyleCaption) && t.Has(kStyleSysMenu) && t.Has(kStyleModalFrame));
  const struct {
    int id;
    ControlKind kind;
    const char* caption;
    DialogRect rect;
  } expected[] = {
      {1023, ControlKind::kStatic, "", {0, 0, 630, 440}},
      {1026, ControlKind::kPushButton, "re-draw", {5, 445, 60, 25}},
      {1027, ControlKind::kPushButton, "chmod", {70, 445, 60, 25}},
      {1028, ControlKind::kPushButton, "chproc", {135, 445, 60, 25}},
      {1029, ControlKind::kListBox, "", {290, 439, 235, 36}},
  };
  ASSERT_EQ(t.controls.size(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i) {
    const ControlTemplate& c = t.controls[i];
    EXPECT_EQ(c.id, expected[i].id);
    EXPECT_EQ(c.kind, expected[i].kind);
    EXPECT_EQ(c.caption, expected[i].caption);
    EXPECT_EQ(c.rect.x, expected[i].rect.x);
    EXPECT_EQ(c.rect.y, expected[i].rect.y);
    EXPECT_EQ(c.rect.width, expected[i].rect.width);
    EXPECT_EQ(c.rect.height, expected[i].rect.height);
  }
  EXPECT_TRUE(t.controls[0].Has(kStyleBlackFrame) && t.controls[0].Has(kStyleSunken));
  EXPECT_TRUE(t.controls[4].Has(kStyleNoSelection) && t.controls[4].Has(kStyleVScroll));
  for (int id : {1026, 1027, 1028}) EXPECT_TRUE(t.Find(id)->Has(kStyleTabStop));
}

}  // namespace
}  // namespace tonvale
