#include "serial/notefinder.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace serial_detail {

namespace {

// The note is looked for on cells of about a millimetre: the bed's noise
// averages out, and the edges are measured on the picture afterwards.
constexpr double kCoarseDpi = 25;
// A picture is even (blank paper, a bare bed) when fewer than this share of
// its cells lie further than kEvenLevels from its median level. A note has
// far more ink than that, even a bilevel one with little print.
constexpr int32_t kEvenLevels = 16;
constexpr double kEvenShare = 0.002;
// The corner patches whose levels are the bed's.
constexpr double kCornerMm = 4;
// Bed cells: within kBedNoise noise deviations of the bed level, and within
// kBedStep of the bed cell they are reached from, so that a bed lit unevenly
// is followed; never closer than the floors (levels) to what a cell may be.
constexpr double kBedNoise = 5, kBedStep = 3;
constexpr int32_t kBedFloor = 6, kStepFloor = 3;
// A picture whose border shows less bed than this share of its cells is the
// note, cropped (a few bed-coloured corners of a skewed crop are not a bed).
// One that is bed but for this share holds no note, unless what is left
// spreads over kMinSpread of its width and height: a bilevel note with
// little print on white paper, all of it looking like bed.
constexpr double kMinBedShare = 0.005, kMaxBedShare = 0.95, kMinSpread = 0.5;
// The paper near the bed must differ from it by this many noise deviations
// (and levels at least), else the "bed" is the note's own margin.
constexpr double kPaperContrastNoise = 3;
constexpr int32_t kPaperContrastFloor = 6;
constexpr double kPaperBandMm = 2;
// A note: a region at least this large (the smallest notes are about 110 x
// 55 mm) that fills this share of its rectangle; anything else on the bed
// (the note's own print, where the "bed" is its margin) is not one, and the
// picture is then read as it is.
constexpr double kMinLongSideMm = 90, kMinShortSideMm = 40;
constexpr double kMinFill = 0.85;
// Edge profiles: how many across each side, over which middle share of it,
// and how far they reach to each side of the estimated edge.
constexpr int32_t kProfilesPerSide = 24;
constexpr double kProfileSpan = 0.8;
constexpr double kAngleDoubt = 0.01;  // the region's angle is good to about half a degree
constexpr double kProfileStep = 0.5;
constexpr int32_t kAlongSide = 3;  // pixels averaged each way along the side
// A step counts as the edge when it is at least this share of the bed-paper contrast.
constexpr double kMinStepShare = 0.25;
// Fitting a side: points further than this from the line (in pixels, or in
// deviations of the fit) are dropped once; a side needs this many points.
constexpr double kOutlierPixels = 1.0, kOutlierDeviations = 2.5;
// A side is measured when half its profiles show the step and they lie on a
// line to within this deviation (pixels): the cut edge of paper is straight,
// the print of a note's border taken for one mostly is not. A note needs all
// four sides measured: a printed border passed for up to three on the
// corpus's notes.
constexpr int32_t kMinSidePoints = kProfilesPerSide / 2;
constexpr double kMaxSideScatter = 1.0;

double Median(std::vector<int32_t> v) {
  if (v.empty()) return 0;
  const auto mid = v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2);
  std::nth_element(v.begin(), mid, v.end());
  return *mid;
}

// Level and noise (median absolute deviation, as a standard deviation) of the four corners.
void CornerLevels(const TOverview& o, double& level, double& noise) {
  const int32_t n = std::max(2, static_cast<int32_t>(kCornerMm * o.CellsPerMm()));
  const int32_t w = o.Width(), h = o.Height();
  std::vector<int32_t> levels;
  for (int32_t y = 0; y < std::min(n, h); ++y) {
    for (int32_t x = 0; x < std::min(n, w); ++x) {
      levels.push_back(o.Level(x, y));
      levels.push_back(o.Level(w - 1 - x, y));
      levels.push_back(o.Level(x, h - 1 - y));
      levels.push_back(o.Level(w - 1 - x, h - 1 - y));
    }
  }
  level = Median(levels);
  for (int32_t& v : levels) v = static_cast<int32_t>(std::abs(v - level));
  noise = 1.4826 * Median(levels);
}

// Whether nearly all cells lie within kEvenLevels of the median level.
bool Even(const TOverview& o) {
  THistogram histogram;
  o.Grey->Histogram(histogram);
  const int64_t total = int64_t{o.Width()} * o.Height();
  int64_t seen = 0;
  int32_t median = 0;
  while (median < 255 && (seen + histogram[median]) * 2 < total) seen += histogram[median++];
  int64_t apart = 0;
  for (int32_t v = 0; v < 256; ++v)
    if (std::abs(v - median) > kEvenLevels) apart += histogram[v];
  return apart < kEvenShare * static_cast<double>(total);
}

