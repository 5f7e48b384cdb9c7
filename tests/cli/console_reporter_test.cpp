#include "cli/console_reporter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace tonvale::cli {
namespace {

// Everything written to a stream so far.
std::string Contents(std::FILE* stream) {
  std::fflush(stream);
  std::string text(static_cast<size_t>(std::ftell(stream)), '\0');
  std::rewind(stream);
  text.resize(std::fread(text.data(), 1, text.size(), stream));
  std::fseek(stream, 0, SEEK_END);
  return text;
}

TEST(ConsoleReporterTest, TheStatusLineComesFromProgressReportsAndMakesWayForLines) {
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  ASSERT_TRUE(out && err);
  {
    ConsoleReporter reporter(out, err, /*quiet=*/false, /*showProgress=*/true);
    reporter.BeginFile("song.wav");
    reporter.OnProgress(1, 0);
    reporter.OnProgress(1, 37);
    reporter.OnLineAppended("% プロセス 1");  // a heading alone no longer moves the status
    reporter.OnProgress(2, 100);
    reporter.EndFile();
  }
  EXPECT_EQ(Contents(out), "== song.wav\n% プロセス 1\n");
  EXPECT_EQ(Contents(err),
            "[1/4] peak extraction: song.wav   0%"
            "\r\033[K[1/4] peak extraction: song.wav  37%"
            "\r\033[K[1/4] peak extraction: song.wav  37%"
            "\r\033[K[2/4] peak clustering: song.wav 100%"
            "\r\033[K");
  std::fclose(out);
  std::fclose(err);
}

}  // namespace
}  // namespace tonvale::cli
