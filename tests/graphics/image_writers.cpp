#include "image_writers.h"

#include <cstdio>
// clang-format off
#include <jpeglib.h>
// clang-format on
#include <tiffio.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <unistd.h>

namespace {
void PutBE32(Bytes& b, uint32_t v) {
  for (int i = 3; i >= 0; --i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void PutLE16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void PutLE32(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
}  // namespace

Bytes PngSignature() {
  return {137, 80, 78, 71, 13, 10, 26, 10};
}

Bytes PngChunk(const std::string& type, const Bytes& data, bool badCrc) {
  Bytes out;
  PutBE32(out, static_cast<uint32_t>(data.size()));
  Bytes body(type.begin(), type.end());
  body.insert(body.end(), data.begin(), data.end());
  out.insert(out.end(), body.begin(), body.end());
  uLong crc = crc32(0L, Z_NULL, 0);
  crc = crc32(crc, body.data(), static_cast<uInt>(body.size()));
  PutBE32(out, static_cast<uint32_t>(crc) ^ (badCrc ? 1u : 0u));
  return out;
}

Bytes PngHeader(uint32_t width, uint32_t height, uint8_t depth, uint8_t colorType,
                uint8_t interlace) {
  Bytes d;
  PutBE32(d, width);
  PutBE32(d, height);
  d.insert(d.end(), {depth, colorType, 0, 0, interlace});
  return PngChunk("IHDR", d);
}

Bytes Deflate(const Bytes& raw) {
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  Bytes out(size);
  if (compress(out.data(), &size, raw.data(), static_cast<uLong>(raw.size())) != Z_OK)
    throw std::runtime_error("compress");
  out.resize(size);
  return out;
}

Bytes Concat(const std::vector<Bytes>& parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes PngFile(const Bytes& header, const Bytes& raw, const std::vector<Bytes>& extra) {
  std::vector<Bytes> parts = {PngSignature(), header};
  parts.insert(parts.end(), extra.begin(), extra.end());
  parts.push_back(PngChunk("IDAT", Deflate(raw)));
  parts.push_back(PngChunk("IEND", {}));
  return Concat(parts);
}

Bytes WriteTiff(const std::vector<TiffPage>& pages) {
  static int counter = 0;
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() /
      ("verevizu_test_" + std::to_string(::getpid()) + "_" + std::to_string(counter++) + ".tif");
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  if (tif == nullptr) throw std::runtime_error("TIFFOpen");
  for (const TiffPage& page : pages) {
    page.setup(tif);
    for (std::size_t y = 0; y < page.rows.size(); ++y) {
      Bytes row = page.rows[y];
      if (TIFFWriteScanline(tif, row.data(), static_cast<uint32_t>(y), 0) < 0)
        throw std::runtime_error("TIFFWriteScanline");
    }
    TIFFWriteDirectory(tif);
  }
  TIFFClose(tif);
  std::ifstream in(path, std::ios::binary);
  Bytes data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::filesystem::remove(path);
  return data;
}

Bytes RawTiff(std::vector<RawTiffEntry> entries, const Bytes& pixels) {
  // Header, pixels, then the directory (entries sorted by tag).
  std::sort(entries.begin(), entries.end(),
            [](const auto& a, const auto& b) { return a.tag < b.tag; });
  Bytes out = {'I', 'I', 42, 0};
  const uint32_t pixelOffset = 8;
  uint32_t ifd = pixelOffset + static_cast<uint32_t>(pixels.size());
  ifd += ifd % 2;
  PutLE32(out, ifd);
  out.insert(out.end(), pixels.begin(), pixels.end());
  while (out.size() < ifd) out.push_back(0);
  PutLE16(out, static_cast<uint32_t>(entries.size()));
  for (RawTiffEntry e : entries) {
    if (e.tag == 273) e.value = pixelOffset;  // StripOffsets
    PutLE16(out, e.tag);
    PutLE16(out, e.type);
    PutLE32(out, e.count);
    if (e.type == 3 && e.count == 1)
      PutLE16(out, e.value), PutLE16(out, 0);
    else
      PutLE32(out, e.value);
  }
  PutLE32(out, 0);
  return out;
}

Bytes WriteJpeg(int width, int height, int components, const Bytes& pixels, int densityUnit,
                int xDensity, int yDensity) {
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &buffer, &size);
  c.image_width = static_cast<JDIMENSION>(width);
  c.image_height = static_cast<JDIMENSION>(height);
  c.input_components = components;
  c.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 100, TRUE);
  c.density_unit = static_cast<UINT8>(densityUnit);
  c.X_density = static_cast<UINT16>(xDensity);
  c.Y_density = static_cast<UINT16>(yDensity);
  jpeg_start_compress(&c, TRUE);
  for (int y = 0; y < height; ++y) {
    JSAMPROW row = const_cast<JSAMPROW>(&pixels[static_cast<std::size_t>(y) * width * components]);
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  Bytes out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

Bytes WmfRecord(uint16_t function, const std::vector<int16_t>& params, const Bytes& trailing) {
  const std::size_t bytes = 6 + 2 * params.size() + trailing.size() + trailing.size() % 2;
  Bytes r;
  PutLE32(r, static_cast<uint32_t>(bytes / 2));
  PutLE16(r, function);
  for (const int16_t p : params) PutLE16(r, static_cast<uint16_t>(p));
  r.insert(r.end(), trailing.begin(), trailing.end());
  r.resize(bytes, 0);
  return r;
}

Bytes WmfFrame(int16_t left, int16_t top, int16_t right, int16_t bottom, uint16_t inch) {
  Bytes f;
  PutLE32(f, 0x9AC6CDD7);
  PutLE16(f, 0);
  for (const int16_t v : {left, top, right, bottom}) PutLE16(f, static_cast<uint16_t>(v));
  PutLE16(f, inch);
  PutLE32(f, 0);
  uint16_t sum = 0;
  for (std::size_t i = 0; i < f.size(); i += 2) sum ^= static_cast<uint16_t>(f[i] | f[i + 1] << 8);
  PutLE16(f, sum);
  return f;
}

Bytes WmfFile(const Bytes& frame, const std::vector<Bytes>& records) {
  Bytes body;
  std::size_t largest = 3;
  for (const Bytes& r : records) {
    body.insert(body.end(), r.begin(), r.end());
    largest = std::max(largest, r.size() / 2);
  }
  const Bytes end = WmfRecord(0, {});
  body.insert(body.end(), end.begin(), end.end());
  Bytes f = frame;
  PutLE16(f, 1);  // memory metafile
  PutLE16(f, 9);  // header words
  PutLE16(f, 0x0300);
  PutLE32(f, static_cast<uint32_t>((18 + body.size()) / 2));
  PutLE16(f, 8);  // object slots
  PutLE32(f, static_cast<uint32_t>(largest));
  PutLE16(f, 0);
  f.insert(f.end(), body.begin(), body.end());
  return f;
}
