// TDibGraphic: formats and palettes, pixel access, copying, export and import
// of packed DIBs, pages, and the extension registry with the load path.
#include "graphics/dibgraphic.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <string_view>

#include "graphics/bitmapimage.h"
#include "graphics/jpeggraphic.h"
#include "graphics/metafileimage.h"
#include "graphics/pngimage.h"
#include "graphics/tiffgraphic.h"
#include "platform/rounding.h"
#include "platform/streams.h"

namespace {

// Inches per metre: resolutions are stored in pixels per metre.
constexpr double kInchesPerMetre = 39.370078740157480317;
constexpr std::size_t kInfoHeaderSize = 40;

// 512 MiB of pixels: a true-colour A3 page at 1200 dpi still fits.
std::atomic<std::size_t> gMaxImageBytes{std::size_t{512} << 20};
std::atomic<int64_t> gMaxImagePixels{0};

void CheckFormat(TGraphicFormat format) {
  if (format > gfTrueColor) throw EZivuderoError("Internal error: Invalid image format");
}

// The 16-colour palette of the display (red, green, blue).
constexpr std::array<TColor, 16> kColor16 = {
    RGBColor(0, 0, 0),     RGBColor(0, 0, 170),    RGBColor(0, 170, 0),    RGBColor(0, 170, 170),
    RGBColor(170, 0, 0),   RGBColor(170, 0, 170),  RGBColor(170, 85, 0),   RGBColor(170, 170, 170),
    RGBColor(85, 85, 85),  RGBColor(85, 85, 255),  RGBColor(85, 255, 85),  RGBColor(85, 255, 255),
    RGBColor(255, 85, 85), RGBColor(255, 85, 255), RGBColor(255, 255, 85), RGBColor(255, 255, 255)};

// The 256-colour palette: the 16 display colours, then a 6 x 6 x 6 colour cube
// (levels 0, 51, ..., 255) and a ramp of 24 greys between the cube's levels.
TPalette Color256Palette() {
  TPalette p(kColor16.begin(), kColor16.end());
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b)
        p.push_back(RGBColor(static_cast<std::uint8_t>(r * 51), static_cast<std::uint8_t>(g * 51),
                             static_cast<std::uint8_t>(b * 51)));
  for (int i = 0; p.size() < 256; ++i) {
    const auto v = static_cast<std::uint8_t>(8 + i * 10);
    p.push_back(RGBColor(v, v, v));
  }
  return p;
}

}  // namespace

std::string FormatDescription(TGraphicFormat format) {
  static constexpr std::array<const char*, 6> kNames = {"Black and white",    "16 shades of gray",
                                                        "256 shades of gray", "16 color",
                                                        "256 color",          "True color"};
  CheckFormat(format);
  return kNames[format];
}

int32_t FormatBitCount(TGraphicFormat format) {
  static constexpr std::array<int32_t, 6> kBits = {1, 4, 8, 4, 8, 24};
  CheckFormat(format);
  return kBits[format];
}

int32_t FormatPaletteSize(TGraphicFormat format) {
  static constexpr std::array<int32_t, 6> kEntries = {2, 16, 256, 16, 256, 0};
  CheckFormat(format);
  return kEntries[format];
}

TPalette StandardPalette(TGraphicFormat format) {
  CheckFormat(format);
  TPalette p;
  switch (format) {
    case gfBlackWhite:
      p = {RGBColor(0, 0, 0), RGBColor(255, 255, 255)};
      break;
    case gfGray16:
      for (int i = 0; i < 16; ++i) {
        const auto v = static_cast<std::uint8_t>(17 * i);
        p.push_back(RGBColor(v, v, v));
      }
      break;
    case gfGray256:
      for (int i = 0; i < 256; ++i) {
        const auto v = static_cast<std::uint8_t>(i);
        p.push_back(RGBColor(v, v, v));
      }
      break;
    case gfColor16:
      p.assign(kColor16.begin(), kColor16.end());
      break;
    case gfColor256:
      p = Color256Palette();
      break;
    case gfTrueColor:
      break;
  }
  return p;
}

// --- TDibGraphic ------------------------------------------------------------

TDibGraphic::TDibGraphic() = default;
TDibGraphic::~TDibGraphic() = default;

