// Line finding, line assignment, two-line splitting, reading order and
// spacing statistics.
#include "ocr/lines.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

#include "classifier/primitives.h"
#include "platform/exceptions.h"
#include "platform/rounding.h"

namespace {

std::uint8_t Thr(const TOmnifontOCR& engine) {
  return static_cast<std::uint8_t>(engine.Threshold);
}

bool IsText(const TCharRecord& r) {
  return r.Ch != NonTextMark;
}

// Height as the line finder counts it: one less than the pixel height.
int32_t Span(const TCharRecord& r) {
  return r.Bottom - r.Top;
}

int32_t RoundedMean(int64_t sum, int32_t count) {
  return platform::Round(static_cast<double>(sum) / count);
}

// Running mean of one group of heights in the second pass.
struct Group {
  int64_t Sum = 0;
  int32_t Count = 0;
  void Add(int32_t v) {
    Sum += v;
    Count += 1;
  }
  void ReplaceIfAny(int32_t& estimate) const {
    if (Count > 0) estimate = RoundedMean(Sum, Count);
  }
};

// Everything the finder works out for one candidate line.
struct LineEstimate {
  int32_t T0 = 0;  // top (capitals, ascenders)
  int32_t M = 0;   // mean line
  int32_t B = 0;   // baseline
  int32_t D = 0;   // bottom (descenders)
  int32_t V = 0;   // top of the highest mark above the small letters
};

class LineFinder {
 public:
  explicit LineFinder(TOmnifontOCR& engine)
      : e_(engine), t_(engine.LineTable), image_(*engine.Image), thr_(Thr(engine)) {}

  void Run();

 private:
  bool MeasureMeanHeight();
  bool IsBody(const TCharRecord& r) const {
    const int32_t h = Span(r);
    return IsText(r) && 3 * h > 2 * hm_ && h < 3 * hm_ && h > 4;
  }
  bool FindLineTop(int32_t y, int32_t& t0) const;
  void Widen(int32_t n, const TCharRecord& r) {
    t_.MinX[n] = std::min(t_.MinX[n], r.Left);
    t_.MaxX[n] = std::max(t_.MaxX[n], r.Right);
  }
  void FirstPass(int32_t y, int32_t n, LineEstimate& l);
  bool BottomIsBaseline(const TCharRecord& r) const;
  void SecondPass(int32_t y, int32_t n, LineEstimate& l);
  void ThirdPass(int32_t n, const LineEstimate& l);
  void PlaceMissingZones(LineEstimate& l) const;

