// The model file, the build step that embeds it, and the training: a model
// survives its file unchanged, a broken file is refused with its reason
// both by the parser and by the build step, and training is reproducible.
#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "glyphmodel/glyphmodel.h"
#include "glyphmodel/glyphtraining.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// A tiny sample: four characters, each a block of ink in its own quarter of
// the grid, with some noise.
std::vector<TGlyphSample> TinySample() {
  std::vector<TGlyphSample> samples;
  TTrainingRandom random(5);
  for (std::uint8_t cls : {0, 1, 26, 27}) {  // A, B, 0, 1
    for (int32_t k = 0; k < 10; ++k) {
      TGlyphSample s;
      s.Class = cls;
      for (std::size_t i = 0; i < kGlyphFeatureCount; ++i) {
        const std::size_t row = i / kGlyphGrid, column = i % kGlyphGrid;
        const bool inQuarter =
            i < kGridFeatures && (row < 8) == (cls % 2 == 0) && (column < 8) == (cls < 26);
        s.Features[i] = static_cast<float>((inQuarter ? 0.8 : 0.1) + 0.1 * random.Uniform());
      }
      samples.push_back(s);
    }
  }
  return samples;
}

TGlyphTraining TinySettings(std::uint64_t seed = 1) {
  TGlyphTraining s;
  s.Hidden = 8;
  s.Epochs = 5;
  s.Batch = 4;
  s.Seed = seed;
  return s;
}

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

std::string ParseError(const Bytes& bytes) {
  try {
    ParseGlyphModel(bytes);
  } catch (const EGlyphModelError& e) {
    return e.what();
  }
  return "";
}

// Rewrites the trailing checksum so that only the change under test is wrong.
void Rehash(Bytes& bytes) {
  const std::uint64_t h = GlyphModelHash(std::span(bytes).first(bytes.size() - 8));
  for (int i = 0; i < 8; ++i) bytes[bytes.size() - 8 + i] = static_cast<std::uint8_t>(h >> (8 * i));
}

