// tonvale-wavegen: writes a WAVE file of synthetic tones for trying the converter.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "wavegen/wave_writer.h"

namespace {

constexpr char kUsage[] =
    "usage: tonvale-wavegen OUT.wav [--rate HZ] [--bits 8|16] [--channels N] [--seconds S]\n"
    "                       [--harmonics N] [--demo] [TONE...]\n"
    "  TONE is FREQ[@START[+DURATION]] in Hz and seconds, for example 440@0+1.\n"
    "  Without tones the file is silent; --demo writes a short melody that ends on a chord.\n";

bool ParseTone(const std::string& text, int harmonics, tonvale::wavegen::Tone& tone) {
  char* end = nullptr;
  tone.frequency = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || tone.frequency <= 0) return false;
  tone.start = 0.0;
  tone.duration = 1.0;
  tone.harmonics = harmonics;
  if (*end == '@') {
    const char* start = end + 1;
    tone.start = std::strtod(start, &end);
    if (end == start) return false;
  }
  if (*end == '+') {
    const char* duration = end + 1;
    tone.duration = std::strtod(duration, &end);
    if (end == duration) return false;
  }
  return *end == '\0';
}

}  // namespace

int main(int argc, char** argv) {
  using tonvale::wavegen::Tone;
  if (argc < 2 || std::string(argv[1]) == "--help") {
    std::fputs(kUsage, argc < 2 ? stderr : stdout);
    return argc < 2 ? 2 : 0;
  }
  tonvale::wavegen::WaveFormat format;
  double seconds = -1.0;
  int harmonics = 1;
  std::vector<Tone> tones;
  for (int i = 2; i < argc; ++i) {
    std::string arg = argv[i];
    auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : "0"; };
    if (arg == "--rate") {
      format.sampleRate = std::atoi(value());
    } else if (arg == "--bits") {
      format.bitsPerSample = std::atoi(value());
    } else if (arg == "--channels") {
      format.channels = std::atoi(value());
    } else if (arg == "--seconds") {
      seconds = std::atof(value());
    } else if (arg == "--harmonics") {
      harmonics = std::atoi(value());
    } else if (arg == "--demo") {
      double length = 0.0;
      std::vector<Tone> demo = tonvale::wavegen::DemoMelody(&length);
      tones.insert(tones.end(), demo.begin(), demo.end());
      if (seconds < length) seconds = length;
    } else {
      Tone tone;
      if (!ParseTone(arg, harmonics, tone)) {
        std::fprintf(stderr, "tonvale-wavegen: not a tone: %s\n%s", arg.c_str(), kUsage);
        return 2;
      }
      tones.push_back(tone);
    }
  }
  if (format.sampleRate <= 0 || format.channels <= 0 ||
      (format.bitsPerSample != 8 && format.bitsPerSample != 16)) {
    std::fprintf(stderr, "tonvale-wavegen: unsupported format\n");
    return 2;
  }
  if (seconds < 0) {
    seconds = 1.0;
    for (const Tone& tone : tones) seconds = std::max(seconds, tone.start + tone.duration);
  }
  if (!tonvale::wavegen::WriteWave(argv[1], tones, seconds, format)) {
    std::fprintf(stderr, "tonvale-wavegen: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
