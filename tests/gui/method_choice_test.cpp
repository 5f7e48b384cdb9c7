// The main window's choice of transcription method.
#include <gtest/gtest.h>

#include <QCheckBox>

#include "app/settings_file.h"
#include "gui/method_choice.h"
#include "main_dialog_fixture.h"

namespace tonvale {
namespace {

using MethodChoiceTest = testing::MainDialogFixture;

TEST_F(MethodChoiceTest, TheCheckBoxIsTheSessionsMethodAndOutlivesTheWindow) {
  ASSERT_EQ(ResetSettings(session_), 0);
  const std::string settings = testing::ReadFile(session_.WorkPath(kSettingsFileName));
  auto box = [&] { return window_->findChild<QCheckBox*>(kMethodChoiceName); };
  ASSERT_NE(box(), nullptr);
  EXPECT_EQ(box()->text().toStdString(), "refined method");
  box()->setChecked(false);
  EXPECT_EQ(session_.method, TranscriptionMethod::kFaithful);

  box()->setChecked(true);
  EXPECT_EQ(session_.method, TranscriptionMethod::kRefined);
  session_.method = TranscriptionMethod::kFaithful;
  StartWindow();
  EXPECT_TRUE(box()->isChecked()) << "remembered for the next window";
  EXPECT_EQ(session_.method, TranscriptionMethod::kRefined);

  // It lies in free space: over no control of the template.
  const QRect place = box()->geometry();
  for (const auto& control : window_->Controls()) {
    if (control.control->id == kNoControlId) continue;  // the group boxes frame it
    EXPECT_FALSE(place.intersects(control.widget->geometry())) << control.control->id;
  }

  box()->setChecked(false);  // leaves the user configuration as the other tests expect it
  EXPECT_EQ(session_.method, TranscriptionMethod::kFaithful);
  EXPECT_EQ(testing::ReadFile(session_.WorkPath(kSettingsFileName)), settings)
      << "the choice is never written to the settings file";
}

}  // namespace
}  // namespace tonvale
