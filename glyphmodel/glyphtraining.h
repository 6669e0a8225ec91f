// Fitting the glyph classifier's model to labelled glyph features:
// mini-batch stochastic gradient descent with momentum on the cross-entropy
// of the softmax, weight decay, and a learning rate that falls linearly to 0.
// Everything random (initial weights, sample order) comes from one seeded
// generator and the arithmetic runs in one fixed order, so the same samples,
// settings and seed give the same model, byte for byte.
#pragma once

#include <cstdint>
#include <vector>

#include "glyphmodel/glyphfeatures.h"
#include "glyphmodel/glyphmodel.h"

struct TGlyphSample {
  TGlyphFeatures Features{};
  std::uint8_t Class = 0;  // index into kGlyphAlphabet
};

struct TGlyphTraining {
  int32_t Hidden = 128;  // 0: a linear model
  int32_t Epochs = 20;
  int32_t Batch = 64;
  float LearningRate = 0.05f;
  float Momentum = 0.9f;
  float WeightDecay = 1e-4f;
  std::uint64_t Seed = 1;
};

TGlyphModel TrainGlyphModel(const std::vector<TGlyphSample>& samples,
                            const TGlyphTraining& settings);

// The generator behind the training's random choices (splitmix64): the same
// on every platform, unlike the standard library's distributions.
class TTrainingRandom {
 public:
  explicit TTrainingRandom(std::uint64_t seed) : state_(seed) {}
  std::uint64_t Next();
  double Uniform();  // [0, 1)
  double Normal();   // mean 0, deviation 1
  std::uint64_t Below(std::uint64_t n) { return Next() % n; }

 private:
  std::uint64_t state_;
};
