// Timings of the PNG reader against the floor of any zlib-based PNG decoder:
// zlib's inflate of the same joined image data into a buffer of the right
// size, and inflate followed by a plain unfilter of every row. The files are
// grouped by kind (colour type and depth, note or barcode): the PNGs of the
// test notes and of the measuring corpus (read at run time), and an A4 page at
// 300 dpi in grey, RGB and 1 bit written by the benchmark itself.
// Each iteration decodes every file of a group; the files are read and their
// image data extracted before timing. Compare CPU times of one group:
//   PngRead/G     TPNGImage alone (chunks, CRC, inflate, unfilter, bitmap)
//   PngLoad/G     the viewer's load path to a TDibGraphic
//   Inflate/G     zlib's inflate of the joined IDAT data alone
//   Unfilter/G    inflate plus a straightforward unfilter
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "graphics/dibgraphic.h"
#include "graphics/pngimage.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct PngFile {
  std::string name;
  Bytes bytes;
  Bytes idat;  // the joined image data
  std::uint32_t width = 0, height = 0;
  int depth = 0, colorType = 0;
  std::size_t rowBytes = 0, unit = 0;
  std::size_t RawSize() const { return height * (1 + rowBytes); }
};

std::uint32_t BE32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         p[3];
}

void PutBE32(Bytes& b, std::uint32_t v) {
  for (int i = 3; i >= 0; --i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

int Channels(int colorType) {
  static constexpr int kChannels[] = {1, 0, 3, 1, 2, 0, 4};
  return colorType >= 0 && colorType <= 6 ? kChannels[colorType] : 0;
}

// The header and the joined IDAT data of a non-interlaced file; false for
// anything else (the references do not unpack Adam7).
bool Parse(PngFile& f) {
  const Bytes& b = f.bytes;
  std::size_t pos = 8;
  while (pos + 12 <= b.size()) {
    const std::uint32_t length = BE32(&b[pos]);
    if (length > b.size() - pos - 12) return false;
    const std::uint8_t* body = &b[pos + 8];
    if (std::memcmp(&b[pos + 4], "IHDR", 4) == 0) {
      f.width = BE32(body);
      f.height = BE32(body + 4);
      f.depth = body[8];
      f.colorType = body[9];
      if (body[12] != 0) return false;
    } else if (std::memcmp(&b[pos + 4], "IDAT", 4) == 0) {
      f.idat.insert(f.idat.end(), body, body + length);
    }
    pos += 12 + std::size_t{length};
  }
  const int bits = Channels(f.colorType) * f.depth;
  f.rowBytes = (std::size_t{f.width} * bits + 7) / 8;
  f.unit = std::max(1, bits / 8);
  return bits > 0 && !f.idat.empty();
}

// One chunk with its length and CRC.
void PutChunk(Bytes& out, const char* type, const Bytes& data) {
  PutBE32(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  PutBE32(out, static_cast<std::uint32_t>(
                   crc32(0L, out.data() + start, static_cast<uInt>(out.size() - start))));
}

// An A4 page at 300 dpi (2480 x 3508): light paper with a faint gradient and
// rows of dark character-sized marks, each row filtered with the next of the
// five filter types so that every unfilter path is timed. `colorType` 0 or 2
// at depth 8, or 0 at depth 1.
Bytes A4Page(int colorType, int depth) {
  constexpr std::uint32_t kWidth = 2480, kHeight = 3508;
  const int channels = Channels(colorType);
  const std::size_t rowBytes = (std::size_t{kWidth} * channels * depth + 7) / 8;
  const std::size_t unit = std::max(1, channels * depth / 8);
  Bytes raw, prior(rowBytes, 0), row(rowBytes);
  raw.reserve(kHeight * (rowBytes + 1));
  for (std::uint32_t y = 0; y < kHeight; ++y) {
    std::fill(row.begin(), row.end(), 0);
    for (std::uint32_t x = 0; x < kWidth; ++x) {
      const std::uint32_t cx = x % 32, cy = y % 48;
      const bool mark = cx >= 6 && cx < 26 && cy >= 9 && cy < 39;
      const auto v =
          static_cast<std::uint8_t>(mark ? 30 + (x * 7 + y) % 50 : 200 + (x + y / 8) % 40);
      if (depth == 1) {
        if (v >= 128) row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
      } else {
        for (int c = 0; c < channels; ++c)
          row[x * channels + c] = static_cast<std::uint8_t>(v - c * v / 16);
      }
    }
    const std::uint8_t filter = y % 5;
    raw.push_back(filter);
    for (std::size_t i = 0; i < rowBytes; ++i) {
      const int a = i >= unit ? row[i - unit] : 0, b = prior[i],
                c = i >= unit ? prior[i - unit] : 0;
      int predictor = 0;
      if (filter == 1) predictor = a;
      if (filter == 2) predictor = b;
      if (filter == 3) predictor = (a + b) >> 1;
      if (filter == 4) {
        const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
        predictor = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      }
      raw.push_back(static_cast<std::uint8_t>(row[i] - predictor));
    }
    prior = row;
  }
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  Bytes deflated(size);
  if (compress2(deflated.data(), &size, raw.data(), static_cast<uLong>(raw.size()), 6) != Z_OK)
    throw std::runtime_error("compress2");
  deflated.resize(size);

  Bytes file = {137, 80, 78, 71, 13, 10, 26, 10}, header;
  PutBE32(header, kWidth);
  PutBE32(header, kHeight);
  header.insert(header.end(),
                {static_cast<std::uint8_t>(depth), static_cast<std::uint8_t>(colorType), 0, 0, 0});
  PutChunk(file, "IHDR", header);
  // IDAT in chunks of 64 KiB, as writers usually split it.
  for (std::size_t pos = 0; pos < deflated.size(); pos += 65536) {
    const std::size_t n = std::min<std::size_t>(65536, deflated.size() - pos);
    PutChunk(file, "IDAT",
             Bytes(deflated.begin() + static_cast<std::ptrdiff_t>(pos),
                   deflated.begin() + static_cast<std::ptrdiff_t>(pos + n)));
  }
  PutChunk(file, "IEND", {});
  return file;
}

Bytes ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + path.string());
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string KindName(const PngFile& f) {
  const char* colour = f.colorType == 0   ? "grey"
                       : f.colorType == 2 ? "rgb"
                       : f.colorType == 3 ? "palette"
                                          : "alpha";
  return std::string(colour) + std::to_string(f.depth);
}

// The groups: "notes_grey8", "barcodes_grey8", "a4_rgb8", ... Files that the
// references cannot take (interlaced) are left out.
std::map<std::string, std::vector<PngFile>>& Groups() {
  static std::map<std::string, std::vector<PngFile>> groups = [] {
    std::map<std::string, std::vector<PngFile>> g;
    const auto add = [&g](const std::string& set, std::string name, Bytes bytes) {
      PngFile f;
      f.name = std::move(name);
      f.bytes = std::move(bytes);
      if (Parse(f)) g[set + "_" + KindName(f)].push_back(std::move(f));
    };
    namespace fs = std::filesystem;
    for (const char* folder : {VEREVIZU_BENCH_NOTES, VEREVIZU_BENCH_CORPUS}) {
      if (!fs::is_directory(folder)) continue;
      std::vector<fs::path> paths;
      for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().extension() == ".png") paths.push_back(entry.path());
      std::sort(paths.begin(), paths.end());
      for (const fs::path& p : paths) {
        const std::string stem = p.filename().string();
        add(stem.rfind("note", 0) == 0 ? "notes" : "barcodes", stem, ReadFile(p));
      }
    }
    add("a4", "a4_grey8", A4Page(0, 8));
    add("a4", "a4_rgb8", A4Page(2, 8));
    add("a4", "a4_grey1", A4Page(0, 1));
    return g;
  }();
  return groups;
}

void Inflate(const PngFile& f, Bytes& raw) {
  raw.resize(f.RawSize());
  z_stream z{};
  inflateInit(&z);
  z.next_in = const_cast<Bytef*>(f.idat.data());
  z.avail_in = static_cast<uInt>(f.idat.size());
  z.next_out = raw.data();
  z.avail_out = static_cast<uInt>(raw.size());
  const int status = inflate(&z, Z_FINISH);
  inflateEnd(&z);
  if (status != Z_STREAM_END && z.avail_out != 0) throw std::runtime_error("inflate " + f.name);
}

std::uint8_t Paeth(int a, int b, int c) {
  const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  return static_cast<std::uint8_t>(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// Every row unfiltered in place, as the PNG format publishes the filters.
void UnfilterAll(const PngFile& f, Bytes& raw) {
  const std::size_t n = f.rowBytes, unit = f.unit;
  const Bytes zero(n, 0);
  const std::uint8_t* prior = zero.data();
  for (std::uint32_t y = 0; y < f.height; ++y) {
    std::uint8_t* row = raw.data() + y * (n + 1);
    const std::uint8_t type = row[0];
    ++row;
    for (std::size_t i = 0; i < n; ++i) {
      const int a = i >= unit ? row[i - unit] : 0, b = prior[i],
                c = i >= unit ? prior[i - unit] : 0;
      switch (type) {
        case 1:
          row[i] = static_cast<std::uint8_t>(row[i] + a);
          break;
        case 2:
          row[i] = static_cast<std::uint8_t>(row[i] + b);
          break;
        case 3:
          row[i] = static_cast<std::uint8_t>(row[i] + ((a + b) >> 1));
          break;
        case 4:
          row[i] = static_cast<std::uint8_t>(row[i] + Paeth(a, b, c));
          break;
        default:
          break;
      }
    }
    prior = row;
  }
}

void SetCounters(benchmark::State& state, const std::vector<PngFile>& files) {
  std::int64_t raw = 0;
  for (const PngFile& f : files) raw += static_cast<std::int64_t>(f.RawSize());
  state.SetBytesProcessed(state.iterations() * raw);
  state.counters["files"] = static_cast<double>(files.size());
}

void PngRead(benchmark::State& state, const std::string& group) {
  const std::vector<PngFile>& files = Groups().at(group);
  for (auto _ : state)
    for (const PngFile& f : files) {
      TPNGImage png;
      png.LoadFromBytes(f.bytes);
      benchmark::DoNotOptimize(png.PackedDib().data());
    }
  SetCounters(state, files);
}

void PngLoad(benchmark::State& state, const std::string& group) {
  const std::vector<PngFile>& files = Groups().at(group);
  for (auto _ : state)
    for (const PngFile& f : files) {
      const std::unique_ptr<TDibGraphic> graphic = LoadGraphic("image.png", f.bytes, 1);
      benchmark::DoNotOptimize(graphic->PackedDib().data());
    }
  SetCounters(state, files);
}

void InflateOnly(benchmark::State& state, const std::string& group) {
  const std::vector<PngFile>& files = Groups().at(group);
  Bytes raw;
  for (auto _ : state)
    for (const PngFile& f : files) {
      Inflate(f, raw);
      benchmark::DoNotOptimize(raw.data());
    }
  SetCounters(state, files);
}

void InflateUnfilter(benchmark::State& state, const std::string& group) {
  const std::vector<PngFile>& files = Groups().at(group);
  Bytes raw;
  for (auto _ : state)
    for (const PngFile& f : files) {
      Inflate(f, raw);
      UnfilterAll(f, raw);
      benchmark::DoNotOptimize(raw.data());
    }
  SetCounters(state, files);
}

const bool kRegistered = [] {
  for (const auto& [group, files] : Groups()) {
    const auto reg = [&group = group](const char* what,
                                      void (*fn)(benchmark::State&, const std::string&)) {
      benchmark::RegisterBenchmark((std::string(what) + "/" + group).c_str(), fn, group)
          ->Unit(benchmark::kMillisecond)
          ->Repetitions(5)
          ->ReportAggregatesOnly(true);
    };
    reg("PngRead", &PngRead);
    reg("PngLoad", &PngLoad);
    reg("Inflate", &InflateOnly);
    reg("Unfilter", &InflateUnfilter);
  }
  return true;
}();

}  // namespace
