// embed_glyph_model MODEL OUTPUT: the build step that compiles the glyph
// model into the library. It parses MODEL exactly as the library will, so a
// truncated or corrupt model stops the build with the parser's reason, and
// only then writes OUTPUT, a source file defining the model's bytes.
#include <cstdio>
#include <exception>
#include <fstream>
#include <iterator>
#include <vector>

#include "glyphmodel/glyphmodel.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: embed_glyph_model MODEL OUTPUT\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "embed_glyph_model: %s: cannot open the glyph model\n", argv[1]);
    return 1;
  }
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
  try {
    ParseGlyphModel(bytes);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "embed_glyph_model: %s: %s\n", argv[1], e.what());
    return 1;
  }
  const std::string temporary = std::string(argv[2]) + ".part";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << "// Written by embed_glyph_model from the glyph model file; do not edit.\n"
           "#include \"glyphmodel/embeddedmodel.h\"\n\n"
           "alignas(8) const std::uint8_t kEmbeddedGlyphModel[] = {";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      out << (i % 16 == 0 ? "\n   " : "") << ' ' << static_cast<unsigned>(bytes[i]) << ',';
    }
    out << "\n};\nconst std::size_t kEmbeddedGlyphModelSize = " << bytes.size() << ";\n";
    if (!out) {
      std::fprintf(stderr, "embed_glyph_model: %s: cannot write\n", temporary.c_str());
      return 1;
    }
  }
  if (std::rename(temporary.c_str(), argv[2]) != 0) {
    std::fprintf(stderr, "embed_glyph_model: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
