// Serial lines drawn with FreeType the way a note scanner sees them: a font
// at a cap height, weight, condensing and slight rotation, spaced like a
// printed serial, then blurred, given paper and ink levels and sensor noise.
// The result is a grey zone crop like the ones the serial reader cuts from a
// note, with the box of every character in it.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "glyphmodel/glyphtraining.h"
#include "image/dibunit.h"

struct TLineLook {
  double CapHeight = 24;  // pixels
  double Condensing = 1;  // horizontal scale
  double Rotation = 0;    // degrees
  double Embolden = 0;    // outline growth, as a share of the cap height (negative thins)
  double Tracking = 0.1;  // extra space between characters, as a share of the cap height
  double Blur = 0;        // Gaussian deviation, pixels
  double Noise = 0;       // Gaussian deviation of grey levels
  int32_t Paper = 240, Ink = 40;
  // Faint wavy lines printed under the serial, like a note's guilloche:
  // how many, and how much darker than the paper they are at most.
  int32_t PatternLines = 0;
  int32_t PatternDepth = 0;
  int32_t Margin = 8;  // paper around the characters, pixels
  int32_t Dpi = 200;
};

struct TRenderedLine {
  std::unique_ptr<TDIB> Zone;  // 8-bit grey
  std::vector<TRect> Boxes;    // per character, the ink box of its coverage
  std::string Text;
};

class TLineRenderer {
 public:
  explicit TLineRenderer(const std::string& fontFile);
  ~TLineRenderer();
  TLineRenderer(const TLineRenderer&) = delete;
  TLineRenderer& operator=(const TLineRenderer&) = delete;

  // Whether the font has a glyph for every character of `text`.
  bool Covers(const std::string& text) const;
  TRenderedLine Render(const std::string& text, const TLineLook& look, TTrainingRandom& random);

 private:
  struct TFace;
  std::unique_ptr<TFace> face_;
};