  TOmnifontOCR& e_;
  TLineTable& t_;
  const TDIB& image_;
  const std::uint8_t thr_;
  int32_t hm_ = 0;  // mean pixel height of the taller records
  int32_t pb_ = 0;  // baseline of the previous line (0 after a line that did not reach lower)
  int32_t pd_ = 0;  // bottom of the previous line, likewise
};

bool LineFinder::MeasureMeanHeight() {
  int64_t sum = 0;
  int32_t count = 0;
  for (const auto& r : e_.Characters) {
    if (IsText(*r) && Span(*r) > 4) {
      sum += Span(*r) + 1;
      ++count;
    }
  }
  if (count == 0) return false;
  hm_ = RoundedMean(sum, count);
  return hm_ >= 3;
}

bool LineFinder::FindLineTop(int32_t y, int32_t& t0) const {
  bool found = false;
  for (const auto& r : e_.Characters) {
    if (r->Top >= y && IsBody(*r) && (!found || r->Top < t0)) {
      t0 = r->Top;
      found = true;
    }
  }
  return found;
}

// A body glyph's bottom is taken for the baseline when nothing hangs below it
// within half a line, when its column range is inked again half a line lower
// (the glyph stands on a rule or touches the next line rather than descending),
// or when its middle row crosses more than two strokes (a wide letter, such
// as m or w, which has no descender).
bool LineFinder::BottomIsBaseline(const TCharRecord& r) const {
  const int32_t below = r.Bottom + hm_ / 2;
  if (RectColours(image_, r.Left, r.Right, r.Bottom + 1, below, thr_, cfInk) == 0) return true;
  if (RectColours(image_, r.Left, r.Right, below, below, thr_, cfInk) != 0) return true;
  const int32_t middle = (r.Top + r.Bottom) / 2;
  return CountInkRuns(image_, r.Left, middle, r.Right, middle, thr_) > 2;
}

void LineFinder::FirstPass(int32_t y, int32_t n, LineEstimate& l) {
  for (const auto& rp : e_.Characters) {
    const TCharRecord& r = *rp;
    if (!IsText(r) || r.Top < y) continue;
    if (Span(r) < hm_ && r.Bottom < l.T0 + hm_ / 4 && r.Top < l.V) l.V = r.Top;
    const bool inBody = IsBody(r) && r.Top >= l.T0 && 8 * (r.Top - l.T0) <= 7 * hm_ &&
                        2 * (r.Bottom - l.T0) >= hm_ && 2 * (r.Bottom - l.T0) <= 5 * hm_;
    if (!inBody) continue;
    l.M = std::max(l.M, r.Top);
    l.D = std::max(l.D, r.Bottom);
    if (r.Bottom < l.B && 2 * r.Bottom > l.M + l.D && BottomIsBaseline(r)) l.B = r.Bottom;
    if (r.Top + r.Bottom > 2 * l.B && l.D - hm_ / 4 - 1 > r.Bottom && r.Bottom >= (l.M + l.D) / 2) {
      l.B = r.Bottom;
    }
    Widen(n, r);
  }
}

// Each top joins the nearer of the top and mean estimates, each bottom the
// nearer of the base and bottom estimates; the estimates become group means.
void LineFinder::SecondPass(int32_t y, int32_t n, LineEstimate& l) {
  Group upper, mean, base, descender;
  const int32_t q = hm_ / 4;
  for (const auto& rp : e_.Characters) {
    const TCharRecord& r = *rp;
    const int32_t h = Span(r);
    if (!IsText(r) || r.Top < y || 2 * h <= hm_ || h >= 4 * hm_) continue;
    if (r.Top < l.T0 - q || r.Top > l.M + q || r.Bottom < l.B - q || r.Bottom > l.D + q) continue;
    if (std::abs(r.Top - l.T0) <= std::abs(r.Top - l.M)) {
      upper.Add(r.Top);
    } else {
      mean.Add(r.Top);
    }
    if (std::abs(r.Bottom - l.B) < std::abs(r.Bottom - l.D)) {
      base.Add(r.Bottom);
    } else {
      descender.Add(r.Bottom);
    }
    Widen(n, r);
  }
  upper.ReplaceIfAny(l.T0);
  mean.ReplaceIfAny(l.M);
  base.ReplaceIfAny(l.B);
  descender.ReplaceIfAny(l.D);
}

void LineFinder::ThirdPass(int32_t n, const LineEstimate& l) {
  for (const auto& rp : e_.Characters) {
    const TCharRecord& r = *rp;
    if (IsText(r) && r.Top >= l.T0 - 1 && r.Top <= l.D && r.Bottom >= l.T0 && r.Bottom <= l.D + 1) {
      Widen(n, r);
    }
  }
}

// A line without ascenders or descenders has no glyph that shows where the
// missing zone lies: it is placed by proportion, or taken from a mark above
// the small letters.
void LineFinder::PlaceMissingZones(LineEstimate& l) const {
  constexpr int32_t kNoAscenders = 1;
  constexpr int32_t kNoDescenders = 2;
  int32_t f = 0;
  if (5 * (l.M - l.T0 + 1) < l.B - l.M || l.M - l.T0 < 2) f |= kNoAscenders;
  if (5 * (l.D - l.B + 1) < l.B - l.M || l.D - l.B < 2) f |= kNoDescenders;
  const int32_t both = kNoAscenders | kNoDescenders;
  if (f == both && l.D - l.T0 > hm_) {
    f = 0;
    l.M = l.T0 + hm_ / 8 + 1;
    l.D = l.B + hm_ / 8 + 1;
  }
  if (f == both && l.V > 0 && l.V < l.T0 && l.V > pd_) {
    f = kNoDescenders;
    l.T0 = l.V;
  }
  if (f == kNoAscenders && l.M - (l.B - l.M) / 4 > pb_) {
    if (l.T0 - pd_ < l.D - l.T0) {
      l.T0 = (l.M + pd_) / 2;
    } else {
      l.T0 = l.M - (l.B - l.M) / 4;
    }
  }
  if (f == both) l.M = l.T0 + (l.B - l.T0) / 4 + 1;
  if (l.M - l.T0 < 2) l.M = l.T0 + 2;
  if ((f & kNoDescenders) != 0) l.D = l.B + (l.D - l.T0) / 4 + 1;
}

void LineFinder::Run() {
  if (t_.Count == 0) {
    t_.Top[0] = t_.Mean[0] = t_.Base[0] = t_.Bottom[0] = 0;
    t_.MinX[0] = image_.Width();
    t_.MaxX[0] = 0;
    t_.Count = 1;
  }
  int32_t n = t_.Count;
  const int32_t height = image_.Height();
  if (height < 5 || !MeasureMeanHeight()) return;
  int32_t y = 0;
  while (y < height - 1) {
    LineEstimate l;
    if (!FindLineTop(y, l.T0)) break;
    t_.MinX[n] = image_.Width() - 1;
    t_.MaxX[n] = 0;
    l.M = l.T0;
    l.D = l.T0;
    l.V = l.T0 + hm_;
    l.B = l.T0 + 2 * hm_;
    FirstPass(y, n, l);
    if (l.B == l.T0) break;
    SecondPass(y, n, l);
    ThirdPass(n, l);
    if (l.D == l.T0) {
      // No line here: move on to half-way between base and bottom. The scan
      // must still move down, or the same empty line would be found forever.
      const int32_t next = l.B + l.D > 2 * y ? (l.B + l.D) / 2 : y;
      y = next > y ? next : y + 1;
      continue;
    }
    PlaceMissingZones(l);
    t_.Top[n] = l.T0;
    t_.Mean[n] = l.M;
    t_.Base[n] = l.B;
    t_.Bottom[n] = l.D;
    if (n < MAXLINES && l.D - l.T0 > 4) {
      n += 1;
      if (n >= MAXLINES) throw platform::Exception(kTooManyLinesMessage);
    }
    if (l.B + l.D > 2 * y) y = (l.B + l.D) / 2;
    pb_ = l.B > pb_ ? l.B : 0;
    pd_ = l.D > pd_ ? l.D : 0;
    y += 1;
  }
  t_.Count = n;
}

void ClearLine(TCharRecord& r) {
  r.Line = 0;
  r.LineTop = r.LineMean = r.LineBase = r.LineBottom = 0;
}

void TakeLine(TCharRecord& r, const TLineTable& t, int32_t i) {
  r.Line = i;
  r.LineTop = t.Top[i];
  r.LineMean = t.Mean[i];
  r.LineBase = t.Base[i];
  r.LineBottom = t.Bottom[i];
}

bool SplitOne(TOmnifontOCR& engine, TCharRecord& p) {
  const int32_t ah = engine.AvgCharHeight;
  const int32_t ph = p.Bottom - p.Top + 1;
  if (!(2 * ah < ph && ph < 6 * ah) || p.LineTop == 0) return false;
  if (p.Top < p.LineTop - 2 || p.Top > p.LineMean + 2 || p.Bottom < p.LineBottom + ah - 2) {
    return false;
  }
  // Both pieces must keep at least one row: with a tiny character height the
  // conditions above can hold for a box that ends above the line's bottom.
  if (p.Top > p.LineBottom || p.Bottom <= p.LineBottom) return false;
  const int64_t reach = 4 * (static_cast<int64_t>(p.Right) + engine.AvgCharWidth - p.Left + 1);
  bool sameSeen = false;
  bool nextSeen = false;
  const TCharRecord* stop = nullptr;
  for (const auto& q : engine.Characters) {
    if (q->Right < p.Left - reach || q->Left > p.Right + reach) continue;
    sameSeen = sameSeen || q->Line == p.Line;
    nextSeen = nextSeen || q->Line == p.Line + 1;
    if (sameSeen && nextSeen) {
      stop = q.get();
      break;
    }
  }
  if (stop == nullptr) return false;
  auto upper = std::make_unique<TCharRecord>(p);
  upper->Bottom = p.LineBottom;
  upper->Serial = engine.ComponentCount;
  upper->Reserved = 0;
  p.Top = p.LineBottom + 1;
  p.Line += 1;
  if (stop->Line == p.Line) {
    p.LineTop = stop->LineTop;
    p.LineMean = stop->LineMean;
    p.LineBase = stop->LineBase;
    p.LineBottom = stop->LineBottom;
  }
  engine.Characters.push_back(std::move(upper));
  engine.ComponentCount += 1;
  return true;
}

}  // namespace