std::unique_ptr<TDibGraphic> TDibGraphic::NewInstance() const {
  return std::make_unique<TDibGraphic>();
}

std::size_t TDibGraphic::MaxImageBytes() {
  return gMaxImageBytes.load();
}
void TDibGraphic::SetMaxImageBytes(std::size_t bytes) {
  gMaxImageBytes.store(bytes);
}
int64_t TDibGraphic::MaxImagePixels() {
  return gMaxImagePixels.load();
}
void TDibGraphic::SetMaxImagePixels(int64_t pixels) {
  gMaxImagePixels.store(pixels);
}

void CheckImageSize(int64_t width, int64_t height) {
  // Every copy of a picture stores a row in whole 32-bit words and the
  // readers keep per-row data besides: a row costs at least what a row of
  // this many pixels does, so a picture one pixel wide and millions high is
  // counted as the memory it takes.
  constexpr int64_t kNarrowestRow = 32;
  const int64_t limit = TDibGraphic::MaxImagePixels();
  if (limit <= 0 || width <= 0 || height <= 0) return;
  const int64_t counted = std::max(width, kNarrowestRow);
  // Either side alone beyond the limit also keeps the product from overflowing.
  if (counted > limit || height > limit || counted * height > limit)
    throw EImageTooLarge("Image too large: " + std::to_string(width) + " x " +
                         std::to_string(height) + " pixels, more than the limit of " +
                         std::to_string(limit) +
                         (width < kNarrowestRow ? " (a row counts as 32 pixels at least)" : ""));
}

EPageNotFound::EPageNotFound(int32_t page, int32_t pages)
    : EZivuderoError("page " + std::to_string(page) + " does not exist (the file has " +
                     std::to_string(pages) + (pages == 1 ? " page)" : " pages)")) {}

void TDibGraphic::Clear() {
  dib_.clear();
  dib_.shrink_to_fit();
  bits_ = nullptr;
  stride_ = 0;
  palette_.clear();
  cache_.reset();
}

void TDibGraphic::NewImage(int32_t width, int32_t height, TGraphicFormat format,
                           const TPalette& palette, int32_t xDpi, int32_t yDpi) {
  MakeImage(width, height, format, palette, xDpi, yDpi, {});
}

void TDibGraphic::MakeImage(int32_t width, int32_t height, TGraphicFormat format,
                            const TPalette& palette, int32_t xDpi, int32_t yDpi,
                            std::vector<std::uint8_t>&& storage) {
  Clear();
  CheckFormat(format);
  const int32_t bits = FormatBitCount(format);
  const int32_t entries = FormatPaletteSize(format);
  if (width <= 0 || height <= 0) throw EZivuderoError("Invalid image size");
  CheckImageSize(width, height);
  const std::uint64_t stride = DibRowBytes(static_cast<std::uint64_t>(width), bits);
  const std::uint64_t imageBytes = stride * static_cast<std::uint64_t>(height);
  if (imageBytes > MaxImageBytes() || stride > INT32_MAX) throw EZivuderoError("Image too large");

  format_ = format;
  palette_ = palette.empty() ? StandardPalette(format) : palette;
  palette_.resize(static_cast<std::size_t>(entries), 0);

  try {
    const std::size_t size = kInfoHeaderSize + 4 * static_cast<std::size_t>(entries) + imageBytes;
    if (storage.size() == size)
      dib_ = std::move(storage);
    else
      dib_.assign(size, 0);
  } catch (...) {
    Clear();
    throw;
  }
  stride_ = static_cast<int32_t>(stride);
  std::uint8_t* h = dib_.data();
  WriteLE32(h + 0, kInfoHeaderSize);
  WriteLE32(h + 4, static_cast<std::uint32_t>(width));
  WriteLE32(h + 8, static_cast<std::uint32_t>(height));
  WriteLE16(h + 12, 1);
  WriteLE16(h + 14, static_cast<std::uint16_t>(bits));
  WriteLE32(h + 16, 0);
  WriteLE32(h + 20, static_cast<std::uint32_t>(imageBytes));
  WriteLE32(h + 32, static_cast<std::uint32_t>(entries));
  WriteLE32(h + 36, 0);
  bits_ = dib_.data() + kInfoHeaderSize + 4 * static_cast<std::size_t>(entries);
  SetXDpi(xDpi == 0 ? kScreenPixelsPerInch : xDpi);
  SetYDpi(yDpi == 0 ? kScreenPixelsPerInch : yDpi);
  BuildColourTable();
}

