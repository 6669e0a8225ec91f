// TOmnifontOCR: the omnifont OCR engine. A client sets the public parameters,
// hands it a packed-DIB block with the kind of area (character, word, line,
// paragraph, page) and reads the per-character records in Characters, or the
// whole text through GetText. Every run starts from a fresh working state;
// only the parameters and three spacing statistics carry over.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "image/dibunit.h"
#include "platform/exceptions.h"
#include "platform/memory.h"

inline constexpr char16_t NoChar = u'\0';
inline constexpr char16_t NonTextMark = u'\uE001';

// One character of a result. Boxes are inclusive.
struct TCharRecord {
  int32_t Left = 0;
  int32_t Right = 0;
  int32_t Top = 0;
  int32_t Bottom = 0;
  int32_t SeedX = 0;
  int32_t SeedY = 0;
  int32_t MarksAbove = 0;
  int32_t InkCount = 0;
  char16_t Ch = NoChar;
  char16_t Accent = 0;
  int32_t Serial = 0;
  int32_t Line = 0;
  int32_t LineTop = 0;
  int32_t LineMean = 0;
  int32_t LineBase = 0;
  int32_t LineBottom = 0;
  TDIB* Raster = nullptr;  // the engine's working raster; not owned, valid during a run
  int32_t CandCount = 0;
  std::array<char16_t, 10> Cands{};
  std::array<uint16_t, 10> Confs{};
  int32_t Reserved = 0;
};

inline constexpr int32_t MAXLINES = 2048;

struct TLineTable {
  int32_t Count = 0;  // line 0 is the sentinel "no line"
  std::array<int32_t, MAXLINES> Top{};
  std::array<int32_t, MAXLINES> Mean{};
  std::array<int32_t, MAXLINES> Base{};
  std::array<int32_t, MAXLINES> Bottom{};
  std::array<int32_t, MAXLINES> MinX{};
  std::array<int32_t, MAXLINES> MaxX{};
};

// Raised by Recognize, with "no characters found", when the area holds no
// ink at all: an answer about the page rather than a failure to read it.
class ENoCharactersFound : public platform::Exception {
 public:
  using Exception::Exception;
};

class TOmnifontOCR {
 public:
  TOmnifontOCR();
  ~TOmnifontOCR();
  TOmnifontOCR(const TOmnifontOCR&) = delete;
  TOmnifontOCR& operator=(const TOmnifontOCR&) = delete;

  // Entry points: the caller keeps its block; the engine works on a copy.
  void RecognizeCharacter(platform::BlockHandle image) { Recognize(image, 0); }
  void RecognizeWord(platform::BlockHandle image) { Recognize(image, 1); }
  void RecognizeLine(platform::BlockHandle image) { Recognize(image, 2); }
  void RecognizeParagraph(platform::BlockHandle image) { Recognize(image, 3); }
  void RecognizePage(platform::BlockHandle image) { Recognize(image, 4); }
  void Recognize(platform::BlockHandle image, int32_t area);

  // The result as Windows-1252 text: "~" for an unrecognised record, CR LF for a line break.
  void GetText(std::string& text) const;

  // Parameters.
  std::u16string AllowedChars;
  bool NumericOnly = true;
  uint8_t SpotRemoval = 2;
  int32_t MaxSpotSize = -1;
  uint8_t SplitTouching = 1;
  bool SimilarityCorrection = true;
  bool ContextCorrection = true;

  // Result, in reading order; records keep their address while the list changes.
  std::vector<std::unique_ptr<TCharRecord>> Characters;

  // Working state, rebuilt by every run (read by the stages and the classifier).
  std::unique_ptr<TDIB> Image;  // the working raster, 8-bit grey with marker bits
  int32_t Threshold = 0;
  int32_t AvgCharWidth = 5;
  int32_t AvgCharHeight = 8;
  int32_t ComponentCount = 0;
  int32_t WidthSum = 0;
  int32_t HeightSum = 0;
  int32_t Pass = 0;  // recognition pass counter; bit 0 selects 8-connectivity
  TLineTable LineTable;
  int32_t CharGap = 0;
  // Spacing statistics that survive between runs.
  bool FixedPitch = false;
  int32_t CharPitch = 0;
  int32_t GapEstimate = 0;
  bool SourceBilevel = true;
};
