// The three passes that finish a recognition:
//   SimilarityCorrection  an unread glyph takes the reading of the most similar
//                         confidently read glyph of the same area
//   InsertSeparators      gaps become space records, line changes line breaks
//   ContextCorrection     look-alike letters and digits settled by their
//                         neighbours, case fixes, quote joins
// Corrections only choose among a record's own candidates, except the case
// fixes and the quote join.
#include "ocr/postprocess.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <map>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "classifier/classifier.h"
#include "platform/deadline.h"
#include "platform/exceptions.h"
#include "platform/rounding.h"

using platform::Round;

namespace {

constexpr char16_t kSpace = u' ';
constexpr char16_t kLineBreak = u'\r';

// ---------------------------------------------------------------------------
// Candidates and character classes

// The confidence of ch among the record's candidates, 0 when it is not one.
int32_t CandidateConfidence(const TCharRecord& r, char16_t ch) {
  if (r.CandCount > 10 || r.CandCount < 0) {
    throw platform::Exception("There is something wrong with testac()!");
  }
  for (int32_t i = 0; i < r.CandCount; ++i) {
    if (r.Cands[i] == ch) return r.Confs[i];
  }
  return 0;
}

// Sets the reading to ch when ch is among the candidates.
void SetIfPossible(TCharRecord& r, char16_t ch) {
  if (CandidateConfidence(r, ch) > 0) r.Ch = ch;
}

bool IsDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}
bool IsCapital(char16_t c) {
  return c >= u'A' && c <= u'Z';
}
bool IsSmall(char16_t c) {
  return c >= u'a' && c <= u'z';
}
bool OneOf(char16_t c, std::u16string_view set) {
  return c != 0 && set.find(c) != std::u16string_view::npos;
}

// Best confidence of a record, `none` when it has no candidates.
int32_t BestConfidence(const TCharRecord& r, int32_t none) {
  return r.CandCount > 0 ? r.Confs[0] : none;
}

// A separator record (space or line break) made by post-processing.
std::unique_ptr<TCharRecord> NewSeparator(const TOmnifontOCR& engine, const TCharRecord& lineOf,
                                          char16_t ch) {
  auto rec = std::make_unique<TCharRecord>();
  rec->Serial = -1;
  rec->Raster = engine.Image.get();
  rec->Line = lineOf.Line;
  rec->LineTop = lineOf.LineTop;
  rec->LineMean = lineOf.LineMean;
  rec->LineBase = lineOf.LineBase;
  rec->LineBottom = lineOf.LineBottom;
  rec->Ch = ch;
  return rec;
}

void InsertRecord(TOmnifontOCR& engine, int32_t index, std::unique_ptr<TCharRecord> rec) {
  engine.Characters.insert(engine.Characters.begin() + index, std::move(rec));
}

int32_t Count(const TOmnifontOCR& engine) {
  return static_cast<int32_t>(engine.Characters.size());
}

}  // namespace

// ---------------------------------------------------------------------------
// Similarity

