// The notes a note script holds, as the notes figure reads them.
#include "recognition/note_script_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace tonvale {
namespace {

// start, end, note number, velocity, track
using NoteRow = std::tuple<int64_t, int64_t, int, int, int64_t>;

std::vector<NoteRow> Rows(std::string_view script) {
  std::vector<NoteRow> rows;
  for (const ScriptNote& n : ReadScriptNotes(script)) {
    rows.emplace_back(n.start, n.end, n.noteNumber, n.velocity, n.track);
  }
  return rows;
}

TEST(NoteScriptReaderTest, PairsEachNoteOnWithItsNoteOff) {
  const struct {
    const char* name;
    const char* script;
    std::vector<NoteRow> notes;
  } cases[] = {
      {"as process 3 writes it: a-3 from 0 to 500 ms, c-4 from 250 to 500 ms",
       "tracks 2\r\n\r\ntrack{\r\n0   tempo 120\r\n0   rhythm 4 / 4\r\n}\r\n\r\n"
       "track{\r\n0   tone 1\r\n0   a-3 98\r\n250   c-4 70\r\n250   a-3 0\r\n0   c-4 0\r\n}\r\n",
       {{0, 500, 69, 98, 1}, {250, 500, 72, 70, 1}}},
      {"the same note twice at once: first on, first off",
       "tracks 1 track{ 0 c-3 10 100 c-3 20 100 c-3 0 100 c-3 0 }",
       {{0, 200, 60, 10, 0}, {100, 300, 60, 20, 0}}},
      {"sharps, velocities held to 127, delays in a row add up; an octave that is no digit "
       "counts by its code, as in the MIDI file ('-' is 45: (47 x 12) mod 256 = 52)",
       "tracks 1 track{ 0 a#3 200 5 5 c--1 1 10 a#3 0 c--1 0 }",
       {{0, 20, 70, 127, 0}, {10, 20, 52, 1, 0}}},
      {"a note never released ends with its track; each track keeps its own time",
       "tracks 2 track{ 0 e-2 50 400 } track{ 100 g-5 60 10 g-5 0 }",
       {{0, 400, 52, 50, 0}, {100, 110, 91, 60, 1}}},
      {"a script that breaks off ends its sounding notes where it stops",
       "tracks 1 track{ 0 d-4 90 300",
       {{0, 300, 74, 90, 0}}},
      {"a release without a note, and no script at all", "tracks 1 track{ 0 c-3 0 }", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Rows(c.script), c.notes) << c.name;
  }
  EXPECT_TRUE(Rows("not a script").empty());
}

}  // namespace
}  // namespace tonvale