// Whether the cells outside the bed reach over kMinSpread of the width and height.
bool SpreadsAcross(const std::vector<std::uint8_t>& bed, int32_t w, int32_t h) {
  int32_t left = w, right = -1, top = h, bottom = -1;
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      if (bed[static_cast<std::size_t>(y) * w + x]) continue;
      left = std::min(left, x), right = std::max(right, x);
      top = std::min(top, y), bottom = std::max(bottom, y);
    }
  }
  return right - left + 1 > kMinSpread * w && bottom - top + 1 > kMinSpread * h;
}

// Marks the bed: cells connected to the border at the bed's level.
std::vector<std::uint8_t> BedMask(const TOverview& o, double level, double noise) {
  const int32_t w = o.Width(), h = o.Height();
  const double tolerance = std::max<double>(kBedFloor, kBedNoise * noise);
  const double step = std::max<double>(kStepFloor, kBedStep * noise);
  std::vector<std::uint8_t> bed(static_cast<std::size_t>(w) * h, 0);
  std::vector<int32_t> stack;
  auto reach = [&](int32_t x, int32_t y, int32_t from) {
    const std::size_t i = static_cast<std::size_t>(y) * w + x;
    if (bed[i]) return;
    const int32_t v = o.Level(x, y);
    if (std::abs(v - level) > tolerance || (from >= 0 && std::abs(v - from) > step)) return;
    bed[i] = 1;
    stack.push_back(static_cast<int32_t>(i));
  };
  for (int32_t x = 0; x < w; ++x) reach(x, 0, -1), reach(x, h - 1, -1);
  for (int32_t y = 0; y < h; ++y) reach(0, y, -1), reach(w - 1, y, -1);
  while (!stack.empty()) {
    const int32_t i = stack.back();
    stack.pop_back();
    const int32_t x = i % w, y = i / w, v = o.Level(x, y);
    if (x > 0) reach(x - 1, y, v);
    if (x + 1 < w) reach(x + 1, y, v);
    if (y > 0) reach(x, y - 1, v);
    if (y + 1 < h) reach(x, y + 1, v);
  }
  return bed;
}

// The cells of the largest 4-connected region outside the bed.
std::vector<int32_t> LargestRegion(const std::vector<std::uint8_t>& bed, int32_t w, int32_t h) {
  std::vector<std::uint8_t> seen(bed);
  std::vector<int32_t> best, region, stack;
  for (int32_t start = 0; start < w * h; ++start) {
    if (seen[start]) continue;
    region.clear();
    seen[start] = 1;
    stack.push_back(start);
    while (!stack.empty()) {
      const int32_t i = stack.back();
      stack.pop_back();
      region.push_back(i);
      const int32_t x = i % w, y = i / w;
      for (const int32_t j : {x > 0 ? i - 1 : -1, x + 1 < w ? i + 1 : -1, y > 0 ? i - w : -1,
                              y + 1 < h ? i + w : -1}) {
        if (j >= 0 && !seen[j]) {
          seen[j] = 1;
          stack.push_back(j);
        }
      }
    }
    if (region.size() > best.size()) best.swap(region);
  }
  return best;
}

// The median level of the region's cells between kPaperBandMm from the bed
// and twice that: the paper of a note on a bed, but the same paper again
// where the "bed" was the note's own margin and the region begins at a
// printed frame.
double PaperLevel(const TOverview& o, const std::vector<std::uint8_t>& bed,
                  const std::vector<int32_t>& region) {
  const int32_t w = o.Width(), h = o.Height();
  const int32_t band = std::max(1, static_cast<int32_t>(kPaperBandMm * o.CellsPerMm()));
  std::vector<int32_t> distance(bed.size(), -1), front, next;
  for (const int32_t i : region) distance[i] = 0;  // 0: in the region, not reached yet
  for (int32_t i = 0; i < w * h; ++i) {
    if (bed[i]) distance[i] = 1, front.push_back(i);
  }
  std::vector<int32_t> levels;
  for (int32_t d = 2; d <= 2 * band + 1 && !front.empty(); ++d) {
    next.clear();
    for (const int32_t i : front) {
      const int32_t x = i % w, y = i / w;
      for (const int32_t j : {x > 0 ? i - 1 : -1, x + 1 < w ? i + 1 : -1, y > 0 ? i - w : -1,
                              y + 1 < h ? i + w : -1}) {
        if (j < 0 || distance[j] != 0) continue;
        distance[j] = d;
        next.push_back(j);
        if (d > band + 1) levels.push_back(o.Level(j % w, j / w));
      }
    }
    front.swap(next);
  }
  return Median(levels);
}

