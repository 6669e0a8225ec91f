// Labelling, spot removal, hole filling, size statistics and non-text marking.
#include "ocr/components.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

#include "classifier/primitives.h"
#include "platform/deadline.h"
#include "platform/rounding.h"

namespace {

constexpr std::uint8_t kMarkerBits = 7;
constexpr std::uint8_t kHoleFill = 0;

// Only large glyphs get their one-pixel holes filled: in a small glyph such a
// hole may be the counter of a letter.
constexpr int32_t kHoleMinWidthSpan = 16;   // Right - Left must exceed it
constexpr int32_t kHoleMinHeightSpan = 30;  // Bottom - Top must exceed it

std::uint8_t Thr(const TOmnifontOCR& engine) {
  return static_cast<std::uint8_t>(engine.Threshold);
}

int32_t BoxWidth(const TCharRecord& r) {
  return r.Right - r.Left + 1;
}
int32_t BoxHeight(const TCharRecord& r) {
  return r.Bottom - r.Top + 1;
}

// A labelled component whose box covers 20000 pixels or more is a picture or a
// frame, not a character, and is never classified.
char16_t ComponentReading(const TFillResult& box) {
  const int64_t area = static_cast<int64_t>(box.Right - box.Left + 1) * (box.Bottom - box.Top + 1);
  return area < kNonTextBoxArea ? NoChar : NonTextMark;
}

void AppendRecord(TOmnifontOCR& engine, const TFillResult& box, int32_t seedX, int32_t seedY,
                  char16_t reading) {
  auto rec = std::make_unique<TCharRecord>();
  rec->Left = box.Left;
  rec->Right = box.Right;
  rec->Top = box.Top;
  rec->Bottom = box.Bottom;
  rec->SeedX = seedX;
  rec->SeedY = seedY;
  rec->Ch = reading;
  rec->Raster = engine.Image.get();
  engine.ComponentCount += 1;
  engine.WidthSum += BoxWidth(*rec);
  engine.HeightSum += BoxHeight(*rec);
  rec->Serial = engine.ComponentCount;
  engine.Characters.push_back(std::move(rec));
}

void ClearMarkerBits(TDIB& image) {
  const int32_t w = image.Width();
  for (int32_t y = 0; y < image.Height(); ++y) {
    std::uint8_t* row = image.Row(y);
    for (int32_t x = 0; x < w; ++x) row[x] &= static_cast<std::uint8_t>(~kMarkerBits);
  }
}

// The largest spot removal deletes: the parameter, or about one hundredth of
// the mean component box when the parameter asks for an automatic size.
int32_t MaximumSpotSize(const TOmnifontOCR& engine) {
  int32_t m = engine.MaxSpotSize;
  if (m < 0 && engine.ComponentCount > 0) {
    const double meanW = static_cast<double>(engine.WidthSum) / engine.ComponentCount;
    const double meanH = static_cast<double>(engine.HeightSum) / engine.ComponentCount;
    m = platform::Round(meanW * meanH / 100.0) + 1;
  }
  return m;
}

// Deletes specks band by band, (L - S, L] per pass, as long as each band holds
// fewer components than the band before it: a falling count means the band is
// still noise, a rising one that it has reached real glyph sizes.
void RemoveSpotsSmart(TOmnifontOCR& engine, int32_t m, int32_t s) {
  int64_t previousBand = std::numeric_limits<int32_t>::max();
  int64_t band = std::numeric_limits<int32_t>::max() - 1;
  int64_t level = s;
  for (;;) {
    if (band >= previousBand) break;
    previousBand = band;
    band = 0;
    DeleteRecordsIf(engine, [&](const TCharRecord& r) {
      if (r.InkCount <= level - s) return true;
      if (r.InkCount <= level) ++band;
      return false;
    });
    if (level > m) break;
    level += s;
  }
}

void RemoveSpotsAlways(TOmnifontOCR& engine, int32_t m) {
  DeleteRecordsIf(engine, [m](const TCharRecord& r) { return r.InkCount <= m; });
}

// Paints every paper pixel whose four direct neighbours are ink, in column
// order, so a fill can close the next pixel's neighbourhood.
void FillPinholes(TOmnifontOCR& engine, TCharRecord& rec) {
  TDIB& image = *engine.Image;
  const std::uint8_t thr = Thr(engine);
  for (int32_t x = rec.Left + 1; x <= rec.Right - 1; ++x) {
    for (int32_t y = rec.Top + 1; y <= rec.Bottom - 1; ++y) {
      if (IsInk(image, x, y, thr)) continue;
      if (IsInk(image, x - 1, y, thr) && IsInk(image, x + 1, y, thr) &&
          IsInk(image, x, y - 1, thr) && IsInk(image, x, y + 1, thr)) {
        image.Row(y)[x] = kHoleFill;
        rec.InkCount += 1;
      }
    }
  }
}

void FillPinholesOfLargeRecords(TOmnifontOCR& engine) {
  for (auto& rec : engine.Characters) {
    if (rec->Right - rec->Left > kHoleMinWidthSpan && rec->Bottom - rec->Top > kHoleMinHeightSpan) {
      FillPinholes(engine, *rec);
    }
  }
}

// A record counts as a companion of the oversized p when it has a similar
// height and nearly the same top and bottom: text set large still comes in
// rows of several glyphs, a picture or a frame stands alone.
bool IsCompanion(const TCharRecord& p, const TCharRecord& q) {
  const int32_t hp = p.Bottom - p.Top;
  const int32_t hq = q.Bottom - q.Top;
  const int32_t half = (hp + 1) / 2;
  return hq <= 2 * hp && 2 * hq >= hp && q.Top >= p.Top - half && q.Top <= p.Top + half &&
         q.Bottom >= p.Bottom - half && q.Bottom <= p.Bottom + half;
}

constexpr int32_t kMaxCompanionsOfNonText = 4;

}  // namespace

