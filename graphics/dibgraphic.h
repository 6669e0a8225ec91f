// TDibGraphic: the picture of the viewing side, and the registry through which
// every image file enters the system.
//
//   TGraphicFormat, FormatDescription   the six pixel formats and their names
//   StandardPalette                     palettes used when an image is made without one
//   TDibGraphic                         pixels, palette, resolution, pages, export to a
//                                       packed-DIB block, import of an in-memory DIB
//   RegisterGraphicFormat ...           the extension registry and the load path
//
// Pixel rows are kept exactly as a packed DIB stores them (bottom row first,
// rows padded to 4 bytes), next to the 40-byte info header and the colour
// table, so a GUI can wrap them without copying (PackedDib(), ScanLine()).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <istream>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/exceptions.h"
#include "platform/memory.h"

enum TGraphicFormat : std::uint8_t {
  gfBlackWhite = 0,
  gfGray16 = 1,
  gfGray256 = 2,
  gfColor16 = 3,
  gfColor256 = 4,
  gfTrueColor = 5,
};

// A colour value 0xRRGGBB (red in bits 16..23, blue in bits 0..7).
using TColor = std::uint32_t;
// A palette of colour values; at most 256 entries.
using TPalette = std::vector<TColor>;

inline constexpr TColor RGBColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return (TColor{r} << 16) | (TColor{g} << 8) | TColor{b};
}
inline constexpr std::uint8_t RedOf(TColor c) {
  return static_cast<std::uint8_t>(c >> 16);
}
inline constexpr std::uint8_t GreenOf(TColor c) {
  return static_cast<std::uint8_t>(c >> 8);
}
inline constexpr std::uint8_t BlueOf(TColor c) {
  return static_cast<std::uint8_t>(c);
}

// "Black and white", "True color", ...; any other code raises
// "Internal error: Invalid image format".
std::string FormatDescription(TGraphicFormat format);
int32_t FormatBitCount(TGraphicFormat format);
// Colour-table entries of the format: 2, 16, 256, or 0 for true colour.
int32_t FormatPaletteSize(TGraphicFormat format);
// The palette an image of the format gets when it is made without one
// (empty for true colour).
TPalette StandardPalette(TGraphicFormat format);

// The resolution given to an image whose file states none. There is no screen
// here; 96 is the logical resolution of a standard desktop display.
inline constexpr int32_t kScreenPixelsPerInch = 96;

// Progress of a long operation in percent.
using TProgressEvent = std::function<void(void* sender, std::uint8_t percentProgress)>;

// The surface a graphic has just been drawn on. The GUI layer derives its own
// surface (a painter and the target rectangle) from it; this library never
// draws on screen itself.
class TPaintSurface {
 public:
  virtual ~TPaintSurface() = default;
};
// Called after every drawing of a graphic on a surface, so that something
// drawn over the picture (a selection band) survives repaints.
using TPaintHook = std::function<void(TPaintSurface& surface)>;

class TDibGraphic;
using TGraphicFactory = std::function<std::unique_ptr<TDibGraphic>()>;

class TDibGraphic {
 public:
  TDibGraphic();
  virtual ~TDibGraphic();
  TDibGraphic(const TDibGraphic&) = delete;
  TDibGraphic& operator=(const TDibGraphic&) = delete;

  // The class name, as error texts show it.
  virtual const char* ClassName() const { return "TDibGraphic"; }
  // A new, empty graphic of the same class (pages are made with it).
  virtual std::unique_ptr<TDibGraphic> NewInstance() const;

  // A blank image (all pixel bytes zero). An empty palette means the format's
  // standard one; a shorter palette leaves the remaining entries black. A
  // resolution of 0 means kScreenPixelsPerInch. Sizes beyond MaxImageBytes()
  // are refused with "Image too large".
  virtual void NewImage(int32_t width, int32_t height, TGraphicFormat format,
                        const TPalette& palette, int32_t xDpi, int32_t yDpi);
  void Clear();

  bool IsEmpty() const { return dib_.empty(); }
  int32_t Width() const;
  int32_t Height() const;
  TGraphicFormat ImageFormat() const { return format_; }
  int32_t XDpi() const;
  int32_t YDpi() const;
  void SetXDpi(int32_t dpi);
  void SetYDpi(int32_t dpi);
  int32_t BitCount() const { return FormatBitCount(format_); }
  int32_t Stride() const { return stride_; }

