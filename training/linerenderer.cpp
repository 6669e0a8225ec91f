#include "training/linerenderer.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

namespace {

// FreeType's fixed-point formats.
FT_Fixed Fixed16(double v) {
  return static_cast<FT_Fixed>(std::lround(v * 65536));
}
FT_Pos Pos26(double v) {
  return static_cast<FT_Pos>(std::lround(v * 64));
}

// Coverage below this share of a pixel is not part of a character's box.
constexpr float kBoxCoverage = 0.5f;
// Pixels the drawing may reach beyond the line's pen run.
constexpr double kCanvasEms = 3;

std::vector<float> GaussianKernel(double sigma) {
  const int32_t radius = std::max(1, static_cast<int32_t>(std::ceil(3 * sigma)));
  std::vector<float> k(static_cast<std::size_t>(2 * radius + 1));
  float sum = 0;
  for (int32_t i = -radius; i <= radius; ++i)
    sum += k[static_cast<std::size_t>(i + radius)] =
        static_cast<float>(std::exp(-0.5 * i * i / (sigma * sigma)));
  for (float& v : k) v /= sum;
  return k;
}

// Blurs a width x height plane in place, edges held at their own values.
void Blur(std::vector<float>& plane, int32_t width, int32_t height, double sigma) {
  if (sigma <= 0.05) return;
  const std::vector<float> k = GaussianKernel(sigma);
  const int32_t r = static_cast<int32_t>(k.size() / 2);
  std::vector<float> tmp(plane.size());
  auto at = [&](const std::vector<float>& p, int32_t x, int32_t y) {
    x = std::clamp(x, 0, width - 1);
    y = std::clamp(y, 0, height - 1);
    return p[static_cast<std::size_t>(y * width + x)];
  };
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      float s = 0;
      for (int32_t i = -r; i <= r; ++i)
        s += k[static_cast<std::size_t>(i + r)] * at(plane, x + i, y);
      tmp[static_cast<std::size_t>(y * width + x)] = s;
    }
  }
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      float s = 0;
      for (int32_t i = -r; i <= r; ++i) s += k[static_cast<std::size_t>(i + r)] * at(tmp, x, y + i);
      plane[static_cast<std::size_t>(y * width + x)] = s;
    }
  }
}

}  // namespace

struct TLineRenderer::TFace {
  FT_Library Library = nullptr;
  FT_Face Face = nullptr;
  double CapAtReference = 0;  // cap height in pixels at kReferencePixels
  static constexpr double kReferencePixels = 200;
  ~TFace() {
    if (Face) FT_Done_Face(Face);
    if (Library) FT_Done_FreeType(Library);
  }
};

TLineRenderer::TLineRenderer(const std::string& fontFile) : face_(std::make_unique<TFace>()) {
  if (FT_Init_FreeType(&face_->Library) != 0) throw std::runtime_error("FreeType does not start");
  if (FT_New_Face(face_->Library, fontFile.c_str(), 0, &face_->Face) != 0)
    throw std::runtime_error(fontFile + ": not a font FreeType reads");
  FT_Set_Char_Size(face_->Face, 0, Pos26(TFace::kReferencePixels), 72, 72);
  if (FT_Load_Char(face_->Face, 'H', FT_LOAD_NO_BITMAP | FT_LOAD_NO_HINTING) != 0)
    throw std::runtime_error(fontFile + ": no glyph for H");
  face_->CapAtReference = face_->Face->glyph->metrics.height / 64.0;
}

TLineRenderer::~TLineRenderer() = default;

bool TLineRenderer::Covers(const std::string& text) const {
  return std::all_of(text.begin(), text.end(), [&](char c) {
    return FT_Get_Char_Index(face_->Face, static_cast<unsigned char>(c)) != 0;
  });
}

