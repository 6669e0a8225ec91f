// Bitmap and icon readers: file headers, run-length rows, icon directory and
// the drawing of an icon onto black.
#include "graphics/bitmapimage.h"

#include <algorithm>
#include <cstring>

#include "graphics/pngimage.h"

namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kCoreHeaderSize = 12;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::uint32_t kRle8 = 1, kRle4 = 2;

[[noreturn]] void InvalidBitmap() {
  throw EInvalidGraphic("Invalid bitmap");
}

// Expands run-length encoded rows (8 or 4 bits per pixel) into the plain rows
// of `stride` bytes at `out` (all zero), bottom row first. Pixels the runs
// skip stay index 0.
void ExpandRunLengths(std::span<const std::uint8_t> in, bool fourBit, int32_t width, int32_t height,
                      std::size_t stride, std::uint8_t* out) {
  const auto put = [&](int32_t x, int32_t y, int v) {
    if (x < 0 || x >= width || y < 0 || y >= height) return;
    std::uint8_t* row = out + static_cast<std::size_t>(y) * stride;
    if (!fourBit) {
      row[x] = static_cast<std::uint8_t>(v);
    } else if (x % 2) {
      row[x / 2] = static_cast<std::uint8_t>((row[x / 2] & 0xF0) | (v & 0x0F));
    } else {
      row[x / 2] = static_cast<std::uint8_t>((row[x / 2] & 0x0F) | ((v & 0x0F) << 4));
    }
  };
  std::size_t pos = 0;
  int32_t x = 0, y = 0;
  while (pos + 1 < in.size() && y < height) {
    const int count = in[pos], value = in[pos + 1];
    pos += 2;
    if (count > 0) {
      for (int i = 0; i < count && x < width; ++i, ++x)
        put(x, y, fourBit ? ((i % 2) ? value & 0x0F : value >> 4) : value);
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of bitmap
      break;
    } else if (value == 2) {  // move right and up
      if (pos + 1 >= in.size()) break;
      x += in[pos];
      y += in[pos + 1];
      pos += 2;
    } else {  // literal pixels, padded to a 16-bit boundary
      const std::size_t bytes = fourBit ? (static_cast<std::size_t>(value) + 1) / 2 : value;
      if (pos + bytes > in.size()) InvalidBitmap();
      for (int i = 0; i < value; ++i, ++x) {
        const std::uint8_t b = in[pos + (fourBit ? i / 2 : i)];
        put(x, y, fourBit ? ((i % 2) ? b & 0x0F : b >> 4) : b);
      }
      pos += bytes + (bytes % 2);
    }
  }
}

}  // namespace

