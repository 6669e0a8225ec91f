// Timings of the whole-raster passes every serial-reading pass runs, on a
// 24-bit note-sized raster (1228 x 522, a note at 200 dpi) and on an A4 page
// at 300 dpi (2480 x 3508): conversion of a true-colour scan to grey, the
// histogram with Otsu's threshold, thresholding to 1 bit, duplication and
// blob extraction on the binarised picture. A plain memcpy of the same bytes
// is timed beside them as the floor a whole-raster pass can reach.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "image/blobs.h"
#include "image/dibops.h"
#include "image/dibunit.h"
#include "viewer/dibgraphic.h"

namespace {

// Light paper with a faint gradient and rows of dark character-sized marks
// (20 x 30 pixel boxes with a hole), so that the blob search meets many
// small blobs as it does on a note or a text page.
std::unique_ptr<TDIB> Picture(int32_t width, int32_t height) {
  auto dib = std::make_unique<TDIB>();
  dib->NewImage(width, height, df24Bit, 300, 300);
  for (int32_t y = 0; y < height; ++y) {
    std::uint8_t* row = dib->Row(y);
    for (int32_t x = 0; x < width; ++x) {
      const int32_t cx = x % 32, cy = y % 48;
      const bool mark =
          cx >= 6 && cx < 26 && cy >= 9 && cy < 39 && !(cx >= 12 && cx < 20 && cy >= 17 && cy < 31);
      const auto paper = static_cast<std::uint8_t>(200 + (x + y) % 40);
      const auto ink = static_cast<std::uint8_t>(30 + (x * 7 + y) % 50);
      const std::uint8_t v = mark ? ink : paper;
      row[3 * x] = v;
      row[3 * x + 1] = static_cast<std::uint8_t>(v - v / 8);
      row[3 * x + 2] = static_cast<std::uint8_t>(v - v / 16);
    }
  }
  return dib;
}

std::unique_ptr<TDIB> Grey(int32_t width, int32_t height) {
  std::unique_ptr<TDIB> dib = Picture(width, height);
  dib->ConvertTo(df8Bit);
  return dib;
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->Args({1228, 522})->Args({2480, 3508})->Unit(benchmark::kMillisecond);
}

int32_t W(const benchmark::State& s) {
  return static_cast<int32_t>(s.range(0));
}
int32_t H(const benchmark::State& s) {
  return static_cast<int32_t>(s.range(1));
}

// The floor: copying the bytes of the 24-bit raster, and of the 8-bit one.
void BM_MemcpyTrueColour(benchmark::State& state) {
  const std::unique_ptr<TDIB> source = Picture(W(state), H(state));
  std::vector<std::uint8_t> target(static_cast<std::size_t>(source->BlockSize()));
  for (auto _ : state) {
    std::memcpy(target.data(), source->FBlock, target.size());
    benchmark::DoNotOptimize(target.data());
  }
}
BENCHMARK(BM_MemcpyTrueColour)->Apply(Sizes);

void BM_MemcpyGrey(benchmark::State& state) {
  const std::unique_ptr<TDIB> source = Grey(W(state), H(state));
  std::vector<std::uint8_t> target(static_cast<std::size_t>(source->BlockSize()));
  for (auto _ : state) {
    std::memcpy(target.data(), source->FBlock, target.size());
    benchmark::DoNotOptimize(target.data());
  }
}
BENCHMARK(BM_MemcpyGrey)->Apply(Sizes);

void BM_ConvertTrueColourToGrey(benchmark::State& state) {
  const std::unique_ptr<TDIB> source = Picture(W(state), H(state));
  for (auto _ : state) {
    state.PauseTiming();
    std::unique_ptr<TDIB> work = source->Duplicate();
    state.ResumeTiming();
    work->ConvertTo(df8Bit);
    benchmark::DoNotOptimize(work->Row(0));
  }
}
BENCHMARK(BM_ConvertTrueColourToGrey)->Apply(Sizes);

void BM_HistogramAndOtsu(benchmark::State& state) {
  const std::unique_ptr<TDIB> grey = Grey(W(state), H(state));
  for (auto _ : state) {
    THistogram h;
    grey->Histogram(h);
    benchmark::DoNotOptimize(OtsuThreshold(h));
  }
}
BENCHMARK(BM_HistogramAndOtsu)->Apply(Sizes);

void BM_ApplyThresholdToBilevel(benchmark::State& state) {
  const std::unique_ptr<TDIB> grey = Grey(W(state), H(state));
  for (auto _ : state) {
    state.PauseTiming();
    std::unique_ptr<TDIB> work = grey->Duplicate();
    state.ResumeTiming();
    work->ApplyThreshold(128, true, 0, 255);
    benchmark::DoNotOptimize(work->Row(0));
  }
}
BENCHMARK(BM_ApplyThresholdToBilevel)->Apply(Sizes);

void BM_DuplicateTrueColour(benchmark::State& state) {
  const std::unique_ptr<TDIB> source = Picture(W(state), H(state));
  for (auto _ : state) benchmark::DoNotOptimize(source->Duplicate());
}
BENCHMARK(BM_DuplicateTrueColour)->Apply(Sizes);

// Every blob of a binarised raster, as the serial reader and the speck eraser search.
void TimeFindBlobs(benchmark::State& state, const TDIB& bilevel) {
  int64_t blobs = 0;
  for (auto _ : state) {
    TBlobList list;
    bilevel.FindBlobs(8, 0, 0, 0, &list);
    blobs = list.Count();
  }
  state.counters["blobs"] = static_cast<double>(blobs);
}

void BM_FindBlobs(benchmark::State& state) {
  std::unique_ptr<TDIB> bilevel = Picture(W(state), H(state));
  bilevel->AutoThreshold(tmOtsu, true, 0, 255);
  TimeFindBlobs(state, *bilevel);
}
BENCHMARK(BM_FindBlobs)->Apply(Sizes);

// A fixture note binarised as the serial reader's first pass does it.
std::unique_ptr<TDIB> BinarisedNote(const char* name) {
  const std::unique_ptr<TDibGraphic> graphic =
      LoadGraphicFromFile(std::string(VEREVIZU_BENCH_NOTES) + "/" + name, 1);
  auto note = std::make_unique<TDIB>();
  note->AttachBlock(graphic->ExportPackedDib());
  if (note->Format() == df24Bit || note->Format() == df4Bit) note->ConvertTo(df8Bit);
  if (note->Format() == df8Bit) note->AutoThreshold(tmOtsu, true, 0, 255);
  return note;
}

void BM_FindBlobsNote(benchmark::State& state, const char* name) {
  TimeFindBlobs(state, *BinarisedNote(name));
}
BENCHMARK_CAPTURE(BM_FindBlobsNote, Usd, "note_usd_03.tif")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FindBlobsNote, Eur, "note_eur_03.tif")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FindBlobsNote, Lbp, "note_lbp_03.tif")->Unit(benchmark::kMillisecond);

}  // namespace
