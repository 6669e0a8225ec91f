// Top-1 accuracy of the recognisers and the classifier on the glyphs of
// character sheets, with the confusions: the figures behind the recogniser
// rules, printed rather than asserted.
//
//   bench_glyph_accuracy REPORT [--art=FILE] [--full] [--verbose] [--all]
//
// REPORT is one of
//   letters-a-l   the recognisers A to L on every glyph of FILE (default: the
//                 test data's two fonts): per letter right/seen and the
//                 confusions; glyphs of other characters count when a
//                 recogniser proposes a letter for them at 90 or more. --full
//                 reads with the whole classifier instead, --verbose prints
//                 the candidates of every miss, --all those of every glyph.
//   letters-m-z   the whole classifier on every glyph M to Z (both cases).
//   m-z-elsewhere the recognisers M to Z on every other glyph: the proposals
//                 they make at 90 or more.
//   symbols       the whole classifier on every glyph, per symbol and summed
//                 over the letters and over the digits; --verbose prints the
//                 candidates of every symbol glyph.
// FILE is a glyph art file written by tests/data/glyphs/sheet_art.py (from all
// sheets, for the full figures); the default is the test data's file of the
// report's characters.
#include <cstdio>
#include <exception>
#include <map>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "tests/ocr/sheet_glyphs.h"