void TDibGraphic::BuildColourTable() {
  std::uint8_t* table = dib_.data() + kInfoHeaderSize;
  for (std::size_t i = 0; i < palette_.size(); ++i) {
    table[4 * i + 0] = BlueOf(palette_[i]);
    table[4 * i + 1] = GreenOf(palette_[i]);
    table[4 * i + 2] = RedOf(palette_[i]);
    table[4 * i + 3] = 0;
  }
  cache_.reset();
  if (!palette_.empty()) cache_ = std::make_unique<std::array<CacheSlot, kCacheSlots>>();
}

void TDibGraphic::SetPalette(const TPalette& palette) {
  if (IsEmpty() || palette_.empty()) throw EZivuderoError("The image does not have a palette");
  const std::size_t n = std::min(palette.size(), palette_.size());
  std::copy_n(palette.begin(), n, palette_.begin());
  BuildColourTable();
}

int32_t TDibGraphic::Width() const {
  return IsEmpty() ? 0 : static_cast<int32_t>(ReadLE32(dib_.data() + 4));
}
int32_t TDibGraphic::Height() const {
  return IsEmpty() ? 0 : static_cast<int32_t>(ReadLE32(dib_.data() + 8));
}
int32_t TDibGraphic::XDpi() const {
  return IsEmpty()
             ? 0
             : platform::Round(static_cast<int32_t>(ReadLE32(dib_.data() + 24)) / kInchesPerMetre);
}
int32_t TDibGraphic::YDpi() const {
  return IsEmpty()
             ? 0
             : platform::Round(static_cast<int32_t>(ReadLE32(dib_.data() + 28)) / kInchesPerMetre);
}
void TDibGraphic::SetXDpi(int32_t dpi) {
  if (!IsEmpty())
    WriteLE32(dib_.data() + 24, static_cast<std::uint32_t>(platform::Round(dpi * kInchesPerMetre)));
}
void TDibGraphic::SetYDpi(int32_t dpi) {
  if (!IsEmpty())
    WriteLE32(dib_.data() + 28, static_cast<std::uint32_t>(platform::Round(dpi * kInchesPerMetre)));
}

int32_t TDibGraphic::GetPixelIndex(int32_t x, int32_t y) const {
  const std::uint8_t* row = ScanLine(y);
  switch (format_) {
    case gfBlackWhite:
      return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case gfGray16:
    case gfColor16:
      return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
    case gfGray256:
    case gfColor256:
      return row[x];
    case gfTrueColor:
      break;
  }
  throw EZivuderoError("The image does not have a palette");
}

void TDibGraphic::SetPixelIndex(int32_t x, int32_t y, int32_t index) {
  std::uint8_t* row = ScanLine(y);
  switch (format_) {
    case gfBlackWhite: {
      const auto mask = static_cast<std::uint8_t>(0x80 >> (x & 7));
      row[x >> 3] = (index & 1) ? (row[x >> 3] | mask) : (row[x >> 3] & ~mask);
      return;
    }
    case gfGray16:
    case gfColor16: {
      std::uint8_t& b = row[x >> 1];
      b = (x & 1) ? static_cast<std::uint8_t>((b & 0xF0) | (index & 0x0F))
                  : static_cast<std::uint8_t>((b & 0x0F) | ((index & 0x0F) << 4));
      return;
    }
    case gfGray256:
    case gfColor256:
      row[x] = static_cast<std::uint8_t>(index);
      return;
    case gfTrueColor:
      break;
  }
  throw EZivuderoError("The image does not have a palette");
}

TColor TDibGraphic::GetPixel(int32_t x, int32_t y) const {
  if (format_ == gfTrueColor) {
    const std::uint8_t* p = ScanLine(y) + 3 * static_cast<std::size_t>(x);
    return RGBColor(p[2], p[1], p[0]);
  }
  return palette_[static_cast<std::size_t>(GetPixelIndex(x, y))];
}

