// train_glyph_model: makes the glyph classifier's model from fonts of Debian
// packages (see kFonts), and measures how well a model of given settings
// reads a font it was not trained on.
//
//   train_glyph_model render SAMPLES [--lines N] [--seed S] [--fonts DIR] [--faces FILE,...]
//       draws N serial lines per face (default 300) and writes the labelled
//       glyphs to SAMPLES; --faces draws the font files named instead of the
//       training faces (to measure on fonts never trained on)
//   train_glyph_model evaluate SAMPLES [--hidden H] [--epochs E] [--by font|family]
//                    [--hold NAME,...] [--knn]
//       leave-one-out: for every face (or family), or only those named,
//       trains on all the others and prints the share of the held-out
//       glyphs read right, among their own kind (letters among letters,
//       digits among digits, as a serial position asks) and among the
//       whole alphabet; --knn measures the nearest neighbour instead;
//       --against OTHER trains once on all of SAMPLES and measures on each
//       face of the sample file OTHER
//   train_glyph_model show FACE PREFIX [--lines N]
//       writes the first N zones drawn for FACE as PREFIX0.pgm, PREFIX1.pgm...
//   train_glyph_model draw FONT_FILE TEXT PICTURE.bmp [--cap PIXELS]
//       draws one plain line of TEXT (no blur, no noise) as a grey bitmap
//   train_glyph_model restyle CORPUS_DIR OUT_DIR --faces FILE,...
//       the corpus's notes with both printed serials drawn again, in the
//       faces named in turn (fonts the model never saw, to measure on), at
//       the serial's own place, height, width and degradations; written as
//       grey bitmaps with their notes.tsv
//   train_glyph_model fit SAMPLES MODEL [--hidden H] [--epochs E] [--seed S]
//       trains on all samples and writes the model file
//
// `make glyphmodel` runs render and fit with the settings the project uses.
// The same fonts, lines and seed give the same model, byte for byte.
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "glyphmodel/glyphclassifier.h"
#include "glyphmodel/glyphmodel.h"
#include "glyphmodel/glyphtraining.h"
#include "graphics/dibgraphic.h"
#include "training/glyphsamples.h"
#include "training/linerenderer.h"

