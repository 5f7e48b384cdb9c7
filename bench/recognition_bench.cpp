// Processes 2 to 4 on the peak file of a 3-minute recording: first a synthetic peak file of
// 18,000 frames of 10 ms with a hundred or more peaks each, most of them partials of notes that
// last a few hundred ms; then the peak file that process 1 makes of a generated 3-minute
// 44.1 kHz stereo recording, and the whole one-shot conversion of that recording.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "app/output_file.h"
#include "app/session.h"
#include "app/settings.h"
#include "app/settings_file.h"
#include "cli/headless_host.h"
#include "extraction/peak_extraction.h"
#include "extraction/peak_file.h"
#include "pipeline/process_commands.h"
#include "recognition/midi_writer.h"
#include "recognition/peak_combination.h"
#include "recognition/pitch_recognition.h"
#include "wavegen/wave_writer.h"

namespace tonvale {
namespace {

constexpr int kFrames = 18000;  // 3 minutes at 10 ms

struct Sounding {
  double frequency;
  double level;
  int until;
};

// Up to eight notes at a time with ten partials each below 5500 Hz, drifting by a fraction of
// a hertz and fading; 40 to 100 noise peaks a frame below them.
std::string PeakFileOfARecording(const std::string& wavePath) {
  std::mt19937 random(11);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::vector<Sounding> notes;
  std::string text;
  std::vector<std::pair<float, float>> peaks;
  std::vector<float> f, l;
  std::string records;
  float maxdB = -1000, mindB = 1000;
  for (int i = 0; i < kFrames; ++i) {
    std::erase_if(notes, [&](const Sounding& n) { return n.until <= i; });
    if (notes.size() < 8 && unit(random) < 0.08) {
      int midi = 40 + static_cast<int>(unit(random) * 45);
      notes.push_back({440.0 * std::pow(2.0, (midi - 69) / 12.0), 60 + 15 * unit(random),
                       i + 10 + static_cast<int>(unit(random) * 70)});
    }
    peaks.clear();
    for (Sounding& n : notes) {
      n.level -= 0.05;
      for (int k = 1; k <= 10; ++k) {
        double frequency = n.frequency * k + (unit(random) - 0.5);
        if (frequency >= 5500 || unit(random) < 0.05) continue;
        peaks.push_back({static_cast<float>(frequency),
                         static_cast<float>(n.level - 3.0 * k + 2 * (unit(random) - 0.5))});
      }
    }
    const int noise = 40 + static_cast<int>(unit(random) * 60);
    for (int k = 0; k < noise; ++k) {
      peaks.push_back({static_cast<float>(20 + 5400 * unit(random)),
                       static_cast<float>(10 + 25 * unit(random))});
    }
    std::sort(peaks.begin(), peaks.end());
    f.clear();
    l.clear();
    for (auto [frequency, level] : peaks) {
      f.push_back(std::round(frequency * 100) / 100);
      l.push_back(std::round(level * 100) / 100);
      maxdB = std::max(maxdB, l.back());
      mindB = std::min(mindB, l.back());
    }
    AppendPeakRecord(records, 10 * (i + 1), f, l);
  }
  AppendWorkFileHeader(text, {maxdB, mindB, 10, kFrames, wavePath});
  text += records;
  text += "end_of_file";
  std::string crlf;
  AppendWithCrLf(crlf, text);
  return crlf;
}

// A folder of work files for the benchmarks, removed at exit.
class Workspace {
 public:
  Workspace() {
    std::string pattern = "/tmp/tonvale-bench-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern + "/";
    peakFile_ = PeakFileOfARecording(path_ + "take.wav");
    Reset();
  }
  ~Workspace() { std::filesystem::remove_all(path_); }

  void Reset() {
    OutputFile file;
    file.Open(path_ + "PeakExtraction.txt", OutputFile::Mode::kBinary);
    file.Write(peakFile_);
    file.Commit();
  }
  const std::string& path() const { return path_; }
  size_t peakFileBytes() const { return peakFile_.size(); }

