// Converts a long generated recording (default one hour of 44.1 kHz 16-bit stereo) with the
// whole pipeline and reports the time and the peak memory of every stage:
//   tonvale_long_recording_driver FOLDER [--minutes N] [--keep] [--without-method1]
// The recording is written into FOLDER a second at a time, so that making it costs no memory,
// and removed afterwards unless --keep is given. The work files go to FOLDER too.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/input_stream.h"
#include "app/output_file.h"
#include "app/session.h"
#include "app/settings_file.h"
#include "app/text_encoding.h"
#include "cli/headless_host.h"
#include "extraction/peak_file.h"
#include "pipeline/process_commands.h"

namespace {

constexpr int kRate = 44100;
constexpr int kChannels = 2;

void PutLittleEndian(std::FILE* file, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) std::fputc(static_cast<int>((value >> (8 * i)) & 0xFF), file);
}

// A melody of quarter-second notes with four partials over a chord that changes every two
// seconds, the same in both channels but for a small level difference. Written sample by
// sample; only one second is held in memory.
bool WriteLongRecording(const std::string& path, int seconds) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const uint32_t dataBytes = static_cast<uint32_t>(seconds) * kRate * kChannels * 2;
  std::fputs("RIFF", file);
  PutLittleEndian(file, dataBytes + 36, 4);
  std::fputs("WAVEfmt ", file);
  PutLittleEndian(file, 16, 4);
  PutLittleEndian(file, 1, 2);
  PutLittleEndian(file, kChannels, 2);
  PutLittleEndian(file, kRate, 4);
  PutLittleEndian(file, kRate * kChannels * 2, 4);
  PutLittleEndian(file, kChannels * 2, 2);
  PutLittleEndian(file, 16, 2);
  std::fputs("data", file);
  PutLittleEndian(file, dataBytes, 4);

  constexpr double kTwoPi = 6.283185307179586;
  static constexpr int kMelody[] = {60, 64, 67, 72, 71, 67, 64, 62, 65, 69, 72, 74, 72, 69, 65, 60};
  static constexpr int kRoots[] = {48, 53, 55, 45};
  auto frequency = [](int note) { return 440.0 * std::pow(2.0, (note - 69) / 12.0); };
  std::vector<int16_t> second(static_cast<size_t>(kRate) * kChannels);
  for (int s = 0; s < seconds; ++s) {
    for (int i = 0; i < kRate; ++i) {
      const double t = s + static_cast<double>(i) / kRate;
      const int quarter = static_cast<int>(t * 4);
      const double inNote = t * 4 - quarter;
      const double melody = frequency(kMelody[quarter % 16]);
      const int root = kRoots[(s / 2) % 4];
      double v = 0.0;
      const double envelope = std::min(1.0, inNote * 40) * std::min(1.0, (1.0 - inNote) * 40);
      for (int p = 1; p <= 4; ++p) v += 0.25 / p * envelope * std::sin(kTwoPi * melody * p * t);
      for (int interval : {0, 4, 7}) v += 0.1 * std::sin(kTwoPi * frequency(root + interval) * t);
      const auto left = static_cast<int16_t>(std::lround(std::clamp(v, -1.0, 1.0) * 32000));
      second[static_cast<size_t>(i) * 2] = left;
      second[static_cast<size_t>(i) * 2 + 1] = static_cast<int16_t>(left / 2);
    }
    for (int16_t v : second) PutLittleEndian(file, static_cast<uint16_t>(v), 2);
  }
  return std::fclose(file) == 0;
}

double PeakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024.0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(
        "usage: tonvale_long_recording_driver FOLDER [--minutes N] [--keep] "
        "[--without-method1]\n",
        stderr);
    return 2;
  }
  std::string folder = argv[1];
  if (folder.back() != '/') folder += '/';
  int minutes = 60;
  bool keep = false;
  bool withoutMethod1 = false;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--minutes" && i + 1 < argc) minutes = std::atoi(argv[++i]);
    if (arg == "--keep") keep = true;
    if (arg == "--without-method1") withoutMethod1 = true;
  }
  std::filesystem::create_directories(folder);
  const std::string wave = folder + "long.wav";
  auto clock = std::chrono::steady_clock::now;
  auto begin = clock();
  if (!std::filesystem::exists(wave) && !WriteLongRecording(wave, minutes * 60)) {
    std::fprintf(stderr, "cannot write %s\n", wave.c_str());
    return 1;
  }
  std::printf("recording: %d min, %.0f MB, written in %.1f s (peak memory so far %.1f MB)\n",
              minutes, static_cast<double>(std::filesystem::file_size(wave)) / 1e6,
              std::chrono::duration<double>(clock() - begin).count(), PeakMegabytes());

  tonvale::Session session(folder);
  if (tonvale::ResetSettings(session) != 0) return 1;
  if (withoutMethod1) {
    // Every peak of every frame then goes on to process 2.
    std::string text = tonvale::Cp932ToUtf8(tonvale::DefaultSettingsFileBytes());
    const std::string on = "提案法１　　　　　　： あり";
    text.replace(text.find(on), on.size(), "提案法１　　　　　　： なし");
    tonvale::OutputFile file;
    if (!file.Open(session.WorkPath(tonvale::kSettingsFileName),
                   tonvale::OutputFile::Mode::kBinary))
      return 1;
    file.Write(text);
    if (!file.Commit()) return 1;
  }
  tonvale::cli::HeadlessHost host(wave);
  int result = 0;
  const char* names[] = {"process 1", "process 2", "process 3", "process 4"};
  using Process = int (*)(tonvale::Session&, tonvale::ProcessHost&);
  const Process processes[] = {tonvale::RunProcess1, tonvale::RunProcess2, tonvale::RunProcess3,
                               tonvale::RunProcess4};
  int n = 0;
  for (Process process : processes) {
    begin = clock();
    result = process(session, host);
    std::printf("%s: result %d, %.1f s, peak memory of the run so far %.1f MB\n", names[n++],
                result, std::chrono::duration<double>(clock() - begin).count(), PeakMegabytes());
    if (result != 0) {
      for (const std::string& line : session.log.Lines()) std::printf("  %s\n", line.c_str());
      break;
    }
  }
  if (result == 0) {
    tonvale::InputStream in =
        tonvale::InputStream::OpenFile(session.WorkPath("PeakExtraction.txt"));
    const tonvale::WorkFileHeader header = tonvale::ReadWorkFileHeader(in);
    std::printf("LoopCount %d, MIDI file %.1f kB\n", header.LoopCount,
                static_cast<double>(std::filesystem::file_size(wave + ".mid")) / 1e3);
  }
  if (!keep) std::filesystem::remove(wave);
  return result;
}
