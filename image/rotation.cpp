// Quarter turns and resampling along turned, scaled grids (rotation.h).
//
// Levels are interpolated by the cubic convolution of Catmull and Rom over
// the 4 x 4 pixels around a point: sharper than bilinear interpolation,
// which blurs a stroke's edges as much as a slight defocus, and the reader
// is sensitive to that. It runs in fixed point: grid coordinates in 1/65536
// of a pixel, weights in 1/1024, so that a grid point falling on a pixel
// centre copies the pixel exactly and any other point is within a level of
// the exact interpolation.
#include "image/rotation.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>

#include "platform/rounding.h"

namespace {

constexpr int32_t kCoordinateBits = 16;
constexpr int32_t kWeightBits = 10;
constexpr int32_t kWeightOne = 1 << kWeightBits;
constexpr int64_t kCoordinateOne = int64_t{1} << kCoordinateBits;

// cos and sin of an angle in degrees, exact for multiples of 90 degrees so
// that quarter turns through a grid land on pixel centres.
void CosSin(double degrees, double& c, double& s) {
  const double quarters = degrees / 90.0;
  if (quarters == std::floor(quarters)) {
    const int32_t q = ((static_cast<int32_t>(std::fmod(quarters, 4.0)) % 4) + 4) % 4;
    constexpr double kCos[] = {1, 0, -1, 0};
    constexpr double kSin[] = {0, 1, 0, -1};
    c = kCos[q];
    s = kSin[q];
    return;
  }
  const double radians = degrees * std::numbers::pi / 180.0;
  c = std::cos(radians);
  s = std::sin(radians);
}

// Whether pixel values are levels that may be averaged.
bool Interpolates(const TDIB& raster) {
  return raster.Format() == df24Bit || (raster.Format() == df8Bit && raster.IsGreyRamp());
}

std::unique_ptr<TDIB> NewLike(const TDIB& source, int32_t width, int32_t height, int32_t xdpi,
                              int32_t ydpi) {
  auto out = std::make_unique<TDIB>();
  out->NewImage(width, height, source.Format(), xdpi, ydpi);
  for (int32_t i = 0; i < source.Colours(); ++i) out->SetPaletteEntry(i, source.GetPaletteEntry(i));
  return out;
}

// Channel c of a pixel value of a raster with `channels` byte channels, as
// stored in its row (24-bit values are red + 256 green + 65536 blue, stored
// blue, green, red).
int32_t ChannelOf(int32_t value, int32_t channels, int32_t c) {
  return channels == 1 ? value & 0xFF : (value >> (8 * (2 - c))) & 0xFF;
}

// Catmull-Rom weights of the four taps around a point f (0 <= f < 1) past
// the second tap, in 1/1024ths, for each of the 1024 fractions.
struct TCubicWeights {
  std::array<std::array<int32_t, 4>, kWeightOne> w{};
  TCubicWeights() {
    for (int32_t i = 0; i < kWeightOne; ++i) {
      const double t = static_cast<double>(i) / kWeightOne, t2 = t * t, t3 = t2 * t;
      const std::array<double, 4> k = {-0.5 * t3 + t2 - 0.5 * t, 1.5 * t3 - 2.5 * t2 + 1,
                                       -1.5 * t3 + 2 * t2 + 0.5 * t, 0.5 * t3 - 0.5 * t2};
      int32_t sum = 0;
      for (int32_t j = 0; j < 4; ++j)
        sum += w[i][j] = static_cast<int32_t>(std::lround(k[j] * kWeightOne));
      w[i][1] += kWeightOne - sum;  // exactly one in all
    }
  }
};

template <int32_t Channels>
void SampleRowBicubic(const TDIB& source, int64_t x, int64_t y, int64_t dx, int64_t dy,
                      int32_t width, int32_t background, std::uint8_t* out) {
  static const TCubicWeights cubic;
  const int32_t w = source.Width(), h = source.Height();
  std::array<int32_t, Channels> paper{};
  for (int32_t c = 0; c < Channels; ++c) paper[c] = ChannelOf(background, Channels, c);
  for (int32_t u = 0; u < width; ++u, x += dx, y += dy, out += Channels) {
    const auto px = static_cast<int32_t>(x >> kCoordinateBits);
    const auto py = static_cast<int32_t>(y >> kCoordinateBits);
    const auto fx = static_cast<int32_t>((x >> (kCoordinateBits - kWeightBits)) & (kWeightOne - 1));
    const auto fy = static_cast<int32_t>((y >> (kCoordinateBits - kWeightBits)) & (kWeightOne - 1));
    const auto& wx = cubic.w[fx];
    const auto& wy = cubic.w[fy];
    const bool inside = px >= 1 && py >= 1 && px + 2 < w && py + 2 < h;
    for (int32_t c = 0; c < Channels; ++c) {
      int64_t sum = 0;
      for (int32_t j = 0; j < 4; ++j) {
        const int32_t sy = py - 1 + j;
        const std::uint8_t* row = sy >= 0 && sy < h ? source.Row(sy) : nullptr;
        int32_t across = 0;
        for (int32_t i = 0; i < 4; ++i) {
          const int32_t sx = px - 1 + i;
          const int32_t v =
              inside || (row != nullptr && sx >= 0 && sx < w) ? row[sx * Channels + c] : paper[c];
          across += v * wx[i];
        }
        sum += int64_t{across} * wy[j];
      }
      const int64_t value = (sum + (int64_t{1} << (2 * kWeightBits - 1))) >> (2 * kWeightBits);
      out[c] = static_cast<std::uint8_t>(std::clamp<int64_t>(value, 0, 255));
    }
  }
}

// One row of the grid, taking the pixel nearest to each point.
void SampleRowNearest(const TDIB& source, int64_t x, int64_t y, int64_t dx, int64_t dy,
                      int32_t width, int32_t background, TDIB& target, int32_t row) {
  const int32_t w = source.Width(), h = source.Height();
  const int64_t half = kCoordinateOne / 2;
  for (int32_t u = 0; u < width; ++u, x += dx, y += dy) {
    const auto px = static_cast<int32_t>((x + half) >> kCoordinateBits);
    const auto py = static_cast<int32_t>((y + half) >> kCoordinateBits);
    const bool inside = px >= 0 && py >= 0 && px < w && py < h;
    target.SetPixel(u, row, inside ? source.GetPixel(px, py) : background);
  }
}

int64_t Fixed(double v) {
  return platform::Round64(v * static_cast<double>(kCoordinateOne));
}

}  // namespace

