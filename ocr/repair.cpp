// Cutting glyphs joined along their top or bottom edge, and merging the
// pieces of broken glyphs.
#include "ocr/repair.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <memory>

#include "classifier/primitives.h"
#include "platform/deadline.h"

namespace {

// A cut ORs this into a pixel: paper for any threshold up to 192, marker bits kept.
constexpr std::uint8_t kCutBits = 192;
// A bridge ANDs this into a pixel: ink for any threshold above 63.
constexpr std::uint8_t kBridgeMask = 63;
// A bar of at most this many pixels is a serif or a stroke end, never a join.
constexpr int32_t kMaxUncutBar = 5;
// Runs measured "as far as they go": the raster border ends them.
constexpr int32_t kNoLimit = std::numeric_limits<int32_t>::max();

bool Inside(const TDIB& image, int32_t x, int32_t y) {
  return x >= 0 && y >= 0 && x < image.Width() && y < image.Height();
}

// The probes of one record's turn, with the engine's raster and threshold.
class Prober {
 public:
  explicit Prober(TOmnifontOCR& engine)
      : image_(*engine.Image), thr_(static_cast<std::uint8_t>(engine.Threshold)) {}

  int32_t Run(int32_t x, int32_t y, int32_t dir, std::uint8_t stop, int32_t limit) const {
    return RunLength(image_, x, y, dir, stop, limit, thr_);
  }
  bool HasInk(int32_t x0, int32_t x1, int32_t y0, int32_t y1) const {
    return RectColours(image_, x0, x1, y0, y1, thr_, cfInk) != 0;
  }
  bool InkAt(int32_t x, int32_t y) const {
    return Inside(image_, x, y) && IsInk(image_, x, y, thr_);
  }
  // Ink runs entered along row y from x0 to x1; columns beyond the raster
  // count as paper, which adds no run.
  int32_t RowRuns(int32_t x0, int32_t x1, int32_t y) const {
    x1 = std::min(x1, image_.Width() - 1);
    if (x0 < 0 || x0 > x1 || y < 0 || y >= image_.Height()) return 0;
    return CountInkRuns(image_, x0, y, x1, y, thr_);
  }
  // Pixel writes outside the raster are dropped.
  void Cut(int32_t x, int32_t y) {
    if (Inside(image_, x, y)) image_.Row(y)[x] |= kCutBits;
  }
  void Bridge(int32_t x, int32_t y) {
    if (Inside(image_, x, y)) image_.Row(y)[x] &= kBridgeMask;
  }

 private:
  TDIB& image_;
  const std::uint8_t thr_;
};

void AppendLeftPiece(TOmnifontOCR& engine, const TCharRecord& p, int32_t right) {
  auto piece = std::make_unique<TCharRecord>(p);
  piece->Right = right;
  piece->Serial = engine.ComponentCount;
  piece->Reserved = 0;
  engine.Characters.push_back(std::move(piece));
  engine.ComponentCount += 1;
}

// One edge of a record. The top edge reads rows downwards from T, the bottom
// edge upwards from B.
struct Edge {
  bool Top;
  int32_t Row;     // T or B: the row the bar is looked for in
  int32_t Inward;  // +1 from the top, -1 from the bottom
  int32_t Towards() const { return Top ? dirDown : dirUp; }
};

// A run of ink along the edge row: its first column and its length.
struct Bar {
  int32_t V = 0;
  int32_t Width = 0;
};

class JoinCutter {
 public:
  JoinCutter(TOmnifontOCR& engine, TCharRecord& p)
      : engine_(engine), p_(p), probe_(engine), t_(p.Top), b_(p.Bottom), r_(p.Right) {}

  // One pass along an edge. The cursor moves from bar to bar; after a split
  // it goes on from the remaining piece's left edge.
  void CutEdge(bool top) {
    const Edge edge{top, top ? t_ : b_, top ? 1 : -1};
    int32_t x = p_.Left - 1;
    while (top ? x + 4 < r_ : x < r_) {
      x += 1;
      Bar bar;
      if (!FindBar(edge, x, bar)) return;
      int32_t cutX = 0;
      if (bar.Width <= kMaxUncutBar || !FindCutColumn(edge, bar, cutX)) {
        x = bar.V + bar.Width;
        continue;
      }
      const int32_t hm = b_ - t_ + 1;
      for (int32_t k = 0; k < (hm + 4) / 8; ++k) probe_.Cut(cutX, edge.Row + edge.Inward * k);
      if (!SplitAt(edge, cutX, hm)) {
        x = bar.V + bar.Width;
        continue;
      }
      x = p_.Left;
    }
  }

