#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tonvale {

// Checks that `bytes` hold a Standard MIDI File that the sequencer can play: the header
// chunk with format 0, 1 or 2 and a tick-based time division, then as many track chunks as
// the header announces (other chunks are skipped), each a run of well-formed events that
// ends with the end-of-track event inside the chunk. Returns the empty text when it does,
// otherwise the reason in one sentence for the user.
std::string CheckMidiFile(std::string_view bytes);

// How long a file that passes CheckMidiFile lasts, in milliseconds: up to the last end-of-track
// event of its tracks, through the tempo changes of any track (120 beats per minute before the
// first). 0 for a file that does not pass.
int64_t MidiFileMilliseconds(std::string_view bytes);

}  // namespace tonvale
