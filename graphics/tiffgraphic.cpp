// TIFF pictures: opening a TIFF held in memory, the tag reading, the choice of
// format and inversion, and the four ways pixels are transferred.
#include "graphics/tiffgraphic.h"

#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <vector>

#include "graphics/transforms.h"
#include "platform/deadline.h"
#include "platform/rounding.h"

namespace {

constexpr std::array<const char*, 8> kCompressionNames = {
    "None", "Packbits", "CCITT Group 3, 1D", "CCITT Group 3, 2D", "CCITT Group 4", "ZLib",
    "JPEG", "LZW"};

[[noreturn]] void TiffFail(const std::string& reason) {
  throw ETiffError("ETiffError " + reason);
}

// --- The private ASCII tags, announced to the library once -----------------

std::array<std::string, kCustomTiffTagCount>& CustomTagNames() {
  static std::array<std::string, kCustomTiffTagCount> names = [] {
    std::array<std::string, kCustomTiffTagCount> n;
    for (int i = 0; i < kCustomTiffTagCount; ++i)
      n[i] = "CustomTag" + std::to_string(kFirstCustomTiffTag + i);
    return n;
  }();
  return names;
}

TIFFExtendProc gParentExtender = nullptr;

void ExtendTags(TIFF* tif) {
  static std::array<TIFFFieldInfo, kCustomTiffTagCount> info = [] {
    std::array<TIFFFieldInfo, kCustomTiffTagCount> fields{};
    for (int i = 0; i < kCustomTiffTagCount; ++i)
      fields[i] = {static_cast<ttag_t>(kFirstCustomTiffTag + i),
                   TIFF_VARIABLE,
                   TIFF_VARIABLE,
                   TIFF_ASCII,
                   FIELD_CUSTOM,
                   1,
                   0,
                   CustomTagNames()[i].data()};
    return fields;
  }();
  TIFFMergeFieldInfo(tif, info.data(), static_cast<uint32_t>(info.size()));
  if (gParentExtender) gParentExtender(tif);
}

void RegisterCustomTags() {
  static std::once_flag once;
  std::call_once(once, [] { gParentExtender = TIFFSetTagExtender(ExtendTags); });
}

// --- A TIFF read from memory -------------------------------------------------

struct MemoryFile {
  std::span<const std::uint8_t> data;
  toff_t pos = 0;
};

tmsize_t ReadProc(thandle_t h, void* buf, tmsize_t size) {
  auto* f = static_cast<MemoryFile*>(h);
  if (size <= 0 || f->pos >= f->data.size()) return 0;
  const auto n =
      static_cast<tmsize_t>(std::min<toff_t>(static_cast<toff_t>(size), f->data.size() - f->pos));
  std::memcpy(buf, f->data.data() + f->pos, static_cast<std::size_t>(n));
  f->pos += static_cast<toff_t>(n);
  return n;
}
tmsize_t WriteProc(thandle_t, void*, tmsize_t) {
  return -1;
}
toff_t SeekProc(thandle_t h, toff_t off, int whence) {
  auto* f = static_cast<MemoryFile*>(h);
  toff_t base = 0;
  if (whence == SEEK_CUR) base = f->pos;
  if (whence == SEEK_END) base = f->data.size();
  f->pos = base + off;
  return f->pos;
}
int CloseProc(thandle_t) {
  return 0;
}
toff_t SizeProc(thandle_t h) {
  return static_cast<MemoryFile*>(h)->data.size();
}
// The library reads the file through a read-only map of the bytes.
int MapProc(thandle_t h, void** base, toff_t* size) {
  auto* f = static_cast<MemoryFile*>(h);
  *base = const_cast<std::uint8_t*>(f->data.data());
  *size = f->data.size();
  return 1;
}
void UnmapProc(thandle_t, void*, toff_t) {}

// The library's messages are not shown: every failure becomes an exception.
int SilentHandler(TIFF*, void*, const char*, const char*, va_list) {
  return 1;
}

struct TiffCloser {
  void operator()(TIFF* t) const { TIFFClose(t); }
};
using TiffPtr = std::unique_ptr<TIFF, TiffCloser>;

TiffPtr OpenTiff(MemoryFile& file) {
  RegisterCustomTags();
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  TIFFOpenOptionsSetErrorHandlerExtR(options, SilentHandler, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(options, SilentHandler, nullptr);
  // No single buffer of the library may exceed what a picture may hold.
  TIFFOpenOptionsSetMaxSingleMemAlloc(options,
                                      static_cast<tmsize_t>(2 * TDibGraphic::MaxImageBytes()));
  TIFF* tif = TIFFClientOpenExt("memory", "rc", &file, ReadProc, WriteProc, SeekProc, CloseProc,
                                SizeProc, MapProc, UnmapProc, options);
  TIFFOpenOptionsFree(options);
  if (tif == nullptr) TiffFail("TIFFOpen");
  return TiffPtr(tif);
}

std::string TextTag(TIFF* tif, uint32_t tag) {
  char* value = nullptr;
  if (TIFFGetField(tif, tag, &value) == 1 && value != nullptr) return value;
  return {};
}

bool IsCcitt(uint16_t compression) {
  return compression == COMPRESSION_CCITTRLE || compression == COMPRESSION_CCITTFAX3 ||
         compression == COMPRESSION_CCITTFAX4 || compression == COMPRESSION_CCITTRLEW;
}

// TIFF defaults BitsPerSample to 1, and writers of bilevel files often leave
// the tag out. That default is only believable for one grey sample a pixel: an
// RGB or separated file without the tag is broken, not bilevel.
bool MayOmitBitsPerSample(TIFF* tif, uint16_t photometric) {
  uint16_t samples = 1;
  TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
  const bool grey = photometric == PHOTOMETRIC_MINISWHITE || photometric == PHOTOMETRIC_MINISBLACK;
  return grey && samples == 1;
}

// A resolution as the picture stores it. Values no scanner produces (negative,
// not a number, above 65535 dpi) are treated like an absent tag.
int32_t ResolutionDpi(TIFF* tif, uint32_t tag, uint16_t unit) {
  float value = 0;
  if (TIFFGetField(tif, tag, &value) != 1) return 0;
  const double dpi = (unit == RESUNIT_NONE || unit == RESUNIT_INCH) ? value : value * 2.54;
  if (!std::isfinite(dpi) || dpi < 0 || dpi > 65535) return 0;
  return platform::Round(dpi);
}

TTiffCompression CompressionCode(uint16_t compression, TIFF* tif) {
  switch (compression) {
    case COMPRESSION_NONE:
      return tcNone;
    case COMPRESSION_PACKBITS:
      return tcPackbits;
    case COMPRESSION_CCITTRLE:
    case COMPRESSION_CCITTRLEW:
      return tcGroup3_1D;
    case COMPRESSION_CCITTFAX3: {
      uint32_t options = 0;
      const bool present = TIFFGetField(tif, TIFFTAG_GROUP3OPTIONS, &options) == 1;
      return present && (options & GROUP3OPT_2DENCODING) ? tcGroup3_2D : tcGroup3_1D;
    }
    case COMPRESSION_CCITTFAX4:
      return tcGroup4;
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE:  // the older, unregistered code of the same deflate stream
      return tcZLib;
    case COMPRESSION_JPEG:
      return tcJPEG;
    case COMPRESSION_LZW:
      return tcLZW;
    default:
      TiffFail("Unsupported compression tag, " + std::to_string(compression));
  }
}

// The palette of a palette-colour file; 16-bit colour values are scaled down
// unless every value already fits a byte.
TPalette ColorMap(TIFF* tif, uint16_t bitsPerSample) {
  uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
  if (TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue) != 1 || red == nullptr) return {};
  const std::size_t entries = std::size_t{1} << std::min<uint16_t>(bitsPerSample, 16);
  bool wide = false;
  for (std::size_t i = 0; i < entries; ++i)
    wide = wide || red[i] >= 256 || green[i] >= 256 || blue[i] >= 256;
  // v * 256 div 65535 reaches 256 for v = 65535; full intensity stays 255.
  const auto scale = [wide](uint16_t v) {
    const uint32_t s = wide ? uint32_t{v} * 256 / 65535 : v;
    return static_cast<uint8_t>(std::min<uint32_t>(s, 255));
  };
  TPalette palette;
  for (std::size_t i = 0; i < entries && i < 256; ++i)
    palette.push_back(RGBColor(scale(red[i]), scale(green[i]), scale(blue[i])));
  return palette;
}

}  // namespace

