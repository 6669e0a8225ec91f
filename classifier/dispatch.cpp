// The candidate list and the dispatcher.
//
//   SetAC          keeps a record's candidates sorted, unique, at most nine,
//                  within AllowedChars and composed with the record's accent
//   ComposeAccent  base character + spacing accent -> precomposed character
//   ClassifyGlyph  context, bottom trim, the punctuation marks the dispatcher
//                  reads itself, the accent probe, then every recogniser
//
// The punctuation rules measure the glyph box against the four heights of its
// text line: TL (capital top), ML (mean line), BL (baseline) and BoL (bottom
// of the descenders). Comparisons such as "TL + ML < 2T" read "the top of the
// box lies below the middle between top line and mean line".
#include <algorithm>
#include <array>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "classifier/classifier.h"
#include "ocr/recognition.h"
#include "platform/exceptions.h"

namespace {

// The most candidates a record keeps; the tenth slot of the arrays stays free.
constexpr int32_t kMaxCands = 9;
constexpr int32_t kCandSlots = 10;

// Each accent with the bases it combines with and the precomposed results, in
// the same order. The digit zero composes like the capital O; a dot above
// turns the comma and the full stop into the semicolon and the colon.
struct TAccentRow {
  char16_t accent;
  std::u16string_view bases;
  std::u16string_view results;
};

constexpr std::array<TAccentRow, 10> kAccentTable = {{
    {accAcute, u"0OACEGILNRSUYZacegilnorsuyz", u"ÓÓÁĆÉǴÍĹŃŔŚÚÝŹáćéǵíĺńóŕśúýź"},
    {accBreve, u"AEGIOUaegiou", u"ĂĔĞĬŎŬăĕğĭŏŭ"},
    {accCaron, u"0OACEISUZaceiosuz", u"ǑǑǍČĚǏŠǓŽǎčěǐǒšǔž"},
    {accTilde, u"0OAINUainou", u"ÕÕÃĨÑŨãĩñõũ"},
    {accGrave, u"0OAEINUaeinou", u"ÒÒÀÈÌǸÙàèìǹòù"},
    {accDiaeresis, u"0OAEIUYaeiouy", u"ÖÖÄËÏÜŸäëïöüÿ"},
    {accCircumflex, u"0OACEGHIJSUWYaceghijosuwy", u"ÔÔÂĈÊĜĤÎĴŜÛŴŶâĉêĝĥîĵôŝûŵŷ"},
    {accMacron, u"AEIOUYaeiouy", u"ĀĒĪŌŪȲāēīōūȳ"},
    {accDotAbove, u",.ACEGIOZacegoz", u";:ȦĊĖĠİȮŻȧċėġȯż"},
    {accRingAbove, u"AUau", u"ÅŮåů"},
}};

constexpr bool TableRowsMatch() {
  for (const TAccentRow& row : kAccentTable) {
    if (row.bases.size() != row.results.size()) return false;
  }
  return true;
}
static_assert(TableRowsMatch(), "every base of the accent table needs exactly one result");

// ×k: conf := conf * k div 100.
void Penalise(int32_t& conf, int32_t k) {
  conf = conf * k / 100;
}

// The letter recognisers in the order they run; W comes last of the letters.
constexpr std::array<TRecogniser, 25> kLetterRecognisers = {
    RecogniseA, RecogniseB,  RecogniseC, RecogniseD, RecogniseE, RecogniseF, RecogniseG,
    RecogniseH, RecogniseIJ, RecogniseK, RecogniseL, RecogniseM, RecogniseN, RecogniseO,
    RecogniseP, RecogniseQ,  RecogniseR, RecogniseS, RecogniseT, RecogniseU, RecogniseV,
    RecogniseX, RecogniseY,  RecogniseZ, RecogniseW,
};

// One classification: the box, the line heights and the probes of the rules,
// all on the working raster unless a rule reads the crop.
class TDispatcher {
 public:
  TDispatcher(TOmnifontOCR& engine, TCharRecord& glyph, const TDIB& crop, int32_t threshold)
      : engine_(engine),
        glyph_(glyph),
        raster_(*glyph.Raster),
        crop_(crop),
        thr_(static_cast<std::uint8_t>(threshold)),
        L(glyph.Left),
        R(glyph.Right),
        T(glyph.Top),
        B(glyph.Bottom),
        W(R - L + 1),
        H(B - T + 1),
        TL(glyph.LineTop),
        ML(glyph.LineMean),
        BL(glyph.LineBase),
        BoL(glyph.LineBottom) {
    context_.Glyph = &glyph;
    context_.Crop = &crop;
    context_.Threshold = threshold;
  }