// The rectangle of a region from its moments, in picture pixels.
TNoteOutline RegionRectangle(const TOverview& o, const std::vector<int32_t>& region) {
  const int32_t w = o.Width();
  double sx = 0, sy = 0;
  for (const int32_t i : region) sx += i % w, sy += i / w;
  const double n = static_cast<double>(region.size()), mx = sx / n, my = sy / n;
  double xx = 0, yy = 0, xy = 0;
  for (const int32_t i : region) {
    const double dx = i % w - mx, dy = i / w - my;
    xx += dx * dx, yy += dy * dy, xy += dx * dy;
  }
  double angle = 0.5 * std::atan2(2 * xy, xx - yy);  // the long axis
  const double c = std::cos(angle), s = std::sin(angle);
  double u0 = 1e300, u1 = -1e300, v0 = 1e300, v1 = -1e300;
  for (const int32_t i : region) {
    const double dx = i % w - mx, dy = i / w - my;
    const double u = dx * c + dy * s, v = -dx * s + dy * c;
    u0 = std::min(u0, u), u1 = std::max(u1, u), v0 = std::min(v0, v), v1 = std::max(v1, v);
  }
  TNoteOutline r;
  const double f = o.Factor;
  // Cell (x, y) covers pixels f x .. f x + f - 1: its centre is pixel f x + (f - 1) / 2.
  const double cu = (u0 + u1) / 2, cv = (v0 + v1) / 2;
  r.CentreX = f * (mx + cu * c - cv * s) + (f - 1) / 2.0;
  r.CentreY = f * (my + cu * s + cv * c) + (f - 1) / 2.0;
  r.Width = f * (u1 - u0 + 1);
  r.Height = f * (v1 - v0 + 1);
  r.Degrees = angle * 180 / std::numbers::pi;
  // The direction of the Width side within (-45, 45]: a region standing on end
  // has its long axis near 90 degrees.
  while (r.Degrees > 45) r.Degrees -= 90, std::swap(r.Width, r.Height);
  while (r.Degrees <= -45) r.Degrees += 90, std::swap(r.Width, r.Height);
  return r;
}

// Grey level of the picture at a point, bilinearly; outside it, `outside`.
class TPictureLevels {
 public:
  TPictureLevels(const TDIB& picture, double outside) : p_(picture), outside_(outside) {
    for (int32_t i = 0; i < std::min(256, p_.Colours()); ++i) {
      const uint32_t e = p_.GetPaletteEntry(i);
      table_[i] = 0.11 * (e & 0xFF) + 0.59 * ((e >> 8) & 0xFF) + 0.3 * ((e >> 16) & 0xFF);
    }
  }
  double At(double x, double y) const {
    const auto x0 = static_cast<int32_t>(std::floor(x)), y0 = static_cast<int32_t>(std::floor(y));
    const double fx = x - x0, fy = y - y0;
    return (Pixel(x0, y0) * (1 - fx) + Pixel(x0 + 1, y0) * fx) * (1 - fy) +
           (Pixel(x0, y0 + 1) * (1 - fx) + Pixel(x0 + 1, y0 + 1) * fx) * fy;
  }

 private:
  double Pixel(int32_t x, int32_t y) const {
    if (x < 0 || y < 0 || x >= p_.Width() || y >= p_.Height()) return outside_;
    if (p_.Format() == df24Bit) {
      const std::uint8_t* bgr = p_.Row(y) + 3 * x;
      return 0.11 * bgr[0] + 0.59 * bgr[1] + 0.3 * bgr[2];
    }
    return table_[p_.GetPixel(x, y) & 0xFF];
  }
  const TDIB& p_;
  double outside_;
  std::array<double, 256> table_{};
};

struct TLine {  // the points p + t d
  double px, py, dx, dy;
};

bool Intersect(const TLine& a, const TLine& b, double& x, double& y) {
  const double det = a.dx * (-b.dy) - a.dy * (-b.dx);
  if (std::abs(det) < 1e-9) return false;
  const double t = ((b.px - a.px) * (-b.dy) - (b.py - a.py) * (-b.dx)) / det;
  x = a.px + t * a.dx, y = a.py + t * a.dy;
  return true;
}

