// The digit recogniser's shape tests, shared by the files that hold them.
// Each test looks at the glyph crop alone (box-relative probes), starts from
// its own confidence, gives up at the first condition the shape fails and
// otherwise returns the confidence left after its penalties.
#pragma once

#include <cstdint>
#include <optional>

#include "classifier/classifier.h"
#include "classifier/probes.h"

// A digit test's outcome: the confidence to propose, or nothing.
using TDigitVerdict = std::optional<int32_t>;

class TDigitTests : public Probes {
 public:
  explicit TDigitTests(const TGlyphContext& context);

  TDigitVerdict Digit5() const;
  TDigitVerdict Digit1() const;
  TDigitVerdict Digit2() const;
  TDigitVerdict Digit3() const;
  TDigitVerdict Digit4() const;
  TDigitVerdict Digit6() const;
  TDigitVerdict Digit7() const;
  TDigitVerdict Digit8() const;
  TDigitVerdict Digit9() const;
  TDigitVerdict Digit0Ring() const;
  TDigitVerdict Digit0Divided() const;

 private:
  // What the stem of a "1" measured, handed from one group of checks to the next.
  struct TOneStem {
    bool serif = false;
    int32_t xt = 0;  // stem centre near the top
    int32_t xb = 0;  // stem centre just above the foot
  };

  // ×k: conf := conf * k div 100.
  static void Penalise(int32_t& conf, int32_t k) { conf = conf * k / 100; }

  int32_t holeCount() const { return context_.Holes.Count; }
  const THole& hole(int32_t i) const { return context_.Holes.Items[i]; }
  const TCharRecord& glyph() const { return *context_.Glyph; }
  bool isTall() const { return context_.IsTall; }
  bool hasDescender() const { return context_.HasDescender; }

  // The first hole, if any, sits in the top-left quarter (the loop of a
  // curly "2" or "3").
  bool onlyTopLeftLoop() const;
  // One ink run across rows 0/1, rows H-1/H-2, columns 0/1 and columns
  // W-1/W-2: the closed outline of a ring.
  bool ringOutlineSingle() const;
  // Both right corners blank while a left corner holds ink.
  bool openRightCorners() const;
  // The largest paper gap from the left (or right) edge over the rows from
  // `from` to `to` stepping by `step` (+1 or -1), and the row it was found on:
  // the first such row in scan order, or the last when lastWins. An empty range
  // gives -1 and leaves row unchanged.
  enum class TEdge : std::uint8_t { Left, Right };
  int32_t widestGap(TEdge edge, int32_t from, int32_t to, int32_t step, bool lastWins,
                    int32_t& row) const;

  bool fiveTopAndOpenings(int32_t& conf) const;
  bool fiveLeftProfile(int32_t& conf) const;

  bool onePreconditions() const;
  bool oneFoot(int32_t& conf, TOneStem& stem) const;
  bool oneStemLine(int32_t& conf, TOneStem& stem) const;
  bool oneProfiles(int32_t& conf, const TOneStem& stem) const;
  bool oneOutline(int32_t& conf) const;
  void oneContext(int32_t& conf) const;

  bool twoPreconditions() const;
  bool twoBaseAndMouth(int32_t& conf) const;

  bool threeLobes(int32_t& conf) const;

  bool fourStemAndDiagonal(int32_t& conf, int32_t& g0) const;
  bool fourBars(int32_t g0) const;
  bool fourShapeChecks(int32_t& conf) const;

  bool eightWaists(int32_t& conf) const;
  bool eightOutline(int32_t& conf) const;

  const TGlyphContext& context_;
};
