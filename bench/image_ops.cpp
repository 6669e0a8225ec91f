// Timings of the whole-raster passes every serial-reading pass runs, on a
// 24-bit note-sized raster (1228 x 522, a note at 200 dpi) and on an A4 page
// at 300 dpi (2480 x 3508): conversion of a true-colour scan to grey, the
// histogram with Otsu's threshold, thresholding to 1 bit, duplication and
// blob extraction on the binarised picture. A plain memcpy of the same bytes
// is timed beside them as the floor a whole-raster pass can reach.
//
// The Pass/... and Memcpy/... entries time the four per-pixel passes
// (conversion to grey from 24, 4 and 1 bit, grey from true colour, histogram,
// thresholding to 1 bit) on a fixture note, a 300-dpi note of the measuring
// corpus and the A4 page, each beside a memcpy of the bytes it reads (or
// writes, where the result is the larger); bench/image_ops.sh turns them into
// multiples of memcpy.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "graphics/dibgraphic.h"
#include "image/blobs.h"
#include "image/dibops.h"
#include "image/dibunit.h"

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

// ---- The per-pixel passes against memcpy, on real notes and the A4 page ----

// "note": a 300-dpi true-colour fixture note (odd width, so rows are padded);
// "corpus": a 300-dpi true-colour note of the measuring corpus; "a4": the
// synthetic A4 page at 300 dpi.
std::unique_ptr<TDIB> LoadNote(const std::string& path) {
  const std::unique_ptr<TDibGraphic> graphic = LoadGraphicFromFile(path, 1);
  auto note = std::make_unique<TDIB>();
  note->AttachBlock(graphic->ExportPackedDib());
  return note;
}

std::unique_ptr<TDIB> TrueColour(const std::string& source) {
  if (source == "note") return LoadNote(std::string(VEREVIZU_BENCH_NOTES) + "/note_usd_02.jpg");
  if (source == "corpus") return LoadNote(std::string(VEREVIZU_BENCH_CORPUS) + "/note_lbp_10.jpg");
  return Picture(2480, 3508);
}

// The source in `format`: the true-colour raster, its grey conversion, that
// grey in 4 bits, or its Otsu bilevel. Made once per source and format.
const TDIB& Source(const std::string& source, int32_t format) {
  // Never destroyed: the rasters' blocks must not be freed after the block
  // registry has gone at exit.
  static auto& made = *new std::map<std::pair<std::string, int32_t>, std::unique_ptr<TDIB>>;
  std::unique_ptr<TDIB>& dib = made[{source, format}];
  if (!dib) {
    dib = TrueColour(source);
    if (dib->Format() != df24Bit) throw std::runtime_error(source + " is not a true-colour scan");
    if (format != df24Bit) dib->ConvertTo(df8Bit);
    if (format == df4Bit) dib->ConvertTo(df4Bit);
    if (format == df1Bit) dib->AutoThreshold(tmOtsu, true, 0, 255);
  }
  return *dib;
}

void MemcpyOf(benchmark::State& state, const std::string& source, int32_t format) {
  const TDIB& dib = Source(source, format);
  std::vector<std::uint8_t> target(static_cast<std::size_t>(dib.BlockSize()));
  for (auto _ : state) {
    std::memcpy(target.data(), dib.FBlock, target.size());
    benchmark::DoNotOptimize(target.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * dib.BlockSize());
}

// Times `pass` on a fresh duplicate of the source each iteration (the
// duplication is not timed).
template <class Pass>
void OnDuplicate(benchmark::State& state, const std::string& source, int32_t format, Pass pass) {
  const TDIB& dib = Source(source, format);
  for (auto _ : state) {
    state.PauseTiming();
    std::unique_ptr<TDIB> work = dib.Duplicate();
    state.ResumeTiming();
    pass(*work);
    benchmark::DoNotOptimize(work->Row(0));
    state.PauseTiming();
    work.reset();
    state.ResumeTiming();
  }
}

void PassToGrey(benchmark::State& state, const std::string& source, int32_t format) {
  OnDuplicate(state, source, format, [](TDIB& dib) { dib.ConvertTo(df8Bit); });
}
void PassMeanGrey(benchmark::State& state, const std::string& source) {
  OnDuplicate(state, source, df24Bit, [](TDIB& dib) { dib.RGBToGrey(false, true, true, true); });
}
void PassThresholdToBilevel(benchmark::State& state, const std::string& source) {
  OnDuplicate(state, source, df8Bit, [](TDIB& dib) { dib.ApplyThreshold(128, true, 0, 255); });
}
void PassHistogram(benchmark::State& state, const std::string& source, int32_t format) {
  const TDIB& dib = Source(source, format);
  THistogram h;
  for (auto _ : state) {
    dib.Histogram(h);
    benchmark::DoNotOptimize(h.data());
    benchmark::ClobberMemory();
  }
}

// Median CPU times over repetitions: the machine is shared.
void Register() {
  const std::vector<std::pair<const char*, int32_t>> formats = {
      {"24", df24Bit}, {"8", df8Bit}, {"4", df4Bit}, {"1", df1Bit}};
  for (const std::string source : {"note", "corpus", "a4"}) {
    auto add = [&](const std::string& name, auto fn) {
      benchmark::RegisterBenchmark((name + "/" + source).c_str(), fn)
          ->Unit(benchmark::kMicrosecond)
          ->Repetitions(5)
          ->ReportAggregatesOnly(true);
    };
    for (const auto& [bits, format] : formats) {
      add("Memcpy/" + std::string(bits),
          [source, format](benchmark::State& s) { MemcpyOf(s, source, format); });
    }
    add("Pass/ConvertTo8From24", [source](benchmark::State& s) { PassToGrey(s, source, df24Bit); });
    add("Pass/ConvertTo8From4", [source](benchmark::State& s) { PassToGrey(s, source, df4Bit); });
    add("Pass/ConvertTo8From1", [source](benchmark::State& s) { PassToGrey(s, source, df1Bit); });
    add("Pass/RGBToGreyMean", [source](benchmark::State& s) { PassMeanGrey(s, source); });
    add("Pass/Histogram8", [source](benchmark::State& s) { PassHistogram(s, source, df8Bit); });
    add("Pass/Histogram24", [source](benchmark::State& s) { PassHistogram(s, source, df24Bit); });
    add("Pass/ThresholdToBilevel",
        [source](benchmark::State& s) { PassThresholdToBilevel(s, source); });
  }
}

const bool kRegistered = (Register(), true);

}  // namespace
