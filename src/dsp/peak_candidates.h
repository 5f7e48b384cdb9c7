#pragma once

namespace tonvale {

// The bins worth a closer look in a spectrum's search for local maxima, sieved out by power
// comparisons alone so that the rest of the search runs on a few bins instead of all of them.
// With power[k] = re[k] * re[k] + im[k] * im[k] (k = 0 .. last + 1), writes to `bins`, in
// increasing order, each k in 1 .. last for which none of these holds: power[k] < floor, or a
// neighbour's power q (k - 1 or k + 1) has q > tiny and power[k] < q * margin. Returns how many
// were written; `bins` needs room for `last` of them.
int CandidateBins(const double* re, const double* im, int last, double floor, double margin,
                  double tiny, int* bins);

}  // namespace tonvale
