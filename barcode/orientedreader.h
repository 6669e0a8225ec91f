// Barcodes at any orientation: upside down, vertical and tilted, on top of
// the reader's own sweep and decoders.
//
// The reader (barcodereader.h) sweeps bands of rows and reads a code only
// when its bars stand upright and it starts on the left. This reader sweeps
// the same bands, with the same settings, along other directions too: the
// rows read backwards (codes upside down), the columns both ways (codes
// turned a quarter either way), and, for codes tilted in between, lines
// slanted along every axis that fields of parallel bars show in the picture
// (bardirections.h). A run list read backwards is a code turned half way, so
// no sweep needs a turned copy of the picture. Readings of one code from
// every direction are merged into one code with its orientation and its
// rectangle in the picture's own coordinates.
//
// Each code also carries the evidence that it is a printed symbol rather
// than a chance reading of text or noise: whether its symbol fills the
// stretch between its quiet zones, and whether its bars stand tall enough to
// read the same on another line across them. ShownCodes keeps the codes a
// report can stand behind.
//
//   ZAzudivozUDA settings;                        // its published properties
//   for (const TOrientedCode& c : barcode::ShownCodes(
//            barcode::ReadOrientedBarcodes(settings, block, kEveryOrientation)))
//     use(c.Code.Text, c.Orientation, c.Code.Rect);
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "barcode/barcodereader.h"
#include "platform/memory.h"

// Directions in which codes are looked for: the four quarter turns (the
// reading direction turned clockwise by 0, 90, 180 or 270 degrees from left
// to right) and the tilts in between.
enum TCodeOrientation : std::uint8_t {
  co0 = 0,
  co90 = 1,
  co180 = 2,
  co270 = 3,
  coTilted = 4,
};
using TCodeOrientations = uint32_t;

constexpr TCodeOrientations OrientationBit(TCodeOrientation o) {
  return TCodeOrientations{1} << o;
}
inline constexpr TCodeOrientations kEveryOrientation = 0x1F;

// One code as this reader reports it.
struct TOrientedCode {
  // The reading; Rect is the code's bounding box in the picture (inclusive).
  TBarCodeResult Code;
  // Degrees, 0 to 359, by which the code's reading direction is turned
  // clockwise from left to right: 0 upright, 90 reading downwards, 180
  // upside down, 270 reading upwards; a tilted code gets the direction of
  // the line that read it.
  int32_t Orientation = 0;
  // The symbol took every bar between its quiet zones: none was left over
  // before its start or after its stop.
  bool Whole = false;
  // A line across the bars at some distance from the one that read it reads
  // the same code: the bars stand as tall as a printed symbol's.
  bool Tall = false;

  friend bool operator==(const TOrientedCode&, const TOrientedCode&) = default;
};

namespace barcode {

// Whether the sweeps count the dark pixels of a raster as it is: 1, 8 and
// 24 bits per pixel. Others are read as their 8-bit grey conversion.
bool HasInkProfiles(const TDIB& dib);

// Reads the packed-DIB block (the caller keeps it) in the given
// orientations with the published properties of `settings` (corrected as
// the reader corrects them; OnScanning is not called). Rasters of 4, 15 or
// 16 bits per pixel are read as their 8-bit grey conversion. A sweep stops
// early as the reader's does: once ExpectedCodes verified codes are held,
// over all orientations.
std::vector<TOrientedCode> ReadOrientedBarcodes(const ZAzudivozUDA& settings,
                                                platform::BlockHandle dib,
                                                TCodeOrientations orientations);

// Whether a code has the evidence its symbology needs to be reported: the
// 2- and 5-digit add-ons and the symbologies whose decoding checks little
// (trustedcodes.h) are read by chance in printed digits and noise, so they
// must be whole and tall; every code read away from upright must be tall.
bool HasEvidence(const TOrientedCode& code);

// The codes a report stands behind, in their order: those with evidence,
// less every code that another symbology's code over the same bars
// outranks (TrustedCodes), across all orientations.
std::vector<TOrientedCode> ShownCodes(std::span<const TOrientedCode> codes);

}  // namespace barcode