namespace {

constexpr int32_t kNoBound = INT32_MAX;

// GlyphDistance, but the comparison stops as soon as the distance cannot end
// below `bound`; it then answers `bound` (or more) instead of the distance.
int32_t GlyphDistanceBelow(const TOmnifontOCR& engine, const TCharRecord& a, const TCharRecord& b,
                           int32_t bound) {
  const TDIB& img = *engine.Image;
  const auto threshold = static_cast<uint8_t>(engine.Threshold);
  const int32_t wA = a.Right - a.Left + 1, hA = a.Bottom - a.Top + 1;
  const int32_t wB = b.Right - b.Left + 1, hB = b.Bottom - b.Top + 1;
  const int32_t W = std::max(wA, wB), H = std::max(hA, hB);
  if (std::abs(wA - wB) > W / 16 + 1 || std::abs(hA - hB) > H / 16 + 1) return 100;

  int32_t P = 0, M = 0;
  // A glyph reaching into a zone the other one leaves empty is a different letter.
  if (a.LineBase + a.LineBottom < 2 * a.Bottom && b.LineBase + b.LineBottom > 2 * b.Bottom)
    P += 128;
  if (a.LineTop + a.LineMean < 2 * a.Top && b.LineTop + b.LineMean > 2 * b.Top) P += 128;

  const int32_t width = img.Width(), height = img.Height();
  auto inside = [&](int32_t x, int32_t y) { return x >= 0 && y >= 0 && x < width && y < height; };
  // Outside the raster counts as ink, so that a glyph cut by the border matches nothing by
  // accident.
  auto flag = [&](int32_t x, int32_t y) { return !inside(x, y) || img.Row(y)[x] < threshold; };
  const int32_t sx = W / 32 + 1, sy = H / 32 + 1;
  for (int32_t y = 0; y < H; ++y) {
    for (int32_t x = 0; x < W; ++x) {
      const int32_t ax = a.Left + x, ay = a.Top + y, bx = b.Left + x, by = b.Top + y;
      if (flag(ax, ay) == flag(bx, by)) {
        M += 16;
        continue;
      }
      // A differing pixel weighs by how many neighbours differ as well: an
      // isolated difference is an edge wobble, a cluster is a different shape.
      int32_t against = 0;
      for (int32_t j = -1; j <= 1; ++j) {
        for (int32_t i = -1; i <= 1; ++i) {
          if (i == 0 && j == 0) continue;
          const int32_t nax = ax + i * sx, nay = ay + j * sy, nbx = bx + i * sx, nby = by + j * sy;
          if (!inside(nax, nay) || !inside(nbx, nby) ||
              (img.Row(nay)[nax] < threshold) != (img.Row(nby)[nbx] < threshold)) {
            ++against;
          }
        }
      }
      const int32_t z = against - 1;
      if (z > 0) P += 16 * z;
    }
    // The rows left can add at most 16 a pixel to M, which would lower the
    // distance the most: if even that leaves it at the bound, it is known.
    if (bound == kNoBound) continue;
    const int64_t rest = int64_t{16} * W * (H - 1 - y);
    if (int64_t{P} * 100 >= int64_t{bound} * (M + P + rest) && M + P + rest > 0) return bound;
  }
  return M + P > 0 ? P * 100 / (M + P) : 99;
}

}  // namespace

int32_t GlyphDistance(const TOmnifontOCR& engine, const TCharRecord& a, const TCharRecord& b) {
  return GlyphDistanceBelow(engine, a, b, kNoBound);
}

namespace {

constexpr int32_t kTrustedConfidence = 95;  // references must be read at least this well

bool IsReference(const TCharRecord& r) {
  return r.Ch != NoChar && BestConfidence(r, 100) > kTrustedConfidence;
}

// Whether two sizes differ by at most a sixteenth of the larger plus one:
// GlyphDistance rates a pair of other sizes 100 without looking at it.
bool SimilarSize(int32_t a, int32_t b) {
  return std::abs(a - b) <= std::max(a, b) / 16 + 1;
}

// The reference glyphs by their box size, so that a glyph is compared only
// with references GlyphDistance does not refuse on size alone; references
// of other sizes rate 100 and can never be the one a correction takes.
class ReferenceIndex {
 public:
  void Add(const TCharRecord& r, std::size_t position) {
    bySize_[{Width(r), Height(r)}].push_back(position);
  }
  // List positions of the references of a size similar to r's, ascending.
  std::vector<std::size_t> Near(const TCharRecord& r) const {
    std::vector<std::size_t> out;
    const int32_t w = Width(r), h = Height(r);
    // A similar size lies within a fifteenth of the size plus two.
    for (auto it = bySize_.lower_bound({w - w / 15 - 2, INT32_MIN});
         it != bySize_.end() && it->first.first <= w + w / 15 + 2; ++it) {
      if (SimilarSize(w, it->first.first) && SimilarSize(h, it->first.second))
        out.insert(out.end(), it->second.begin(), it->second.end());
    }
    std::sort(out.begin(), out.end());
    return out;
  }

