// Quarter turns and resampling along turned, scaled grids (rotation.h).
//
// Bilinear sampling runs in fixed point: grid coordinates in 1/65536 of a
// pixel, weights in 1/1024, so that a grid point falling on a pixel centre
// copies the pixel exactly and any other point is within one level of the
// exact interpolation.
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

// One row of the grid, bilinearly: the point of pixel u is (x0 + u dx, y0 +
// u dy) in fixed point.
template <int32_t Channels>
void SampleRowBilinear(const TDIB& source, int64_t x, int64_t y, int64_t dx, int64_t dy,
                       int32_t width, int32_t background, std::uint8_t* out) {
  const int32_t w = source.Width(), h = source.Height();
  std::array<int32_t, Channels> paper{};
  for (int32_t c = 0; c < Channels; ++c) paper[c] = ChannelOf(background, Channels, c);
  for (int32_t u = 0; u < width; ++u, x += dx, y += dy, out += Channels) {
    const auto px = static_cast<int32_t>(x >> kCoordinateBits);
    const auto py = static_cast<int32_t>(y >> kCoordinateBits);
    const auto fx = static_cast<int32_t>((x >> (kCoordinateBits - kWeightBits)) & (kWeightOne - 1));
    const auto fy = static_cast<int32_t>((y >> (kCoordinateBits - kWeightBits)) & (kWeightOne - 1));
    const bool inside = px >= 0 && py >= 0 && px + 1 < w && py + 1 < h;
    const std::uint8_t* r0 = py >= 0 && py < h ? source.Row(py) : nullptr;
    const std::uint8_t* r1 = py + 1 >= 0 && py + 1 < h ? source.Row(py + 1) : nullptr;
    for (int32_t c = 0; c < Channels; ++c) {
      int32_t v00, v01, v10, v11;
      if (inside) {
        v00 = r0[px * Channels + c];
        v01 = r0[(px + 1) * Channels + c];
        v10 = r1[px * Channels + c];
        v11 = r1[(px + 1) * Channels + c];
      } else {
        auto at = [&](const std::uint8_t* row, int32_t sx) {
          return row != nullptr && sx >= 0 && sx < w ? row[sx * Channels + c] : paper[c];
        };
        v00 = at(r0, px);
        v01 = at(r0, px + 1);
        v10 = at(r1, px);
        v11 = at(r1, px + 1);
      }
      const int32_t top = v00 * (kWeightOne - fx) + v01 * fx;
      const int32_t bottom = v10 * (kWeightOne - fx) + v11 * fx;
      const int64_t sum = int64_t{top} * (kWeightOne - fy) + int64_t{bottom} * fy;
      out[c] = static_cast<std::uint8_t>((sum + (int64_t{1} << (2 * kWeightBits - 1))) >>
                                         (2 * kWeightBits));
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
  const bool bilinear = Interpolates(source);
  for (int32_t v = 0; v < grid.Height; ++v) {
    const int64_t x = Fixed(grid.SourceX(0, v)), y = Fixed(grid.SourceY(0, v));
    if (!bilinear) {
      SampleRowNearest(source, x, y, dx, dy, grid.Width, background, *out, v);
    } else if (source.Format() == df24Bit) {
      SampleRowBilinear<3>(source, x, y, dx, dy, grid.Width, background, out->Row(v));
    } else {
      SampleRowBilinear<1>(source, x, y, dx, dy, grid.Width, background, out->Row(v));
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