  char16_t Run() {
    FillContext();
    TrimBottom();
    char16_t early = NoChar;
    if (DashOrUnderscore(early)) return early;
    if (EqualsSign(early)) return early;
    if (Colon(early)) return early;
    Semicolon();
    FullStop();
    Comma();
    Quotes();
    Tilde();
    Circumflex();
    ProbeAccent();
    RunRecognisers();
    return glyph_.Ch;
  }

 private:
  // --- probes -------------------------------------------------------------

  bool InkIn(int32_t x0, int32_t x1, int32_t y0, int32_t y1) const {
    return RectColours(raster_, x0, x1, y0, y1, thr_, cfInk) == cfInk;
  }
  bool NoPaperIn(int32_t x0, int32_t x1, int32_t y0, int32_t y1) const {
    return RectColours(raster_, x0, x1, y0, y1, thr_, cfPaper) != cfPaper;
  }
  bool RowHasInk(int32_t y) const { return InkIn(L, R, y, y); }
  // Paper pixels from (x, y) to the first ink pixel.
  int32_t Gap(int32_t x, int32_t y, int32_t dir, int32_t limit) const {
    return RunLength(raster_, x, y, dir, cfInk, limit, thr_);
  }
  int32_t RunsOnRow(int32_t y) const { return CountInkRuns(raster_, L, y, R, y, thr_); }
  bool InkAt(int32_t x, int32_t y) const {
    return x >= 0 && y >= 0 && x < raster_.Width() && y < raster_.Height() &&
           IsInk(raster_, x, y, thr_);
  }
  // Consecutive rows with ink from row `from` going by `step`, at most `limit`.
  int32_t InkRowsFrom(int32_t from, int32_t step, int32_t limit) const {
    int32_t n = 0;
    while (n < limit && RowHasInk(from + step * n)) ++n;
    return n;
  }

  // The four corner gaps: paper from the left edge on the top and bottom rows,
  // and from the right edge on both. gTL > gBL with gTR < gBR is a shape whose
  // top lies right of its bottom.
  struct TCornerGaps {
    int32_t tl, bl, tr, br;
    bool TopShiftedRight() const { return tl > bl && tr < br; }
  };
  TCornerGaps CornerGaps(int32_t limit) const {
    return {Gap(L, T, dirRight, limit), Gap(L, B, dirRight, limit), Gap(R, T, dirLeft, limit),
            Gap(R, B, dirLeft, limit)};
  }

  // A flat mark above the mean line: quotes, tilde, circumflex.
  bool HighMark() const { return BoL - TL > 2 * H && TL + ML > 2 * T && 2 * ML + BL > 3 * B; }

  // --- rules --------------------------------------------------------------

  void FillContext() {
    SetLineFlags(context_);
    FindHoles(engine_, raster_, L, R, T, B, thr_, &context_.Holes);
  }

  // A glyph reaching into the descender zone through a blank row (a mark below
  // it, or the top of the next line) loses everything from that row down.
  void TrimBottom() {
    if (!(ML + BL > 2 * T && BL < BoL && BL + BoL < 2 * B)) return;
    int32_t y = (ML + BL) / 2;
    while (2 * y < BL + BoL && RowHasInk(y)) ++y;
    const int32_t middle = (L + R) / 2;
    if (2 * y < BL + BoL && y > T && !InkIn(middle, middle, y, BoL)) {
      glyph_.Bottom = y;
      B = y;
    }
  }

