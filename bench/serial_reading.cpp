// Time of a serial reading in process, load excluded: every note of the
// measuring corpus is decoded and exported once, then the classic reader (and,
// with --verified, the verified reading; with --presented, the verified
// reading of the note found, levelled and turned upright in the picture) runs
// on it repeatedly. One benchmark
// per note and reader; after the runs the per-note medians are summarised by
// resolution: median, 90th percentile and the slowest note.
//
//   bench_serial_reading [--corpus DIR] [--notes REGEX] [--verified] [--presented] [--once]
//                        [google benchmark flags]
// --notes loads only the notes whose file name matches; --once reads each of
// them once without timing, a fixed amount of work for callgrind or perf.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "graphics/dibgraphic.h"
#include "image/dibunit.h"
#include "serial/presentedreader.h"
#include "serial/serialreader.h"
#include "serial/verifiedreader.h"

namespace {

struct TCorpusNote {
  std::string file, currency;
  int dpi = 0;
  std::unique_ptr<TDIB> raster;
};

// notes.tsv: file, currency, serial, dpi, ... with a header line.
std::vector<TCorpusNote> LoadCorpus(const std::string& dir, const std::regex& wanted) {
  std::ifstream tsv(dir + "/notes.tsv");
  if (!tsv) throw std::runtime_error("cannot open " + dir + "/notes.tsv");
  std::vector<TCorpusNote> notes;
  std::string line;
  std::getline(tsv, line);
  while (std::getline(tsv, line)) {
    std::istringstream fields(line);
    TCorpusNote note;
    std::string serial, dpi;
    std::getline(fields, note.file, '\t');
    std::getline(fields, note.currency, '\t');
    std::getline(fields, serial, '\t');
    std::getline(fields, dpi, '\t');
    note.dpi = std::stoi(dpi);
    if (!std::regex_search(note.file, wanted)) continue;
    const std::unique_ptr<TDibGraphic> graphic = LoadGraphicFromFile(dir + "/" + note.file, 1);
    note.raster = std::make_unique<TDIB>();
    note.raster->AttachBlock(graphic->ExportPackedDib());
    notes.push_back(std::move(note));
  }
  return notes;
}

void Classic(benchmark::State& state, const TCorpusNote* note) {
  for (auto _ : state) {
    std::string serial;
    double confidence = 0;
    ReadSerialNumber(*note->raster, "AUTO", serial, confidence);
    benchmark::DoNotOptimize(serial);
  }
}

void Verified(benchmark::State& state, const TCorpusNote* note) {
  for (auto _ : state) benchmark::DoNotOptimize(ReadVerifiedSerial(*note->raster, "AUTO"));
}

void Presented(benchmark::State& state, const TCorpusNote* note) {
  for (auto _ : state) benchmark::DoNotOptimize(ReadPresentedSerial(*note->raster, "AUTO"));
}

// Keeps each benchmark's median CPU time (ms) beside the usual console output.
class TMedianCollector : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> medians;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.aggregate_name == "median")
        medians[run.run_name.function_name] = run.GetAdjustedCPUTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

double Percentile(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  const std::size_t i = static_cast<std::size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
  return v[std::min(i, v.size() - 1)];
}

void PrintSummary(const std::string& reader, const std::vector<TCorpusNote>& notes,
                  const std::map<std::string, double>& medians) {
  std::map<int, std::vector<std::pair<double, std::string>>> byDpi;
  for (const TCorpusNote& note : notes) {
    const auto it = medians.find(reader + "/" + note.file);
    if (it != medians.end()) byDpi[note.dpi].emplace_back(it->second, note.file);
  }
  for (auto& [dpi, times] : byDpi) {
    std::vector<double> ms;
    for (const auto& t : times) ms.push_back(t.first);
    const auto worst = *std::max_element(times.begin(), times.end());
    std::printf("%-9s %3d dpi  %2zu notes  median %7.2f ms  p90 %7.2f ms  worst %7.2f ms (%s)\n",
                reader.c_str(), dpi, times.size(), Percentile(ms, 0.5), Percentile(ms, 0.9),
                worst.first, worst.second.c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::string corpus = VEREVIZU_BENCH_CORPUS;
  bool verified = false, presented = false, once = false;
  std::regex wanted(".");
  std::vector<char*> rest = {argv[0]};
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--corpus" && i + 1 < argc) {
      corpus = argv[++i];
    } else if (arg == "--notes" && i + 1 < argc) {
      wanted = std::regex(argv[++i]);
    } else if (arg == "--once") {
      once = true;
    } else if (arg == "--verified") {
      verified = true;
    } else if (arg == "--presented") {
      presented = true;
    } else {
      rest.push_back(argv[i]);
    }
  }
  int restCount = static_cast<int>(rest.size());
  benchmark::Initialize(&restCount, rest.data());

  const std::vector<TCorpusNote> notes = LoadCorpus(corpus, wanted);
  if (once) {
    for (const TCorpusNote& note : notes) {
      std::string serial;
      double confidence = 0;
      ReadSerialNumber(*note.raster, "AUTO", serial, confidence);
      if (verified) ReadVerifiedSerial(*note.raster, "AUTO");
      if (presented) ReadPresentedSerial(*note.raster, "AUTO");
    }
    return 0;
  }
  for (const TCorpusNote& note : notes) {
    benchmark::RegisterBenchmark(("classic/" + note.file).c_str(), Classic, &note)
        ->Unit(benchmark::kMillisecond)
        ->Repetitions(3)
        ->ReportAggregatesOnly(true);
    if (verified) {
      benchmark::RegisterBenchmark(("verified/" + note.file).c_str(), Verified, &note)
          ->Unit(benchmark::kMillisecond)
          ->Repetitions(3)
          ->ReportAggregatesOnly(true);
    }
    if (presented) {
      benchmark::RegisterBenchmark(("presented/" + note.file).c_str(), Presented, &note)
          ->Unit(benchmark::kMillisecond)
          ->Repetitions(3)
          ->ReportAggregatesOnly(true);
    }
  }
  TMedianCollector collector;
  benchmark::RunSpecifiedBenchmarks(&collector);
  std::printf("\nCPU time per note, medians of 3 repetitions:\n");
  PrintSummary("classic", notes, collector.medians);
  if (verified) PrintSummary("verified", notes, collector.medians);
  if (presented) PrintSummary("presented", notes, collector.medians);
  benchmark::Shutdown();
  return 0;
}