 private:
  static int32_t Width(const TCharRecord& r) { return r.Right - r.Left + 1; }
  static int32_t Height(const TCharRecord& r) { return r.Bottom - r.Top + 1; }
  std::map<std::pair<int32_t, int32_t>, std::vector<std::size_t>> bySize_;
};

}  // namespace

void SimilarityCorrection(TOmnifontOCR& engine) {
  constexpr int32_t kMaxDistance = 10;
  auto& list = engine.Characters;
  ReferenceIndex references;
  for (std::size_t i = 0; i < list.size(); ++i)
    if (IsReference(*list[i])) references.Add(*list[i], i);
  for (std::size_t i = 0; i < list.size(); ++i) {
    TCharRecord& p = *list[i];
    if (p.Ch != NoChar || p.Bottom - p.Top <= 4 || p.Right - p.Left <= 1) continue;
    platform::CheckDeadline();
    // The nearest reference, the first in list order on ties.
    const TCharRecord* best = nullptr;
    int32_t bestDistance = 1000;
    for (const std::size_t j : references.Near(p)) {
      // Only a distance below both the best so far and the limit can matter.
      const int32_t d =
          GlyphDistanceBelow(engine, p, *list[j], std::min(bestDistance, kMaxDistance));
      if (d < bestDistance) {
        bestDistance = d;
        best = list[j].get();
        if (d == 0) break;  // nothing later can be nearer
      }
    }
    if (best != nullptr && bestDistance < kMaxDistance) {
      SetAC(engine, p, best->Ch, std::max(1, BestConfidence(*best, 97) - bestDistance));
      // A glyph read this well now serves the glyphs after it.
      if (IsReference(p)) references.Add(p, i);
    }
  }
}

// ---------------------------------------------------------------------------
// Spaces and line breaks

namespace {

// The typical line height: the mean over the real lines, refined over the
// lines within 20 % of it; from the character height when there is no line.
int32_t MeanLineHeight(const TOmnifontOCR& engine) {
  const TLineTable& t = engine.LineTable;
  auto height = [&t](int32_t l) { return t.Bottom[l] - t.Top[l] + 1; };
  int64_t sum = 0;
  int32_t n = 0;
  for (int32_t l = 1; l < t.Count; ++l, ++n) sum += height(l);
  int32_t A = n > 0 ? static_cast<int32_t>(sum / n) : 0;
  int64_t nearSum = 0;
  int32_t nearCount = 0;
  for (int32_t l = 1; l < t.Count; ++l) {
    const int32_t h = height(l);
    if (A * 0.8 <= h && h <= A * 1.2) {
      nearSum += h;
      ++nearCount;
    }
  }
  if (nearCount > 0 && nearSum / nearCount > 7) A = static_cast<int32_t>(nearSum / nearCount);
  if (A == 0) A = Round(engine.AvgCharHeight * 110 / 100.0) + 1;
  return A;
}

// The gap between characters of the line that starts at record k: the mean of
// its narrow gaps, or the engine's gap scaled to the line's height.
int32_t LineGap(const TOmnifontOCR& engine, int32_t k, int32_t line, int32_t meanHeight) {
  const auto& c = engine.Characters;
  int64_t sum = 0;
  int32_t n = 0;
  for (int32_t j = k + 1; j < Count(engine) && c[j]->Line == c[j - 1]->Line; ++j) {
    const int32_t g = c[j]->Left - c[j - 1]->Right + 2;
    if (g < engine.AvgCharWidth) {
      sum += g + 1;
      ++n;
    }
  }
  if (n > 0) return Round(static_cast<double>(sum) / n);
  const int32_t h = engine.LineTable.Bottom[line] - engine.LineTable.Top[line] + 1;
  return Round(static_cast<double>(h) * engine.CharGap / meanHeight) / 2;
}

}  // namespace

