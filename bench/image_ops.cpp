// Timings of the raster operations every serial-reading pass runs on a whole
// note: conversion of a true-colour scan to grey, Otsu's threshold, and blob
// extraction on the binarised note. The raster is 2000 x 1000 pixels, about a
// note scanned at 300 dpi.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>

#include "image/blobs.h"
#include "image/dibops.h"
#include "image/dibunit.h"

namespace {

constexpr int32_t kWidth = 2000;
constexpr int32_t kHeight = 1000;

// Light paper with a faint gradient and rows of dark character-sized marks
// (20 x 30 pixel boxes with a hole), so that the blob search meets many
// small blobs as it does on a note.
std::unique_ptr<TDIB> NotePicture() {
  auto dib = std::make_unique<TDIB>();
  dib->NewImage(kWidth, kHeight, df24Bit, 300, 300);
  for (int32_t y = 0; y < kHeight; ++y) {
    std::uint8_t* row = dib->Row(y);
    for (int32_t x = 0; x < kWidth; ++x) {
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

void BM_ConvertTrueColourToGrey(benchmark::State& state) {
  const std::unique_ptr<TDIB> source = NotePicture();
  for (auto _ : state) {
    state.PauseTiming();
    std::unique_ptr<TDIB> work = source->Duplicate();
    state.ResumeTiming();
    work->ConvertTo(df8Bit);
    benchmark::DoNotOptimize(work->Row(0));
  }
}
BENCHMARK(BM_ConvertTrueColourToGrey)->Unit(benchmark::kMillisecond);

void BM_HistogramAndOtsu(benchmark::State& state) {
  std::unique_ptr<TDIB> grey = NotePicture();
  grey->ConvertTo(df8Bit);
  for (auto _ : state) {
    THistogram h;
    grey->Histogram(h);
    benchmark::DoNotOptimize(OtsuThreshold(h));
  }
}
BENCHMARK(BM_HistogramAndOtsu)->Unit(benchmark::kMillisecond);

void BM_FindBlobs(benchmark::State& state) {
  std::unique_ptr<TDIB> bilevel = NotePicture();
  bilevel->AutoThreshold(tmOtsu, true, 0, 255);
  int64_t blobs = 0;
  for (auto _ : state) {
    TBlobList list;
    bilevel->FindBlobs(8, 0, 0, 0, &list);
    blobs = list.Count();
  }
  state.counters["blobs"] = static_cast<double>(blobs);
}
BENCHMARK(BM_FindBlobs)->Unit(benchmark::kMillisecond);

}  // namespace
