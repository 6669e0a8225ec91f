// Arbitrary bytes as a glyph model file, as the build step that embeds the
// model reads it: parsed as they are, and again with their trailing hash
// made right, so that changes to the header and the weights reach past the
// checksum. A model that parses judges a glyph.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "glyphmodel/glyphmodel.h"

namespace {

void ParseAndJudge(std::span<const std::uint8_t> bytes) {
  try {
    const TGlyphModel model = ParseGlyphModel(bytes);
    TGlyphFeatures features{};
    features[0] = 1;
    Classify(model, features);
  } catch (const EGlyphModelError&) {
    // The parser's way of refusing a file.
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  ParseAndJudge(bytes);
  if (size >= 8) {
    std::vector<std::uint8_t> rehashed(data, data + size);
    const std::uint64_t h = GlyphModelHash(bytes.first(size - 8));
    for (int i = 0; i < 8; ++i) rehashed[size - 8 + i] = static_cast<std::uint8_t>(h >> (8 * i));
    ParseAndJudge(rehashed);
  }
  return 0;
}
