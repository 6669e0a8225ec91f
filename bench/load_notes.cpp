// Timings of the viewer's load path on the fixture notes, one per kind of
// scan the reader meets: a G4 fax TIFF, an LZW grey TIFF, a JPEG and a PNG,
// and a metafile that holds a note as a bitmap.
// Each iteration decodes the file's bytes (read once, before timing) and
// exports the picture as a packed-DIB block, which is what the serial reader
// receives from the viewer, then frees the block.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "graphics/dibgraphic.h"
#include "platform/memory.h"

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

void Put16(std::vector<std::uint8_t>& out, int v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  Put16(out, static_cast<int>(v & 0xFFFF));
  Put16(out, static_cast<int>(v >> 16));
}

// A placeable metafile at 96 units per inch whose one record stretches the
// note's packed DIB over the whole frame: the page is the note's size.
std::vector<std::uint8_t> NoteAsMetafile(const std::string& path) {
  const std::unique_ptr<TDibGraphic> note = LoadGraphicFromFile(path, 1);
  const std::span<const std::uint8_t> dib = note->PackedDib();
  const int w = note->Width(), h = note->Height();
  std::vector<std::uint8_t> f;
  Put32(f, 0x9AC6CDD7);
  for (const int v : {0, 0, 0, w, h, 96, 0, 0}) Put16(f, v);
  f.resize(22);
  std::uint16_t checksum = 0;
  for (std::size_t i = 0; i < 20; i += 2)
    checksum ^= static_cast<std::uint16_t>(f[i] | f[i + 1] << 8);
  f[20] = static_cast<std::uint8_t>(checksum), f[21] = static_cast<std::uint8_t>(checksum >> 8);
  const std::uint32_t recordWords = static_cast<std::uint32_t>(3 + 11 + (dib.size() + 1) / 2);
  for (const int v : {1, 9, 0x0300}) Put16(f, v);
  Put32(f, 9 + recordWords + 3);
  Put16(f, 0);
  Put32(f, recordWords);
  Put16(f, 0);
  Put32(f, recordWords);
  Put16(f, 0x0F43);  // stretch a DIB, copying its pixels
  for (const int v : {0x0020, 0x00CC, 0, h, w, 0, 0, h, w, 0, 0}) Put16(f, v);
  f.insert(f.end(), dib.begin(), dib.end());
  if (dib.size() % 2 != 0) f.push_back(0);
  Put32(f, 3);
  Put16(f, 0);
  return f;
}

// The metafile is drawn in a child process: wall time is what a user waits.
void LoadMetafileAndExport(benchmark::State& state) {
  const std::vector<std::uint8_t> bytes =
      NoteAsMetafile(std::string(VEREVIZU_BENCH_NOTES) + "/note_usd_03.tif");
  for (auto _ : state) {
    const std::unique_ptr<TDibGraphic> graphic = LoadGraphic("note.wmf", bytes, 1);
    const platform::BlockHandle dib = graphic->ExportPackedDib();
    benchmark::DoNotOptimize(dib);
    platform::FreeBlock(dib);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(bytes.size()));
}

}  // namespace

BENCHMARK(LoadMetafileAndExport)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(LoadAndExport, G4Tiff, "note_usd_05.tif")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LoadAndExport, LzwGreyTiff, "note_usd_03.tif")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LoadAndExport, Jpeg, "note_usd_01.jpg")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(LoadAndExport, Png, "note_usd_06.png")->Unit(benchmark::kMillisecond);