TBitmapImage DecodeBitmapFile(std::span<const std::uint8_t> data) {
  if (data.size() < kFileHeaderSize + kCoreHeaderSize || data[0] != 'B' || data[1] != 'M')
    InvalidBitmap();
  const std::uint32_t fileBitsOffset = ReadLE32(&data[10]);
  const std::span<const std::uint8_t> dib = data.subspan(kFileHeaderSize);
  const std::uint32_t headerSize = ReadLE32(dib.data());
  if (fileBitsOffset < kFileHeaderSize || fileBitsOffset - kFileHeaderSize > dib.size())
    InvalidBitmap();
  std::size_t bitsOffset = fileBitsOffset - kFileHeaderSize;

  TBitmapImage out;
  if (headerSize == kCoreHeaderSize) {
    // The old header: 16-bit sizes and three-byte colour-table entries.
    const int32_t width = ReadLE16(&dib[4]);
    const int32_t height = ReadLE16(&dib[6]);
    const uint16_t bitCount = ReadLE16(&dib[10]);
    CheckImageSize(width, height);
    const std::size_t entries = bitCount <= 8 ? (std::size_t{1} << bitCount) : 0;
    if (kCoreHeaderSize + 3 * entries > dib.size() || bitsOffset < kCoreHeaderSize) InvalidBitmap();
    const std::size_t stride = DibRowBytes(static_cast<std::size_t>(width), bitCount);
    const std::size_t rows = stride * static_cast<std::size_t>(height);
    if (bitsOffset > dib.size() || rows > dib.size() - bitsOffset) InvalidBitmap();
    out.dib.assign(kInfoHeaderSize + 4 * entries + rows, 0);
    std::uint8_t* h = out.dib.data();
    WriteLE32(h, kInfoHeaderSize);
    WriteLE32(h + 4, static_cast<std::uint32_t>(width));
    WriteLE32(h + 8, static_cast<std::uint32_t>(height));
    h[12] = 1;
    h[14] = static_cast<std::uint8_t>(bitCount);
    WriteLE32(h + 32, static_cast<std::uint32_t>(entries));
    for (std::size_t i = 0; i < entries; ++i)
      std::memcpy(h + kInfoHeaderSize + 4 * i, &dib[kCoreHeaderSize + 3 * i], 3);
    std::memcpy(h + kInfoHeaderSize + 4 * entries, &dib[bitsOffset], rows);
    out.bitsOffset = kInfoHeaderSize + 4 * entries;
    return out;
  }

  // The rows follow the header; they never overlap it.
  if (headerSize < kInfoHeaderSize || headerSize > dib.size() || bitsOffset < headerSize)
    InvalidBitmap();
  const std::uint32_t compression = ReadLE32(&dib[16]);
  const uint16_t bitCount = ReadLE16(&dib[14]);
  if ((compression == kRle8 && bitCount == 8) || (compression == kRle4 && bitCount == 4)) {
    const auto width = static_cast<int32_t>(ReadLE32(&dib[4]));
    const auto height = static_cast<int32_t>(ReadLE32(&dib[8]));
    if (width <= 0 || height <= 0) InvalidBitmap();
    CheckImageSize(width, height);
    const std::uint64_t stride = DibRowBytes(static_cast<std::uint64_t>(width), bitCount);
    if (stride * static_cast<std::uint64_t>(height) > TDibGraphic::MaxImageBytes())
      throw EZivuderoError("Image too large");
    // Keep header and colour table, then the rows expanded in place.
    const auto rowBytes = static_cast<std::size_t>(stride * static_cast<std::uint64_t>(height));
    out.dib.assign(bitsOffset + rowBytes, 0);
    std::copy(dib.begin(), dib.begin() + static_cast<std::ptrdiff_t>(bitsOffset), out.dib.begin());
    WriteLE32(out.dib.data() + 16, 0);
    out.bitsOffset = bitsOffset;
    ExpandRunLengths(dib.subspan(bitsOffset), compression == kRle4, width, height,
                     static_cast<std::size_t>(stride), out.dib.data() + bitsOffset);
    return out;
  }
  out.dib.assign(dib.begin(), dib.end());
  out.bitsOffset = bitsOffset;
  return out;
}

