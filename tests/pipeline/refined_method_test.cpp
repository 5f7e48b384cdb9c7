// The refined method on generated recordings whose notes are known.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "app/settings_file.h"
#include "pipeline/process_commands.h"
#include "support/temp_dir.h"
#include "wavegen/wave_writer.h"

namespace tonvale {
namespace {

using Lines = std::vector<std::string>;
constexpr int kRate = 44100;

class FileHost : public ProcessHost {
 public:
  explicit FileHost(std::string path) : path_(std::move(path)) {}
  std::string TakePathField() override { return path_; }
  std::string SelectedPath() const override { return path_; }
  bool StopPlayback() override { return true; }
  int PlotProcess1() override { return 0; }
  int PlotProcess2() override { return 0; }
  int PlotProcess3() override { return 0; }

 private:
  std::string path_;
};

// A struck, bowed or blown tone: partial h at amplitude[h - 1] (relative to `level`), a linear
// attack of `attack` seconds, then a decay with the time constant `decay` (seconds; 0 holds the
// level) and a 20 ms release.
struct Partials {
  double frequency;
  double start;
  double duration;
  std::vector<double> amplitudes;
  double level = 0.3;
  double decay = 0.0;
  double attack = 0.01;
};

void Add(std::vector<double>& signal, const Partials& tone) {
  const auto first = static_cast<size_t>(tone.start * kRate);
  const auto count = static_cast<size_t>(tone.duration * kRate);
  for (size_t i = 0; i < count && first + i < signal.size(); ++i) {
    const double t = static_cast<double>(i) / kRate;
    double envelope = std::min(1.0, t / tone.attack) * std::min(1.0, (tone.duration - t) / 0.02);
    if (tone.decay > 0.0) envelope *= std::exp(-t / tone.decay);
    double value = 0.0;
    for (size_t h = 0; h < tone.amplitudes.size(); ++h) {
      value += tone.amplitudes[h] * std::sin(2.0 * std::numbers::pi * tone.frequency * (h + 1) * t);
    }
    signal[first + i] += tone.level * envelope * value;
  }
}

// Sawtooth-like partials, 1 / h, up to `count`.
std::vector<double> Sawtooth(int count) {
  std::vector<double> a;
  for (int h = 1; h <= count; ++h) a.push_back(1.0 / h);
  return a;
}

class RefinedMethodTest : public ::testing::Test {
 protected:
  RefinedMethodTest() : session_(dir_.path()) {
    EXPECT_EQ(ResetSettings(session_), 0);
    session_.method = TranscriptionMethod::kRefined;
  }

  // Converts the signal and returns the names of the note-ons of its note script, in order.
  Lines Notes(const std::vector<double>& signal) {
    const std::string wave = dir_.File("take.wav");
    testing::WriteFile(wave, wavegen::EncodeWave({signal}, {kRate, 1, 16}));
    FileHost host(wave);
    EXPECT_EQ(RunWav2Mid(session_, host), 0);
    script_ = testing::ReadFile(wave + ".txt");
    Lines names;
    std::istringstream lines(script_);
    std::string delta, name, velocity;
    for (std::string line; std::getline(lines, line);) {
      std::istringstream fields(line);
      if (fields >> delta >> name >> velocity && name[0] >= 'a' && name[0] <= 'g' &&
          velocity != "0") {
        names.push_back(name);
      }
    }
    return names;
  }