  // Row y (0 = top) of the pixel rows; no bounds check.
  std::uint8_t* ScanLine(int32_t y) {
    return bits_ + static_cast<std::size_t>(Height() - 1 - y) * stride_;
  }
  const std::uint8_t* ScanLine(int32_t y) const {
    return bits_ + static_cast<std::size_t>(Height() - 1 - y) * stride_;
  }
  // The whole image as a packed DIB (header, colour table, rows); empty when
  // the graphic is empty. Valid until the next NewImage or Clear.
  std::span<const std::uint8_t> PackedDib() const { return dib_; }
  std::span<std::uint8_t> PixelBytes() { return {bits_, ImageBytes()}; }
  std::size_t ImageBytes() const { return static_cast<std::size_t>(stride_) * Height(); }

  // The palette as colour values (empty for true colour).
  const TPalette& Palette() const { return palette_; }
  // Replaces palette entries (and the colour table) from index 0; the size of
  // the format's table is kept.
  void SetPalette(const TPalette& palette);

  // Colour value of a pixel (true colour: the stored bytes; palette formats:
  // the colour of the pixel's entry). No bounds check.
  TColor GetPixel(int32_t x, int32_t y) const;
  // True colour stores the colour; palette formats store the nearest entry.
  void SetPixel(int32_t x, int32_t y, TColor color);
  // Palette index of a pixel; raises "The image does not have a palette" on
  // true colour.
  int32_t GetPixelIndex(int32_t x, int32_t y) const;
  void SetPixelIndex(int32_t x, int32_t y, int32_t index);
  // The palette entry nearest to a colour (first on ties), through a cache.
  int32_t NearestIndex(TColor color);
  void Fill(TColor color);

  // Takes a copy of another graphic (nullptr or an empty one clears this).
  void Assign(const TDibGraphic* source);
  // A new packed-DIB block; the caller owns it. "Graphic is empty" when empty.
  platform::BlockHandle ExportPackedDib() const;
  // Imports an in-memory DIB held in a block (see ImportPackedDib).
  void ImportBitmapHandle(platform::BlockHandle handle);
  // Imports a DIB: 40-byte (or larger) info header, colour table and rows
  // (bottom-up, or top-down for a negative height). 16- and 32-bit rows become
  // 24-bit. `bitsOffset` is where the rows start, counted from the header;
  // 0 means right after the colour table.
  void ImportPackedDib(std::span<const std::uint8_t> dib, std::size_t bitsOffset = 0);
  // ImportPackedDib for a DIB already in the graphic's own layout (40-byte
  // header, the format's full colour table, bottom-up rows, no compression):
  // the graphic takes the vector over instead of copying its rows, and sets it
  // up as the base class's NewImage does. Any other DIB is imported by copying.
  void AdoptPackedDib(std::vector<std::uint8_t>&& dib);

  // Pages of a multi-image file.
  virtual int32_t PageCount() const;
  int32_t CurrentPage() const { return currentPage_; }
  void ShowPage(int32_t page);
  // Page animation is driven by the GUI's timer: NextPage shows the next page
  // (after the last, the first).
  void Animate(bool on) { animated_ = on; }
  bool Animated() const { return animated_; }
  void NextPage();
  const TDibGraphic* Page(int32_t page) const;

  // Reads the rest of the stream; the stream is left at its end.
  void LoadFromStream(std::istream& stream);
  void LoadFromBytes(std::span<const std::uint8_t> data);

  // The paint hook and its owner. Only the owner removes its hook, so that a
  // hook installed by someone else in between stays. The hook is not part of
  // the picture: Clear and Assign keep it, and a read-only graphic takes one.
  void SetPaintHook(const void* owner, TPaintHook hook) const;
  void RemovePaintHook(const void* owner) const;
  const void* PaintHookOwner() const { return paintHookOwner_; }
  // Runs the hook, when one is set, after the graphic was drawn on `surface`.
  void CallPaintHook(TPaintSurface& surface) const;

  int32_t PageToLoad = 1;
  bool LoadAllPages = false;
  int32_t FrameDelay = 200;
  TProgressEvent OnProgress;

  // Upper limit of the pixel bytes of one image; protects against files that
  // announce enormous sizes. Shared by all graphics.
  static std::size_t MaxImageBytes();
  static void SetMaxImageBytes(std::size_t bytes);
  // Upper limit of the pixels (width x height) of one image, 0 for none (the
  // default: only MaxImageBytes holds). Every decoder checks the size a file
  // declares against it with CheckImageSize before it decodes anything, so a
  // small file cannot make the reader allocate for a huge picture. Shared by
  // all graphics.
  static int64_t MaxImagePixels();
  static void SetMaxImagePixels(int64_t pixels);

