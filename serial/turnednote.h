// A pound note scanned turned away from upright (a quarter or half way, or
// tilted): its Code 39 barcode of the serial, read at any orientation, tells
// how the note lies, and the verified reading reads the note turned upright.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "image/dibunit.h"
#include "serial/verifiedreader.h"

namespace serial_detail {

using TVerifiedRead =
    std::function<TVerifiedSerial(const TDIB& raster, const std::string& currency)>;

// For "LBP" or "AUTO": when the note holds a pound serial's barcode turned
// away from upright, `read` on the note turned upright, with its zones in the
// note's own coordinates; nothing otherwise.
std::optional<TVerifiedSerial> ReadTurnedPoundNote(const TDIB& raster, const std::string& currency,
                                                   const TVerifiedRead& read);

}  // namespace serial_detail