void InsertSeparators(TOmnifontOCR& engine, int32_t area) {
  const bool breaks = area == 3 || area == 4;
  if (Count(engine) < 2) return;
  const int32_t A = MeanLineHeight(engine);
  const int32_t acw = engine.AvgCharWidth;
  int32_t G = engine.CharGap;
  int32_t cl = -1;
  enum class Sep { kNone, kSpace, kBreak };
  int32_t k = 1;
  while (k <= Count(engine) - 1) {
    TCharRecord& q = *engine.Characters[k];
    const TCharRecord& prev = *engine.Characters[k - 1];
    Sep sep = Sep::kNone;
    if (q.Line > cl) {
      if (cl >= 0) sep = Sep::kBreak;
      cl = q.Line;
      G = LineGap(engine, k, cl, A);
    }
    if (cl != 0 && q.Line == 0 && sep == Sep::kNone) sep = Sep::kSpace;
    if (q.Line <= cl && sep == Sep::kNone) {
      const int32_t gap = std::max(0, q.Left - prev.Right);
      if (std::abs(gap - acw) <= std::abs(gap - G)) sep = Sep::kSpace;
    }
    if (sep == Sep::kSpace) {
      int32_t n = 1;
      if (acw > 0 && acw + G != 0) n = (q.Left - prev.Right + 2) / (acw + G);
      n = std::max(n, 1);
      const int32_t prevRight = prev.Right;
      for (int32_t i = 1; i <= n; ++i) {
        auto space = NewSeparator(engine, q, kSpace);
        space->Left = prevRight + G + (i - 1) * (acw + G);
        space->Right = std::min(space->Left + acw, q.Left - 2);
        space->Top = q.LineTop;
        space->Bottom = q.LineBase;
        SetAC(engine, *space, kSpace, 100);
        InsertRecord(engine, k + i - 1, std::move(space));
      }
      k += n + 1;
    } else if (sep == Sep::kBreak && breaks) {
      auto lineBreak = NewSeparator(engine, q, kLineBreak);
      lineBreak->Left = engine.LineTable.MinX[q.Line];
      lineBreak->Right = q.Left - 2;
      lineBreak->Top = prev.Bottom;
      lineBreak->Bottom = q.Top;
      lineBreak->SeedX = q.Left - 1;
      lineBreak->SeedY = q.Top;
      SetAC(engine, *lineBreak, kLineBreak, 100);
      InsertRecord(engine, k, std::move(lineBreak));
      k += 2;
    } else {
      k += 1;
    }
  }
}

// ---------------------------------------------------------------------------
// Context