int32_t CountInkInBox(const TOmnifontOCR& engine, int32_t left, int32_t top, int32_t right,
                      int32_t bottom) {
  const TDIB& image = *engine.Image;
  const std::uint8_t thr = Thr(engine);
  int32_t n = 0;
  for (int32_t y = top; y <= bottom; ++y) {
    const std::uint8_t* row = image.Row(y);
    for (int32_t x = left; x <= right; ++x) n += row[x] < thr ? 1 : 0;
  }
  return n;
}

void DeleteRecordsIf(TOmnifontOCR& engine, const std::function<bool(const TCharRecord&)>& doomed) {
  TDIB& image = *engine.Image;
  auto& list = engine.Characters;
  // Deleting one by one would close the gap behind each record, which costs
  // the whole list per speck on a page of specks; the survivors move up once.
  std::size_t kept = 0;
  for (std::size_t i = 0; i < list.size(); ++i) {
    const TCharRecord& rec = *list[i];
    if (!doomed(rec)) {
      if (kept != i) list[kept] = std::move(list[i]);
      ++kept;
      continue;
    }
    engine.ComponentCount -= 1;
    engine.WidthSum -= BoxWidth(rec);
    engine.HeightSum -= BoxHeight(rec);
    for (int32_t y = rec.Top; y <= rec.Bottom; ++y) {
      std::uint8_t* row = image.Row(y);
      std::fill(row + rec.Left, row + rec.Right + 1, kErasedValue);
    }
    list[i].reset();
  }
  list.resize(kept);
}

namespace {

// Labels every ink component of the engine's picture, from no records and
// sums, in reading order of their first pixels, handing each one's box and
// first pixel to `found`.
template <typename Found>
void ScanComponents(TOmnifontOCR& engine, Found found) {
  TDIB& image = *engine.Image;
  ClearMarkerBits(image);
  engine.ComponentCount = 0;
  engine.WidthSum = 0;
  engine.HeightSum = 0;
  const std::uint8_t thr = Thr(engine);
  const int32_t w = image.Width();
  for (int32_t y = 0; y < image.Height(); ++y) {
    platform::CheckDeadline();
    for (int32_t x = 0; x < w; ++x) {
      const std::uint8_t v = image.Row(y)[x];
      if ((v & kMarkerBits) != 0 || v >= thr) continue;
      found(FillComponent(image, x, y, kFillMark, thr, true), x, y);
    }
  }
}

}  // namespace

