// The PNG reader: chunk list with CRC check, header, palette, gamma and
// transparency, inflating, unfiltering, Adam7, and conversion to a DIB.
#include "graphics/pngimage.h"

#include <zlib.h>

#include <climits>
#include <cmath>
#include <cstring>

#include "platform/deadline.h"
#include "platform/rounding.h"
#include "platform/streams.h"

namespace {

struct ErrorText {
  int32_t id;
  const char* text;
};

constexpr std::array<ErrorText, 15> kErrorTexts = {{
    {65200, "The image has an unknown interlace method."},
    {65201,
     "The currently being loaded image contains critical(s) chunk(s) not reconized by the "
     "decoder."},
    {65202, "The current image requeries a palette but it is not avaliable."},
    {65203,
     "Can not get transparency information because the current image color type is not RGB "
     "(value 3)"},
    {65204,
     "The especified chunk is not inside the chunk list containing the method being used. The "
     "funcion could not be completed."},
    {65205, "Could not get informations on the tIME chunk because it is corrupted."},
    {65223, "Invalid Portable Graphics Network image, it has an invalid file header."},
    {65224, "The chunk index especified is out of the range."},
    {65225, "The chunk class index especified is  out of range."},
    {65226, "Can't read the PNG image, it has corrupted data. "},
    {65227,
     "This PNG image is invalid, the IHDR chunk is either not present or it isn't the first "
     "chunk."},
    {65228, "The current image being loaded has no data and could not be loaded."},
    {65229, "The current image being loaded has an invalid palette!"},
    {65230, "Could not read the image because it has an unknown color type."},
    {65231, "The image could not be loaded because it uses an unknown set of filter types."},
}};

constexpr std::array<std::uint8_t, 8> kSignature = {137, 80, 78, 71, 13, 10, 26, 10};
constexpr std::array<const char*, 9> kChunkClasses = {"IHDR", "PLTE", "IDAT", "IEND", "gAMA",
                                                      "tRNS", "tEXt", "tIME", "pHYs"};

// Colour types of the header.
constexpr uint8_t kGrey = 0, kRGB = 2, kIndexed = 3, kGreyAlpha = 4, kRGBAlpha = 6;

// Adam7: start column, start row, column step, row step of the seven passes.
struct Pass {
  uint32_t x0, y0, dx, dy;
};
constexpr std::array<Pass, 7> kAdam7 = {{{0, 0, 8, 8},
                                         {4, 0, 8, 8},
                                         {0, 4, 4, 8},
                                         {2, 0, 4, 4},
                                         {0, 2, 2, 4},
                                         {1, 0, 2, 2},
                                         {0, 1, 1, 2}}};

std::uint32_t ReadBE32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}

bool SameType(const std::array<char, 4>& t, const char* name) {
  return std::memcmp(t.data(), name, 4) == 0;
}

int Channels(uint8_t colorType) {
  switch (colorType) {
    case kGrey:
      return 1;
    case kRGB:
      return 3;
    case kIndexed:
      return 1;
    case kGreyAlpha:
      return 2;
    case kRGBAlpha:
      return 4;
    default:
      return 0;
  }
}

// Bytes of one filtered row of `pixels` pixels (without the filter byte).
std::uint64_t RowBytes(std::uint64_t pixels, int channels, int depth) {
  return (pixels * static_cast<std::uint64_t>(channels * depth) + 7) / 8;
}

