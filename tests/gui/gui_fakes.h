#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/media_device.h"
#include "gui/user_dialogs.h"

namespace tonvale::testing {

// A playback device that writes down what it is asked and answers as the test says.
class FakeDevice : public MediaDevice {
 public:
  DeviceStatus Open(DeviceType type, const std::string& path) override {
    calls.push_back((type == DeviceType::kWaveformAudio ? "open wave " : "open midi ") + path);
    return openAnswer;
  }
  DeviceStatus Close() override { return Answer("close", closeAnswer); }
  DeviceStatus Stop() override { return Answer("stop", stopAnswer); }
  DeviceStatus PlayFromStart() override { return Answer("play", playAnswer); }
  DeviceStatus Resume() override { return Answer("resume", resumeAnswer); }
  PlaybackTime Time() override { return time; }

  // The calls since the last look, and forgets them.
  std::vector<std::string> TakeCalls() { return std::exchange(calls, {}); }

  std::vector<std::string> calls;
  DeviceStatus openAnswer, closeAnswer, stopAnswer, playAnswer, resumeAnswer;
  PlaybackTime time;  // what Time() answers
  std::function<void()> onStop;

 private:
  DeviceStatus Answer(const char* name, const DeviceStatus& answer) {
    calls.emplace_back(name);
    if (name == std::string("stop") && onStop) onStop();
    return answer;
  }
};

struct ShownBox {
  std::string text;
  std::string caption;
  MessageIcon icon;
};

// Message boxes are written down; file dialogs answer from a queue (nothing = cancel).
class FakeDialogs : public UserDialogs {
 public:
  void ShowMessageBox(QWidget*, const std::string& text, const std::string& caption,
                      MessageIcon icon) override {
    boxes.push_back({text, caption, icon});
  }
  std::optional<std::string> GetOpenFileName(QWidget*, const FileOpenRequest& request) override {
    requests.push_back(request);
    if (fileAnswers.empty()) return std::nullopt;
    std::optional<std::string> answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
  }

  std::vector<ShownBox> boxes;
  std::vector<FileOpenRequest> requests;
  std::deque<std::optional<std::string>> fileAnswers;
};

class FakeDesktop : public DesktopOpener {
 public:
  void OpenDocument(const std::string& path, const std::string& workingDirectory) override {
    opened.push_back({path, workingDirectory});
  }
  std::vector<std::pair<std::string, std::string>> opened;
};

}  // namespace tonvale::testing