TRenderedLine TLineRenderer::Render(const std::string& text, const TLineLook& look,
                                    TTrainingRandom& random) {
  FT_Face face = face_->Face;
  const double pixels = TFace::kReferencePixels * look.CapHeight / face_->CapAtReference;
  FT_Set_Char_Size(face, 0, Pos26(pixels), 72, 72);
  const double angle = look.Rotation * std::numbers::pi / 180;
  FT_Matrix m;
  m.xx = Fixed16(look.Condensing * std::cos(angle));
  m.xy = Fixed16(-std::sin(angle));
  m.yx = Fixed16(look.Condensing * std::sin(angle));
  m.yy = Fixed16(std::cos(angle));

  const int32_t width =
      static_cast<int32_t>((static_cast<double>(text.size()) + 2) *
                               (pixels * look.Condensing + look.Tracking * look.CapHeight) +
                           kCanvasEms * pixels);
  const int32_t height = static_cast<int32_t>(kCanvasEms * pixels);
  std::vector<float> cover(static_cast<std::size_t>(width * height), 0);
  std::vector<TRect> boxes;
  // Pen in pixels, y upwards from the canvas bottom (FreeType's direction).
  double penX = pixels, penY = pixels;
  for (const char c : text) {
    FT_Vector delta{Pos26(penX), Pos26(penY)};
    FT_Set_Transform(face, &m, &delta);
    if (FT_Load_Char(face, static_cast<unsigned char>(c), FT_LOAD_NO_BITMAP | FT_LOAD_NO_HINTING) !=
        0)
      throw std::runtime_error(std::string("no glyph for ") + c);
    FT_GlyphSlot slot = face->glyph;
    if (look.Embolden != 0 && slot->format == FT_GLYPH_FORMAT_OUTLINE)
      FT_Outline_Embolden(&slot->outline, Pos26(look.Embolden * look.CapHeight));
    FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL);
    const FT_Bitmap& b = slot->bitmap;
    TRect box{width, height, -1, -1};
    for (int32_t r = 0; r < static_cast<int32_t>(b.rows); ++r) {
      for (int32_t col = 0; col < static_cast<int32_t>(b.width); ++col) {
        const int32_t x = slot->bitmap_left + col, y = height - slot->bitmap_top + r;
        if (x < 0 || y < 0 || x >= width || y >= height) continue;
        const float v = b.buffer[r * b.pitch + col] / 255.0f;
        float& p = cover[static_cast<std::size_t>(y * width + x)];
        p = std::min(1.0f, p + v);
        if (v < kBoxCoverage) continue;
        box = TRect{std::min(box.Left, x), std::min(box.Top, y), std::max(box.Right, x),
                    std::max(box.Bottom, y)};
      }
    }
    boxes.push_back(box);
    const double advance =
        slot->advance.x / 64.0 + look.Tracking * look.CapHeight * std::cos(angle);
    penX += advance;
    penY += slot->advance.y / 64.0 + look.Tracking * look.CapHeight * std::sin(angle);
  }
  FT_Set_Transform(face, nullptr, nullptr);

  Blur(cover, width, height, look.Blur);
  // The zone: the characters' boxes and the margin around them.
  TRect ink{width, height, -1, -1};
  for (const TRect& b : boxes) {
    if (b.Right < b.Left) continue;
    ink = TRect{std::min(ink.Left, b.Left), std::min(ink.Top, b.Top), std::max(ink.Right, b.Right),
                std::max(ink.Bottom, b.Bottom)};
  }
  if (ink.Right < ink.Left) throw std::runtime_error("nothing drawn");
  const TRect zone{std::max(0, ink.Left - look.Margin), std::max(0, ink.Top - look.Margin),
                   std::min(width - 1, ink.Right + look.Margin),
                   std::min(height - 1, ink.Bottom + look.Margin)};

  // The guilloche: curves a pixel or so wide, as a darkening of the paper.
  std::vector<float> pattern(static_cast<std::size_t>(width * height), 0);
  for (int32_t k = 0; k < look.PatternLines; ++k) {
    const double y0 = random.Uniform() * height, amplitude = 2 + random.Uniform() * pixels / 2;
    const double period = pixels * (1 + 4 * random.Uniform()),
                 phase = 2 * std::numbers::pi * random.Uniform();
    const double halfWidth = 0.4 + 0.8 * random.Uniform();
    for (int32_t x = 0; x < width; ++x) {
      const double yc = y0 + amplitude * std::sin(2 * std::numbers::pi * x / period + phase);
      for (int32_t y = std::max(0, static_cast<int32_t>(yc - 3));
           y <= std::min(height - 1, static_cast<int32_t>(yc + 3)); ++y) {
        const double d = (y - yc) / halfWidth;
        float& p = pattern[static_cast<std::size_t>(y * width + x)];
        p = std::max(p, static_cast<float>(std::exp(-0.5 * d * d)));
      }
    }
  }

  TRenderedLine line;
  line.Text = text;
  line.Zone = std::make_unique<TDIB>();
  const int32_t zw = zone.Right - zone.Left + 1, zh = zone.Bottom - zone.Top + 1;
  line.Zone->NewImage(zw, zh, df8Bit, look.Dpi, look.Dpi);
  for (int32_t y = 0; y < zh; ++y) {
    std::uint8_t* row = line.Zone->Row(y);
    for (int32_t x = 0; x < zw; ++x) {
      const std::size_t at = static_cast<std::size_t>((zone.Top + y) * width + zone.Left + x);
      const double paper = look.Paper - look.PatternDepth * pattern[at];
      const double v = paper - (paper - look.Ink) * cover[at] + look.Noise * random.Normal();
      row[x] = static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
    }
  }
  for (TRect b : boxes) {
    line.Boxes.push_back(
        TRect{b.Left - zone.Left, b.Top - zone.Top, b.Right - zone.Left, b.Bottom - zone.Top});
  }
  return line;
}