 protected:
  // Number of images in the data; the base class answers 1.
  virtual int32_t ImageCount(std::span<const std::uint8_t> data);
  // Decodes image `page` (from 1) of the data into this graphic; the base class
  // reads nothing.
  virtual void ReadImage(std::span<const std::uint8_t> data, int32_t page);
  void Progress(std::uint8_t percent);

 private:
  // NewImage over `storage` when it has the image's size (its rows are kept),
  // else over new zero bytes.
  void MakeImage(int32_t width, int32_t height, TGraphicFormat format, const TPalette& palette,
                 int32_t xDpi, int32_t yDpi, std::vector<std::uint8_t>&& storage);
  void BuildColourTable();

  TGraphicFormat format_ = gfTrueColor;
  std::vector<std::uint8_t> dib_;  // header, colour table, rows
  std::uint8_t* bits_ = nullptr;
  int32_t stride_ = 0;
  TPalette palette_;

  struct CacheSlot {
    TColor color = 0;
    int16_t index = -1;  // -1: empty
  };
  static constexpr std::size_t kCacheSlots = 1020;
  std::unique_ptr<std::array<CacheSlot, kCacheSlots>> cache_;

  mutable const void* paintHookOwner_ = nullptr;
  mutable TPaintHook paintHook_;

  std::vector<std::unique_ptr<TDibGraphic>> pages_;
  int32_t currentPage_ = -1;
  bool animated_ = false;
};

// A file declares more pixels than TDibGraphic::MaxImagePixels allows.
class EImageTooLarge : public EZivuderoError {
 public:
  using EZivuderoError::EZivuderoError;
};

// A page beyond the last one of a file was asked for.
class EPageNotFound : public EZivuderoError {
 public:
  EPageNotFound(int32_t page, int32_t pages);
};

// Throws EImageTooLarge "Image too large: W x H pixels, more than the limit of
// N" when width x height exceeds MaxImagePixels (when that is not 0); a row
// narrower than 32 pixels counts as 32.
void CheckImageSize(int64_t width, int64_t height);

// Reads a little-endian integer from a byte buffer (no bounds check).
inline std::uint32_t ReadLE32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t{p[3]} << 24);
}
inline std::uint16_t ReadLE16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
// Writes a little-endian integer into a byte buffer (no bounds check).
inline void WriteLE32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void WriteLE16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
// Bytes of one DIB row: pixels padded to whole 32-bit words.
inline std::uint64_t DibRowBytes(std::uint64_t width, std::uint32_t bitCount) {
  return (width * bitCount + 31) / 32 * 4;
}

// --- The extension registry ------------------------------------------------

// Registers a decoder class for an extension (without the dot, any case).
void RegisterGraphicFormat(const std::string& extension, const std::string& description,
                           TGraphicFactory graphicClass);
// The class registered for a file name's extension (upper-cased, without the
// dot; a name without extension is used whole), or an empty factory.
TGraphicFactory FindGraphicClass(const std::string& fileName);
// A new graphic of the class for the file name, or "Graphic files of %s
// format are not supported or not registered".
std::unique_ptr<TDibGraphic> CreateGraphicFor(const std::string& fileName);
// The extension as the registry sees it: upper case, without the dot.
std::string GraphicExtension(const std::string& fileName);
// Every extension a file can be opened by (the registry's and the picture
// loaders' for PNG, bitmap and icon files), upper case, sorted.
std::vector<std::string> RegisteredExtensions();
// Raises "Graphic files of %s format are not supported or not registered"
// unless a class or a picture loader reads files of this name: LoadGraphic's
// refusal, for a caller that has not read the file yet.
void RequireGraphicFormat(const std::string& fileName);

// The load path of the viewer: a registered class decodes the data itself
// (page `pageIndex` from 1; 0 loads every page); other formats go through the
// picture loaders (PNG, bitmap, icon) and are converted. Raises the registry's
// or the decoder's exception.
std::unique_ptr<TDibGraphic> LoadGraphic(const std::string& fileName,
                                         std::span<const std::uint8_t> data, int32_t pageIndex,
                                         const TProgressEvent& progress = {});
// The extension of the format whose signature starts the data ("PNG", "JPG",
// "TIF", "BMP", "ICO", "WMF"), or "" when none does: for data without a name.
std::string GraphicExtensionOfData(std::span<const std::uint8_t> data);
// The whole content of a file; "Cannot open file" or "Cannot read file".
std::vector<std::uint8_t> ReadFileBytes(const std::string& fileName);
std::unique_ptr<TDibGraphic> LoadGraphicFromFile(const std::string& fileName, int32_t pageIndex,
                                                 const TProgressEvent& progress = {});
