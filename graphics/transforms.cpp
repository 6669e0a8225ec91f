// The image transforms: crop, resize (stretch and resampling), format
// conversion with palette building and dithering, anti-alias, negative.
#include "graphics/transforms.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "image/dibunit.h"
#include "image/rotation.h"
#include "platform/rounding.h"

namespace {

[[noreturn]] void Fail(const char* message) {
  throw EZivuderoError(message);
}

bool HasPalette(TGraphicFormat f) {
  return f != gfTrueColor;
}

// A new image of the given size and format with the source's resolution.
void NewLike(TDibGraphic& dest, const TDibGraphic& source, int32_t width, int32_t height,
             TGraphicFormat format, const TPalette& palette) {
  dest.NewImage(width, height, format, palette, source.XDpi(), source.YDpi());
}

float Sinc(float u) {
  if (u == 0.0f) return 1.0f;
  const float a = std::numbers::pi_v<float> * u;
  return std::sin(a) / a;
}

// One source sample of an output pixel and its weight.
struct Tap {
  int32_t index;
  float weight;
};

// The taps of every output position along one axis.
std::vector<std::vector<Tap>> ResampleTaps(int32_t sourceSize, int32_t targetSize,
                                           TResizeFilter filter) {
  const float s = ResizeFilterSupport(filter);
  const float f = sourceSize == 1
                      ? static_cast<float>(targetSize)
                      : static_cast<float>(targetSize - 1) / static_cast<float>(sourceSize - 1);
  std::vector<std::vector<Tap>> taps(static_cast<std::size_t>(targetSize));
  for (int32_t i = 0; i < targetSize; ++i) {
    const float c = static_cast<float>(i) / f;
    const float w = f >= 1.0f ? s : s / f;
    const auto first = static_cast<int32_t>(std::floor(c - w));
    const auto last = static_cast<int32_t>(std::ceil(c + w));
    for (int32_t j = first; j <= last; ++j) {
      float weight = f >= 1.0f ? ResizeFilterKernel(filter, c - static_cast<float>(j))
                               : ResizeFilterKernel(filter, (c - static_cast<float>(j)) * f) * f;
      if (weight == 0.0f) continue;
      // Outside the source the image is mirrored at its edges.
      int32_t k = j < 0 ? -j : j >= sourceSize ? 2 * sourceSize - 1 - j : j;
      if (k < 0 || k >= sourceSize) {
        weight = 0.0f;
        k = 0;
      }
      taps[static_cast<std::size_t>(i)].push_back({k, weight});
    }
  }
  return taps;
}

std::uint8_t ClampRound(float v) {
  // Adding 1.5 x 2^23 leaves no fraction bits, so the sum is rounded to the
  // nearest integer with halves to even, exactly as platform::Round does,
  // without a library call per channel. Valid for 0 <= v < 2^22.
  constexpr float kRoundingShift = 12582912.0f;
  const float shifted = std::clamp(v, 0.0f, 255.0f) + kRoundingShift;
  return static_cast<std::uint8_t>(static_cast<int32_t>(shifted - kRoundingShift));
}

// The area each output position covers along one axis, as weights summing to 1.
std::vector<std::vector<Tap>> AreaTaps(int32_t sourceSize, int32_t targetSize) {
  std::vector<std::vector<Tap>> taps(static_cast<std::size_t>(targetSize));
  const double scale = static_cast<double>(sourceSize) / targetSize;
  for (int32_t i = 0; i < targetSize; ++i) {
    const double a = i * scale, b = (i + 1) * scale;
    for (auto j = static_cast<int32_t>(std::floor(a)); j < b && j < sourceSize; ++j) {
      const double cover = std::min<double>(b, j + 1) - std::max<double>(a, j);
      if (cover > 0)
        taps[static_cast<std::size_t>(i)].push_back({j, static_cast<float>(cover / scale)});
    }
  }
  return taps;
}

int32_t Distance2(TColor a, TColor b) {
  const int32_t dr = RedOf(a) - RedOf(b), dg = GreenOf(a) - GreenOf(b), db = BlueOf(a) - BlueOf(b);
  return dr * dr + dg * dg + db * db;
}

}  // namespace

