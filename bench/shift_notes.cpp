// Makes a shifted copy of a note corpus: the notes as scanners present them.
// From a fixed seed, with the project's own transforms:
//   - every note turned by a skew drawn uniformly from -5 to +5 degrees,
//   - half of them (drawn) turned a further 180 degrees, upside down,
//   - a third (drawn) laid on a scanner bed: a margin of 5 to 25 mm on each
//     side, dark or light, with noise; the others turned within their own
//     frame, the corners filled with their paper colour, as a scanner that
//     crops to the note would give them,
//   - a third (drawn) resampled to 150 dpi.
// Bilevel notes are turned in grey and thresholded again; every note is
// written as a bitmap file (grey, bilevel or RGB as it came). The copy's notes.tsv has
// the source's columns (the serial boxes emptied, the resolution and size
// updated) and one more, presentation, saying what was done.
//
//   bench_shift_notes SOURCE_DIR OUT_DIR [--seed N] [--low-dpi N]
// --low-dpi sets the lower resolution (150).
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "graphics/dibgraphic.h"
#include "graphics/transforms.h"

namespace {

constexpr double kMaxSkewDegrees = 5;
constexpr double kMinMarginMm = 5, kMaxMarginMm = 25;
constexpr int32_t kLowDpi = 150;
constexpr double kBedNoise = 4;  // standard deviation of the bed's grey levels

// Draws from one generator the same numbers on every machine (the standard
// distributions are not fixed across libraries).
class TDraw {
 public:
  explicit TDraw(uint32_t seed) : engine_(seed) {}
  double Uniform(double low, double high) {
    return low + (high - low) * (static_cast<double>(engine_()) / 4294967296.0);
  }
  int32_t Below(int32_t n) { return static_cast<int32_t>(engine_() % static_cast<uint32_t>(n)); }
  double Normal() {  // Box-Muller
    const double u = Uniform(1e-12, 1), v = Uniform(0, 1);
    return std::sqrt(-2 * std::log(u)) * std::cos(2 * 3.14159265358979 * v);
  }
  // `count` of the indices 0..n-1, drawn.
  std::vector<bool> Choose(int32_t n, int32_t count) {
    std::vector<int32_t> order(static_cast<std::size_t>(n));
    for (int32_t i = 0; i < n; ++i) order[i] = i;
    for (int32_t i = n - 1; i > 0; --i) std::swap(order[i], order[Below(i + 1)]);
    std::vector<bool> chosen(static_cast<std::size_t>(n), false);
    for (int32_t i = 0; i < count; ++i) chosen[order[i]] = true;
    return chosen;
  }

 private:
  std::mt19937 engine_;
};

struct TPresentation {
  double skew = 0;
  bool turned = false;
  bool bed = false, darkBed = false;
  std::array<double, 4> marginsMm{};  // left, top, right, bottom
  int32_t bedLevel = 0;
  int32_t lowDpi = 0;  // 0: the note's own resolution
  uint32_t noiseSeed = 0;

