// TTiffGraphic: TIFF pictures through libtiff, one page per directory. Decides
// how a file's sample layout becomes one of the six graphic formats, which
// resolution the picture gets and whether its pixels must be inverted, so
// that ink stays dark in the exported block.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "graphics/dibgraphic.h"

// Compression of a loaded TIFF in the graphic's own numbering.
enum TTiffCompression : std::uint8_t {
  tcNone = 0,
  tcPackbits = 1,
  tcGroup3_1D = 2,
  tcGroup3_2D = 3,
  tcGroup4 = 4,
  tcZLib = 5,
  tcJPEG = 6,
  tcLZW = 7,
};

// "None", "Packbits", "CCITT Group 3, 1D", ...
std::string TiffCompressionName(TTiffCompression code);

// One of the twenty private ASCII tags 40000..40019.
struct TCustomTiffTag {
  bool Read = false;
  bool Write = false;
  std::string Value;
};

inline constexpr std::uint32_t kFirstCustomTiffTag = 40000;
inline constexpr int kCustomTiffTagCount = 20;

class TTiffGraphic : public TDibGraphic {
 public:
  TTiffGraphic();
  const char* ClassName() const override { return "TTiffGraphic"; }
  std::unique_ptr<TDibGraphic> NewInstance() const override;

  // A blank picture; compression becomes CCITT Group 4 for black and white,
  // Packbits otherwise.
  void NewImage(int32_t width, int32_t height, TGraphicFormat format, const TPalette& palette,
                int32_t xDpi, int32_t yDpi) override;

  TTiffCompression Compression() const { return compression_; }
  // Checks the code against the picture's format: raises "%s compression not
  // supported with %s images" for a pair the writer cannot store.
  void SetCompression(TTiffCompression code);
  // RowsPerStrip of the file: the height for -1, the largest integer when absent.
  int32_t RowsPerStrip() const { return rowsPerStrip_; }
  // The number of directories of the file.
  int32_t PageCount() const override;

  std::array<TCustomTiffTag, kCustomTiffTagCount> CustomTags;
  std::string DocumentName, ImageDescription, Make, Model, PageName, Software, DateTime, Artist,
      HostComputer;

 protected:
  int32_t ImageCount(std::span<const std::uint8_t> data) override;
  void ReadImage(std::span<const std::uint8_t> data, int32_t page) override;

 private:
  TTiffCompression compression_ = tcPackbits;
  int32_t rowsPerStrip_ = INT32_MAX;
  int32_t directories_ = 0;
};
