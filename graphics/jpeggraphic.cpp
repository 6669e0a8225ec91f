// JPEG pictures: decompression to grey or RGB scanlines, the JFIF density,
// and the library's errors turned into exceptions.
#include "graphics/jpeggraphic.h"

// jpeglib.h needs FILE and size_t declared first.
#include <cstdio>
// clang-format off
#include <jpeglib.h>
// clang-format on

#include <csetjmp>
#include <cstring>
#include <utility>

#include "platform/rounding.h"

namespace {

// A progressive file may carry any number of scans; real encoders write about
// ten. More than this only makes a hostile file decode for a very long time.
constexpr int kMaxScans = 500;

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  std::longjmp(err->jump, 1);
}

// Warnings (a truncated file, a corrupt marker) are not shown; the decoder
// carries on with what it has.
void SilentMessage(j_common_ptr) {}

void LimitScans(j_common_ptr cinfo) {
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->input_scan_number > kMaxScans) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::snprintf(err->message, sizeof err->message, "Too many scans in the JPEG file");
    std::longjmp(err->jump, 1);
  }
}

// Owns the decompressor, so that it is released on every path.
struct Decompressor {
  jpeg_decompress_struct cinfo{};
  ErrorManager err{};
  jpeg_progress_mgr progress{};
  bool created = false;
  ~Decompressor() {
    if (created) jpeg_destroy_decompress(&cinfo);
  }
};

int32_t DensityDpi(int unit, int density) {
  if (unit == 1) return density;
  if (unit == 2) return platform::Round(density * 2.54);
  return 0;
}

// Everything that may end in the library's error exit happens here, with no
// object of its own that a long jump would skip. Returns false on a library
// error (the text is in d.err.message).
bool Decompress(Decompressor& d, std::span<const std::uint8_t> data, TDibGraphic& graphic,
                const std::function<void(std::uint8_t)>& progress) {
  jpeg_decompress_struct& cinfo = d.cinfo;
  cinfo.err = jpeg_std_error(&d.err.pub);
  d.err.pub.error_exit = ErrorExit;
  d.err.pub.output_message = SilentMessage;
  if (setjmp(d.err.jump)) return false;
  jpeg_create_decompress(&cinfo);
  d.created = true;
  d.progress.progress_monitor = LimitScans;
  cinfo.progress = &d.progress;
  jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(data.size()));
  jpeg_read_header(&cinfo, TRUE);
  // Grey files are read as grey; files the library can turn into RGB as RGB;
  // others (CMYK) keep their own components, which the format check refuses.
  if (cinfo.jpeg_color_space == JCS_GRAYSCALE)
    cinfo.out_color_space = JCS_GRAYSCALE;
  else if (cinfo.jpeg_color_space == JCS_YCbCr || cinfo.jpeg_color_space == JCS_RGB)
    cinfo.out_color_space = JCS_RGB;
  if (std::uint64_t{cinfo.image_width} * cinfo.image_height * 3 > TDibGraphic::MaxImageBytes())
    throw EZivuderoError("Image too large");
  jpeg_start_decompress(&cinfo);
  const int components = cinfo.output_components;
  if (components != 1 && components != 3)
    throw EJpegError("Invalid number of samples, " + std::to_string(components));
  graphic.NewImage(static_cast<int32_t>(cinfo.output_width),
                   static_cast<int32_t>(cinfo.output_height),
                   components == 1 ? gfGray256 : gfTrueColor, {},
                   DensityDpi(cinfo.density_unit, cinfo.X_density),
                   DensityDpi(cinfo.density_unit, cinfo.Y_density));
  const auto height = static_cast<int32_t>(cinfo.output_height);
  while (cinfo.output_scanline < cinfo.output_height) {
    const auto y = static_cast<int32_t>(cinfo.output_scanline);
    JSAMPROW row = graphic.ScanLine(y);
    if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) break;
    if (components == 3)
      for (std::uint32_t x = 0; x < cinfo.output_width; ++x) std::swap(row[3 * x], row[3 * x + 2]);
    if (progress) progress(static_cast<std::uint8_t>(int64_t{y + 1} * 100 / height));
  }
  jpeg_finish_decompress(&cinfo);
  return true;
}

}  // namespace

std::unique_ptr<TDibGraphic> TJpegGraphic::NewInstance() const {
  return std::make_unique<TJpegGraphic>();
}

void TJpegGraphic::ReadImage(std::span<const std::uint8_t> data, int32_t) {
  Progress(0);
  Decompressor d;
  if (!Decompress(d, data, *this, [this](std::uint8_t p) { Progress(p); })) {
    Clear();
    throw EJpegError(d.err.message);
  }
  Progress(100);
}