float ResizeFilterKernel(TResizeFilter filter, float x) {
  const float t = std::fabs(x);
  switch (filter) {
    case rfTriangle:
      return t < 1.0f ? 1.0f - t : 0.0f;
    case rfHermite:
      return t < 1.0f ? (2.0f * t - 3.0f) * t * t + 1.0f : 0.0f;
    case rfBell:
      if (t < 0.5f) return 0.75f - t * t;
      if (t < 1.5f) return 0.5f * (t - 1.5f) * (t - 1.5f);
      return 0.0f;
    case rfBSpline:
      if (t < 1.0f) return 0.5f * t * t * t - t * t + 2.0f / 3.0f;
      if (t < 2.0f) return (2.0f - t) * (2.0f - t) * (2.0f - t) / 6.0f;
      return 0.0f;
    case rfLanczos3:
      return t < 3.0f ? Sinc(t) * Sinc(t / 3.0f) : 0.0f;
    case rfMitchell:
      if (t < 1.0f) return (7.0f * t * t * t - 12.0f * t * t + 16.0f / 3.0f) / 6.0f;
      if (t < 2.0f)
        return (-7.0f / 3.0f * t * t * t + 12.0f * t * t - 20.0f * t + 32.0f / 3.0f) / 6.0f;
      return 0.0f;
  }
  return 0.0f;
}

float ResizeFilterSupport(TResizeFilter filter) {
  switch (filter) {
    case rfTriangle:
    case rfHermite:
      return 1.0f;
    case rfBell:
      return 1.5f;
    case rfBSpline:
    case rfMitchell:
      return 2.0f;
    case rfLanczos3:
      return 3.0f;
  }
  return 1.0f;
}

// --- Base --------------------------------------------------------------------

void TImageTransform::Apply(TDibGraphic& graphic) {
  TDibGraphic temp;
  ApplyOnDest(graphic, temp);
  graphic.Assign(&temp);
}

void TImageTransform::ApplyOnDest(const TDibGraphic&, TDibGraphic&) {
  throw EZivuderoError(std::string("Method \"ApplyOnDest\" not implemented for ") + ClassName() +
                       " class");
}

void TImageTransform::Progress(int64_t current, int64_t low, int64_t high) {
  if (!OnProgress) return;
  int64_t percent = high <= low ? 0 : (current - low) * 100 / (high - low);
  percent = std::clamp<int64_t>(percent, 0, 100);
  if (percent == lastProgress_) return;
  lastProgress_ = static_cast<std::uint8_t>(percent);
  OnProgress(this, lastProgress_);
}

// --- Crop ----------------------------------------------------------------------

void CropToRect(const TDibGraphic& source, const TRect& rect, TDibGraphic& dest) {
  TCropTransform crop;
  crop.CropByRect = true;
  crop.CropLeft = rect.Left;
  crop.CropTop = rect.Top;
  crop.CropRight = rect.Right;
  crop.CropBottom = rect.Bottom;
  crop.ApplyOnDest(source, dest);
}

void TCropTransform::ApplyOnDest(const TDibGraphic& source, TDibGraphic& dest) {
  StartProgress();
  const int32_t sw = source.Width(), sh = source.Height();
  const int32_t left = CropLeft, top = CropTop;
  const int32_t right = CropByRect ? CropRight : sw - CropRight;
  const int32_t bottom = CropByRect ? CropBottom : sh - CropBottom;
  // Offsets outside the image cannot be cut from it.
  if (top >= bottom || left >= right || left < 0 || top < 0 || left >= sw || top >= sh)
    Fail("Invalid crop parameters");
  const int32_t width = std::min(right - left, sw - left);
  const int32_t height = std::min(bottom - top, sh - top);
  NewLike(dest, source, width, height, source.ImageFormat(), source.Palette());
  const bool palette = HasPalette(source.ImageFormat());
  for (int32_t i = 0; i < height; ++i) {
    Progress(i, 0, height);
    for (int32_t j = 0; j < width; ++j) {
      if (palette)
        dest.SetPixelIndex(j, i, source.GetPixelIndex(j + left, i + top));
      else
        dest.SetPixel(j, i, source.GetPixel(j + left, i + top));
    }
  }
  Progress(100, 0, 100);
}

