#include "recognition/midi_writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/settings.h"
#include "recognition/note_script.h"
#include "recognition/note_script_compiler.h"
#include "support/temp_dir.h"

namespace tonvale {
namespace {

using Bytes = std::vector<int>;

Bytes BytesOf(std::string_view text) {
  Bytes bytes;
  for (char c : text) bytes.push_back(static_cast<unsigned char>(c));
  return bytes;
}

std::string Compile(std::string_view script) {
  std::string midi;
  EXPECT_EQ(CompileNoteScript(script, midi), ScriptStatus::kOk) << script;
  return midi;
}

// The events of track `index` of a compiled file, without the chunk header.
Bytes TrackEvents(const std::string& midi, int index) {
  size_t at = 14;
  for (;;) {
    if (at + 8 > midi.size()) return {};
    auto length = static_cast<size_t>((static_cast<unsigned char>(midi[at + 4]) << 24) |
                                      (static_cast<unsigned char>(midi[at + 5]) << 16) |
                                      (static_cast<unsigned char>(midi[at + 6]) << 8) |
                                      static_cast<unsigned char>(midi[at + 7]));
    if (index-- == 0) return BytesOf(std::string_view(midi).substr(at + 8, length));
    at += 8 + length;
  }
}

// The events of a one-track script holding `items`.
Bytes Events(const std::string& items) {
  return TrackEvents(Compile("tracks 1\ntrack{\n" + items + "\n}\n"), 0);
}

Bytes Ending(Bytes bytes) {
  Bytes end = {0x00, 0xFF, 0x2F, 0x00};  // "}" is a delay of 0, then the end of the track
  bytes.insert(bytes.end(), end.begin(), end.end());
  return bytes;
}

TEST(NoteScriptCompilerTest, TheScriptOfNoNotesGivesTheKnownHeaderAndChunks) {
  const std::string midi = Compile(NoteScriptText(DefaultSettings(), {}));
  EXPECT_EQ(
      BytesOf(midi),
      (Bytes{0x4D, 0x54, 0x68, 0x64, 0x00, 0x00, 0x00, 0x06, 0x00, 0x01, 0x00, 0x02, 0x01, 0xE0,
             // first track: tempo 120, 4 / 4
             0x4D, 0x54, 0x72, 0x6B, 0x00, 0x00, 0x00, 0x13, 0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1,
             0x20, 0x00, 0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08, 0x00, 0xFF, 0x2F, 0x00,
             // second track: program 0 on the second channel
             0x4D, 0x54, 0x72, 0x6B, 0x00, 0x00, 0x00, 0x07, 0x00, 0xC1, 0x00, 0x00, 0xFF, 0x2F,
             0x00}));
}

TEST(NoteScriptCompilerTest, DelaysBecomeTicksAsFullVariableLengthQuantities) {
  EXPECT_EQ(Events("250 a-3 1"), Ending({0x81, 0x70, 0x90, 69, 1}));  // 240 ticks
  EXPECT_EQ(Events("500 a-3 1"), Ending({0x83, 0x60, 0x90, 69, 1}));  // 480 ticks
  // 19,200 ticks, not capped.
  EXPECT_EQ(Events("20000 a-3 1"), Ending({0x81, 0x96, 0x00, 0x90, 69, 1}));
  // Delays in a row add up (by atoi rules; below 0 is 0), an event without one gets 0, and
  // so does the end of the track: every event has exactly one delta time.
  EXPECT_EQ(Events("-40 10ms x 10 a-3 1 a-3 0 250"),
            (Bytes{0x12, 0x90, 69, 1, 0x00, 0x90, 69, 0, 0x81, 0x70, 0xFF, 0x2F, 0x00}));
  // A tempo governs the delays after it, in later tracks too.
  const std::string midi = Compile("tracks 2 track{ 0 tempo 60 } track{ 1000 a-3 1 }");
  EXPECT_EQ(TrackEvents(midi, 1), Ending({0x83, 0x60, 0x91, 0x45, 0x01}));

  std::string out;
  AppendVariableLength(out, 0x0FFFFFFF);
  AppendVariableLength(out, 0x200000);
  AppendVariableLength(out, 0xFFFFFFFF);  // more than four bytes hold
  EXPECT_EQ(BytesOf(out),
            (Bytes{0xFF, 0xFF, 0xFF, 0x7F, 0x81, 0x80, 0x80, 0x00, 0xFF, 0xFF, 0xFF, 0x7F}));
}

TEST(NoteScriptCompilerTest, CarriedRoundingKeepsEveryEventWithinATickOfItsTime) {
  // Ten delays of 10 ms at tempo 120 are 9.6 ticks each: on their own they truncate to 9
  // (90 ticks in all), carried on they keep the whole 96, in steps of 9 or 10.
  std::string items = "0 tempo 120";
  const int steps[] = {9, 10, 9, 10, 10, 9, 10, 9, 10, 10};
  Bytes each, carried;
  for (int step : steps) {
    items += " 10 a-3 1";
    each.insert(each.end(), {9, 0x90, 69, 1});
    carried.insert(carried.end(), {step, 0x90, 69, 1});
  }
  const Bytes tempo = {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20};
  each.insert(each.begin(), tempo.begin(), tempo.end());
  carried.insert(carried.begin(), tempo.begin(), tempo.end());
  EXPECT_EQ(Events(items), Ending(each));
  std::string midi;
  ASSERT_EQ(
      CompileNoteScript("tracks 1\ntrack{\n" + items + "\n}\n", midi, DelayRounding::kCarried),
      ScriptStatus::kOk);
  EXPECT_EQ(TrackEvents(midi, 0), Ending(carried));
}

TEST(NoteScriptCompilerTest, NotesKeepEveryDataByteWithinSevenBits) {
  EXPECT_EQ(Events("0 a-3 98"), Ending({0x00, 0x90, 69, 98}));
  EXPECT_EQ(Events("0 c#4 300"), Ending({0x00, 0x90, 73, 127}));
  EXPECT_EQ(Events("0 c-4 0"), Ending({0x00, 0x90, 72, 0}));  // a note off
  EXPECT_EQ(Events("0 c-4 -3"), Ending({0x00, 0x90, 72, 0}));
  EXPECT_EQ(Events("0 g#9 64"), Ending({0x00, 0x90, 127, 64}));   // 140 clamps to 127
  EXPECT_EQ(Events("0 b-x 64"), Ending({0x00, 0x90, 0x7F, 64}));  // 'x' (120) is the octave
  // An uppercase name is a delay of 0, and the number after it a delay of its own (86 ticks).
  EXPECT_EQ(Events("A-3 90 a-3 1"), Ending({0x56, 0x90, 69, 1}));
  EXPECT_EQ(Events("0 tone 1 0 tone 200 0 tone 0"),
            Ending({0x00, 0xC0, 0x00, 0x00, 0xC0, 0x7F, 0x00, 0xC0, 0x00}));
  // Track 17 plays on channel 17 mod 16.
  std::string script = "tracks 18";
  for (int k = 0; k < 18; ++k) script += " track{ 0 tone 1 }";
  EXPECT_EQ(TrackEvents(Compile(script), 17), Ending({0x00, 0xC1, 0x00}));
}

TEST(NoteScriptCompilerTest, TimeSignatureAndTempoEvents) {
  EXPECT_EQ(Events("0 rhythm 3 / 8"), Ending({0x00, 0xFF, 0x58, 0x04, 0x03, 0x03, 0x18, 0x08}));
  EXPECT_EQ(Events("0 rhythm 6 - 6"), Ending({0x00, 0xFF, 0x58, 0x04, 0x06, 0x02, 0x18, 0x08}));
  EXPECT_EQ(Events("0 rhythm 2 / 0"), Ending({0x00, 0xFF, 0x58, 0x04, 0x02, 0x00, 0x18, 0x08}));
  // 15,000,000 and 1 microseconds per quarter: tempos clamp to 4 .. 60,000,000.
  EXPECT_EQ(Events("0 tempo 0"), Ending({0x00, 0xFF, 0x51, 0x03, 0xE4, 0xE1, 0xC0}));
  EXPECT_EQ(Events("0 tempo 999999999"), Ending({0x00, 0xFF, 0x51, 0x03, 0x00, 0x00, 0x01}));
  // An operand that is "}" ends the track after its item.
  EXPECT_EQ(TrackEvents(Compile("tracks 1 track{ 0 a-3 }"), 0), Ending({0x00, 0x90, 69, 0}));
}

TEST(NoteScriptCompilerTest, RefusesScriptsWithoutTracksOrThatEndInsideOne) {
  std::string midi;
  EXPECT_EQ(CompileNoteScript("", midi), ScriptStatus::kTrackError);
  EXPECT_EQ(CompileNoteScript("hello", midi), ScriptStatus::kTrackError);
  EXPECT_EQ(CompileNoteScript("tracks", midi), ScriptStatus::kTrackError);
  EXPECT_EQ(CompileNoteScript("tracks 1 track{ 0 a-3 100", midi), ScriptStatus::kTrackError);
  EXPECT_EQ(CompileNoteScript("tracks 2 track{ 0 } 0 }", midi), ScriptStatus::kTrackError);
  EXPECT_EQ(TrackEvents(midi, 0), Ending({}));  // the first track was compiled
  EXPECT_EQ(CompileNoteScript("tracks 70000", midi), ScriptStatus::kTrackError);
  // Leading white space is allowed; no tracks is an empty file.
  EXPECT_EQ(BytesOf(Compile("\r\n tracks 0")),
            (Bytes{0x4D, 0x54, 0x68, 0x64, 0, 0, 0, 6, 0, 1, 0, 0, 0x01, 0xE0}));
}

class MidiWriterTest : public ::testing::Test {
 protected:
  MidiWriterTest() : session_(dir_.path()) {}
  testing::TempDir dir_;
  Session session_;
  const std::string txt_ = dir_.File("song.wav.txt");
  const std::string mid_ = dir_.File("song.wav.mid");
};

TEST_F(MidiWriterTest, ConvertsAScriptAndReportsIt) {
  testing::WriteFile(txt_, NoteScriptText(DefaultSettings(), {{0, 500, 98, "a-3"}}));
  ASSERT_EQ(ConvertTxt2Mid(session_, txt_, mid_), 0);
  const std::vector<std::string> expected = {
      "..Conver text to MIDI of format type 1",
      "",
      "..Argument",
      "txt_name  is \"" + txt_ + "\".\n",
      "mid_name is \"" + mid_ + "\".\n",
      "",
      "[Automatic, chooses an endian and generates MIDI]",
      "",
      "cpuInfo:     LITTLE Endian",
      "\n               32 bit architecture\n",
      "",
      "..Converted txt into MIDI",
      "..Complete!",
  };
  EXPECT_EQ(session_.log.Lines(), expected);
  EXPECT_EQ(testing::ReadFile(mid_), Compile(testing::ReadFile(txt_)));
}

TEST_F(MidiWriterTest, AFailedConversionLeavesThePreviousFile) {
  ASSERT_EQ(ConvertTxt2Mid(session_, txt_, mid_), 1);
  EXPECT_EQ(session_.log.Lines().back(), "err: Cannot open file: [" + txt_ + "]");
  EXPECT_FALSE(testing::FileExists(mid_));

  testing::WriteFile(mid_, "previous");
  testing::WriteFile(txt_, "tracks 2\ntrack{\n0   tone 1\n}\n");
  ASSERT_EQ(ConvertTxt2Mid(session_, txt_, mid_), 1);
  EXPECT_EQ(session_.log.Lines().back(), "err: MIDI track error!\n");
  EXPECT_EQ(testing::ReadFile(mid_), "previous");

  ASSERT_EQ(ConvertTxt2Mid(session_, txt_, dir_.File("missing/song.wav.mid")), 1);
  EXPECT_EQ(session_.log.Lines().back(),
            "err: Cannot open file: [" + dir_.File("missing/song.wav.mid") + "]");
}

// midicsv is an independent reader of Standard MIDI Files; it fails on a malformed file.
std::string MidiCsv(const std::string& path) {
  std::string command = "midicsv '" + path + "' 2>&1";
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return {};
  std::string out;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  if (pclose(pipe) != 0) out = "failed: " + out;
  return out;
}

TEST_F(MidiWriterTest, AnIndependentReaderLoadsOurFiles) {
  if (std::system("command -v midicsv >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "midicsv is not installed (scripts/install-deps.sh installs it)";
  }
  std::vector<Note> notes = {{0, 500, 98, "a-3"},
                             {250, 500, 70, "c#4"},
                             {500, 20500, 300, "g-4"},
                             {21000, 21250, 64, "c-6"}};
  testing::WriteFile(txt_, NoteScriptText(DefaultSettings(), notes));
  ASSERT_EQ(ConvertTxt2Mid(session_, txt_, mid_), 0);
  const std::string csv = MidiCsv(mid_);
  EXPECT_NE(csv.find("0, 0, Header, 1, 2, 480"), std::string::npos) << csv;
  EXPECT_NE(csv.find("1, 0, Tempo, 500000"), std::string::npos) << csv;
  EXPECT_NE(csv.find("1, 0, Time_signature, 4, 2, 24, 8"), std::string::npos) << csv;
  EXPECT_NE(csv.find("2, 0, Program_c, 1, 0"), std::string::npos) << csv;
  EXPECT_NE(csv.find("2, 0, Note_on_c, 1, 69, 98"), std::string::npos) << csv;
  EXPECT_NE(csv.find("2, 240, Note_on_c, 1, 73, 70"), std::string::npos) << csv;
  EXPECT_NE(csv.find("2, 480, Note_on_c, 1, 79, 127"), std::string::npos) << csv;
  // 20 s later: the delay is not capped, so the last note starts at 21 s.
  EXPECT_NE(csv.find("2, 19680, Note_on_c, 1, 79, 0"), std::string::npos) << csv;
  EXPECT_NE(csv.find("2, 20160, Note_on_c, 1, 96, 64"), std::string::npos) << csv;
  EXPECT_NE(csv.find("0, 0, End_of_file"), std::string::npos) << csv;

  // A script that only the grammar's leniency accepts still gives a well-formed file: no event
  // the reader cannot place, every track ended.
  testing::WriteFile(txt_,
                     "tracks 3 track{ tempo 0 rhythm 3 / 8 } track{ 5 5 A-3 c#4 300 tone 300 "
                     "x c#4 0 } track{ b-9 } ");
  ASSERT_EQ(ConvertTxt2Mid(session_, txt_, mid_), 0);
  const std::string odd = MidiCsv(mid_);
  EXPECT_EQ(odd.find("Unknown_event"), std::string::npos) << odd;
  EXPECT_EQ(odd.find("failed"), std::string::npos) << odd;
  EXPECT_NE(odd.find("1, 0, Tempo, 15000000"), std::string::npos) << odd;
  EXPECT_NE(odd.find("2, 0, Note_on_c, 1, 73, 127"), std::string::npos) << odd;
  EXPECT_NE(odd.find("2, 0, Program_c, 1, 127"), std::string::npos) << odd;
  EXPECT_NE(odd.find("3, 0, Note_on_c, 2, 127, 0"), std::string::npos) << odd;
  size_t ends = 0;
  for (size_t at = odd.find("End_track"); at != std::string::npos;
       at = odd.find("End_track", at + 1)) {
    ++ends;
  }
  EXPECT_EQ(ends, 3u) << odd;
}

}  // namespace
}  // namespace tonvale
