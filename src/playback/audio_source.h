#pragma once

namespace tonvale {

// A stream of interleaved float frames, nominally in -1 .. 1, at a fixed rate and channel
// count. The audio callback pulls it; every call happens under the output device's lock.
class AudioSource {
 public:
  virtual ~AudioSource() = default;

  virtual int SampleRate() const = 0;
  virtual int Channels() const = 0;

  // Fills up to `frames` frames into `out`; returns how many, fewer only at the end.
  virtual int Read(float* out, int frames) = 0;

  // Goes back to the first frame.
  virtual void Rewind() = 0;

  // Playback stops here for a while. A synthesiser silences the notes that sound.
  virtual void Halt() {}
};

}  // namespace tonvale
