#pragma once

namespace tonvale {

// How processes 1 to 3 turn a recording into notes. Process 4 and every file format are the
// same for both.
enum class TranscriptionMethod {
  // Peaks of every frame, lumps by least-cost linking, one note per lump: the analysis the
  // settings file describes, unchanged.
  kFaithful,
  // Finer frames placed at their labels, harmonic grouping of the peaks into fundamentals,
  // notes split at onsets and kept by their level against the piece's.
  kRefined,
};

}  // namespace tonvale
