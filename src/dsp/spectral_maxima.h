#pragma once

namespace tonvale {

// The first sieve of a search for the local maxima of a power spectrum: the bins k in 1 .. last
// whose power is not below `floor` and not below `margin` times either neighbour's power where
// that power is above `tiny`. Every other bin is surely no maximum, so the caller decides only
// on the bins written to `out` (in increasing order; room for `last` of them). The same
// comparisons as a bin-by-bin test, four bins at a time. `power` is read from index 0 up to
// last + 4: the caller pads it.
// Returns the number of bins written.
int CandidateMaxima(const double* power, int last, double floor, double margin, double tiny,
                    int* out);

}  // namespace tonvale