std::string TiffCompressionName(TTiffCompression code) {
  if (code >= kCompressionNames.size()) return {};
  return kCompressionNames[code];
}

TTiffGraphic::TTiffGraphic() {
  CustomTags[0].Read = true;
  CustomTags[0].Write = true;
}

std::unique_ptr<TDibGraphic> TTiffGraphic::NewInstance() const {
  return std::make_unique<TTiffGraphic>();
}

void TTiffGraphic::NewImage(int32_t width, int32_t height, TGraphicFormat format,
                            const TPalette& palette, int32_t xDpi, int32_t yDpi) {
  TDibGraphic::NewImage(width, height, format, palette, xDpi, yDpi);
  compression_ = format == gfBlackWhite ? tcGroup4 : tcPackbits;
}

void TTiffGraphic::SetCompression(TTiffCompression code) {
  bool accepted = false;
  switch (ImageFormat()) {
    case gfBlackWhite:
      accepted = code <= tcLZW && code != tcJPEG;
      break;
    case gfGray256:
    case gfTrueColor:
      accepted =
          code == tcNone || code == tcPackbits || code == tcZLib || code == tcJPEG || code == tcLZW;
      break;
    case gfGray16:
    case gfColor16:
    case gfColor256:
      accepted = code == tcNone || code == tcPackbits || code == tcZLib || code == tcLZW;
      break;
  }
  if (!accepted)
    throw EZivuderoError(TiffCompressionName(code) + " compression not supported with " +
                         FormatDescription(ImageFormat()) + " images");
  compression_ = code;
}

