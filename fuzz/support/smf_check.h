#pragma once

#include <string>
#include <string_view>

namespace tonvale::fuzz {

// A strict reading of a Standard MIDI File. Returns an empty text when the file is valid, or
// what is wrong with it first:
// - an "MThd" chunk of length 6 first, format 0, 1 or 2 (format 0 with one track), a non-zero
//   division, then exactly the announced number of "MTrk" chunks and nothing after them;
// - every chunk length within the file;
// - in every track: a variable-length delta time of at most four bytes before each event;
//   channel messages with their one or two data bytes below 0x80 (running status after a
//   channel message only); system-exclusive events with a length inside the track; meta events
//   of a type below 0x80, with a length inside the track and the lengths the standard fixes
//   (sequence number 0 or 2, channel prefix 1, port 1, end of track 0, tempo 3, SMPTE offset
//   5, time signature 4, key signature 2); no other status byte;
// - an end-of-track event as the last event of every track, ending exactly at the chunk's end.
std::string CheckStandardMidiFile(std::string_view bytes);

}  // namespace tonvale::fuzz