void PutU32(Bytes& bytes, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace

TEST(GlyphModel, TrainingTheSameSampleTwiceGivesTheSameBytes) {
  const std::vector<TGlyphSample> samples = TinySample();
  const Bytes first = SerializeGlyphModel(TrainGlyphModel(samples, TinySettings()));
  EXPECT_EQ(SerializeGlyphModel(TrainGlyphModel(samples, TinySettings())), first);
  EXPECT_NE(SerializeGlyphModel(TrainGlyphModel(samples, TinySettings(2))), first);
}

TEST(GlyphModel, AModelSurvivesItsFileAndReadsWhatItLearnt) {
  const std::vector<TGlyphSample> samples = TinySample();
  for (const int32_t hidden : {0, 8}) {  // linear, and one hidden layer
    TGlyphTraining settings = TinySettings();
    settings.Hidden = hidden;
    const TGlyphModel trained = TrainGlyphModel(samples, settings);
    const Bytes bytes = SerializeGlyphModel(trained);
    const TGlyphModel parsed = ParseGlyphModel(bytes);
    EXPECT_EQ(SerializeGlyphModel(parsed), bytes) << hidden;
    for (const TGlyphSample& s : samples) {
      const TGlyphJudgement j{Classify(parsed, s.Features)};
      EXPECT_EQ(j.Probabilities, Classify(trained, s.Features)) << hidden;
      EXPECT_EQ(j.Among(kGlyphAlphabet).Best, kGlyphAlphabet[s.Class]) << hidden;
    }
  }
}

TEST(GlyphModel, AJudgementIsReadAmongTheCharactersAPositionAllows) {
  TGlyphJudgement j;
  j.Probabilities[kGlyphAlphabet.find('O')] = 0.5f;
  j.Probabilities[kGlyphAlphabet.find('0')] = 0.3f;
  j.Probabilities[kGlyphAlphabet.find('8')] = 0.1f;
  EXPECT_EQ(j.Among(kGlyphAlphabet).Best, 'O');
  const TGlyphReading digit = j.Among("0123456789");
  EXPECT_EQ(digit.Best, '0');
  EXPECT_FLOAT_EQ(digit.Probability, 0.75f);
  EXPECT_FLOAT_EQ(digit.RunnerUp, 0.25f);
}

// Every way a model file can be broken, refused by the parser and by the
// build step that embeds the model, with the same reason.
struct BrokenModel {
  const char* name;
  void (*breakIt)(Bytes&);
  const char* message;
};

const BrokenModel kBroken[] = {
    {"truncated", [](Bytes& b) { b.resize(b.size() - 100); },
     "truncated: 40677 bytes, 40777 expected"},
    {"cut to its header", [](Bytes& b) { b.resize(20); }, "truncated: 20 bytes"},
    {"overlong", [](Bytes& b) { b.push_back(0); }, "overlong: 40778 bytes, 40777 expected"},
    {"a weight changed", [](Bytes& b) { b[b.size() / 2] ^= 0x10; },
     "checksum mismatch: the file is corrupt"},
    {"not a model", [](Bytes& b) { std::memcpy(b.data(), "GIF89a..", 8); },
     "not a glyph model file"},
    {"another version",
     [](Bytes& b) {
       PutU32(b, 8, 2);
       Rehash(b);
     },
     "format version 2, this build reads version 1"},
    {"other features",
     [](Bytes& b) {
       PutU32(b, 12, 100);
       Rehash(b);
     },
     "made for 100 features per glyph, this build measures 260"},
    {"too many hidden units",
     [](Bytes& b) {
       PutU32(b, 16, 5000);
       Rehash(b);
     },
     "5000 hidden units, at most 4096"},
    {"other characters",
     [](Bytes& b) {
       b[24] = 'a';
       Rehash(b);
     },
     "its characters are not the serial alphabet ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789*"},
    {"a weight not a number",
     [](Bytes& b) {
       PutU32(b, 24 + kGlyphClassCount, 0x7fc00000);  // the first offset: NaN
       Rehash(b);
     },
     "a weight is not a finite number"},
};

// A linear model of the tiny sample: 40777 bytes.
Bytes LinearModelFile() {
  TGlyphTraining settings = TinySettings();
  settings.Hidden = 0;
  return SerializeGlyphModel(TrainGlyphModel(TinySample(), settings));
}

TEST(GlyphModel, TheParserRefusesABrokenFileSayingWhy) {
  const Bytes good = LinearModelFile();
  ASSERT_EQ(good.size(), 40777u);
  ASSERT_EQ(ParseError(good), "");
  for (const BrokenModel& c : kBroken) {
    Bytes b = good;
    c.breakIt(b);
    EXPECT_EQ(ParseError(b), std::string("glyph model: ") + c.message) << c.name;
  }
}

TEST(GlyphModel, TheBuildStepRefusesABrokenModelAndWritesNothing) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("embed_test_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::string model = (dir / "glyphs.model").string();
  const std::string source = (dir / "embedded.cpp").string();
  const std::string errors = (dir / "stderr").string();
  auto embed = [&] {
    std::filesystem::remove(source);
    const std::string command =
        std::string(VEREVIZU_EMBED_TOOL) + " " + model + " " + source + " 2>" + errors;
    return std::system(command.c_str());
  };

  // The project's own model embeds.
  WriteFile(model, ReadFile(VEREVIZU_GLYPH_MODEL));
  ASSERT_EQ(embed(), 0);
  EXPECT_TRUE(std::filesystem::exists(source));

  const Bytes good = LinearModelFile();
  for (const BrokenModel& c : kBroken) {
    Bytes b = good;
    c.breakIt(b);
    WriteFile(model, b);
    EXPECT_NE(embed(), 0) << c.name;
    const Bytes said = ReadFile(errors);
    EXPECT_EQ(std::string(said.begin(), said.end()),
              "embed_glyph_model: " + model + ": glyph model: " + c.message + "\n")
        << c.name;
    EXPECT_FALSE(std::filesystem::exists(source)) << c.name;
  }
  std::filesystem::remove_all(dir);
}