  std::string Text() const {
    char skewText[32];
    std::snprintf(skewText, sizeof skewText, "skew=%+.2f", skew);
    std::string s = skewText;
    if (turned) s += ";turned=180";
    if (bed) {
      char margins[96];
      std::snprintf(margins, sizeof margins, ";bed=%s:%d;margins_mm=%.0f,%.0f,%.0f,%.0f",
                    darkBed ? "dark" : "light", bedLevel, marginsMm[0], marginsMm[1], marginsMm[2],
                    marginsMm[3]);
      s += margins;
    }
    if (lowDpi != 0) s += ";dpi=" + std::to_string(lowDpi);
    return s;
  }
};

void Convert(TDibGraphic& g, TGraphicFormat format) {
  TImageFormatTransform convert;
  convert.TargetFormat = format;
  convert.Dither = false;
  convert.Apply(g);
}

// The median colour of the picture's outermost two pixels all round: its paper.
TColor PaperColour(const TDibGraphic& g) {
  std::array<std::vector<int32_t>, 3> channels;
  auto add = [&](int32_t x, int32_t y) {
    const TColor c = g.GetPixel(x, y);
    channels[0].push_back(RedOf(c));
    channels[1].push_back(GreenOf(c));
    channels[2].push_back(BlueOf(c));
  };
  for (int32_t i = 0; i < 2; ++i) {
    for (int32_t x = 0; x < g.Width(); ++x) add(x, i), add(x, g.Height() - 1 - i);
    for (int32_t y = 0; y < g.Height(); ++y) add(i, y), add(g.Width() - 1 - i, y);
  }
  std::array<std::uint8_t, 3> median{};
  for (int32_t c = 0; c < 3; ++c) {
    auto& v = channels[c];
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    median[c] = static_cast<std::uint8_t>(v[v.size() / 2]);
  }
  return RGBColor(median[0], median[1], median[2]);
}

// The note turned within its own frame: the corners it leaves take its paper colour.
void TurnInFrame(TDibGraphic& note, double degrees) {
  const int32_t w = note.Width(), h = note.Height();
  TRotateTransform rotate;
  rotate.Angle = degrees;
  rotate.Background = PaperColour(note);
  rotate.Apply(note);
  TCropTransform crop;
  crop.CropByRect = true;
  crop.CropLeft = (note.Width() - w) / 2;
  crop.CropTop = (note.Height() - h) / 2;
  crop.CropRight = crop.CropLeft + w;
  crop.CropBottom = crop.CropTop + h;
  crop.Apply(note);
}

// The note turned and laid on a bed of noisy grey with the given margins.
void LayOnBed(TDibGraphic& note, const TPresentation& p) {
  TDibGraphic cover;  // where the turned note covers the bed, in grey levels
  cover.NewImage(note.Width(), note.Height(), gfGray256, {}, note.XDpi(), note.YDpi());
  cover.Fill(RGBColor(255, 255, 255));
  TRotateTransform rotate;
  rotate.Angle = p.skew + (p.turned ? 180 : 0);
  rotate.Background = 0;
  rotate.Apply(note);
  rotate.Apply(cover);
  const double pixelsPerMm = note.XDpi() / 25.4;
  const auto margin = [&](int32_t side) {
    return static_cast<int32_t>(p.marginsMm[side] * pixelsPerMm);
  };
  TDibGraphic bed;
  bed.NewImage(note.Width() + margin(0) + margin(2), note.Height() + margin(1) + margin(3),
               gfTrueColor, {}, note.XDpi(), note.YDpi());
  TDraw noise(p.noiseSeed);
  for (int32_t y = 0; y < bed.Height(); ++y) {
    for (int32_t x = 0; x < bed.Width(); ++x) {
      const double level = std::clamp(p.bedLevel + kBedNoise * noise.Normal(), 0.0, 255.0);
      const int32_t nx = x - margin(0), ny = y - margin(1);
      const bool onNote = nx >= 0 && ny >= 0 && nx < note.Width() && ny < note.Height();
      const double alpha = onNote ? RedOf(cover.GetPixel(nx, ny)) / 255.0 : 0;
      const TColor c = onNote ? note.GetPixel(nx, ny) : 0;
      auto mix = [&](std::uint8_t channel) {
        return static_cast<std::uint8_t>(std::lround(channel * alpha + level * (1 - alpha)));
      };
      bed.SetPixel(x, y, RGBColor(mix(RedOf(c)), mix(GreenOf(c)), mix(BlueOf(c))));
    }
  }
  note.Assign(&bed);
}

// Area averaging (the stretch of a true-colour picture), as a scanner's
// sensor at the lower resolution sees the note.
void Resample(TDibGraphic& note, int32_t dpi) {
  TResizeTransform resize;
  resize.TargetWidth = static_cast<int32_t>(std::lround(note.Width() * double(dpi) / note.XDpi()));
  resize.TargetHeight =
      static_cast<int32_t>(std::lround(note.Height() * double(dpi) / note.YDpi()));
  resize.Apply(note);
  note.SetXDpi(dpi);
  note.SetYDpi(dpi);
}

// A bitmap file: a file header before the picture's packed DIB, which keeps
// the resolution (the PNG reader reads none).
void WriteBitmap(const TDibGraphic& g, const std::string& path) {
  const std::span<const std::uint8_t> dib = g.PackedDib();
  const uint32_t table = 4 * static_cast<uint32_t>(g.Palette().size());
  std::array<std::uint8_t, 14> header{'B', 'M'};
  WriteLE32(header.data() + 2, static_cast<uint32_t>(header.size() + dib.size()));
  WriteLE32(header.data() + 10,
            static_cast<uint32_t>(header.size()) + ReadLE32(dib.data()) + table);
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(header.data()), header.size());
  file.write(reinterpret_cast<const char*>(dib.data()), static_cast<std::streamsize>(dib.size()));
}