// --- Resize --------------------------------------------------------------------

void TResizeTransform::ApplyOnDest(const TDibGraphic& source, TDibGraphic& dest) {
  StartProgress();
  const TGraphicFormat format = ForceFormat ? ForcedFormat : source.ImageFormat();
  if (Interpolate) {
    if (source.Width() < 1 || source.Height() < 1) Fail("Source graphic too small");
    if (TargetWidth <= 1 || TargetHeight <= 1) Fail("Destination graphic too small");
  }
  const TPalette palette = format == source.ImageFormat() ? source.Palette() : TPalette{};
  NewLike(dest, source, TargetWidth, TargetHeight, format, palette);
  if (Interpolate)
    Resample(source, dest);
  else
    Stretch(source, dest);
  Progress(100, 0, 100);
}

namespace {

// Fills one output row with the colours of the source pixels `column` names
// in source row `y`, reading the row bytes straight: this is the inner loop
// of every redraw of the viewer.
void StretchRow(const TDibGraphic& source, int32_t y, const std::vector<int32_t>& column,
                std::uint8_t* out) {
  const std::uint8_t* row = source.ScanLine(y);
  std::array<std::array<std::uint8_t, 3>, 256> bgr{};
  const TPalette& palette = source.Palette();
  for (std::size_t i = 0; i < palette.size(); ++i)
    bgr[i] = {BlueOf(palette[i]), GreenOf(palette[i]), RedOf(palette[i])};
  const auto put = [out](std::size_t x, const std::uint8_t* pixel) {
    std::memcpy(out + 3 * x, pixel, 3);
  };
  switch (source.BitCount()) {
    case 1:
      for (std::size_t x = 0; x < column.size(); ++x) {
        const int32_t sx = column[x];
        put(x, bgr[(row[sx >> 3] >> (7 - (sx & 7))) & 1].data());
      }
      break;
    case 4:
      for (std::size_t x = 0; x < column.size(); ++x) {
        const int32_t sx = column[x];
        put(x, bgr[(sx & 1) ? (row[sx >> 1] & 0x0F) : (row[sx >> 1] >> 4)].data());
      }
      break;
    case 8:
      for (std::size_t x = 0; x < column.size(); ++x) put(x, bgr[row[column[x]]].data());
      break;
    default:
      for (std::size_t x = 0; x < column.size(); ++x)
        put(x, row + 3 * static_cast<std::size_t>(column[x]));
  }
}

// Area averaging of a true-colour image: each output pixel is the mean of
// the source area it covers, first along rows, then along columns. Rows
// filtered along x are kept only while output rows still need them.
void AreaAverage(const TDibGraphic& source, TDibGraphic& dest) {
  const int32_t sw = source.Width(), sh = source.Height();
  const int32_t dw = dest.Width(), dh = dest.Height();
  if (sw == dw && sh == dh) {
    // Every output pixel covers exactly one source pixel with weight 1.
    for (int32_t y = 0; y < sh; ++y)
      std::memcpy(dest.ScanLine(y), source.ScanLine(y), static_cast<std::size_t>(3 * sw));
    return;
  }
  const auto xs = AreaTaps(sw, dw), ys = AreaTaps(sh, dh);
  std::size_t slots = 1;
  for (const auto& taps : ys) slots = std::max(slots, taps.size() + 1);
  const std::size_t rowFloats = static_cast<std::size_t>(dw) * 3;
  std::vector<float> filtered(slots * rowFloats);
  std::vector<int32_t> slotRow(slots, -1);
  // Output rows use consecutive source rows in increasing order, so a row is
  // never pushed out of its slot while an output row still needs it.
  const auto filteredRow = [&](int32_t y) -> const float* {
    const std::size_t slot = static_cast<std::size_t>(y) % slots;
    float* out = &filtered[slot * rowFloats];
    if (slotRow[slot] == y) return out;
    slotRow[slot] = y;
    const std::uint8_t* src = source.ScanLine(y);
    for (int32_t x = 0; x < dw; ++x) {
      float b = 0, g = 0, r = 0;
      for (const Tap& t : xs[static_cast<std::size_t>(x)]) {
        b += t.weight * src[3 * t.index];
        g += t.weight * src[3 * t.index + 1];
        r += t.weight * src[3 * t.index + 2];
      }
      out[3 * x] = b, out[3 * x + 1] = g, out[3 * x + 2] = r;
    }
    return out;
  };
  std::vector<const float*> rows;
  for (int32_t y = 0; y < dh; ++y) {
    const auto& taps = ys[static_cast<std::size_t>(y)];
    rows.clear();
    for (const Tap& t : taps) rows.push_back(filteredRow(t.index));
    std::uint8_t* out = dest.ScanLine(y);
    for (int32_t x = 0; x < dw; ++x) {
      float b = 0, g = 0, r = 0;
      for (std::size_t k = 0; k < taps.size(); ++k) {
        const float* in = rows[k] + 3 * static_cast<std::size_t>(x);
        b += taps[k].weight * in[0], g += taps[k].weight * in[1], r += taps[k].weight * in[2];
      }
      out[3 * x] = ClampRound(b), out[3 * x + 1] = ClampRound(g), out[3 * x + 2] = ClampRound(r);
    }
  }
}

}  // namespace