  // A solid bar well below the line height: dash, underscore or a bar of "=".
  bool DashOrUnderscore(char16_t& early) {
    if (!(BL - ML > 2 * H && 3 * W >= 4 * H && W > 4)) return false;
    const int32_t e = H > 2 ? 1 : 0;
    if (!NoPaperIn(L + W / 8 + 1, R - W / 8 - 1, T + H / 8 + e, B - H / 8 - e)) return false;
    if (glyph_.MarksAbove != 0) {
      SetAC(engine_, glyph_, u'=', 97);
      return false;
    }
    int32_t conf = 100;
    if (2 * H >= W) Penalise(conf, 98);
    if (3 * H >= W) Penalise(conf, 99);
    if (BoL == 0) {
      Penalise(conf, 96);
    } else if (BL <= B) {  // the bar reaches the baseline
      if (2 * H > W) Penalise(conf, 98);
      if (3 * H > 2 * W) Penalise(conf, 98);
      SetAC(engine_, glyph_, u'_', conf);
      return false;
    }
    SetAC(engine_, glyph_, u'-', conf);
    if (conf < 100) return false;
    early = u'-';
    return true;
  }

  // Two full bars with blank rows between them.
  bool EqualsSign(char16_t& early) {
    if (!(H > 2 && W > 4)) return false;
    const int32_t d = W / 10;
    int32_t y = T;
    while (y <= B - 1 && !InkIn(L + d, R - d, y, y)) ++y;  // B when no row has ink
    if (!NoPaperIn(L + d, R - d, y, y)) return false;
    if (RowHasInk((y + B) / 2)) return false;
    if (!NoPaperIn(L + d, R - d, B, B)) return false;
    SetAC(engine_, glyph_, u'=', 100);
    early = u'=';
    return true;
  }

  // Ink rows from the top (at most H div 2); the colon and the semicolon have a
  // blank row before the middle.
  int32_t InkRowsFromTop() const { return InkRowsFrom(T, 1, H / 2); }
  int32_t InkRowsFromBottom() const { return InkRowsFrom(B, -1, H / 2); }

  bool Colon(char16_t& early) {
    if (!(TL + ML < 2 * T && BL + 1 >= B && H > 5 && 2 * W <= H)) return false;
    const int32_t a = InkRowsFromTop();
    if (a >= H / 2) return false;
    const int32_t b = InkRowsFromBottom();
    int32_t conf = 100;
    if (b == 3 && BL < B) Penalise(conf, 99);
    if (context_.HasDescender) Penalise(conf, 99);
    if (glyph_.MarksAbove != 1) Penalise(conf, 96);
    SetAC(engine_, glyph_, u':', conf);
    if (conf < 100) return false;
    early = u':';
    return true;
  }

  void Semicolon() {
    if (!(TL + ML < 2 * T && 3 * BL + ML <= 4 * B && H > 5 && W > 1 && 2 * W < H)) return;
    const int32_t a = InkRowsFromTop();
    if (a >= H / 2) return;
    const int32_t b = InkRowsFromBottom();
    if (b < a) return;
    int32_t conf = 100;
    if (a == b && BL >= B) Penalise(conf, 97);
    if (b - a < H / 8) Penalise(conf, 99);
    SetAC(engine_, glyph_, u';', conf);
  }

  // Ink fills the inner disc (radius 0.6 of the half box) and stays inside the
  // outer one (1.4); the bottom row is not examined.
  bool IsRoundDot() const {
    for (int32_t y = T; y <= B - 1; ++y) {
      for (int32_t x = L; x <= R; ++x) {
        const int64_t u = static_cast<int64_t>(2 * x - L - R) * 1000 / W;
        const int64_t v = static_cast<int64_t>(2 * y - T - B) * 1000 / H;
        const int64_t d2 = u * u + v * v;
        const bool ink = InkAt(x, y);
        if (d2 < 600 * 600 && !ink) return false;
        if (d2 > 1400 * 1400 && ink) return false;
      }
    }
    return true;
  }

  void FullStop() {
    if (!(BoL - TL > 3 * H && std::abs(W - H) < (W + H) / 4 + 2 && 2 * BL + ML <= 3 * B &&
          3 * BL + 2 * ML <= 5 * T)) {
      return;
    }
    int32_t conf = 99;
    if (!IsRoundDot()) return;
    if (CornerGaps(R - L).TopShiftedRight()) return;
    if (glyph_.MarksAbove != 0) {
      SetAC(engine_, glyph_, u':', conf);
      Penalise(conf, 98);
    }
    SetAC(engine_, glyph_, u'.', conf);
  }