 private:
  // The next ink run of the edge row from x, or of the row inside it when
  // longer. False when the bar reaches past the record: the pass ends.
  bool FindBar(const Edge& edge, int32_t x, Bar& bar) const {
    const int32_t limit = r_ - p_.Left;
    bar.V = x + probe_.Run(x, edge.Row, dirRight, cfInk, limit);
    bar.Width = probe_.Run(bar.V, edge.Row, dirRight, cfPaper, limit);
    if (r_ + 1 < bar.V + bar.Width) return false;
    bar.Width =
        std::max(bar.Width, probe_.Run(bar.V, edge.Row + edge.Inward, dirRight, cfPaper, limit));
    return !(r_ + 1 < bar.V + bar.Width);
  }

  // The column where a thin bar joining two strokes is cut: the middle of the
  // first gap under the bar, with a second stroke that ends before the bar
  // does. False when the bar is no such join.
  bool FindCutColumn(const Edge& edge, const Bar& bar, int32_t& cutX) const {
    const int32_t bt = b_ - t_;
    const int32_t hm = bt + 1;
    const int32_t v = bar.V;
    // Thickness at the bar's first column: a join is a thin bar at the very edge.
    const int32_t z = probe_.Run(v, edge.Row, edge.Towards(), cfInk, bt);
    if (8 * z > bt) return false;
    const int32_t t = z + probe_.Run(v, edge.Row + edge.Inward * z, edge.Towards(), cfPaper, bt);
    if (!(8 * t < bt)) return false;
    // Under the bar: paper at its first column, then at least two strokes.
    const int32_t y = edge.Row + edge.Inward * (t + hm / 32);
    if (!(probe_.Run(v, y, dirRight, cfInk, 1) >= 1 && probe_.RowRuns(v, v + bar.Width, y) >= 2)) {
      return false;
    }
    const int32_t d1 = v + probe_.Run(v, y, dirRight, cfInk, kNoLimit);
    const int32_t e1 = d1 + probe_.Run(d1, y, dirRight, cfPaper, kNoLimit);
    const int32_t g1 = probe_.Run(e1, y, dirRight, cfInk, kNoLimit);
    if (g1 < 2) return false;
    cutX = e1 + g1 / 2;
    const int32_t s2 =
        cutX + std::max(probe_.Run(cutX, y, dirRight, cfInk, r_ - cutX),
                        probe_.Run(cutX, y + edge.Inward, dirRight, cfInk, r_ - cutX));
    const int32_t e2 = s2 + probe_.Run(s2, y, dirRight, cfPaper, r_ - s2);
    const int32_t g2 = probe_.Run(e2, y, dirRight, cfInk, r_ - e2);
    return g2 >= 2 && e2 < v + bar.Width;
  }

  // Column cutX + s is clear of ink over the half of the glyph away from the
  // bar, for the shift s nearest to 0 whose column is paper far enough.
  int32_t FindShift(const Edge& edge, int32_t cutX, int32_t hm) const {
    const int32_t mid = (t_ + b_) / 2;
    const int32_t l = p_.Left;
    int32_t probeRow = b_;
    int32_t dir = dirUp;
    int32_t limit = b_ - t_;
    if (edge.Top) {
      // A glyph reaching into the descender zone is probed from the baseline.
      if (t_ < p_.LineBase && p_.LineBase + p_.LineBottom < 2 * b_) probeRow = p_.LineBase;
      limit = probeRow - t_;
    } else {
      probeRow = t_;
      dir = dirDown;
    }
    for (int32_t k = 0; k < (r_ - l + 4) / 8; ++k) {
      if (probe_.Run(cutX - k, probeRow, dir, cfInk, limit) > hm / 2 &&
          probe_.Run(cutX, mid, dirLeft, cfInk, k + 1) >= k) {
        return -k;
      }
      if (probe_.Run(cutX + k, probeRow, dir, cfInk, limit) > hm / 2 &&
          probe_.Run(cutX, mid, dirRight, cfInk, k + 1) >= k) {
        return k;
      }
    }
    return 0;
  }

  bool SplitAt(const Edge& edge, int32_t cutX, int32_t hm) {
    const int32_t mid = (t_ + b_) / 2;
    const int32_t s = FindShift(edge, cutX, hm);
    if (edge.Top) {
      int32_t q = b_;
      if (t_ < p_.LineBase && p_.LineBase + p_.LineBottom < 2 * b_) q = p_.LineBase;
      if (probe_.HasInk(cutX, cutX, t_, mid) || probe_.HasInk(cutX + s, cutX + s, mid, q)) {
        return false;
      }
      AppendLeftPiece(engine_, p_, cutX - 1);
      p_.Left = cutX + 1;  // the cut column belongs to neither piece
    } else {
      if (probe_.HasInk(cutX, cutX, mid, b_) || probe_.HasInk(cutX + s, cutX + s, t_, mid)) {
        return false;
      }
      AppendLeftPiece(engine_, p_, cutX - 1);
      p_.Left = cutX;  // the cut column stays with the right-hand piece
    }
    return true;
  }