void TResizeTransform::Stretch(const TDibGraphic& source, TDibGraphic& dest) {
  Progress(50, 0, 100);
  const int32_t sw = source.Width(), sh = source.Height();
  const int32_t dw = dest.Width(), dh = dest.Height();
  if (source.ImageFormat() == gfTrueColor && int64_t{sw} * sh > 1024) {
    AreaAverage(source, dest);
    return;
  }
  // Whole rows and columns dropped or repeated.
  const bool sameIndices = source.ImageFormat() == dest.ImageFormat() &&
                           source.Palette() == dest.Palette() && HasPalette(source.ImageFormat());
  std::vector<int32_t> column(static_cast<std::size_t>(dw));
  for (int32_t x = 0; x < dw; ++x)
    column[static_cast<std::size_t>(x)] = static_cast<int32_t>(int64_t{x} * sw / dw);
  if (dest.ImageFormat() == gfTrueColor) {
    // The viewer's path: colours written straight into the rows; a repeated
    // source row repeats the output row before it.
    int32_t previous = -1;
    for (int32_t y = 0; y < dh; ++y) {
      const auto sy = static_cast<int32_t>(int64_t{y} * sh / dh);
      std::uint8_t* out = dest.ScanLine(y);
      if (sy == previous)
        std::memcpy(out, dest.ScanLine(y - 1), static_cast<std::size_t>(3 * dw));
      else
        StretchRow(source, sy, column, out);
      previous = sy;
    }
    return;
  }
  for (int32_t y = 0; y < dh; ++y) {
    const auto sy = static_cast<int32_t>(int64_t{y} * sh / dh);
    for (int32_t x = 0; x < dw; ++x) {
      const int32_t sx = column[static_cast<std::size_t>(x)];
      if (sameIndices)
        dest.SetPixelIndex(x, y, source.GetPixelIndex(sx, sy));
      else
        dest.SetPixel(x, y, source.GetPixel(sx, sy));
    }
  }
}

