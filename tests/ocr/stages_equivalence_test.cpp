// The segmentation stages that look records up through an index, against the
// walks over every record (or every line) they replace, written the plain
// way. Random records of a few sizes crowd a page so that ties, overlaps and
// records outside every line all occur.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "ocr/components.h"
#include "ocr/lines.h"
#include "ocr_test_util.h"

namespace {

// A page of `count` records with random boxes of small, middle and large sizes.
void RandomRecords(TOmnifontOCR& engine, std::mt19937& rng, int32_t count) {
  ocrtest::AttachWorkingRaster(engine, ocrtest::Canvas(400, 300).art);
  std::uniform_int_distribution<int32_t> x(0, 380), y(0, 280), kind(0, 9), small(1, 12),
      large(20, 90);
  for (int32_t i = 0; i < count; ++i) {
    auto r = std::make_unique<TCharRecord>();
    const bool big = kind(rng) == 0;
    r->Left = x(rng);
    r->Top = y(rng);
    r->Right = r->Left + (big ? large(rng) : small(rng));
    r->Bottom = r->Top + (big ? large(rng) : small(rng));
    r->Ch = kind(rng) == 1 ? NonTextMark : NoChar;
    r->Raster = engine.Image.get();
    r->Serial = i + 1;
    engine.ComponentCount += 1;
    engine.WidthSum += r->Right - r->Left + 1;
    engine.HeightSum += r->Bottom - r->Top + 1;
    engine.Characters.push_back(std::move(r));
  }
}

// Random lines with extents over part of the page; some share a mean line.
void RandomLines(TOmnifontOCR& engine, std::mt19937& rng, int32_t count) {
  TLineTable& t = engine.LineTable;
  t.Count = count;
  std::uniform_int_distribution<int32_t> top(0, 280), height(0, 30), left(0, 300), width(0, 400);
  for (int32_t i = 1; i < count; ++i) {
    t.Top[i] = top(rng);
    t.Bottom[i] = t.Top[i] + height(rng);  // 0: a line no record may take
    t.Mean[i] = t.Top[i] + (t.Bottom[i] - t.Top[i]) / 3;
    t.Base[i] = t.Top[i] + 2 * (t.Bottom[i] - t.Top[i]) / 3;
    t.MinX[i] = left(rng);
    t.MaxX[i] = t.MinX[i] + width(rng);
  }
  if (count > 3) t.Mean[2] = t.Mean[1];  // a tie between two lines
}

struct Snapshot {
  std::vector<std::vector<int32_t>> records;
  bool operator==(const Snapshot&) const = default;
};

Snapshot Take(const TOmnifontOCR& engine) {
  Snapshot s;
  for (const auto& r : engine.Characters)
    s.records.push_back({r->Left, r->Top, r->Right, r->Bottom, r->Ch, r->Line, r->LineTop,
                         r->LineMean, r->LineBase, r->LineBottom, r->Serial});
  return s;
}

// Two engines with the same random page.
void Twins(TOmnifontOCR& a, TOmnifontOCR& b, uint32_t seed, int32_t records, int32_t lines) {
  std::mt19937 ra(seed), rb(seed);
  RandomRecords(a, ra, records);
  RandomRecords(b, rb, records);
  RandomLines(a, ra, lines);
  RandomLines(b, rb, lines);
}

void PlainMarkNonText(TOmnifontOCR& engine) {
  if (engine.ComponentCount == 0) return;
  engine.AvgCharHeight = engine.HeightSum / engine.ComponentCount;
  engine.AvgCharWidth = engine.WidthSum / engine.ComponentCount;
  for (auto& p : engine.Characters) {
    const int32_t w = p->Right - p->Left + 1, h = p->Bottom - p->Top + 1;
    if (p->Ch == NonTextMark || (w <= 4 * engine.AvgCharWidth && h <= 4 * engine.AvgCharHeight))
      continue;
    const int32_t hp = p->Bottom - p->Top, half = (hp + 1) / 2;
    int32_t companions = 0;
    for (const auto& q : engine.Characters) {
      const int32_t hq = q->Bottom - q->Top;
      companions += q->Ch != NonTextMark && hq <= 2 * hp && 2 * hq >= hp &&
                    std::abs(q->Top - p->Top) <= half && std::abs(q->Bottom - p->Bottom) <= half;
    }
    if (companions <= 4) p->Ch = NonTextMark;
  }
  RecomputeSizeStatistics(engine);
}

void PlainAssignLines(TOmnifontOCR& engine) {
  const TLineTable& t = engine.LineTable;
  for (auto& rp : engine.Characters) {
    TCharRecord& r = *rp;
    for (int32_t i = 0; i < t.Count; ++i) {
      if (t.Bottom[i] == t.Top[i] || r.Left < t.MinX[i] || r.Right > t.MaxX[i]) continue;
      if (r.LineMean != 0 && std::abs(r.Top - r.LineMean) <= std::abs(r.Top - t.Mean[i])) continue;
      r.Line = i, r.LineTop = t.Top[i], r.LineMean = t.Mean[i], r.LineBase = t.Base[i],
      r.LineBottom = t.Bottom[i];
    }
    const int32_t ah = engine.AvgCharHeight;
    if (r.Bottom + 2 * ah < r.LineTop || r.Top - 2 * ah > r.LineBottom)
      r.Line = r.LineTop = r.LineMean = r.LineBase = r.LineBottom = 0;
  }
}

void PlainSplit(TOmnifontOCR& engine) {
  const std::size_t present = engine.Characters.size();
  const int32_t ah = engine.AvgCharHeight;
  for (std::size_t i = 0; i < present; ++i) {
    TCharRecord& p = *engine.Characters[i];
    const int32_t ph = p.Bottom - p.Top + 1;
    if (!(2 * ah < ph && ph < 6 * ah) || p.LineTop == 0 || p.Top < p.LineTop - 2 ||
        p.Top > p.LineMean + 2 || p.Bottom < p.LineBottom + ah - 2 || p.Top > p.LineBottom ||
        p.Bottom <= p.LineBottom)
      continue;
    const int64_t reach = 4 * (int64_t{p.Right} + engine.AvgCharWidth - p.Left + 1);
    bool same = false, next = false;
    const TCharRecord* stop = nullptr;
    for (const auto& q : engine.Characters) {
      if (q->Right < p.Left - reach || q->Left > p.Right + reach) continue;
      same = same || q->Line == p.Line;
      next = next || q->Line == p.Line + 1;
      if (same && next) {
        stop = q.get();
        break;
      }
    }
    if (stop == nullptr) continue;
    auto upper = std::make_unique<TCharRecord>(p);
    upper->Bottom = p.LineBottom;
    upper->Serial = engine.ComponentCount;
    upper->Reserved = 0;
    p.Top = p.LineBottom + 1;
    p.Line += 1;
    if (stop->Line == p.Line)
      p.LineTop = stop->LineTop, p.LineMean = stop->LineMean, p.LineBase = stop->LineBase,
      p.LineBottom = stop->LineBottom;
    engine.Characters.push_back(std::move(upper));
    engine.ComponentCount += 1;
  }
}

TEST(StagesEquivalence, MarkNonTextCountsTheSameCompanions) {
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    TOmnifontOCR a, b;
    Twins(a, b, seed, 50 + 30 * static_cast<int32_t>(seed), 1);
    MarkNonText(a);
    PlainMarkNonText(b);
    ASSERT_EQ(Take(a), Take(b)) << "seed " << seed;
    EXPECT_EQ(a.AvgCharWidth, b.AvgCharWidth);
    EXPECT_EQ(a.AvgCharHeight, b.AvgCharHeight);
  }
}

