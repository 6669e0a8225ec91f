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

#include "platform/deadline.h"
#include "platform/rounding.h"

namespace {

// A progressive file may carry any number of scans; real encoders write about
// ten (six for grey). Each scan is a pass over the whole picture, so more
// than this only makes a hostile file decode for a very long time.
constexpr int kMaxScans = 100;

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

[[noreturn]] void FailWith(j_common_ptr cinfo, const char* text) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  std::snprintf(err->message, sizeof err->message, "%s", text);
  std::longjmp(err->jump, 1);
}

// The scans of the file, counted on its markers before anything is decoded:
// between a start of scan and the next marker lies entropy-coded data, in
// which a 0xFF byte is always followed by 0 or a restart marker.
int CountScans(std::span<const std::uint8_t> data) {
  int scans = 0;
  std::size_t pos = 2;  // after the start of image
  while (pos + 4 <= data.size()) {
    if (data[pos] != 0xFF) return scans;
    const std::uint8_t marker = data[pos + 1];
    if (marker == 0xFF) {  // fill byte
      ++pos;
      continue;
    }
    if (marker == 0xD9) return scans;                            // end of image
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {  // no length
      pos += 2;
      continue;
    }
    pos += 2 + ((std::size_t{data[pos + 2]} << 8) | data[pos + 3]);
    if (marker != 0xDA) continue;
    ++scans;
    while (pos + 1 < data.size() && !(data[pos] == 0xFF && data[pos + 1] != 0 &&
                                      (data[pos + 1] < 0xD0 || data[pos + 1] > 0xD7)))
      ++pos;
  }
  return scans;
}

// Called by the library as it works through the file: a time limit that has
// passed ends the decoding (ReadImage then reports the time limit).
void Monitor(j_common_ptr cinfo) {
  if (platform::DeadlinePassed()) FailWith(cinfo, "");
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
  d.progress.progress_monitor = Monitor;
  cinfo.progress = &d.progress;
  if (CountScans(data) > kMaxScans)
    FailWith(reinterpret_cast<j_common_ptr>(&cinfo), "Too many scans in the JPEG file");
  jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(data.size()));
  jpeg_read_header(&cinfo, TRUE);
  CheckImageSize(cinfo.image_width, cinfo.image_height);
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
    if (platform::DeadlinePassed()) FailWith(reinterpret_cast<j_common_ptr>(&cinfo), "");
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
    platform::CheckDeadline();
    throw EJpegError(d.err.message);
  }
  Progress(100);
}