void TResizeTransform::Resample(const TDibGraphic& source, TDibGraphic& dest) {
  const int32_t sw = source.Width(), sh = source.Height();
  const int32_t dw = TargetWidth, dh = TargetHeight;
  const auto xs = ResampleTaps(sw, dw, ResampleFilter);
  const auto ys = ResampleTaps(sh, dh, ResampleFilter);
  TDibGraphic temp;
  temp.NewImage(dw, sh, gfTrueColor, {}, source.XDpi(), source.YDpi());
  const auto weighted = [](const std::vector<Tap>& taps, auto&& colourAt) {
    float r = 0, g = 0, b = 0;
    for (const Tap& t : taps) {
      const TColor c = colourAt(t.index);
      r += t.weight * RedOf(c), g += t.weight * GreenOf(c), b += t.weight * BlueOf(c);
    }
    return RGBColor(ClampRound(r), ClampRound(g), ClampRound(b));
  };
  for (int32_t y = 0; y < sh; ++y) {
    Progress(y, 0, sh + dh);
    for (int32_t x = 0; x < dw; ++x)
      temp.SetPixel(x, y, weighted(xs[static_cast<std::size_t>(x)], [&](int32_t i) {
                      return source.GetPixel(i, y);
                    }));
  }
  for (int32_t y = 0; y < dh; ++y) {
    Progress(sh + y, 0, sh + dh);
    for (int32_t x = 0; x < dw; ++x)
      dest.SetPixel(x, y, weighted(ys[static_cast<std::size_t>(y)], [&](int32_t i) {
                      return temp.GetPixel(x, i);
                    }));
  }
}

// --- Format conversion --------------------------------------------------------

TPalette BuildImagePalette(const TDibGraphic& graphic, int32_t n) {
  // Histogram of 15-bit colours: the top five bits of each channel.
  std::vector<uint16_t> counts(1 << 15, 0);
  for (int32_t y = 0; y < graphic.Height(); ++y)
    for (int32_t x = 0; x < graphic.Width(); ++x) {
      const TColor c = graphic.GetPixel(x, y);
      const int key = ((RedOf(c) >> 3) << 10) | ((GreenOf(c) >> 3) << 5) | (BlueOf(c) >> 3);
      if (counts[static_cast<std::size_t>(key)] < 65535) ++counts[static_cast<std::size_t>(key)];
    }
  const auto distinct =
      std::count_if(counts.begin(), counts.end(), [](uint16_t c) { return c > 0; });
  // Images with more colours need a colour to be more frequent to count.
  const int threshold = distinct < 1250    ? 2
                        : distinct < 2500  ? 5
                        : distinct <= 4999 ? 10
                        : distinct <= 9999 ? 15
                                           : 20;
  std::vector<TColor> candidates;
  for (int key = 0; key < (1 << 15); ++key)
    if (counts[static_cast<std::size_t>(key)] > threshold)
      candidates.push_back(RGBColor(static_cast<std::uint8_t>(((key >> 10) & 31) * 8),
                                    static_cast<std::uint8_t>(((key >> 5) & 31) * 8),
                                    static_cast<std::uint8_t>((key & 31) * 8)));
  if (static_cast<int32_t>(candidates.size()) <= n) {
    candidates.resize(static_cast<std::size_t>(n), RGBColor(0, 0, 0));
    return candidates;
  }
  // Spread the choice: start nearest to white, then always take the candidate
  // farthest from everything chosen (smallest sum of inverse distances).
  constexpr int64_t kIdentical = int64_t{1} << 30;
  std::vector<bool> chosen(candidates.size(), false);
  std::vector<int64_t> score(candidates.size(), 0);
  TPalette palette;
  std::size_t first = 0;
  for (std::size_t i = 1; i < candidates.size(); ++i)
    if (Distance2(candidates[i], RGBColor(255, 255, 255)) <
        Distance2(candidates[first], RGBColor(255, 255, 255)))
      first = i;
  std::size_t next = first;
  while (static_cast<int32_t>(palette.size()) < n) {
    chosen[next] = true;
    palette.push_back(candidates[next]);
    for (std::size_t i = 0; i < candidates.size(); ++i) {
      if (chosen[i]) continue;
      const int32_t d = Distance2(candidates[i], candidates[next]);
      score[i] += d == 0 ? kIdentical : kIdentical / d;
    }
    std::size_t best = candidates.size();
    for (std::size_t i = 0; i < candidates.size(); ++i)
      if (!chosen[i] && (best == candidates.size() || score[i] < score[best])) best = i;
    if (best == candidates.size()) break;
    next = best;
  }
  return palette;
}

