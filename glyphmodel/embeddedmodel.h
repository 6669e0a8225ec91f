// The model file compiled into the library: the build writes its bytes into
// a source file (embed_glyph_model.cpp), after checking that they parse.
#pragma once

#include <cstddef>
#include <cstdint>

extern const std::uint8_t kEmbeddedGlyphModel[];
extern const std::size_t kEmbeddedGlyphModelSize;