namespace {

// The faces trained on: the upright faces of the font packages the project
// uses (fonts-dejavu, fonts-liberation, fonts-freefont-ttf, fonts-urw-base35,
// fonts-noto-mono, fonts-ocr-a, fonts-ocr-b), and the slanted faces of their
// monospaced families. Left out: script, symbol and outline or inverted faces.
struct TFontEntry {
  const char* File;    // under the fonts folder
  const char* Family;  // faces of one design
};
constexpr TFontEntry kFonts[] = {
    {"truetype/dejavu/DejaVuSans.ttf", "DejaVuSans"},
    {"truetype/dejavu/DejaVuSans-Bold.ttf", "DejaVuSans"},
    {"truetype/dejavu/DejaVuSans-ExtraLight.ttf", "DejaVuSans"},
    {"truetype/dejavu/DejaVuSansCondensed.ttf", "DejaVuSans"},
    {"truetype/dejavu/DejaVuSansCondensed-Bold.ttf", "DejaVuSans"},
    {"truetype/dejavu/DejaVuSansMono.ttf", "DejaVuSansMono"},
    {"truetype/dejavu/DejaVuSansMono-Bold.ttf", "DejaVuSansMono"},
    {"truetype/dejavu/DejaVuSansMono-Oblique.ttf", "DejaVuSansMono"},
    {"truetype/dejavu/DejaVuSansMono-BoldOblique.ttf", "DejaVuSansMono"},
    {"truetype/dejavu/DejaVuSerif.ttf", "DejaVuSerif"},
    {"truetype/dejavu/DejaVuSerif-Bold.ttf", "DejaVuSerif"},
    {"truetype/dejavu/DejaVuSerifCondensed.ttf", "DejaVuSerif"},
    {"truetype/dejavu/DejaVuSerifCondensed-Bold.ttf", "DejaVuSerif"},
    {"truetype/liberation/LiberationMono-Regular.ttf", "LiberationMono"},
    {"truetype/liberation/LiberationMono-Bold.ttf", "LiberationMono"},
    {"truetype/liberation/LiberationMono-Italic.ttf", "LiberationMono"},
    {"truetype/liberation/LiberationMono-BoldItalic.ttf", "LiberationMono"},
    {"truetype/liberation/LiberationSans-Regular.ttf", "LiberationSans"},
    {"truetype/liberation/LiberationSans-Bold.ttf", "LiberationSans"},
    {"truetype/liberation/LiberationSansNarrow-Regular.ttf", "LiberationSans"},
    {"truetype/liberation/LiberationSansNarrow-Bold.ttf", "LiberationSans"},
    {"truetype/liberation/LiberationSerif-Regular.ttf", "LiberationSerif"},
    {"truetype/liberation/LiberationSerif-Bold.ttf", "LiberationSerif"},
    {"truetype/freefont/FreeMono.ttf", "FreeMono"},
    {"truetype/freefont/FreeMonoBold.ttf", "FreeMono"},
    {"truetype/freefont/FreeMonoOblique.ttf", "FreeMono"},
    {"truetype/freefont/FreeMonoBoldOblique.ttf", "FreeMono"},
    {"truetype/freefont/FreeSans.ttf", "FreeSans"},
    {"truetype/freefont/FreeSansBold.ttf", "FreeSans"},
    {"truetype/freefont/FreeSerif.ttf", "FreeSerif"},
    {"truetype/freefont/FreeSerifBold.ttf", "FreeSerif"},
    {"opentype/urw-base35/NimbusMonoPS-Regular.otf", "NimbusMonoPS"},
    {"opentype/urw-base35/NimbusMonoPS-Bold.otf", "NimbusMonoPS"},
    {"opentype/urw-base35/NimbusMonoPS-Italic.otf", "NimbusMonoPS"},
    {"opentype/urw-base35/NimbusMonoPS-BoldItalic.otf", "NimbusMonoPS"},
    {"opentype/urw-base35/NimbusSans-Regular.otf", "NimbusSans"},
    {"opentype/urw-base35/NimbusSans-Bold.otf", "NimbusSans"},
    {"opentype/urw-base35/NimbusSansNarrow-Regular.otf", "NimbusSans"},
    {"opentype/urw-base35/NimbusSansNarrow-Bold.otf", "NimbusSans"},
    {"opentype/urw-base35/NimbusRoman-Regular.otf", "NimbusRoman"},
    {"opentype/urw-base35/NimbusRoman-Bold.otf", "NimbusRoman"},
    {"opentype/urw-base35/C059-Roman.otf", "C059"},
    {"opentype/urw-base35/C059-Bold.otf", "C059"},
    {"opentype/urw-base35/P052-Roman.otf", "P052"},
    {"opentype/urw-base35/P052-Bold.otf", "P052"},
    {"opentype/urw-base35/URWBookman-Light.otf", "URWBookman"},
    {"opentype/urw-base35/URWBookman-Demi.otf", "URWBookman"},
    {"opentype/urw-base35/URWGothic-Book.otf", "URWGothic"},
    {"opentype/urw-base35/URWGothic-Demi.otf", "URWGothic"},
    {"truetype/noto/NotoMono-Regular.ttf", "NotoMono"},
    {"truetype/noto/NotoSansMono-Regular.ttf", "NotoSansMono"},
    {"truetype/noto/NotoSansMono-Bold.ttf", "NotoSansMono"},
    {"truetype/ocr-a/OCRA.ttf", "OCRA"},
    {"truetype/ocr-a/OCRABold.ttf", "OCRA"},
    {"truetype/ocr-a/OCRACondensed.ttf", "OCRA"},
    {"opentype/ocr-b/OCRB.otf", "OCRB"},
    {"opentype/ocr-b/OCRBS.otf", "OCRB"},
    {"opentype/ocr-b/OCRBL.otf", "OCRB"},
};

constexpr int32_t kDefaultLines = 300;
constexpr std::uint64_t kDefaultSeed = 27;
// What `make glyphmodel` fits.
constexpr TGlyphTraining kProjectSettings{};

std::string FaceName(const std::string& file) {
  const std::size_t slash = file.rfind('/'), dot = file.rfind('.');
  return file.substr(slash + 1, dot - slash - 1);
}

struct TArguments {
  std::vector<std::string> Positional;
  std::map<std::string, std::string> Options;
  bool Flag(const std::string& name) const { return Options.count(name) > 0; }
  std::string Value(const std::string& name, const std::string& otherwise) const {
    const auto it = Options.find(name);
    return it == Options.end() ? otherwise : it->second;
  }
};

TArguments Parse(int argc, char** argv) {
  TArguments a;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--", 0) != 0) {
      a.Positional.push_back(arg);
    } else if (arg == "--knn") {
      a.Options[arg] = "";
    } else if (i + 1 < argc) {
      a.Options[arg] = argv[++i];
    } else {
      throw std::runtime_error(arg + " needs a value");
    }
  }
  return a;
}

