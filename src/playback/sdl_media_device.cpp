#include "playback/sdl_media_device.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "app/output_file.h"
#include "playback/midi_file_check.h"
#include "playback/midi_file_source.h"
#include "playback/wave_file_source.h"

namespace tonvale {
namespace {

// FluidSynth renders at this rate unless the output asks for another.
constexpr int kMidiRate = 44100;
// SDL plays at most this many channels; wider files are mapped down to stereo.
constexpr int kMaxOutputChannels = 8;

// A MIDI file has ended once this much sound has followed its last event: the release of its
// last notes and the reverberation after them.
constexpr std::int64_t kMidiReleaseMs = 1000;

constexpr char kNotOpen[] = "デバイスが開かれていません．";

// Empty when the file can be opened for reading, otherwise the system's reason.
std::string ReadProblem(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return std::strerror(errno);
  std::fclose(file);
  return {};
}

}  // namespace

SdlMediaDevice::SdlMediaDevice(PlaybackOptions options) : options_(options) {}

SdlMediaDevice::~SdlMediaDevice() {
  if (open_) Close();
}

DeviceStatus SdlMediaDevice::Open(DeviceType type, const std::string& path) {
  if (open_) Close();
  if (path.empty()) return DeviceStatus::Failed("ファイルが指定されていません．");
  if (std::string problem = ReadProblem(path); !problem.empty()) {
    return DeviceStatus::Failed("ファイルを開けません．\n" + path + "\n(" + problem + ")");
  }
  if (type == DeviceType::kWaveformAudio) {
    std::string error;
    std::unique_ptr<WaveFileSource> wave = WaveFileSource::Open(path, error);
    if (wave == nullptr) {
      return DeviceStatus::Failed("波形オーディオとして再生できないファイルです．\n" + path +
                                  "\n(" + error + ")");
    }
    totalMs_ = wave->SampleRate() > 0 ? wave->Frames() * 1000 / wave->SampleRate() : 0;
    source_ = std::move(wave);
  } else {
    std::string bytes;
    if (!ReadFileBytes(path, bytes)) {
      return DeviceStatus::Failed("ファイルを読み込めません．\n" + path);
    }
    if (std::string problem = CheckMidiFile(bytes); !problem.empty()) {
      return DeviceStatus::Failed("MIDI シーケンサで再生できないファイルです．\n" + path + "\n" +
                                  problem);
    }
    totalMs_ = MidiFileMilliseconds(bytes);
    midiBytes_ = std::move(bytes);
  }
  type_ = type;
  open_ = true;
  return DeviceStatus::Ok();
}

DeviceStatus SdlMediaDevice::Close() {
  if (!open_) return DeviceStatus::Failed(kNotOpen);
  output_.Close();  // no callback runs from here on
  converter_.reset();
  source_.reset();
  midiBytes_.clear();
  totalMs_ = 0;
  open_ = false;
  return DeviceStatus::Ok();
}

DeviceStatus SdlMediaDevice::Stop() {
  if (!open_) return DeviceStatus::Failed(kNotOpen);
  if (output_.IsOpen()) {
    output_.SetPaused(true);
    OutputLock lock(output_);
    source_->Halt();
  }
  return DeviceStatus::Ok();
}

DeviceStatus SdlMediaDevice::PlayFromStart() {
  if (!open_) return DeviceStatus::Failed(kNotOpen);
  if (DeviceStatus status = StartOutput(); !status.ok()) return status;
  {
    OutputLock lock(output_);
    source_->Rewind();
    converter_->Reset();
  }
  output_.SetPaused(false);
  return DeviceStatus::Ok();
}

DeviceStatus SdlMediaDevice::Resume() {
  if (!open_) return DeviceStatus::Failed(kNotOpen);
  if (DeviceStatus status = StartOutput(); !status.ok()) return status;
  output_.SetPaused(false);
  return DeviceStatus::Ok();
}

DeviceStatus SdlMediaDevice::StartOutput() {
  if (output_.IsOpen()) return DeviceStatus::Ok();
  const bool midi = type_ == DeviceType::kSequencer;
  int rate = midi ? kMidiRate : source_->SampleRate();
  int channels = midi ? 2 : source_->Channels();
  if (channels > kMaxOutputChannels) channels = 2;
  if (options_.outputRate > 0) rate = options_.outputRate;
  if (options_.outputChannels > 0) channels = options_.outputChannels;

  std::string error;
  if (!output_.Open(rate, channels, &SdlMediaDevice::Render, this, error)) {
    return DeviceStatus::NoAudioOutput("音声を出力できません．\n" + error);
  }
  // The output starts paused, so nothing below races with the callback.
  if (midi) {
    if (midiSynth_ == nullptr || midiSynth_->SampleRate() != output_.SampleRate()) {
      midiSynth_.reset();
      midiSynth_ = MidiSynth::Create(output_.SampleRate(), error);
      if (midiSynth_ == nullptr) {
        output_.Close();
        return DeviceStatus::NoAudioOutput("MIDI の音色 (SoundFont) を読み込めません．\n" + error);
      }
    }
    source_ = std::make_unique<MidiFileSource>(*midiSynth_, midiBytes_);
  }
  converter_ =
      std::make_unique<OutputConverter>(*source_, output_.SampleRate(), output_.Channels());
  return DeviceStatus::Ok();
}

void SdlMediaDevice::Render(void* self, float* out, int frames) {
  auto* device = static_cast<SdlMediaDevice*>(self);
  if (device->converter_ != nullptr) {
    device->converter_->Render(out, frames);
  } else {
    std::fill(out, out + static_cast<std::ptrdiff_t>(frames) * device->output_.Channels(), 0.0f);
  }
}

PlaybackTime SdlMediaDevice::Time() {
  if (!open_) return {};
  PlaybackTime time;
  time.total = totalMs_;
  OutputLock lock(output_);
  if (converter_ != nullptr && output_.SampleRate() > 0) {
    // The sound handed to the output; what the output still holds is a few milliseconds.
    time.elapsed = converter_->FramesRendered() * 1000 / output_.SampleRate();
    time.ended = type_ == DeviceType::kWaveformAudio ? converter_->Finished()
                                                     : time.elapsed >= totalMs_ + kMidiReleaseMs;
  }
  return time;
}

SdlMediaDevice::Progress SdlMediaDevice::GetProgress() {
  OutputLock lock(output_);
  Progress progress;
  if (auto* wave = dynamic_cast<WaveFileSource*>(source_.get())) {
    progress.sourceFrames = wave->Position();
  } else if (auto* midi = dynamic_cast<MidiFileSource*>(source_.get())) {
    progress.sourceFrames = midi->Position();
    progress.midiTick = midi->Tick();
  }
  if (converter_ != nullptr) {
    progress.outputFrames = converter_->FramesRendered();
    progress.finished = type_ == DeviceType::kWaveformAudio && converter_->Finished();
  }
  progress.outputRate = output_.SampleRate();
  progress.outputChannels = output_.Channels();
  return progress;
}

}  // namespace tonvale
