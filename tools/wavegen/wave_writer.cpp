#include "wavegen/wave_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <numbers>

namespace tonvale::wavegen {
namespace {

void PutLe(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// Linear fade of `fade` seconds at both ends of a note.
double Envelope(double t, double duration) {
  constexpr double kFade = 0.01;
  double fade = std::min(kFade, duration / 2);
  if (t < fade) return t / fade;
  if (t > duration - fade) return std::max(0.0, (duration - t) / fade);
  return 1.0;
}

}  // namespace

double MidiNoteFrequency(int note) {
  return 440.0 * std::pow(2.0, (note - 69) / 12.0);
}

std::vector<double> Render(const std::vector<Tone>& tones, double seconds, int sampleRate) {
  size_t count = static_cast<size_t>(std::max(0.0, std::round(seconds * sampleRate)));
  std::vector<double> samples(count, 0.0);
  for (const Tone& tone : tones) {
    size_t first = static_cast<size_t>(std::max(0.0, std::round(tone.start * sampleRate)));
    size_t last = std::min(count, first + static_cast<size_t>(tone.duration * sampleRate));
    for (size_t i = first; i < last; ++i) {
      double t = static_cast<double>(i - first) / sampleRate;
      double value = 0.0;
      for (int h = 1; h <= tone.harmonics; ++h) {
        double frequency = tone.frequency * h;
        if (frequency >= sampleRate / 2.0) break;
        value += std::sin(2.0 * std::numbers::pi * frequency * t) / (h * h);
      }
      samples[i] += tone.amplitude * Envelope(t, tone.duration) * value;
    }
  }
  for (double& s : samples) s = std::clamp(s, -1.0, 1.0);
  return samples;
}

std::string EncodeWave(const std::vector<std::vector<double>>& channels, const WaveFormat& format,
                       const WaveLayout& layout) {
  const int bytes_per_sample = format.bitsPerSample / 8;
  const size_t frames = channels.empty() ? 0 : channels[0].size();
  const uint32_t data_size =
      static_cast<uint32_t>(frames * static_cast<size_t>(format.channels * bytes_per_sample));
  std::string list;
  if (!layout.listChunkText.empty()) {
    std::string text = layout.listChunkText;
    if (text.size() % 2 != 0) text += '\0';
    list = "LIST";
    PutLe(list, static_cast<uint32_t>(text.size() + 4), 4);
    list += "INFO" + text;
  }
  std::string out(layout.riffTag);
  PutLe(out, static_cast<uint32_t>(4 + 8 + layout.fmtChunkSize + list.size() + 8 + data_size), 4);
  out += "WAVEfmt ";
  PutLe(out, static_cast<uint32_t>(layout.fmtChunkSize), 4);
  PutLe(out, 1, 2);
  PutLe(out, static_cast<uint32_t>(format.channels), 2);
  PutLe(out, static_cast<uint32_t>(format.sampleRate), 4);
  PutLe(out, static_cast<uint32_t>(format.sampleRate * format.channels * bytes_per_sample), 4);
  PutLe(out, static_cast<uint32_t>(format.channels * bytes_per_sample), 2);
  PutLe(out, static_cast<uint32_t>(format.bitsPerSample), 2);
  if (layout.fmtChunkSize > 16) out.append(static_cast<size_t>(layout.fmtChunkSize - 16), '\0');
  out += list;
  out += "data";
  PutLe(out, data_size, 4);
  out.reserve(out.size() + data_size);
  for (size_t i = 0; i < frames; ++i) {
    for (int c = 0; c < format.channels; ++c) {
      const std::vector<double>& signal = channels[std::min<size_t>(c, channels.size() - 1)];
      double s = std::clamp(signal[i], -1.0, 1.0);
      if (format.bitsPerSample == 8) {
        out += static_cast<char>(static_cast<uint8_t>(std::lround(s * 127.0) + 128));
      } else {
        PutLe(out, static_cast<uint16_t>(static_cast<int16_t>(std::lround(s * 32767.0))), 2);
      }
    }
  }
  return out;
}

bool WriteWave(const std::string& path, const std::vector<Tone>& tones, double seconds,
               const WaveFormat& format) {
  std::string bytes = EncodeWave({Render(tones, seconds, format.sampleRate)}, format);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return out.good();
}

std::vector<Tone> DemoMelody(double* seconds) {
  // C4 D4 E4 F4 G4 in quarter notes at 120 beats per minute, then a C-major chord.
  const int melody[] = {60, 62, 64, 65, 67};
  std::vector<Tone> tones;
  double t = 0.0;
  for (int note : melody) {
    tones.push_back({MidiNoteFrequency(note), t, 0.45, 0.5, 1});
    t += 0.5;
  }
  for (int note : {60, 64, 67}) tones.push_back({MidiNoteFrequency(note), t, 1.5, 0.25, 1});
  *seconds = t + 2.0;
  return tones;
}

}  // namespace tonvale::wavegen
