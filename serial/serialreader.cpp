#include "serial/serialreader.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "barcode/barcodereader.h"
#include "image/blobs.h"
#include "image/dibops.h"
#include "ocr/omnifontocr.h"
#include "platform/deadline.h"
#include "platform/rounding.h"

using platform::Round;
using namespace serial_detail;

namespace {

constexpr const char16_t* kLetterAlphabet = u"ABCDEFGHIJKLMNOPQRSTUVXYZW*";
constexpr const char16_t* kDigitAlphabet = u"0123456789";
// Below this a resolution is taken to be missing and 200 dpi is assumed.
constexpr int32_t kMinPlausibleDpi = 100;
constexpr int32_t kAssumedDpi = 200;

// Converts the work raster to 1 bit at the pass's threshold: the Otsu value
// for pass 0, then alternately above and below it by 8 more each pass.
void Binarise(TDIB& work, int32_t pass) {
  if (work.Format() == df24Bit || work.Format() == df4Bit) work.ConvertTo(df8Bit);
  if (work.Format() != df8Bit) return;  // 1-bit rasters are used as they are
  if (pass == 0) {
    work.AutoThreshold(tmOtsu, true, 0, 255);
    return;
  }
  THistogram histogram;
  work.Histogram(histogram);
  work.ApplyThreshold(PassThreshold(static_cast<uint8_t>(OtsuThreshold(histogram)), pass), true, 0,
                      255);
}

// One pass: binarise, locate the zones, read them, cross-check, accept.
void RunPass(const TDIB& input, int32_t pass, std::string& currency,
             std::vector<TSerialCandidate>& candidates, std::string& serial, double& confidence,
             TSerialTrace& trace) {
  const TPassZones zones = LocatePassZones(input, pass, currency);
  const TDIB& source = ZoneSource(input, zones, pass);
  auto read = [&](const std::optional<TRect>& zone, std::optional<TSerialZone>& traced) {
    if (!zone) return std::string();
    const TZoneReading r = ReadZoneGlyphs(source, *zone);
    traced = TSerialZone{*zone, SpliceZone(r.Letters, r.Digits, currency)};
    return traced->Reading;
  };
  std::string left = read(zones.Left, trace.Zones[0]);
  std::string right = read(zones.Right, trace.Zones[1]);
  if (currency == "LBP") left = ReadPoundBarcode(*zones.Work);

  CrossFill(left, right);
  AcceptValues(currency, left, right, candidates, serial, confidence);
}

}  // namespace