void TDibGraphic::SetPixel(int32_t x, int32_t y, TColor color) {
  if (format_ == gfTrueColor) {
    std::uint8_t* p = ScanLine(y) + 3 * static_cast<std::size_t>(x);
    p[0] = BlueOf(color);
    p[1] = GreenOf(color);
    p[2] = RedOf(color);
    return;
  }
  SetPixelIndex(x, y, NearestIndex(color));
}

int32_t TDibGraphic::NearestIndex(TColor color) {
  color &= 0xFFFFFF;
  if (palette_.empty()) throw EZivuderoError("The image does not have a palette");
  CacheSlot& slot = (*cache_)[color % kCacheSlots];
  if (slot.index >= 0 && slot.color == color) return slot.index;
  int32_t best = 0;
  int32_t bestDistance = INT32_MAX;
  for (std::size_t i = 0; i < palette_.size(); ++i) {
    const int32_t dr = RedOf(palette_[i]) - RedOf(color);
    const int32_t dg = GreenOf(palette_[i]) - GreenOf(color);
    const int32_t db = BlueOf(palette_[i]) - BlueOf(color);
    const int32_t d = dr * dr + dg * dg + db * db;
    if (d < bestDistance) {
      bestDistance = d;
      best = static_cast<int32_t>(i);
      if (d == 0) break;
    }
  }
  slot.color = color;
  slot.index = static_cast<int16_t>(best);
  return best;
}

void TDibGraphic::Fill(TColor color) {
  if (IsEmpty()) return;
  const int32_t w = Width();
  for (int32_t x = 0; x < w; ++x) SetPixel(x, 0, color);
  const std::uint8_t* first = ScanLine(0);
  for (int32_t y = 1; y < Height(); ++y)
    std::memcpy(ScanLine(y), first, static_cast<std::size_t>(stride_));
}

void TDibGraphic::Assign(const TDibGraphic* source) {
  if (source == this) return;
  Clear();
  if (source == nullptr || source->Width() <= 0 || source->Height() <= 0) return;
  NewImage(source->Width(), source->Height(), source->format_, source->palette_, 0, 0);
  // The resolution is copied as stored, so that no rounding through dpi happens.
  std::memcpy(dib_.data() + 24, source->dib_.data() + 24, 8);
  FrameDelay = source->FrameDelay;
  std::memcpy(bits_, source->bits_, ImageBytes());
}

platform::BlockHandle TDibGraphic::ExportPackedDib() const {
  if (IsEmpty()) throw EZivuderoError("Graphic is empty");
  platform::BlockOwner block(dib_.size());
  {
    platform::BlockLock lock(block.get());
    std::memcpy(lock.data(), dib_.data(), dib_.size());
  }
  return block.release();
}

void TDibGraphic::ImportBitmapHandle(platform::BlockHandle handle) {
  std::size_t size = 0;
  try {
    size = platform::BlockSize(handle);
  } catch (const platform::EOSError&) {
    throw EInvalidGraphic("Invalid bitmap");
  }
  platform::BlockLock lock(handle);
  ImportPackedDib({lock.data(), size});
}

namespace {

// The position and size of each colour channel of a 16- or 32-bit DIB.
struct ChannelMask {
  std::uint32_t mask = 0;
  int shift = 0;
  int bits = 0;
  explicit ChannelMask(std::uint32_t m) : mask(m) {
    if (m == 0) return;
    while (((m >> shift) & 1) == 0) ++shift;
    while (shift + bits < 32 && ((m >> (shift + bits)) & 1)) ++bits;
  }
  // The channel widened to 8 bits by repeating its top bits.
  std::uint8_t Extract(std::uint32_t v) const {
    if (bits == 0) return 0;
    std::uint32_t c = (v & mask) >> shift;
    if (bits >= 8) return static_cast<std::uint8_t>(c >> (bits - 8));
    std::uint32_t out = 0;
    for (int filled = 0; filled < 8; filled += bits) out = (out << bits) | c;
    return static_cast<std::uint8_t>(out >> (((8 + bits - 1) / bits) * bits - 8));
  }
};

int32_t DpiFromPixelsPerMetre(int32_t ppm) {
  if (ppm <= 0) return 0;
  const int32_t dpi = platform::Round(ppm / kInchesPerMetre);
  return dpi > 65535 ? 0 : dpi;
}

}  // namespace

