#pragma once

#include <string>
#include <vector>

namespace tonvale::cli {

// The files that the operands name: a file as it is given (whether or not it exists, so that
// the conversion says what is wrong with it), a folder as the files below it, at any depth,
// whose names are those of recordings (IsRecordingName), in the order of their paths. Folders that cannot be read
// add an error text each to `errors`.
std::vector<std::string> ExpandRecordings(const std::vector<std::string>& operands,
                                          std::vector<std::string>& errors);

// True when the MIDI file that a conversion of `recording` writes exists and was changed after
// the recording.
bool MidiFileIsNewer(const std::string& recording);

}  // namespace tonvale::cli