std::vector<std::string> SplitList(const std::string& list) {
  std::vector<std::string> items;
  for (std::size_t p = 0; p <= list.size();) {
    const std::size_t comma = std::min(list.find(',', p), list.size());
    items.push_back(list.substr(p, comma - p));
    p = comma + 1;
  }
  return items;
}

TGlyphTraining Settings(const TArguments& a) {
  TGlyphTraining s = kProjectSettings;
  s.Hidden = std::stoi(a.Value("--hidden", std::to_string(s.Hidden)));
  s.Epochs = std::stoi(a.Value("--epochs", std::to_string(s.Epochs)));
  s.Seed = std::stoull(a.Value("--seed", std::to_string(s.Seed)));
  return s;
}

// Runs `work(i)` for i in [0, n) on the machine's cores; results go where
// `work` puts them, so the order of completion does not matter.
template <typename F>
void ForEachOnCores(std::size_t n, F work) {
  const std::size_t threads = std::max(1u, std::thread::hardware_concurrency());
  std::mutex m;
  std::size_t next = 0;
  std::vector<std::thread> pool;
  for (std::size_t t = 0; t < std::min(threads, n); ++t) {
    pool.emplace_back([&] {
      for (;;) {
        std::size_t i;
        {
          std::lock_guard lock(m);
          if (next >= n) return;
          i = next++;
        }
        work(i);
      }
    });
  }
  for (std::thread& t : pool) t.join();
}

// Writes the first zones drawn for one face as PGM pictures, to look at.
int Show(const TArguments& a) {
  if (a.Positional.size() != 2) throw std::runtime_error("show: give the face and a file prefix");
  const std::string dir = a.Value("--fonts", "/usr/share/fonts");
  const int32_t lines = std::stoi(a.Value("--lines", "8"));
  for (const TFontEntry& f : kFonts) {
    const std::string file = dir + "/" + f.File;
    if (FaceName(file) != a.Positional[0]) continue;
    std::vector<std::unique_ptr<TDIB>> zones;
    MakeFontSamples({file, FaceName(file), f.Family}, lines, kDefaultSeed, &zones);
    for (std::size_t i = 0; i < zones.size(); ++i) {
      TDIB& z = *zones[i];
      z.ConvertTo(df8Bit);
      std::ofstream out(a.Positional[1] + std::to_string(i) + ".pgm", std::ios::binary);
      out << "P5 " << z.Width() << ' ' << z.Height() << " 255\n";
      for (int32_t y = 0; y < z.Height(); ++y)
        out.write(reinterpret_cast<const char*>(z.Row(y)), z.Width());
    }
    return 0;
  }
  throw std::runtime_error("show: no face " + a.Positional[0]);
}