void TDibGraphic::ImportPackedDib(std::span<const std::uint8_t> dib, std::size_t bitsOffset) {
  if (dib.size() < kInfoHeaderSize) throw EInvalidGraphic("Invalid bitmap");
  const std::uint8_t* h = dib.data();
  const std::uint32_t headerSize = ReadLE32(h);
  const auto width = static_cast<int32_t>(ReadLE32(h + 4));
  const auto rawHeight = static_cast<int32_t>(ReadLE32(h + 8));
  const uint16_t bitCount = ReadLE16(h + 14);
  const std::uint32_t compression = ReadLE32(h + 16);
  const std::uint32_t coloursUsed = ReadLE32(h + 32);
  if (headerSize < kInfoHeaderSize || headerSize > dib.size() || width <= 0 || rawHeight == 0 ||
      rawHeight == INT32_MIN)
    throw EInvalidGraphic("Invalid bitmap");
  const bool topDown = rawHeight < 0;
  const int32_t height = topDown ? -rawHeight : rawHeight;
  CheckImageSize(width, height);

  TGraphicFormat format;
  switch (bitCount) {
    case 1:
      format = gfBlackWhite;
      break;
    case 4:
      format = gfColor16;
      break;
    case 8:
      format = gfColor256;
      break;
    case 16:
    case 24:
    case 32:
      format = gfTrueColor;
      break;
    default:
      throw EZivuderoError("Unsupported bit count");
  }
  // Bit fields only describe 16- and 32-bit rows; run-length rows are expanded
  // by the file reader before they get here.
  const bool bitFields = compression == 3 && (bitCount == 16 || bitCount == 32);
  if (compression != 0 && !bitFields) throw EZivuderoError("Unsupported compression");

  std::size_t tableOffset = headerSize;
  ChannelMask red(0x7C00), green(0x03E0), blue(0x001F);
  if (bitCount == 32)
    red = ChannelMask(0xFF0000), green = ChannelMask(0xFF00), blue = ChannelMask(0xFF);
  if (bitFields) {
    // The three masks follow a 40-byte header; larger headers carry them inside.
    if (dib.size() < kInfoHeaderSize + 12) throw EInvalidGraphic("Invalid bitmap");
    red = ChannelMask(ReadLE32(h + 40));
    green = ChannelMask(ReadLE32(h + 44));
    blue = ChannelMask(ReadLE32(h + 48));
    if (headerSize == kInfoHeaderSize) tableOffset += 12;
  }

  TPalette palette;
  std::size_t tableEntries = 0;
  if (bitCount <= 8) {
    // A count of 0 means the full table of the bit count.
    tableEntries = coloursUsed == 0 ? (std::size_t{1} << bitCount) : coloursUsed;
    if (tableEntries > (std::size_t{1} << bitCount)) throw EInvalidGraphic("Invalid bitmap");
    if (tableOffset + 4 * tableEntries > dib.size()) throw EInvalidGraphic("Invalid bitmap");
    if (tableEntries >= 1 && tableEntries <= 256) {
      for (std::size_t i = 0; i < tableEntries; ++i) {
        const std::uint8_t* e = h + tableOffset + 4 * i;
        palette.push_back(RGBColor(e[2], e[1], e[0]));
      }
    }
  }
  if (bitsOffset == 0) bitsOffset = tableOffset + 4 * tableEntries;

  const std::uint64_t srcStride = DibRowBytes(static_cast<std::uint64_t>(width), bitCount);
  const std::uint64_t need = srcStride * static_cast<std::uint64_t>(height);
  if (bitsOffset > dib.size() || need > dib.size() - bitsOffset)
    throw EInvalidGraphic("Invalid bitmap");
  const int32_t xDpi = DpiFromPixelsPerMetre(static_cast<int32_t>(ReadLE32(h + 24)));
  const int32_t yDpi = DpiFromPixelsPerMetre(static_cast<int32_t>(ReadLE32(h + 28)));

  NewImage(width, height, format, palette, xDpi, yDpi);
  const std::uint8_t* srcBits = h + bitsOffset;
  for (int32_t y = 0; y < height; ++y) {
    const int32_t storedRow = topDown ? y : height - 1 - y;
    const std::uint8_t* src = srcBits + static_cast<std::size_t>(storedRow) * srcStride;
    std::uint8_t* dst = ScanLine(y);
    if (bitCount == 16 || bitCount == 32) {
      for (int32_t x = 0; x < width; ++x) {
        const std::uint32_t v = bitCount == 16 ? ReadLE16(src + 2 * static_cast<std::size_t>(x))
                                               : ReadLE32(src + 4 * static_cast<std::size_t>(x));
        dst[3 * x + 0] = blue.Extract(v);
        dst[3 * x + 1] = green.Extract(v);
        dst[3 * x + 2] = red.Extract(v);
      }
    } else {
      std::memcpy(dst, src, static_cast<std::size_t>(stride_));
    }
  }
}

