#include "app/message_log.h"

#include <algorithm>

namespace tonvale {

void MessageLog::ClearLog() {
  lines_.clear();
  for (Observer* observer : observers_) observer->OnLogCleared();
}

void MessageLog::AppendLog(std::string_view line) {
  lines_.emplace_back(line);
  for (Observer* observer : observers_) observer->OnLineAppended(lines_.back());
}

void MessageLog::AddObserver(Observer* observer) {
  if (std::find(observers_.begin(), observers_.end(), observer) == observers_.end()) {
    observers_.push_back(observer);
  }
}

void MessageLog::RemoveObserver(Observer* observer) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

}  // namespace tonvale