namespace {

using sheet_glyphs::TGlyphUnderTest;
using sheet_glyphs::TSheetGlyph;

const std::string kGlyphData = std::string(VEREVIZU_BENCH_GLYPHS);

// Proposals at this confidence or more count as the recogniser's reading.
constexpr int32_t kSure = 90;
// The euro sign of the sheets is read as code 0x80, its place in the 8-bit code page.
constexpr char16_t kEuroShape = 0x80;

struct TOptions {
  std::string report, art;
  bool full = false, verbose = false, all = false;
};

std::string Show(char16_t ch) {
  if (ch == NoChar) return "none";
  if (ch == kEuroShape) return "0x80";
  return platform::WideToUtf8(std::u16string(1, ch));
}

char16_t Capital(char16_t ch) {
  return ch >= u'a' && ch <= u'z' ? static_cast<char16_t>(ch - 32) : ch;
}

bool InMToZ(char16_t ch) {
  return Capital(ch) >= u'M' && Capital(ch) <= u'Z';
}

void PrintCandidates(const std::string& label, const TCharRecord& r) {
  std::printf("%s:", label.c_str());
  for (int32_t i = 0; i < r.CandCount; ++i)
    std::printf(" %s %d", Show(r.Cands[i]).c_str(), r.Confs[i]);
  std::printf("\n");
}

// Right and seen per key, with what the misses were read as.
struct TTally {
  int32_t total = 0, right = 0;
  std::map<std::string, int32_t> confusions;
};

void PrintTallies(const std::map<std::string, TTally>& tallies) {
  int32_t total = 0, right = 0;
  for (const auto& [key, t] : tallies) {
    total += t.total;
    right += t.right;
    std::string line = key + "  " + std::to_string(t.right) + "/" + std::to_string(t.total);
    for (const auto& [what, n] : t.confusions)
      line += "  " + what + (n > 1 ? " x" + std::to_string(n) : "");
    std::printf("%s\n", line.c_str());
  }
  std::printf("all  %d/%d\n", right, total);
}

const std::vector<TRecogniser> kAToL = {RecogniseA,  RecogniseB, RecogniseC, RecogniseD,
                                        RecogniseE,  RecogniseF, RecogniseG, RecogniseH,
                                        RecogniseIJ, RecogniseK, RecogniseL};
const std::vector<TRecogniser> kMToZ = {RecogniseM, RecogniseN, RecogniseO, RecogniseP, RecogniseQ,
                                        RecogniseR, RecogniseS, RecogniseT, RecogniseU, RecogniseV,
                                        RecogniseX, RecogniseY, RecogniseZ, RecogniseW};

// Runs each recogniser as the dispatcher does: an exception ends it only.
void RunGuarded(const std::vector<TRecogniser>& recognisers, TOmnifontOCR& engine,
                TGlyphContext& context) {
  for (const TRecogniser recognise : recognisers) {
    try {
      recognise(engine, context);
    } catch (const std::exception&) {
    }
  }
}

// The whole classifier, letters allowed. As the engine's second attempt
// does, a weak reading is tried once more on a crop of the box the
// dispatcher left (it may have moved the top below a detached dot).
void ClassifyTwice(TOmnifontOCR& engine, TGlyphUnderTest& glyph) {
  TCharRecord& r = glyph.record();
  ClassifyGlyph(engine, r, glyph.crop(), testing_raster::kThreshold);
  if (r.CandCount > 0 && r.Confs[0] >= 95) return;
  const std::unique_ptr<TDIB> crop = r.Raster->Crop(r.Left, r.Top, r.Right, r.Bottom);
  ClassifyGlyph(engine, r, *crop, testing_raster::kThreshold);
}

void LettersAToL(const TOptions& o) {
  const std::u16string letters = u"ABCDEFGHIJKLabcdefghijkl";
  std::map<std::string, TTally> tallies;
  for (const TSheetGlyph& g : sheet_glyphs::ReadSheetGlyphs(o.art)) {
    TOmnifontOCR engine;
    engine.NumericOnly = false;
    TGlyphUnderTest glyph(engine, g);
    if (o.full) {
      ClassifyTwice(engine, glyph);
    } else {
      for (const TRecogniser recognise : kAToL) recognise(engine, glyph.context());
    }
    const TCharRecord& r = glyph.record();
    if (o.all) PrintCandidates(g.font + " " + Show(g.ch), r);
    const bool ours = letters.find(g.ch) != std::u16string::npos;
    const bool sure = r.CandCount > 0 && r.Confs[0] >= kSure;
    if (!ours && !sure) continue;
    TTally& t = tallies[Show(g.ch)];
    ++t.total;
    if (r.Ch == g.ch) {
      ++t.right;
      continue;
    }
    ++t.confusions["->" + Show(r.Ch)];
    if (o.verbose) {
      PrintCandidates(g.font + " " + Show(g.ch) + " (box " + std::to_string(r.Left) + " " +
                          std::to_string(r.Top) + " " + std::to_string(r.Right) + " " +
                          std::to_string(r.Bottom) + ", marks " + std::to_string(r.MarksAbove) +
                          ")",
                      r);
    }
  }
  PrintTallies(tallies);
}

void LettersMToZ(const TOptions& o) {
  std::map<std::string, TTally> tallies;
  TOmnifontOCR engine;
  engine.NumericOnly = false;
  for (const TSheetGlyph& g : sheet_glyphs::ReadSheetGlyphs(o.art)) {
    if (!InMToZ(g.ch)) continue;
    TGlyphUnderTest glyph(engine, g);
    ClassifyGlyph(engine, glyph.record(), glyph.crop(), testing_raster::kThreshold);
    TTally& t = tallies[Show(g.ch)];
    ++t.total;
    const char16_t top = glyph.record().Ch;
    if (top == g.ch) {
      ++t.right;
    } else {
      ++t.confusions[Show(top) + " (" + g.font + ")"];
    }
  }
  PrintTallies(tallies);
}

void MToZElsewhere(const TOptions& o) {
  TOmnifontOCR engine;
  int32_t glyphs = 0, high = 0;
  for (const TSheetGlyph& g : sheet_glyphs::ReadSheetGlyphs(o.art)) {
    if (InMToZ(g.ch)) continue;
    ++glyphs;
    TGlyphUnderTest glyph(engine, g);
    RunGuarded(kMToZ, engine, glyph.context());
    const TCharRecord& r = glyph.record();
    std::string line;
    for (int32_t i = 0; i < r.CandCount; ++i)
      if (r.Confs[i] >= kSure) line += " " + Show(r.Cands[i]) + std::to_string(r.Confs[i]);
    if (line.empty()) continue;
    ++high;
    std::printf("%s %s:%s\n", g.font.c_str(), Show(g.ch).c_str(), line.c_str());
  }
  std::printf("%d of %d glyphs\n", high, glyphs);
}

void Symbols(const TOptions& o) {
  std::map<std::string, TTally> tallies;
  TOmnifontOCR engine;
  engine.NumericOnly = false;
  for (const TSheetGlyph& g : sheet_glyphs::ReadSheetGlyphs(o.art)) {
    TGlyphUnderTest glyph(engine, g);
    ClassifyGlyph(engine, glyph.record(), glyph.crop(), testing_raster::kThreshold);
    const bool letter = (g.ch >= u'A' && g.ch <= u'Z') || (g.ch >= u'a' && g.ch <= u'z');
    const bool digit = g.ch >= u'0' && g.ch <= u'9';
    const char16_t expected = g.ch == u'\u20AC' ? kEuroShape : g.ch;
    TTally& t = tallies[letter ? "letters" : digit ? "digits" : Show(expected)];
    ++t.total;
    const char16_t top = glyph.record().Ch;
    if (top == expected) {
      ++t.right;
    } else {
      ++t.confusions[Show(top) + (letter || digit ? " for " + Show(g.ch) : "") + " (" + g.font +
                     ")"];
    }
    if (o.verbose && !letter && !digit) PrintCandidates(g.font + " " + Show(g.ch), glyph.record());
  }
  PrintTallies(tallies);
}

struct TReport {
  const char* name;
  const char* defaultArt;  // in tests/data/glyphs
  void (*run)(const TOptions&);
};
const TReport kReports[] = {
    {"letters-a-l", "letters_a_l.txt", LettersAToL},
    {"letters-m-z", "letters_m_z.txt", LettersMToZ},
    {"m-z-elsewhere", "letters_a_l.txt", MToZElsewhere},
    {"symbols", "symbols.txt", Symbols},
};

int Usage() {
  std::fprintf(stderr,
               "usage: bench_glyph_accuracy letters-a-l|letters-m-z|m-z-elsewhere|symbols\n"
               "                            [--art=FILE] [--full] [--verbose] [--all]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  TOptions o;
  o.report = argv[1];
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--art=", 0) == 0) {
      o.art = arg.substr(6);
    } else if (arg == "--full") {
      o.full = true;
    } else if (arg == "--verbose") {
      o.verbose = true;
    } else if (arg == "--all") {
      o.all = true;
    } else {
      return Usage();
    }
  }
  for (const TReport& report : kReports) {
    if (o.report != report.name) continue;
    if (o.art.empty()) o.art = kGlyphData + "/" + report.defaultArt;
    try {
      report.run(o);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "%s\n", e.what());
      return 1;
    }
    return 0;
  }
  return Usage();
}
