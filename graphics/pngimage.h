// TPNGImage: the PNG reader. Decodes every colour type and depth, both
// interlace methods and all five filters into a device-independent bitmap of
// 1, 4, 8 or 24 bits per pixel, the form in which PNG files enter the system.
//
// Every failure is an EPNGImageException carrying its resource id (65200 ...
// 65231) and text.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <istream>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "graphics/dibgraphic.h"
#include "platform/exceptions.h"

// The resource ids of the PNG reader's errors.
enum : int32_t {
  EPNGInvalidInterlace = 65200,
  EPNGUnknownCriticalChunk = 65201,
  EPNGMissingPalette = 65202,
  EPNGTransparencyNotRGB = 65203,
  EPNGChunkNotFound = 65204,
  EPNGInvalidTime = 65205,
  EPNGInvalidFileHeader = 65223,
  EPNGChunkIndexOutOfRange = 65224,
  EPNGChunkClassOutOfRange = 65225,
  EPNGCorruptedData = 65226,
  EPNGMissingIHDR = 65227,
  EPNGNoImageData = 65228,
  EPNGInvalidPalette = 65229,
  EPNGUnknownColorType = 65230,
  EPNGUnknownFilter = 65231,
};

// The text of a PNG error id (empty for an unknown id).
std::string PNGErrorText(int32_t id);
[[noreturn]] void RaisePNGError(int32_t id);

// One chunk as read from the file (IDAT chunks are joined into the first).
struct TPNGChunk {
  std::array<char, 4> type{};
  std::vector<std::uint8_t> data;
  std::string TypeName() const { return std::string(type.data(), 4); }
};

struct TPNGTime {
  uint16_t year = 0;
  uint8_t month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

class TPNGImage {
 public:
  // Reads the rest of the stream.
  void LoadFromStream(std::istream& stream);
  void LoadFromBytes(std::span<const std::uint8_t> data);

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  // Bits per pixel of the bitmap: 1, 4, 8 or 24.
  int32_t BitCount() const { return bitCount_; }
  // The bitmap as a packed DIB: 40-byte header (the resolution of a pHYs
  // chunk in pixels per metre, else 0), full colour table for 1, 4 and 8
  // bits, rows bottom-up.
  std::span<const std::uint8_t> PackedDib() const { return dib_; }
  // The bitmap moved out, for a graphic to take over; PackedDib is empty after.
  std::vector<std::uint8_t> TakePackedDib() { return std::move(dib_); }
  // Alpha of every pixel, top row first, for the colour types that carry it
  // (grey and RGB with alpha); empty otherwise. The bitmap itself drops it.
  const std::vector<std::uint8_t>& Alpha() const { return alpha_; }

  // The transparent colour of an RGB image (tRNS), if it has one; error 65203
  // for any other colour type.
  std::optional<TColor> TransparentColor() const;
  // The modification time (tIME); 65204 without one, 65205 when it is corrupted.
  TPNGTime Time() const;

  int32_t ChunkCount() const { return static_cast<int32_t>(chunks_.size()); }
  const TPNGChunk& Chunk(int32_t index) const;  // 65224 out of range
  // The chunk types the reader interprets; 65225 out of range.
  static int32_t ChunkClassCount();
  static std::string ChunkClassName(int32_t index);

  // Raised with the text "Drawing..." after each row, or each pass when
  // interlaced.
  std::function<void(TPNGImage* sender, std::uint8_t percent, const std::string& text)> OnProgress;

 private:
  struct Header {
    uint32_t width = 0, height = 0;
    uint8_t depth = 0, colorType = 0, compression = 0, filter = 0, interlace = 0;
  };
  void ReadChunks(std::span<const std::uint8_t> data);
  void ReadHeader(const TPNGChunk& chunk);
  void Decode(const std::vector<std::uint8_t>& compressed);
  std::vector<TColor> BuildPalette() const;
  const TPNGChunk* FindChunk(const char* type) const;

  std::vector<TPNGChunk> chunks_;
  Header header_;
  std::optional<std::array<std::uint8_t, 256>> gamma_;
  std::vector<TColor> plte_;
  bool havePlte_ = false;
  std::optional<TColor> transparent_;
  std::array<int32_t, 2> pixelsPerMetre_{};  // from pHYs; 0 when not stated

  int32_t width_ = 0, height_ = 0, bitCount_ = 0;
  std::vector<std::uint8_t> dib_;
  std::vector<std::uint8_t> alpha_;
};
