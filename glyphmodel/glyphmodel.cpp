#include "glyphmodel/glyphmodel.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace {

constexpr std::string_view kMagic = "VZGLYPHM";
constexpr std::uint32_t kVersion = 1;
constexpr std::size_t kHeaderBytes = 8 + 4 * 4;
constexpr std::size_t kHashBytes = 8;

std::size_t WeightCount(std::size_t hidden) {
  const std::size_t outputInputs = hidden > 0 ? hidden : kGlyphFeatureCount;
  return 2 * kGlyphFeatureCount + hidden * kGlyphFeatureCount + hidden +
         kGlyphClassCount * outputInputs + kGlyphClassCount;
}

std::size_t FileBytes(std::size_t hidden) {
  return kHeaderBytes + kGlyphClassCount + 4 * WeightCount(hidden) + kHashBytes;
}

class TWriter {
 public:
  void Bytes(std::string_view s) { out_.insert(out_.end(), s.begin(), s.end()); }
  void U32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  void U64(std::uint64_t v) {
    for (int i = 0; i < 8; ++i) out_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  void Floats(const std::vector<float>& v) {
    for (const float f : v) {
      std::uint32_t bits;
      std::memcpy(&bits, &f, 4);
      U32(bits);
    }
  }
  std::vector<std::uint8_t> Take() { return std::move(out_); }
  std::span<const std::uint8_t> Written() const { return out_; }

 private:
  std::vector<std::uint8_t> out_;
};

class TReader {
 public:
  explicit TReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::uint32_t U32() {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(bytes_[at_++]) << (8 * i);
    return v;
  }
  std::uint64_t U64() {
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v |= static_cast<std::uint64_t>(bytes_[at_++]) << (8 * i);
    return v;
  }
  std::string_view Chars(std::size_t n) {
    const std::string_view s(reinterpret_cast<const char*>(bytes_.data() + at_), n);
    at_ += n;
    return s;
  }
  std::vector<float> Floats(std::size_t n) {
    std::vector<float> v(n);
    for (float& f : v) {
      const std::uint32_t bits = U32();
      std::memcpy(&f, &bits, 4);
      if (!std::isfinite(f)) throw EGlyphModelError("glyph model: a weight is not a finite number");
    }
    return v;
  }
  std::size_t At() const { return at_; }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t at_ = 0;
};

std::string Fault(const std::string& what) {
  return "glyph model: " + what;
}

}  // namespace

// FNV-1a, 64 bits: enough to catch a damaged file, which is all it is for.
std::uint64_t GlyphModelHash(std::span<const std::uint8_t> bytes) {
  std::uint64_t h = 0xcbf29ce484222325u;
  for (const std::uint8_t b : bytes) {
    h ^= b;
    h *= 0x100000001b3u;
  }
  return h;
}

TGlyphProbabilities ForwardPass(const TGlyphModel& model, const TGlyphFeatures& features,
                                std::span<float> input, std::span<float> hidden) {
  for (std::size_t i = 0; i < kGlyphFeatureCount; ++i)
    input[i] = (features[i] - model.InputOffset[i]) * model.InputScale[i];
  for (std::size_t u = 0; u < hidden.size(); ++u) {
    const float* w = &model.HiddenWeights[u * kGlyphFeatureCount];
    float sum = model.HiddenBias[u];
    for (std::size_t i = 0; i < kGlyphFeatureCount; ++i) sum += w[i] * input[i];
    hidden[u] = std::max(0.0f, sum);
  }
  const float* x = model.Hidden > 0 ? hidden.data() : input.data();
  const std::size_t n = model.OutputInputs();
  TGlyphProbabilities p;
  for (std::size_t c = 0; c < kGlyphClassCount; ++c) {
    const float* w = &model.OutputWeights[c * n];
    float sum = model.OutputBias[c];
    for (std::size_t i = 0; i < n; ++i) sum += w[i] * x[i];
    p[c] = sum;
  }
  const float top = *std::max_element(p.begin(), p.end());
  float total = 0;
  for (float& v : p) total += v = std::exp(v - top);
  for (float& v : p) v /= total;
  return p;
}

TGlyphProbabilities Classify(const TGlyphModel& model, const TGlyphFeatures& features) {
  std::array<float, kGlyphFeatureCount> input;
  std::vector<float> hidden(static_cast<std::size_t>(model.Hidden));
  return ForwardPass(model, features, input, hidden);
}

std::vector<std::uint8_t> SerializeGlyphModel(const TGlyphModel& model) {
  TWriter w;
  w.Bytes(kMagic);
  w.U32(kVersion);
  w.U32(static_cast<std::uint32_t>(kGlyphFeatureCount));
  w.U32(static_cast<std::uint32_t>(model.Hidden));
  w.U32(static_cast<std::uint32_t>(kGlyphClassCount));
  w.Bytes(kGlyphAlphabet);
  for (const auto* v : {&model.InputOffset, &model.InputScale, &model.HiddenWeights,
                        &model.HiddenBias, &model.OutputWeights, &model.OutputBias})
    w.Floats(*v);
  w.U64(GlyphModelHash(w.Written()));
  return w.Take();
}

TGlyphModel ParseGlyphModel(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kHeaderBytes + kGlyphClassCount + kHashBytes)
    throw EGlyphModelError(Fault("truncated: " + std::to_string(bytes.size()) + " bytes"));
  TReader r(bytes);
  if (r.Chars(kMagic.size()) != kMagic) throw EGlyphModelError(Fault("not a glyph model file"));
  if (const std::uint32_t version = r.U32(); version != kVersion)
    throw EGlyphModelError(Fault("format version " + std::to_string(version) +
                                 ", this build reads version " + std::to_string(kVersion)));
  if (const std::uint32_t features = r.U32(); features != kGlyphFeatureCount)
    throw EGlyphModelError(Fault("made for " + std::to_string(features) +
                                 " features per glyph, this build measures " +
                                 std::to_string(kGlyphFeatureCount)));
  const std::uint32_t hidden = r.U32();
  if (hidden > static_cast<std::uint32_t>(kMaxHiddenUnits))
    throw EGlyphModelError(Fault(std::to_string(hidden) + " hidden units, at most " +
                                 std::to_string(kMaxHiddenUnits)));
  const std::uint32_t classes = r.U32();
  if (classes != kGlyphClassCount || r.Chars(kGlyphClassCount) != kGlyphAlphabet)
    throw EGlyphModelError(
        Fault("its characters are not the serial alphabet " + std::string(kGlyphAlphabet)));
  const std::size_t expected = FileBytes(hidden);
  if (bytes.size() != expected)
    throw EGlyphModelError(Fault(std::string(bytes.size() < expected ? "truncated" : "overlong") +
                                 ": " + std::to_string(bytes.size()) + " bytes, " +
                                 std::to_string(expected) + " expected"));
  if (GlyphModelHash(bytes.first(expected - kHashBytes)) !=
      TReader(bytes.subspan(expected - kHashBytes)).U64())
    throw EGlyphModelError(Fault("checksum mismatch: the file is corrupt"));

  TGlyphModel m;
  m.Hidden = static_cast<int32_t>(hidden);
  m.InputOffset = r.Floats(kGlyphFeatureCount);
  m.InputScale = r.Floats(kGlyphFeatureCount);
  m.HiddenWeights = r.Floats(hidden * kGlyphFeatureCount);
  m.HiddenBias = r.Floats(hidden);
  m.OutputWeights = r.Floats(kGlyphClassCount * m.OutputInputs());
  m.OutputBias = r.Floats(kGlyphClassCount);
  return m;
}