  testing::TempDir dir_;
  Session session_;
  std::string script_;
};

TEST_F(RefinedMethodTest, GeneratedRecordingsGiveTheirNotes) {
  const double a3 = wavegen::MidiNoteFrequency(57), c4 = wavegen::MidiNoteFrequency(60);
  const double e4 = wavegen::MidiNoteFrequency(64);
  const double g3 = wavegen::MidiNoteFrequency(55), a2 = wavegen::MidiNoteFrequency(45);
  struct Case {
    const char* what;
    std::vector<Partials> tones;
    Lines notes;
  };
  const std::vector<Case> cases = {
      {"a sawtooth is one note, not its overtones", {{a3, 0.2, 1.0, Sawtooth(20)}}, {"a-2"}},
      {"one pitch struck four times is four notes",
       {{g3, 0.2, 0.35, Sawtooth(8), 0.3, 0.15},
        {g3, 0.6, 0.35, Sawtooth(8), 0.3, 0.15},
        {g3, 1.0, 0.35, Sawtooth(8), 0.3, 0.15},
        {g3, 1.4, 0.35, Sawtooth(8), 0.3, 0.15}},
       {"g-2", "g-2", "g-2", "g-2"}},
      {"an octave is two notes",
       {{c4, 0.2, 1.0, Sawtooth(6)}, {2.0 * c4, 0.2, 1.0, Sawtooth(6)}},
       {"c-3", "c-4"}},
      {"a softer third that swells in under a held note is a note of its own",
       {{c4, 0.2, 1.6, Sawtooth(6)}, {e4, 0.8, 1.0, Sawtooth(6), 0.2, 0.0, 0.1}},
       {"c-3", "e-3"}},
      {"a weak fundamental still names the note",
       {{a2, 0.2, 1.0, {0.05, 0.8, 1.0, 0.7, 0.5, 0.4, 0.3, 0.2}}},
       {"a-1"}},
  };
  for (const Case& c : cases) {
    std::vector<double> signal(static_cast<size_t>(1.8 * kRate), 0.0);
    for (const Partials& tone : c.tones) Add(signal, tone);
    EXPECT_EQ(Notes(signal), c.notes) << c.what << "\n" << script_;
  }
}

TEST_F(RefinedMethodTest, DrumLikeNoiseBurstsGiveNoNote) {
  std::vector<double> signal(static_cast<size_t>(1.5 * kRate), 0.0);
  std::mt19937 random(12);
  std::uniform_real_distribution<double> noise(-0.5, 0.5);
  for (double hit : {0.2, 0.5, 0.8, 1.1}) {
    for (size_t i = 0; i < 0.2 * kRate; ++i) {
      signal[static_cast<size_t>(hit * kRate) + i] += noise(random) * std::exp(-i / (0.04 * kRate));
    }
  }
  EXPECT_EQ(Notes(signal), Lines{}) << script_;
}

TEST_F(RefinedMethodTest, NoteScriptOfAShortMelody) {
  std::vector<double> signal(static_cast<size_t>(1.4 * kRate), 0.0);
  const int melody[] = {60, 64, 67, 72};
  for (int i = 0; i < 4; ++i) {
    Add(signal, {wavegen::MidiNoteFrequency(melody[i]), 0.1 + 0.3 * i, 0.28, Sawtooth(10),
                 0.3 - 0.05 * i, 0.0});
  }
  Notes(signal);
  EXPECT_EQ(script_,
            testing::ReadFile(std::string(TONVALE_PIPELINE_DATA) + "refined_note_script.golden"));
}

TEST_F(RefinedMethodTest, EachProcessSaysWhichMethodRuns) {
  std::vector<double> signal(static_cast<size_t>(0.6 * kRate), 0.0);
  Add(signal, {440.0, 0.1, 0.4, Sawtooth(4)});
  Notes(signal);
  const std::string wave = dir_.File("take.wav");
  FileHost host(wave);
  for (auto* process : {RunProcess1, RunProcess2, RunProcess3}) {
    ASSERT_EQ(process(session_, host), 0);
    ASSERT_GE(session_.log.Lines().size(), 3u);
    EXPECT_EQ(session_.log.Lines()[2], kRefinedMethodLine);
  }
  session_.method = TranscriptionMethod::kFaithful;
  ASSERT_EQ(RunProcess1(session_, host), 0);
  EXPECT_NE(session_.log.Lines()[2], kRefinedMethodLine);
}

// The start (seconds) of every note of the lump file, in order.
std::vector<double> LumpStarts(const std::string& path) {
  std::vector<double> starts;
  std::istringstream lines(testing::ReadFile(path));
  for (std::string line; std::getline(lines, line);) {
    const size_t colon = line.find(':');
    if (colon != std::string::npos && colon > 0 && line.find_first_not_of("0123456789") == colon) {
      starts.push_back(std::stod(line.substr(0, colon)) / 1000.0);
    }
  }
  return starts;
}

TEST_F(RefinedMethodTest, NotesStartWhereTheirAttacksBegin) {
  const double d3 = wavegen::MidiNoteFrequency(50), e3 = wavegen::MidiNoteFrequency(52);
  const double g3 = wavegen::MidiNoteFrequency(55), a3 = wavegen::MidiNoteFrequency(57);
  // A bowed tone: rich in partials, with a weak fundamental.
  const std::vector<double> bowed = {0.3, 1.0, 0.8, 0.6, 0.5, 0.4, 0.3, 0.2};
  struct Case {
    const char* what;
    std::vector<Partials> tones;
  };
  const std::vector<Case> cases = {
      {"a struck tone", {{g3, 0.3, 0.6, Sawtooth(8), 0.3, 0.2, 0.005}}},
      {"a tone with a 100 ms attack", {{a3, 0.3, 0.8, bowed, 0.3, 0.0, 0.1}}},
      {"bowed notes played legato, each swelling in under the last 120 ms of the one before",
       {{d3, 0.2, 0.72, bowed, 0.3, 0.0, 0.1},
        {e3, 0.8, 0.72, bowed, 0.3, 0.0, 0.15},
        {d3, 1.4, 0.5, bowed, 0.3, 0.0, 0.15}}},
      {"a softer bowed note whose attack ends before its onset is found",
       {{d3, 0.2, 0.68, bowed, 0.3, 0.0, 0.1},
        {e3, 0.8, 0.68, bowed, 0.2, 0.0, 0.1},
        {d3, 1.4, 0.5, bowed, 0.3, 0.0, 0.1}}},
      {"bowed notes a whole tone apart, legato",
       {{a3, 0.2, 0.72, bowed, 0.3, 0.0, 0.1},
        {g3, 0.8, 0.72, bowed, 0.3, 0.0, 0.1},
        {a3, 1.4, 0.5, bowed, 0.3, 0.0, 0.1}}},
  };
  for (const Case& c : cases) {
    std::vector<double> signal(static_cast<size_t>(2.0 * kRate), 0.0);
    for (const Partials& tone : c.tones) Add(signal, tone);
    Notes(signal);
    const std::vector<double> starts = LumpStarts(dir_.File("PeakCombination.txt"));
    ASSERT_EQ(starts.size(), c.tones.size()) << c.what << "\n" << script_;
    for (size_t i = 0; i < starts.size(); ++i) {
      EXPECT_NEAR(starts[i], c.tones[i].start, 0.02) << c.what << ", note " << i;
    }
  }
}

// Cancels a run as soon as process `at` reports progress.
class CancelAt : public RunProgress::Observer {
 public:
  CancelAt(RunProgress& progress, int at) : progress_(progress), at_(at) {}
  void OnProgress(int process, int) override {
    if (process == at_) progress_.Cancel();
  }

