#include "extraction/record_read_ahead.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/session.h"
#include "extraction/work_file.h"
#include "support/failing_reads.h"
#include "support/temp_dir.h"

namespace tonvale {
namespace {

const std::string kHeader = "MaxdB: 71.36 MindB: 35.02  \r\nFrameRate: 10 LoopCount: 3\r\n" +
                            std::string("/data/take1.wav\r\n") + std::string(177, '-') + "\r\n";

// Records enough to fill several batches, one of them long enough to fill a batch alone.
std::string ManyRecords() {
  std::string text = kHeader;
  for (int r = 0; r < 700; ++r) {
    text += std::to_string(10 * r) + ": ";
    const int peaks = r == 300 ? 20000 : r % 37;
    for (int p = 0; p < peaks; ++p) text += std::to_string(p * 7 + r) + ".25 -3.5e1 ";
    text += "end\r\n";
  }
  return text + "end_of_file";
}

// What a stage sees: every label and peak, and the offset reported after each record. Records
// at odd positions are left before their peaks are read when `skipOdd`.
struct Taken {
  std::vector<int32_t> labels;
  std::vector<float> values;
  std::vector<int64_t> offsets;
  bool operator==(const Taken&) const = default;
};

template <class Offset>
Taken TakeAll(PeakRecordSource& source, Offset offset, bool skipOdd) {
  Taken taken;
  int32_t label;
  float frequency, level;
  while (source.NextRecord(label)) {
    taken.labels.push_back(label);
    if (skipOdd && taken.labels.size() % 2 == 0) continue;
    while (source.NextPeak(frequency, level)) {
      taken.values.push_back(frequency);
      taken.values.push_back(level);
    }
    taken.offsets.push_back(offset());
  }
  return taken;
}

TEST(RecordReadAheadTest, GivesThePlainReadersRecordsAndOffsets) {
  const std::string many = ManyRecords();
  const std::vector<std::string> files = {
      many,
      many.substr(0, many.size() / 2),  // cut inside a record, without "end_of_file"
      kHeader + "10: 1 2 3 end\n20: abc 1e5 -0.004 end 30: end_of_file 40: 5 6 end\n",
      kHeader + "end_of_file",
      kHeader.substr(0, 40),
  };
  for (size_t f = 0; f < files.size(); ++f) {
    for (bool skipOdd : {false, true}) {
      InputStream plainIn(files[f]);
      PeakRecordReader plain(plainIn);
      const Taken expected = TakeAll(
          plain, [&] { return plainIn.Offset(); }, skipOdd);
      InputStream aheadIn(files[f]);
      PeakRecordReader reader(aheadIn);
      RecordReadAhead ahead(reader, aheadIn);
      EXPECT_EQ(TakeAll(
                    ahead, [&] { return ahead.Offset(); }, skipOdd),
                expected)
          << "file " << f << (skipOdd ? " skipping" : "");
    }
  }
}

TEST(RecordReadAheadTest, StopsPartWayAndReportsAReadErrorWhereThePlainReadDoes) {
  testing::TempDir dir;
  const std::string many = ManyRecords();
  testing::WriteFile(dir.File("PeakExtraction.txt"), many);
  // Left after a few records, as a cancelled stage leaves it: the thread stops.
  {
    InputStream in = InputStream::OpenFile(dir.File("PeakExtraction.txt"));
    PeakRecordReader reader(in);
    RecordReadAhead ahead(reader, in);
    int32_t label;
    ASSERT_TRUE(ahead.NextRecord(label) && ahead.NextRecord(label));
    EXPECT_EQ(label, 10);
  }
  for (unsigned threads : {1u, 2u}) {
    Session session(dir.path());
    testing::FailingReads failing(dir.File("PeakExtraction.txt"),
                                  static_cast<int64_t>(many.size() / 2));
    StageInput input(session, kPeakFileName);
    ASSERT_TRUE(input.Open("err: cannot open!"));
    PeakRecordSource& records = input.RecordsReadAhead(threads);
    int32_t label;
    ASSERT_TRUE(records.NextRecord(label));
    EXPECT_FALSE(input.Finish());
    EXPECT_GT(failing.Failures(), 0);
    EXPECT_EQ(session.log.Lines(),
              std::vector<std::string>{"err: cannot read! PeakExtraction.txt (Input/output error)"})
        << threads << " threads";
  }
}

}  // namespace
}  // namespace tonvale
