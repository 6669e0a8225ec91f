#include "training/glyphsamples.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "glyphmodel/glyphclassifier.h"
#include "glyphmodel/glyphfeatures.h"
#include "image/dibops.h"
#include "serial/serialevidence.h"
#include "serial/serialreader.h"
#include "training/linerenderer.h"

namespace {

// Characters per drawn line: a serial's length.
constexpr int32_t kLineLength = 11;
// An engine record stands for a drawn character when their boxes overlap by
// at least this share of their union.
constexpr double kSameGlyph = 0.5;

double Between(TTrainingRandom& random, double low, double high) {
  return low + (high - low) * random.Uniform();
}

// Looks spread over what scanned notes show, and somewhat beyond, so that
// the classifier meets nothing at run time that it never saw drawn.
TLineLook RandomLook(TTrainingRandom& random) {
  TLineLook look;
  look.Dpi = random.Uniform() < 0.5 ? 200 : 300;
  const double capMm = Between(random, 2.4, 3.6);
  look.CapHeight = capMm / 25.4 * look.Dpi * Between(random, 0.85, 1.15);
  look.Condensing = random.Uniform() < 0.4 ? Between(random, 0.65, 0.9) : Between(random, 0.9, 1.1);
  look.Rotation = Between(random, -0.8, 0.8);
  look.Embolden = Between(random, -0.025, 0.06);
  look.Tracking = Between(random, 0.05, 0.45);
  look.Blur = random.Uniform() < 0.25 ? 0 : Between(random, 0.3, 1.3);
  look.Noise = random.Uniform() < 0.3 ? 0 : Between(random, 1, 10);
  look.Paper = static_cast<int32_t>(Between(random, 175, 255));
  look.Ink = static_cast<int32_t>(Between(random, 0, 120));
  look.Margin = static_cast<int32_t>(Between(random, 2, 13));
  if (random.Uniform() < 0.6) {
    look.PatternLines = static_cast<int32_t>(Between(random, 2, 10));
    look.PatternDepth = static_cast<int32_t>(Between(random, 5, 45));
  }
  return look;
}

// How the reader hands a zone to the engine.
enum class TZoneKind { Grey, Bilevel };

// The zone as an even pass leaves it: binarised at a threshold around the
// Otsu value (the note's, which the zone's only approximates), small specks
// erased.
void Binarise(TDIB& zone, TTrainingRandom& random) {
  THistogram histogram;
  zone.Histogram(histogram);
  const int32_t otsu = OtsuThreshold(histogram);
  const int32_t t = std::clamp(otsu + static_cast<int32_t>(Between(random, -50, 20)), 1, 254);
  zone.ApplyThreshold(static_cast<std::uint8_t>(t), true, 0, 255);
  zone.EraseSmallBlobs(3, 3, nullptr);
}

double Overlap(const TRect& a, const TRect& b) {
  const int32_t w = std::min(a.Right, b.Right) - std::max(a.Left, b.Left) + 1;
  const int32_t h = std::min(a.Bottom, b.Bottom) - std::max(a.Top, b.Top) + 1;
  if (w <= 0 || h <= 0) return 0;
  const double inter = static_cast<double>(w) * h;
  const double areaA = static_cast<double>(a.Right - a.Left + 1) * (a.Bottom - a.Top + 1);
  const double areaB = static_cast<double>(b.Right - b.Left + 1) * (b.Bottom - b.Top + 1);
  return inter / (areaA + areaB - inter);
}

std::string RandomText(TTrainingRandom& random, std::string& deck) {
  std::string text;
  for (int32_t i = 0; i < kLineLength; ++i) {
    if (deck.empty()) {
      deck = std::string(kGlyphAlphabet);
      for (std::size_t k = deck.size(); k > 1; --k) std::swap(deck[k - 1], deck[random.Below(k)]);
    }
    text += deck.back();
    deck.pop_back();
  }
  return text;
}

void AddLineSamples(const TRenderedLine& line, TDIB& zone, TFontSamples& out) {
  const serial_detail::TZoneReading reading =
      serial_detail::ReadZoneGlyphs(zone, TRect{0, 0, zone.Width() - 1, zone.Height() - 1});
  const serial_detail::TGlyphSheet sheet(*reading.Crop, reading.Threshold);
  std::vector<TRect> seen;
  std::vector<bool> matched(line.Boxes.size(), false);
  for (const auto* glyphs : {&reading.LetterGlyphs, &reading.DigitGlyphs}) {
    for (const TCharRecord& r : *glyphs) {
      const TRect box{r.Left, r.Top, r.Right, r.Bottom};
      if (std::find(seen.begin(), seen.end(), box) != seen.end()) continue;
      seen.push_back(box);
      std::size_t best = 0;
      double bestOverlap = 0;
      for (std::size_t i = 0; i < line.Boxes.size(); ++i) {
        const double o = Overlap(box, line.Boxes[i]);
        if (o > bestOverlap) {
          bestOverlap = o;
          best = i;
        }
      }
      if (bestOverlap < kSameGlyph) continue;
      matched[best] = true;
      TGlyphSample s;
      s.Features = GlyphFeatures(sheet.Raster(), sheet.Threshold(), box);
      s.Class = static_cast<std::uint8_t>(kGlyphAlphabet.find(line.Text[best]));
      out.Samples.push_back(s);
    }
  }
  out.Characters += static_cast<int32_t>(line.Boxes.size());
  out.Unmatched += static_cast<int32_t>(std::count(matched.begin(), matched.end(), false));
}

}  // namespace