namespace {

// The format whose own layout a DIB of this bit count has.
std::optional<TGraphicFormat> FormatOfBitCount(uint16_t bitCount) {
  switch (bitCount) {
    case 1:
      return gfBlackWhite;
    case 4:
      return gfColor16;
    case 8:
      return gfColor256;
    case 24:
      return gfTrueColor;
    default:
      return std::nullopt;
  }
}

}  // namespace

void TDibGraphic::AdoptPackedDib(std::vector<std::uint8_t>&& dib) {
  if (dib.size() < kInfoHeaderSize) return ImportPackedDib(dib);
  const std::uint8_t* h = dib.data();
  const auto width = static_cast<int32_t>(ReadLE32(h + 4));
  const auto height = static_cast<int32_t>(ReadLE32(h + 8));
  const uint16_t bitCount = ReadLE16(h + 14);
  const std::optional<TGraphicFormat> format = FormatOfBitCount(bitCount);
  const std::size_t entries = bitCount <= 8 ? std::size_t{1} << bitCount : 0;
  const bool ownLayout = ReadLE32(h) == kInfoHeaderSize && width > 0 && height > 0 && format &&
                         ReadLE32(h + 16) == 0 && ReadLE32(h + 32) == entries &&
                         dib.size() >= kInfoHeaderSize + 4 * entries &&
                         dib.size() - kInfoHeaderSize - 4 * entries ==
                             DibRowBytes(static_cast<std::uint64_t>(width), bitCount) *
                                 static_cast<std::uint64_t>(height);
  if (!ownLayout) return ImportPackedDib(dib);
  TPalette palette;
  for (std::size_t i = 0; i < entries; ++i) {
    const std::uint8_t* e = h + kInfoHeaderSize + 4 * i;
    palette.push_back(RGBColor(e[2], e[1], e[0]));
  }
  const int32_t xDpi = DpiFromPixelsPerMetre(static_cast<int32_t>(ReadLE32(h + 24)));
  const int32_t yDpi = DpiFromPixelsPerMetre(static_cast<int32_t>(ReadLE32(h + 28)));
  MakeImage(width, height, *format, palette, xDpi, yDpi, std::move(dib));
}

// --- Paint hook -------------------------------------------------------------

void TDibGraphic::SetPaintHook(const void* owner, TPaintHook hook) const {
  paintHookOwner_ = owner;
  paintHook_ = std::move(hook);
}

void TDibGraphic::RemovePaintHook(const void* owner) const {
  if (owner != paintHookOwner_) return;
  paintHookOwner_ = nullptr;
  paintHook_ = nullptr;
}

void TDibGraphic::CallPaintHook(TPaintSurface& surface) const {
  if (paintHook_) paintHook_(surface);
}

// --- Pages and loading ------------------------------------------------------

int32_t TDibGraphic::PageCount() const {
  if (!pages_.empty()) return static_cast<int32_t>(pages_.size());
  return IsEmpty() ? 0 : 1;
}

const TDibGraphic* TDibGraphic::Page(int32_t page) const {
  if (page < 1 || page > static_cast<int32_t>(pages_.size())) return nullptr;
  return pages_[static_cast<std::size_t>(page - 1)].get();
}

