#include "app/message_log.h"

#include <algorithm>

namespace tonvale {

void MessageLog::ClearLog() {
  std::lock_guard lock(mutex_);
  lines_.clear();
  ++generation_;
  for (Observer* observer : observers_) observer->OnLogCleared();
}

void MessageLog::AppendLog(std::string_view line) {
  std::lock_guard lock(mutex_);
  if (keep_ != 0 && lines_.size() >= 2 * keep_) {
    lines_.erase(lines_.begin(), lines_.end() - static_cast<std::ptrdiff_t>(keep_));
    ++generation_;
  }
  lines_.emplace_back(line);
  for (Observer* observer : observers_) observer->OnLineAppended(lines_.back());
}

void MessageLog::KeepRecent(size_t lines) {
  std::lock_guard lock(mutex_);
  keep_ = lines;
}

std::vector<std::string> MessageLog::Lines() const {
  std::lock_guard lock(mutex_);
  return lines_;
}

bool MessageLog::LinesSince(size_t first, uint64_t& generation,
                            std::vector<std::string>& lines) const {
  std::lock_guard lock(mutex_);
  const bool afresh = generation != generation_ || first > lines_.size();
  if (afresh) first = 0;
  generation = generation_;
  lines.assign(lines_.begin() + static_cast<std::ptrdiff_t>(first), lines_.end());
  return afresh;
}

void MessageLog::AddObserver(Observer* observer) {
  std::lock_guard lock(mutex_);
  if (std::find(observers_.begin(), observers_.end(), observer) == observers_.end()) {
    observers_.push_back(observer);
  }
}

void MessageLog::RemoveObserver(Observer* observer) {
  std::lock_guard lock(mutex_);
  observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

}  // namespace tonvale
