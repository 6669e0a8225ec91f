#include "serial/serialline.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "image/blobs.h"
#include "image/dibops.h"

namespace serial_detail {

namespace {

// Serial characters are capitals and digits 2.2 to 5 mm tall (about 3 mm on
// the notes we know); a digit one is as narrow as its stroke.
constexpr double kMinGlyphMm = 2.2, kMaxGlyphMm = 5, kMaxGlyphWidthMm = 4.5;
// Neighbours on a line: the gap to the next glyph at most this many glyph
// heights (overlaps of a quarter allowed, for kerning at low resolution),
// heights alike, and the baseline no further off than the steepest skew
// looked for allows, plus a little.
constexpr double kMaxGap = 1.2, kMaxOverlap = 0.25;
constexpr double kMaxHeightRatio = 1.33;
constexpr double kMaxSkewDegrees = 10;
constexpr double kBaselineSlack = 0.2;
// A serial has ten to twelve characters; eight in a row is a line.
constexpr std::size_t kMinGlyphs = 8;
// Glyphs whose bottom lies further than this share of the height from the
// fitted baseline (a tail, a broken stroke) are left out of the refit.
constexpr double kBaselineOutlier = 0.15;

double Median(std::vector<double> v) {
  const auto mid = v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2);
  std::nth_element(v.begin(), mid, v.end());
  return *mid;
}

// Least-squares slope and offset of the glyphs' bottoms against their centres.
void FitBaseline(const std::vector<TRect>& glyphs, double& slope, double& offset) {
  double sx = 0, sy = 0, sxx = 0, sxy = 0;
  for (const TRect& g : glyphs) {
    const double x = (g.Left + g.Right) / 2.0, y = g.Bottom;
    sx += x, sy += y, sxx += x * x, sxy += x * y;
  }
  const double n = static_cast<double>(glyphs.size()), det = n * sxx - sx * sx;
  slope = det > 0 ? (n * sxy - sx * sy) / det : 0;
  offset = (sy - slope * sx) / n;
}

bool Follows(const TRect& a, const TRect& b) {
  const double h = std::max(a.Bottom - a.Top + 1, b.Bottom - b.Top + 1);
  const double ratio = static_cast<double>(a.Bottom - a.Top + 1) / (b.Bottom - b.Top + 1);
  const double gap = b.Left - a.Right - 1;
  const double dx = (b.Left + b.Right - a.Left - a.Right) / 2.0;
  const double steepest = std::tan(kMaxSkewDegrees * std::numbers::pi / 180);
  return gap <= kMaxGap * h && gap >= -kMaxOverlap * h && dx > 0 && ratio <= kMaxHeightRatio &&
         ratio >= 1 / kMaxHeightRatio &&
         std::abs(b.Bottom - a.Bottom) <= steepest * dx + kBaselineSlack * h;
}

}  // namespace

double TSerialLine::Degrees() const {
  return std::atan(Slope) * 180 / std::numbers::pi;
}

TRect TSerialLine::Box() const {
  TRect box = Glyphs.front();
  for (const TRect& g : Glyphs) box = RectUnion(box, g);
  return box;
}

std::vector<TSerialLine> FindSerialLines(const TOverview& overview) {
  std::unique_ptr<TDIB> bilevel = overview.Grey->Duplicate();
  THistogram histogram;
  bilevel->Histogram(histogram);
  bilevel->ApplyThreshold(static_cast<std::uint8_t>(OtsuThreshold(histogram)), true, 0, 255);
  const double perMm = overview.CellsPerMm();
  TBlobList blobs;
  bilevel->FindBlobs(8, 1, std::max(2, static_cast<int32_t>(kMinGlyphMm * perMm)), 0, &blobs);
  std::vector<TRect> glyphs;
  for (int32_t i = 0; i < blobs.Count(); ++i) {
    const TBlobRec& b = blobs.Items(i);
    if (b.Bottom - b.Top + 1 <= kMaxGlyphMm * perMm &&
        b.Right - b.Left + 1 <= kMaxGlyphWidthMm * perMm)
      glyphs.push_back(TRect{b.Left, b.Top, b.Right, b.Bottom});
  }
  std::sort(glyphs.begin(), glyphs.end(),
            [](const TRect& a, const TRect& b) { return a.Left + a.Right < b.Left + b.Right; });

  // Each glyph's nearest follower; a glyph followed by two keeps the nearer.
  const std::size_t n = glyphs.size();
  std::vector<int32_t> next(n, -1), previous(n, -1);
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = i + 1; j < n; ++j) {
      if (glyphs[j].Left + glyphs[j].Right - glyphs[i].Left - glyphs[i].Right >
          2 * (kMaxGap + 2) * (glyphs[i].Bottom - glyphs[i].Top + 1))
        break;  // sorted by centre: the rest lie further right
      if (!Follows(glyphs[i], glyphs[j])) continue;
      if (next[i] < 0 || glyphs[j].Left < glyphs[next[i]].Left) next[i] = static_cast<int32_t>(j);
    }
  }
  for (std::size_t i = 0; i < n; ++i) {
    const int32_t j = next[i];
    if (j < 0) continue;
    const int32_t other = previous[j];
    if (other < 0 || glyphs[j].Left - glyphs[i].Right < glyphs[j].Left - glyphs[other].Right) {
      if (other >= 0) next[other] = -1;
      previous[j] = static_cast<int32_t>(i);
    } else {
      next[i] = -1;
    }
  }

  std::vector<TSerialLine> lines;
  for (std::size_t i = 0; i < n; ++i) {
    if (previous[i] >= 0) continue;
    TSerialLine line;
    for (int32_t k = static_cast<int32_t>(i); k >= 0; k = next[k]) line.Glyphs.push_back(glyphs[k]);
    if (line.Glyphs.size() < kMinGlyphs) continue;
    std::vector<double> heights;
    for (const TRect& g : line.Glyphs) heights.push_back(g.Bottom - g.Top + 1);
    line.Height = Median(heights);
    double offset = 0;
    FitBaseline(line.Glyphs, line.Slope, offset);
    std::vector<TRect> onBaseline;
    for (const TRect& g : line.Glyphs) {
      const double residual = g.Bottom - (offset + line.Slope * (g.Left + g.Right) / 2.0);
      if (std::abs(residual) <= kBaselineOutlier * line.Height) onBaseline.push_back(g);
    }
    if (onBaseline.size() >= kMinGlyphs / 2) FitBaseline(onBaseline, line.Slope, offset);
    lines.push_back(std::move(line));
  }
  std::sort(lines.begin(), lines.end(), [](const TSerialLine& a, const TSerialLine& b) {
    return a.Glyphs.size() > b.Glyphs.size();
  });
  return lines;
}

std::optional<double> PrintSkew(const std::vector<TSerialLine>& lines) {
  if (lines.empty()) return std::nullopt;
  // Longer lines measure the angle better.
  double sum = 0, weight = 0;
  for (const TSerialLine& line : lines) {
    const TRect box = line.Box();
    const double length = box.Right - box.Left + 1;
    sum += line.Degrees() * length * length;
    weight += length * length;
  }
  return sum / weight;
}

}  // namespace serial_detail
