#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace tonvale {

// The ordered list of UTF-8 lines into which every command and analysis stage reports.
// Lines are only ever appended or cleared all at once. A line may be empty and may hold
// line breaks of its own; it stays one entry.
//
// A stage may append from a worker thread while the window reads: every member is safe to call
// from any thread, and readers get copies.
class MessageLog {
 public:
  // A front end that shows the log (a list box, a terminal) follows it through this.
  // Observers are called on the thread that changed the log, in the order the log changes,
  // with the log locked: an observer may read the log, but must not wait for another thread
  // that reads it. One on another thread than the window's hands the news over (queued).
  class Observer {
   public:
    virtual ~Observer() = default;
    virtual void OnLogCleared() = 0;
    virtual void OnLineAppended(std::string_view line) = 0;
  };

  MessageLog() = default;
  MessageLog(const MessageLog&) = delete;
  MessageLog& operator=(const MessageLog&) = delete;

  void ClearLog();
  void AppendLog(std::string_view line);

  // A copy of every line.
  std::vector<std::string> Lines() const;

  // What a reader that follows the log needs: the lines from `first` on, unless the log was
  // cleared since the reader's `generation`, when it gets every line. Updates `generation`;
  // returns whether the lines start afresh (the reader drops what it had).
  bool LinesSince(size_t first, uint64_t& generation, std::vector<std::string>& lines) const;

  // Keeps only the latest lines, at least `lines` and fewer than twice as many, for a front end
  // that passes every line on as it comes (the command line), so that the note lines of a long
  // recording do not pile up. Dropping old lines counts as a clearing for a reader that follows
  // the log (LinesSince), though observers hear nothing of it. 0, the default, keeps every line.
  void KeepRecent(size_t lines);

  // The observer must outlive its registration.
  void AddObserver(Observer* observer);
  void RemoveObserver(Observer* observer);

 private:
  mutable std::recursive_mutex mutex_;
  std::vector<std::string> lines_;
  uint64_t generation_ = 0;  // counts the clearings
  size_t keep_ = 0;
  std::vector<Observer*> observers_;
};

}  // namespace tonvale
