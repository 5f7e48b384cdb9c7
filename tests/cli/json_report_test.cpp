#include "cli/json_report.h"

#include <gtest/gtest.h>

namespace tonvale::cli {
namespace {

TEST(JsonReportTest, StringsAreEscapedAndAlwaysValidUtf8) {
  const struct {
    std::string text, json;
  } cases[] = {
      {"a/b c.wav", "\"a/b c.wav\""},
      {"say \"hi\"\\", "\"say \\\"hi\\\"\\\\\""},
      {"tab\tline\n", "\"tab\\u0009line\\u000a\""},
      {"曲.wav", "\"曲.wav\""},
      {"bad\xff\xc3(", "\"bad\xEF\xBF\xBD\xEF\xBF\xBD(\""},          // a stray byte, a cut sequence
      {"\xed\xa0\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},  // a surrogate is invalid
  };
  for (const auto& c : cases) EXPECT_EQ(JsonString(c.text), c.json) << c.text;
}

TEST(JsonReportTest, LinesCarryEveryFieldAndNotesAreCountedFromTheScript) {
  FileOutcome outcome;
  outcome.path = "/m/a.wav";
  outcome.status = FileOutcome::Status::kConverted;
  outcome.notes = 3;
  outcome.seconds = 1.23456;
  EXPECT_EQ(JsonLine(outcome),
            "{\"path\": \"/m/a.wav\", \"status\": \"converted\", \"notes\": 3, "
            "\"seconds\": 1.235, \"error\": null}");
  outcome.status = FileOutcome::Status::kFailed;
  outcome.error = "err: x";
  EXPECT_NE(JsonLine(outcome).find("\"status\": \"failed\""), std::string::npos);
  EXPECT_NE(JsonLine(outcome).find("\"error\": \"err: x\"}"), std::string::npos);

  const char* script =
      "tracks 2\r\n\r\ntrack{\r\n0   tempo 120\r\n0   rhythm 4 / 4\r\n}\r\n\r\ntrack{\r\n"
      "0   tone 1\r\n520   c-3 103\r\n0   g-3 124\r\n940   c-3 0\r\n10   g-3 0\r\n"
      "20   a-3 125\r\n}\r\n";
  EXPECT_EQ(CountNotes(script), 3);
  const struct {
    const char* script;
    int notes;
  } cases[] = {
      {"", 0},
      {"10 c-3 90", 1},                         // the last line needs no line end
      {"\t10\tc-3\v90 \r\n\f20  d-3 91\n", 2},  // any blank between words, LF or CR LF
      {"10 c-3 90 5\n10 c-3\n0 tone 1\n0 tempo 120\n30 c-3 0\n", 0},
      {"30 c-3 00\n", 1},  // only the word "0" ends a note
  };
  for (const auto& c : cases) EXPECT_EQ(CountNotes(c.script), c.notes) << c.script;
}

}  // namespace
}  // namespace tonvale::cli
