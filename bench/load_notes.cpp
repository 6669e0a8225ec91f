// Timings of the viewer's load path on the fixture notes, one per kind of
// scan the reader meets: a G4 fax TIFF, an LZW grey TIFF, a JPEG and a PNG.
// Each iteration decodes the file's bytes (read once, before timing) and
// exports the picture as a packed-DIB block, which is what the serial reader
// receives from the viewer, then frees the block.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/memory.h"
#include "viewer/dibgraphic.h"

namespace {

std::vector<std::uint8_t> ReadNote(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void LoadAndExport(benchmark::State& state, const char* name) {
  const std::string path = std::string(VEREVIZU_BENCH_NOTES) + "/" + name;
  const std::vector<std::uint8_t> bytes = ReadNote(path);
  for (auto _ : state) {
    const std::unique_ptr<TDibGraphic> graphic = LoadGraphic(path, bytes, 1);
    const platform::BlockHandle dib = graphic->ExportPackedDib();
    benchmark::DoNotOptimize(dib);
    platform::FreeBlock(dib);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(bytes.size()));
}

}  // namespace

BENCHMARK_CAPTURE(LoadAndExport, G4Tiff, "note_usd_05.tif")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LoadAndExport, LzwGreyTiff, "note_usd_03.tif")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LoadAndExport, Jpeg, "note_usd_01.jpg")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LoadAndExport, Png, "note_usd_06.png")->Unit(benchmark::kMillisecond);
