// The engine object: parameters, the sixteen stages of a run and the text of
// a result.
#include "ocr/omnifontocr.h"

#include <cstring>

#include "image/dibops.h"
#include "ocr/components.h"
#include "ocr/lines.h"
#include "ocr/postprocess.h"
#include "ocr/recognition.h"
#include "ocr/repair.h"
#include "ocr/touching.h"
#include "platform/codepage.h"
#include "platform/exceptions.h"

namespace {

constexpr const char* kNot8BitMessage = "Image must be 8 bit !";
constexpr const char* kNoCharactersMessage = "no characters found";

// Otsu finds no split on an image whose darkest level holds the whole dark
// class; this fixed level then separates print from paper.
constexpr int32_t kFallbackThreshold = 160;

constexpr int32_t kAreaCharacter = 0;
constexpr int32_t kAreaLine = 2;

// Frees the working raster when a run ends, also when a stage throws. The
// records then no longer point at it.
class WorkingRasterScope {
 public:
  explicit WorkingRasterScope(TOmnifontOCR& engine) : engine_(engine) {}
  ~WorkingRasterScope() {
    for (auto& rec : engine_.Characters) rec->Raster = nullptr;
    engine_.Image.reset();
  }
  WorkingRasterScope(const WorkingRasterScope&) = delete;
  WorkingRasterScope& operator=(const WorkingRasterScope&) = delete;

 private:
  TOmnifontOCR& engine_;
};

// The engine never works on the caller's block: it attaches a copy it owns.
void AttachCopy(TDIB& raster, platform::BlockHandle image) {
  const std::size_t size = platform::BlockSize(image);
  platform::BlockOwner copy(platform::AllocBlock(size));
  {
    platform::BlockLock source(image);
    platform::BlockLock target(copy.get());
    std::memcpy(target.data(), source.data(), size);
  }
  // A block the raster rejects stays ours and is freed here.
  raster.AttachBlock(copy.get());
  copy.release();
  raster.FOwnsBlock = true;
}

}  // namespace

TOmnifontOCR::TOmnifontOCR() = default;

TOmnifontOCR::~TOmnifontOCR() = default;

void TOmnifontOCR::Recognize(platform::BlockHandle image, int32_t area) {
  // 1. A fresh working state; only parameters and spacing statistics remain.
  Characters.clear();
  Image = std::make_unique<TDIB>();
  WorkingRasterScope scope(*this);
  AvgCharWidth = 5;
  AvgCharHeight = 8;
  LineTable.Count = 0;
  ComponentCount = 0;
  WidthSum = 0;
  HeightSum = 0;
  Threshold = 0;
  Pass = 0;
  CharGap = 0;

  // 2-3. Our own copy, in 8-bit grey.
  AttachCopy(*Image, image);
  SourceBilevel = Image->Format() == df1Bit;
  Image->ConvertTo(df8Bit);

  // 4. Ink is what lies below the Otsu threshold of the grey image.
  if (Image->Format() != df8Bit) throw platform::Exception(kNot8BitMessage);
  THistogram histogram;
  Image->Histogram(histogram);
  Threshold = OtsuThreshold(histogram);
  if (Threshold == 0) Threshold = kFallbackThreshold;

  // 5-7. Candidate boxes, specks and the typical character size.
  // A raster without pixels holds no character, not even as a whole: its box
  // would be empty.
  if (Image->Width() <= 0 || Image->Height() <= 0) throw ENoCharactersFound(kNoCharactersMessage);
  if (area == kAreaCharacter) {
    AddWholeRasterRecord(*this);
    if (SpotRemoval != 0) RemoveSpots(*this);
  } else if (!LabelComponentsAndRemoveSpots(*this)) {
    throw ENoCharactersFound(kNoCharactersMessage);
  }
  MarkNonText(*this);

  // 8-9. Lines, then segmentation repairs around the reading order.
  FindLines(*this);
  AssignLines(*this);
  SplitTwoLineComponents(*this);
  CutJoinedCharacters(*this);
  SortReadingOrder(*this);
  MergeBrokenCharacters(*this);
  MeasureSpacing(*this);

  // 10-15. Recognition and post-processing.
  RecognitionLoop(*this);
  if (SimilarityCorrection) ::SimilarityCorrection(*this);
  if (SplitTouching != 0) SplitTouchingChars(*this);
  CharGap = FixedPitch ? CharPitch : GapEstimate;
  if (area >= kAreaLine) InsertSeparators(*this, area);
  if (ContextCorrection) ::ContextCorrection(*this);
  // 16. The scope frees the working raster and with it the copied block.
}

void TOmnifontOCR::GetText(std::string& text) const {
  text.clear();
  for (const auto& rec : Characters) {
    if (rec->Ch == NoChar) {
      text += '~';
    } else if (rec->Ch == u'\n' || rec->Ch == u'\r') {
      text += "\r\n";
    } else {
      text += platform::WideCharToAnsi(rec->Ch);
    }
  }
}