namespace serial_detail {

std::string NormaliseCurrency(const std::string& code) {
  std::string upper = code;
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  for (const char* known : {"USD", "EUR", "LBP", "AUTO"}) {
    if (upper == known) return upper;
  }
  return code;
}

TPassZones LocatePassZones(const TDIB& input, int32_t pass, std::string& currency) {
  platform::CheckDeadline();
  TPassZones z;
  z.Work = input.Duplicate();
  TDIB& work = *z.Work;
  Binarise(work, pass);
  if (work.XDpi() < kMinPlausibleDpi) work.SetXDpi(kAssumedDpi);
  if (work.YDpi() < kMinPlausibleDpi) work.SetYDpi(kAssumedDpi);
  if (currency == "AUTO") {
    const double widthMm = static_cast<double>(work.Width()) / work.XDpi() * 25.4;
    const double heightMm = static_cast<double>(work.Height()) / work.YDpi() * 25.4;
    currency = DetectCurrency(widthMm, heightMm);
  }
  const TZoneMeasures m = ZoneMeasures(work.XDpi(), work.YDpi(), currency);

  TBlobList blobs;
  work.FindBlobs(8, m.minBlobWidth, m.minBlobHeight, 0, &blobs);
  DropOversizedBlobs(blobs, m);
  blobs.Sort();
  TBlobList leftGroups, rightGroups;
  GroupBlobs(blobs, work.Width(), m, leftGroups, rightGroups);
  work.EraseSmallBlobs(3, 3, nullptr);

  z.Left = ChooseZone(leftGroups, work.Width() / 4, m);
  z.Right = ChooseZone(rightGroups, 3 * work.Width() / 4, m);
  return z;
}

const TDIB& ZoneSource(const TDIB& input, const TPassZones& zones, int32_t pass) {
  // Odd passes read the original grey levels, even passes the cleaned bilevel copy.
  return pass % 2 == 1 ? input : *zones.Work;
}

// A zone box reaching past the raster reads white there (the crop pads it).
TZoneReading ReadZoneGlyphs(const TDIB& source, const TRect& zone) {
  TZoneReading r;
  r.Crop = source.Crop(zone.Left, zone.Top, zone.Right, zone.Bottom);
  TOmnifontOCR engine;
  auto read = [&](const char16_t* alphabet, std::string& text, std::vector<TCharRecord>& glyphs) {
    engine.NumericOnly = false;
    engine.AllowedChars = alphabet;
    engine.RecognizeWord(r.Crop->BlockHandle());
    engine.GetText(text);
    for (const auto& rec : engine.Characters) {
      glyphs.push_back(*rec);
      glyphs.back().Raster = nullptr;  // the engine's raster is gone after the run
    }
  };
  read(kLetterAlphabet, r.Letters, r.LetterGlyphs);
  read(kDigitAlphabet, r.Digits, r.DigitGlyphs);
  r.Threshold = engine.Threshold;
  return r;
}

std::string ReadPoundBarcode(const TDIB& work) {
  std::unique_ptr<TDIB> crop = work.Crop(work.Width() / 2, 0, work.Width() - 1, work.Height() - 1);
  ZAzudivozUDA reader;
  reader.MinCodeLen = 9;
  reader.MaxCodeLen = 12;
  reader.ExpectedCodes = 1;
  reader.VirtualLaserSize = Round(work.YDpi() / 10.0);  // a tenth of an inch
  reader.VirtualLaserStep = 1;
  reader.VerifyCheckDigit = false;
  reader.CodeTypes = TBarCodeTypes{1} << bcCode39;
  reader.ReadBarcodes(crop->BlockHandle());
  if (reader.CodeCount() < 1) return {};
  return reader.GetCode(0).Text;
}

uint8_t PassThreshold(uint8_t otsu, int32_t pass) {
  if (pass == 0) return otsu;
  const auto shift = static_cast<uint8_t>(8 * pass);
  // 8-bit arithmetic on purpose: the threshold wraps around instead of clamping.
  return static_cast<uint8_t>(pass % 2 == 1 ? otsu + shift : otsu - shift);
}

TZoneMeasures ZoneMeasures(int32_t xdpi, int32_t ydpi, std::string_view currency) {
  TZoneMeasures m{};
  m.minBlobWidth = Round(xdpi / 30.0);
  m.minBlobHeight = Round(ydpi / 25.0);
  m.maxBlobWidth = Round(xdpi / 8.0);
  m.maxBlobHeight = Round(ydpi / 6.0);
  m.verticalJoin = Round(ydpi / 20.0);
  const bool dollarOrEuro = currency == "USD" || currency == "EUR";
  m.horizontalJoin = dollarOrEuro ? Round(xdpi / 10.0) : Round(xdpi / 6.0);
  m.minGroupCounter = currency == "EUR" ? 12 : 10;
  m.zoneMargin = dollarOrEuro ? Round(xdpi / 25.4) : Round(xdpi / 100.0);
  return m;
}

void DropOversizedBlobs(TBlobList& blobs, const TZoneMeasures& m) {
  for (int32_t i = blobs.Count() - 1; i >= 0; --i) {
    const TBlobRec& b = blobs.Items(i);
    if (b.Bottom - b.Top > m.maxBlobHeight || b.Right - b.Left > m.maxBlobWidth) blobs.Delete(i);
  }
}

// Groups blobs that stand side by side on one text line, separately for the
// left and the right half of the note. A group's PixelCount is its counter.
void GroupBlobs(TBlobList& blobs, int32_t width, const TZoneMeasures& m, TBlobList& leftGroups,
                TBlobList& rightGroups) {
  for (int32_t i = 0; i < blobs.Count(); ++i) {
    platform::CheckDeadline();
    TBlobRec& b = blobs.Items(i);
    TBlobList& groups = b.Left < width / 2 ? leftGroups : rightGroups;
    int32_t found = -1;
    for (int32_t g = 0; g < groups.Count(); ++g) {
      const TBlobRec& group = groups.Items(g);
      if (std::abs(group.Top - b.Top) < m.verticalJoin &&
          std::abs(group.Bottom - b.Bottom) < m.verticalJoin &&
          std::abs(group.Right - b.Left) < m.horizontalJoin) {
        found = g;
        break;
      }
    }
    if (found < 0) found = groups.Add(TRect{b.Left, b.Top, b.Right, b.Bottom}, 1, 0, 0);
    TBlobRec& group = groups.Items(found);
    const TRect box = RectUnion(TRect{group.Left, group.Top, group.Right, group.Bottom},
                                TRect{b.Left, b.Top, b.Right, b.Bottom});
    group.Left = box.Left;
    group.Top = box.Top;
    group.Right = box.Right;
    group.Bottom = box.Bottom;
    group.PixelCount += 1;
    b.Group = found;
  }
}

// The first group crossing the line x = lineX with enough members, enlarged by the margin.
std::optional<TRect> ChooseZone(const TBlobList& groups, int32_t lineX, const TZoneMeasures& m) {
  for (int32_t g = 0; g < groups.Count(); ++g) {
    const TBlobRec& group = groups.Items(g);
    if (group.Left <= lineX && lineX <= group.Right && group.PixelCount >= m.minGroupCounter) {
      return TRect{group.Left - m.zoneMargin, group.Top - m.zoneMargin, group.Right + m.zoneMargin,
                   group.Bottom + m.zoneMargin};
    }
  }
  return std::nullopt;
}

}  // namespace serial_detail

void ReadSerialNumber(const TDIB& raster, const std::string& currency, std::string& serial,
                      double& confidence) {
  TSerialTrace trace;
  ReadSerialNumberTraced(raster, currency, serial, confidence, trace);
}

void ReadSerialNumberTraced(const TDIB& raster, const std::string& currency, std::string& serial,
                            double& confidence, TSerialTrace& trace) {
  serial.clear();
  trace = TSerialTrace{};
  std::string code = NormaliseCurrency(currency);
  std::vector<TSerialCandidate> candidates;
  int32_t pass = 0;
  do {
    confidence = 0;
    RunPass(raster, pass, code, candidates, serial, confidence, trace);
    ++pass;
  } while (pass <= kLastPass && confidence != 100);
  trace.Currency = code;
  trace.Passes = pass;
  VoteCandidates(candidates, pass, serial, confidence);
}
