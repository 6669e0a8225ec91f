// Fits and checks the verified reading's confidence on corpora of note
// scans with their truth (notes.tsv: file, currency, serial, ...).
//
//   bench_serial_confidence [--reliability OUT.tsv] CORPUS_DIR...
//
// Every note is read once with the verified reading. The program prints
//   1. per family of sources (recognisers, classifier, barcode), how often
//      the character it read at a position was wrong;
//   2. per backing (which families verified a position), how many verified
//      positions there were and how many were wrong, per corpus and in all,
//      and the error rates the reader's confidence uses, fitted on all
//      corpora as a C++ initializer: (wrong + 1) / (positions + 2) over the
//      positions of the backing's class (kClassOf);
//   3. the reliability of the confidence, cross-validated: the notes of each
//      corpus with rates fitted on the other corpora only, in bins of
//      confidence (notes, right, mean confidence); and the same for the
//      confidence the reader reports.
// --reliability writes one line per valid note: file, corpus, the
// cross-validated confidence, the reported confidence, 1 if right else 0
// (bench/reliability_diagram.cpp draws it).
#include <array>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "graphics/dibgraphic.h"
#include "image/dibunit.h"
#include "serial/serialevidence.h"
#include "serial/verifiedreader.h"

using serial_detail::ReadingConfidence;
using serial_detail::TBackingErrorRates;

namespace {

constexpr std::array<const char*, kSerialBackings> kBackingNames = {
    "open",
    "recognisers and classifier",
    "recognisers and barcode",
    "classifier and barcode",
    "two against one",
    "classifier in both zones",
    "check value",
};

// Backings whose positions are counted together: two or three independent
// families agreeing with none against them, a glyph the classifier alone
// read in both zones, and a dispute or an open digit settled by further
// evidence.
constexpr std::array<int, kSerialBackings> kClassOf = {0, 1, 1, 1, 3, 2, 3};
constexpr int kClasses = 4;

struct TNote {
  std::size_t Corpus = 0;
  std::string File, Truth;
  TVerifiedSerial Read;
  bool Right() const { return Read.Valid && Read.Serial == Truth; }
  // Whether the positions line up with the truth's characters.
  bool Aligned() const { return Read.Positions.size() == Truth.size(); }
};

std::vector<TNote> ReadCorpus(const std::string& dir, std::size_t corpus) {
  std::ifstream tsv(dir + "/notes.tsv");
  if (!tsv) throw std::runtime_error("cannot open " + dir + "/notes.tsv");
  std::vector<TNote> notes;
  std::string line;
  std::getline(tsv, line);
  while (std::getline(tsv, line)) {
    std::istringstream fields(line);
    TNote note;
    std::string currency;
    std::getline(fields, note.File, '\t');
    std::getline(fields, currency, '\t');
    std::getline(fields, note.Truth, '\t');
    note.Corpus = corpus;
    const std::unique_ptr<TDibGraphic> graphic = LoadGraphicFromFile(dir + "/" + note.File, 1);
    TDIB raster;
    raster.AttachBlock(graphic->ExportPackedDib());
    note.Read = ReadVerifiedSerial(raster, "AUTO");
    notes.push_back(std::move(note));
  }
  return notes;
}

struct TCount {
  int Positions = 0, Wrong = 0;
};

void PrintFamilies(const std::vector<TNote>& notes) {
  std::array<TCount, 3> families{};
  for (const TNote& n : notes) {
    if (!n.Aligned()) continue;
    for (std::size_t i = 0; i < n.Truth.size(); ++i) {
      const TSerialPosition& p = n.Read.Positions[i];
      const char reads[3] = {p.Recognisers, p.ClassifierProbability >= 0.5f ? p.Classifier : '\0',
                             p.Barcode};
      for (std::size_t f = 0; f < 3; ++f) {
        if (reads[f] == 0) continue;
        ++families[f].Positions;
        if (reads[f] != n.Truth[i]) ++families[f].Wrong;
      }
    }
  }
  std::printf("| family | positions read | wrong |\n|---|---|---|\n");
  const char* names[3] = {"recognisers (elected)", "classifier (probability 0.5 or more)",
                          "barcode"};
  for (std::size_t f = 0; f < 3; ++f)
    std::printf("| %s | %d | %d |\n", names[f], families[f].Positions, families[f].Wrong);
}

// Verified positions and wrong ones per backing, over the notes of the
// corpora `use` says.
std::array<TCount, kSerialBackings> CountBackings(const std::vector<TNote>& notes,
                                                  const std::vector<bool>& use) {
  std::array<TCount, kSerialBackings> counts{};
  for (const TNote& n : notes) {
    if (!use[n.Corpus] || !n.Aligned()) continue;
    for (std::size_t i = 0; i < n.Truth.size(); ++i) {
      const TSerialPosition& p = n.Read.Positions[i];
      if (p.Backing == TSerialBacking::Open) continue;
      TCount& c = counts[static_cast<std::size_t>(p.Backing)];
      ++c.Positions;
      if (p.Verified != n.Truth[i]) ++c.Wrong;
    }
  }
  return counts;
}

TBackingErrorRates Fit(const std::array<TCount, kSerialBackings>& counts) {
  std::array<TCount, kClasses> pooled{};
  for (std::size_t b = 1; b < kSerialBackings; ++b) {
    pooled[kClassOf[b]].Positions += counts[b].Positions;
    pooled[kClassOf[b]].Wrong += counts[b].Wrong;
  }
  TBackingErrorRates rates{};
  rates[0] = 1;
  for (std::size_t b = 1; b < kSerialBackings; ++b) {
    const TCount& c = pooled[kClassOf[b]];
    rates[b] = (c.Wrong + 1.0) / (c.Positions + 2.0);
  }
  return rates;
}

struct TBin {
  double Low;
  const char* Name;
  int Notes = 0, Right = 0;
  double Sum = 0;
};

void PrintReliability(const char* title, const std::vector<std::pair<double, bool>>& readings) {
  std::array<TBin, 6> bins = {{{99.5, "99.5 to 100"},
                               {99, "99 to 99.5"},
                               {98, "98 to 99"},
                               {95, "95 to 98"},
                               {90, "90 to 95"},
                               {0, "below 90"}}};
  for (const auto& [confidence, right] : readings) {
    for (TBin& b : bins) {
      if (confidence < b.Low) continue;
      ++b.Notes;
      b.Right += right ? 1 : 0;
      b.Sum += confidence;
      break;
    }
  }
  std::printf(
      "\n%s\n\n| confidence | valid notes | right | observed %% | mean confidence |\n"
      "|---|---|---|---|---|\n",
      title);
  for (const TBin& b : bins) {
    if (b.Notes == 0) continue;
    std::printf("| %s | %d | %d | %.2f | %.2f |\n", b.Name, b.Notes, b.Right,
                100.0 * b.Right / b.Notes, b.Sum / b.Notes);
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> dirs;
  std::string reliabilityFile;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--reliability" && i + 1 < argc) {
      reliabilityFile = argv[++i];
    } else {
      dirs.push_back(arg);
    }
  }
  if (dirs.empty()) {
    std::fprintf(stderr, "usage: bench_serial_confidence [--reliability OUT.tsv] CORPUS_DIR...\n");
    return 2;
  }
  std::vector<TNote> notes;
  for (std::size_t c = 0; c < dirs.size(); ++c) {
    for (TNote& n : ReadCorpus(dirs[c], c)) notes.push_back(std::move(n));
  }

