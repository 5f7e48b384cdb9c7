// Process 1 on the sample recordings beside the project, when they are there.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "extraction/peak_file.h"
#include "extraction_fixture.h"

namespace tonvale {
namespace {

TEST(CorpusTest, Process1GivesSaneFilesForEveryRecording) {
  const std::string corpus = testing::CorpusFolder();
  if (corpus.empty()) GTEST_SKIP() << "no sample recordings beside the project";
  for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
    if (entry.path().extension() != ".wav") continue;
    const std::string path = entry.path().string();
    testing::ExtractionFolder folder;
    const int result = folder.Run(path);
    if (path.find("_8k") != std::string::npos) {
      EXPECT_EQ(result, 1) << path;
      EXPECT_EQ(folder.PeakFile(), "") << path;
      continue;
    }
    ASSERT_EQ(result, 0) << path;
    const std::string file = folder.PeakFile();
    InputStream headerIn(file);
    const WorkFileHeader header = ReadWorkFileHeader(headerIn);
    EXPECT_EQ(header.signalName, path);
    EXPECT_EQ(header.FrameRate, 10);
    // Frames of 10 ms over the whole recording (a header of at least 44 bytes is not audio).
    const auto bytes = static_cast<double>(std::filesystem::file_size(path));
    EXPECT_GT(header.LoopCount, 1000) << path;
    EXPECT_LT(header.LoopCount, bytes / 11025 * 100) << path;
    EXPECT_GT(header.MaxdB, 30.0) << path;
    EXPECT_LT(header.MaxdB, 100.0) << path;
    EXPECT_GE(header.MindB, 10.0) << path;
    InputStream in(file);
    PeakTable table;
    ASSERT_EQ(ReadPeakFile(in, table), header.LoopCount) << path;
    int peaks = 0;
    for (int r = 0; r < table.size(); ++r) {
      ASSERT_EQ(table.Label(r), 10 * (r + 1));
      for (float f : table.Frequencies(r)) {
        ASSERT_GT(f, 0.0f);
        ASSERT_LT(f, 5500.0f);
      }
      peaks += table.Count(r);
    }
    EXPECT_GT(peaks, header.LoopCount) << path;
    EXPECT_EQ(folder.log().back(), "..Complete!");
  }
}

}  // namespace
}  // namespace tonvale
