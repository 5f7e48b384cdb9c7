// The formats process 1 reads are the ones the help text, the manual page and the menu entry
// promise.
#include <gtest/gtest.h>

#include <string>

#include "cli/cli_options.h"
#include "extraction/recording_formats.h"
#include "support/temp_dir.h"

namespace tonvale {
namespace {

TEST(FormatListTest, HelpManualPageAndMenuEntryListEveryFormat) {
  const std::string help = cli::CliUsage();
  const std::string manual = testing::ReadFile(TONVALE_RESOURCES "man/wav2mid.1.in");
  const std::string entry = testing::ReadFile(TONVALE_RESOURCES "tonvale.desktop");
  const size_t mime = entry.find("\nMimeType=");
  ASSERT_NE(mime, std::string::npos);
  const std::string types = entry.substr(mime + 10, entry.find('\n', mime + 1) - mime - 10);
  for (const RecordingFormat& format : RecordingFormats()) {
    for (std::string_view suffix : format.suffixes) {
      const std::string pattern = "*." + std::string(suffix);
      EXPECT_NE(help.find(pattern), std::string::npos) << pattern;
      EXPECT_NE(manual.find(pattern), std::string::npos) << pattern;
    }
    for (std::string_view type : format.mimeTypes) {
      EXPECT_NE((";" + types).find(";" + std::string(type) + ";"), std::string::npos) << type;
    }
  }
}

}  // namespace
}  // namespace tonvale