  PrintFamilies(notes);

  std::printf("\n| backing |");
  for (const std::string& d : dirs) std::printf(" %s |", d.c_str());
  std::printf(" all | fitted rate |\n|---|");
  for (std::size_t c = 0; c <= dirs.size() + 1; ++c) std::printf("---|");
  std::printf("\n");
  std::vector<std::array<TCount, kSerialBackings>> perCorpus;
  for (std::size_t c = 0; c < dirs.size(); ++c) {
    std::vector<bool> use(dirs.size(), false);
    use[c] = true;
    perCorpus.push_back(CountBackings(notes, use));
  }
  const auto all = CountBackings(notes, std::vector<bool>(dirs.size(), true));
  const TBackingErrorRates fitted = Fit(all);
  for (std::size_t b = 1; b < kSerialBackings; ++b) {
    std::printf("| %s |", kBackingNames[b]);
    for (const auto& counts : perCorpus)
      std::printf(" %d of %d wrong |", counts[b].Wrong, counts[b].Positions);
    std::printf(" %d of %d wrong | %.6f |\n", all[b].Wrong, all[b].Positions, fitted[b]);
  }
  std::printf("\nconst TBackingErrorRates kBackingErrorRates = {");
  for (std::size_t b = 0; b < kSerialBackings; ++b) std::printf("%s%.6g", b ? ", " : "", fitted[b]);
  std::printf("};\n");

  std::vector<std::pair<double, bool>> crossValidated, reported;
  std::ofstream out;
  if (!reliabilityFile.empty()) out.open(reliabilityFile);
  for (std::size_t c = 0; c < dirs.size(); ++c) {
    std::vector<bool> others(dirs.size(), true);
    others[c] = dirs.size() == 1;  // with one corpus there is nothing else to fit on
    const TBackingErrorRates rates = Fit(CountBackings(notes, others));
    for (const TNote& n : notes) {
      if (n.Corpus != c || !n.Read.Valid) continue;
      const double held = ReadingConfidence(n.Read.Positions, rates);
      crossValidated.push_back({held, n.Right()});
      reported.push_back({n.Read.Confidence, n.Right()});
      if (out) {
        out << n.File << '\t' << dirs[c] << '\t' << held << '\t' << n.Read.Confidence << '\t'
            << (n.Right() ? 1 : 0) << '\n';
      }
    }
  }
  int valid = 0, right = 0;
  for (const TNote& n : notes) {
    valid += n.Read.Valid ? 1 : 0;
    right += n.Right() ? 1 : 0;
  }
  std::printf("\n%zu notes, %d valid, %d of them right\n", notes.size(), valid, right);
  PrintReliability("Cross-validated (each corpus with rates fitted on the others):",
                   crossValidated);
  PrintReliability("As reported (the rates compiled into the reader):", reported);
  return 0;
}
