// The classifier: the candidate list (SetAC), accent composition, the
// dispatcher ClassifyGlyph and the recognisers it runs in fixed order.
#pragma once

#include <cstdint>
#include <vector>

#include "classifier/primitives.h"
#include "ocr/omnifontocr.h"

// What the dispatcher hands every recogniser for one classification.
struct TGlyphContext {
  TCharRecord* Glyph = nullptr;
  const TDIB* Crop = nullptr;  // the glyph box with foreign components set to paper
  int32_t Threshold = 0;
  bool IsTall = false;
  bool HasDescender = false;
  THoleList Holes;
};

// The spacing accents the accent detector stores in TCharRecord::Accent.
inline constexpr char16_t accAcute = u'\u00B4';
inline constexpr char16_t accBreve = u'\u02D8';
inline constexpr char16_t accCaron = u'\u02C7';
inline constexpr char16_t accTilde = u'~';
inline constexpr char16_t accGrave = u'`';
inline constexpr char16_t accDiaeresis = u'\u00A8';
inline constexpr char16_t accCircumflex = u'^';
inline constexpr char16_t accMacron = u'\u00AF';
inline constexpr char16_t accDotAbove = u'\u02D9';
inline constexpr char16_t accRingAbove = u'\u02DA';

// Proposes ch with confidence conf (percent) for the glyph.
void SetAC(const TOmnifontOCR& engine, TCharRecord& glyph, char16_t ch, int32_t conf);
// The precomposed character of ch with the accent, or ch unchanged.
char16_t ComposeAccent(char16_t ch, char16_t accent);
// Classifies one record; returns its best reading (NoChar when none).
char16_t ClassifyGlyph(TOmnifontOCR& engine, TCharRecord& glyph, const TDIB& crop,
                       int32_t threshold);

// Recognisers: each proposes through SetAC only.
using TRecogniser = void (*)(TOmnifontOCR& engine, TGlyphContext& context);
void RecogniseA(TOmnifontOCR& engine, TGlyphContext& context);
void RecogniseB(TOmnifontOCR& engine, TGlyphContext& context);
void RecogniseC(TOmnifontOCR& engine, TGlyphContext& context);
void RecogniseD(TOmnifontOCR& engine, TGlyphContext& context);
void RecogniseE(TOmnifontOCR& engine, TGlyphContext& context);
void RecogniseF(TOmnifontOCR& engine, TGlyphContext& context);
void RecogniseG(TOmnifontOCR& engine, TGlyphContext& context);
void RecogniseH(TOmnifontOCR& engine, TGlyphContext& context);
void RecogniseIJ(TOmnifontOCR& engine, TGlyphContext& context);
void RecogniseK(TOmnifontOCR& engine, TGlyphContext& context);
void RecogniseL(TOmnifontOCR& engine, TGlyphContext& context);
void RecogniseM(TOmnifontOCR& engine, TGlyphContext& context);
void RecogniseN(TOmnifontOCR& engine, TGlyphContext& context);
void RecogniseO(TOmnifontOCR& engine, TGlyphContext& context);
void RecogniseP(TOmnifontOCR& engine, TGlyphContext& context);
void RecogniseQ(TOmnifontOCR& engine, TGlyphContext& context);
void RecogniseR(TOmnifontOCR& engine, TGlyphContext& context);
void RecogniseS(TOmnifontOCR& engine, TGlyphContext& context);
void RecogniseT(TOmnifontOCR& engine, TGlyphContext& context);
void RecogniseU(TOmnifontOCR& engine, TGlyphContext& context);
void RecogniseV(TOmnifontOCR& engine, TGlyphContext& context);
void RecogniseX(TOmnifontOCR& engine, TGlyphContext& context);
void RecogniseY(TOmnifontOCR& engine, TGlyphContext& context);
void RecogniseZ(TOmnifontOCR& engine, TGlyphContext& context);
void RecogniseW(TOmnifontOCR& engine, TGlyphContext& context);
void RecogniseDigits(TOmnifontOCR& engine, TGlyphContext& context);
void RecogniseBrackets(TOmnifontOCR& engine, TGlyphContext& context);
void RecogniseSymbols(TOmnifontOCR& engine, TGlyphContext& context);

// Sets the context's IsTall and HasDescender from its glyph's box and line
// heights, as ClassifyGlyph does before any recogniser runs.
void SetLineFlags(TGlyphContext& context);

// The recognisers ClassifyGlyph runs, in order: the letters (W last), the
// digits and the brackets and symbols, or only the digits when NumericOnly.
std::vector<TRecogniser> RecognisersToRun(const TOmnifontOCR& engine);
// Runs each recogniser in turn; an exception ends only the one that raised it.
void RunRecognisers(TOmnifontOCR& engine, TGlyphContext& context,
                    const std::vector<TRecogniser>& recognisers);