 private:
  RunProgress& progress_;
  int at_;
};

TEST_F(RefinedMethodTest, ACancelledStageKeepsItsPreviousFile) {
  std::vector<double> signal(static_cast<size_t>(0.8 * kRate), 0.0);
  Add(signal, {440.0, 0.1, 0.6, Sawtooth(6)});
  Notes(signal);
  const std::string wave = dir_.File("take.wav");
  const std::string files[] = {dir_.File("PeakExtraction.txt"), dir_.File("PeakCombination.txt"),
                               wave + ".txt"};
  std::vector<std::string> before;
  for (const std::string& file : files) before.push_back(testing::ReadFile(file));
  signal.assign(signal.size(), 0.0);
  Add(signal, {660.0, 0.1, 0.6, Sawtooth(6)});
  testing::WriteFile(wave, wavegen::EncodeWave({signal}, {kRate, 1, 16}));
  FileHost host(wave);
  for (int process = 1; process <= 3; ++process) {
    SCOPED_TRACE(process);
    Session run(dir_.path());
    run.method = TranscriptionMethod::kRefined;
    CancelAt cancel(run.progress, process);
    run.progress.SetObserver(&cancel);
    EXPECT_EQ(RunWav2Mid(run, host), 1);
    EXPECT_EQ(run.log.Lines().back(), kCancelledLine);
    EXPECT_EQ(testing::ReadFile(files[process - 1]), before[process - 1]);
  }
}

}  // namespace
}  // namespace tonvale
