// TDIB: the raster on which all recognition works. It wraps one packed-DIB
// block (40-byte info header, full colour table, bottom-up rows padded to 4
// bytes) held in a movable memory block, and binds the per-format pixel
// reader and writer once, when the layout is read.
//
// Coordinates are (x, y) with y = 0 the top row. Pixel access does not check
// bounds: callers keep coordinates inside the raster.
#pragma once

#include <array>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/memory.h"
#include "platform/rect.h"  // TRect

enum TDIBFormat : std::uint8_t {
  df1Bit = 1,
  df4Bit = 2,
  df8Bit = 3,
  df15Bit = 4,
  df16Bit = 5,
  df24Bit = 6,
};

// Pixel counts per grey level (or per bit value on 1-bit rasters). 64-bit so
// that no raster can overflow a count.
using THistogram = std::array<int64_t, 256>;

// How AutoThreshold chooses its threshold.
enum TThresholdMethod : std::uint8_t {
  tmOtsu = 0,
  tmMean = 1,
  tmIterative = 2,
  tmQuad = 3,
  tmMeanSigma = 4,
};

// Counts per column of a rectangle, index 0 = the rectangle's left column.
// Empty when an operation makes no profile.
using TProfile = std::vector<int32_t>;

class TBlobList;

// Offsets and sizes of the packed-DIB block.
inline constexpr int32_t kInfoHeaderSize = 40;
inline constexpr double kInchesPerMetre = 39.37;

class TDIB {
 public:
  using TGetPixel = int32_t (*)(const std::uint8_t* row, int32_t x);
  using TSetPixel = void (*)(std::uint8_t* row, int32_t x, int32_t value);

  TDIB();
  ~TDIB();
  TDIB(const TDIB&) = delete;
  TDIB& operator=(const TDIB&) = delete;

  // Life cycle.
  void Clear();
  std::uint8_t* Lock();
  void Unlock();
  void UnlockAll();
  void NewImage(int32_t width, int32_t height, int32_t format, int32_t xdpi, int32_t ydpi);
  void AttachBlock(platform::BlockHandle handle);
  platform::BlockHandle BlockHandle() const;

  // Layout.
  // Read from the info header on every call; the probes ask per pixel step,
  // so these stay inline.
  int32_t Width() const { return FInfoHeader ? HeaderInt(4) : 0; }
  int32_t Height() const { return FInfoHeader ? HeaderInt(8) : 0; }
  int32_t XDpi() const;
  int32_t YDpi() const;
  void SetXDpi(int32_t dpi);
  void SetYDpi(int32_t dpi);
  int32_t BitCount() const;
  TDIBFormat Format() const { return FFormat; }
  int32_t Stride() const { return FStride; }
  int32_t RowBytes() const { return FRowBytes; }
  int32_t Colours() const { return FColours; }
  int32_t BlockSize() const { return FBlockSize; }
  bool Empty() const { return FInfoHeader == nullptr; }

  // Pixels.
  int32_t GetPixel(int32_t x, int32_t y) const { return FGetPixel(Row(y), x); }
  void SetPixel(int32_t x, int32_t y, int32_t value) { FSetPixel(Row(y), x, value); }
  std::uint8_t GetPixelThreshold(int32_t x, int32_t y, std::uint8_t threshold, std::uint8_t below,
                                 std::uint8_t atOrAbove) const;
  // Direct row access for hot loops (row y = 0 is the top row). Rows lie
  // evenly spaced, bottom row first, so a row's address is worked out from
  // the top row's instead of kept in a table: a table of row addresses costs
  // 8 bytes a row, more than the pixels of a narrow picture.
  std::uint8_t* Row(int32_t y) { return FTopRow - static_cast<std::ptrdiff_t>(y) * FStride; }
  const std::uint8_t* Row(int32_t y) const {
    return FTopRow - static_cast<std::ptrdiff_t>(y) * FStride;
  }
  // Bytes from a row to the one below it: rows lie evenly spaced in the
  // block, so a column is walked by adding this to a pixel's address.
  std::ptrdiff_t RowStep() const { return -static_cast<std::ptrdiff_t>(FStride); }

