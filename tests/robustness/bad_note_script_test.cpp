// The MIDI writer on note scripts that a user edited: a script it cannot follow leaves the
// previous MIDI file and says so; anything else becomes a valid Standard MIDI File.
#include <gtest/gtest.h>

#include <string>

#include "app/session.h"
#include "recognition/midi_writer.h"
#include "recognition/note_script_compiler.h"
#include "support/smf_check.h"
#include "support/temp_dir.h"

namespace tonvale {
namespace {

using testing::ReadFile;
using testing::WriteFile;

class BadNoteScriptTest : public ::testing::Test {
 protected:
  // Converts the script; the MIDI file's bytes afterwards, "previous" when it was kept.
  int Convert(const std::string& script) {
    WriteFile(txt_, script);
    WriteFile(mid_, "previous");
    session_.log.ClearLog();
    return ConvertTxt2Mid(session_, txt_, mid_);
  }
  std::string Midi() const { return ReadFile(mid_); }

  testing::TempDir dir_;
  Session session_{dir_.path()};
  const std::string txt_ = dir_.File("song.wav.txt");
  const std::string mid_ = dir_.File("song.wav.mid");
};

TEST_F(BadNoteScriptTest, MissingBracesOrTracksLeaveThePreviousFile) {
  for (const char* script :
       {"tracks 2\ntrack{\n0 tempo 120\n}\ntrack{\n0 tone 1\n10 a-3 100\n",  // no last "}"
        "tracks 2\ntrack{\n0 tempo 120\n}\n0 tone 1\n}\n",                   // no "track{"
        "tracks 3\ntrack{\n}\n", "track{\n0 tempo 120\n}\n", "", "tracks\n", "tracks 70000\n"}) {
    EXPECT_EQ(Convert(script), 1) << script;
    EXPECT_EQ(session_.log.Lines().back(), "err: MIDI track error!\n");
    EXPECT_EQ(Midi(), "previous");
  }
}

TEST_F(BadNoteScriptTest, UnknownWordsHugeDelaysAndZeroTempoStillGiveValidFiles) {
  // Note names beyond the keyboard, sharp or not, in sixteen tracks and more channels.
  std::string manyTracks = "tracks 17\n";
  for (int i = 0; i < 17; ++i) manyTracks += "track{ 0 g#9 127 0 c--1 127 0 b-Z 1 }\n";
  for (const std::string& script :
       {// Words the script does not know count as delays of their leading number, 0 here;
        // a word starting with a to g is a note name.
        std::string("tracks 1\ntrack{\nhello world 12abc end 64 zzz 0 {} }\n"),
        // Delays beyond the 28 bits of a delta time are held at the largest one.
        std::string("tracks 1\ntrack{\n99999999999999999999 c-4 100\n99999999999 c-4 0\n"
                    "-5 d-4 10 4294967296 d-4 0\n}\n"),
        // A tempo of 0 or less is held at the slowest the 24-bit tempo event can say.
        std::string("tracks 2\ntrack{\n0 tempo 0\n0 tempo -120\n0 rhythm 0 / 0\n}\n"
                    "track{\n0 tone 0\n500 a-3 300\n500 a-3 -1\n0 tone 9999\n}\n"),
        manyTracks}) {
    ASSERT_EQ(Convert(script), 0) << script;
    EXPECT_EQ(fuzz::CheckStandardMidiFile(Midi()), "") << script;
  }
  // Programs below 1, the most negative one too, are program 0 (a fuzz finding: the
  // subtraction that turns 1-based programs into bytes overflowed).
  ASSERT_EQ(Convert("tracks 1\ntrack{\n0 tone -99999999999999999999\n0 tone 0\n}\n"), 0);
  EXPECT_NE(Midi().find(std::string("\0\xC0\0\0\xC0\0", 6)), std::string::npos);
  // The slowest tempo: 15 s a beat, 15,000,000 microseconds.
  ASSERT_EQ(Convert("tracks 1\ntrack{\n0 tempo 0\n}\n"), 0);
  EXPECT_NE(Midi().find(std::string("\xFF\x51\x03\xE4\xE1\xC0", 6)), std::string::npos);
}

// The check the fuzz targets and these tests rely on must itself catch broken files.
TEST(SmfCheckTest, CatchesWhatBreaksAReader) {
  std::string good;
  ASSERT_EQ(CompileNoteScript("tracks 1\ntrack{\n0 tempo 120\n10 a-3 100\n10 a-3 0\n}\n", good),
            ScriptStatus::kOk);
  EXPECT_EQ(fuzz::CheckStandardMidiFile(good), "");
  auto broken = [&](size_t at, std::string_view bytes) {
    std::string copy = good;
    copy.replace(at, bytes.size(), bytes);
    return fuzz::CheckStandardMidiFile(copy);
  };
  const size_t track = good.find("MTrk") + 8;  // the first event's delta time
  EXPECT_NE(broken(0, "MThe"), "");
  EXPECT_NE(broken(4, std::string("\0\0\0\x07", 4)), "");  // header length
  EXPECT_NE(broken(10, std::string("\0\x02", 2)), "");     // two tracks announced
  EXPECT_NE(broken(good.find("MTrk") + 7, "\xFF"), "");    // track length
  EXPECT_NE(broken(track, "\x80\x80\x80\x80\x01"), "");    // five-byte delta
  EXPECT_NE(broken(track + 1, "\xFF\x51\x04"), "");        // tempo of length 4
  EXPECT_NE(broken(track + 1, "\xF4"), "");                // undefined status
  EXPECT_NE(broken(good.find("\x90"), "\x90\x80"), "");    // data byte 128
  EXPECT_NE(fuzz::CheckStandardMidiFile(good.substr(0, good.size() - 3)), "");  // no end
  EXPECT_NE(fuzz::CheckStandardMidiFile(good + "x"), "");  // bytes after the end
  std::string early = good;
  early.insert(track, std::string("\0\xFF\x2F\0", 4));
  early[good.find("MTrk") + 7] = static_cast<char>(early[good.find("MTrk") + 7] + 4);
  EXPECT_NE(fuzz::CheckStandardMidiFile(early), "");  // end before the end
}

}  // namespace
}  // namespace tonvale