// Fits d = a + b t to the points, dropping outliers once; false when fewer
// than kMinSidePoints remain or they scatter more than kMaxSideScatter.
bool FitSide(std::vector<std::array<double, 2>> points, double& a, double& b) {
  for (int32_t round = 0; round < 2; ++round) {
    if (static_cast<int32_t>(points.size()) < kMinSidePoints) return false;
    double st = 0, sd = 0, stt = 0, std_ = 0;
    for (const auto& p : points) st += p[0], sd += p[1], stt += p[0] * p[0], std_ += p[0] * p[1];
    const double n = static_cast<double>(points.size());
    const double det = n * stt - st * st;
    if (std::abs(det) < 1e-9) return false;
    b = (n * std_ - st * sd) / det;
    a = (sd - b * st) / n;
    double rss = 0;
    for (const auto& p : points) rss += (p[1] - a - b * p[0]) * (p[1] - a - b * p[0]);
    if (round == 1) return std::sqrt(rss / n) <= kMaxSideScatter;
    const double limit = std::max(kOutlierPixels, kOutlierDeviations * std::sqrt(rss / n));
    std::erase_if(points, [&](const auto& p) { return std::abs(p[1] - a - b * p[0]) > limit; });
  }
  return true;
}

// The picture's edges of the note near the region's rectangle, each side
// fitted to where the level steps from paper to bed. None unless every side
// shows such a step along a straight line.
std::optional<TNoteOutline> MeasureEdges(const TDIB& picture, int32_t factor,
                                         const TNoteOutline& rough, double bed, double paper) {
  const TPictureLevels levels(picture, bed);
  const double a = rough.Degrees * std::numbers::pi / 180;
  const double ex = std::cos(a), ey = std::sin(a);  // along the Width side
  const double nx = -ey, ny = ex;                   // along the Height side, downwards
  const double outward = bed > paper ? 1 : -1;      // sign of the step going out
  const double minStep = kMinStepShare * std::abs(bed - paper);
  std::array<TLine, 4> sides;
  // Side k: its centre offset from the note's centre, its direction, its half length.
  const std::array<double, 4> offset = {rough.Height / 2, rough.Width / 2, rough.Height / 2,
                                        rough.Width / 2};
  for (int32_t k = 0; k < 4; ++k) {
    // Outward normal of side k (top, right, bottom, left) and direction along it.
    const double ox = k == 0 ? -nx : k == 1 ? ex : k == 2 ? nx : -ex;
    const double oy = k == 0 ? -ny : k == 1 ? ey : k == 2 ? ny : -ey;
    const double tx = -oy, ty = ox;
    const double half = k % 2 == 0 ? rough.Width / 2 : rough.Height / 2;
    const double cx = rough.CentreX + ox * offset[k], cy = rough.CentreY + oy * offset[k];
    const double reach = factor + kAngleDoubt * half + 2;
    std::vector<std::array<double, 2>> points;
    for (int32_t i = 0; i < kProfilesPerSide; ++i) {
      const double t = half * kProfileSpan * (2.0 * i / (kProfilesPerSide - 1) - 1);
      // Levels along the profile, each averaged along the side over a few
      // pixels, where the edge is straight and the bed's noise is not.
      std::vector<double> profile;
      for (double d = -reach; d <= reach; d += kProfileStep) {
        const double x = cx + t * tx + d * ox, y = cy + t * ty + d * oy;
        double sum = 0;
        for (int32_t j = -kAlongSide; j <= kAlongSide; ++j)
          sum += levels.At(x + j * tx, y + j * ty);
        profile.push_back(sum / (2 * kAlongSide + 1));
      }
      // The strongest step the right way, two samples (one pixel) apart.
      int32_t best = -1;
      double bestStep = minStep;
      for (std::size_t j = 1; j + 1 < profile.size(); ++j) {
        const double step = outward * (profile[j + 1] - profile[j - 1]);
        if (step > bestStep) bestStep = step, best = static_cast<int32_t>(j);
      }
      if (best < 0) continue;
      double shift = 0;  // the peak between samples, from a parabola
      if (best >= 2 && best + 2 < static_cast<int32_t>(profile.size())) {
        const double l = outward * (profile[best] - profile[best - 2]);
        const double r = outward * (profile[best + 2] - profile[best]);
        const double curve = l - 2 * bestStep + r;
        if (curve < 0) shift = std::clamp(0.5 * (l - r) / curve, -0.5, 0.5);
      }
      points.push_back({t, -reach + (best + shift) * kProfileStep});
    }
    double fa = 0, fb = 0;
    if (!FitSide(points, fa, fb)) return std::nullopt;
    // The line d = fa + fb t, as a point and a direction in the picture.
    sides[k] = TLine{cx + fa * ox, cy + fa * oy, tx + fb * ox, ty + fb * oy};
  }
  std::array<std::array<double, 2>, 4> corner;
  for (int32_t k = 0; k < 4; ++k) {
    if (!Intersect(sides[(k + 3) % 4], sides[k], corner[k][0], corner[k][1])) return std::nullopt;
  }
  // Corners: left and top, top and right, right and bottom, bottom and left.
  TNoteOutline r = rough;
  auto length = [&](int32_t i, int32_t j) {
    return std::hypot(corner[i][0] - corner[j][0], corner[i][1] - corner[j][1]);
  };
  r.CentreX = (corner[0][0] + corner[1][0] + corner[2][0] + corner[3][0]) / 4;
  r.CentreY = (corner[0][1] + corner[1][1] + corner[2][1] + corner[3][1]) / 4;
  r.Width = (length(0, 1) + length(3, 2)) / 2;
  r.Height = (length(0, 3) + length(1, 2)) / 2;
  // The sides' directions, the longer ones weighing more.
  const double top = std::atan2(corner[1][1] - corner[0][1], corner[1][0] - corner[0][0]);
  const double bottom = std::atan2(corner[2][1] - corner[3][1], corner[2][0] - corner[3][0]);
  const double left = std::atan2(corner[3][1] - corner[0][1], corner[3][0] - corner[0][0]);
  const double right = std::atan2(corner[2][1] - corner[1][1], corner[2][0] - corner[1][0]);
  const double along = r.Width * (top + bottom) + r.Height * (left + right - std::numbers::pi);
  r.Degrees = along / (2 * (r.Width + r.Height)) * 180 / std::numbers::pi;
  return r;
}

}  // namespace

