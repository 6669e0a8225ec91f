// Speed of the barcode reader on a corpus of barcode images (bc_* of the
// folder given), in process: every image is loaded and exported as a
// packed-DIB block once, before any timing, so the times are the reader's
// alone, with no process start and no file decoding.
//
//   report       for the reader's default types and for every type, read as
//                `verevizu barcode` reads by default (every orientation, the
//                codes it shows) and as --classic reads (the reader's own
//                upright sweep, ReadBarcodes): the median over the images of
//                each image's median time over --runs runs, in milliseconds,
//                as CPU time of the reading thread (which a busy machine
//                disturbs far less) and as wall time
//   BM_ReadCorpus/0 (default types), BM_ReadCorpus/1 (every type)
//                one pass over all the images per iteration, upright sweep
//   BM_ReadCorpusOriented/0, /1  the same, every orientation
//
// Usage: bench_barcode_corpus [--corpus=DIR] [--runs=N] [--no-report]
//                             [benchmark flags]
// DIR defaults to the corpus beside the repository (../shared/corpus).
#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "barcode/barcodereader.h"
#include "barcode/orientedreader.h"
#include "graphics/dibgraphic.h"
#include "platform/memory.h"

namespace {

constexpr TBarCodeTypes kEveryType = (TBarCodeTypes{1} << kBarCodeTypeCount) - 1;

struct Image {
  std::string name;
  platform::BlockOwner dib;
};

std::vector<Image>& Corpus() {
  static std::vector<Image> images;
  return images;
}

void LoadCorpus(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    const std::string ext = entry.path().extension().string();
    if (name.rfind("bc_", 0) == 0 && (ext == ".png" || ext == ".tif" || ext == ".bmp")) {
      names.push_back(name);
    }
  }
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    const auto graphic = LoadGraphicFromFile(folder + "/" + name, 1);
    Corpus().push_back({name, platform::BlockOwner(graphic->ExportPackedDib())});
  }
}

int32_t Read(const Image& image, TBarCodeTypes types) {
  ZAzudivozUDA reader;
  reader.CodeTypes = types;
  return reader.ReadBarcodes(image.dib.get());
}

// As `verevizu barcode` reads by default.
int32_t ReadOriented(const Image& image, TBarCodeTypes types) {
  ZAzudivozUDA settings;
  settings.CodeTypes = types;
  return static_cast<int32_t>(barcode::ShownCodes(barcode::ReadOrientedBarcodes(
                                                      settings, image.dib.get(), kEveryOrientation))
                                  .size());
}

using TRead = int32_t (*)(const Image&, TBarCodeTypes);

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double ThreadCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

struct PerImage {
  double cpuMs, wallMs;
};

// The median over the images of each image's median times, in milliseconds.
PerImage MedianMsPerImage(TRead read, TBarCodeTypes types, int runs) {
  std::vector<double> cpu, wall;
  for (const Image& image : Corpus()) {
    std::vector<double> cpuRuns, wallRuns;
    for (int i = 0; i < runs; ++i) {
      const auto start = std::chrono::steady_clock::now();
      const double cpuStart = ThreadCpuMs();
      benchmark::DoNotOptimize(read(image, types));
      cpuRuns.push_back(ThreadCpuMs() - cpuStart);
      wallRuns.push_back(
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
              .count());
    }
    cpu.push_back(Median(cpuRuns));
    wall.push_back(Median(wallRuns));
  }
  return {Median(cpu), Median(wall)};
}

void BM_ReadCorpus(benchmark::State& state) {
  const TBarCodeTypes types = state.range(0) == 0 ? kDefaultCodeTypes : kEveryType;
  for (auto _ : state) {
    for (const Image& image : Corpus()) benchmark::DoNotOptimize(Read(image, types));
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(Corpus().size()));
}
BENCHMARK(BM_ReadCorpus)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ReadCorpusOriented(benchmark::State& state) {
  const TBarCodeTypes types = state.range(0) == 0 ? kDefaultCodeTypes : kEveryType;
  for (auto _ : state) {
    for (const Image& image : Corpus()) benchmark::DoNotOptimize(ReadOriented(image, types));
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(Corpus().size()));
}
BENCHMARK(BM_ReadCorpusOriented)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  std::string folder = VEREVIZU_BENCH_CORPUS;
  int runs = 7;
  bool report = true;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--corpus=", 0) == 0) {
      folder = arg.substr(9);
    } else if (arg.rfind("--runs=", 0) == 0) {
      runs = std::max(1, std::stoi(arg.substr(7)));
    } else if (arg == "--no-report") {
      report = false;
    } else {
      std::cerr << "unknown argument: " << arg << "\n";
      return 2;
    }
  }
  LoadCorpus(folder);
  if (Corpus().empty()) {
    std::cerr << "no bc_* images in " << folder << "\n";
    return 2;
  }
  if (report) {
    std::printf("images\t%zu\nruns\t%d\n", Corpus().size(), runs);
    for (const auto& [reading, read] :
         {std::pair{"oriented", &ReadOriented}, std::pair{"classic", &Read}}) {
      for (const auto& [name, types] :
           {std::pair{"default_types", kDefaultCodeTypes}, std::pair{"every_type", kEveryType}}) {
        const PerImage ms = MedianMsPerImage(read, types, runs);
        std::printf("%s\t%s\tcpu_ms\t%.3f\twall_ms\t%.3f\n", reading, name, ms.cpuMs, ms.wallMs);
      }
    }
    std::fflush(stdout);
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
