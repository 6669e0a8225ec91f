// Labelled glyphs for training the classifier, made the way the serial
// reader meets them: a serial-like line is drawn (linerenderer.h), seen as the
// reader sees a zone (grey as on the odd passes, or binarised and despeckled
// as on the even ones), read by the reader's own zone reading, and every
// glyph record the engine cut that matches a drawn character becomes a
// sample, measured by the classifier's own features on the reader's sheet.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "glyphmodel/glyphtraining.h"
#include "image/dibunit.h"

struct TTrainingFont {
  std::string File;    // path of the font file
  std::string Name;    // the face, e.g. "DejaVuSansMono-Bold"
  std::string Family;  // faces of one design, e.g. "DejaVuSansMono"
};

struct TFontSamples {
  std::vector<TGlyphSample> Samples;
  int32_t Lines = 0;       // lines drawn
  int32_t Characters = 0;  // characters drawn
  int32_t Unmatched = 0;   // drawn characters no engine record matched
};

// `lines` serial-like lines of `font`, drawn and read with randomness from
// `seed` alone. When `zones` is given, every zone as the engine read it is
// kept there too, to look at.
TFontSamples MakeFontSamples(const TTrainingFont& font, int32_t lines, std::uint64_t seed,
                             std::vector<std::unique_ptr<TDIB>>* zones = nullptr);

// A sample file: the faces, then per sample its face index, its class and
// its features. Written and read on one machine; not part of the build.
struct TSampleSet {
  std::vector<TTrainingFont> Fonts;
  std::vector<TGlyphSample> Samples;
  std::vector<std::uint16_t> FontOf;  // per sample, index into Fonts
};
void WriteSampleSet(const std::string& path, const TSampleSet& set);
TSampleSet ReadSampleSet(const std::string& path);
