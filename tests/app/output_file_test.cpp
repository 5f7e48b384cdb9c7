#include "app/output_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "support/temp_dir.h"

namespace tonvale {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

size_t EntriesIn(const std::string& dir) {
  return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(dir),
                                           std::filesystem::directory_iterator()));
}

TEST(OutputFileTest, TextModeWritesCrLfAndCommitReplacesTheFile) {
  TempDir dir;
  WriteFile(dir.File("out.txt"), "old");
  OutputFile file;
  ASSERT_TRUE(file.Open(dir.File("out.txt"), OutputFile::Mode::kText));
  file.Write("a\nb\n");
  file.WriteByte('\n');
  EXPECT_EQ(ReadFile(dir.File("out.txt")), "old");  // nothing shows before the commit
  ASSERT_TRUE(file.Commit());
  EXPECT_EQ(ReadFile(dir.File("out.txt")), "a\r\nb\r\n\r\n");
  EXPECT_EQ(EntriesIn(dir.path()), 1u);  // no temporary file left behind
}

TEST(OutputFileTest, BothWaysOfReplacingTakeTheFileAndRefuseAFolder) {
  enum class Target { kNone, kFile, kFolder };
  for (const auto replace : {OutputFile::Replace::kDurably, OutputFile::Replace::kQuickly}) {
    for (const auto target : {Target::kNone, Target::kFile, Target::kFolder}) {
      SCOPED_TRACE(::testing::Message() << "quickly " << (replace == OutputFile::Replace::kQuickly)
                                        << ", target " << static_cast<int>(target));
      TempDir dir;
      const std::string path = dir.File("PeakExtraction.txt");
      if (target == Target::kFile) WriteFile(path, "old peaks");
      if (target == Target::kFolder) {
        ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
      }
      OutputFile file;
      ASSERT_TRUE(file.Open(path, OutputFile::Mode::kBinary, replace));
      file.Write("new peaks");
      EXPECT_EQ(file.Commit(), target != Target::kFolder);
      if (target == Target::kFolder) {
        EXPECT_TRUE(std::filesystem::is_directory(path));
      } else {
        EXPECT_EQ(ReadFile(path), "new peaks");
      }
      EXPECT_EQ(EntriesIn(dir.path()), 1u);  // neither the old file nor a temporary one is left
    }
  }
}

TEST(OutputFileTest, OverwriteAtPatchesBytesAlreadyWritten) {
  TempDir dir;
  OutputFile file;
  ASSERT_TRUE(file.Open(dir.File("m.bin"), OutputFile::Mode::kBinary));
  file.Write(std::string_view("MTrk\0\0\0\0tail\n", 13));
  EXPECT_EQ(file.Size(), 13);
  EXPECT_TRUE(file.OverwriteAt(4, std::string("\0\0\0\x13", 4)));
  EXPECT_FALSE(file.OverwriteAt(12, "xy"));  // beyond the end
  ASSERT_TRUE(file.Commit());
  EXPECT_EQ(ReadFile(dir.File("m.bin")), std::string("MTrk\0\0\0\x13tail\n", 13));
}

// A head of the guessed size is patched in place; a longer or shorter one moves the rest, also
// when the rest is larger than the pieces it moves in and was written in text mode.
TEST(OutputFileTest, ReplaceHeadMovesTheRestBehindAHeadOfAnySize) {
  std::string rest;
  for (int i = 0; rest.size() < (5u << 20) / 2; ++i) rest += std::to_string(i) + "\n";
  std::string onDisk;
  AppendWithCrLf(onDisk, rest);
  struct Case {
    int64_t room;
    std::string head;
  };
  const Case cases[] = {{4, "HEAD"}, {4, "LONGER HEAD\r\n"}, {9, "H"}, {3, ""}, {0, "new"}};
  for (const Case& c : cases) {
    TempDir dir;
    OutputFile file;
    ASSERT_TRUE(file.Open(dir.File("p.txt"), OutputFile::Mode::kText));
    file.Write(std::string(static_cast<size_t>(c.room), ' '));
    file.Write(rest);
    ASSERT_TRUE(file.ReplaceHead(c.room, c.head)) << c.head;
    file.Write("end");
    EXPECT_EQ(file.Size(), static_cast<int64_t>(c.head.size() + onDisk.size() + 3));
    ASSERT_TRUE(file.Commit());
    EXPECT_TRUE(ReadFile(dir.File("p.txt")) == c.head + onDisk + "end") << c.head;
  }
  OutputFile file;
  TempDir dir;
  ASSERT_TRUE(file.Open(dir.File("q.txt"), OutputFile::Mode::kBinary));
  file.Write("ab");
  EXPECT_FALSE(file.ReplaceHead(3, "x"));  // more than was written
}

TEST(OutputFileTest, AnAbandonedFileLeavesThePreviousOneWhole) {
  TempDir dir;
  WriteFile(dir.File("song.wav.mid"), "previous result");
  {
    OutputFile file;
    ASSERT_TRUE(file.Open(dir.File("song.wav.mid"), OutputFile::Mode::kBinary));
    file.Write("half a fi");
  }  // gone without a commit
  EXPECT_EQ(ReadFile(dir.File("song.wav.mid")), "previous result");
  EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

TEST(OutputFileTest, AFolderThatDoesNotExistCannotBeOpened) {
  TempDir dir;
  OutputFile file;
  EXPECT_FALSE(file.Open(dir.File("gone/out.txt"), OutputFile::Mode::kText));
  EXPECT_FALSE(file.Commit());
  EXPECT_FALSE(file.Open(dir.path() + std::string(300, 'n'), OutputFile::Mode::kText));
}

TEST(OutputFileTest, AWriteThatDoesNotFitFailsTheCommitAndKeepsThePreviousFile) {
  TempDir dir;
  WriteFile(dir.File("peaks.txt"), "previous");
  // A file-size limit stands in for a full disk.
  struct rlimit old_limit;
  getrlimit(RLIMIT_FSIZE, &old_limit);
  struct rlimit limit = old_limit;
  limit.rlim_cur = 4096;
  auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  OutputFile file;
  bool opened = file.Open(dir.File("peaks.txt"), OutputFile::Mode::kText);
  file.Write(std::string(3 << 20, 'x'));
  bool committed = file.Commit();
  setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);
  EXPECT_TRUE(opened);
  EXPECT_FALSE(committed);
  EXPECT_EQ(ReadFile(dir.File("peaks.txt")), "previous");
  EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

TEST(OutputFileTest, ReadableFilesAreFilesNotFolders) {
  TempDir dir;
  WriteFile(dir.File("a.wav"), "x");
  EXPECT_TRUE(IsReadableFile(dir.File("a.wav")));
  EXPECT_FALSE(IsReadableFile(dir.File("b.wav")));
  EXPECT_FALSE(IsReadableFile(dir.path()));
  ASSERT_EQ(mkfifo(dir.File("pipe").c_str(), 0600), 0);
  EXPECT_FALSE(IsReadableFile(dir.File("pipe")));  // must not block waiting for a writer
  EXPECT_FALSE(IsReadableFile("/dev/zero"));
  std::string bytes;
  EXPECT_TRUE(ReadFileBytes(dir.File("a.wav"), bytes));
  EXPECT_EQ(bytes, "x");
  EXPECT_FALSE(ReadFileBytes(dir.File("b.wav"), bytes));
}

}  // namespace
}  // namespace tonvale