namespace {

// I, l, 1 and | told apart by their neighbours.
void SettleVerticalBar(TCharRecord& q, const TCharRecord& prev, const TCharRecord& next,
                       const TCharRecord* prev2) {
  const char16_t p = prev.Ch, n = next.Ch;
  const bool sentenceStart =
      p == kLineBreak || (p == kSpace && prev2 != nullptr && prev2->Ch == u'.');
  if (!IsDigit(n) && n != u'i' && sentenceStart) {
    SetIfPossible(q, u'I');
  } else if (q.Ch != u'1' && OneOf(n, u"bcdfghjklmnpqrstvwxz") && OneOf(p, u"\" \r")) {
    SetIfPossible(q, u'I');
  } else if (OneOf(n, u"aeiouy")) {
    SetIfPossible(q, u'l');
  } else if (IsCapital(n) && !OneOf(n, u"O0I123456789") && !OneOf(p, u"O0I123456789")) {
    SetIfPossible(q, u'I');
  } else if (IsSmall(p)) {
    SetIfPossible(q, u'l');
  } else if (IsDigit(p) || IsDigit(n)) {
    SetIfPossible(q, u'1');
  }
}

// Applies the first rule group whose condition holds; returns after it.
void ApplyRuleGroup(TOmnifontOCR& engine, int32_t k, TCharRecord& q, const TCharRecord& prev,
                    const TCharRecord& next, const TCharRecord* prev2) {
  const bool nearDigit = IsDigit(prev.Ch) || IsDigit(next.Ch);
  if (OneOf(q.Ch, u"Il1|")) return SettleVerticalBar(q, prev, next, prev2);
  if (OneOf(q.Ch, u"O0")) {
    if ((prev.Ch == kSpace && !IsDigit(next.Ch)) || !nearDigit) {
      SetIfPossible(q, u'O');
    } else if (nearDigit) {
      SetIfPossible(q, u'0');
    }
    return;
  }
  if (OneOf(q.Ch, u"oO")) {
    if (nearDigit) SetIfPossible(q, u'0');
    return;
  }
  if (OneOf(q.Ch, u"sS")) {
    if (nearDigit) SetIfPossible(q, u'5');
    return;
  }
  if (q.Ch == u'B') {
    if (nearDigit) SetIfPossible(q, u'8');
    return;
  }
  if (IsCapital(q.Ch)) {
    // A capital after a small letter, further from it than from what follows,
    // starts a new word.
    if (IsSmall(prev.Ch) && IsSmall(next.Ch) &&
        2 * (q.Left - prev.Right) > 3 * (next.Left - q.Right)) {
      auto space = std::make_unique<TCharRecord>();
      space->Serial = -1;
      space->Raster = engine.Image.get();
      space->Left = prev.Right + 2;
      space->Right = q.Left - 2;
      space->Top = q.Top;
      space->Bottom = q.Bottom;
      space->SeedX = q.Left - 1;
      space->SeedY = q.Top;
      space->Ch = kSpace;
      space->CandCount = 1;
      space->Cands[0] = kSpace;
      space->Confs[0] = 100;
      space->Line = prev.Line;
      space->LineTop = q.LineTop;
      space->LineMean = q.LineMean;
      space->LineBase = q.LineBase;
      space->LineBottom = q.LineBottom;
      InsertRecord(engine, k, std::move(space));
    }
    return;
  }
  if (OneOf(q.Ch, u"CKOPSUVWXYZckopsuvwxyz")) {
    // Letters whose two cases share a shape take the case of a same-height neighbour.
    const int32_t hp = prev.Bottom - prev.Top, hq = q.Bottom - q.Top;
    if (hp / 10.0 > std::abs(hp - hq)) {
      q.Ch = IsCapital(prev.Ch) ? static_cast<char16_t>(std::toupper(q.Ch))
                                : static_cast<char16_t>(std::tolower(q.Ch));
    }
  }
}

void DeleteRecord(TOmnifontOCR& engine, const TCharRecord* rec) {
  auto& c = engine.Characters;
  c.erase(std::find_if(c.begin(), c.end(), [rec](const auto& p) { return p.get() == rec; }));
}

}  // namespace

void ContextCorrection(TOmnifontOCR& engine) {
  for (int32_t k = 0; k < Count(engine) - 1; ++k) {
    TCharRecord& q = *engine.Characters[k];
    TCharRecord* prev = k > 0 ? engine.Characters[k - 1].get() : nullptr;
    const TCharRecord& next = *engine.Characters[k + 1];
    const TCharRecord* prev2 = k > 1 ? engine.Characters[k - 2].get() : nullptr;
    if (prev != nullptr) ApplyRuleGroup(engine, k, q, *prev, next, prev2);
    if (prev == nullptr) continue;
    // Tail rules, on prev as it was at the start of the step.
    if (prev->Ch == kSpace && OneOf(q.Ch, u".,;:!?)") &&
        prev->Right - prev->Left < 2 * engine.AvgCharWidth) {
      DeleteRecord(engine, prev);  // no space before closing punctuation
    } else if (OneOf(prev->Ch, u"`'") && OneOf(q.Ch, u"`'") &&
               q.Left - prev->Right < engine.AvgCharWidth) {
      q.Ch = u'"';  // two single quotes side by side are one double quote
      DeleteRecord(engine, prev);
    }
  }
}