void LabelComponents(TOmnifontOCR& engine) {
  ScanComponents(engine, [&engine](const TFillResult& box, int32_t x, int32_t y) {
    AppendRecord(engine, box, x, y, ComponentReading(box));
  });
}

namespace {

// Spot removal that deletes every component of at most a fixed number of ink
// pixels can decide while labelling, before a record is made: a page of specks
// then costs no records. A component's ink count is taken over its box as the
// raster will stand once labelling is done: a pixel is ink then when its value
// with all marker bits set is below the threshold, since labelling marks
// every ink pixel and nothing else. The boxes of deleted components are
// painted only after labelling, as the deletions of spot removal are.
bool RemovesSpotsWhileLabelling(const TOmnifontOCR& engine) {
  return engine.SpotRemoval != 0 && engine.SpotRemoval != 1 && engine.MaxSpotSize >= 0;
}

int32_t CountLabelledInkInBox(const TOmnifontOCR& engine, const TFillResult& box) {
  const TDIB& image = *engine.Image;
  const std::uint8_t thr = Thr(engine);
  int32_t n = 0;
  for (int32_t y = box.Top; y <= box.Bottom; ++y) {
    const std::uint8_t* row = image.Row(y);
    for (int32_t x = box.Left; x <= box.Right; ++x) n += (row[x] | kMarkerBits) < thr ? 1 : 0;
  }
  return n;
}

// The pixels of the boxes to erase, a bit each.
class TEraseMask {
 public:
  TEraseMask(int32_t width, int32_t height)
      : words_((static_cast<std::size_t>(width) + 63) / 64),
        bits_(words_ * static_cast<std::size_t>(height), 0) {}
  void AddBox(const TFillResult& box) {
    for (int32_t y = box.Top; y <= box.Bottom; ++y)
      for (int32_t x = box.Left; x <= box.Right; ++x) Word(x, y) |= Bit(x);
    any_ = true;
  }
  void Paint(TDIB& image) const {
    if (!any_) return;
    for (int32_t y = 0; y < image.Height(); ++y) {
      std::uint8_t* row = image.Row(y);
      for (int32_t x = 0; x < image.Width(); ++x)
        if ((bits_[Index(x, y)] & Bit(x)) != 0) row[x] = kErasedValue;
    }
  }

 private:
  std::size_t Index(int32_t x, int32_t y) const {
    return static_cast<std::size_t>(y) * words_ + static_cast<std::size_t>(x) / 64;
  }
  std::uint64_t& Word(int32_t x, int32_t y) { return bits_[Index(x, y)]; }
  static std::uint64_t Bit(int32_t x) { return std::uint64_t{1} << (x % 64); }
  std::size_t words_;
  std::vector<std::uint64_t> bits_;
  bool any_ = false;
};

// LabelComponents followed by RemoveSpots, for RemovesSpotsWhileLabelling.
// Returns the number of components labelled, specks included.
int32_t LabelComponentsWithoutSpots(TOmnifontOCR& engine) {
  TEraseMask erase(engine.Image->Width(), engine.Image->Height());
  int32_t labelled = 0;
  ScanComponents(engine, [&](const TFillResult& box, int32_t x, int32_t y) {
    ++labelled;
    const int32_t ink = CountLabelledInkInBox(engine, box);
    if (ink <= engine.MaxSpotSize) {
      erase.AddBox(box);
      return;
    }
    AppendRecord(engine, box, x, y, ComponentReading(box));
    // The serial counts every component labelled, the deleted ones too.
    engine.Characters.back()->Serial = labelled;
    engine.Characters.back()->InkCount = ink;
  });
  erase.Paint(*engine.Image);
  FillPinholesOfLargeRecords(engine);
  return labelled;
}

}  // namespace