  void Comma() {
    if (!(2 * (BoL - TL) > 3 * H && ML + BL < 2 * T)) return;
    // A wide glyph with ink in the lower left quarter of its crop is no comma.
    if (2 * W >= 3 * H && RectColours(crop_, 0, W / 2, H / 2, H - 1, thr_, cfInk) == cfInk) {
      return;
    }
    int32_t conf = BoL - TL <= 2 * H ? 98 : 100;
    const int32_t limit = R - L;
    if (CornerGaps(limit).TopShiftedRight()) {
      Penalise(conf, 99);
    } else {
      if (Gap(L, (T + B + 1) / 2, dirRight, limit) < W / 2) Penalise(conf, 98);
      if (Gap(R, B, dirLeft, limit) < W / 2) Penalise(conf, 98);
      const int32_t e = H > 5 ? 1 : 0;
      // Paper to the left of the box at its foot.
      if (Gap(L, B - e, dirLeft, limit) > (W + 1) / 2 && Gap(L, B, dirLeft, limit) > (W + 1) / 2) {
        Penalise(conf, 96);
      }
    }
    if (glyph_.MarksAbove == 1) {
      SetAC(engine_, glyph_, u';', conf);
      Penalise(conf, 99);
    }
    SetAC(engine_, glyph_, u',', conf);
  }

  void Quotes() {
    if (!(BoL - TL > 2 * H && TL + ML > 2 * T && ML + 2 * BL > 3 * B)) return;
    int32_t conf = 100;
    if (ML + BL <= 2 * B) Penalise(conf, 96);
    if (2 * ML + BL <= 3 * B) Penalise(conf, 96);
    if (InkIn(L, R, (ML + BL) / 2, BoL)) Penalise(conf, 98);
    if (W > 4 && RunsOnRow(B) == 2) {
      const int32_t middle = (L + R) / 2;
      if (InkIn(middle, middle, T, B)) Penalise(conf, 96);
      SetAC(engine_, glyph_, u'"', conf);
      return;
    }
    if (RunsOnRow(T) != 1) Penalise(conf, 96);
    if (RunsOnRow((T + B) / 2) != 1) Penalise(conf, 98);
    if (W > H) Penalise(conf, 96);
    SetAC(engine_, glyph_, u'\'', conf);
  }

  void Tilde() {
    if (!(HighMark() && W >= H && W > 3 && H > 1)) return;
    if (CornerGaps(W).TopShiftedRight() && RunsOnRow(T) == 2 && RunsOnRow(B) == 2) {
      SetAC(engine_, glyph_, u'~', 99);
    }
  }

  void Circumflex() {
    if (!(HighMark() && W >= H && W > 2 && H > 1)) return;
    const int32_t e = W / 8;
    const int32_t left = Gap(L, T, dirRight, W);
    const bool leftFlank =
        left > Gap(L, B, dirRight, W) - e || left > Gap(L, B - 1, dirRight, W) - e;
    const int32_t right = Gap(R, T, dirLeft, W);
    const bool rightFlank =
        right > Gap(R, B, dirLeft, W) - e || right > Gap(R, B - 1, dirLeft, W) - e;
    if (leftFlank && rightFlank && RunsOnRow(T) == 1 &&
        (RunsOnRow(B) == 2 || RunsOnRow(B - 1) == 2)) {
      SetAC(engine_, glyph_, u'^', 99);
    }
  }

  // Ink in the upper quarter that ends before the middle, with the glyph's
  // top row close to the line top: perhaps a mark standing on the glyph.
  void ProbeAccent() {
    if (glyph_.MarksAbove != 0) return;
    int32_t y = TL;
    while (y < T + H / 2 && !InkIn(L + W / 4, R, y, y)) ++y;
    const int32_t j = y;
    int32_t i = j;
    if (j < T + H / 4) {
      while (i < T + H / 2 && RowHasInk(i)) ++i;
    }
    if (i < T + H / 2 && ML - TL < 5 * (i - j + 1)) {
      DetectAccent(engine_, glyph_, context_.Threshold, nullptr, 2);
    }
  }

