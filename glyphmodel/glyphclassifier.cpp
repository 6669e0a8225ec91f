#include "glyphmodel/glyphclassifier.h"

#include <algorithm>
#include <span>

#include "glyphmodel/embeddedmodel.h"
#include "glyphmodel/glyphfeatures.h"
#include "glyphmodel/glyphmodel.h"

namespace {

// Parsed once; the build has already refused a file that does not parse.
const TGlyphModel& EmbeddedModel() {
  static const TGlyphModel model =
      ParseGlyphModel(std::span<const std::uint8_t>(kEmbeddedGlyphModel, kEmbeddedGlyphModelSize));
  return model;
}

}  // namespace

TGlyphReading TGlyphJudgement::Among(std::string_view among) const {
  TGlyphReading r;
  float total = 0;
  for (const char c : among) {
    const std::size_t k = kGlyphAlphabet.find(c);
    if (k == std::string_view::npos) continue;
    const float p = Probabilities[k];
    total += p;
    if (r.Best == 0 || p > r.Probability) {
      r.RunnerUp = r.Best == 0 ? 0 : r.Probability;
      r.Best = c;
      r.Probability = p;
    } else {
      r.RunnerUp = std::max(r.RunnerUp, p);
    }
  }
  if (total > 0) {
    r.Probability /= total;
    r.RunnerUp /= total;
  }
  return r;
}

TGlyphJudgement JudgeGlyph(const TDIB& raster, std::uint8_t threshold, const TRect& box) {
  return TGlyphJudgement{Classify(EmbeddedModel(), GlyphFeatures(raster, threshold, box))};
}