bool LabelComponentsAndRemoveSpots(TOmnifontOCR& engine) {
  if (RemovesSpotsWhileLabelling(engine)) return LabelComponentsWithoutSpots(engine) > 0;
  LabelComponents(engine);
  if (engine.Characters.empty()) return false;
  if (engine.SpotRemoval != 0) RemoveSpots(engine);
  return true;
}

void AddWholeRasterRecord(TOmnifontOCR& engine) {
  TFillResult box;
  box.Count = 0;
  box.Left = 0;
  box.Top = 0;
  box.Right = engine.Image->Width() - 1;
  box.Bottom = engine.Image->Height() - 1;
  // The caller asked for one character: the whole area is read however large it
  // is; the recogniser trims it to the ink and judges the size of that.
  AppendRecord(engine, box, 0, 0, NoChar);
}

void RemoveSpots(TOmnifontOCR& engine) {
  const int32_t m = MaximumSpotSize(engine);
  const int32_t s = m / 16 + 1;
  for (auto& rec : engine.Characters) {
    rec->InkCount = CountInkInBox(engine, rec->Left, rec->Top, rec->Right, rec->Bottom);
  }
  if (engine.SpotRemoval == 1) {
    RemoveSpotsSmart(engine, m, s);
  } else {
    RemoveSpotsAlways(engine, m);
  }
  FillPinholesOfLargeRecords(engine);
}

void RecomputeSizeStatistics(TOmnifontOCR& engine) {
  engine.ComponentCount = 0;
  engine.WidthSum = 0;
  engine.HeightSum = 0;
  const int32_t aw = engine.AvgCharWidth;
  const int32_t ah = engine.AvgCharHeight;
  for (const auto& rec : engine.Characters) {
    if (rec->Ch == NonTextMark) continue;
    const int32_t w = BoxWidth(*rec);
    const int32_t h = BoxHeight(*rec);
    if (static_cast<int64_t>(aw) * ah > 0) {
      if (w > 4 * aw && h > 4 * ah) continue;  // a picture, not a glyph
      if (4 * h < ah) continue;                // a rule or a dash
      if (h < 3) continue;
    }
    if (w < 4 && h < 6) continue;  // dots and specks
    engine.ComponentCount += 1;
    engine.WidthSum += w;
    engine.HeightSum += h;
  }
  if (engine.ComponentCount != 0) {
    engine.AvgCharHeight = engine.HeightSum / engine.ComponentCount;
    engine.AvgCharWidth = engine.WidthSum / engine.ComponentCount;
  }
}

void MarkNonText(TOmnifontOCR& engine) {
  if (engine.ComponentCount == 0) return;
  engine.AvgCharHeight = engine.HeightSum / engine.ComponentCount;
  engine.AvgCharWidth = engine.WidthSum / engine.ComponentCount;
  // A companion's top lies within half the height of p's top: the records in
  // order of their tops give each oversized record its few candidates without
  // a walk over the whole page.
  std::vector<const TCharRecord*> byTop;
  byTop.reserve(engine.Characters.size());
  for (const auto& q : engine.Characters) byTop.push_back(q.get());
  std::sort(byTop.begin(), byTop.end(),
            [](const TCharRecord* a, const TCharRecord* b) { return a->Top < b->Top; });
  for (auto& p : engine.Characters) {
    if (p->Ch == NonTextMark) continue;
    const bool oversized =
        BoxWidth(*p) > 4 * engine.AvgCharWidth || BoxHeight(*p) > 4 * engine.AvgCharHeight;
    if (!oversized) continue;
    const int32_t half = (p->Bottom - p->Top + 1) / 2;
    auto q = std::lower_bound(byTop.begin(), byTop.end(), p->Top - half,
                              [](const TCharRecord* r, int32_t top) { return r->Top < top; });
    int32_t companions = 0;
    for (; q != byTop.end() && (*q)->Top <= p->Top + half; ++q) {
      if ((*q)->Ch != NonTextMark && IsCompanion(*p, **q)) ++companions;
      if (companions > kMaxCompanionsOfNonText) break;  // stays text whatever follows
    }
    if (companions <= kMaxCompanionsOfNonText) p->Ch = NonTextMark;
  }
  RecomputeSizeStatistics(engine);
}