void TDibGraphic::ShowPage(int32_t page) {
  if (page < 1 || page > static_cast<int32_t>(pages_.size()))
    throw platform::EListError("List index out of bounds (" + std::to_string(page - 1) + ")");
  const TDibGraphic* p = pages_[static_cast<std::size_t>(page - 1)].get();
  const int32_t delay = FrameDelay;
  Assign(p);
  FrameDelay = delay;
  currentPage_ = page;
}

void TDibGraphic::NextPage() {
  if (pages_.size() < 2) return;
  const int32_t next = currentPage_ >= static_cast<int32_t>(pages_.size()) || currentPage_ < 1
                           ? 1
                           : currentPage_ + 1;
  ShowPage(next);
}

int32_t TDibGraphic::ImageCount(std::span<const std::uint8_t>) {
  return 1;
}
void TDibGraphic::ReadImage(std::span<const std::uint8_t>, int32_t) {}

void TDibGraphic::Progress(std::uint8_t percent) {
  if (OnProgress) OnProgress(this, percent);
}

void TDibGraphic::LoadFromStream(std::istream& stream) {
  std::vector<std::uint8_t> data = platform::ReadToEnd(stream);
  LoadFromBytes(data);
}

void TDibGraphic::LoadFromBytes(std::span<const std::uint8_t> data) {
  const bool animated = animated_;
  animated_ = false;
  struct Restore {
    bool& flag;
    bool value;
    ~Restore() { flag = value; }
  } restore{animated_, animated};

  pages_.clear();
  currentPage_ = -1;
  if (LoadAllPages && ImageCount(data) <= 1) LoadAllPages = false;
  if (LoadAllPages) {
    const int32_t n = ImageCount(data);
    for (int32_t i = 1; i <= n; ++i) {
      std::unique_ptr<TDibGraphic> page = NewInstance();
      page->OnProgress = OnProgress;
      page->ReadImage(data, i);
      pages_.push_back(std::move(page));
    }
    ShowPage(1);
  } else {
    ReadImage(data, PageToLoad);
  }
}

// --- The registry -----------------------------------------------------------

namespace {

struct RegistryEntry {
  std::string description;
  TGraphicFactory factory;
};

// A picture loader turns file bytes into a graphic; these are the formats the
// registry leaves to the picture loaders.
using PictureLoader = void (*)(std::span<const std::uint8_t>, TDibGraphic&);

void LoadBitmapPicture(std::span<const std::uint8_t> data, TDibGraphic& graphic) {
  const TBitmapImage bitmap = DecodeBitmapFile(data);
  graphic.ImportPackedDib(bitmap.dib, bitmap.bitsOffset);
}

void LoadPngPicture(std::span<const std::uint8_t> data, TDibGraphic& graphic) {
  TPNGImage png;
  png.LoadFromBytes(data);
  graphic.AdoptPackedDib(png.TakePackedDib());
}

const std::map<std::string, PictureLoader>& PictureLoaders() {
  static const std::map<std::string, PictureLoader> loaders = {{"BMP", &LoadBitmapPicture},
                                                               {"DIB", &LoadBitmapPicture},
                                                               {"ICO", &DrawIconOnBlack},
                                                               {"PNG", &LoadPngPicture},
                                                               {"WMF", &DrawMetafile}};
  return loaders;
}

struct Registry {
  std::mutex mutex;
  std::map<std::string, RegistryEntry> entries;
};

std::string UpperCase(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

Registry& TheRegistry() {
  static Registry* registry = [] {
    auto* r = new Registry;
    const auto tiff = [] { return std::unique_ptr<TDibGraphic>(std::make_unique<TTiffGraphic>()); };
    const auto jpeg = [] { return std::unique_ptr<TDibGraphic>(std::make_unique<TJpegGraphic>()); };
    r->entries["TIF"] = {"TIFF file", tiff};
    r->entries["TIFF"] = {"TIFF file", tiff};
    r->entries["JPG"] = {"JPEG", jpeg};
    r->entries["JPEG"] = {"JPEG", jpeg};
    return r;
  }();
  return *registry;
}

}  // namespace

std::string GraphicExtension(const std::string& fileName) {
  // Only the last path component can carry the extension.
  const std::size_t slash = fileName.find_last_of("/\\");
  const std::string name = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
  const std::size_t dot = name.rfind('.');
  return UpperCase(dot == std::string::npos ? name : name.substr(dot + 1));
}

void RegisterGraphicFormat(const std::string& extension, const std::string& description,
                           TGraphicFactory graphicClass) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.entries[UpperCase(extension)] = {description, std::move(graphicClass)};
}