// Paeth's predictor with its three distances written from the neighbours:
// p - a = b - c, p - b = a - c and p - c = a + b - 2c for p = a + b - c.
inline uint8_t Paeth(int a, int b, int c) {
  const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
  return static_cast<uint8_t>(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// Undoes the filter of one row in place for a filter unit of kUnit bytes;
// `prior` is the previous unfiltered row of the same pass (all zero for the
// first). The unit is a constant so that the byte loops compile without the
// left-neighbour test: the first unit bytes have no left neighbour (0).
template <std::size_t kUnit>
void UnfilterRow(uint8_t type, std::uint8_t* row, const std::uint8_t* prior, std::size_t n) {
  const std::size_t first = std::min(kUnit, n);
  switch (type) {
    case 0:
      return;
    case 1:
      for (std::size_t i = kUnit; i < n; ++i)
        row[i] = static_cast<uint8_t>(row[i] + row[i - kUnit]);
      return;
    case 2:
      for (std::size_t i = 0; i < n; ++i) row[i] = static_cast<uint8_t>(row[i] + prior[i]);
      return;
    case 3:
      for (std::size_t i = 0; i < first; ++i)
        row[i] = static_cast<uint8_t>(row[i] + (prior[i] >> 1));
      for (std::size_t i = kUnit; i < n; ++i)
        row[i] = static_cast<uint8_t>(row[i] + ((row[i - kUnit] + prior[i]) >> 1));
      return;
    case 4:
      // Without a left neighbour Paeth's predictor is the byte above.
      for (std::size_t i = 0; i < first; ++i) row[i] = static_cast<uint8_t>(row[i] + prior[i]);
      for (std::size_t i = kUnit; i < n; ++i)
        row[i] = static_cast<uint8_t>(row[i] + Paeth(row[i - kUnit], prior[i], prior[i - kUnit]));
      return;
    default:
      RaisePNGError(EPNGUnknownFilter);
  }
}

// The filter unit is the bytes of one whole pixel: 1 for packed samples, else
// 1, 2, 3, 4, 6 or 8.
void Unfilter(uint8_t type, std::uint8_t* row, const std::uint8_t* prior, std::size_t n,
              std::size_t unit) {
  switch (unit) {
    case 1:
      return UnfilterRow<1>(type, row, prior, n);
    case 2:
      return UnfilterRow<2>(type, row, prior, n);
    case 3:
      return UnfilterRow<3>(type, row, prior, n);
    case 4:
      return UnfilterRow<4>(type, row, prior, n);
    case 6:
      return UnfilterRow<6>(type, row, prior, n);
    default:
      return UnfilterRow<8>(type, row, prior, n);
  }
}

// Where the pixels of one unfiltered row go: the bitmap row, the image's row
// of alpha samples (null without alpha), the first column, the column step
// (1 for sequential images, the Adam7 step otherwise) and the pixel count.
struct RowTarget {
  std::uint8_t* out;
  std::uint8_t* alpha;
  std::uint64_t x0, dx, count;
};
using GammaTable = std::array<std::uint8_t, 256>;
// Stores one row into the bitmap; chosen once per image by ChooseRowStore.
using RowStore = void (*)(const std::uint8_t* row, const RowTarget& t, const GammaTable* gamma);

// Packed samples of kDepth bits from pixel `from` on, most significant first,
// into a 1-bit bitmap (kDepth 1) or a 4-bit one (2 and 4 bits: a 2-bit sample
// becomes the low bits of its nibble). The bitmap row starts all zero.
template <int kDepth>
void PutPackedPixels(const std::uint8_t* row, const RowTarget& t, std::uint64_t from) {
  for (std::uint64_t i = from; i < t.count; ++i) {
    const std::uint64_t bitPos = i * kDepth, x = t.x0 + i * t.dx;
    const int v = (row[bitPos / 8] >> (8 - kDepth - bitPos % 8)) & ((1 << kDepth) - 1);
    if (kDepth == 1) {
      if (v) t.out[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    } else {
      t.out[x / 2] |= static_cast<std::uint8_t>((x % 2) ? v : v << 4);
    }
  }
}

// 1- and 4-bit rows have the bitmap's own layout: a sequential row is copied
// whole, with the padding bits of its last byte cleared.
template <int kDepth>
void StorePacked(const std::uint8_t* row, const RowTarget& t, const GammaTable*) {
  if (t.dx != 1) return PutPackedPixels<kDepth>(row, t, 0);
  const std::uint64_t bits = t.count * kDepth;
  std::memcpy(t.out, row, static_cast<std::size_t>((bits + 7) / 8));
  if (bits % 8 != 0) t.out[bits / 8] &= static_cast<std::uint8_t>(0xFF00 >> (bits % 8));
}

// 2-bit rows widen to 4 bits: each byte of four samples gives two bitmap bytes.
void StoreTwoBit(const std::uint8_t* row, const RowTarget& t, const GammaTable*) {
  if (t.dx != 1) return PutPackedPixels<2>(row, t, 0);
  const std::uint64_t whole = t.count / 4;
  for (std::uint64_t k = 0; k < whole; ++k) {
    const int b = row[k];
    t.out[2 * k] = static_cast<std::uint8_t>(((b >> 2) & 0x30) | ((b >> 4) & 0x03));
    t.out[2 * k + 1] = static_cast<std::uint8_t>(((b << 2) & 0x30) | (b & 0x03));
  }
  PutPackedPixels<2>(row, t, 4 * whole);
}

// One byte per bitmap pixel (grey or palette index): the first byte of every
// kPixel-byte pixel (the high byte of 16-bit samples), and the alpha sample's
// high byte at kAlpha when kAlpha is not 0.
template <std::size_t kPixel, std::size_t kAlpha>
void StoreBytes(const std::uint8_t* row, const RowTarget& t, const GammaTable*) {
  if (kPixel == 1 && t.dx == 1) {
    std::memcpy(t.out, row, static_cast<std::size_t>(t.count));
    return;
  }
  std::uint8_t* out = t.out + t.x0;
  for (std::uint64_t i = 0; i < t.count; ++i) out[i * t.dx] = row[i * kPixel];
  if (kAlpha != 0) {
    std::uint8_t* alpha = t.alpha + t.x0;
    for (std::uint64_t i = 0; i < t.count; ++i) alpha[i * t.dx] = row[i * kPixel + kAlpha];
  }
}

// RGB samples of kSample bytes (1 or 2, high byte first) become blue, green,
// red through the gamma table when kGamma; with kAlpha the fourth sample goes
// to the alpha row.
template <std::size_t kSample, bool kAlpha, bool kGamma>
void StoreRGB(const std::uint8_t* row, const RowTarget& t, const GammaTable* gamma) {
  constexpr std::size_t kPixel = (kAlpha ? 4 : 3) * kSample;
  std::uint8_t* out = t.out + 3 * t.x0;
  const std::size_t step = 3 * static_cast<std::size_t>(t.dx);
  for (std::uint64_t i = 0; i < t.count; ++i, out += step, row += kPixel) {
    std::uint8_t r = row[0], g = row[kSample], b = row[2 * kSample];
    if (kGamma) r = (*gamma)[r], g = (*gamma)[g], b = (*gamma)[b];
    out[0] = b;
    out[1] = g;
    out[2] = r;
    if (kAlpha) t.alpha[t.x0 + i * t.dx] = row[3 * kSample];
  }
}

template <std::size_t kSample, bool kAlpha>
RowStore RGBStore(bool gamma) {
  return gamma ? &StoreRGB<kSample, kAlpha, true> : &StoreRGB<kSample, kAlpha, false>;
}

// The row store of a colour type and depth the header check accepted.
RowStore ChooseRowStore(uint8_t colorType, int depth, bool gamma) {
  const bool wide = depth == 16;
  switch (colorType) {
    case kRGB:
      return wide ? RGBStore<2, false>(gamma) : RGBStore<1, false>(gamma);
    case kRGBAlpha:
      return wide ? RGBStore<2, true>(gamma) : RGBStore<1, true>(gamma);
    case kGreyAlpha:
      return wide ? &StoreBytes<4, 2> : &StoreBytes<2, 1>;
    default:  // grey and palette
      if (depth == 1) return &StorePacked<1>;
      if (depth == 2) return &StoreTwoBit;
      if (depth == 4) return &StorePacked<4>;
      return wide ? &StoreBytes<2, 0> : &StoreBytes<1, 0>;
  }
}

// The joined image data inflated piece by piece as the rows ask for it. A
// stream that ends before the last row, or that zlib finds broken on the way,
// is corrupted data.
class TRowInflater {
 public:
  explicit TRowInflater(const std::vector<std::uint8_t>& compressed) {
    if (inflateInit(&z_) != Z_OK) RaisePNGError(EPNGCorruptedData);
    z_.next_in = const_cast<Bytef*>(compressed.data());
    z_.avail_in = static_cast<uInt>(compressed.size());
  }
  ~TRowInflater() { inflateEnd(&z_); }
  TRowInflater(const TRowInflater&) = delete;
  TRowInflater& operator=(const TRowInflater&) = delete;

  // Fills out[0, n); false when the stream cannot give n more bytes.
  bool Read(std::uint8_t* out, std::size_t n) {
    std::size_t produced = 0;
    // zlib counts in 32 bits: feed the output in slices.
    while (produced < n && status_ == Z_OK) {
      z_.next_out = out + produced;
      const std::size_t slice = std::min<std::size_t>(n - produced, 1u << 30);
      z_.avail_out = static_cast<uInt>(slice);
      status_ = inflate(&z_, Z_NO_FLUSH);
      produced += slice - z_.avail_out;
      if (status_ == Z_BUF_ERROR && z_.avail_in == 0) break;
    }
    return produced == n && (status_ == Z_OK || status_ == Z_STREAM_END);
  }

  // Inflates and drops the next n bytes; false as Read.
  bool Skip(std::uint64_t n) {
    std::array<std::uint8_t, 16384> scratch;
    for (; n > 0; n -= std::min<std::uint64_t>(n, scratch.size()))
      if (!Read(scratch.data(),
                static_cast<std::size_t>(std::min<std::uint64_t>(n, scratch.size()))))
        return false;
    return true;
  }

 private:
  z_stream z_{};
  int status_ = Z_OK;
};

// MulDiv as the platform rounds it: halves away from zero.
int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
  return static_cast<int32_t>((static_cast<int64_t>(a) * b + c / 2) / c);
}

}  // namespace

std::string PNGErrorText(int32_t id) {
  for (const ErrorText& e : kErrorTexts)
    if (e.id == id) return e.text;
  return {};
}

void RaisePNGError(int32_t id) {
  throw EPNGImageException(id, PNGErrorText(id));
}

void TPNGImage::LoadFromStream(std::istream& stream) {
  std::vector<std::uint8_t> data = platform::ReadToEnd(stream);
  LoadFromBytes(data);
}

void TPNGImage::ReadChunks(std::span<const std::uint8_t> data) {
  if (data.size() < kSignature.size() ||
      !std::equal(kSignature.begin(), kSignature.end(), data.begin()))
    RaisePNGError(EPNGInvalidFileHeader);
  std::size_t pos = kSignature.size();
  TPNGChunk* firstIdat = nullptr;
  std::size_t firstIdatIndex = 0;
  while (pos < data.size()) {
    // Length, type and CRC take 12 bytes; a chunk cut short is corrupted data.
    if (data.size() - pos < 12) RaisePNGError(EPNGCorruptedData);
    const std::uint32_t length = ReadBE32(&data[pos]);
    if (length > 0x7FFFFFFFu || length > data.size() - pos - 12) RaisePNGError(EPNGCorruptedData);
    const std::uint8_t* type = &data[pos + 4];
    const std::uint8_t* body = type + 4;
    const std::uint32_t crc = ReadBE32(body + length);
    uLong computed = crc32(0L, Z_NULL, 0);
    computed = crc32(computed, type, 4 + length);
    if (computed != crc) RaisePNGError(EPNGCorruptedData);
    pos += 12 + std::size_t{length};

    TPNGChunk chunk;
    std::memcpy(chunk.type.data(), type, 4);
    bool known = false;
    for (const char* name : kChunkClasses) known = known || SameType(chunk.type, name);
    // Bit 5 of the first letter clear (upper case) marks a critical chunk.
    if (!known && (type[0] & 0x20) == 0) RaisePNGError(EPNGUnknownCriticalChunk);
    if (SameType(chunk.type, "IDAT") && firstIdat != nullptr) {
      chunks_[firstIdatIndex].data.insert(chunks_[firstIdatIndex].data.end(), body, body + length);
      continue;
    }
    chunk.data.assign(body, body + length);
    chunks_.push_back(std::move(chunk));
    if (SameType(chunks_.back().type, "IDAT")) {
      firstIdatIndex = chunks_.size() - 1;
      firstIdat = &chunks_.back();
    }
    if (SameType(chunks_.back().type, "IEND")) break;
  }
  if (chunks_.empty() || !SameType(chunks_.front().type, "IHDR")) RaisePNGError(EPNGMissingIHDR);
  if (firstIdat == nullptr) RaisePNGError(EPNGNoImageData);
}

void TPNGImage::ReadHeader(const TPNGChunk& chunk) {
  if (chunk.data.size() != 13) RaisePNGError(EPNGCorruptedData);
  const std::uint8_t* d = chunk.data.data();
  header_.width = ReadBE32(d);
  header_.height = ReadBE32(d + 4);
  header_.depth = d[8];
  header_.colorType = d[9];
  header_.compression = d[10];
  header_.filter = d[11];
  header_.interlace = d[12];
  if (header_.width == 0 || header_.height == 0 || header_.width > 0x7FFFFFFFu ||
      header_.height > 0x7FFFFFFFu || header_.compression != 0 || header_.filter != 0)
    RaisePNGError(EPNGCorruptedData);
  if (Channels(header_.colorType) == 0) RaisePNGError(EPNGUnknownColorType);
  const uint8_t depth = header_.depth;
  bool depthValid = false;
  switch (header_.colorType) {
    case kGrey:
      depthValid = depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
      break;
    case kIndexed:
      depthValid = depth == 1 || depth == 2 || depth == 4 || depth == 8;
      break;
    default:
      depthValid = depth == 8 || depth == 16;
      break;
  }
  if (!depthValid) RaisePNGError(EPNGCorruptedData);
  CheckImageSize(header_.width, header_.height);
}

void TPNGImage::LoadFromBytes(std::span<const std::uint8_t> data) {
  auto progress = std::move(OnProgress);
  *this = TPNGImage{};
  OnProgress = std::move(progress);
  ReadChunks(data);
  bool decoded = false;
  for (const TPNGChunk& chunk : chunks_) {
    if (SameType(chunk.type, "IHDR")) {
      ReadHeader(chunk);
    } else if (SameType(chunk.type, "PLTE")) {
      if (chunk.data.size() % 3 != 0 || chunk.data.size() > 3 * 256)
        RaisePNGError(EPNGInvalidPalette);
      plte_.clear();
      for (std::size_t i = 0; i < chunk.data.size(); i += 3)
        plte_.push_back(RGBColor(chunk.data[i], chunk.data[i + 1], chunk.data[i + 2]));
      havePlte_ = true;
    } else if (SameType(chunk.type, "gAMA")) {
      // A gamma of 0 has no correction curve; such a chunk is ignored.
      if (chunk.data.size() == 4 && ReadBE32(chunk.data.data()) != 0) {
        const double g = ReadBE32(chunk.data.data()) / 100000.0;
        std::array<std::uint8_t, 256> table{};
        for (int i = 0; i < 256; ++i)
          table[i] = static_cast<std::uint8_t>(
              platform::Round(std::pow(i / 255.0, 1.0 / (g * 2.2)) * 255.0));
        gamma_ = table;
      }
    } else if (SameType(chunk.type, "tRNS")) {
      if (header_.colorType == kRGB && chunk.data.size() >= 6) {
        // The samples are 16 bits wide; 8-bit images use the low byte.
        const int hi = header_.depth == 16 ? 0 : 1;
        transparent_ = RGBColor(chunk.data[hi], chunk.data[2 + hi], chunk.data[4 + hi]);
      }
    } else if (SameType(chunk.type, "pHYs")) {
      // Only a resolution in pixels per metre is one; unit 0 gives the
      // aspect ratio alone, and the image keeps the default resolution.
      constexpr std::uint8_t kUnitMetre = 1;
      if (chunk.data.size() == 9 && chunk.data[8] == kUnitMetre) {
        const std::uint32_t x = ReadBE32(chunk.data.data()), y = ReadBE32(chunk.data.data() + 4);
        if (x <= INT32_MAX && y <= INT32_MAX) {
          pixelsPerMetre_[0] = static_cast<int32_t>(x);
          pixelsPerMetre_[1] = static_cast<int32_t>(y);
        }
      }
    } else if (SameType(chunk.type, "IDAT") && !decoded) {
      Decode(chunk.data);
      decoded = true;
    }
  }
}

std::vector<TColor> TPNGImage::BuildPalette() const {
  const auto correct = [this](TColor c) {
    if (!gamma_) return c;
    return RGBColor((*gamma_)[RedOf(c)], (*gamma_)[GreenOf(c)], (*gamma_)[BlueOf(c)]);
  };
  std::vector<TColor> palette;
  if (header_.colorType == kIndexed) {
    if (!havePlte_) RaisePNGError(EPNGMissingPalette);
    for (TColor c : plte_) palette.push_back(correct(c));
  } else {
    const int32_t entries = header_.depth >= 8 ? 256 : 1 << header_.depth;
    for (int32_t i = 0; i < entries; ++i) {
      const auto v = static_cast<std::uint8_t>(MulDiv(i, 255, entries - 1));
      palette.push_back(correct(RGBColor(v, v, v)));
    }
  }
  // A 2-bit image is shown as a 4-bit bitmap: its four entries repeat.
  if (header_.depth == 2) {
    palette.resize(4, 0);
    for (int i = 4; i < 16; ++i) palette.push_back(palette[static_cast<std::size_t>(i % 4)]);
  }
  return palette;
}

void TPNGImage::Decode(const std::vector<std::uint8_t>& compressed) {
  if (header_.interlace > 1) RaisePNGError(EPNGInvalidInterlace);
  const uint8_t type = header_.colorType;
  const int depth = header_.depth;
  const int channels = Channels(type);
  const bool rgb = type == kRGB || type == kRGBAlpha;
  bitCount_ = rgb ? 24 : depth == 1 ? 1 : depth <= 4 ? 4 : 8;
  const std::vector<TColor> palette = rgb ? std::vector<TColor>{} : BuildPalette();

  // Sizes of the bitmap and of the inflated data, checked before allocating.
  const std::uint64_t width = header_.width, height = header_.height;
  const std::uint64_t stride = DibRowBytes(width, bitCount_);
  const std::uint64_t entries = bitCount_ <= 8 ? (1u << bitCount_) : 0;
  std::uint64_t rawSize = 0;
  if (header_.interlace == 0) {
    rawSize = height * (1 + RowBytes(width, channels, depth));
  } else {
    for (const Pass& p : kAdam7) {
      const std::uint64_t pw = width > p.x0 ? (width - p.x0 + p.dx - 1) / p.dx : 0;
      const std::uint64_t ph = height > p.y0 ? (height - p.y0 + p.dy - 1) / p.dy : 0;
      if (pw > 0 && ph > 0) rawSize += ph * (1 + RowBytes(pw, channels, depth));
    }
  }
  const std::uint64_t limit = TDibGraphic::MaxImageBytes();
  if (stride * height > limit || rawSize > 3 * limit) throw EZivuderoError("Image too large");
  // Deflate writes at most 258 bytes for a length and a distance code of one
  // bit each: data that could not inflate to the rows is refused before the
  // bitmap is allocated for them.
  constexpr std::uint64_t kMaxInflation = 258 * 8 / 2;
  constexpr std::uint64_t kStreamOverhead = 64;
  if (rawSize > kMaxInflation * (compressed.size() + kStreamOverhead))
    RaisePNGError(EPNGCorruptedData);

  width_ = static_cast<int32_t>(width);
  height_ = static_cast<int32_t>(height);
  dib_.assign(40 + 4 * entries + stride * height, 0);
  std::uint8_t* h = dib_.data();
  const auto put32 = [](std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  put32(h, 40);
  put32(h + 4, static_cast<std::uint32_t>(width));
  put32(h + 8, static_cast<std::uint32_t>(height));
  h[12] = 1;
  h[14] = static_cast<std::uint8_t>(bitCount_);
  put32(h + 20, static_cast<std::uint32_t>(stride * height));
  put32(h + 24, static_cast<std::uint32_t>(pixelsPerMetre_[0]));
  put32(h + 28, static_cast<std::uint32_t>(pixelsPerMetre_[1]));
  put32(h + 32, static_cast<std::uint32_t>(entries));
  put32(h + 36, static_cast<std::uint32_t>(entries));
  for (std::size_t i = 0; i < palette.size() && i < entries; ++i) {
    h[40 + 4 * i] = BlueOf(palette[i]);
    h[41 + 4 * i] = GreenOf(palette[i]);
    h[42 + 4 * i] = RedOf(palette[i]);
  }
  std::uint8_t* bits = h + 40 + 4 * entries;
  if (type == kGreyAlpha || type == kRGBAlpha)
    alpha_.assign(static_cast<std::size_t>(width * height), 0);

  const std::size_t unit = std::max(1, channels * depth / 8);
  const RowStore store = ChooseRowStore(type, depth, gamma_.has_value());
  const GammaTable* gamma = gamma_ ? &*gamma_ : nullptr;

  // The rows are inflated one at a time into two row buffers (this row and
  // the one above), so that the inflated image never exists whole.
  TRowInflater inflater(compressed);
  std::uint64_t left = rawSize;  // inflated bytes still to come
  const std::size_t passCount = header_.interlace == 0 ? 1 : kAdam7.size();
  for (std::size_t pass = 0; pass < passCount; ++pass) {
    const Pass p = header_.interlace == 0 ? Pass{0, 0, 1, 1} : kAdam7[pass];
    const std::uint64_t pw = width > p.x0 ? (width - p.x0 + p.dx - 1) / p.dx : 0;
    const std::uint64_t ph = height > p.y0 ? (height - p.y0 + p.dy - 1) / p.dy : 0;
    if (pw == 0 || ph == 0) {
      if (header_.interlace != 0 && OnProgress)
        OnProgress(this, static_cast<std::uint8_t>((pass + 1) * 100 / 7), "Drawing...");
      continue;
    }
    const std::size_t rowBytes = static_cast<std::size_t>(RowBytes(pw, channels, depth));
    // Each buffer holds the filter byte and the row; the one above starts zero.
    std::vector<std::uint8_t> buffers(2 * (1 + rowBytes), 0);
    std::uint8_t* current = buffers.data();
    std::uint8_t* above = current + 1 + rowBytes;
    for (std::uint64_t r = 0; r < ph; ++r) {
      platform::CheckDeadline();
      if (!inflater.Read(current, 1 + rowBytes)) RaisePNGError(EPNGCorruptedData);
      left -= 1 + rowBytes;
      const uint8_t filter = current[0];
      // A stream that is also cut short or broken further on reports that first.
      if (filter > 4 && !inflater.Skip(left)) RaisePNGError(EPNGCorruptedData);
      Unfilter(filter, current + 1, above + 1, rowBytes, unit);
      const std::uint64_t y = p.y0 + r * p.dy;
      std::uint8_t* alpha = alpha_.empty() ? nullptr : alpha_.data() + y * width;
      store(current + 1, RowTarget{bits + (height - 1 - y) * stride, alpha, p.x0, p.dx, pw}, gamma);
      std::swap(current, above);
      if (header_.interlace == 0 && OnProgress)
        OnProgress(this, static_cast<std::uint8_t>((r + 1) * 100 / ph), "Drawing...");
    }
    if (header_.interlace != 0 && OnProgress)
      OnProgress(this, static_cast<std::uint8_t>((pass + 1) * 100 / 7), "Drawing...");
  }
}

const TPNGChunk* TPNGImage::FindChunk(const char* type) const {
  for (const TPNGChunk& c : chunks_)
    if (SameType(c.type, type)) return &c;
  return nullptr;
}

std::optional<TColor> TPNGImage::TransparentColor() const {
  if (header_.colorType != kRGB) RaisePNGError(EPNGTransparencyNotRGB);
  return transparent_;
}

TPNGTime TPNGImage::Time() const {
  const TPNGChunk* c = FindChunk("tIME");
  if (c == nullptr) RaisePNGError(EPNGChunkNotFound);
  if (c->data.size() != 7) RaisePNGError(EPNGInvalidTime);
  const std::uint8_t* d = c->data.data();
  TPNGTime t;
  t.year = static_cast<uint16_t>((d[0] << 8) | d[1]);
  t.month = d[2];
  t.day = d[3];
  t.hour = d[4];
  t.minute = d[5];
  t.second = d[6];
  if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour > 23 || t.minute > 59 ||
      t.second > 60)
    RaisePNGError(EPNGInvalidTime);
  return t;
}

const TPNGChunk& TPNGImage::Chunk(int32_t index) const {
  if (index < 0 || index >= ChunkCount()) RaisePNGError(EPNGChunkIndexOutOfRange);
  return chunks_[static_cast<std::size_t>(index)];
}

int32_t TPNGImage::ChunkClassCount() {
  return static_cast<int32_t>(kChunkClasses.size());
}

std::string TPNGImage::ChunkClassName(int32_t index) {
  if (index < 0 || index >= ChunkClassCount()) RaisePNGError(EPNGChunkClassOutOfRange);
  return kChunkClasses[static_cast<std::size_t>(index)];
}