  // Colour table.
  uint32_t GetPaletteEntry(int32_t index) const;
  void SetPaletteEntry(int32_t index, uint32_t value);
  int32_t WhiteValue() const;
  int32_t BlackValue() const;
  bool IsGreyRamp() const;

  void Fill(std::uint8_t value);
  void FillWhite() { Fill(255); }

  // New rasters owned by the caller.
  std::unique_ptr<TDIB> Duplicate() const;
  std::unique_ptr<TDIB> Crop(int32_t left, int32_t top, int32_t right, int32_t bottom) const;

  // Format conversion in place (conversion.cpp). `target` is a TDIBFormat code.
  void ConvertTo(int32_t target);
  void RGBToGrey(bool weighted, bool red, bool green, bool blue);

  // Histograms and thresholds (threshold.cpp); the choosers are in dibops.h.
  void Histogram(THistogram& histogram) const;
  int32_t QuadThreshold() const;
  std::uint8_t AutoThreshold(TThresholdMethod method, bool toBilevel, std::uint8_t below,
                             std::uint8_t above);
  void ApplyThreshold(std::uint8_t threshold, bool toBilevel, std::uint8_t below,
                      std::uint8_t above);

  // Counting and profiles (profiles.cpp). Pixels outside the raster count as paper.
  int32_t RowInkCount(int32_t x, int32_t y, int32_t length) const;
  int32_t CountBitsInColumn(int32_t x, int32_t y, bool countSet, int32_t length) const;
  TProfile ColumnInkProfile(const TRect& rect) const;
  TProfile ColumnCountInRange(int32_t low, int32_t high, const TRect& rect) const;

  // Drawing and cleaning (cleaning.cpp). Pixels outside the raster are skipped.
  void DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t value);
  void DrawRect(const TRect& rect, int32_t value);
  // Paints the outline of every blob's box up to the given spans white (blobs.cpp).
  void EraseSmallBlobs(int32_t maxWidth, int32_t maxHeight, const TBlobList* blobs);
  void FillBlackGaps();
  void FillWhiteGaps();
  void SmoothBilevel();

  // Area-averaged scaling of `rect` into the whole of `target` (scaling.cpp).
  void ScaleInto(const TRect& rect, TDIB& target) const;

  // Black connected components (blobs.cpp); see blobs.h.
  void FindBlobs(int32_t connectivity, int32_t minWidth, int32_t minHeight, int32_t minPixels,
                 TBlobList* blobs) const;

  // Public fields: callers such as the barcode reader clear
  // FOwnsBlock after attaching a block they do not own.
  platform::BlockHandle FHandle = nullptr;
  std::uint8_t* FBlock = nullptr;
  bool FOwnsBlock = true;
  int32_t FBlockSize = 0;
  TDIBFormat FFormat = df8Bit;
  int32_t FLockCount = 0;
  std::array<std::uint8_t, 14> FFileHeader{};
  std::uint8_t* FInfoHeader = nullptr;
  std::uint8_t* FPalette = nullptr;
  std::uint8_t* FBits = nullptr;
  int32_t FColours = 0;
  uint32_t FColoursUsed = 0;
  int32_t FStride = 0;
  int32_t FRowBytes = 0;
  TGetPixel FGetPixel = nullptr;
  TSetPixel FSetPixel = nullptr;
  // The top row (y = 0): the last stored row; set when the layout is read.
  std::uint8_t* FTopRow = nullptr;

 private:
  // The little-endian 32-bit field at `offset` of the info header.
  int32_t HeaderInt(int32_t offset) const {
    const std::uint8_t* p = FInfoHeader + offset;
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                                (static_cast<uint32_t>(p[2]) << 16) |
                                (static_cast<uint32_t>(p[3]) << 24));
  }
  void ReadLayout();
  // Rebuilds the block for `format` and fills each new row (zeroed) from the
  // matching old row: row(from, to), called directly so that it inlines.
  // Defined in conversion.cpp, its only user.
  template <class RowFn>
  void Repack(int32_t format, const RowFn& row);
  void FillGaps(int32_t value);
};