namespace {

[[noreturn]] void InvalidIcon() {
  throw EInvalidGraphic("Invalid icon");
}

// Alpha blending onto black: the colour scaled by its opacity.
std::uint8_t OnBlack(std::uint8_t c, std::uint8_t alpha) {
  return static_cast<std::uint8_t>((c * alpha + 127) / 255);
}

void DrawPngIcon(std::span<const std::uint8_t> data, TDibGraphic& graphic) {
  TPNGImage png;
  png.LoadFromBytes(data);
  TDibGraphic image;
  image.ImportPackedDib(png.PackedDib());
  graphic.NewImage(image.Width(), image.Height(), gfTrueColor, {}, 0, 0);
  const std::vector<std::uint8_t>& alpha = png.Alpha();
  for (int32_t y = 0; y < image.Height(); ++y)
    for (int32_t x = 0; x < image.Width(); ++x) {
      TColor c = image.GetPixel(x, y);
      if (!alpha.empty()) {
        const std::uint8_t a = alpha[static_cast<std::size_t>(y) * image.Width() + x];
        c = RGBColor(OnBlack(RedOf(c), a), OnBlack(GreenOf(c), a), OnBlack(BlueOf(c), a));
      }
      graphic.SetPixel(x, y, c);
    }
}

// An icon image: a DIB of twice the icon's height holding the colour rows and
// then the 1-bit transparency mask. Drawing on black ANDs the black with the
// mask and XORs the colour rows in, which leaves the colour rows; 32-bit
// images with alpha are blended instead.
void DrawDibIcon(std::span<const std::uint8_t> dib, TDibGraphic& graphic) {
  if (dib.size() < kInfoHeaderSize) InvalidIcon();
  const std::uint32_t headerSize = ReadLE32(dib.data());
  const auto width = static_cast<int32_t>(ReadLE32(&dib[4]));
  const auto doubleHeight = static_cast<int32_t>(ReadLE32(&dib[8]));
  const uint16_t bitCount = ReadLE16(&dib[14]);
  if (headerSize < kInfoHeaderSize || width <= 0 || doubleHeight < 2) InvalidIcon();
  const int32_t height = doubleHeight / 2;
  // The colour rows alone, as a bitmap of the icon's height.
  std::vector<std::uint8_t> colour(dib.begin(), dib.end());
  WriteLE32(colour.data() + 8, static_cast<std::uint32_t>(height));
  WriteLE32(colour.data() + 16, 0);
  TDibGraphic image;
  try {
    image.ImportPackedDib(colour);
  } catch (const EInvalidGraphic&) {
    InvalidIcon();
  }
  graphic.NewImage(width, height, gfTrueColor, {}, 0, 0);
  const std::size_t tableEntries =
      bitCount <= 8 ? (ReadLE32(&dib[32]) == 0 ? std::size_t{1} << bitCount : ReadLE32(&dib[32]))
                    : 0;
  const std::size_t srcStride = DibRowBytes(static_cast<std::size_t>(width), bitCount);
  const std::uint8_t* rows = dib.data() + headerSize + 4 * tableEntries;
  bool hasAlpha = false;
  if (bitCount == 32)
    for (int32_t y = 0; y < height && !hasAlpha; ++y)
      for (int32_t x = 0; x < width && !hasAlpha; ++x)
        hasAlpha =
            rows[static_cast<std::size_t>(y) * srcStride + 4 * static_cast<std::size_t>(x) + 3] !=
            0;
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      TColor c = image.GetPixel(x, y);
      if (hasAlpha) {
        const std::uint8_t a = rows[static_cast<std::size_t>(height - 1 - y) * srcStride +
                                    4 * static_cast<std::size_t>(x) + 3];
        c = RGBColor(OnBlack(RedOf(c), a), OnBlack(GreenOf(c), a), OnBlack(BlueOf(c), a));
      }
      graphic.SetPixel(x, y, c);
    }
}

}  // namespace

void DrawIconOnBlack(std::span<const std::uint8_t> data, TDibGraphic& graphic) {
  // Directory: reserved 0, type 1 (icon) or 2 (cursor), image count; then
  // 16-byte entries whose last two fields are the image's size and offset.
  if (data.size() < 6 + 16 || ReadLE16(&data[0]) != 0) InvalidIcon();
  const uint16_t type = ReadLE16(&data[2]);
  if ((type != 1 && type != 2) || ReadLE16(&data[4]) == 0) InvalidIcon();
  const std::uint32_t size = ReadLE32(&data[6 + 8]);
  const std::uint32_t offset = ReadLE32(&data[6 + 12]);
  if (offset > data.size() || size > data.size() - offset) InvalidIcon();
  const std::span<const std::uint8_t> image = data.subspan(offset, size);
  static constexpr std::uint8_t kPngSignature[] = {137, 80, 78, 71};
  if (image.size() >= 4 &&
      std::equal(std::begin(kPngSignature), std::end(kPngSignature), image.begin()))
    DrawPngIcon(image, graphic);
  else
    DrawDibIcon(image, graphic);
}