TFontSamples MakeFontSamples(const TTrainingFont& font, int32_t lines, std::uint64_t seed,
                             std::vector<std::unique_ptr<TDIB>>* zones) {
  TLineRenderer renderer(font.File);
  if (!renderer.Covers(std::string(kGlyphAlphabet)))
    throw std::runtime_error(font.File + ": lacks some serial characters");
  TTrainingRandom random(seed);
  TFontSamples out;
  std::string deck;
  for (int32_t i = 0; i < lines; ++i) {
    const std::string text = RandomText(random, deck);
    const TLineLook look = RandomLook(random);
    const TRenderedLine line = renderer.Render(text, look, random);
    const TZoneKind kind = random.Uniform() < 0.45 ? TZoneKind::Grey : TZoneKind::Bilevel;
    std::unique_ptr<TDIB> zone = line.Zone->Duplicate();
    if (kind == TZoneKind::Bilevel) Binarise(*zone, random);
    ++out.Lines;
    if (zones) zones->push_back(zone->Duplicate());
    try {
      AddLineSamples(line, *zone, out);
    } catch (const std::exception&) {
      // A zone the engine finds no characters in: nothing to learn from.
      out.Characters += static_cast<int32_t>(line.Boxes.size());
      out.Unmatched += static_cast<int32_t>(line.Boxes.size());
    }
  }
  return out;
}

namespace {

constexpr char kSampleMagic[8] = {'V', 'Z', 'S', 'A', 'M', 'P', 'L', '1'};

void WriteString(std::ofstream& out, const std::string& s) {
  const std::uint32_t n = static_cast<std::uint32_t>(s.size());
  out.write(reinterpret_cast<const char*>(&n), 4);
  out.write(s.data(), n);
}

std::string ReadString(std::ifstream& in) {
  std::uint32_t n = 0;
  in.read(reinterpret_cast<char*>(&n), 4);
  std::string s(n, '\0');
  in.read(s.data(), n);
  return s;
}

}  // namespace

void WriteSampleSet(const std::string& path, const TSampleSet& set) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(kSampleMagic, 8);
  const std::uint32_t fonts = static_cast<std::uint32_t>(set.Fonts.size());
  const std::uint64_t samples = set.Samples.size();
  out.write(reinterpret_cast<const char*>(&fonts), 4);
  for (const TTrainingFont& f : set.Fonts) {
    WriteString(out, f.File);
    WriteString(out, f.Name);
    WriteString(out, f.Family);
  }
  out.write(reinterpret_cast<const char*>(&samples), 8);
  for (std::size_t i = 0; i < set.Samples.size(); ++i) {
    out.write(reinterpret_cast<const char*>(&set.FontOf[i]), 2);
    out.write(reinterpret_cast<const char*>(&set.Samples[i].Class), 1);
    out.write(reinterpret_cast<const char*>(set.Samples[i].Features.data()),
              sizeof(float) * kGlyphFeatureCount);
  }
  if (!out) throw std::runtime_error("cannot write " + path);
}

TSampleSet ReadSampleSet(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  char magic[8];
  if (!in.read(magic, 8) || std::memcmp(magic, kSampleMagic, 8) != 0)
    throw std::runtime_error(path + ": not a sample file");
  TSampleSet set;
  std::uint32_t fonts = 0;
  in.read(reinterpret_cast<char*>(&fonts), 4);
  for (std::uint32_t i = 0; i < fonts; ++i) {
    TTrainingFont f;
    f.File = ReadString(in);
    f.Name = ReadString(in);
    f.Family = ReadString(in);
    set.Fonts.push_back(f);
  }
  std::uint64_t samples = 0;
  in.read(reinterpret_cast<char*>(&samples), 8);
  set.Samples.resize(samples);
  set.FontOf.resize(samples);
  for (std::uint64_t i = 0; i < samples; ++i) {
    in.read(reinterpret_cast<char*>(&set.FontOf[i]), 2);
    in.read(reinterpret_cast<char*>(&set.Samples[i].Class), 1);
    in.read(reinterpret_cast<char*>(set.Samples[i].Features.data()),
            sizeof(float) * kGlyphFeatureCount);
  }
  if (!in) throw std::runtime_error(path + ": cut short");
  return set;
}