void TImageFormatTransform::Apply(TDibGraphic& graphic) {
  if (graphic.ImageFormat() != TargetFormat) TImageTransform::Apply(graphic);
}

void TImageFormatTransform::ApplyOnDest(const TDibGraphic& source, TDibGraphic& dest) {
  StartProgress();
  TPalette palette;
  if (TargetFormat == gfColor16 || TargetFormat == gfColor256) {
    const int32_t n = TargetFormat == gfColor16 ? 16 : 256;
    palette = BuildPalette ? BuildImagePalette(source, n) : CustomPalette;
  }
  NewLike(dest, source, source.Width(), source.Height(), TargetFormat, palette);
  const int32_t w = source.Width(), h = source.Height();
  if (Dither && TargetFormat != gfTrueColor) {
    // Floyd-Steinberg: the error of each pixel is carried 7/16 right, 3/16
    // lower left, 5/16 below and 1/16 lower right.
    std::vector<int32_t> current(static_cast<std::size_t>(w + 2) * 3, 0), below(current.size(), 0);
    for (int32_t y = 0; y < h; ++y) {
      Progress(y, 0, h);
      for (int32_t x = 0; x < w; ++x) {
        const TColor c = source.GetPixel(x, y);
        int32_t* e = &current[static_cast<std::size_t>(x + 1) * 3];
        const int32_t r = std::clamp(RedOf(c) + e[0], 0, 255);
        const int32_t g = std::clamp(GreenOf(c) + e[1], 0, 255);
        const int32_t b = std::clamp(BlueOf(c) + e[2], 0, 255);
        const int32_t index =
            dest.NearestIndex(RGBColor(static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                                       static_cast<std::uint8_t>(b)));
        dest.SetPixelIndex(x, y, index);
        const TColor stored = dest.Palette()[static_cast<std::size_t>(index)];
        const int32_t err[3] = {r - RedOf(stored), g - GreenOf(stored), b - BlueOf(stored)};
        for (int k = 0; k < 3; ++k) {
          current[static_cast<std::size_t>(x + 2) * 3 + k] += err[k] * 7 / 16;
          below[static_cast<std::size_t>(x) * 3 + k] += err[k] * 3 / 16;
          below[static_cast<std::size_t>(x + 1) * 3 + k] += err[k] * 5 / 16;
          below[static_cast<std::size_t>(x + 2) * 3 + k] += err[k] * 1 / 16;
        }
      }
      current.swap(below);
      std::fill(below.begin(), below.end(), 0);
    }
  } else {
    for (int32_t y = 0; y < h; ++y) {
      Progress(y, 0, h);
      for (int32_t x = 0; x < w; ++x) dest.SetPixel(x, y, source.GetPixel(x, y));
    }
  }
  Progress(100, 0, 100);
}

// --- Anti-alias ----------------------------------------------------------------

void TAntiAliasTransform::Apply(TDibGraphic& graphic) {
  if (graphic.ImageFormat() == gfBlackWhite) TImageTransform::Apply(graphic);
}

