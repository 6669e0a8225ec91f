// An independent glyph classifier for serial characters: it judges a glyph
// by its pixels alone (its ink box resampled to a grid, see glyphfeatures.h)
// with a model trained on rendered fonts, and so fails differently from the
// OCR engine's structural recognisers. The model is compiled into the
// library; `make glyphmodel` trains it again (training/).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "image/dibunit.h"

// The characters the classifier tells apart: every character of a serial.
inline constexpr std::string_view kGlyphAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789*";
inline constexpr std::size_t kGlyphClassCount = kGlyphAlphabet.size();

// Per character of kGlyphAlphabet, the probability that the glyph is it.
using TGlyphProbabilities = std::array<float, kGlyphClassCount>;

// The classifier's reading of a glyph among some characters.
struct TGlyphReading {
  char Best = 0;          // 0 when none of the characters was asked for
  float Probability = 0;  // of Best, among the characters asked for
  float RunnerUp = 0;     // of the next most likely of them
};

struct TGlyphJudgement {
  TGlyphProbabilities Probabilities{};
  // The most likely of `among` (characters of kGlyphAlphabet), with the
  // probabilities renormalised over `among`: a digit position asks only
  // about digits.
  TGlyphReading Among(std::string_view among) const;
};

// Judges the ink in `box` (inclusive) of an 8-bit raster whose ink is below
// `threshold`, with the model compiled into the library.
TGlyphJudgement JudgeGlyph(const TDIB& raster, std::uint8_t threshold, const TRect& box);
