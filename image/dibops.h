// Free-standing operations of the image model that work on histograms and
// column profiles rather than on a raster: the automatic threshold choosers
// and the profile helpers the barcode reader uses. The raster operations
// themselves are members of TDIB (dibunit.h).
#pragma once

#include <cstdint>

#include "image/dibunit.h"

// Otsu's threshold: the level that best separates the histogram into a dark
// class (values <= result) and a bright class. 127 for an empty or
// single-valued histogram; among equal separations the lowest level wins.
int32_t OtsuThreshold(const THistogram& histogram);
// Rounded mean level, or -1 for an empty histogram.
int32_t MeanThreshold(const THistogram& histogram);
// Midpoint of the two class means, iterated until it settles (127 when empty).
int32_t IterativeThreshold(const THistogram& histogram);
// Trunc(mean + k x standard deviation); 0 for an empty histogram.
int32_t MeanSigmaThreshold(const THistogram& histogram, double k);

// Releases a profile's storage.
void FreeProfile(TProfile& profile);
// For the first n entries: p(i) := above when p(i) > threshold, else atOrBelow.
void ThresholdProfile(TProfile& profile, int32_t n, int32_t threshold, int32_t atOrBelow,
                      int32_t above);
// Maximal runs of equal values among the first n entries, left to right: one
// entry per run, its length, negated when the run's value is 0.
TProfile ProfileRuns(const TProfile& profile, int32_t n);
