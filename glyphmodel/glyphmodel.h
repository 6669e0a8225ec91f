// The glyph classifier's model: a small multilayer perceptron (one hidden
// layer of rectified linear units, or none for a linear model) from the
// glyph features to the serial alphabet, and its file.
//
// The file, little-endian throughout:
//   8 bytes    "VZGLYPHM"
//   uint32     format version (1)
//   uint32     features per glyph (kGlyphFeatureCount)
//   uint32     hidden units H (0: linear)
//   uint32     classes C, then C bytes: the characters (kGlyphAlphabet)
//   float32    per feature: offset, then per feature: scale (inputs are
//              (feature - offset) * scale)
//   float32    H x features hidden weights (row per unit), H hidden biases
//   float32    C x (H, or features when H is 0) output weights, C biases
//   uint64     FNV-1a hash of every byte before it
// A file that is cut short, padded, or changed anywhere is refused.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "glyphmodel/glyphclassifier.h"
#include "glyphmodel/glyphfeatures.h"
#include "platform/exceptions.h"

class EGlyphModelError : public platform::Exception {
 public:
  using Exception::Exception;
};

inline constexpr int32_t kMaxHiddenUnits = 4096;

struct TGlyphModel {
  int32_t Hidden = 0;
  std::vector<float> InputOffset, InputScale;    // kGlyphFeatureCount each
  std::vector<float> HiddenWeights, HiddenBias;  // Hidden x features, Hidden
  std::vector<float> OutputWeights, OutputBias;  // classes x (Hidden or features), classes

  std::size_t OutputInputs() const { return Hidden > 0 ? Hidden : kGlyphFeatureCount; }
};

// The class probabilities (softmax) of one glyph.
TGlyphProbabilities Classify(const TGlyphModel& model, const TGlyphFeatures& features);
// The same, keeping what training needs from the way: `input` (kGlyphFeatureCount)
// receives the scaled features and `hidden` (model.Hidden) the hidden units'
// activations.
TGlyphProbabilities ForwardPass(const TGlyphModel& model, const TGlyphFeatures& features,
                                std::span<float> input, std::span<float> hidden);

std::vector<std::uint8_t> SerializeGlyphModel(const TGlyphModel& model);
// The hash a model file ends with, of the bytes before it.
std::uint64_t GlyphModelHash(std::span<const std::uint8_t> bytes);
// Reads a model file; throws EGlyphModelError saying what is wrong with it.
TGlyphModel ParseGlyphModel(std::span<const std::uint8_t> bytes);
