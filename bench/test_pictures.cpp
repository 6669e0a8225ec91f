// Pictures for measuring the readers, written as bitmaps (.bmp):
//
//   bench_test_pictures turn --angle=DEGREES OUT_DIR FILE...
//   bench_test_pictures turn --tilt=SEED,MAX OUT_DIR FILE...
//       turned copies of images, as documents and labels are turned in
//       practice: each image loaded through the picture registry and turned
//       clockwise by the raster's TurnedCopy (8-bit grey, on a canvas that
//       holds all of it, quarter turns exact), keeping its resolution. --angle turns every image by
//       DEGREES; --tilt by an angle drawn for each image from -MAX to MAX,
//       the same for the same SEED and file name, and prints
//       "NAME<TAB>DEGREES" per image. A copy keeps the file's name with the
//       extension .bmp.
//   bench_test_pictures noise --seed=SEED OUT_DIR
//       pictures of pure noise that hold no code, the same for the same
//       SEED: noise_bw_* (1 bit), noise_grey_* (8-bit grey) and
//       noise_colour_* (24-bit), with 10, 25 and 50 % of dark grains of one
//       or 3 x 3 pixels, at 640 x 480 and 1600 x 1200.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "graphics/dibgraphic.h"
#include "image/dibunit.h"
#include "image/turning.h"
#include "platform/memory.h"

namespace {

// The raster's block behind a 14-byte bitmap file header.
void WriteBitmap(const TDIB& dib, const std::filesystem::path& path) {
  const auto size = static_cast<uint32_t>(dib.BlockSize());
  const uint32_t offset = 14 + kInfoHeaderSize + 4 * dib.Colours();
  std::uint8_t header[14] = {'B', 'M'};
  WriteLE32(header + 2, 14 + size);
  WriteLE32(header + 10, offset);
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(header), sizeof header);
  platform::BlockLock lock(dib.BlockHandle());
  out.write(reinterpret_cast<const char*>(lock.data()), size);
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

// Noise of one kind, w x h, from `draw`: grains of `grain` x `grain`
// pixels, each dark (below the middle grey) with chance `density`; a grey
// grain takes any level of its half, a colour grain any colour of it.
std::unique_ptr<TDIB> Noise(TDIBFormat format, int32_t w, int32_t h, double density, int32_t grain,
                            std::mt19937& draw) {
  auto dib = std::make_unique<TDIB>();
  dib->NewImage(w, h, format, 200, 200);
  const int32_t black = format == df1Bit ? dib->BlackValue() : 0;
  auto uniform = [&] { return draw() / 4294967296.0; };
  std::vector<std::array<std::uint8_t, 3>> grains(
      static_cast<std::size_t>((w + grain - 1) / grain));
  for (int32_t y = 0; y < h; ++y) {
    if (y % grain == 0) {
      for (auto& g : grains) {
        const bool dark = uniform() < density;
        for (std::uint8_t& c : g) {
          // A colour's channels average below 128 when they each lie there.
          c = static_cast<std::uint8_t>(dark ? draw() % 128 : 128 + draw() % 128);
        }
      }
    }
    for (int32_t x = 0; x < w; ++x) {
      const auto& g = grains[static_cast<std::size_t>(x / grain)];
      if (format == df1Bit) {
        dib->SetPixel(x, y, g[0] < 128 ? black : 1 - black);
      } else if (format == df8Bit) {
        dib->Row(y)[x] = g[0];
      } else {
        std::copy(g.begin(), g.end(), dib->Row(y) + 3 * x);
      }
    }
  }
  return dib;
}

// An angle from -max to max, the same for the same seed and name.
double TiltFor(const std::string& name, uint32_t seed, double max) {
  std::seed_seq seq{seed, static_cast<uint32_t>(std::hash<std::string>{}(name)&0xFFFFFFFF)};
  std::mt19937 draw(seq);
  return -max + 2 * max * (draw() / 4294967296.0);
}

int Turn(const std::vector<std::string>& args) {
  if (args.size() < 2) throw std::invalid_argument("turn needs an angle and a folder");
  double angle = 0, max = 0;
  uint32_t seed = 0;
  const bool tilt = args[0].rfind("--tilt=", 0) == 0;
  if (tilt) {
    const std::string seedAndMax = args[0].substr(7);  // SEED,MAX_DEGREES
    seed = static_cast<uint32_t>(std::stoul(seedAndMax.substr(0, seedAndMax.find(','))));
    max = std::stod(seedAndMax.substr(seedAndMax.find(',') + 1));
  } else if (args[0].rfind("--angle=", 0) == 0) {
    angle = std::stod(args[0].substr(8));
  } else {
    throw std::invalid_argument("turn: give --angle or --tilt first");
  }
  const std::filesystem::path out = args[1];
  std::filesystem::create_directories(out);
  for (std::size_t i = 2; i < args.size(); ++i) {
    const std::filesystem::path file = args[i];
    const std::string name = file.filename().string();
    const auto graphic = LoadGraphicFromFile(file.string(), 1);
    TDIB dib;
    dib.AttachBlock(graphic->ExportPackedDib());
    const double degrees = tilt ? TiltFor(name, seed, max) : angle;
    WriteBitmap(*TurnedCopy(dib, degrees), out / file.filename().replace_extension(".bmp"));
    if (tilt) std::printf("%s\t%.2f\n", name.c_str(), degrees);
  }
  return 0;
}

int MakeNoise(const std::vector<std::string>& args) {
  if (args.size() != 2 || args[0].rfind("--seed=", 0) != 0) {
    throw std::invalid_argument("noise needs --seed=SEED and a folder");
  }
  std::mt19937 draw(static_cast<uint32_t>(std::stoul(args[0].substr(7))));
  const std::filesystem::path out = args[1];
  std::filesystem::create_directories(out);
  const std::pair<TDIBFormat, const char*> kinds[] = {
      {df1Bit, "bw"}, {df8Bit, "grey"}, {df24Bit, "colour"}};
  for (const auto& [format, kind] : kinds) {
    for (const double density : {0.1, 0.25, 0.5}) {
      for (const int32_t grain : {1, 3}) {
        for (const auto& [w, h] : {std::pair{640, 480}, std::pair{1600, 1200}}) {
          const std::string name = "noise_" + std::string(kind) + "_" +
                                   std::to_string(static_cast<int>(density * 100)) + "pc_grain" +
                                   std::to_string(grain) + "_" + std::to_string(w) + "x" +
                                   std::to_string(h) + ".bmp";
          WriteBitmap(*Noise(format, w, h, density, grain, draw), out / name);
        }
      }
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  try {
    if (!args.empty() && args[0] == "turn") return Turn({args.begin() + 1, args.end()});
    if (!args.empty() && args[0] == "noise") return MakeNoise({args.begin() + 1, args.end()});
  } catch (const std::exception& e) {
    std::cerr << "bench_test_pictures: " << e.what() << "\n";
    return 2;
  }
  std::cerr << "usage: bench_test_pictures turn --angle=DEGREES|--tilt=SEED,MAX OUT_DIR FILE...\n"
               "       bench_test_pictures noise --seed=SEED OUT_DIR\n";
  return 2;
}