// The raster as a bitmap file: the file header, then the packed DIB as it is.
void WriteBitmap(TDIB& raster, const std::string& path) {
  const std::uint32_t block = static_cast<std::uint32_t>(raster.BlockSize());
  const std::uint32_t offset =
      14 + kInfoHeaderSize + 4 * static_cast<std::uint32_t>(raster.Colours());
  std::array<std::uint8_t, 14> header{'B', 'M'};
  for (int i = 0; i < 4; ++i) {
    header[2 + i] = static_cast<std::uint8_t>((14 + block) >> (8 * i));
    header[10 + i] = static_cast<std::uint8_t>(offset >> (8 * i));
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(header.data()), header.size());
  out.write(reinterpret_cast<const char*>(raster.Lock()), block);
  raster.Unlock();
  if (!out) throw std::runtime_error("cannot write " + path);
}

int Draw(const TArguments& a) {
  if (a.Positional.size() != 3)
    throw std::runtime_error("draw: give the font, the text and the picture");
  TLineLook look;
  look.CapHeight = std::stod(a.Value("--cap", "32"));
  look.Noise = 0;
  TTrainingRandom random(kDefaultSeed);
  TLineRenderer renderer(a.Positional[0]);
  const TRenderedLine line = renderer.Render(a.Positional[1], look, random);
  WriteBitmap(*line.Zone, a.Positional[2]);
  return 0;
}

// The value of `key` in a degradations field ("rot=+0.42deg;blur=0.84px"), or 0.
double Degradation(const std::string& field, const std::string& key) {
  const std::size_t at = field.find(key + "=");
  return at == std::string::npos ? 0 : std::atof(field.c_str() + at + key.size() + 1);
}

TRect ParseBox(const std::string& text) {
  TRect r;
  std::sscanf(text.c_str(), "%d,%d,%d,%d", &r.Left, &r.Top, &r.Right, &r.Bottom);
  return r;
}

// Draws `serial` over `box` of the grey note: the box's paper and ink
// levels, the serial fitted to the box's height and width.
void Reprint(TDIB& note, const TRect& box, const std::string& serial, TLineRenderer& renderer,
             const std::string& degradations, TTrainingRandom& random) {
  constexpr int32_t kPad = 4;
  std::vector<int32_t> ring, inside;
  for (int32_t y = std::max(0, box.Top - kPad); y <= std::min(note.Height() - 1, box.Bottom + kPad);
       ++y) {
    for (int32_t x = std::max(0, box.Left - kPad);
         x <= std::min(note.Width() - 1, box.Right + kPad); ++x) {
      const bool in = x >= box.Left && x <= box.Right && y >= box.Top && y <= box.Bottom;
      (in ? inside : ring).push_back(note.Row(y)[x]);
    }
  }
  std::sort(ring.begin(), ring.end());
  std::sort(inside.begin(), inside.end());
  TLineLook look;
  look.Paper = ring[ring.size() / 2];
  look.Ink = inside[inside.size() / 20];
  look.CapHeight = box.Bottom - box.Top + 1;
  look.Rotation = Degradation(degradations, "rot");
  look.Blur = Degradation(degradations, "blur");
  look.Noise = Degradation(degradations, "noise");
  look.Margin = kPad;
  look.Tracking = 0.15;
  const double wanted = box.Right - box.Left + 1;
  for (int pass = 0; pass < 2; ++pass) {  // fit the width: measure, then condense
    const TRenderedLine line = renderer.Render(serial, look, random);
    const double drawn = line.Boxes.back().Right - line.Boxes.front().Left + 1;
    if (pass == 0) {
      look.Condensing *= wanted / drawn;
      continue;
    }
    const int32_t x0 = box.Left - line.Boxes.front().Left, y0 = box.Top - kPad;
    for (int32_t y = 0; y < line.Zone->Height(); ++y) {
      for (int32_t x = 0; x < line.Zone->Width(); ++x) {
        const int32_t nx = x0 + x, ny = y0 + y;
        if (nx >= 0 && ny >= 0 && nx < note.Width() && ny < note.Height())
          note.Row(ny)[nx] = line.Zone->Row(y)[x];
      }
    }
  }
}