double TResampleGrid::SourceX(double u, double v) const {
  double c, s;
  CosSin(Degrees, c, s);
  const double du = (u - (Width - 1) / 2.0) * Step, dv = (v - (Height - 1) / 2.0) * Step;
  return CentreX + du * c - dv * s;
}

double TResampleGrid::SourceY(double u, double v) const {
  double c, s;
  CosSin(Degrees, c, s);
  const double du = (u - (Width - 1) / 2.0) * Step, dv = (v - (Height - 1) / 2.0) * Step;
  return CentreY + du * s + dv * c;
}

std::unique_ptr<TDIB> ResampleGrid(const TDIB& source, const TResampleGrid& grid,
                                   int32_t background) {
  double c, s;
  CosSin(grid.Degrees, c, s);
  // A grid turned by about a quarter turn lays the source's y axis along its rows.
  const bool across = std::abs(s) > std::abs(c);
  const int32_t xdpi = across ? source.YDpi() : source.XDpi();
  const int32_t ydpi = across ? source.XDpi() : source.YDpi();
  auto out = NewLike(source, grid.Width, grid.Height, platform::Round(xdpi / grid.Step),
                     platform::Round(ydpi / grid.Step));
  const int64_t dx = Fixed(c * grid.Step), dy = Fixed(s * grid.Step);
  const bool levels = Interpolates(source);
  for (int32_t v = 0; v < grid.Height; ++v) {
    const int64_t x = Fixed(grid.SourceX(0, v)), y = Fixed(grid.SourceY(0, v));
    if (!levels) {
      SampleRowNearest(source, x, y, dx, dy, grid.Width, background, *out, v);
    } else if (source.Format() == df24Bit) {
      SampleRowBicubic<3>(source, x, y, dx, dy, grid.Width, background, out->Row(v));
    } else {
      SampleRowBicubic<1>(source, x, y, dx, dy, grid.Width, background, out->Row(v));
    }
  }
  return out;
}

std::unique_ptr<TDIB> RotateRaster(const TDIB& source, double degrees, int32_t background) {
  double c, s;
  CosSin(degrees, c, s);
  const double w = source.Width(), h = source.Height();
  TResampleGrid grid;
  grid.CentreX = (w - 1) / 2.0;
  grid.CentreY = (h - 1) / 2.0;
  grid.Degrees = -degrees;  // the grid turns against the picture
  // A hair below the exact extent, so that a sine of 1e-16 adds no column.
  grid.Width = static_cast<int32_t>(std::ceil(w * std::abs(c) + h * std::abs(s) - 1e-9));
  grid.Height = static_cast<int32_t>(std::ceil(w * std::abs(s) + h * std::abs(c) - 1e-9));
  auto out = ResampleGrid(source, grid, background);
  // Turning does not change the scale: keep the resolutions as they were
  // (swapped for a picture turned on its side).
  const bool across = std::abs(s) > std::abs(c);
  out->SetXDpi(across ? source.YDpi() : source.XDpi());
  out->SetYDpi(across ? source.XDpi() : source.YDpi());
  return out;
}

std::unique_ptr<TDIB> TurnQuarters(const TDIB& source, int32_t quarterTurns) {
  const int32_t q = ((quarterTurns % 4) + 4) % 4;
  const int32_t w = source.Width(), h = source.Height();
  const bool across = q % 2 == 1;
  auto out = NewLike(source, across ? h : w, across ? w : h, across ? source.YDpi() : source.XDpi(),
                     across ? source.XDpi() : source.YDpi());
  // Where source pixel (x, y) lands, turned clockwise q times.
  auto target = [&](int32_t x, int32_t y, int32_t& tx, int32_t& ty) {
    switch (q) {
      case 0:
        tx = x, ty = y;
        break;
      case 1:
        tx = h - 1 - y, ty = x;
        break;
      case 2:
        tx = w - 1 - x, ty = h - 1 - y;
        break;
      default:
        tx = y, ty = w - 1 - x;
        break;
    }
  };
  const int32_t bytes = source.Format() == df8Bit ? 1 : source.Format() == df24Bit ? 3 : 0;
  if (q == 0) {
    for (int32_t y = 0; y < h; ++y)
      std::memcpy(out->Row(y), source.Row(y), static_cast<std::size_t>(source.RowBytes()));
  } else if (bytes != 0) {
    for (int32_t y = 0; y < h; ++y) {
      const std::uint8_t* from = source.Row(y);
      for (int32_t x = 0; x < w; ++x, from += bytes) {
        int32_t tx, ty;
        target(x, y, tx, ty);
        std::memcpy(out->Row(ty) + tx * bytes, from, static_cast<std::size_t>(bytes));
      }
    }
  } else {
    for (int32_t y = 0; y < h; ++y) {
      for (int32_t x = 0; x < w; ++x) {
        int32_t tx, ty;
        target(x, y, tx, ty);
        out->SetPixel(tx, ty, source.GetPixel(x, y));
      }
    }
  }
  return out;
}
