// Accuracy and speed of the omnifont OCR engine on the text images of
// tests/data/texts (a word, a line and a paragraph in each of six fonts at
// 300 dpi, truth in texts.tsv), next to tesseract on the same images.
//
//   report     for every image: character and word accuracy of the engine
//              (default parameters, letters allowed) and of tesseract, and the
//              median CPU milliseconds per image of each; totals per area
//              kind; then the same for a full page (below)
//   BM_RecognizeParagraphPage
//              the paragraph images stacked on an A4 page at 300 dpi and read
//              as one paragraph area; run with --benchmark_repetitions=N for
//              a median
//
// Accuracy is 1 - (edit distance / truth length), at least 0: over characters
// (a line break counts as one character) and over words. Both readings are
// compared after the same normalisation: runs of blanks become one space,
// lines are trimmed, empty lines dropped, typographic quotes made straight.
// Times are CPU time, which a busy machine disturbs far less than wall time.
// Tesseract's is the CPU time of one process per image, so it includes
// loading its model; it runs with one thread, as the engine does.
//
// Usage: bench_ocr_accuracy [--data=DIR] [--tesseract=PATH|none] [--runs=N]
//                           [--off=split,similarity,context] [--no-report]
//                           [benchmark flags]
// --off turns engine stages off, to see what each one brings.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "graphics/dibgraphic.h"
#include "image/dibunit.h"
#include "ocr/omnifontocr.h"
#include "platform/codepage.h"
#include "platform/memory.h"

namespace {

// ---------------------------------------------------------------------------
// Options and data

struct Options {
  std::string data = VEREVIZU_BENCH_TEXTS;
  std::string tesseract = "/usr/bin/tesseract";
  int runs = 3;
  bool report = true;
  bool split = true, similarity = true, context = true;
};

Options& Opts() {
  static Options options;
  return options;
}

struct Sample {
  std::string file, kind, font, size;
  std::u32string truth;
};

std::u32string Utf8ToU32(const std::string& s) {
  std::u32string out;
  for (std::size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    const int extra = b < 0x80 ? 0 : b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : -1;
    if (extra < 0 || i + extra >= s.size()) {
      out += U'\uFFFD';
      ++i;
      continue;
    }
    char32_t c = extra == 0 ? b : b & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) c = (c << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    out += c;
    i += 1 + extra;
  }
  return out;
}

std::string U32ToUtf8(const std::u32string& s) {
  std::string out;
  for (char32_t c : s) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::vector<Sample> ReadTruth(const std::string& dir) {
  std::ifstream in(dir + "/texts.tsv");
  if (!in) throw std::runtime_error("cannot open " + dir + "/texts.tsv");
  std::vector<Sample> samples;
  std::string line;
  std::getline(in, line);  // header
  while (std::getline(in, line)) {
    std::vector<std::string> cols;
    std::stringstream ss(line);
    for (std::string col; std::getline(ss, col, '\t');) cols.push_back(col);
    if (cols.size() < 5 || (cols[1] != "word" && cols[1] != "line" && cols[1] != "paragraph"))
      continue;
    std::string text;
    for (std::size_t i = 0; i < cols[4].size(); ++i) {
      if (cols[4][i] == '\\' && i + 1 < cols[4].size() && cols[4][i + 1] == 'n') {
        text += '\n';
        ++i;
      } else {
        text += cols[4][i];
      }
    }
    samples.push_back({cols[0], cols[1], cols[2], cols[3], Utf8ToU32(text)});
  }
  return samples;
}

platform::BlockOwner LoadBlock(const std::string& path) {
  std::unique_ptr<TDibGraphic> picture = LoadGraphicFromFile(path, 1);
  return platform::BlockOwner(picture->ExportPackedDib());
}

// ---------------------------------------------------------------------------
// Scoring

bool IsBlank(char32_t c) {
  return c == U' ' || c == U'\t' || c == U'\r' || c == U'\f' || c == U'\v';
}

// Blank runs to one space, lines trimmed, empty lines dropped, quotes straight.
std::u32string Normalise(const std::u32string& text) {
  std::vector<std::u32string> lines(1);
  for (char32_t c : text) {
    if (c == U'\n') {
      lines.emplace_back();
      continue;
    }
    if (c == U'\u2018' || c == U'\u2019') c = U'\'';
    if (c == U'\u201C' || c == U'\u201D') c = U'"';
    std::u32string& l = lines.back();
    if (IsBlank(c)) {
      if (!l.empty() && l.back() != U' ') l += U' ';
    } else {
      l += c;
    }
  }
  std::u32string out;
  for (std::u32string& l : lines) {
    while (!l.empty() && l.back() == U' ') l.pop_back();
    if (l.empty()) continue;
    if (!out.empty()) out += U'\n';
    out += l;
  }
  return out;
}

template <typename Seq>
std::size_t EditDistance(const Seq& a, const Seq& b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t up = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = up;
    }
  }
  return row[b.size()];
}