int Restyle(const TArguments& a) {
  if (a.Positional.size() != 2)
    throw std::runtime_error("restyle: give the corpus and the output folder");
  const std::vector<std::string> faces = SplitList(a.Value("--faces", ""));
  const std::string in = a.Positional[0], out = a.Positional[1];
  std::ifstream tsv(in + "/notes.tsv");
  std::ofstream truth(out + "/notes.tsv");
  if (!tsv || !truth)
    throw std::runtime_error("restyle: cannot read notes.tsv or write into " + out);
  std::string line;
  std::getline(tsv, line);
  truth << line << '\n';
  TTrainingRandom random(kDefaultSeed);
  for (std::size_t n = 0; std::getline(tsv, line); ++n) {
    std::vector<std::string> f;
    std::istringstream fields(line);
    for (std::string v; std::getline(fields, v, '\t');) f.push_back(v);
    f.resize(16);
    const std::string& face = faces[n % faces.size()];
    TLineRenderer renderer(face);
    const std::unique_ptr<TDibGraphic> graphic = LoadGraphicFromFile(in + "/" + f[0], 1);
    TDIB note;
    note.AttachBlock(graphic->ExportPackedDib());
    note.ConvertTo(df8Bit);
    for (const int column : {12, 13})
      Reprint(note, ParseBox(f[column]), f[2], renderer, f[7], random);
    f[0] = f[0].substr(0, f[0].rfind('.')) + ".bmp";
    f[6] = FaceName(face);
    WriteBitmap(note, out + "/" + f[0]);
    for (std::size_t i = 0; i < f.size(); ++i) truth << (i ? "\t" : "") << f[i];
    truth << '\n';
  }
  return 0;
}

int Render(const TArguments& a) {
  if (a.Positional.size() != 1) throw std::runtime_error("render: give the sample file");
  const std::string dir = a.Value("--fonts", "/usr/share/fonts");
  const int32_t lines = std::stoi(a.Value("--lines", std::to_string(kDefaultLines)));
  const std::uint64_t seed = std::stoull(a.Value("--seed", std::to_string(kDefaultSeed)));
  TSampleSet set;
  if (a.Flag("--faces")) {
    for (const std::string& file : SplitList(a.Value("--faces", "")))
      set.Fonts.push_back({file, FaceName(file), FaceName(file)});
  } else {
    for (const TFontEntry& f : kFonts) {
      const std::string file = dir + "/" + f.File;
      set.Fonts.push_back({file, FaceName(file), f.Family});
    }
  }
  const std::size_t n = set.Fonts.size();
  std::vector<TFontSamples> perFont(n);
  std::mutex printing;
  ForEachOnCores(n, [&](std::size_t i) {
    perFont[i] = MakeFontSamples(set.Fonts[i], lines, seed * 1000003u + i);
    std::lock_guard lock(printing);
    std::fprintf(stderr, "%-32s %6zu glyphs, %5.1f %% of drawn characters unmatched\n",
                 set.Fonts[i].Name.c_str(), perFont[i].Samples.size(),
                 100.0 * perFont[i].Unmatched / std::max(1, perFont[i].Characters));
  });
  for (std::size_t i = 0; i < n; ++i) {
    for (const TGlyphSample& s : perFont[i].Samples) {
      set.Samples.push_back(s);
      set.FontOf.push_back(static_cast<std::uint16_t>(i));
    }
  }
  WriteSampleSet(a.Positional[0], set);
  std::fprintf(stderr, "%zu glyphs of %zu faces written to %s\n", set.Samples.size(), n,
               a.Positional[0].c_str());
  return 0;
}

bool IsDigit(std::uint8_t cls) {
  const char c = kGlyphAlphabet[cls];
  return c >= '0' && c <= '9';
}

