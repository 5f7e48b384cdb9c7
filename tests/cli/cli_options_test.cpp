#include "cli/cli_options.h"

#include <gtest/gtest.h>

namespace tonvale::cli {
namespace {

TEST(CliOptionsTest, ReadsFilesAndOptionsInAnyOrder) {
  CliOptions options = ParseCliOptions({"a.wav", "--quiet", "--workdir", "/w", "b.wav"});
  EXPECT_TRUE(options.error.empty());
  EXPECT_EQ(options.files, (std::vector<std::string>{"a.wav", "b.wav"}));
  EXPECT_EQ(options.workdir, "/w");
  EXPECT_TRUE(options.quiet);
  EXPECT_EQ(ParseCliOptions({"--workdir=/x", "-q", "--", "--odd.wav"}).files,
            (std::vector<std::string>{"--odd.wav"}));
  EXPECT_EQ(ParseCliOptions({"--workdir=/x", "c.wav"}).workdir, "/x");
  EXPECT_EQ(ParseCliOptions({"c.wav"}).figures, FigureFiles::kNone);
  EXPECT_EQ(ParseCliOptions({"--figures", "c.wav"}).figures, FigureFiles::kMain);
  EXPECT_EQ(ParseCliOptions({"--figures=main", "c.wav"}).figures, FigureFiles::kMain);
  EXPECT_EQ(ParseCliOptions({"c.wav", "--figures=enlarged"}).figures, FigureFiles::kEnlarged);
  // The method: faithful unless asked, and the last choice holds.
  EXPECT_EQ(ParseCliOptions({"c.wav"}).method, TranscriptionMethod::kFaithful);
  EXPECT_EQ(ParseCliOptions({"--refined", "c.wav"}).method, TranscriptionMethod::kRefined);
  EXPECT_EQ(ParseCliOptions({"--refined", "c.wav", "--faithful"}).method,
            TranscriptionMethod::kFaithful);
  const CliOptions batch = ParseCliOptions({"-j", "3", "--skip-existing", "--json", "lib"});
  EXPECT_EQ(batch.jobs, 3u);
  EXPECT_TRUE(batch.skipExisting && batch.json);
  EXPECT_EQ(ParseCliOptions({"--jobs=2", "lib"}).jobs, 2u);
  EXPECT_EQ(ParseCliOptions({"lib"}).jobs, 0u);  // one per core
}

TEST(CliOptionsTest, RefusesWhatItCannotUse) {
  EXPECT_EQ(ParseCliOptions({}).error, "no WAVE file given");
  EXPECT_EQ(ParseCliOptions({"a.wav", "--workdir"}).error, "--workdir needs a folder");
  EXPECT_EQ(ParseCliOptions({"--loud", "a.wav"}).error, "unknown option --loud");
  EXPECT_EQ(ParseCliOptions({"--workdir=", "a.wav"}).error, "--workdir needs a folder");
  EXPECT_EQ(ParseCliOptions({"--figures=big", "a.wav"}).error,
            "--figures takes main or enlarged, not big");
  for (const char* jobs : {"0", "-1", "2x", "1025"}) {
    EXPECT_EQ(ParseCliOptions({"-j", jobs, "a.wav"}).error,
              std::string("--jobs takes a number from 1 to 1024, not ") + jobs);
  }
  // Help and the version are answered whatever else the line holds.
  for (const std::vector<std::string>& arguments :
       std::vector<std::vector<std::string>>{{"--help"}, {"--loud", "-h"}, {"--version"}}) {
    CliOptions asked = ParseCliOptions(arguments);
    EXPECT_TRUE(asked.help || asked.version);
    EXPECT_TRUE(asked.error.empty());
  }
}

}  // namespace
}  // namespace tonvale::cli
