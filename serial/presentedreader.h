// The verified reading of a note as a scanner presents it: upside down,
// skewed, lying on a scanner bed larger than the note, at low resolution.
// The note is found in the picture, cut out level and the right way up (and
// enlarged when its resolution is low), and the verified reading reads that;
// a picture that is the note already, upright and level, is read as it is.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "image/dibunit.h"
#include "serial/verifiedreader.h"

// Where the note lay in the picture and how it was turned to be read.
struct TNotePlacement {
  TRect Box;  // the note's bounding box in the picture
  // How the note lay: turned clockwise by Orientation (0, 90, 180 or 270)
  // and Skew degrees (within 45), which the reading turned back. A note
  // whose print lies within 0.8 degrees of level is read as it lies, with
  // no skew.
  double Skew = 0;
  int32_t Orientation = 0;
};

struct TPresentedSerial {
  // The verified reading of the note; its zone boxes are in the picture.
  TVerifiedSerial Reading;
  // None when the picture shows no note: blank, a bare scanner bed, or
  // nothing near the size of a note on the bed. Nothing is read then.
  std::optional<TNotePlacement> Note;
};

// Reads the note in `picture` for "USD", "EUR", "LBP" or "AUTO" (any case);
// the picture is not changed.
TPresentedSerial ReadPresentedSerial(const TDIB& picture, const std::string& currency);
