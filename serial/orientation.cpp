#include "serial/orientation.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "image/rotation.h"
#include "ocr/omnifontocr.h"
#include "platform/exceptions.h"

namespace serial_detail {

namespace {

// The digits of a serial: every layout has them from its third character
// to its last but one. Read as digits, they mostly score 95 to 100 (mean
// confidence) as they lie and 45 to 90 turned half round; letters would
// score turned glyphs higher (a turned M is a W, a turned 3 an E). Serials
// of 0, 1, 6, 8 and 9 read well both ways, so the vote orders the readings
// but does not replace one.
constexpr const char16_t* kDigits = u"0123456789";
constexpr std::size_t kFirstDigit = 2;
// From this score on, the other way up is not looked at; a lead of
// kDecisiveLead settles which way up the note is. On the corpus (270 notes,
// each also turned) no vote with that lead was wrong, and a tenth of the
// notes fall short of it. A serial of 0, 1, 6, 8 and 9 can read surely both
// ways, so a sure reading as the line lies orders the readings but settles
// nothing.
constexpr double kSureUpright = 95;
constexpr double kDecisiveLead = 20;
// Room around the line's glyphs, in glyph heights.
constexpr double kMargin = 0.3;
// Glyphs taller than this (pixels) are read scaled down to it: at 24 the
// votes come out as at full size (300 dpi, 36 pixels) in half the time.
constexpr double kGlyphPixels = 24;

// Mean confidence of the digits of a line read as digits.
double ReadingConfidence(const TDIB& crop) {
  TOmnifontOCR engine;
  engine.NumericOnly = false;
  engine.AllowedChars = kDigits;
  try {
    engine.RecognizeWord(crop.BlockHandle());
  } catch (const platform::Exception&) {
    return 0;  // nothing the engine could take for characters
  }
  const std::size_t n = engine.Characters.size();
  if (n < kFirstDigit + 2) return 0;
  double sum = 0;
  for (std::size_t i = kFirstDigit; i + 1 < n; ++i) {
    const TCharRecord& rec = *engine.Characters[i];
    if (rec.Ch != NoChar && rec.CandCount > 0) sum += rec.Confs[0];
  }
  return sum / static_cast<double>(n - kFirstDigit - 1);
}

}  // namespace

bool TOrientationVote::Decisive() const {
  return Turned >= 0 && std::abs(Upright - Turned) >= kDecisiveLead;
}

TOrientationVote VoteOrientation(const TDIB& note, const TOverview& overview,
                                 const TSerialLine& line, bool bothWays) {
  const TRect box = line.Box();
  const int32_t f = overview.Factor;
  const auto margin = static_cast<int32_t>(kMargin * line.Height * f);
  std::unique_ptr<TDIB> crop =
      note.Crop(box.Left * f - margin, box.Top * f - margin, (box.Right + 1) * f - 1 + margin,
                (box.Bottom + 1) * f - 1 + margin);
  // The engine's time grows with the glyphs' size, its confidence hardly.
  const double scale = kGlyphPixels / (line.Height * f);
  if (scale < 1) {
    crop->ConvertTo(df8Bit);
    const TResampleGrid grid{(crop->Width() - 1) / 2.0,
                             (crop->Height() - 1) / 2.0,
                             0,
                             1 / scale,
                             std::max(1, static_cast<int32_t>(crop->Width() * scale)),
                             std::max(1, static_cast<int32_t>(crop->Height() * scale))};
    crop = ResampleGrid(*crop, grid, 255);
  }
  TOrientationVote vote;
  vote.Upright = ReadingConfidence(*crop);
  if (bothWays || vote.Upright < kSureUpright)
    vote.Turned = ReadingConfidence(*TurnQuarters(*crop, 2));
  return vote;
}

}  // namespace serial_detail