void TAntiAliasTransform::ApplyOnDest(const TDibGraphic& source, TDibGraphic& dest) {
  StartProgress();
  if (source.ImageFormat() != gfBlackWhite) {
    dest.Assign(&source);
    Progress(100, 0, 100);
    return;
  }
  const int32_t sw = source.Width(), sh = source.Height();
  const int32_t tw = TargetWidth == 0 ? sw : TargetWidth;
  const int32_t th = TargetHeight == 0 ? sh : TargetHeight;
  NewLike(dest, source, tw, th, gfGray256, {});
  // Bounds of the source columns and rows each output pixel covers.
  const auto bounds = [](int32_t from, int32_t to) {
    std::vector<int32_t> q(static_cast<std::size_t>(to) + 1);
    for (int32_t l = 0; l < to; ++l)
      q[static_cast<std::size_t>(l)] = platform::Trunc(static_cast<double>(from) / to * l);
    q[static_cast<std::size_t>(to)] = from - 1;
    return q;
  };
  const std::vector<int32_t> q = bounds(sw, tw), p = bounds(sh, th);
  const bool zeroIsWhite = RedOf(source.Palette()[0]) == 255;
  for (int32_t k = 0; k < th; ++k) {
    Progress(k, 0, th);
    for (int32_t l = 0; l < tw; ++l) {
      int32_t v = 0, c = 0;
      for (int32_t y = p[static_cast<std::size_t>(k)];
           y <= p[static_cast<std::size_t>(k) + 1] && y < sh; ++y)
        for (int32_t x = q[static_cast<std::size_t>(l)];
             x <= q[static_cast<std::size_t>(l) + 1] - 1 && x < sw; ++x) {
          ++v;
          if (source.GetPixelIndex(x, y) == 0) ++c;
        }
      int32_t g;
      if (c == 0)
        g = 255;
      else if (c == v || v - c < v / 8)
        g = 0;
      else if (c < v / 8)
        g = 255;
      else
        g = (v - c) * 255 / v;
      if (zeroIsWhite) g = 255 - g;
      dest.SetPixelIndex(l, k, g);
    }
  }
  Progress(100, 0, 100);
}

// --- Negative ------------------------------------------------------------------

void TNegativeTransform::Apply(TDibGraphic& graphic) {
  StartProgress();
  if (graphic.IsEmpty()) return;
  switch (graphic.ImageFormat()) {
    case gfBlackWhite:
    case gfGray16:
    case gfGray256:
    case gfTrueColor:
      // Every stored byte of every row: for true colour that is 255 minus each
      // of red, green and blue.
      for (std::uint8_t& b : graphic.PixelBytes()) b = static_cast<std::uint8_t>(~b);
      break;
    case gfColor16:
    case gfColor256: {
      TPalette palette = graphic.Palette();
      for (TColor& c : palette) c = ~c & 0xFFFFFF;
      graphic.SetPalette(palette);
      break;
    }
  }
  Progress(100, 0, 100);
}

void TNegativeTransform::ApplyOnDest(const TDibGraphic& source, TDibGraphic& dest) {
  dest.Assign(&source);
  Apply(dest);
}

// --- Rotate --------------------------------------------------------------------

void TRotateTransform::ApplyOnDest(const TDibGraphic& source, TDibGraphic& dest) {
  StartProgress();
  if (source.IsEmpty()) Fail("Source graphic too small");
  TDIB raster;
  raster.AttachBlock(source.ExportPackedDib());
  // The background as a pixel value of the raster: red + 256 green + 65536
  // blue in true colour, the nearest entry's index in a palette.
  int32_t background = RedOf(Background) | GreenOf(Background) << 8 | BlueOf(Background) << 16;
  const TPalette& palette = source.Palette();
  if (HasPalette(source.ImageFormat())) {
    background = 0;
    for (std::size_t i = 1; i < palette.size(); ++i) {
      if (Distance2(palette[i], Background) < Distance2(palette[background], Background))
        background = static_cast<int32_t>(i);
    }
  }
  Progress(10, 0, 100);
  const std::unique_ptr<TDIB> turned = RotateRaster(raster, Angle, background);
  dest.NewImage(turned->Width(), turned->Height(), source.ImageFormat(), palette, turned->XDpi(),
                turned->YDpi());
  // The raster's rows and the graphic's are laid out alike.
  for (int32_t y = 0; y < turned->Height(); ++y)
    std::memcpy(dest.ScanLine(y), turned->Row(y), static_cast<std::size_t>(turned->RowBytes()));
  Progress(100, 0, 100);
}