TEST(StagesEquivalence, AssignLinesAndTheSplitGiveTheSameLines) {
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    TOmnifontOCR a, b;
    Twins(a, b, seed, 100 + 20 * static_cast<int32_t>(seed), 2 + static_cast<int32_t>(seed));
    a.AvgCharHeight = b.AvgCharHeight = 3;
    a.AvgCharWidth = b.AvgCharWidth = 4;
    AssignLines(a);
    PlainAssignLines(b);
    ASSERT_EQ(Take(a), Take(b)) << "seed " << seed;
    SplitTwoLineComponents(a);
    PlainSplit(b);
    ASSERT_EQ(Take(a), Take(b)) << "seed " << seed;
  }
}

}  // namespace

namespace {

// A page of random grey levels around the threshold, so that marking lifts
// some ink to paper, with blobs of every size and a block large enough to
// get its pinholes filled.
void RandomGreyPage(TOmnifontOCR& engine, std::mt19937& rng) {
  ocrtest::AttachWorkingRaster(engine, ocrtest::Canvas(90, 70).art);
  std::uniform_int_distribution<int32_t> level(100, 140), x(0, 89), y(0, 69), size(0, 40);
  TDIB& image = *engine.Image;
  for (int32_t blob = 0; blob < 40; ++blob) {
    const int32_t left = x(rng), top = y(rng), w = size(rng) / 4 + 1, h = size(rng) / 2 + 1;
    for (int32_t j = top; j < std::min(top + h, 70); ++j)
      for (int32_t i = left; i < std::min(left + w, 90); ++i)
        image.Row(j)[i] = static_cast<std::uint8_t>(level(rng));
  }
  // Pinholes in a solid block of 20 x 34.
  for (int32_t j = 30; j < 64; ++j)
    for (int32_t i = 60; i < 80; ++i) image.Row(j)[i] = (i + j) % 7 == 0 ? 200 : 0;
}

struct Labelled {
  Snapshot records;
  std::vector<int32_t> inkCounts;
  std::vector<std::uint8_t> pixels;
  int32_t count, widthSum, heightSum;
  bool operator==(const Labelled&) const = default;
};

Labelled Result(const TOmnifontOCR& engine) {
  Labelled r{Take(engine), {}, {}, engine.ComponentCount, engine.WidthSum, engine.HeightSum};
  for (const auto& rec : engine.Characters) r.inkCounts.push_back(rec->InkCount);
  const TDIB& image = *engine.Image;
  for (int32_t y = 0; y < image.Height(); ++y)
    r.pixels.insert(r.pixels.end(), image.Row(y), image.Row(y) + image.Width());
  return r;
}

}  // namespace

TEST(StagesEquivalence, SpecksDroppedWhileLabellingAsByRemovalAfterIt) {
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    for (const int32_t maxSpot : {0, 3, 8, 30}) {
      TOmnifontOCR a, b;
      std::mt19937 ra(seed), rb(seed);
      RandomGreyPage(a, ra);
      RandomGreyPage(b, rb);
      // Not a multiple of 8: marking lifts levels 120 to 124 to paper.
      a.Threshold = b.Threshold = 125;
      a.SpotRemoval = b.SpotRemoval = 2;
      a.MaxSpotSize = b.MaxSpotSize = maxSpot;
      ASSERT_TRUE(LabelComponentsAndRemoveSpots(a));
      LabelComponents(b);
      RemoveSpots(b);
      ASSERT_EQ(Result(a), Result(b)) << "seed " << seed << " max " << maxSpot;
    }
  }
}
