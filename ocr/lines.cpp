// Line finding, line assignment, two-line splitting, reading order and
// spacing statistics.
#include "ocr/lines.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "classifier/primitives.h"
#include "platform/deadline.h"
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

// The text records in order of their tops, so that each pass of the line
// finder visits only the band of rows that can change its line instead of the
// whole page. A band is handed out as list positions.
class TopIndex {
 public:
  explicit TopIndex(const TOmnifontOCR& engine) {
    for (std::size_t i = 0; i < engine.Characters.size(); ++i) {
      const TCharRecord& r = *engine.Characters[i];
      if (IsText(r)) byTop_.push_back({r.Top, i});
    }
    std::sort(byTop_.begin(), byTop_.end());
  }
  // Positions of the text records with top in [low, high], by top.
  template <class Visit>
  void ForBand(int32_t low, int32_t high, const Visit& visit) const {
    for (auto e = std::lower_bound(byTop_.begin(), byTop_.end(), Entry{low, 0});
         e != byTop_.end() && e->first <= high; ++e)
      visit(e->second);
  }
  // The same positions in list order, for a pass whose outcome depends on it.
  std::vector<std::size_t> BandInListOrder(int32_t low, int32_t high) const {
    std::vector<std::size_t> band;
    ForBand(low, high, [&band](std::size_t i) { band.push_back(i); });
    std::sort(band.begin(), band.end());
    return band;
  }

 private:
  using Entry = std::pair<int32_t, std::size_t>;
  std::vector<Entry> byTop_;
};

class LineFinder {
 public:
  explicit LineFinder(TOmnifontOCR& engine)
      : e_(engine),
        t_(engine.LineTable),
        image_(*engine.Image),
        thr_(Thr(engine)),
        index_(engine) {}

  void Run();

 private:
  bool MeasureMeanHeight();
  const TCharRecord& At(std::size_t i) const { return *e_.Characters[i]; }
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
  const TopIndex index_;
  std::vector<int32_t> bodyTops_;  // tops of the body records, ascending
  int32_t hm_ = 0;                 // mean pixel height of the taller records
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
  for (const auto& r : e_.Characters)
    if (IsBody(*r)) bodyTops_.push_back(r->Top);
  std::sort(bodyTops_.begin(), bodyTops_.end());
  return hm_ >= 3;
}

