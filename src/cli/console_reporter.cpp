#include "cli/console_reporter.h"

#include "app/numbers.h"

#include <array>

namespace tonvale::cli {
namespace {

constexpr std::array<std::string_view, 4> kProcessNames = {
    "peak extraction", "peak clustering", "pitch recognition", "convert into midi"};

void PrintLine(std::FILE* stream, std::string_view line) {
  std::fwrite(line.data(), 1, line.size(), stream);
  std::fputc('\n', stream);
}

}  // namespace

ConsoleReporter::ConsoleReporter(std::FILE* out, std::FILE* err, bool quiet, bool showProgress)
    : out_(out), err_(err), quiet_(quiet), showProgress_(showProgress) {}

bool ConsoleReporter::IsErrorLine(std::string_view line) {
  return line.starts_with("err: ") || line.starts_with("% err: ");
}

void ConsoleReporter::BeginFile(const std::string& name) {
  file_ = name;
  status_.clear();
  firstError_.clear();
  if (!quiet_) Say("== " + name);
}

void ConsoleReporter::EndFile() {
  ClearStatus();
  status_.clear();
}

void ConsoleReporter::Say(std::string_view line) {
  ClearStatus();
  PrintLine(out_, line);
  std::fflush(out_);
  ShowStatus();
}

void ConsoleReporter::Complain(std::string_view line) {
  ClearStatus();
  std::fflush(out_);
  PrintLine(err_, line);
  std::fflush(err_);
  ShowStatus();
}

void ConsoleReporter::OnProgress(int process, int percent) {
  if (process < 1 || process > static_cast<int>(kProcessNames.size())) return;
  // Formatted rather than concatenated: GCC 12 at -O3 warns falsely (-Wrestrict) about
  // assigning a literal-led string here.
  const std::string_view name = kProcessNames[static_cast<size_t>(process - 1)];
  status_ = Format("[%d/4] %.*s: %s %3d%%", process, static_cast<int>(name.size()), name.data(),
                   file_.c_str(), percent);
  if (!showProgress_) return;
  ClearStatus();
  ShowStatus();
}

void ConsoleReporter::OnLineAppended(std::string_view line) {
  const bool error = IsErrorLine(line);
  if (error && firstError_.empty()) firstError_ = line;
  const bool print = !quiet_ || error;
  if (!print) return;  // nothing to show: leave the status line alone
  ClearStatus();
  if (print) {
    PrintLine(out_, line);
    std::fflush(out_);
  }
  if (error) {
    std::string message = "wav2mid: " + file_ + ": ";
    message += line;
    PrintLine(err_, message);
    std::fflush(err_);
  }
  ShowStatus();
}

void ConsoleReporter::ClearStatus() {
  if (!statusShown_) return;
  std::fputs("\r\033[K", err_);
  std::fflush(err_);
  statusShown_ = false;
}

void ConsoleReporter::ShowStatus() {
  if (!showProgress_ || status_.empty()) return;
  std::fputs(status_.c_str(), err_);
  std::fflush(err_);
  statusShown_ = true;
}

}  // namespace tonvale::cli
