#include "glyphmodel/glyphtraining.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>

namespace {

// Features that barely vary (grid corners almost never inked) are not blown
// up beyond this scale.
constexpr double kMinDeviation = 0.05;

void Standardise(const std::vector<TGlyphSample>& samples, TGlyphModel& m) {
  m.InputOffset.assign(kGlyphFeatureCount, 0);
  m.InputScale.assign(kGlyphFeatureCount, 1);
  if (samples.empty()) return;
  for (std::size_t i = 0; i < kGlyphFeatureCount; ++i) {
    double sum = 0, squares = 0;
    for (const TGlyphSample& s : samples) {
      sum += s.Features[i];
      squares += static_cast<double>(s.Features[i]) * s.Features[i];
    }
    const double n = static_cast<double>(samples.size());
    const double mean = sum / n;
    const double deviation = std::sqrt(std::max(0.0, squares / n - mean * mean));
    m.InputOffset[i] = static_cast<float>(mean);
    m.InputScale[i] = static_cast<float>(1 / std::max(deviation, kMinDeviation));
  }
}

void Initialise(std::vector<float>& weights, std::size_t fanIn, std::size_t fanOut,
                TTrainingRandom& random) {
  // Uniform within the limit that keeps the variance of the layer's output
  // near its input's (fanOut 0 for a layer of rectified units).
  const double limit = std::sqrt(6.0 / static_cast<double>(fanIn + fanOut));
  for (float& w : weights) w = static_cast<float>((2 * random.Uniform() - 1) * limit);
}

// The parameters of a model and their gradients or velocities, side by side.
struct TLayers {
  std::vector<float> HiddenWeights, HiddenBias, OutputWeights, OutputBias;
  void ZeroLike(const TGlyphModel& m) {
    HiddenWeights.assign(m.HiddenWeights.size(), 0);
    HiddenBias.assign(m.HiddenBias.size(), 0);
    OutputWeights.assign(m.OutputWeights.size(), 0);
    OutputBias.assign(m.OutputBias.size(), 0);
  }
};

class TTrainer {
 public:
  TTrainer(const std::vector<TGlyphSample>& samples, const TGlyphTraining& s)
      : samples_(samples), s_(s), random_(s.Seed) {
    m_.Hidden = std::max(0, s.Hidden);
    Standardise(samples, m_);
    const std::size_t h = static_cast<std::size_t>(m_.Hidden);
    m_.HiddenWeights.resize(h * kGlyphFeatureCount);
    m_.HiddenBias.assign(h, 0);
    m_.OutputWeights.resize(kGlyphClassCount * m_.OutputInputs());
    m_.OutputBias.assign(kGlyphClassCount, 0);
    Initialise(m_.HiddenWeights, kGlyphFeatureCount, 0, random_);
    Initialise(m_.OutputWeights, m_.OutputInputs(), kGlyphClassCount, random_);
    gradient_.ZeroLike(m_);
    velocity_.ZeroLike(m_);
    input_.resize(kGlyphFeatureCount);
    hidden_.resize(h);
    hiddenGradient_.resize(h);
  }

  TGlyphModel Run() {
    if (samples_.empty()) return m_;
    std::vector<std::size_t> order(samples_.size());
    std::iota(order.begin(), order.end(), 0);
    const std::size_t batch = static_cast<std::size_t>(std::max(1, s_.Batch));
    const std::size_t steps = (order.size() + batch - 1) / batch * std::max(1, s_.Epochs);
    std::size_t step = 0;
    for (int32_t epoch = 0; epoch < s_.Epochs; ++epoch) {
      for (std::size_t i = order.size(); i > 1; --i)
        std::swap(order[i - 1], order[random_.Below(i)]);
      for (std::size_t first = 0; first < order.size(); first += batch) {
        const std::size_t last = std::min(order.size(), first + batch);
        gradient_.ZeroLike(m_);
        for (std::size_t k = first; k < last; ++k) Backpropagate(samples_[order[k]]);
        const float rate =
            s_.LearningRate * (1 - static_cast<float>(step++) / static_cast<float>(steps));
        Update(rate, static_cast<float>(last - first));
      }
    }
    return m_;
  }

 private:
  void Backpropagate(const TGlyphSample& sample) {
    TGlyphProbabilities p = ForwardPass(m_, sample.Features, input_, hidden_);
    const std::size_t h = hidden_.size();
    const std::vector<float>& x = h > 0 ? hidden_ : input_;
    const std::size_t n = m_.OutputInputs();
    p[sample.Class] -= 1;  // the gradient of the cross-entropy at the logits

    std::fill(hiddenGradient_.begin(), hiddenGradient_.end(), 0.0f);
    for (std::size_t c = 0; c < kGlyphClassCount; ++c) {
      const float d = p[c];
      float* g = &gradient_.OutputWeights[c * n];
      const float* w = &m_.OutputWeights[c * n];
      for (std::size_t i = 0; i < n; ++i) g[i] += d * x[i];
      gradient_.OutputBias[c] += d;
      for (std::size_t u = 0; u < h; ++u) hiddenGradient_[u] += d * w[u];
    }
    for (std::size_t u = 0; u < h; ++u) {
      if (hidden_[u] <= 0) continue;  // the unit was off: no gradient through it
      const float d = hiddenGradient_[u];
      float* g = &gradient_.HiddenWeights[u * kGlyphFeatureCount];
      for (std::size_t i = 0; i < kGlyphFeatureCount; ++i) g[i] += d * input_[i];
      gradient_.HiddenBias[u] += d;
    }
  }

  // Applies the summed gradient of `count` samples.
  void Update(float rate, float count) {
    rate /= count;
    auto step = [&](std::vector<float>& w, const std::vector<float>& g, std::vector<float>& v,
                    bool decay) {
      for (std::size_t i = 0; i < w.size(); ++i) {
        const float grad = g[i] + (decay ? s_.WeightDecay * w[i] * count : 0);
        v[i] = s_.Momentum * v[i] - rate * grad;
        w[i] += v[i];
      }
    };
    step(m_.HiddenWeights, gradient_.HiddenWeights, velocity_.HiddenWeights, true);
    step(m_.HiddenBias, gradient_.HiddenBias, velocity_.HiddenBias, false);
    step(m_.OutputWeights, gradient_.OutputWeights, velocity_.OutputWeights, true);
    step(m_.OutputBias, gradient_.OutputBias, velocity_.OutputBias, false);
  }

  const std::vector<TGlyphSample>& samples_;
  TGlyphTraining s_;
  TTrainingRandom random_;
  TGlyphModel m_;
  TLayers gradient_, velocity_;
  std::vector<float> input_, hidden_, hiddenGradient_;
};

}  // namespace

std::uint64_t TTrainingRandom::Next() {
  std::uint64_t z = (state_ += 0x9e3779b97f4a7c15u);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9u;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebu;
  return z ^ (z >> 31);
}

double TTrainingRandom::Uniform() {
  return static_cast<double>(Next() >> 11) * 0x1.0p-53;
}

double TTrainingRandom::Normal() {
  // Box-Muller; 1 - Uniform() is never 0.
  const double u = 1 - Uniform(), v = Uniform();
  return std::sqrt(-2 * std::log(u)) * std::cos(2 * std::numbers::pi * v);
}

TGlyphModel TrainGlyphModel(const std::vector<TGlyphSample>& samples,
                            const TGlyphTraining& settings) {
  return TTrainer(samples, settings).Run();
}