  void RunRecognisers() { ::RunRecognisers(engine_, context_, RecognisersToRun(engine_)); }

  TOmnifontOCR& engine_;
  TCharRecord& glyph_;
  const TDIB& raster_;
  const TDIB& crop_;
  const std::uint8_t thr_;
  TGlyphContext context_;
  const int32_t L, R, T;
  int32_t B;  // the bottom trim may raise it
  const int32_t W, H;
  const int32_t TL, ML, BL, BoL;
};

}  // namespace

void SetAC(const TOmnifontOCR& engine, TCharRecord& glyph, char16_t ch, int32_t conf) {
  if (glyph.CandCount > kCandSlots || glyph.CandCount < 0) {
    throw platform::Exception("Something wrong in setac()!");
  }
  if (ch == NoChar) throw platform::Exception("SetAC called with bad parameters");
  // The allowed set is tested before the accent is composed on.
  if (!engine.AllowedChars.empty() && engine.AllowedChars.find(ch) == std::u16string::npos) return;
  ch = ComposeAccent(ch, glyph.Accent);

  auto& cands = glyph.Cands;
  auto& confs = glyph.Confs;
  int32_t& count = glyph.CandCount;
  for (int32_t i = 0; i < count; ++i) {
    if (cands[i] != ch) continue;
    if (confs[i] >= conf) return;
    for (int32_t k = i; k + 1 < count; ++k) {
      cands[k] = cands[k + 1];
      confs[k] = confs[k + 1];
    }
    --count;
    break;
  }
  // After every entry of equal confidence.
  int32_t j = 0;
  while (j < count && confs[j] >= conf) ++j;
  if (count < kMaxCands) ++count;
  if (j >= count) return;  // full, and below every entry
  for (int32_t k = count - 1; k > j; --k) {
    cands[k] = cands[k - 1];
    confs[k] = confs[k - 1];
  }
  cands[j] = ch;
  confs[j] = static_cast<uint16_t>(conf);
  if (j == 0) glyph.Ch = ch;
}

void SetLineFlags(TGlyphContext& context) {
  const TCharRecord& g = *context.Glyph;
  const int32_t T = g.Top, B = g.Bottom;
  const int32_t TL = g.LineTop, ML = g.LineMean, BL = g.LineBase, BoL = g.LineBottom;
  // Tall: the top reaches the upper half of the zone between the top line and
  // the mean line. Descending: the bottom reaches the lower half of the zone
  // below the baseline.
  context.IsTall = TL + ML >= 2 * T;
  context.HasDescender = BL + BoL <= 2 * B;
  // Placed too low, but tall once moved up by its overhang below the baseline.
  if (ML > T && BL < B && BL + BoL > 2 * B && 2 * (T - (B - BL)) <= TL + ML) context.IsTall = true;
}

std::vector<TRecogniser> RecognisersToRun(const TOmnifontOCR& engine) {
  if (engine.NumericOnly) return {RecogniseDigits};
  std::vector<TRecogniser> list(kLetterRecognisers.begin(), kLetterRecognisers.end());
  list.insert(list.end(), {RecogniseDigits, RecogniseBrackets, RecogniseSymbols});
  return list;
}

void RunRecognisers(TOmnifontOCR& engine, TGlyphContext& context,
                    const std::vector<TRecogniser>& recognisers) {
  for (TRecogniser recogniser : recognisers) {
    try {
      recogniser(engine, context);
    } catch (...) {
      // A recogniser's fault ends that recogniser only.
    }
  }
}

char16_t ComposeAccent(char16_t ch, char16_t accent) {
  if (ch == NoChar || ch == NonTextMark || accent == 0) return ch;
  for (const TAccentRow& row : kAccentTable) {
    if (row.accent != accent) continue;
    const std::size_t k = row.bases.find(ch);
    return k == std::u16string_view::npos ? ch : row.results[k];
  }
  return ch;
}

char16_t ClassifyGlyph(TOmnifontOCR& engine, TCharRecord& glyph, const TDIB& crop,
                       int32_t threshold) {
  return TDispatcher(engine, glyph, crop, threshold).Run();
}