// Letters (and "*") are asked among letters, digits among digits.
std::string_view KindOf(std::uint8_t cls) {
  static const std::string letters = std::string(kGlyphAlphabet.substr(0, 26)) + "*";
  static const std::string digits = "0123456789";
  return IsDigit(cls) ? std::string_view(digits) : std::string_view(letters);
}

struct TScore {
  std::size_t Glyphs = 0, AmongKind = 0, AmongAll = 0;
  std::map<std::pair<char, char>, int32_t> Confusions;  // (true, read) among kind
};

void ScoreModel(const TGlyphModel& model, const std::vector<const TGlyphSample*>& test,
                TScore& score) {
  for (const TGlyphSample* s : test) {
    const TGlyphJudgement j{Classify(model, s->Features)};
    const char truth = kGlyphAlphabet[s->Class];
    const char kind = j.Among(KindOf(s->Class)).Best;
    ++score.Glyphs;
    if (kind == truth)
      ++score.AmongKind;
    else
      ++score.Confusions[{truth, kind}];
    if (j.Among(kGlyphAlphabet).Best == truth) ++score.AmongAll;
  }
}

// The nearest training glyph (squared distance of standardised features)
// among at most kPrototypesPerClass per class and face.
constexpr int32_t kPrototypesPerClass = 12;
void ScoreNearest(const std::vector<const TGlyphSample*>& train,
                  const std::vector<uint16_t>& trainFont,
                  const std::vector<const TGlyphSample*>& test, TScore& score) {
  std::map<std::pair<uint16_t, uint8_t>, int32_t> taken;
  std::vector<const TGlyphSample*> prototypes;
  for (std::size_t i = 0; i < train.size(); ++i) {
    if (taken[{trainFont[i], train[i]->Class}]++ < kPrototypesPerClass)
      prototypes.push_back(train[i]);
  }
  for (const TGlyphSample* s : test) {
    const std::string_view kind = KindOf(s->Class);
    const TGlyphSample* nearestKind = nullptr;
    const TGlyphSample* nearestAll = nullptr;
    float bestKind = 1e30f, bestAll = 1e30f;
    for (const TGlyphSample* p : prototypes) {
      float d = 0;
      for (std::size_t i = 0; i < kGlyphFeatureCount; ++i) {
        const float e = p->Features[i] - s->Features[i];
        d += e * e;
      }
      if (d < bestAll) bestAll = d, nearestAll = p;
      if (kind.find(kGlyphAlphabet[p->Class]) != std::string_view::npos && d < bestKind)
        bestKind = d, nearestKind = p;
    }
    ++score.Glyphs;
    if (nearestKind && nearestKind->Class == s->Class) ++score.AmongKind;
    if (nearestAll && nearestAll->Class == s->Class) ++score.AmongAll;
  }
}

void PrintScores(const std::vector<std::string>& groups, const std::vector<TScore>& scores);

int Evaluate(const TArguments& a) {
  if (a.Positional.size() != 1) throw std::runtime_error("evaluate: give the sample file");
  const TSampleSet set = ReadSampleSet(a.Positional[0]);
  const TGlyphTraining settings = Settings(a);
  const bool byFamily = a.Value("--by", "font") == "family";
  auto groupOf = [&](std::size_t font) {
    return byFamily ? set.Fonts[font].Family : set.Fonts[font].Name;
  };
  std::vector<std::string> groups;
  for (std::size_t f = 0; f < set.Fonts.size(); ++f) {
    if (std::find(groups.begin(), groups.end(), groupOf(f)) == groups.end())
      groups.push_back(groupOf(f));
  }
  if (a.Flag("--hold")) groups = SplitList(a.Value("--hold", ""));
  std::vector<TScore> scores(groups.size());
  if (a.Flag("--against")) {
    const TSampleSet other = ReadSampleSet(a.Value("--against", ""));
    groups.clear();
    for (const TTrainingFont& f : other.Fonts) groups.push_back(f.Name);
    scores.assign(groups.size(), {});
    const TGlyphModel model = TrainGlyphModel(set.Samples, settings);
    ForEachOnCores(groups.size(), [&](std::size_t g) {
      std::vector<const TGlyphSample*> test;
      for (std::size_t i = 0; i < other.Samples.size(); ++i) {
        if (other.Fonts[other.FontOf[i]].Name == groups[g]) test.push_back(&other.Samples[i]);
      }
      ScoreModel(model, test, scores[g]);
    });
    PrintScores(groups, scores);
    return 0;
  }
  ForEachOnCores(groups.size(), [&](std::size_t g) {
    std::vector<const TGlyphSample*> train, test;
    std::vector<uint16_t> trainFont;
    std::vector<TGlyphSample> trainCopy;
    for (std::size_t i = 0; i < set.Samples.size(); ++i) {
      if (groupOf(set.FontOf[i]) == groups[g]) {
        test.push_back(&set.Samples[i]);
      } else {
        train.push_back(&set.Samples[i]);
        trainFont.push_back(set.FontOf[i]);
      }
    }
    if (a.Flag("--knn")) {
      ScoreNearest(train, trainFont, test, scores[g]);
      return;
    }
    for (const TGlyphSample* s : train) trainCopy.push_back(*s);
    ScoreModel(TrainGlyphModel(trainCopy, settings), test, scores[g]);
  });
  PrintScores(groups, scores);
  return 0;
}

