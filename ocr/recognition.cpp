// The recognition loop (stage 10) and the per-box recognition with its
// retries: trim, look for an accent, isolate, classify, retry while weak.
#include "ocr/recognition.h"

#include <memory>

#include "classifier/classifier.h"
#include "classifier/primitives.h"
#include "ocr/boxprobe.h"
#include "platform/deadline.h"

namespace {

constexpr std::uint8_t kMarkBits = 7;
constexpr std::uint8_t kPaperValue = 248;

// Best confidences that end the retries: below 95 the other connectivity is
// tried, below 90 (a weak reading) the remaining variants too.
constexpr int32_t kConfidentReading = 95;
constexpr int32_t kWeakReading = 90;
// Boxes above this many pixels are pictures, not characters.
constexpr int32_t kMaxGlyphArea = 20000;
// The shift of the threshold for the retries on grey sources.
constexpr int32_t kThresholdShift = 32;
// The grey painted into a flat foot to cut it (paper for thresholds up to 176).
constexpr std::uint8_t kNotchValue = 176;

bool IsWeak(const TCharRecord& r) {
  return r.CandCount == 0 || r.Confs[0] < kWeakReading;
}

// Raises the recognition pass counter for one classification; bit 0 of the
// counter selects 8-connected fills.
class TPassRaise {
 public:
  TPassRaise(TOmnifontOCR& engine, int32_t by) : engine_(engine), by_(by) { engine_.Pass += by_; }
  ~TPassRaise() { engine_.Pass -= by_; }
  TPassRaise(const TPassRaise&) = delete;
  TPassRaise& operator=(const TPassRaise&) = delete;

 private:
  TOmnifontOCR& engine_;
  const int32_t by_;
};

// Trims blank rows from the top and the bottom, keeping at least two rows'
// distance between them.
void TrimRows(const TBoxProbe& p, int32_t L, int32_t R, int32_t& T, int32_t& B) {
  while (!p.Ink(L, R, T, T) && T + 1 < B) ++T;
  while (!p.Ink(L, R, B, B) && T + 1 < B) --B;
}

void TrimColumns(const TBoxProbe& p, int32_t& L, int32_t& R, int32_t T, int32_t B) {
  while (!p.Ink(L, L, T, B) && L + 1 < R) ++L;
  while (!p.Ink(R, R, T, B) && L + 1 < R) --R;
}

// Keeps the seed when it is ink inside the box and no mark was found above;
// otherwise takes the ink pixel nearest the middle of the lowest row that has
// ink to its right or below it.
void ChooseSeed(const TBoxProbe& p, TCharRecord& r) {
  const int32_t L = r.Left, R = r.Right, T = r.Top, B = r.Bottom;
  if (r.SeedX >= L && r.SeedX <= R && r.SeedY >= T && r.SeedY <= B && p.InkAt(r.SeedX, r.SeedY) &&
      r.MarksAbove <= 0) {
    return;
  }
  for (int32_t y = B - 1; y >= T; --y) {
    int32_t x = (L + R) / 2;
    for (int32_t step = 1; L <= x && x <= R; ++step) {
      if (p.InkAt(x, y) && (p.InkAt(x + 1, y) || p.InkAt(x, y + 1))) {
        r.SeedX = x;
        r.SeedY = y;
        return;
      }
      x += step % 2 == 1 ? step : -step;  // x, x + 1, x - 1, x + 2, x - 2, ...
    }
  }
}

void ClearMarks(TDIB& k) {
  for (int32_t y = 0; y < k.Height(); ++y) {
    std::uint8_t* row = k.Row(y);
    for (int32_t x = 0; x < k.Width(); ++x) row[x] &= static_cast<std::uint8_t>(~kMarkBits);
  }
}

// A flat foot joining two stems (an "n" or "h" closed at the bottom) is cut
// in its middle, in the crop and in the working raster. True when cut.
bool CutNotch(TCharRecord& r, TDIB& k, int32_t threshold) {
  const int32_t w = k.Width(), h = k.Height();
  const auto thr = static_cast<std::uint8_t>(threshold);
  const int32_t yb = h - 1;
  const int32_t a = RunLength(k, 0, yb, dirRight, cfInk, w, thr);
  const int32_t n = RunLength(k, a, yb, dirRight, cfPaper, w, thr);
  if (n < 1) return false;  // no ink on the bottom row: no foot to cut
  auto above = [&](int32_t x) { return k.Row(yb - 1)[x] > threshold; };
  if (!(above(a) && above(a + n - 1) && above(a + n / 2))) return false;
  if (!(CountInkRuns(k, a + 1, yb - 2, a + n - 2, yb - 2, thr) > 1 &&
        CountInkRuns(k, a + 1, yb - 2, a + n / 2, yb - 2, thr) == 1)) {
    return false;
  }
  k.Row(yb)[a + n / 2] = kNotchValue;
  // The classifier may have moved the record's top while reading the crop, so
  // the crop's bottom row can fall below the raster: only a pixel inside is painted.
  const int32_t x = r.Left + a + n / 2, y = r.Top + yb;
  if (x >= 0 && y >= 0 && x < r.Raster->Width() && y < r.Raster->Height()) {
    r.Raster->Row(y)[x] = kNotchValue;
  }
  return true;
}

}  // namespace