std::array<std::array<double, 2>, 4> TNoteOutline::Corners() const {
  const double a = Degrees * std::numbers::pi / 180;
  const double ex = std::cos(a) * Width / 2, ey = std::sin(a) * Width / 2;
  const double nx = -std::sin(a) * Height / 2, ny = std::cos(a) * Height / 2;
  return {{{CentreX - ex - nx, CentreY - ey - ny},
           {CentreX + ex - nx, CentreY + ey - ny},
           {CentreX + ex + nx, CentreY + ey + ny},
           {CentreX - ex + nx, CentreY - ey + ny}}};
}

TNoteOutline WholePictureOutline(const TDIB& picture) {
  TNoteOutline r;
  r.WholePicture = true;
  r.CentreX = (picture.Width() - 1) / 2.0;
  r.CentreY = (picture.Height() - 1) / 2.0;
  r.Width = picture.Width();
  r.Height = picture.Height();
  return r;
}

std::optional<TNoteOutline> FindNote(const TDIB& picture, const TOverview& overview) {
  const TOverview coarse = Reduced(overview, static_cast<int32_t>(overview.Dpi / kCoarseDpi + 0.5));
  if (coarse.Width() < 3 || coarse.Height() < 3 || Even(coarse)) return std::nullopt;
  double bed = 0, noise = 0;
  CornerLevels(coarse, bed, noise);
  const std::vector<std::uint8_t> mask = BedMask(coarse, bed, noise);
  const auto cells = static_cast<double>(mask.size());
  const auto bedCells = static_cast<double>(std::count(mask.begin(), mask.end(), 1));
  if (bedCells < kMinBedShare * cells) return WholePictureOutline(picture);
  if (bedCells > kMaxBedShare * cells)
    return SpreadsAcross(mask, coarse.Width(), coarse.Height())
               ? std::optional<TNoteOutline>(WholePictureOutline(picture))
               : std::nullopt;
  const std::vector<int32_t> region = LargestRegion(mask, coarse.Width(), coarse.Height());
  const double paper = PaperLevel(coarse, mask, region);
  if (std::abs(paper - bed) < std::max<double>(kPaperContrastFloor, kPaperContrastNoise * noise))
    return WholePictureOutline(picture);
  const TNoteOutline rough = RegionRectangle(coarse, region);
  const double pixelsPerMm = WorkingDpi(picture) / 25.4;
  const double longSide = std::max(rough.Width, rough.Height) / pixelsPerMm;
  const double shortSide = std::min(rough.Width, rough.Height) / pixelsPerMm;
  const double fill = static_cast<double>(region.size()) * coarse.Factor * coarse.Factor /
                      (rough.Width * rough.Height);
  if (longSide < kMinLongSideMm || shortSide < kMinShortSideMm || fill < kMinFill)
    return WholePictureOutline(picture);
  if (auto measured = MeasureEdges(picture, coarse.Factor, rough, bed, paper)) return measured;
  return WholePictureOutline(picture);
}

}  // namespace serial_detail