  TOmnifontOCR& engine_;
  TCharRecord& p_;
  Prober probe_;
  const int32_t t_;
  const int32_t b_;
  const int32_t r_;
};

bool IsMergeCandidate(const TCharRecord& p, const TCharRecord& q) {
  return &p != &q && q.Ch != NonTextMark && q.Line >= 0 && q.Line == p.Line;
}

// Merges the record at `index` into p. The walks that found it go on at the
// next position, so the record that moves into the freed place is passed over.
void Absorb(TOmnifontOCR& engine, TCharRecord& p, std::size_t index) {
  const TCharRecord& q = *engine.Characters[index];
  p.Left = std::min(p.Left, q.Left);
  p.Top = std::min(p.Top, q.Top);
  p.Right = std::max(p.Right, q.Right);
  p.Bottom = std::max(p.Bottom, q.Bottom);
  engine.Characters.erase(engine.Characters.begin() + static_cast<std::ptrdiff_t>(index));
  engine.ComponentCount -= 1;
}

// The pair shapes under which two stacked pieces make one glyph.
bool IsStackedPair(const TOmnifontOCR& engine, const TCharRecord& p, const TCharRecord& q) {
  const int32_t L = p.Left, R = p.Right, T = p.Top, B = p.Bottom;
  const int32_t w = R - L;
  const int32_t lineSpan = p.LineBottom - p.LineTop;
  // p is a mark (an i-dot, an accent) above the small letters, over q.
  if (4 * q.Right >= 3 * L + R && 2 * q.Left <= L + R + 2 && q.Right - q.Left + 1 >= w - w / 4 &&
      p.LineMean >= B && (p.LineTop <= T + 2 || lineSpan > 4 * (B - T))) {
    return true;
  }
  // q lies in the middle half of a wide p.
  if (3 * w > 2 * engine.AvgCharWidth && 3 * L + R < 4 * q.Left && L + 3 * R > 4 * q.Right) {
    return true;
  }
  // p is a flat piece in the lower body, q a piece ending above the baseline.
  if (2 * q.Right >= L + R && q.Left <= R && q.Right - q.Left + 2 >= w &&
      p.LineMean + p.LineBase <= 2 * T && p.LineMean + 3 * p.LineBase <= 4 * B &&
      lineSpan > 4 * (B - T) &&
      (q.LineMean + 7 * q.LineBase > 8 * q.Bottom || q.LineBottom - q.LineTop < 16)) {
    return true;
  }
  // p is the upper piece in the body, q a piece below the middle of the body.
  if (2 * q.Right >= L + R && q.Left <= R && q.Right - q.Left + 4 >= w &&
      (3 * q.Right + q.Left) / 4 >= L && p.LineMean != 0 && q.LineMean != 0 && p.LineBase > B &&
      q.LineBase + q.LineMean < 2 * q.Bottom && 3 * q.LineMean + q.LineBase <= 4 * q.Top &&
      p.LineBase + p.LineMean > 2 * T &&
      (q.LineMean + 3 * q.LineBase > 4 * q.Bottom || q.LineBase < q.Bottom)) {
    return true;
  }
  // Without a mean line there is nothing to judge by.
  return p.LineMean == 0 || q.LineMean == 0;
}

// Stacked pieces are merged only across a small vertical gap, never when
// their boxes overlap vertically.
bool SeparatedBySmallGap(const TCharRecord& p, const TCharRecord& q) {
  if (p.Top > q.Bottom) return p.Top - q.Bottom <= 2 * (p.Bottom - p.Top) + 4;
  if (q.Top > p.Bottom) return q.Top - p.Bottom <= 2 * (q.Bottom - q.Top) + 4;
  return false;
}

// The list positions from which the records of p's line start, and whether
// position j still holds one of them. Merge candidates share p's line; when
// the list is in reading order (by line) they lie together, and the walks
// look only there instead of over the whole page.
std::size_t FirstOfLine(const TOmnifontOCR& engine, const TCharRecord& p, bool byLine) {
  if (!byLine) return 0;
  return static_cast<std::size_t>(
      std::lower_bound(
          engine.Characters.begin(), engine.Characters.end(), p.Line,
          [](const std::unique_ptr<TCharRecord>& r, int32_t line) { return r->Line < line; }) -
      engine.Characters.begin());
}
bool InLine(const TOmnifontOCR& engine, const TCharRecord& p, std::size_t j, bool byLine) {
  return j < engine.Characters.size() && (!byLine || engine.Characters[j]->Line == p.Line);
}

void MergeStacked(TOmnifontOCR& engine, TCharRecord& p, bool byLine) {
  if (!(p.LineBottom - p.LineTop > 2 * (p.Bottom - p.Top))) return;
  for (std::size_t j = FirstOfLine(engine, p, byLine); InLine(engine, p, j, byLine); ++j) {
    const TCharRecord& q = *engine.Characters[j];
    if (IsMergeCandidate(p, q) && IsStackedPair(engine, p, q) && SeparatedBySmallGap(p, q)) {
      Absorb(engine, p, j);
    }
  }
}

// A low piece whose bottom-left corner touches the left neighbour diagonally.
void MergeCornerTouch(TOmnifontOCR& engine, TCharRecord& p, bool byLine) {
  const int32_t baseMean = p.LineBase + p.LineMean;
  if (!(baseMean > 2 * p.Bottom && baseMean > 2 * (p.Bottom - p.Top))) return;
  Prober probe(engine);
  for (std::size_t j = FirstOfLine(engine, p, byLine); InLine(engine, p, j, byLine); ++j) {
    const TCharRecord& q = *engine.Characters[j];
    if (!IsMergeCandidate(p, q)) continue;
    const int32_t L = p.Left, B = p.Bottom;
    if (q.Right == L - 1 && q.Left + 3 * q.Right < 4 * L && probe.InkAt(L, B) &&
        probe.HasInk(L - 2, L - 1, B, B + 2)) {
      probe.Bridge(L, B + 1);
      Absorb(engine, p, j);
    }
  }
}

// p looks like a small letter whose left stem broke off below its top
// (one stroke through the lower half, the left quarter empty below the
// upper quarter, ink at the left edge above it).
bool LooksLikeStemless(const Prober& probe, const TCharRecord& p) {
  const int32_t L = p.Left, R = p.Right, T = p.Top, B = p.Bottom;
  const int32_t tolerance = (B - T) / 8;
  if (std::abs(p.LineMean - T) > tolerance || std::abs(p.LineBase - B) > tolerance) return false;
  const int32_t middle = (T + B) / 2;
  const int32_t lower = (3 * B + T) / 4;
  if (probe.RowRuns(L, R, middle) != 1 || probe.RowRuns(L, R, lower) != 1) return false;
  const int32_t f = (3 * L + R) / 4;
  const int32_t g = (3 * T + B) / 4;
  return !probe.HasInk(f, f, g, B) && !probe.HasInk(L, f, g, lower) && probe.HasInk(L, L, T, g);
}

void MergeBrokenStem(TOmnifontOCR& engine, TCharRecord& p, bool byLine) {
  Prober probe(engine);
  if (!LooksLikeStemless(probe, p)) return;
  for (std::size_t j = FirstOfLine(engine, p, byLine); InLine(engine, p, j, byLine); ++j) {
    const TCharRecord& q = *engine.Characters[j];
    if (!IsMergeCandidate(p, q)) continue;
    const int32_t L = p.Left, T = p.Top, B = p.Bottom;
    if (!(L - 3 < q.Right && q.Right < L + 2 && std::abs(q.Bottom - p.LineBase) < 2)) continue;
    const int32_t m = probe.Run(L, T, dirDown, cfInk, B - T);
    if (B - T >= 2 * m) {
      probe.Bridge(L - 1, T + m);
      probe.Bridge(L - 1, T + m + 1);
      Absorb(engine, p, j);
    }
  }
}

}  // namespace

void CutJoinedCharacters(TOmnifontOCR& engine) {
  const std::size_t present = engine.Characters.size();
  for (std::size_t i = 0; i < present; ++i) {
    JoinCutter cutter(engine, *engine.Characters[i]);
    cutter.CutEdge(true);
    cutter.CutEdge(false);
  }
}

void MergeBrokenCharacters(TOmnifontOCR& engine) {
  // Merging only removes records, so a list in line order stays so.
  const bool byLine =
      std::is_sorted(engine.Characters.begin(), engine.Characters.end(),
                     [](const auto& a, const auto& b) { return a->Line < b->Line; });
  for (std::size_t i = 0; i < engine.Characters.size(); ++i) {
    platform::CheckDeadline();
    TCharRecord& p = *engine.Characters[i];
    const bool belowLine = p.LineBottom > 0 && p.LineBottom < p.Top;
    const bool aboveLine = p.LineTop > 0 && p.LineTop - (p.LineBase - p.LineMean) > p.Top;
    if (belowLine || aboveLine) continue;
    MergeStacked(engine, p, byLine);
    MergeCornerTouch(engine, p, byLine);
    MergeBrokenStem(engine, p, byLine);
  }
}
