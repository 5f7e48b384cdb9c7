#include "recognition/pitch_recognition.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "recognition/lump_note.h"
#include "recognition/note_script.h"
#include "support/temp_dir.h"
#include "work_files.h"

namespace tonvale {
namespace {

using testing::LumpFileText;
using testing::Peaks;

Peaks Steady(float frequency, float level, int points) {
  return Peaks(static_cast<size_t>(points), {frequency, level});
}

LumpNote NoteOf(const Peaks& peaks, float maxdB = 60.0f, int start = 0) {
  std::vector<float> f, l;
  for (auto [frequency, level] : peaks) {
    f.push_back(frequency);
    l.push_back(level);
  }
  return MakeLumpNote(f, l, start, 10, maxdB);
}

// The frequency `cents` above C1.
float AboveC1(double cents) {
  return static_cast<float>(32.7031956625748 * std::pow(2.0, cents / 1200.0));
}

TEST(LumpNoteTest, A440IsA3) {
  LumpNote note = NoteOf({{439.0f, 50.0f}, {441.0f, 60.0f}});
  EXPECT_EQ(note.meanFrequency, 440.0);
  EXPECT_EQ(note.loudest, 60.0);
  EXPECT_EQ(note.cents, 4500);
  EXPECT_EQ(note.semitone, 45);
  EXPECT_EQ(NoteName(note.semitone), "a-3");
  EXPECT_EQ(note.end, 20);
}

TEST(LumpNoteTest, NamesRoundHalfUpTowardZeroAndNameNegativeRemaindersB) {
  EXPECT_EQ(NoteOf({{AboveC1(-149.4), 50}}).semitone, 0);
  EXPECT_EQ(NoteOf({{AboveC1(49.6), 50}}).semitone, 0);
  EXPECT_EQ(NoteOf({{AboveC1(50.5), 50}}).semitone, 1);
  EXPECT_EQ(NoteOf({{AboveC1(-150.5), 50}}).semitone, -1);
  EXPECT_EQ(NoteName(0), "c-0");
  EXPECT_EQ(NoteName(1), "c#0");
  EXPECT_EQ(NoteName(10), "a#0");
  EXPECT_EQ(NoteName(11), "b-0");
  EXPECT_EQ(NoteName(-1), "b-0");
  EXPECT_EQ(NoteName(-11), "b-0");
  EXPECT_EQ(NoteName(-12), "c--1");
  EXPECT_EQ(NoteName(108), "c-9");
}

TEST(LumpNoteTest, VolumeFollowsTheTwoRulesAndCountsNonNumbersAsZero) {
  EXPECT_EQ(NoteOf({{440, 60}}).volume, 126);  // the loudest level of the analysis
  EXPECT_EQ(NoteOf({{440, 30}}).volume, 12);   // half of it
  EXPECT_EQ(NoteOf({{110, 30}}).volume, 63);   // below semitone 35: 127 x level / MaxdB
  EXPECT_EQ(NoteOf({{440, 30}}, 0.0f).volume, 0);
  EXPECT_EQ(NoteOf({{440, -5}}).volume, 0);  // no logarithm of a negative level
  EXPECT_EQ(NoteOf({}).cents, 0);            // a lump without points has no mean frequency
}

TEST(LumpNoteTest, HigherNotesNeedMoreVolumeAndEveryNoteALength) {
  // B5 (semitone 59) needs a volume of 101, A5 (semitone 57) a volume of 1.
  LumpNote b5 = NoteOf(Steady(987.77f, 52, 4));
  EXPECT_EQ(b5.semitone, 59);
  EXPECT_EQ(b5.volume, 102);
  EXPECT_TRUE(IsKeptNote(b5, 30));
  LumpNote quieterB5 = NoteOf(Steady(987.77f, 51, 4));
  EXPECT_EQ(quieterB5.volume, 99);
  EXPECT_FALSE(IsKeptNote(quieterB5, 30));
  EXPECT_TRUE(IsKeptNote(NoteOf(Steady(880.0f, 51, 4)), 30));
  EXPECT_FALSE(IsKeptNote(NoteOf(Steady(440.0f, 27, 4)), 30));  // volume -5
  // 30 ms is not longer than 30 ms; 40 ms is.
  EXPECT_FALSE(IsKeptNote(NoteOf(Steady(440.0f, 60, 3)), 30));
  EXPECT_TRUE(IsKeptNote(NoteOf(Steady(440.0f, 60, 4)), 30));
}

TEST(NoteScriptTest, WritesNoteOnsBeforeNoteOffsAtEqualTimes) {
  Settings settings = DefaultSettings();
  const std::string header =
      "tracks 2\n\ntrack{\n0   tempo 120\n0   rhythm 4 / 4\n}\n\ntrack{\n0   tone 1\n";
  EXPECT_EQ(NoteScriptText(settings, {}), header + "}\n");
  std::vector<Note> notes = {{0, 500, 98, "a-3"}, {250, 500, 70, "c-4"}};
  EXPECT_EQ(NoteScriptText(settings, notes),
            header + "0   a-3 98\n250   c-4 70\n250   a-3 0\n0   c-4 0\n}\n");
  // One note ending where the next starts; the first delta is the first event's own time.
  notes = {{100, 200, 50, "e-4"}, {200, 300, 60, "g-4"}};
  EXPECT_EQ(NoteScriptText(settings, notes),
            header + "100   e-4 50\n100   g-4 60\n0   e-4 0\n100   g-4 0\n}\n");
}

class PitchRecognitionTest : public ::testing::Test {
 protected:
  PitchRecognitionTest() : session_(dir_.path()) { session_.settings = DefaultSettings(); }

