#include "image/dibunit.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/exceptions.h"
#include "platform/rounding.h"

namespace {

// Bit masks for 1-bit access: pixel x is bit 7 - (x mod 8), most significant first.
constexpr std::array<std::uint8_t, 8> kBitMask = {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01};
constexpr std::array<std::uint8_t, 8> kBitClear = {0x7F, 0xBF, 0xDF, 0xEF, 0xF7, 0xFB, 0xFD, 0xFE};

int32_t Get1(const std::uint8_t* row, int32_t x) {
  return (row[x >> 3] & kBitMask[x & 7]) ? 1 : 0;
}
void Set1(std::uint8_t* row, int32_t x, int32_t v) {
  if (v > 0) {
    row[x >> 3] |= kBitMask[x & 7];
  } else {
    row[x >> 3] &= kBitClear[x & 7];
  }
}

// Copies pixels k0 .. k1 - 1 of a 1-bit row from pixels `from` + k0 ..
// `from` + k1 - 1 of a source row `sourceBytes` long, eight at a time; the
// other bits of the destination bytes are kept.
void CopyBits(const std::uint8_t* source, int32_t sourceBytes, int32_t from, std::uint8_t* dst,
              int32_t k0, int32_t k1) {
  auto sourceByte = [&](int32_t i) -> uint32_t {
    return i >= 0 && i < sourceBytes ? source[i] : 0;
  };
  for (int32_t b = k0 >> 3; b <= (k1 - 1) >> 3; ++b) {
    // Destination pixels 8b .. 8b + 7 are source pixels s .. s + 7: the
    // byte holding s and the next one, shifted so that s comes first.
    const int32_t s = from + 8 * b;
    const uint32_t window = sourceByte(s >> 3) << 8 | sourceByte((s >> 3) + 1);
    const auto bits = static_cast<std::uint8_t>(window >> (8 - (s & 7)));
    const int32_t first = std::max(k0 - 8 * b, 0), last = std::min(k1 - 8 * b, 8);  // [first, last)
    const auto mask = static_cast<std::uint8_t>((0xFFu >> first) & ~(0xFFu >> last));
    dst[b] = static_cast<std::uint8_t>((dst[b] & ~mask) | (bits & mask));
  }
}

// The grey levels of a new palette of `colours` entries (16 or 256),
// worked out once: every new 8-bit raster would otherwise round 256 values.
const std::vector<std::uint8_t>& GreyRamp(int32_t colours) {
  auto make = [](int32_t n) {
    std::vector<std::uint8_t> ramp(static_cast<std::size_t>(n));
    for (int32_t i = 0; i < n; ++i)
      ramp[i] = static_cast<std::uint8_t>(platform::Round(256.0 / n * i));
    return ramp;
  };
  static const std::vector<std::uint8_t> sixteen = make(16), all = make(256);
  return colours == 16 ? sixteen : all;
}

int32_t Get4(const std::uint8_t* row, int32_t x) {
  const std::uint8_t b = row[x >> 1];
  return (x & 1) ? (b & 0x0F) : (b >> 4);
}
void Set4(std::uint8_t* row, int32_t x, int32_t v) {
  std::uint8_t& b = row[x >> 1];
  if (x & 1) {
    b = static_cast<std::uint8_t>((b & 0xF0) | (v & 0x0F));
  } else {
    b = static_cast<std::uint8_t>((b & 0x0F) | ((v & 0x0F) << 4));
  }
}

int32_t Get8(const std::uint8_t* row, int32_t x) {
  return row[x];
}
void Set8(std::uint8_t* row, int32_t x, int32_t v) {
  row[x] = static_cast<std::uint8_t>(v);
}

int32_t Get16(const std::uint8_t* row, int32_t x) {
  return row[2 * x] | (row[2 * x + 1] << 8);
}
void Set16(std::uint8_t* row, int32_t x, int32_t v) {
  row[2 * x] = static_cast<std::uint8_t>(v);
  row[2 * x + 1] = static_cast<std::uint8_t>(v >> 8);
}

// Stored blue, green, red; seen as red + 256 green + 65536 blue.
int32_t Get24(const std::uint8_t* row, int32_t x) {
  const std::uint8_t* p = row + 3 * x;
  return p[2] | (p[1] << 8) | (p[0] << 16);
}
void Set24(std::uint8_t* row, int32_t x, int32_t v) {
  std::uint8_t* p = row + 3 * x;
  p[0] = static_cast<std::uint8_t>(v >> 16);
  p[1] = static_cast<std::uint8_t>(v >> 8);
  p[2] = static_cast<std::uint8_t>(v);
}

struct FormatInfo {
  int32_t bitCount;  // what the header stores
  int32_t colours;   // colour-table entries
  TDIB::TGetPixel get;
  TDIB::TSetPixel set;
};

// Indexed by TDIBFormat - 1. A 15-bit image is written with bit count 16.
constexpr std::array<FormatInfo, 6> kFormats = {{
    {1, 2, Get1, Set1},
    {4, 16, Get4, Set4},
    {8, 256, Get8, Set8},
    {16, 0, Get16, Set16},
    {16, 0, Get16, Set16},
    {24, 0, Get24, Set24},
}};

// The format whose pixels a bit count selects, or 0 for none.
int32_t FormatOfBitCount(int32_t bitCount) {
  switch (bitCount) {
    case 1:
      return df1Bit;
    case 4:
      return df4Bit;
    case 8:
      return df8Bit;
    case 15:
      return df15Bit;
    case 16:
      return df16Bit;
    case 24:
      return df24Bit;
    default:
      return 0;
  }
}

int32_t ReadI32(const std::uint8_t* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                              (static_cast<uint32_t>(p[2]) << 16) |
                              (static_cast<uint32_t>(p[3]) << 24));
}
uint16_t ReadU16(const std::uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
void WriteI32(std::uint8_t* p, int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  p[0] = static_cast<std::uint8_t>(u);
  p[1] = static_cast<std::uint8_t>(u >> 8);
  p[2] = static_cast<std::uint8_t>(u >> 16);
  p[3] = static_cast<std::uint8_t>(u >> 24);
}
void WriteU16(std::uint8_t* p, uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

int64_t StrideOf(int64_t width, int64_t bitCount) {
  return ((width * bitCount + 31) / 32) * 4;
}

[[noreturn]] void InvalidBlock(const std::string& why) {
  throw platform::Exception("Invalid DIB block: " + why);
}

}  // namespace

TDIB::TDIB() = default;

TDIB::~TDIB() {
  Clear();
}

void TDIB::Clear() {
  FTopRow = nullptr;
  UnlockAll();
  if (FHandle != nullptr && FOwnsBlock) platform::FreeBlock(FHandle);
  FHandle = nullptr;
  FBlock = nullptr;
  FLockCount = 0;
  FInfoHeader = nullptr;
  FPalette = nullptr;
  FBits = nullptr;
  FFileHeader.fill(0);
}

std::uint8_t* TDIB::Lock() {
  if (FLockCount == 0) FBlock = platform::LockBlock(FHandle);
  ++FLockCount;
  return FBlock;
}

void TDIB::Unlock() {
  if (FLockCount <= 0) return;
  --FLockCount;
  if (FLockCount == 0) {
    platform::UnlockBlock(FHandle);
    FBlock = nullptr;
  }
}

void TDIB::UnlockAll() {
  if (FHandle == nullptr) return;
  while (FLockCount > 0) Unlock();
}

void TDIB::NewImage(int32_t width, int32_t height, int32_t format, int32_t xdpi, int32_t ydpi) {
  Clear();
  if (format < df1Bit || format > df24Bit) throw platform::Exception("Bit depht not allowed");
  if (width < 0 || height < 0) throw platform::Exception("Invalid image size");
  const FormatInfo& f = kFormats[format - 1];
  const int64_t stride = StrideOf(width, f.bitCount);
  const int64_t headerBytes = kInfoHeaderSize + 4 * f.colours;
  const int64_t size = headerBytes + height * stride;
  if (size > INT32_MAX) throw platform::Exception("Invalid image size");

  FOwnsBlock = true;  // the raster made this block, so it frees it
  FHandle = platform::AllocBlock(static_cast<std::size_t>(size));
  FBlockSize = static_cast<int32_t>(size);
  std::uint8_t* b = Lock();

  FFileHeader.fill(0);
  WriteU16(FFileHeader.data(), 0x4D42);  // "BM"
  WriteI32(FFileHeader.data() + 2, FBlockSize);
  WriteI32(FFileHeader.data() + 10, 54 + 4 * f.colours);

  WriteI32(b + 0, kInfoHeaderSize);
  WriteI32(b + 4, width);
  WriteI32(b + 8, height);
  WriteU16(b + 12, 1);
  WriteU16(b + 14, static_cast<uint16_t>(f.bitCount));
  WriteI32(b + 16, 0);
  WriteI32(b + 20, static_cast<int32_t>(height * stride));
  WriteI32(b + 24, platform::Round(xdpi * kInchesPerMetre));
  WriteI32(b + 28, platform::Round(ydpi * kInchesPerMetre));
  WriteI32(b + 32, f.colours);
  WriteI32(b + 36, f.colours);

  std::uint8_t* pal = b + kInfoHeaderSize;
  if (f.colours == 2) {
    std::memset(pal + 4, 255, 3);  // entry 0 black, entry 1 white
  } else if (f.colours > 2) {
    const std::vector<std::uint8_t>& ramp = GreyRamp(f.colours);
    for (int32_t i = 0; i < f.colours; ++i) std::memset(pal + 4 * i, ramp[i], 3);
  }
  ReadLayout();
  // A 15-bit image is stored with bit count 16 but keeps its own format code.
  FFormat = static_cast<TDIBFormat>(format);
}

void TDIB::AttachBlock(platform::BlockHandle handle) {
  Clear();
  if (handle == nullptr) return;
  // Validate before taking the handle: a block that does not follow the layout
  // stays the caller's and the raster stays empty.
  {
    platform::BlockLock lock(handle);
    const std::size_t size = lock.size();
    const std::uint8_t* b = lock.data();
    if (size < static_cast<std::size_t>(kInfoHeaderSize)) InvalidBlock("header too short");
    const int64_t width = ReadI32(b + 4);
    const int64_t height = ReadI32(b + 8);
    const int32_t bitCount = ReadU16(b + 14);
    if (FormatOfBitCount(bitCount) == 0) InvalidBlock("unsupported bit count");
    if (width < 0 || height < 0) InvalidBlock("negative size");
    const int64_t colours = bitCount <= 8 ? (int64_t{1} << bitCount) : 0;
    const int64_t needed = kInfoHeaderSize + 4 * colours + height * StrideOf(width, bitCount);
    if (needed > INT32_MAX || static_cast<std::size_t>(needed) > size) {
      InvalidBlock("pixel rows past the end of the block");
    }
  }
  FHandle = handle;
  FBlockSize = static_cast<int32_t>(platform::BlockSize(handle));
  Lock();
  ReadLayout();
}

void TDIB::ReadLayout() {
  FInfoHeader = FBlock;
  const int32_t bitCount = BitCount();
  FColours = bitCount <= 8 ? (1 << bitCount) : 0;
  FColoursUsed = static_cast<uint32_t>(ReadI32(FInfoHeader + 32));
  FPalette = FBlock + kInfoHeaderSize;
  const int32_t offset = ReadI32(FFileHeader.data() + 10);
  FBits = offset != 0 ? FBlock + offset - 14 : FBlock + kInfoHeaderSize + 4 * FColours;
  FStride = static_cast<int32_t>(StrideOf(Width(), bitCount));
  FRowBytes = static_cast<int32_t>((int64_t{Width()} * bitCount + 7) / 8);
  if (const int32_t format = FormatOfBitCount(bitCount); format != 0) {
    FFormat = static_cast<TDIBFormat>(format);
    FGetPixel = kFormats[format - 1].get;
    FSetPixel = kFormats[format - 1].set;
  }
  const int32_t height = Height();
  FBlockSize = kInfoHeaderSize + 4 * FColours + height * FStride;
  FTopRow = FBits + static_cast<int64_t>(std::max(height - 1, 0)) * FStride;
}

platform::BlockHandle TDIB::BlockHandle() const {
  if (FHandle != nullptr) return FHandle;
  return FBlock != nullptr ? platform::BlockHandleOf(FBlock) : nullptr;
}

int32_t TDIB::BitCount() const {
  return FInfoHeader ? ReadU16(FInfoHeader + 14) : 0;
}

int32_t TDIB::XDpi() const {
  return FInfoHeader ? platform::Round(ReadI32(FInfoHeader + 24) / kInchesPerMetre) : 0;
}
int32_t TDIB::YDpi() const {
  return FInfoHeader ? platform::Round(ReadI32(FInfoHeader + 28) / kInchesPerMetre) : 0;
}
void TDIB::SetXDpi(int32_t dpi) {
  if (FInfoHeader) WriteI32(FInfoHeader + 24, platform::Round(dpi * kInchesPerMetre));
}
void TDIB::SetYDpi(int32_t dpi) {
  if (FInfoHeader) WriteI32(FInfoHeader + 28, platform::Round(dpi * kInchesPerMetre));
}

std::uint8_t TDIB::GetPixelThreshold(int32_t x, int32_t y, std::uint8_t threshold,
                                     std::uint8_t below, std::uint8_t atOrAbove) const {
  return Row(y)[x] < threshold ? below : atOrAbove;
}

uint32_t TDIB::GetPaletteEntry(int32_t index) const {
  return static_cast<uint32_t>(ReadI32(FPalette + 4 * index));
}

void TDIB::SetPaletteEntry(int32_t index, uint32_t value) {
  WriteI32(FPalette + 4 * index, static_cast<int32_t>(value));
}

namespace {

bool EntryIs(const std::uint8_t* entry, std::uint8_t v) {
  return entry[0] == v && entry[1] == v && entry[2] == v;
}

}  // namespace

int32_t TDIB::WhiteValue() const {
  const int32_t bits = BitCount();
  int32_t value = bits == 8 ? 255 : bits == 24 ? 0xFFFFFF : 0;
  for (int32_t i = 0; FPalette != nullptr && i < FColours; ++i) {
    if (EntryIs(FPalette + 4 * i, 255)) return i;
  }
  return value;
}

int32_t TDIB::BlackValue() const {
  const int32_t bits = BitCount();
  int32_t value = (bits == 8 || bits == 24) ? 0 : 1;
  for (int32_t i = 0; FPalette != nullptr && i < FColours; ++i) {
    if (EntryIs(FPalette + 4 * i, 0)) return i;
  }
  return value;
}

bool TDIB::IsGreyRamp() const {
  if (FFormat == df8Bit) {
    for (int32_t i = 0; i < 256; ++i) {
      if (!EntryIs(FPalette + 4 * i, static_cast<std::uint8_t>(i))) return false;
    }
    return true;
  }
  if (FFormat == df1Bit) return EntryIs(FPalette, 255) && EntryIs(FPalette + 4, 0);
  return true;
}

void TDIB::Fill(std::uint8_t value) {
  if (FBits != nullptr) std::memset(FBits, value, static_cast<std::size_t>(Height()) * FStride);
}

std::unique_ptr<TDIB> TDIB::Duplicate() const {
  auto copy = std::make_unique<TDIB>();
  copy->NewImage(Width(), Height(), FFormat, XDpi(), YDpi());
  if (copy->FBlockSize != FBlockSize) throw platform::Exception("DIB Duplicate error !");
  std::memcpy(copy->FBlock, FBlock, static_cast<std::size_t>(FBlockSize));
  copy->ReadLayout();
  return copy;
}

std::unique_ptr<TDIB> TDIB::Crop(int32_t left, int32_t top, int32_t right, int32_t bottom) const {
  auto out = std::make_unique<TDIB>();
  const int32_t w = std::abs(right - left) + 1;
  const int32_t h = std::abs(bottom - top) + 1;
  out->NewImage(w, h, FFormat, XDpi(), YDpi());
  std::memcpy(out->FPalette, FPalette, static_cast<std::size_t>(4 * FColours));
  // Pixels outside this raster come out white rather than being read from
  // outside the block.
  const int32_t white = WhiteValue();
  const int32_t width = Width(), height = Height();
  const int32_t bytesPerPixel = FFormat == df8Bit ? 1 : FFormat == df24Bit ? 3 : 0;
  for (int32_t j = 0; j < h; ++j) {
    const int32_t sy = top + j;
    std::uint8_t* dst = out->Row(j);
    const bool rowInside = sy >= 0 && sy < height;
    const int32_t k0 = std::clamp(-left, 0, w);         // first column inside
    const int32_t k1 = std::clamp(width - left, 0, w);  // one past the last inside
    const bool wholeBytes = bytesPerPixel != 0 || FFormat == df1Bit;
    if (wholeBytes && rowInside && k0 < k1) {
      if (FFormat == df1Bit) {
        CopyBits(Row(sy), FRowBytes, left, dst, k0, k1);
      } else {
        std::memcpy(dst + k0 * bytesPerPixel, Row(sy) + (left + k0) * bytesPerPixel,
                    static_cast<std::size_t>(k1 - k0) * bytesPerPixel);
      }
      for (int32_t k = 0; k < k0; ++k) out->FSetPixel(dst, k, white);
      for (int32_t k = k1; k < w; ++k) out->FSetPixel(dst, k, white);
      continue;
    }
    for (int32_t k = 0; k < w; ++k) {
      const int32_t sx = left + k;
      const bool inside = rowInside && sx >= 0 && sx < width;
      out->FSetPixel(dst, k, inside ? FGetPixel(Row(sy), sx) : white);
    }
  }
  return out;
}