std::unique_ptr<TDIB> IsolateGlyph(TOmnifontOCR& engine, const TCharRecord& r,
                                   std::uint8_t threshold) {
  auto k = r.Raster->Crop(r.Left, r.Top, r.Right, r.Bottom);
  ClearMarks(*k);
  constexpr std::uint8_t kGlyphMark = 1;
  {
    const TPassRaise raise(engine, 1);
    FillComponent(*k, r.SeedX - r.Left, r.SeedY - r.Top, kGlyphMark, threshold,
                  (engine.Pass & 1) != 0);
  }
  const int32_t wc = k->Width(), hc = k->Height();
  if (wc > 4) {
    const bool eight = (engine.Pass & 1) != 0;
    for (int32_t x = wc / 4; x <= wc - 2 - wc / 4; ++x) {
      for (const int32_t y : {hc / 2, hc - 1 - hc / 8}) {
        const std::uint8_t v = k->Row(y)[x];
        if ((v & kMarkBits) == 0 && v < threshold) {
          FillComponent(*k, x, y, kGlyphMark, threshold, eight);
        }
      }
    }
  }
  for (int32_t y = 0; y < hc; ++y) {
    std::uint8_t* row = k->Row(y);
    for (int32_t x = 0; x < wc; ++x) {
      if ((row[x] & kMarkBits) == 0) row[x] = kPaperValue;
    }
  }
  return k;
}

namespace {

// ConvertTo(df1Bit) keeps only bytes of 0 as black, but the isolated glyph's
// ink carries the fill mark and would turn white; so the crop is first reduced
// to pure black ink and white paper by the threshold.
void Binarise(TDIB& k, std::uint8_t threshold) {
  for (int32_t y = 0; y < k.Height(); ++y) {
    std::uint8_t* row = k.Row(y);
    for (int32_t x = 0; x < k.Width(); ++x) row[x] = row[x] < threshold ? 0 : 255;
  }
}

// Runs a cleaning step on the crop as a 1-bit raster and brings it back to 8
// bits, also when the step fails.
template <typename Step>
void OnBilevel(TDIB& k, int32_t threshold, Step step) {
  Binarise(k, static_cast<std::uint8_t>(threshold));
  k.ConvertTo(df1Bit);
  struct TBackTo8 {
    TDIB& k;
    ~TBackTo8() { k.ConvertTo(df8Bit); }
  } const back{k};
  step();
}

}  // namespace

void SmoothGlyph(TDIB& crop, int32_t threshold) {
  OnBilevel(crop, threshold, [&] { crop.SmoothBilevel(); });
}

void FillGlyphGaps(TDIB& crop, int32_t threshold) {
  OnBilevel(crop, threshold, [&] {
    crop.FillBlackGaps();
    crop.FillWhiteGaps();
  });
}

char16_t RecogniseBox(TOmnifontOCR& engine, TCharRecord& r, int32_t threshold, int32_t level) {
  const int32_t oldLeft = r.Left, oldTop = r.Top, oldRight = r.Right, oldBottom = r.Bottom;
  // A space composes with nothing; DetectAccent replaces it unless it gives up early.
  char16_t accent = u' ';
  const TBoxProbe p(*r.Raster, threshold);

  int32_t L = r.Left, R = r.Right, T = r.Top, B = r.Bottom;
  TrimRows(p, L, R, T, B);
  r.Top = T;
  r.Bottom = B;
  DetectAccent(engine, r, threshold, &accent, level + 1);
  T = r.Top;  // the detector may have lowered it below a mark
  TrimRows(p, L, R, T, B);
  TrimColumns(p, L, R, T, B);
  r.Left = L;
  r.Top = T;
  r.Right = R;
  r.Bottom = B;
  const int32_t w = R - L + 1, h = B - T + 1;
  ChooseSeed(p, r);
  if (static_cast<int64_t>(w) * h > kMaxGlyphArea) return NonTextMark;
  if (w < 1 || h < 1) return NoChar;

  const auto k = IsolateGlyph(engine, r, static_cast<std::uint8_t>(threshold));
  char16_t result = ClassifyGlyph(engine, r, *k, threshold);
  if (result == NoChar && h > 2 && CutNotch(r, *k, threshold)) {
    result = ClassifyGlyph(engine, r, *k, threshold);
  }
  if (r.CandCount == 0 || r.Confs[0] < kConfidentReading) {
    const TPassRaise raise(engine, 1);
    result = ClassifyGlyph(engine, r, *k, threshold);
  }
  if (IsWeak(r)) {
    const TPassRaise raise(engine, 2);
    result = ClassifyGlyph(engine, r, *k, threshold);
  }
  if (engine.SourceBilevel) {
    // Results not kept: these attempts only add candidates.
    if (IsWeak(r)) {
      SmoothGlyph(*k, threshold);
      ClassifyGlyph(engine, r, *k, threshold);
    }
    if (IsWeak(r)) {
      FillGlyphGaps(*k, threshold);
      ClassifyGlyph(engine, r, *k, threshold);
    }
  } else {
    if (IsWeak(r)) result = ClassifyGlyph(engine, r, *k, threshold + kThresholdShift);
    if (IsWeak(r)) result = ClassifyGlyph(engine, r, *k, threshold - kThresholdShift);
  }
  if (r.CandCount > 0 && r.Confs[0] > kConfidentReading && result == NoChar) {
    result = r.Cands[0];
  }
  // Not readable with its accent: read the glyph below the mark, then compose.
  if (result == NoChar && accent != 0 && level == 0) {
    result = RecogniseBox(engine, r, threshold, 1);
  }
  if (accent != 0) {
    result = ComposeAccent(result, accent);
    r.Ch = ComposeAccent(r.Ch, accent);
    if (level > 0) {
      r.Left = oldLeft;
      r.Top = oldTop;
      r.Right = oldRight;
      r.Bottom = oldBottom;
    }
  }
  return result;
}

void RecognitionLoop(TOmnifontOCR& engine) {
  for (const auto& record : engine.Characters) {
    platform::CheckDeadline();
    if (record->Ch == NoChar) RecogniseBox(engine, *record, engine.Threshold, 0);
  }
}
