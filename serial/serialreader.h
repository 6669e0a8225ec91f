// The banknote serial-number reader. Up to nine passes binarise a fresh copy
// of the note at thresholds fanning out around the Otsu value, locate the two
// printed serial zones from the layout of character-sized blobs, read each
// zone with the OCR engine (capital letters, then digits) and, for Lebanese
// pounds, the Code 39 barcode; readings that pass the currency's checks become
// candidates, and a per-position vote over all candidates gives the serial.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "image/dibunit.h"

// Reads the serial of `raster` for "USD", "EUR", "LBP" or "AUTO" (any case).
// `serial` is empty when none is found; `confidence` is a percentage rounded
// to two decimals. The raster is not changed.
void ReadSerialNumber(const TDIB& raster, const std::string& currency, std::string& serial,
                      double& confidence);

// The pieces of a request, exposed for testing.
namespace serial_detail {

struct TSerialCandidate {
  std::string Text;
  int32_t Weight = 0;  // Round(confidence * 100)
};

// "USD", "EUR" or "LBP" from the note's size in millimetres.
std::string DetectCurrency(double widthMm, double heightMm);
// Joins the letter and digit readings of one zone by the currency's layout;
// empty unless both are longer than 8 characters.
std::string SpliceZone(std::string_view letters, std::string_view digits,
                       std::string_view currency);
// Lets each value fill the other's unreadable "~" positions.
void CrossFill(std::string& left, std::string& right);
// The euro check value (a single digit; 0 for an empty string).
int32_t EuroCheckValue(std::string_view s);
// Applies the currency's acceptance rule to one pass's values; appends the
// accepted candidates and sets serial and confidence for each acceptance.
void AcceptValues(std::string_view currency, const std::string& left, const std::string& right,
                  std::vector<TSerialCandidate>& candidates, std::string& serial,
                  double& confidence);
// The per-position vote over all candidates after `passes` passes.
void VoteCandidates(const std::vector<TSerialCandidate>& candidates, int32_t passes,
                    std::string& serial, double& confidence);

}  // namespace serial_detail
