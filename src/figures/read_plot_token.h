#pragma once

#include <string>

#include "app/input_stream.h"

namespace tonvale {

// The longest piece of a token that one read returns; a longer run of non-space bytes comes
// back in successive pieces.
inline constexpr size_t kMaxPlotTokenBytes = 255;

// Reads the next token of a figure file: white space is skipped, then up to 255 bytes that
// are not white space are copied into `token`, and the byte after them is left unread.
// Returns 1 when the input ends before a token starts (`token` is then left as it was),
// otherwise 0.
int ReadPlotToken(InputStream& in, std::string& token);

}  // namespace tonvale
