// Process 1 with the default settings (proposed method 1 on) on a 3-minute 44.1 kHz 16-bit
// stereo recording, the target being under 2 s and under 200 MB; and on the same samples as
// FLAC, the target being within 1.3 times the WAVE file's time. The recording is made once by
// a child process, so that its rendering does not count towards this process's peak memory,
// which is reported as the counter peak_rss_MB after the runs.
#include <benchmark/benchmark.h>
#include <sndfile.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "app/session.h"
#include "app/settings.h"
#include "extraction/peak_extraction.h"
#include "wavegen/wave_writer.h"

namespace tonvale {
namespace {

// Three minutes of a piano-like part: a melody of eighth notes with six partials over
// sustained three-note chords that change every two seconds.
std::vector<wavegen::Tone> ThreeMinutePiece(double* seconds) {
  *seconds = 180.0;
  std::mt19937 random(11);
  std::uniform_int_distribution<int> melody(60, 84), root(45, 57);
  std::vector<wavegen::Tone> tones;
  for (double t = 0; t < *seconds; t += 0.25) {
    tones.push_back({wavegen::MidiNoteFrequency(melody(random)), t, 0.3, 0.25, 6});
  }
  for (double t = 0; t < *seconds; t += 2.0) {
    const int r = root(random);
    for (int interval : {0, 4, 7}) {
      tones.push_back({wavegen::MidiNoteFrequency(r + interval), t, 1.9, 0.12, 4});
    }
  }
  return tones;
}

const std::string& Folder() {
  static const std::string folder = [] {
    std::string path = std::filesystem::temp_directory_path().string() + "/tonvale-bench-p1/";
    std::filesystem::create_directories(path);
    return path;
  }();
  return folder;
}

bool MakeRecording(const std::string& path) {
  if (std::filesystem::exists(path)) return true;
  const pid_t child = fork();
  if (child == 0) {
    double seconds = 0;
    const std::vector<wavegen::Tone> tones = ThreeMinutePiece(&seconds);
    const bool ok = wavegen::WriteWave(path + ".part", tones, seconds, {44100, 2, 16}) &&
                    std::rename((path + ".part").c_str(), path.c_str()) == 0;
    _exit(ok ? 0 : 1);
  }
  int status = 0;
  return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}

// The same samples as a 16-bit FLAC file, converted by libsndfile in a child process.
bool MakeFlac(const std::string& wave, const std::string& flac) {
  if (std::filesystem::exists(flac)) return true;
  const pid_t child = fork();
  if (child == 0) {
    SF_INFO in{};
    SNDFILE* from = sf_open(wave.c_str(), SFM_READ, &in);
    SF_INFO out = in;
    out.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    SNDFILE* to = from ? sf_open((flac + ".part").c_str(), SFM_WRITE, &out) : nullptr;
    if (to == nullptr) _exit(1);
    std::vector<int> frames(static_cast<size_t>(4096 * in.channels));
    sf_count_t got = 0;
    while ((got = sf_readf_int(from, frames.data(), 4096)) > 0)
      sf_writef_int(to, frames.data(), got);
    sf_close(to);
    sf_close(from);
    _exit(std::rename((flac + ".part").c_str(), flac.c_str()) == 0 ? 0 : 1);
  }
  int status = 0;
  return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
         WEXITSTATUS(status) == 0;
}

// Process 1 on the 3-minute recording, as 16-bit WAVE (state.range(0) == 0) or as FLAC (1),
// whose decoding must cost under 30 % more.
void BM_Process1ThreeMinutesStereo(benchmark::State& state) {
  const std::string wave = Folder() + "three_minutes_44k_stereo.wav";
  const std::string flac = Folder() + "three_minutes_44k_stereo.flac";
  if (!MakeRecording(wave) || (state.range(0) == 1 && !MakeFlac(wave, flac))) {
    state.SkipWithError("cannot write the recording");
    return;
  }
  const std::string& recording = state.range(0) == 1 ? flac : wave;
  state.SetLabel(state.range(0) == 1 ? "FLAC" : "WAVE");
  int result = 0;
  for (auto _ : state) {
    Session session(Folder());
    session.settings = DefaultSettings();
    result = PeakExtraction(session, recording);
  }
  if (result != 0) state.SkipWithError("process 1 failed");
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
  state.counters["peak_file_MB"] =
      static_cast<double>(std::filesystem::file_size(Folder() + "PeakExtraction.txt")) / 1e6;
}
// WAVE first: the peak memory reported after the FLAC runs is the larger of the two.
BENCHMARK(BM_Process1ThreeMinutesStereo)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// Process 1 on the 3-minute WAVE file with 1 and 2 threads (state.range(0)): the filter
// blocks and the frames are shared out, with the same peak file whatever the count.
void BM_Process1Threads(benchmark::State& state) {
  const std::string wave = Folder() + "three_minutes_44k_stereo.wav";
  if (!MakeRecording(wave)) {
    state.SkipWithError("cannot write the recording");
    return;
  }
  int result = 0;
  for (auto _ : state) {
    Session session(Folder());
    session.settings = DefaultSettings();
    session.settings.ProposedMethod1 = "なし";
    session.analysisThreads = static_cast<unsigned>(state.range(0));
    result = PeakExtraction(session, wave);
  }
  if (result != 0) state.SkipWithError("process 1 failed");
}
BENCHMARK(BM_Process1Threads)
    ->ArgName("threads")
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->UseRealTime();

}  // namespace
}  // namespace tonvale