void FindLines(TOmnifontOCR& engine) {
  LineFinder(engine).Run();
}

void AssignLines(TOmnifontOCR& engine) {
  const TLineTable& t = engine.LineTable;
  const int32_t ah = engine.AvgCharHeight;
  for (auto& rp : engine.Characters) {
    TCharRecord& r = *rp;
    for (int32_t i = 0; i < t.Count; ++i) {
      if (t.Bottom[i] == t.Top[i] || r.Left < t.MinX[i] || r.Right > t.MaxX[i]) continue;
      if (r.LineMean != 0 && std::abs(r.Top - r.LineMean) <= std::abs(r.Top - t.Mean[i])) continue;
      TakeLine(r, t, i);
    }
    if (r.Bottom + 2 * ah < r.LineTop || r.Top - 2 * ah > r.LineBottom) ClearLine(r);
  }
}

void SplitTwoLineComponents(TOmnifontOCR& engine) {
  const std::size_t present = engine.Characters.size();
  for (std::size_t i = 0; i < present; ++i) SplitOne(engine, *engine.Characters[i]);
}

void SortReadingOrder(TOmnifontOCR& engine) {
  std::sort(engine.Characters.begin(), engine.Characters.end(),
            [](const std::unique_ptr<TCharRecord>& a, const std::unique_ptr<TCharRecord>& b) {
              if (a->Line != b->Line) return a->Line < b->Line;
              return a->Left < b->Left;
            });
}

