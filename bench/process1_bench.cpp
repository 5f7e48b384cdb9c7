// Process 1 with the default settings (proposed method 1 on) on a 3-minute 44.1 kHz 16-bit
// stereo recording, the target being under 2 s and under 200 MB. The recording is made once by
// a child process, so that its rendering does not count towards this process's peak memory,
// which is reported as the counter peak_rss_MB after the runs.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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

void BM_Process1ThreeMinutesStereo(benchmark::State& state) {
  const std::string wave = Folder() + "three_minutes_44k_stereo.wav";
  if (!MakeRecording(wave)) {
    state.SkipWithError("cannot write the recording");
    return;
  }
  // The numeric kit reports on stderr; keep the benchmark's output readable.
  std::fflush(stderr);
  const int saved = dup(2);
  FILE* quiet = std::freopen("/dev/null", "w", stderr);
  int result = 0;
  for (auto _ : state) {
    Session session(Folder());
    session.settings = DefaultSettings();
    result = PeakExtraction(session, wave);
  }
  std::fflush(stderr);
  if (quiet != nullptr) dup2(saved, 2);
  close(saved);
  if (result != 0) state.SkipWithError("process 1 failed");
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
  state.counters["peak_file_MB"] =
      static_cast<double>(std::filesystem::file_size(Folder() + "PeakExtraction.txt")) / 1e6;
}
BENCHMARK(BM_Process1ThreeMinutesStereo)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace tonvale
