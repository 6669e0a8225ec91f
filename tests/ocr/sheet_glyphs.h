// Glyphs cut from character sheets (tests/data/glyphs, made by sheet_art.py),
// each with its box and the heights of the line it stood on, and the glyph
// context the classifier builds for such a glyph before it runs the
// recognisers.
#pragma once

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "ascii_raster.h"
#include "classifier/classifier.h"
#include "ocr/omnifontocr.h"

namespace sheet_glyphs {

struct TSheetGlyph {
  std::string font;  // font and size, e.g. "LiberationSans_14pt"
  char16_t ch = 0;
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  int32_t lineTop = 0, lineMean = 0, lineBase = 0, lineBottom = 0;
  std::vector<std::string> art;
};

inline std::vector<TSheetGlyph> ReadSheetGlyphs(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot open " + path);
  std::vector<TSheetGlyph> glyphs;
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("glyph ", 0) != 0) continue;
    TSheetGlyph g;
    std::istringstream head(line.substr(6));
    unsigned code = 0;
    head >> g.font >> std::hex >> code;
    g.ch = static_cast<char16_t>(code);
    std::string word;
    std::getline(in, line);
    std::istringstream(line) >> word >> g.left >> g.top >> g.right >> g.bottom;
    std::getline(in, line);
    std::istringstream(line) >> word >> g.lineTop >> g.lineMean >> g.lineBase >> g.lineBottom;
    while (std::getline(in, line) && !line.empty()) g.art.push_back(line);
    glyphs.push_back(std::move(g));
  }
  return glyphs;
}

// A hand-drawn glyph: the box is the ink of the art; the line is that of a
// capital (top at the box top, base at its bottom, mean line halfway).
inline TSheetGlyph DrawnGlyph(const std::vector<std::string>& art) {
  TSheetGlyph g;
  g.art = art;
  g.left = g.top = 1000;
  g.right = g.bottom = -1;
  for (int32_t y = 0; y < static_cast<int32_t>(art.size()); ++y)
    for (int32_t x = 0; x < static_cast<int32_t>(art[y].size()); ++x)
      if (art[y][x] == '#') {
        g.left = std::min(g.left, x);
        g.right = std::max(g.right, x);
        g.top = std::min(g.top, y);
        g.bottom = std::max(g.bottom, y);
      }
  g.lineTop = g.top;
  g.lineMean = (g.top + g.bottom) / 2;
  g.lineBase = g.bottom;
  g.lineBottom = g.bottom + (g.bottom - g.top) / 3 + 1;
  return g;
}

// The heights of a text line as rows: top line, mean line, base line and
// bottom line.
struct TLineHeights {
  int32_t top = 0, mean = 0, base = 0, bottom = 0;
};

// The glyph standing on another line.
inline TSheetGlyph OnLine(TSheetGlyph g, const TLineHeights& line) {
  g.lineTop = line.top;
  g.lineMean = line.mean;
  g.lineBase = line.base;
  g.lineBottom = line.bottom;
  return g;
}

// One glyph ready for the recognisers: its raster, record, crop and context.
class TGlyphUnderTest {
 public:
  TGlyphUnderTest(TOmnifontOCR& engine, const TSheetGlyph& g)
      : raster_(testing_raster::MakeRaster(g.art)) {
    record_.Left = g.left;
    record_.Top = g.top;
    record_.Right = g.right;
    record_.Bottom = g.bottom;
    record_.LineTop = g.lineTop;
    record_.LineMean = g.lineMean;
    record_.LineBase = g.lineBase;
    record_.LineBottom = g.lineBottom;
    record_.Raster = raster_.get();
    crop_ = raster_->Crop(g.left, g.top, g.right, g.bottom);
    context_.Glyph = &record_;
    context_.Crop = crop_.get();
    context_.Threshold = testing_raster::kThreshold;
    SetLineFlags(context_);
    FindHoles(engine, *raster_, g.left, g.right, g.top, g.bottom, testing_raster::kThreshold,
              &context_.Holes);
  }

  TGlyphContext& context() { return context_; }
  const TCharRecord& record() const { return record_; }
  TCharRecord& record() { return record_; }
  const TDIB& crop() const { return *crop_; }

  // The confidence of ch in the candidate list, 0 when it is not there.
  int32_t conf(char16_t ch) const {
    for (int32_t i = 0; i < record_.CandCount; ++i)
      if (record_.Cands[i] == ch) return record_.Confs[i];
    return 0;
  }

  // The candidate list: each candidate with its confidence.
  std::map<char16_t, int32_t> candidates() const {
    std::map<char16_t, int32_t> found;
    for (int32_t i = 0; i < record_.CandCount; ++i) found[record_.Cands[i]] = record_.Confs[i];
    return found;
  }

 private:
  std::unique_ptr<TDIB> raster_;
  std::unique_ptr<TDIB> crop_;
  TCharRecord record_;
  TGlyphContext context_;
};

}  // namespace sheet_glyphs