TGraphicFactory FindGraphicClass(const std::string& fileName) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  const auto it = r.entries.find(GraphicExtension(fileName));
  return it == r.entries.end() ? TGraphicFactory{} : it->second.factory;
}

namespace {
[[noreturn]] void ThrowNotRegistered(const std::string& fileName) {
  throw EZivuderoError("Graphic files of " + GraphicExtension(fileName) +
                       " format are not supported or not registered");
}
}  // namespace

std::unique_ptr<TDibGraphic> CreateGraphicFor(const std::string& fileName) {
  const TGraphicFactory factory = FindGraphicClass(fileName);
  if (!factory) ThrowNotRegistered(fileName);
  return factory();
}

std::vector<std::string> RegisteredExtensions() {
  std::vector<std::string> out;
  {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    for (const auto& [ext, entry] : r.entries) out.push_back(ext);
  }
  for (const auto& [ext, loader] : PictureLoaders()) out.push_back(ext);
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

void RequireGraphicFormat(const std::string& fileName) {
  if (!FindGraphicClass(fileName) && !PictureLoaders().contains(GraphicExtension(fileName)))
    ThrowNotRegistered(fileName);
}

std::unique_ptr<TDibGraphic> LoadGraphic(const std::string& fileName,
                                         std::span<const std::uint8_t> data, int32_t pageIndex,
                                         const TProgressEvent& progress) {
  if (const TGraphicFactory factory = FindGraphicClass(fileName)) {
    std::unique_ptr<TDibGraphic> graphic = factory();
    if (pageIndex == 0)
      graphic->LoadAllPages = true;
    else
      graphic->PageToLoad = pageIndex;
    graphic->OnProgress = progress;
    graphic->LoadFromBytes(data);
    return graphic;
  }
  const auto loader = PictureLoaders().find(GraphicExtension(fileName));
  if (loader == PictureLoaders().end()) ThrowNotRegistered(fileName);
  auto graphic = std::make_unique<TDibGraphic>();
  if (progress) progress(graphic.get(), 0);
  if (progress) progress(graphic.get(), 25);
  loader->second(data, *graphic);
  if (progress) progress(graphic.get(), 90);
  if (progress) progress(graphic.get(), 100);
  return graphic;
}

std::string GraphicExtensionOfData(std::span<const std::uint8_t> data) {
  struct Signature {
    std::string_view bytes;
    const char* extension;
  };
  using namespace std::string_view_literals;
  static constexpr std::array<Signature, 8> kSignatures = {{
      {"\x89PNG\r\n\x1a\n"sv, "PNG"},
      {"\xff\xd8\xff"sv, "JPG"},
      {"II*\0"sv, "TIF"},
      {"MM\0*"sv, "TIF"},
      {"BM"sv, "BMP"},
      {"\0\0\1\0"sv, "ICO"},
      {"\xd7\xcd\xc6\x9a"sv, "WMF"},  // a placeable metafile
      {"\1\0\x09\0"sv, "WMF"},        // a plain one: type 1, header of 9 words
  }};
  for (const Signature& s : kSignatures)
    if (data.size() >= s.bytes.size() &&
        std::equal(s.bytes.begin(), s.bytes.end(), data.begin(),
                   [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; }))
      return s.extension;
  return "";
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& fileName) {
  std::ifstream file(fileName, std::ios::binary);
  if (!file) throw EZivuderoError("Cannot open file \"" + fileName + "\"");
  std::vector<std::uint8_t> data = platform::ReadToEnd(file);
  if (file.bad()) throw EZivuderoError("Cannot read file \"" + fileName + "\"");
  return data;
}

std::unique_ptr<TDibGraphic> LoadGraphicFromFile(const std::string& fileName, int32_t pageIndex,
                                                 const TProgressEvent& progress) {
  return LoadGraphic(fileName, ReadFileBytes(fileName), pageIndex, progress);
}
