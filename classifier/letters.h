// What every letter recogniser measures a glyph through. The box is the
// record's box as it stood when the recogniser started; all coordinates are
// relative to its top-left pixel.
//
//   crop    probes on the glyph's own crop (foreign ink already removed)
//   raster  probes on the working raster at the box: they still see the ink
//           of neighbouring glyphs and may reach outside the box
//   Wc, Hc  the crop's own size (larger than W, H when the dispatcher moved
//           the record's box after the crop was made)
#pragma once

#include <cstdint>

#include "classifier/classifier.h"
#include "classifier/probes.h"

// conf := conf * k div 100, the multiplicative penalty of every test.
inline int32_t Times(int32_t conf, int32_t k) {
  return conf * k / 100;
}

// An inner corner of the crop: paper at (x, y) with ink right of it, above it
// and diagonally up-right, searched over x in [x0, x1) and y in [y0, y1).
inline bool HasInnerCorner(const Probes& c, int32_t x0, int32_t x1, int32_t y0, int32_t y1) {
  for (int32_t x = x0; x < x1; ++x)
    for (int32_t y = y0; y < y1; ++y)
      if (c.paperAt(x, y) && c.inkAt(x + 1, y) && c.inkAt(x + 1, y - 1) && c.inkAt(x, y - 1))
        return true;
  return false;
}

// Some row y with y0 <= y < y1 crosses exactly two strokes.
inline bool SomeRowCrossesTwo(const Probes& p, int32_t y0, int32_t y1) {
  for (int32_t y = y0; y < y1; ++y)
    if (p.nRow(y) == 2) return true;
  return false;
}

struct TLetterView {
  TLetterView(TOmnifontOCR& ocr, TGlyphContext& context)
      : engine(ocr),
        glyph(*context.Glyph),
        ctx(context),
        W(glyph.Right - glyph.Left + 1),
        H(glyph.Bottom - glyph.Top + 1),
        Wc(context.Crop->Width()),
        Hc(context.Crop->Height()),
        TL(glyph.LineTop - glyph.Top),
        ML(glyph.LineMean - glyph.Top),
        BL(glyph.LineBase - glyph.Top),
        BoL(glyph.LineBottom - glyph.Top),
        holes(context.Holes),
        crop(*context.Crop, 0, 0, W, H, context.Threshold),
        wholeCrop(*context.Crop, 0, 0, Wc, Hc, context.Threshold),
        raster(*glyph.Raster, glyph.Left, glyph.Top, W, H, context.Threshold) {}

  // FindHoles over a box-relative rectangle of the working raster.
  int32_t holesIn(int32_t x0, int32_t x1, int32_t y0, int32_t y1) const {
    return raster.holes(engine, x0, x1, y0, y1);
  }
  void propose(char16_t ch, int32_t conf) const { SetAC(engine, glyph, ch, conf); }

  TOmnifontOCR& engine;
  TCharRecord& glyph;
  const TGlyphContext& ctx;
  const int32_t W;
  const int32_t H;
  const int32_t Wc;
  const int32_t Hc;
  // The record's line heights as box-relative rows (top, mean, base, bottom line).
  const int32_t TL;
  const int32_t ML;
  const int32_t BL;
  const int32_t BoL;
  const THoleList& holes;
  const Probes crop;
  const Probes wholeCrop;  // the crop at its own size: gR(y, limit) starts at Wc - 1
  const Probes raster;
};
