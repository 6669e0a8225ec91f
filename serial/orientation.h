// Which way up a note is likelier to be, from the digits of one of its
// serial lines: the OCR engine reads them upright with high confidence and
// turned half round with less (a turned 7 or 4 is no digit). Reading one
// line twice costs a fraction of reading the note the wrong way up.
#pragma once

#include "image/dibunit.h"
#include "serial/overview.h"
#include "serial/serialline.h"

namespace serial_detail {

struct TOrientationVote {
  // Mean confidence (percent) of the line's digits read as they lie and
  // turned half round; an unread digit counts 0. Turned is -1 when it was
  // not read.
  double Upright = 0, Turned = -1;

  bool ReadTurned() const { return Turned > Upright; }
  // Whether both ways were read and one clearly reads better: enough not to
  // read the note the other way when this way gives no valid serial.
  bool Decisive() const;
};

// The vote of `line` (found on `overview`, an overview of `note`). Unless
// `bothWays`, the line is not read turned when it reads surely as it lies.
TOrientationVote VoteOrientation(const TDIB& note, const TOverview& overview,
                                 const TSerialLine& line, bool bothWays);

}  // namespace serial_detail