bool LineFinder::FindLineTop(int32_t y, int32_t& t0) const {
  const auto top = std::lower_bound(bodyTops_.begin(), bodyTops_.end(), y);
  if (top == bodyTops_.end()) return false;
  t0 = *top;
  return true;
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

// Only records with a top above T0 + Hm can pass the mark or the body test,
// and the baseline depends on the order in which they come: the band is
// walked in list order.
void LineFinder::FirstPass(int32_t y, int32_t n, LineEstimate& l) {
  for (const std::size_t i : index_.BandInListOrder(y, l.T0 + hm_)) {
    const TCharRecord& r = At(i);
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
  // Sums and extents do not depend on the order of the records.
  index_.ForBand(std::max(y, l.T0 - q), l.M + q, [&](std::size_t i) {
    const TCharRecord& r = At(i);
    const int32_t h = Span(r);
    if (2 * h <= hm_ || h >= 4 * hm_ || r.Bottom < l.B - q || r.Bottom > l.D + q) return;
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
  });
  upper.ReplaceIfAny(l.T0);
  mean.ReplaceIfAny(l.M);
  base.ReplaceIfAny(l.B);
  descender.ReplaceIfAny(l.D);
}

void LineFinder::ThirdPass(int32_t n, const LineEstimate& l) {
  index_.ForBand(l.T0 - 1, l.D, [&](std::size_t i) {
    const TCharRecord& r = At(i);
    if (r.Bottom >= l.T0 && r.Bottom <= l.D + 1) Widen(n, r);
  });
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
    platform::CheckDeadline();
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

// The list positions of the records of each line, in list order, kept up to
// date as the split moves records to the next line and appends upper parts:
// the records of a line are found without a walk over the page.
class LineMembers {
 public:
  explicit LineMembers(const TOmnifontOCR& engine) {
    for (std::size_t i = 0; i < engine.Characters.size(); ++i)
      Of(engine.Characters[i]->Line).push_back(i);
  }
  // The first record of `line` in list order whose box overlaps [left, right]
  // horizontally, as a list position; none when there is no such record.
  std::optional<std::size_t> First(const TOmnifontOCR& engine, int32_t line, int64_t left,
                                   int64_t right) const {
    const auto it = members_.find(line);
    if (it == members_.end()) return std::nullopt;
    for (const std::size_t i : it->second) {
      const TCharRecord& q = *engine.Characters[i];
      if (q.Right >= left && q.Left <= right) return i;
    }
    return std::nullopt;
  }
  void Move(std::size_t i, int32_t from, int32_t to) {
    std::vector<std::size_t>& old = Of(from);
    old.erase(std::find(old.begin(), old.end(), i));
    std::vector<std::size_t>& now = Of(to);
    now.insert(std::upper_bound(now.begin(), now.end(), i), i);
  }
  void Append(std::size_t i, int32_t line) { Of(line).push_back(i); }

 private:
  std::vector<std::size_t>& Of(int32_t line) { return members_[line]; }
  std::map<int32_t, std::vector<std::size_t>> members_;
};

bool SplitOne(TOmnifontOCR& engine, std::size_t index, LineMembers& members) {
  TCharRecord& p = *engine.Characters[index];
  const int32_t ah = engine.AvgCharHeight;
  const int32_t ph = p.Bottom - p.Top + 1;
  if (!(2 * ah < ph && ph < 6 * ah) || p.LineTop == 0) return false;
  if (p.Top < p.LineTop - 2 || p.Top > p.LineMean + 2 || p.Bottom < p.LineBottom + ah - 2) {
    return false;
  }
  // Both pieces must keep at least one row: with a tiny character height the
  // conditions above can hold for a box that ends above the line's bottom.
  if (p.Top > p.LineBottom || p.Bottom <= p.LineBottom) return false;
  // Neighbours within reach must show both lines. A walk through the list
  // would stop at the record where the second of the two lines first shows:
  // the later of the first record of each line.
  const int64_t reach = 4 * (static_cast<int64_t>(p.Right) + engine.AvgCharWidth - p.Left + 1);
  const int64_t left = p.Left - reach, right = p.Right + reach;
  const std::optional<std::size_t> same = members.First(engine, p.Line, left, right);
  const std::optional<std::size_t> next = members.First(engine, p.Line + 1, left, right);
  if (!same || !next) return false;
  const TCharRecord* stop = engine.Characters[std::max(*same, *next)].get();
  auto upper = std::make_unique<TCharRecord>(p);
  upper->Bottom = p.LineBottom;
  upper->Serial = engine.ComponentCount;
  upper->Reserved = 0;
  p.Top = p.LineBottom + 1;
  p.Line += 1;
  members.Move(index, p.Line - 1, p.Line);
  if (stop->Line == p.Line) {
    p.LineTop = stop->LineTop;
    p.LineMean = stop->LineMean;
    p.LineBase = stop->LineBase;
    p.LineBottom = stop->LineBottom;
  }
  members.Append(engine.Characters.size(), upper->Line);
  engine.Characters.push_back(std::move(upper));
  engine.ComponentCount += 1;
  return true;
}

}  // namespace

void FindLines(TOmnifontOCR& engine) {
  LineFinder(engine).Run();
}

namespace {

// The line finder's order of lines is top to bottom, but corrections move
// mean lines about: the lines that can take records, in order of their mean
// line, let each record look at the nearest ones first.
class MeanIndex {
 public:
  explicit MeanIndex(const TLineTable& t) : t_(t) {
    for (int32_t i = 0; i < t.Count; ++i)
      if (t.Bottom[i] != t.Top[i]) byMean_.push_back({t.Mean[i], i});
    std::sort(byMean_.begin(), byMean_.end());
  }

  // Whether a line with mean line 0 exists: a record holding it counts as
  // having no line, which only the walk over every line reproduces.
  bool HasZeroMean() const {
    return std::any_of(byMean_.begin(), byMean_.end(), [](const Entry& e) { return e.first == 0; });
  }

  // The line whose extent holds r and whose mean line is nearest r's top, the
  // first on ties; -1 when no extent holds r.
  int32_t Nearest(const TCharRecord& r) const {
    const auto holds = [&](int32_t i) { return r.Left >= t_.MinX[i] && r.Right <= t_.MaxX[i]; };
    const std::ptrdiff_t n = static_cast<std::ptrdiff_t>(byMean_.size());
    std::ptrdiff_t above = std::lower_bound(byMean_.begin(), byMean_.end(), Entry{r.Top, -1}) -
                           byMean_.begin();  // first with mean >= top
    std::ptrdiff_t below = above - 1;
    while (below >= 0 || above < n) {
      const int64_t dBelow = below >= 0 ? int64_t{r.Top} - byMean_[below].first : INT64_MAX;
      const int64_t dAbove = above < n ? int64_t{byMean_[above].first} - r.Top : INT64_MAX;
      const int64_t d = std::min(dBelow, dAbove);
      int32_t best = -1;
      for (; below >= 0 && int64_t{r.Top} - byMean_[below].first == d; --below)
        if (holds(byMean_[below].second) && (best < 0 || byMean_[below].second < best))
          best = byMean_[below].second;
      for (; above < n && int64_t{byMean_[above].first} - r.Top == d; ++above)
        if (holds(byMean_[above].second) && (best < 0 || byMean_[above].second < best))
          best = byMean_[above].second;
      if (best >= 0) return best;
    }
    return -1;
  }

 private:
  using Entry = std::pair<int32_t, int32_t>;
  const TLineTable& t_;
  std::vector<Entry> byMean_;
};

// Every line in order; a line replaces the record's line only when its mean
// line is strictly nearer the record's top.
void AssignByWalk(TCharRecord& r, const TLineTable& t) {
  for (int32_t i = 0; i < t.Count; ++i) {
    if (t.Bottom[i] == t.Top[i] || r.Left < t.MinX[i] || r.Right > t.MaxX[i]) continue;
    if (r.LineMean != 0 && std::abs(r.Top - r.LineMean) <= std::abs(r.Top - t.Mean[i])) continue;
    TakeLine(r, t, i);
  }
}

}  // namespace

void AssignLines(TOmnifontOCR& engine) {
  const TLineTable& t = engine.LineTable;
  const int32_t ah = engine.AvgCharHeight;
  const MeanIndex lines(t);
  const bool walk = lines.HasZeroMean();
  for (auto& rp : engine.Characters) {
    TCharRecord& r = *rp;
    // A record that already has a line keeps it unless a nearer one comes:
    // the walk decides that.
    if (walk || r.LineMean != 0) {
      AssignByWalk(r, t);
    } else if (const int32_t i = lines.Nearest(r); i >= 0) {
      TakeLine(r, t, i);
    }
    if (r.Bottom + 2 * ah < r.LineTop || r.Top - 2 * ah > r.LineBottom) ClearLine(r);
  }
}

void SplitTwoLineComponents(TOmnifontOCR& engine) {
  LineMembers members(engine);
  const std::size_t present = engine.Characters.size();
  for (std::size_t i = 0; i < present; ++i) SplitOne(engine, i, members);
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