std::vector<std::string> Split(const std::string& line) {
  std::vector<std::string> fields;
  std::istringstream in(line);
  for (std::string f; std::getline(in, f, '\t');) fields.push_back(f);
  if (!line.empty() && line.back() == '\t') fields.emplace_back();
  return fields;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: bench_shift_notes SOURCE_DIR OUT_DIR [--seed N] [--low-dpi N]\n";
    return 2;
  }
  const std::string source = argv[1], out = argv[2];
  uint32_t seed = 28;
  int32_t lowDpi = kLowDpi;
  for (int i = 3; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--seed") {
      seed = static_cast<uint32_t>(std::stoul(argv[i + 1]));
    } else if (option == "--low-dpi") {
      lowDpi = std::stoi(argv[i + 1]);
    }
  }

  std::ifstream tsv(source + "/notes.tsv");
  if (!tsv) {
    std::cerr << "no notes.tsv in " << source << "\n";
    return 2;
  }
  std::string headerLine;
  std::getline(tsv, headerLine);
  const std::vector<std::string> header = Split(headerLine);
  auto column = [&](const std::string& name) {
    return static_cast<std::size_t>(std::find(header.begin(), header.end(), name) - header.begin());
  };
  std::vector<std::vector<std::string>> rows;
  for (std::string line; std::getline(tsv, line);)
    if (!line.empty()) rows.push_back(Split(line));

  const auto n = static_cast<int32_t>(rows.size());
  TDraw draw(seed);
  const std::vector<bool> turned = draw.Choose(n, n / 2);
  const std::vector<bool> onBed = draw.Choose(n, n / 3);
  const std::vector<bool> lowResolution = draw.Choose(n, n / 3);

  std::ofstream truth(out + "/notes.tsv");
  truth << headerLine << "\tpresentation\n";
  for (int32_t i = 0; i < n; ++i) {
    std::vector<std::string>& row = rows[i];
    TPresentation p;
    p.skew = draw.Uniform(-kMaxSkewDegrees, kMaxSkewDegrees);
    p.turned = turned[i];
    p.bed = onBed[i];
    p.darkBed = draw.Below(2) == 0;
    p.bedLevel = p.darkBed ? 10 + draw.Below(51) : 240 + draw.Below(16);
    for (double& m : p.marginsMm) m = draw.Uniform(kMinMarginMm, kMaxMarginMm);
    p.lowDpi = lowResolution[i] ? lowDpi : 0;
    p.noiseSeed = static_cast<uint32_t>(draw.Below(1 << 30));

    const std::unique_ptr<TDibGraphic> loaded = LoadGraphicFromFile(source + "/" + row[0], 1);
    TDibGraphic note;
    note.Assign(loaded.get());
    // The resolution the corpus states (a PNG file carries none the reader takes).
    note.SetXDpi(std::stoi(row[column("dpi")]));
    note.SetYDpi(note.XDpi());
    const TGraphicFormat format = note.ImageFormat();
    Convert(note, gfTrueColor);
    if (p.bed) {
      LayOnBed(note, p);
    } else {
      TurnInFrame(note, p.skew + (p.turned ? 180 : 0));
    }
    if (p.lowDpi != 0) Resample(note, p.lowDpi);
    if (format == gfBlackWhite) {
      Convert(note, gfBlackWhite);
    } else if (format != gfTrueColor) {
      Convert(note, gfGray256);
    }

    const std::string name = row[0].substr(0, row[0].rfind('.')) + ".bmp";
    WriteBitmap(note, out + "/" + name);
    row[0] = name;
    row[column("dpi")] = std::to_string(note.XDpi());
    row[column("width_px")] = std::to_string(note.Width());
    row[column("height_px")] = std::to_string(note.Height());
    for (const char* box : {"left_box", "right_box", "barcode_box"})
      if (column(box) < row.size()) row[column(box)].clear();
    row.resize(header.size());
    for (const std::string& field : row) truth << field << '\t';
    truth << p.Text() << '\n';
    std::cerr << name << ' ' << p.Text() << '\n';
  }
  return 0;
}
