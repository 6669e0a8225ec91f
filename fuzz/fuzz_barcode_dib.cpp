// Small packed-DIB blocks of any pixel format fed to the whole reader, and to
// the reader at any orientation, with their settings taken from the input
// too. Either the input's bytes are the block itself, or they describe a
// header and pixels (optionally bars drawn from a run list, upright or
// slanted, so that the sweeps reach the decoders). A reader may refuse a
// block only with an exception carrying a message, must never free the
// caller's block and must keep its results within their bounds (texts,
// rectangles inside the picture, orientations); the codes a report shows of
// them are some of them, in their order, whenever there are any.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "image/dibunit.h"

#include "barcode/barcodereader.h"
#include "barcode/orientedreader.h"
#include "barcode/trustedcodes.h"
#include "fuzz_input.h"
#include "platform/memory.h"

namespace {

void Put32(std::uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

constexpr int32_t kBitCounts[] = {1, 4, 8, 15, 16, 24, 32};

// A block with a well-formed header of the input's choosing.
platform::BlockHandle DescribedBlock(fuzz::Input& in) {
  const int32_t width = 1 + in.Byte() % 96;
  const int32_t height = 1 + in.Byte() % 40;
  const int32_t bitCount = kBitCounts[in.Byte() % 7];
  const int32_t ppm = in.Byte() * 200;
  const bool drawRuns = in.Byte() & 1;
  const int32_t colours = bitCount <= 8 ? 1 << bitCount : 0;
  const int32_t stride = (width * bitCount + 31) / 32 * 4;
  const std::size_t size = 40 + 4 * colours + static_cast<std::size_t>(height) * stride;
  platform::BlockHandle h = platform::AllocBlock(size);
  platform::BlockLock lock(h);
  std::uint8_t* b = lock.data();
  Put32(b, 40);
  Put32(b + 4, width);
  Put32(b + 8, height);
  b[12] = 1;
  b[14] = static_cast<std::uint8_t>(bitCount);
  Put32(b + 24, ppm);
  Put32(b + 28, ppm);
  Put32(b + 32, colours);
  for (int32_t i = 0; i < 4 * colours; ++i) b[40 + i] = in.Byte();
  std::uint8_t* bits = b + 40 + 4 * colours;
  if (!drawRuns) {
    for (std::size_t i = 0; i < static_cast<std::size_t>(height) * stride; ++i) bits[i] = in.Byte();
    return h;
  }
  // One row of runs, copied to every row shifted by `slant` eighths of a
  // column per row: a byte's low bits are a run's width.
  const int32_t slant = static_cast<int8_t>(in.Byte()) % 16;
  std::vector<std::uint8_t> row(stride, 0);
  int32_t x = 0;
  bool dark = false;
  while (x < width) {
    const int32_t w = 1 + (in.Byte() & 15);
    for (int32_t i = x; i < x + w && i < width; ++i) {
      for (int32_t bit = i * bitCount; bit < (i + 1) * bitCount; ++bit) {
        if (!dark) row[bit / 8] |= static_cast<std::uint8_t>(0x80 >> (bit % 8));
      }
    }
    x += w;
    dark = !dark;
  }
  for (int32_t y = 0; y < height; ++y) {
    const int32_t shift = ((y * slant) / 8 % width + width) % width;
    std::uint8_t* out = bits + y * stride;
    for (int32_t x = 0; x < width; ++x) {
      const int32_t from = (x + shift) % width;
      for (int32_t b = 0; b < bitCount; ++b) {
        const int32_t src = from * bitCount + b, dst = x * bitCount + b;
        if (row[src / 8] & (0x80 >> (src % 8)))
          out[dst / 8] |= static_cast<std::uint8_t>(0x80 >> (dst % 8));
      }
    }
  }
  return h;
}

// The input's bytes as the whole block.
platform::BlockHandle RawBlock(fuzz::Input& in) {
  platform::BlockHandle h = platform::AllocBlock(in.size > 0 ? in.size : 1);
  platform::BlockLock lock(h);
  if (in.size > 0) std::memcpy(lock.data(), in.data, in.size);
  in.size = 0;
  return h;
}

// The reader at the orientations of the mode's high bits, on the same block.
void ReadOriented(const ZAzudivozUDA& settings, platform::BlockHandle block, std::uint8_t mode) {
  std::vector<TOrientedCode> codes;
  try {
    codes = barcode::ReadOrientedBarcodes(settings, block, mode >> 3);
  } catch (const platform::Exception&) {
    return;  // an unreadable block or a format without dark pixels
  }
  if (codes.size() > static_cast<std::size_t>(ZAzudivozUDA::kResultCapacity)) std::abort();
  TDIB dib;
  dib.FOwnsBlock = false;
  dib.AttachBlock(block);
  dib.FOwnsBlock = false;
  for (const TOrientedCode& code : codes) {
    const TRect& r = code.Code.Rect;
    if (code.Code.Text.empty() || code.Code.Text.size() > 255) std::abort();
    if (code.Orientation < 0 || code.Orientation >= 360) std::abort();
    if (r.Left < 0 || r.Top < 0 || r.Left > r.Right || r.Top > r.Bottom || r.Right >= dib.Width() ||
        r.Bottom >= dib.Height()) {
      std::abort();
    }
  }
  const std::vector<TOrientedCode> shown = barcode::ShownCodes(codes);
  auto next = codes.begin();
  for (const TOrientedCode& code : shown) {
    next = std::find(next, codes.end(), code);
    if (next == codes.end()) std::abort();
    ++next;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in{data, size};
  const std::uint8_t mode = in.Byte();
  ZAzudivozUDA reader;
  reader.MinCodeLen = static_cast<int8_t>(in.Byte()) % 20;
  reader.MaxCodeLen = static_cast<int8_t>(in.Byte()) % 30;
  reader.ExpectedCodes = static_cast<int8_t>(in.Byte()) % 6;
  reader.VirtualLaserSize = static_cast<int8_t>(in.Byte()) % 9;
  reader.VirtualLaserStep = static_cast<int8_t>(in.Byte()) % 9;
  reader.Quality = static_cast<TBarCodeQuality>(in.Byte() % 3);
  reader.VerifyCheckDigit = mode & 2;
  reader.CodeTypes = (mode & 4) ? 0x3FFFF : 0x1FFFF;

  const std::size_t blocksBefore = platform::LiveBlockCount();
  const platform::BlockOwner block((mode & 1) ? RawBlock(in) : DescribedBlock(in));
  int32_t count = 0;
  try {
    count = reader.ReadBarcodes(block.get());
  } catch (const platform::Exception&) {
    count = 0;  // an unreadable block or a format without dark pixels
  }
  if (count < 0 || count > ZAzudivozUDA::kResultCapacity || count != reader.CodeCount()) {
    std::abort();
  }
  std::vector<TBarCodeResult> codes;
  for (int32_t i = 0; i < count; ++i) {
    codes.push_back(reader.GetCode(i));
    if (codes.back().Text.empty() || codes.back().Text.size() > 255) std::abort();
  }
  // The codes a report shows: some whenever there are any, each one of the
  // reader's, in the reader's order.
  const std::vector<TBarCodeResult> shown = barcode::TrustedCodes(codes);
  if (shown.empty() != codes.empty()) std::abort();
  auto next = codes.begin();
  for (const TBarCodeResult& code : shown) {
    next = std::find(next, codes.end(), code);
    if (next == codes.end()) std::abort();
    ++next;
  }
  ReadOriented(reader, block.get(), mode);
  // The caller's block is still alive, and nothing else is.
  if (platform::LiveBlockCount() != blocksBefore + 1) std::abort();
  return 0;
}
