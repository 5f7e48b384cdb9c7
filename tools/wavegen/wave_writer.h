#pragma once

#include <string>
#include <string_view>
#include <vector>

// Writes linear-PCM WAVE files of synthetic music for the tests, the benchmarks and the demo.
namespace tonvale::wavegen {

// One sounding note: a sine at `frequency` with its first harmonics, under a short attack and
// release so that it starts and stops without a click.
struct Tone {
  double frequency = 440.0;  // Hz
  double start = 0.0;        // seconds
  double duration = 1.0;     // seconds
  double amplitude = 0.5;    // peak of the fundamental, 1.0 = full scale
  int harmonics = 1;         // 1: a pure sine; n: partials 1..n at falling amplitudes
};

struct WaveFormat {
  int sampleRate = 44100;
  int channels = 1;        // every channel carries the same signal unless given its own
  int bitsPerSample = 16;  // 8 (unsigned) or 16 (signed)
};

// Extra shapes of the file, for readers that must cope with them.
struct WaveLayout {
  int fmtChunkSize = 16;              // 18 adds the two-byte extension field
  std::string listChunkText;          // non-empty: a LIST chunk of this text between fmt and data
  std::string_view riffTag = "RIFF";  // "RIFX" for a big-endian file the reader must refuse
};

// Frequency of a MIDI note number in equal temperament (69 is A4, 440 Hz).
double MidiNoteFrequency(int note);

// Mixes the tones into `seconds` of mono samples in -1 .. 1 (clipped).
std::vector<double> Render(const std::vector<Tone>& tones, double seconds, int sampleRate);

// The bytes of a WAVE file. `channels` holds one signal per channel of the format; a single
// signal is copied to every channel.
std::string EncodeWave(const std::vector<std::vector<double>>& channels, const WaveFormat& format,
                       const WaveLayout& layout = {});

// Renders and writes a file; false when it cannot be written.
bool WriteWave(const std::string& path, const std::vector<Tone>& tones, double seconds,
               const WaveFormat& format = {});

// A short melody that ends on a C-major chord, the demo's example recording.
std::vector<Tone> DemoMelody(double* seconds);

}  // namespace tonvale::wavegen