std::vector<std::u32string> Words(const std::u32string& text) {
  std::vector<std::u32string> words(1);
  for (char32_t c : text) {
    if (c == U' ' || c == U'\n') {
      if (!words.back().empty()) words.emplace_back();
    } else {
      words.back() += c;
    }
  }
  if (words.back().empty()) words.pop_back();
  return words;
}

// Errors and truth lengths, summed over images.
struct Score {
  std::size_t charErrors = 0, chars = 0, wordErrors = 0, words = 0;
  void Add(const std::u32string& truth, const std::u32string& read) {
    const std::u32string t = Normalise(truth), r = Normalise(read);
    charErrors += EditDistance(t, r);
    chars += t.size();
    const auto tw = Words(t), rw = Words(r);
    wordErrors += EditDistance(tw, rw);
    words += tw.size();
  }
  static double Accuracy(std::size_t errors, std::size_t total) {
    return total == 0 ? 0 : 100.0 * std::max(0.0, 1.0 - static_cast<double>(errors) / total);
  }
  double CharAccuracy() const { return Accuracy(charErrors, chars); }
  double WordAccuracy() const { return Accuracy(wordErrors, words); }
};

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty()      ? 0
         : v.size() % 2 ? v[v.size() / 2]
                        : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// ---------------------------------------------------------------------------
// The two readers

int32_t AreaOf(const std::string& kind) {
  return kind == "word" ? 1 : kind == "line" ? 2 : 3;
}

// Default parameters with letters allowed, less the stages turned off.
void Configure(TOmnifontOCR& engine) {
  engine.NumericOnly = false;
  if (!Opts().split) engine.SplitTouching = 0;
  engine.SimilarityCorrection = Opts().similarity;
  engine.ContextCorrection = Opts().context;
}

std::u32string ReadWithEngine(platform::BlockHandle block, int32_t area) {
  TOmnifontOCR engine;
  Configure(engine);
  switch (area) {
    case 1:
      engine.RecognizeWord(block);
      break;
    case 2:
      engine.RecognizeLine(block);
      break;
    default:
      engine.RecognizeParagraph(block);
  }
  std::string text;
  engine.GetText(text);
  return Utf8ToU32(platform::AnsiToUtf8(text));
}

std::u32string ReadWithTesseract(const std::string& path, int32_t area) {
  const char* psm = area == 1 ? "8" : area == 2 ? "7" : "6";
  const std::string command = "OMP_THREAD_LIMIT=1 '" + Opts().tesseract + "' '" + path +
                              "' stdout --psm " + psm + " 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) throw std::runtime_error("cannot run " + command);
  std::string out;
  std::array<char, 4096> buffer;
  for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
    out.append(buffer.data(), n);
  const int status = pclose(pipe);
  if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw std::runtime_error("tesseract failed on " + path);
  return Utf8ToU32(out);
}

double ProcessCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// User and system time of the children that have ended.
double ChildrenCpuMs() {
  rusage u{};
  getrusage(RUSAGE_CHILDREN, &u);
  return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
         (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

// CPU milliseconds of f, of this process or of the children it ran.
template <typename F>
double CpuMs(F&& f, bool children) {
  const double t0 = children ? ChildrenCpuMs() : ProcessCpuMs();
  f();
  return (children ? ChildrenCpuMs() : ProcessCpuMs()) - t0;
}

std::string Fixed(double v, int decimals) {
  std::ostringstream s;
  s.setf(std::ios::fixed);
  s.precision(decimals);
  s << v;
  return s.str();
}

std::string Pad(std::string s, std::size_t width) {
  if (s.size() < width) s.insert(0, width - s.size(), ' ');
  return s;
}

// One image read by both readers: accuracies and median CPU times.
struct Row {
  Score ours, tess;
  double oursMs = 0, tessMs = 0;
  std::u32string oursText, tessText;
};

Row Measure(platform::BlockHandle block, const std::string& path, int32_t area,
            const std::u32string& truth) {
  const Options& o = Opts();
  Row row;
  std::vector<double> oursTimes, tessTimes;
  for (int run = 0; run < o.runs; ++run) {
    oursTimes.push_back(CpuMs([&] { row.oursText = ReadWithEngine(block, area); }, false));
    if (o.tesseract != "none")
      tessTimes.push_back(CpuMs([&] { row.tessText = ReadWithTesseract(path, area); }, true));
  }
  row.ours.Add(truth, row.oursText);
  row.oursMs = Median(oursTimes);
  if (o.tesseract != "none") {
    row.tess.Add(truth, row.tessText);
    row.tessMs = Median(tessTimes);
  }
  return row;
}

std::string Columns(const Score& score, double ms) {
  return " | " + Pad(Fixed(score.CharAccuracy(), 1), 6) + Pad(Fixed(score.WordAccuracy(), 1), 7) +
         Pad(Fixed(ms, 1), 9);
}

void PrintLine(const std::string& label, std::size_t chars, const Score& ours, double oursMs,
               const Score& tess, double tessMs) {
  std::cout << label << Pad(std::to_string(chars), 6) << Columns(ours, oursMs);
  if (Opts().tesseract != "none") std::cout << Columns(tess, tessMs);
  std::cout << "\n";
}

void PrintReadings(const Row& row) {
  for (const auto& [who, text] : {std::pair{"ours", &row.oursText}, {"tess", &row.tessText}}) {
    if (std::string(who) == "tess" && Opts().tesseract == "none") continue;
    std::string shown = U32ToUtf8(Normalise(*text));
    std::replace(shown.begin(), shown.end(), '\n', '|');
    std::cout << "    " << who << ": " << shown << "\n";
  }
}

std::string Label(const std::string& kind, const std::string& font, const std::string& size) {
  std::string label = kind + std::string(11 - std::min<std::size_t>(10, kind.size()), ' ') + font;
  label += std::string(18 - std::min<std::size_t>(17, font.size()), ' ') + Pad(size, 5);
  return label;
}

void PrintHeader(const std::string& first) {
  std::cout << first << " chars |   CA%    WA%   CPU ms"
            << (Opts().tesseract != "none" ? " | t.CA%  t.WA% t.CPU ms" : "") << "\n";
}

struct Page {
  std::unique_ptr<TDIB> dib;
  std::u32string truth;
};
Page ParagraphPage();

// The page as a grey PGM file for tesseract; removed at destruction.
class PageFile {
 public:
  explicit PageFile(const TDIB& page) {
    char name[] = "/tmp/verevizu_page_XXXXXX.pgm";
    const int fd = mkstemps(name, 4);
    if (fd < 0) throw std::runtime_error("cannot make a temporary file");
    close(fd);
    path_ = name;
    std::ofstream out(path_, std::ios::binary);
    out << "P5\n" << page.Width() << ' ' << page.Height() << "\n255\n";
    for (int32_t y = 0; y < page.Height(); ++y)
      out.write(reinterpret_cast<const char*>(page.Row(y)), page.Width());
    if (!out) throw std::runtime_error("cannot write " + path_);
  }
  ~PageFile() { std::remove(path_.c_str()); }
  PageFile(const PageFile&) = delete;
  PageFile& operator=(const PageFile&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

void PrintReport() {
  const Options& o = Opts();
  PrintHeader(Label("kind", "font", "size"));
  std::map<std::string, Row> byKind;
  std::map<std::string, std::vector<double>> oursMs, tessMs;
  std::vector<std::string> kinds;
  for (const Sample& s : ReadTruth(o.data)) {
    const std::string path = o.data + "/" + s.file;
    const platform::BlockOwner block = LoadBlock(path);
    const Row row = Measure(block.get(), path, AreaOf(s.kind), s.truth);
    PrintLine(Label(s.kind, s.font, s.size), row.ours.chars, row.ours, row.oursMs, row.tess,
              row.tessMs);
    PrintReadings(row);
    if (std::find(kinds.begin(), kinds.end(), s.kind) == kinds.end()) kinds.push_back(s.kind);
    byKind[s.kind].ours.Add(s.truth, row.oursText);
    if (o.tesseract != "none") byKind[s.kind].tess.Add(s.truth, row.tessText);
    oursMs[s.kind].push_back(row.oursMs);
    tessMs[s.kind].push_back(row.tessMs);
  }
  std::cout << "\nTotals (CPU ms: the median over the images of a kind)\n";
  PrintHeader(Label("kind", "", ""));
  for (const std::string& kind : kinds) {
    const Row& k = byKind[kind];
    PrintLine(Label(kind, "all", ""), k.ours.chars, k.ours, Median(oursMs[kind]), k.tess,
              Median(tessMs[kind]));
  }
  const Page page = ParagraphPage();
  const PageFile file(*page.dib);
  const Row row = Measure(page.dib->BlockHandle(), file.path(), 3, page.truth);
  PrintLine(Label("A4 page", "paragraphs", "300"), row.ours.chars, row.ours, row.oursMs, row.tess,
            row.tessMs);
  std::cout << std::endl;
}

// ---------------------------------------------------------------------------
// A full page

constexpr int32_t kPageWidth = 2480;  // A4 at 300 dpi
constexpr int32_t kPageHeight = 3508;
constexpr int32_t kPageMargin = 150;   // half an inch
constexpr int32_t kParagraphGap = 60;  // about two blank lines of 10-point text

// The paragraph images one below the other on a white A4 page, repeated
// until the page is full, with their texts as the page's truth.
Page ParagraphPage() {
  std::vector<std::pair<std::unique_ptr<TDIB>, std::u32string>> paragraphs;
  for (const Sample& s : ReadTruth(Opts().data)) {
    if (s.kind != "paragraph") continue;
    auto dib = std::make_unique<TDIB>();
    dib->AttachBlock(LoadBlock(Opts().data + "/" + s.file).release());
    dib->ConvertTo(df8Bit);
    paragraphs.emplace_back(std::move(dib), s.truth);
  }
  if (paragraphs.empty()) throw std::runtime_error("no paragraph images");
  Page page;
  page.dib = std::make_unique<TDIB>();
  page.dib->NewImage(kPageWidth, kPageHeight, df8Bit, 300, 300);
  page.dib->FillWhite();
  int32_t y0 = kPageMargin;
  for (std::size_t i = 0;; i = (i + 1) % paragraphs.size()) {
    const TDIB& p = *paragraphs[i].first;
    if (y0 + p.Height() > kPageHeight - kPageMargin) break;
    const int32_t width = std::min(p.Width(), kPageWidth - 2 * kPageMargin);
    for (int32_t y = 0; y < p.Height(); ++y) {
      std::copy_n(p.Row(y), width, page.dib->Row(y0 + y) + kPageMargin);
    }
    y0 += p.Height() + kParagraphGap;
    if (!page.truth.empty()) page.truth += U'\n';
    page.truth += paragraphs[i].second;
  }
  return page;
}

void BM_RecognizeParagraphPage(benchmark::State& state) {
  const Page page = ParagraphPage();
  std::size_t records = 0;
  for (auto _ : state) {
    TOmnifontOCR engine;
    Configure(engine);
    engine.RecognizeParagraph(page.dib->BlockHandle());
    records = engine.Characters.size();
  }
  state.counters["records"] = static_cast<double>(records);
}
BENCHMARK(BM_RecognizeParagraphPage)->Unit(benchmark::kMillisecond)->Iterations(1);

bool TakeOption(const std::string& arg, const std::string& name, std::string& value) {
  if (arg.rfind(name + "=", 0) != 0) return false;
  value = arg.substr(name.size() + 1);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  Options& o = Opts();
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    std::string value;
    if (TakeOption(arg, "--data", value)) {
      o.data = value;
    } else if (TakeOption(arg, "--tesseract", value)) {
      o.tesseract = value;
    } else if (TakeOption(arg, "--runs", value)) {
      o.runs = std::max(1, std::atoi(value.c_str()));
    } else if (TakeOption(arg, "--off", value)) {
      std::stringstream list(value);
      for (std::string stage; std::getline(list, stage, ',');) {
        if (stage == "split") {
          o.split = false;
        } else if (stage == "similarity") {
          o.similarity = false;
        } else if (stage == "context") {
          o.context = false;
        } else {
          std::cerr << "unknown stage " << stage << "\n";
          return 2;
        }
      }
    } else if (arg == "--no-report") {
      o.report = false;
    } else {
      std::cerr << "unknown option " << arg << "\n";
      return 2;
    }
  }
  try {
    if (o.report) PrintReport();
  } catch (const std::exception& e) {
    std::cerr << e.what() << "\n";
    return 1;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
