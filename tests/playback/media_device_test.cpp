#include "playback/sdl_media_device.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <vector>

#include "app/session.h"
#include "playback/playback_test_files.h"
#include "recognition/midi_writer.h"
#include "support/temp_dir.h"
#include "support/waiting.h"
#include "wavegen/wave_writer.h"

namespace tonvale {
namespace {

using testing::WaitUntil;

// A signal that is never zero, so that the silence the output writes while nothing plays
// marks exactly where the file's sound starts, stops and ends: a DC offset under a tone,
// different on each channel.
double Signal(int channel, double t) {
  const double sign = channel % 2 == 0 ? 1.0 : -1.0;
  return sign * 0.3 + 0.2 * std::sin(2.0 * std::numbers::pi * (440.0 + 220.0 * channel) * t);
}

// Writes `frames` of Signal with libsndfile in the given encoding, of a WAVE file unless the
// format names its container.
void WriteSignal(const std::string& path, int format, int rate, int channels, int frames) {
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = channels;
  info.format = (format & SF_FORMAT_TYPEMASK) != 0 ? format : SF_FORMAT_WAV | format;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
  std::vector<float> samples(static_cast<size_t>(frames) * channels);
  for (int i = 0; i < frames; ++i) {
    for (int c = 0; c < channels; ++c) samples[i * channels + c] = Signal(c, double(i) / rate);
  }
  sf_writef_float(file, samples.data(), frames);
  sf_close(file);
}

// The samples of a file as libsndfile decodes them.
std::vector<float> Decode(const std::string& path) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  EXPECT_NE(file, nullptr) << path;
  if (file == nullptr) return {};
  std::vector<float> samples(static_cast<size_t>(info.frames) * info.channels);
  sf_readf_float(file, samples.data(), info.frames);
  sf_close(file);
  return samples;
}

// The frames in which some channel is not silent, and how many separate runs they form.
struct Sounding {
  std::vector<float> samples;
  int runs = 0;
};

Sounding FindSound(const std::vector<float>& heard, int channels) {
  Sounding sound;
  bool inRun = false;
  for (size_t f = 0; f + channels <= heard.size(); f += channels) {
    bool any = false;
    for (int c = 0; c < channels; ++c) any = any || heard[f + c] != 0.0f;
    if (any) {
      sound.samples.insert(sound.samples.end(), heard.begin() + f, heard.begin() + f + channels);
      if (!inRun) ++sound.runs;
    }
    inRun = any;
  }
  return sound;
}

double Rms(const std::vector<float>& samples, size_t begin, size_t end) {
  double sum = 0.0;
  for (size_t i = begin; i < end; ++i) sum += samples[i] * samples[i];
  return std::sqrt(sum / static_cast<double>(end - begin));
}

class MediaDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The disk driver writes what would be heard into a file, in real time unless told
    // otherwise; 5 ms per buffer of 1024 frames plays about five times faster.
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", heardPath_.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "5", 1);
  }

  // What the output received; read once the device has closed its output.
  std::vector<float> Heard() {
    const std::string bytes = testing::ReadFile(heardPath_);
    std::vector<float> samples(bytes.size() / sizeof(float));
    std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(float));
    return samples;
  }

  static bool Finished(SdlMediaDevice& device) {
    return WaitUntil([&] { return device.GetProgress().finished; });
  }

  // Waits until the output has written `frames` more frames (silence while stopped): time for
  // the player to move if it wrongly did, measured in what the output did, not in seconds.
  bool OutputWentOn(SdlMediaDevice& device, int frames = 4096) {
    const int64_t frameBytes = int64_t{device.GetProgress().outputChannels} * sizeof(float);
    return testing::WaitForGrowth(heardPath_, frames * frameBytes);
  }

  // Stops the device and returns where it stands once the output has settled: a block that
  // the output started just before the stop may still be rendered after Stop() returns.
  SdlMediaDevice::Progress StopAndSettle(SdlMediaDevice& device) {
    EXPECT_TRUE(device.Stop().ok());
    EXPECT_TRUE(OutputWentOn(device, 2048));
    return device.GetProgress();
  }

  testing::TempDir dir_;
  std::string heardPath_ = dir_.File("heard.f32");
};

