#include "playback/midi_file_check.h"

#include <gtest/gtest.h>

#include "playback/playback_test_files.h"

namespace tonvale {
namespace {

TEST(MidiFileCheckTest, AcceptsWellFormedFiles) {
  const std::string file = testing::MakeMidiFile({{60, 0, 480}});
  EXPECT_EQ(CheckMidiFile(file), "");

  // Running status, a system-exclusive message and a chunk of an unknown kind before the
  // track are all part of the format.
  std::string track(
      "\x00\x90\x3c\x64\x10\x3e\x64\x00\xf0\x04\x7e\x09\x01\xf7"
      "\x60\x80\x3c\x00\x00\xff\x2f\x00",
      22);
  std::string withExtras = file.substr(0, 14) + "XTRA" + std::string("\0\0\0\2ab", 6) + "MTrk" +
                           std::string("\0\0\0", 3) + static_cast<char>(track.size()) + track;
  EXPECT_EQ(CheckMidiFile(withExtras), "");
}

TEST(MidiFileCheckTest, RefusesWhatTheSequencerCannotPlayWithAReason) {
  const std::string good = testing::MakeMidiFile({{60, 0, 480}});
  std::string smpte = good;
  smpte[12] = static_cast<char>(0xe7);  // -25 frames per second
  std::string twoTracks = good;
  twoTracks[11] = 2;
  std::string noEnd = good.substr(0, good.size() - 4);
  noEnd[21] = static_cast<char>(noEnd[21] - 4);  // the track chunk ends before end-of-track
  std::string stray = good;
  stray[good.size() - 3] = static_cast<char>(0xf4);  // an undefined status byte

  const struct {
    const char* name;
    std::string bytes;
    const char* reason;
  } cases[] = {
      {"a WAVE file", std::string("RIFF\x24\0\0\0WAVEfmt ", 16), "MThd"},
      {"an empty file", "", "MThd"},
      {"a truncated track", good.substr(0, good.size() - 5), "トラック 1 が途中で切れています"},
      {"a missing second track", twoTracks, "トラック 2 がありません"},
      {"a track without its end", noEnd, "終了イベント"},
      {"an undefined status", stray, "0xF4"},
      {"SMPTE time", smpte, "SMPTE"},
  };
  for (const auto& c : cases) {
    const std::string reason = CheckMidiFile(c.bytes);
    EXPECT_NE(reason.find(c.reason), std::string::npos) << c.name << ": " << reason;
  }
}

TEST(MidiFileCheckTest, TheLengthFollowsTheTempoChangesOfEveryTrack) {
  // One second at 120 beats per minute: 960 ticks of 480 a quarter note.
  std::string file = testing::MakeMidiFile({{60, 0, 960}});
  EXPECT_EQ(MidiFileMilliseconds(file), 1000);
  // A second track that slows to 60 beats per minute halfway (tick 480): the second half lasts
  // a second, so the song 1.5 s.
  file[9] = 1;   // format 1
  file[11] = 2;  // two tracks
  const std::string slower("\x83\x60\xff\x51\x03\x0f\x42\x40\x00\xff\x2f\x00", 12);
  file += "MTrk" + std::string("\0\0\0", 3) + static_cast<char>(slower.size()) + slower;
  ASSERT_EQ(CheckMidiFile(file), "");
  EXPECT_EQ(MidiFileMilliseconds(file), 1500);
  EXPECT_EQ(MidiFileMilliseconds("MThd"), 0);
}

}  // namespace
}  // namespace tonvale
