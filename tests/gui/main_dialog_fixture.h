#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLineEdit>
#include <algorithm>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "gui/log_list_box.h"
#include "gui/main_dialog.h"
#include "gui_fakes.h"
#include "support/temp_dir.h"

namespace tonvale::testing {

// A shown main window on a session in a temporary folder, with a fake device and fake
// dialogs, and song.wav in that folder.
class MainDialogFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    song_ = dir_.File("song.wav");
    WriteFile(song_, "RIFF");
    StartWindow();
  }

  // A new main window in place of the current one, as if the program started again.
  void StartWindow() {
    window_.reset();
    dialogs_ = FakeDialogs();
    device_.calls.clear();
    window_ = std::make_unique<MainDialog>(session_, device_, dialogs_, desktop_);
    window_->show();
  }

  // Clicks a button and waits until a run it started has ended and the window took its
  // results, as a user who waits would see them.
  void Click(int id) {
    auto* button = window_->ControlAs<QAbstractButton>(id);
    ASSERT_NE(button, nullptr) << id;
    button->click();
    window_->WaitForRun();
  }

  // Chooses `path` through "open file".
  void OpenFile(const std::string& path) {
    dialogs_.fileAnswers.push_back(path);
    Click(kIdOpenFile);
  }

  std::string PathField() const {
    return window_->ControlAs<QLineEdit>(kIdPathField)->text().toStdString();
  }

  // deviceOpen, playing, paused
  std::tuple<bool, bool, bool> Flags() const {
    return {window_->DeviceOpen(), window_->Playing(), window_->Paused()};
  }

  bool Running() const { return !window_->EndResult().has_value() && window_->isVisible(); }

  // The log as the session holds it, checked against what the list box shows.
  std::vector<std::string> Log() const {
    const std::vector<std::string> lines = session_.log.Lines();
    EXPECT_EQ(window_->LogList()->LineCount(), static_cast<int>(lines.size()));
    for (size_t i = 0; i < lines.size(); ++i) {
      std::string shown = lines[i];  // line breaks show as spaces
      std::replace_if(
          shown.begin(), shown.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
      EXPECT_EQ(window_->LogList()->Line(static_cast<int>(i)).toStdString(), shown);
    }
    return lines;
  }

  TempDir dir_;
  Session session_{dir_.path()};
  FakeDevice device_;
  FakeDialogs dialogs_;
  FakeDesktop desktop_;
  std::unique_ptr<MainDialog> window_;
  std::string song_;
};

}  // namespace tonvale::testing