TEST_F(MediaDeviceTest, PlaysEveryEncodingSampleForSample) {
  const struct {
    const char* name;
    int format;
    int channels;
  } encodings[] = {
      {"8-bit.wav", SF_FORMAT_PCM_U8, 1},
      {"16-bit.wav", SF_FORMAT_PCM_16, 2},
      {"24-bit.wav", SF_FORMAT_PCM_24, 2},
      {"32-bit float.wav", SF_FORMAT_FLOAT, 2},
      {"mu-law.wav", SF_FORMAT_ULAW, 2},
      {"song.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_24, 2},
      {"song.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 2},
      {"song.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 2},
      {"song.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 2},
  };
  for (const auto& encoding : encodings) {
    SCOPED_TRACE(encoding.name);
    const std::string path = dir_.File(encoding.name);
    WriteSignal(path, encoding.format, 44100, encoding.channels, 8820);
    SdlMediaDevice device;
    ASSERT_TRUE(device.Open(DeviceType::kWaveformAudio, path).ok());
    ASSERT_TRUE(device.PlayFromStart().ok());
    ASSERT_TRUE(Finished(device));
    EXPECT_EQ(device.GetProgress().outputRate, 44100);
    EXPECT_EQ(device.GetProgress().outputChannels, encoding.channels);
    ASSERT_TRUE(device.Close().ok());

    const Sounding sound = FindSound(Heard(), encoding.channels);
    EXPECT_EQ(sound.runs, 1);
    EXPECT_EQ(sound.samples, Decode(path));
  }
}

TEST_F(MediaDeviceTest, ConvertsToTheRateAndChannelsOfTheOutput) {
  // The wave generator's own 16-bit mono file at 22050 Hz, on a 48 kHz stereo output.
  const int frames = 11025;
  std::vector<double> signal(frames);
  for (int i = 0; i < frames; ++i) signal[i] = Signal(0, i / 22050.0);
  const std::string path = dir_.File("low.wav");
  testing::WriteFile(path, wavegen::EncodeWave({signal}, {.sampleRate = 22050, .channels = 1}));

  SdlMediaDevice device({.outputRate = 48000, .outputChannels = 2});
  ASSERT_TRUE(device.Open(DeviceType::kWaveformAudio, path).ok());
  ASSERT_TRUE(device.PlayFromStart().ok());
  ASSERT_TRUE(Finished(device));
  EXPECT_EQ(device.GetProgress().outputRate, 48000);
  ASSERT_TRUE(device.Close().ok());

  const Sounding sound = FindSound(Heard(), 2);
  EXPECT_EQ(sound.runs, 1);
  ASSERT_EQ(sound.samples.size(), 2u * 24000);  // 0.5 s at 48 kHz
  double worst = 0.0;
  for (size_t j = 0; j < 24000; ++j) {
    ASSERT_EQ(sound.samples[2 * j], sound.samples[2 * j + 1]);
    if (j >= 100 && j < 23900) {
      worst = std::max(worst, std::abs(sound.samples[2 * j] - Signal(0, j / 48000.0)));
    }
  }
  EXPECT_LT(worst, 1e-3);  // 16-bit rounding and the resampler's ripple
}

TEST_F(MediaDeviceTest, StopKeepsThePositionAndResumeContinuesFromIt) {
  const std::string path = dir_.File("song.wav");
  const int frames = 88200;
  WriteSignal(path, SF_FORMAT_PCM_16, 44100, 2, frames);
  SdlMediaDevice device;
  ASSERT_TRUE(device.Open(DeviceType::kWaveformAudio, path).ok());
  ASSERT_TRUE(device.PlayFromStart().ok());
  ASSERT_TRUE(WaitUntil([&] { return device.GetProgress().outputFrames >= 2048; }));
  const std::int64_t stoppedAt = StopAndSettle(device).outputFrames;
  ASSERT_TRUE(OutputWentOn(device));
  EXPECT_EQ(device.GetProgress().outputFrames, stoppedAt);
  ASSERT_TRUE(device.Resume().ok());
  ASSERT_TRUE(Finished(device));
  ASSERT_TRUE(device.Close().ok());

  // Silence while stopped, then the rest of the file: nothing lost, nothing repeated. A machine
  // so slow that the whole file had played before the stop hears it in one piece.
  const Sounding sound = FindSound(Heard(), 2);
  EXPECT_EQ(sound.runs, stoppedAt < frames ? 2 : 1);
  EXPECT_EQ(sound.samples, Decode(path));
}

TEST_F(MediaDeviceTest, TellsTheTimePlayedAndTheEndInTheSoundRendered) {
  // Half a second of WAVE: the time is the frames handed to the output, the end their last.
  const std::string wave = dir_.File("song.wav");
  WriteSignal(wave, SF_FORMAT_PCM_16, 44100, 2, 22050);
  SdlMediaDevice device;
  ASSERT_TRUE(device.Open(DeviceType::kWaveformAudio, wave).ok());
  EXPECT_EQ(device.Time(), (PlaybackTime{0, 500, false}));
  ASSERT_TRUE(device.PlayFromStart().ok());
  ASSERT_TRUE(Finished(device));
  EXPECT_EQ(device.Time(), (PlaybackTime{500, 500, true}));
  ASSERT_TRUE(device.Close().ok());
  EXPECT_EQ(device.Time(), PlaybackTime{});

  // A quarter of a second of MIDI ends once a second of release has followed its last event.
  const std::string midi = dir_.File("song.wav.mid");
  testing::WriteFile(midi, testing::MakeMidiFile({{60, 0, 240}}));
  ASSERT_TRUE(device.Open(DeviceType::kSequencer, midi).ok());
  EXPECT_EQ(device.Time(), (PlaybackTime{0, 250, false}));
  ASSERT_TRUE(device.PlayFromStart().ok());
  ASSERT_TRUE(WaitUntil([&] { return device.Time().ended; }));
  EXPECT_GE(device.Time().elapsed, 1250);
  EXPECT_EQ(device.Time().total, 250);
  ASSERT_TRUE(device.Close().ok());
}

TEST_F(MediaDeviceTest, PlayAfterAStopStartsAgainFromTheBeginning) {
  const std::string path = dir_.File("song.wav");
  WriteSignal(path, SF_FORMAT_PCM_16, 44100, 2, 22050);
  const std::vector<float> file = Decode(path);
  SdlMediaDevice device;
  ASSERT_TRUE(device.Open(DeviceType::kWaveformAudio, path).ok());
  ASSERT_TRUE(device.PlayFromStart().ok());
  ASSERT_TRUE(WaitUntil([&] { return device.GetProgress().outputFrames >= 2048; }));
  const std::int64_t stoppedAt = StopAndSettle(device).outputFrames;  // the window's "pause"
  ASSERT_TRUE(device.PlayFromStart().ok());
  ASSERT_TRUE(Finished(device));
  ASSERT_TRUE(device.Close().ok());

  std::vector<float> expected(file.begin(), file.begin() + 2 * stoppedAt);
  expected.insert(expected.end(), file.begin(), file.end());
  EXPECT_EQ(FindSound(Heard(), 2).samples, expected);
}

TEST_F(MediaDeviceTest, PlaysAMidiFileAsTheSamplesAreRendered) {
  // Middle C for a quarter of a second.
  const std::string path = dir_.File("song.wav.mid");
  testing::WriteFile(path, testing::MakeMidiFile({{60, 0, 240}}));
  SdlMediaDevice device;
  ASSERT_TRUE(device.Open(DeviceType::kSequencer, path).ok());
  ASSERT_TRUE(device.PlayFromStart().ok());
  ASSERT_TRUE(WaitUntil([&] { return device.GetProgress().outputFrames >= 44100; }));
  ASSERT_TRUE(device.Close().ok());

  // The output runs several times faster than real time, yet the note lasts a quarter of a
  // second of sound: the player's clock is the samples rendered, not the wall clock.
  const std::vector<float> heard = FindSound(Heard(), 2).samples;
  ASSERT_GE(heard.size(), 2u * 44100);
  const double during = Rms(heard, 2 * 2205, 2 * 8820);   // 0.05 .. 0.2 s
  const double after = Rms(heard, 2 * 22050, 2 * 30870);  // 0.5 .. 0.7 s
  EXPECT_GT(during, 3e-3);
  EXPECT_LT(after, during / 10);
}

TEST_F(MediaDeviceTest, PlaysTheMidiFileThatTheFourthProcessWrites) {
  // A note script as the third process writes it: A for 400 ms on a piano.
  const std::string script = dir_.File("song.wav.txt");
  const std::string midi = dir_.File("song.wav.mid");
  testing::WriteFile(script,
                     "tracks 2\r\n\r\ntrack{\r\n0   tempo 120\r\n0   rhythm 4 / 4\r\n}\r\n\r\n"
                     "track{\r\n0   tone 1\r\n0   a-4 98\r\n400   a-4 0\r\n}\r\n");
  Session session(dir_.path());
  ASSERT_EQ(ConvertTxt2Mid(session, script, midi), 0);

  SdlMediaDevice device;
  ASSERT_TRUE(device.Open(DeviceType::kSequencer, midi).ok());
  ASSERT_TRUE(device.PlayFromStart().ok());
  ASSERT_TRUE(WaitUntil([&] { return device.GetProgress().outputFrames >= 44100; }));
  ASSERT_TRUE(device.Close().ok());

  const std::vector<float> heard = FindSound(Heard(), 2).samples;
  ASSERT_GE(heard.size(), 2u * 44100);
  const double during = Rms(heard, 2 * 2205, 2 * 13230);  // 0.05 .. 0.3 s
  const double after = Rms(heard, 2 * 35280, 2 * 44100);  // 0.8 .. 1.0 s
  EXPECT_GT(during, 3e-3);
  EXPECT_LT(after, during / 10);
}

TEST_F(MediaDeviceTest, StoppingAMidiFileKeepsThePlayersPositionAndSilencesTheNotes) {
  // An organ holds its level for as long as the key is down: twenty seconds here, far longer
  // than the test plays however slow the machine.
  const std::string path = dir_.File("organ.mid");
  testing::WriteFile(path, testing::MakeMidiFile({{60, 0, 19200}}, 19));
  SdlMediaDevice device;
  ASSERT_TRUE(device.Open(DeviceType::kSequencer, path).ok());
  ASSERT_TRUE(device.PlayFromStart().ok());
  ASSERT_TRUE(WaitUntil([&] { return device.GetProgress().outputFrames >= 4096; }));
  const SdlMediaDevice::Progress stopped = StopAndSettle(device);
  EXPECT_GT(stopped.midiTick, 0);
  ASSERT_TRUE(OutputWentOn(device));
  EXPECT_EQ(device.GetProgress().midiTick, stopped.midiTick);

  ASSERT_TRUE(device.Resume().ok());
  ASSERT_TRUE(
      WaitUntil([&] { return device.GetProgress().outputFrames >= stopped.outputFrames + 8192; }));
  const SdlMediaDevice::Progress resumed = StopAndSettle(device);
  // 960 ticks a second, counted in the sound rendered since the stop.
  const double expectedTicks =
      stopped.midiTick + (resumed.outputFrames - stopped.outputFrames) * 960.0 / 44100;
  EXPECT_NEAR(resumed.midiTick, expectedTicks, 10.0);
  ASSERT_TRUE(device.Close().ok());

  // In the sound rendered, without the silence of the stop: the note as the stop cut it, then
  // only the reverberation dying away (about a sixth of the note's level at its start), never
  // the held note itself.
  const std::vector<float> sound = FindSound(Heard(), 2).samples;
  const size_t cut = 2 * static_cast<size_t>(stopped.outputFrames);
  ASSERT_GE(sound.size(), cut + 2 * 6144);
  const double held = Rms(sound, cut - 2 * 2048, cut);
  const double after = Rms(sound, cut, cut + 2 * 6144);
  EXPECT_GT(held, 3e-3);
  EXPECT_LT(after, held / 3);
}

TEST_F(MediaDeviceTest, RefusesFilesItCannotPlayWithAReason) {
  const std::string wave = dir_.File("song.wav");
  WriteSignal(wave, SF_FORMAT_PCM_16, 44100, 1, 441);
  const std::string midi = dir_.File("song.wav.mid");
  testing::WriteFile(midi, testing::MakeMidiFile({{60, 0, 240}}));
  const std::string corruptWave = dir_.File("corrupt.wav");
  testing::WriteFile(corruptWave, std::string("RIFF\x10\0\0\0WAVEfmt \x02\0\0\0\x01\0", 22));
  const std::string corruptMidi = dir_.File("corrupt.mid");
  const std::string good = testing::MakeMidiFile({{60, 0, 240}});
  testing::WriteFile(corruptMidi, good.substr(0, good.size() - 6));

  const struct {
    const char* name;
    DeviceType type;
    std::string path;
  } cases[] = {
      {"a MIDI file as waveform audio", DeviceType::kWaveformAudio, midi},
      {"a WAVE file as a sequencer", DeviceType::kSequencer, wave},
      {"a corrupt WAVE file", DeviceType::kWaveformAudio, corruptWave},
      {"a corrupt MIDI file", DeviceType::kSequencer, corruptMidi},
      {"a missing file", DeviceType::kWaveformAudio, dir_.File("missing.wav")},
      {"a folder", DeviceType::kSequencer, dir_.path()},
  };
  for (const auto& c : cases) {
    SdlMediaDevice device;
    const DeviceStatus status = device.Open(c.type, c.path);
    EXPECT_EQ(status.code, DeviceStatus::Code::kFailed) << c.name;
    EXPECT_NE(status.error.find(c.path), std::string::npos) << c.name << ": " << status.error;
    // Nothing is open afterwards: stopping fails, as the first process expects.
    EXPECT_FALSE(device.Stop().ok()) << c.name;
  }
  SdlMediaDevice device;
  EXPECT_TRUE(device.Open(DeviceType::kWaveformAudio, wave).ok());
  EXPECT_TRUE(device.Open(DeviceType::kSequencer, midi).ok());
  EXPECT_FALSE(device.Open(DeviceType::kSequencer, "").ok());
}

TEST_F(MediaDeviceTest, EveryOperationButOpenFailsWithoutAFile) {
  SdlMediaDevice device;
  EXPECT_FALSE(device.Stop().ok());
  EXPECT_FALSE(device.PlayFromStart().ok());
  EXPECT_FALSE(device.Resume().ok());
  EXPECT_FALSE(device.Close().ok());

  const std::string path = dir_.File("song.wav");
  WriteSignal(path, SF_FORMAT_PCM_16, 44100, 1, 441);
  ASSERT_TRUE(device.Open(DeviceType::kWaveformAudio, path).ok());
  EXPECT_TRUE(device.Stop().ok());  // open, never played
  EXPECT_TRUE(device.Close().ok());
  EXPECT_FALSE(device.Stop().ok());
}

TEST_F(MediaDeviceTest, AMachineWithoutSoundOutputReportsItAtPlayAndKeepsTheFile) {
  const std::string path = dir_.File("song.wav");
  WriteSignal(path, SF_FORMAT_PCM_16, 44100, 1, 441);
  const std::string midi = dir_.File("song.wav.mid");
  testing::WriteFile(midi, testing::MakeMidiFile({{60, 0, 240}}));

  const struct {
    const char* name;
    const char* driver;
    std::string file;
  } machines[] = {
      {"no such driver", "none-such", heardPath_},
      {"a device that cannot open", "disk", dir_.File("missing/heard.f32")},
  };
  for (const auto& machine : machines) {
    SCOPED_TRACE(machine.name);
    setenv("SDL_AUDIODRIVER", machine.driver, 1);
    setenv("SDL_DISKAUDIOFILE", machine.file.c_str(), 1);
    for (DeviceType type : {DeviceType::kWaveformAudio, DeviceType::kSequencer}) {
      SdlMediaDevice device;
      ASSERT_TRUE(device.Open(type, type == DeviceType::kSequencer ? midi : path).ok());
      const DeviceStatus play = device.PlayFromStart();
      EXPECT_EQ(play.code, DeviceStatus::Code::kNoAudioOutput);
      EXPECT_FALSE(play.error.empty());
      EXPECT_EQ(device.Resume().code, DeviceStatus::Code::kNoAudioOutput);
      // The file stays open: the first process can stop the device and analyse it.
      EXPECT_TRUE(device.Stop().ok());
      EXPECT_TRUE(device.Close().ok());
    }
  }
}

}  // namespace
}  // namespace tonvale
