// tonvale-play: plays a WAVE or MIDI file through the window's playback device, to hear it or
// to check the sound output of a machine without starting the window.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "playback/create_media_device.h"

namespace {

constexpr char kUsage[] =
    "usage: tonvale-play FILE [--midi] [--seconds S]\n"
    "  Plays FILE from the start for S seconds (default 3), as waveform audio or, with\n"
    "  --midi, through the MIDI sequencer. Exit status: 0 played, 1 the file was refused,\n"
    "  2 the machine has no sound output.\n";

int Report(const tonvale::DeviceStatus& status) {
  std::fprintf(stderr, "tonvale-play: %s\n", status.error.c_str());
  return status.code == tonvale::DeviceStatus::Code::kNoAudioOutput ? 2 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || std::string(argv[1]) == "--help") {
    std::fputs(kUsage, argc < 2 ? stderr : stdout);
    return argc < 2 ? 64 : 0;
  }
  tonvale::DeviceType type = tonvale::DeviceType::kWaveformAudio;
  double seconds = 3.0;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--midi") {
      type = tonvale::DeviceType::kSequencer;
    } else if (arg == "--seconds" && i + 1 < argc) {
      seconds = std::atof(argv[++i]);
    } else {
      std::fputs(kUsage, stderr);
      return 64;
    }
  }
  auto device = tonvale::CreateMediaDevice();
  if (auto status = device->Open(type, argv[1]); !status.ok()) return Report(status);
  if (auto status = device->PlayFromStart(); !status.ok()) return Report(status);
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  if (auto status = device->Stop(); !status.ok()) return Report(status);
  if (auto status = device->Close(); !status.ok()) return Report(status);
  return 0;
}
