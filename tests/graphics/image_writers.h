// Small writers that make image files in memory for the reader tests: PNG
// chunk by chunk (so that broken files can be made on purpose), TIFF and JPEG
// through their libraries, bitmap files byte by byte.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// --- PNG -------------------------------------------------------------------
Bytes PngSignature();
// A chunk with its length and CRC; `badCrc` spoils the CRC.
Bytes PngChunk(const std::string& type, const Bytes& data, bool badCrc = false);
Bytes PngHeader(uint32_t width, uint32_t height, uint8_t depth, uint8_t colorType,
                uint8_t interlace = 0);
Bytes Deflate(const Bytes& raw);
// A whole file: IHDR, the extra chunks, one IDAT of `raw` (filter bytes
// included), IEND.
Bytes PngFile(const Bytes& header, const Bytes& raw, const std::vector<Bytes>& extra = {});
Bytes Concat(const std::vector<Bytes>& parts);

// --- TIFF ------------------------------------------------------------------
// Writes a TIFF through libtiff: `setup` sets the tags of each page, then
// `rows` (one vector of bytes per scanline) are written with TIFFWriteScanline.
struct TiffPage {
  std::function<void(void* tif)> setup;
  std::vector<Bytes> rows;
};
Bytes WriteTiff(const std::vector<TiffPage>& pages);

// A little-endian TIFF with one uncompressed strip, written by hand, so that
// tags the library would refuse to write can be set. `entries` are
// (tag, type, count, value) with short values stored inline.
struct RawTiffEntry {
  uint16_t tag, type;
  uint32_t count, value;
};
Bytes RawTiff(std::vector<RawTiffEntry> entries, const Bytes& pixels);

// --- JPEG ------------------------------------------------------------------
// Compresses `components` (1, 3 or 4) channel pixels; density unit and values
// go into the JFIF header.
Bytes WriteJpeg(int width, int height, int components, const Bytes& pixels, int densityUnit = 0,
                int xDensity = 1, int yDensity = 1);

// --- Windows metafile -------------------------------------------------------
// One record: size in 16-bit words, function number, parameter words.
Bytes WmfRecord(uint16_t function, const std::vector<int16_t>& params, const Bytes& trailing = {});
// The 22-byte placeable header framing (left, top)-(right, bottom) in logical
// units at `inch` units per inch, with its checksum.
Bytes WmfFrame(int16_t left, int16_t top, int16_t right, int16_t bottom, uint16_t inch);
// Header, the records and the end record; `frame` (may be empty) goes first.
Bytes WmfFile(const Bytes& frame, const std::vector<Bytes>& records);