void MeasureSpacing(TOmnifontOCR& engine) {
  // Steps between doubled centres outside this range are line changes or
  // overlaps, not the advance from one glyph to the next.
  constexpr int32_t kMinPitchStep = 4;    // exclusive
  constexpr int32_t kMaxPitchStep = 150;  // exclusive
  // Fixed pitch: the upper steps are less than this much above the lower ones.
  constexpr double kFixedPitchSpread = 0.22;

  std::vector<int32_t> pitches;
  int64_t gapSum = 0;
  int64_t squareSum = 0;
  int32_t previousCentre = -1000;
  const TCharRecord* previous = nullptr;
  for (const auto& rp : engine.Characters) {
    const TCharRecord& r = *rp;
    const int32_t centre = r.Left + r.Right;
    const int64_t step = static_cast<int64_t>(centre) - previousCentre;
    if (step > kMinPitchStep && step < kMaxPitchStep) pitches.push_back(static_cast<int32_t>(step));
    previousCentre = centre;
    if (previous != nullptr) {
      const int64_t g = std::max<int64_t>(0, static_cast<int64_t>(r.Left) - previous->Right + 1);
      if (2 * g < 3 * static_cast<int64_t>(engine.AvgCharWidth) &&
          previous->Bottom - r.Bottom < engine.AvgCharHeight / 2) {
        gapSum += g;
        squareSum += g * g;
      }
    }
    previous = &r;
  }
  if (gapSum > 0) {
    const double s = static_cast<double>(gapSum);
    engine.GapEstimate = platform::Round((static_cast<double>(squareSum) + s / 2 + 1) / s + 1);
  }
  if (!pitches.empty()) {
    std::sort(pitches.begin(), pitches.end());
    const std::size_t k = pitches.size();
    const double a = pitches[k * 7 / 10];
    const double b = pitches[k / 5];
    const int32_t m = pitches[2 * k / 5];
    engine.FixedPitch = (a - b) / b < kFixedPitchSpread;
    engine.CharPitch = m / 2;
  }
}
