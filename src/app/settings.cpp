#include "app/settings.h"

namespace tonvale {

Settings DefaultSettings() {
  Settings s;
  s.FrameRate = 10;
  s.FrameLength = 512;
  s.VirtualLength = 4096;
  s.Window = "ハミング窓";
  s.Tempo = 120;
  s.ShortestNote = 64;
  s.Rhythm = "4 / 4";
  s.Tone = 1;
  s.ProposedMethod1 = kSwitchOn;
  s.ProposedMethod2 = kSwitchOn;
  s.ShortestPeakMs = 30;
  s.WeakPowerCutDb = 10;
  s.AdjacentShift = kAutomaticShift;
  return s;
}

}  // namespace tonvale