  void WriteLumps(const std::vector<testing::LabelledPeaks>& lumps, int frameRate = 10) {
    testing::WriteFile(dir_.File("PeakCombination.txt"),
                       LumpFileText(lumps, {.frameRate = frameRate, .signalName = wave_}));
  }

  testing::TempDir dir_;
  Session session_;
  const std::string wave_ = dir_.File("song.wav");
};

TEST_F(PitchRecognitionTest, LogsTheKeptNotesAndWritesTheScriptBesideTheWave) {
  WriteLumps({{120, Steady(440, 60, 50)}, {200, Steady(440, 10, 50)}, {300, Steady(262, 50, 3)}});
  ASSERT_EQ(PitchRecognition(session_), 0);
  const std::vector<std::string> expected = {
      "..Pitch recognition for successive musical cords",
      "",
      "..Argument",
      "Tempo         is \"120\".",
      "ShortestNote is \"64\".",
      "Rhythm        is \"4 / 4\".",
      "Tone            is \"1\".",
      "",
      "..Calculated values",
      "\nTime of the shortest peak is 31 [msec]",
      "when musical audio signal is \"" + wave_ + "\". ",
      "",
      "..Recognized notes",
      "a-3 | 120-620 [ms] | vol:126 | 0,0/510 [ms]\n",
      "",
      "..Carried out pitch recognition.",
      "..Complete!",
  };
  EXPECT_EQ(session_.log.Lines(), expected);
  EXPECT_EQ(testing::ReadFile(wave_ + ".txt"),
            "tracks 2\r\n\r\ntrack{\r\n0   tempo 120\r\n0   rhythm 4 / 4\r\n}\r\n\r\n"
            "track{\r\n0   tone 1\r\n120   a-3 126\r\n500   a-3 0\r\n}\r\n");
}

TEST_F(PitchRecognitionTest, FailsWithoutALumpFileAFrameShiftOrAPlaceForTheScript) {
  ASSERT_EQ(PitchRecognition(session_), 1);
  EXPECT_EQ(session_.log.Lines().back(), "err: cannot open! PeakCombination.txt");

  WriteLumps({{0, Steady(440, 60, 5)}}, 0);
  ASSERT_EQ(PitchRecognition(session_), 1);
  EXPECT_EQ(session_.log.Lines().back(), "err: FrameRate is 0 in PeakCombination.txt!");

  testing::WriteFile(
      dir_.File("PeakCombination.txt"),
      LumpFileText({{0, Steady(440, 60, 5)}}, {.signalName = dir_.File("missing/song.wav")}));
  session_.log.ClearLog();
  ASSERT_EQ(PitchRecognition(session_), 1);
  const auto& lines = session_.log.Lines();
  EXPECT_EQ(lines.back(), "err: cannnot open file");
  EXPECT_EQ(lines[lines.size() - 2], "a-3 | 0-50 [ms] | vol:126 | 0,0/60 [ms]\n");
}

}  // namespace
}  // namespace tonvale
