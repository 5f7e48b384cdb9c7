#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "recognition/note_script_reader.h"

namespace tonvale {

// How a delay in milliseconds becomes ticks.
enum class DelayRounding {
  kEachDelay,  // each delay truncated on its own: the error of every delay adds up
  kCarried,    // the fractions carried on, so that every event lies within a tick of its time
};

// Compiles a note script into a format-1 Standard MIDI File at 480 ticks per quarter note, one
// track chunk per script track, every multi-byte field big-endian. Delays in milliseconds become
// ticks at the tempo last set (120 until a tempo event, in any track, changes it). Data bytes
// never exceed 127: velocities, programs and note numbers are clamped, the channel of track k
// is k mod 16. On kTrackError `midi` holds what was compiled before the error.
ScriptStatus CompileNoteScript(std::string_view script, std::string& midi,
                               DelayRounding rounding = DelayRounding::kEachDelay);

// A standard variable-length quantity: seven bits a byte, most significant first, the high bit
// set on every byte but the last. Values above 0x0FFFFFFF, the largest four bytes can hold,
// are written as that.
void AppendVariableLength(std::string& out, uint32_t value);

}  // namespace tonvale