 private:
  std::string path_;
  std::string peakFile_;
};

Workspace& SharedWorkspace() {
  static Workspace workspace;
  return workspace;
}

void BM_Processes2To4(benchmark::State& state) {
  Workspace& workspace = SharedWorkspace();
  const std::string wave = workspace.path() + "take.wav";
  for (auto _ : state) {
    Session session(workspace.path());
    session.settings = DefaultSettings();
    if (PeakCombination(session) != 0 || PitchRecognition(session) != 0 ||
        ConvertTxt2Mid(session, wave + ".txt", wave + ".mid") != 0) {
      state.SkipWithError("a process failed");
      break;
    }
  }
  state.counters["peak_file_MB"] = static_cast<double>(workspace.peakFileBytes()) / 1e6;
}
BENCHMARK(BM_Processes2To4)->Unit(benchmark::kMillisecond)->MinTime(3);

void BM_PeakCombination(benchmark::State& state) {
  for (auto _ : state) {
    Session session(SharedWorkspace().path());
    session.settings = DefaultSettings();
    if (state.range(0) == 0) session.settings.ProposedMethod2 = "なし";
    benchmark::DoNotOptimize(PeakCombination(session));
  }
}
BENCHMARK(BM_PeakCombination)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(3);

void BM_PitchRecognition(benchmark::State& state) {
  Session prepare(SharedWorkspace().path());
  prepare.settings = DefaultSettings();
  PeakCombination(prepare);
  for (auto _ : state) {
    Session session(SharedWorkspace().path());
    session.settings = DefaultSettings();
    benchmark::DoNotOptimize(PitchRecognition(session));
  }
}
BENCHMARK(BM_PitchRecognition)->Unit(benchmark::kMillisecond)->MinTime(2);

void BM_ConvertTxt2Mid(benchmark::State& state) {
  const std::string wave = SharedWorkspace().path() + "take.wav";
  Session prepare(SharedWorkspace().path());
  prepare.settings = DefaultSettings();
  PeakCombination(prepare);
  PitchRecognition(prepare);
  for (auto _ : state) {
    Session session(SharedWorkspace().path());
    benchmark::DoNotOptimize(ConvertTxt2Mid(session, wave + ".txt", wave + ".mid"));
  }
}
BENCHMARK(BM_ConvertTxt2Mid)->Unit(benchmark::kMillisecond)->MinTime(2);

// Three minutes of a band: a bass line, a melody in eighth notes with six partials and
// four-note chords that change every bar, all at 120 beats per minute.
std::vector<wavegen::Tone> ThreeMinuteSong() {
  std::mt19937 random(5);
  std::uniform_int_distribution<int> melody(62, 86), root(43, 55);
  std::vector<wavegen::Tone> tones;
  for (double bar = 0; bar < 180.0; bar += 2.0) {
    const int r = root(random);
    for (int interval : {12, 16, 19, 24}) {
      tones.push_back({wavegen::MidiNoteFrequency(r + interval), bar, 1.9, 0.08, 4});
    }
    for (double beat = 0; beat < 2.0; beat += 0.5) {
      tones.push_back({wavegen::MidiNoteFrequency(r), bar + beat, 0.45, 0.15, 3});
    }
    for (double eighth = 0; eighth < 2.0; eighth += 0.25) {
      tones.push_back({wavegen::MidiNoteFrequency(melody(random)), bar + eighth, 0.22, 0.2, 6});
    }
  }
  return tones;
}

// A workspace whose peak file process 1 made of the song; the WAVE file lies in it too.
class RecordedWorkspace {
 public:
  RecordedWorkspace() {
    std::string pattern = "/tmp/tonvale-bench-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern + "/";
    wave_ = path_ + "song.wav";
    ok_ = wavegen::WriteWave(wave_, ThreeMinuteSong(), 180.0, {44100, 2, 16}) && Extract() == 0;
  }
  ~RecordedWorkspace() { std::filesystem::remove_all(path_); }

  int Extract() {
    Session session(path_);
    session.settings = DefaultSettings();
    return PeakExtraction(session, wave_);
  }

  bool ok() const { return ok_; }
  const std::string& path() const { return path_; }
  const std::string& wave() const { return wave_; }

 private:
  std::string path_;
  std::string wave_;
  bool ok_ = false;
};

RecordedWorkspace& SharedRecording() {
  static RecordedWorkspace workspace;
  return workspace;
}

void BM_Processes2To4OnProcess1Output(benchmark::State& state) {
  RecordedWorkspace& workspace = SharedRecording();
  if (!workspace.ok()) {
    state.SkipWithError("cannot make the recording or its peak file");
    return;
  }
  const std::string wave = workspace.wave();
  for (auto _ : state) {
    Session session(workspace.path());
    session.settings = DefaultSettings();
    if (PeakCombination(session) != 0 || PitchRecognition(session) != 0 ||
        ConvertTxt2Mid(session, wave + ".txt", wave + ".mid") != 0) {
      state.SkipWithError("a process failed");
      break;
    }
  }
  state.counters["peak_file_MB"] =
      static_cast<double>(std::filesystem::file_size(workspace.path() + "PeakExtraction.txt")) /
      1e6;
}
BENCHMARK(BM_Processes2To4OnProcess1Output)->Unit(benchmark::kMillisecond)->MinTime(3);

// The one-shot conversion as wav2mid runs it: settings loaded four times, processes 1 to 4;
// with the faithful method (0) and with the refined method (1), whose target is 1.8 s.
void BM_Wav2MidThreeMinutesStereo(benchmark::State& state) {
  RecordedWorkspace& workspace = SharedRecording();
  if (!workspace.ok()) {
    state.SkipWithError("cannot make the recording or its peak file");
    return;
  }
  {
    Session session(workspace.path());
    ResetSettings(session);
  }
  int result = 0;
  for (auto _ : state) {
    Session session(workspace.path());
    session.method =
        state.range(0) == 1 ? TranscriptionMethod::kRefined : TranscriptionMethod::kFaithful;
    cli::HeadlessHost host(workspace.wave());
    result |= RunWav2Mid(session, host);
  }
  if (result != 0) state.SkipWithError("the conversion failed");
}
BENCHMARK(BM_Wav2MidThreeMinutesStereo)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(5);

}  // namespace
}  // namespace tonvale
