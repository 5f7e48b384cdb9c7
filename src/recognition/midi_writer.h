#pragma once

#include <string>

#include "app/session.h"

namespace tonvale {

// Process 4: compiles the note script `txt_name` into the Standard MIDI File `mid_name` (both
// full paths). The MIDI file appears whole or not at all: a failed conversion leaves the
// previous one as it was. 0 on success; 1 after an "err: " line.
int ConvertTxt2Mid(Session& session, const std::string& txt_name, const std::string& mid_name);

}  // namespace tonvale