void PrintScores(const std::vector<std::string>& groups, const std::vector<TScore>& scores) {
  std::printf(
      "| held out | glyphs | read right among their kind | among the whole alphabet | most "
      "confused |\n");
  std::printf("|---|---|---|---|---|\n");
  TScore total;
  for (std::size_t g = 0; g < groups.size(); ++g) {
    const TScore& s = scores[g];
    std::vector<std::pair<int32_t, std::pair<char, char>>> worst;
    for (const auto& [pair, n] : s.Confusions) worst.push_back({n, pair});
    std::sort(worst.rbegin(), worst.rend());
    std::string confused;
    for (std::size_t k = 0; k < std::min<std::size_t>(3, worst.size()); ++k) {
      confused += std::string(confused.empty() ? "" : ", ") + worst[k].second.first + "→" +
                  worst[k].second.second + " " + std::to_string(worst[k].first);
    }
    std::printf("| %s | %zu | %.2f %% | %.2f %% | %s |\n", groups[g].c_str(), s.Glyphs,
                100.0 * s.AmongKind / std::max<std::size_t>(1, s.Glyphs),
                100.0 * s.AmongAll / std::max<std::size_t>(1, s.Glyphs), confused.c_str());
    total.Glyphs += s.Glyphs;
    total.AmongKind += s.AmongKind;
    total.AmongAll += s.AmongAll;
  }
  std::printf("| all | %zu | %.2f %% | %.2f %% | |\n", total.Glyphs,
              100.0 * total.AmongKind / std::max<std::size_t>(1, total.Glyphs),
              100.0 * total.AmongAll / std::max<std::size_t>(1, total.Glyphs));
}

int Fit(const TArguments& a) {
  if (a.Positional.size() != 2) throw std::runtime_error("fit: give the sample and model files");
  const TSampleSet set = ReadSampleSet(a.Positional[0]);
  const std::vector<std::uint8_t> bytes =
      SerializeGlyphModel(TrainGlyphModel(set.Samples, Settings(a)));
  std::ofstream out(a.Positional[1], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + a.Positional[1]);
  std::fprintf(stderr, "%zu bytes written to %s\n", bytes.size(), a.Positional[1].c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const std::string command = argc > 1 ? argv[1] : "";
    const TArguments a = Parse(argc, argv);
    if (command == "render") return Render(a);
    if (command == "evaluate") return Evaluate(a);
    if (command == "fit") return Fit(a);
    if (command == "show") return Show(a);
    if (command == "draw") return Draw(a);
    if (command == "restyle") return Restyle(a);
    std::fprintf(stderr,
                 "usage: train_glyph_model render|evaluate|fit ... (see the source's head)\n");
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "train_glyph_model: %s\n", e.what());
    return 1;
  }
}