int32_t TTiffGraphic::PageCount() const {
  if (IsEmpty()) return 0;
  return std::max(directories_, TDibGraphic::PageCount());
}

int32_t TTiffGraphic::ImageCount(std::span<const std::uint8_t> data) {
  MemoryFile file{data};
  TiffPtr tif = OpenTiff(file);
  return static_cast<int32_t>(TIFFNumberOfDirectories(tif.get()));
}

void TTiffGraphic::ReadImage(std::span<const std::uint8_t> data, int32_t page) {
  Progress(0);
  MemoryFile file{data};
  TiffPtr owner = OpenTiff(file);
  TIFF* tif = owner.get();
  const auto directories = static_cast<int32_t>(TIFFNumberOfDirectories(tif));
  if (page > directories) throw EPageNotFound(page, directories);
  if (page < 1 || !TIFFSetDirectory(tif, static_cast<tdir_t>(page - 1)))
    TiffFail("TIFFSetDirectory");

  uint32_t width = 0, height = 0;
  uint16_t photometric = 0, compression = COMPRESSION_NONE, bitsPerSample = 0,
           planar = PLANARCONFIG_CONTIG;
  uint16_t unit = RESUNIT_INCH;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
  if (TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric) != 1)
    photometric = PHOTOMETRIC_MINISWHITE;
  TIFFGetField(tif, TIFFTAG_COMPRESSION, &compression);
  const bool haveBits = TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &bitsPerSample) == 1;
  TIFFGetField(tif, TIFFTAG_PLANARCONFIG, &planar);
  if (TIFFGetField(tif, TIFFTAG_RESOLUTIONUNIT, &unit) != 1) unit = RESUNIT_INCH;
  if (width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX)
    throw EZivuderoError("Invalid image size");
  CheckImageSize(width, height);
  const uint64_t scanline = TIFFScanlineSize64(tif);

  const bool ccitt = IsCcitt(compression);
  if (!haveBits) {
    if (!ccitt && !MayOmitBitsPerSample(tif, photometric))
      TiffFail("Bits per sample not specified");
    bitsPerSample = 1;
  }
  const int32_t xDpi = ResolutionDpi(tif, TIFFTAG_XRESOLUTION, unit);
  const int32_t yDpi = ResolutionDpi(tif, TIFFTAG_YRESOLUTION, unit);
  const int32_t spp = std::max(1, platform::Round(static_cast<double>(scanline) / width));
  const int64_t bitsPerPixel = int64_t{bitsPerSample} * spp;
  const bool colourPath =
      compression == COMPRESSION_JPEG || TIFFIsTiled(tif) || photometric == PHOTOMETRIC_SEPARATED ||
      photometric == PHOTOMETRIC_YCBCR || bitsPerSample > 8 || planar > PLANARCONFIG_CONTIG ||
      (bitsPerPixel != 1 && bitsPerPixel != 4 && bitsPerPixel != 8 && bitsPerPixel != 24);
  if (ccitt && photometric == PHOTOMETRIC_MINISBLACK) photometric = PHOTOMETRIC_MINISWHITE;

  // Format and inversion; a later rule overrides an earlier one.
  TGraphicFormat format = gfTrueColor;
  TPalette palette;
  bool inverted = false, sixteenBitPath = false;
  const bool grey = photometric == PHOTOMETRIC_MINISWHITE || photometric == PHOTOMETRIC_MINISBLACK;
  const bool whiteIsZero = photometric == PHOTOMETRIC_MINISWHITE;
  if (bitsPerSample == 1 && grey) format = gfBlackWhite, inverted = whiteIsZero;
  if (bitsPerSample == 4 && grey) format = gfGray16, inverted = whiteIsZero;
  if (bitsPerSample == 8 && grey) format = gfGray256, inverted = whiteIsZero && !colourPath;
  if (photometric == PHOTOMETRIC_PALETTE) {
    palette = ColorMap(tif, bitsPerSample);
    format = bitsPerSample < 5 ? gfColor16 : gfColor256;
    if (bitsPerPixel == 16) sixteenBitPath = true;
  }
  if (bitsPerSample == 16 && grey)
    format = gfGray256, sixteenBitPath = true, inverted = whiteIsZero;
  if (whiteIsZero && compression == COMPRESSION_JPEG) inverted = true;

  NewImage(static_cast<int32_t>(width), static_cast<int32_t>(height), format, palette, xDpi, yDpi);
  DocumentName = TextTag(tif, TIFFTAG_DOCUMENTNAME);
  ImageDescription = TextTag(tif, TIFFTAG_IMAGEDESCRIPTION);
  Make = TextTag(tif, TIFFTAG_MAKE);
  Model = TextTag(tif, TIFFTAG_MODEL);
  PageName = TextTag(tif, TIFFTAG_PAGENAME);
  Software = TextTag(tif, TIFFTAG_SOFTWARE);
  DateTime = TextTag(tif, TIFFTAG_DATETIME);
  Artist = TextTag(tif, TIFFTAG_ARTIST);
  HostComputer = TextTag(tif, TIFFTAG_HOSTCOMPUTER);
  for (int i = 0; i < kCustomTiffTagCount; ++i)
    CustomTags[i].Value =
        CustomTags[i].Read ? TextTag(tif, kFirstCustomTiffTag + i) : std::string{};
  SetCompression(CompressionCode(compression, tif));
  directories_ = directories;

  uint32_t rowsPerStrip = 0;
  if (TIFFGetField(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip) != 1)
    rowsPerStrip_ = INT32_MAX;
  else if (rowsPerStrip == UINT32_MAX || rowsPerStrip == 0 || rowsPerStrip > INT32_MAX)
    rowsPerStrip_ =
        static_cast<int32_t>(height);  // -1 (and values no strip can hold) mean one strip
  else
    rowsPerStrip_ = static_cast<int32_t>(rowsPerStrip);

  const auto h = static_cast<int32_t>(height);
  const auto w = static_cast<int32_t>(width);
  const auto reportRow = [&](int32_t y) {
    Progress(static_cast<std::uint8_t>(int64_t{y + 1} * 100 / h));
  };
  if (scanline == 0 || scanline > 2 * MaxImageBytes()) throw EZivuderoError("Image too large");
  std::vector<std::uint8_t> line;

  if (sixteenBitPath) {
    // One 16-bit sample per pixel is kept (the first), by its high byte; spp
    // counts the bytes of a pixel. A palette of 16 colours has 4-bit rows:
    // they keep the top half of that byte, as much as a pixel there holds.
    const bool nibbles = BitCount() == 4;
    line.assign(static_cast<std::size_t>(scanline), 0);
    for (int32_t y = 0; y < h; ++y) {
      if (TIFFReadScanline(tif, line.data(), static_cast<uint32_t>(y), 0) < 0)
        TiffFail("TIFFReadScanline");
      std::uint8_t* row = ScanLine(y);
      for (int32_t x = 0; x < w; ++x) {
        const std::size_t at = static_cast<std::size_t>(x) * spp;
        if (at + 1 >= line.size()) break;
        uint16_t sample = 0;
        std::memcpy(&sample, &line[at], 2);  // the library hands samples in host order
        const auto high = static_cast<std::uint8_t>(sample >> 8);
        if (!nibbles)
          row[x] = high;
        else if (x % 2 == 0)
          row[x / 2] = static_cast<std::uint8_t>((row[x / 2] & 0x0F) | (high & 0xF0));
        else
          row[x / 2] = static_cast<std::uint8_t>((row[x / 2] & 0xF0) | high >> 4);
      }
      reportRow(y);
    }
  } else if (ccitt && !colourPath) {
    line.assign(static_cast<std::size_t>(scanline), 0);
    const std::size_t n = std::min<std::size_t>(line.size(), static_cast<std::size_t>(Stride()));
    for (int32_t y = 0; y < h; ++y) {
      platform::CheckDeadline();
      if (TIFFReadScanline(tif, line.data(), static_cast<uint32_t>(y), 0) < 0)
        TiffFail("TIFFReadScanline");
      std::memcpy(ScanLine(y), line.data(), n);
      reportRow(y);
    }
  } else if (colourPath) {
    if (uint64_t{width} * height * 4 > 2 * MaxImageBytes()) throw EZivuderoError("Image too large");
    std::vector<uint32_t> raster(static_cast<std::size_t>(width) * height);
    Progress(10);
    if (TIFFReadRGBAImage(tif, width, height, raster.data(), 1) != 1) TiffFail("TIFFReadRGBAImage");
    Progress(80);
    for (int32_t r = 0; r < h; ++r) {
      const uint32_t* src = raster.data() + static_cast<std::size_t>(r) * w;
      for (int32_t i = 0; i < w; ++i)
        SetPixel(i, h - 1 - r, RGBColor(TIFFGetR(src[i]), TIFFGetG(src[i]), TIFFGetB(src[i])));
    }
    Progress(90);
  } else {
    const std::size_t rowBytes = static_cast<std::size_t>(scanline);
    for (int32_t g = 0; g < h; g += std::min(rowsPerStrip_, h - g)) {
      const int32_t rows = std::min(rowsPerStrip_, h - g);
      // A strip may hold more bytes per row than the picture (samples the
      // picture drops); it is still bounded like any buffer of a picture.
      if (uint64_t{rowBytes} * static_cast<uint64_t>(rows) > 2 * MaxImageBytes())
        throw EZivuderoError("Image too large");
      platform::CheckDeadline();
      line.assign(rowBytes * static_cast<std::size_t>(rows), 0);
      if (TIFFReadEncodedStrip(tif, TIFFComputeStrip(tif, static_cast<uint32_t>(g), 0), line.data(),
                               static_cast<tmsize_t>(line.size())) < 0)
        TiffFail("TIFFReadEncodedStrip");
      for (int32_t k = 0; k < rows; ++k) {
        const std::uint8_t* src = line.data() + static_cast<std::size_t>(k) * rowBytes;
        if (spp == 3 || spp == 4) {
          for (int32_t x = 0; x < w; ++x) {
            const std::size_t at = static_cast<std::size_t>(x) * spp;
            if (at + 2 >= rowBytes) break;
            SetPixel(x, g + k, RGBColor(src[at], src[at + 1], src[at + 2]));
          }
        } else {
          std::memcpy(ScanLine(g + k), src,
                      std::min<std::size_t>(rowBytes, static_cast<std::size_t>(Stride())));
        }
        reportRow(g + k);
      }
    }
  }
  // The RGBA reader applies the photometric interpretation itself; inverting
  // its output again would turn the picture into its negative.
  const bool readThroughRgba = colourPath && !sixteenBitPath && !ccitt;
  if (inverted && !readThroughRgba) TNegativeTransform().Apply(*this);
  Progress(100);
}
