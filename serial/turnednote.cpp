#include "serial/turnednote.h"

#include <memory>
#include <vector>

#include "barcode/orientedreader.h"
#include "image/turning.h"
#include "platform/rounding.h"
#include "serial/serialvalidation.h"

namespace serial_detail {
namespace {

// Below this a resolution is taken to be missing and 200 dpi is assumed, as
// the passes do.
constexpr int32_t kMinPlausibleDpi = 100;
constexpr int32_t kAssumedDpi = 200;

// The serial's barcode on the whole note, as the passes read it on the
// upright note's right half: Code 39 of 9 to 12 characters, in bands a
// tenth of an inch high, here side by side.
std::optional<TOrientedCode> TurnedPoundBarcode(const TDIB& raster) {
  const int32_t dpi = raster.YDpi() < kMinPlausibleDpi ? kAssumedDpi : raster.YDpi();
  ZAzudivozUDA settings;
  settings.MinCodeLen = 9;
  settings.MaxCodeLen = 12;
  settings.ExpectedCodes = 1;
  settings.VirtualLaserSize = platform::Round(dpi / 10.0);
  settings.VirtualLaserStep = settings.VirtualLaserSize;
  settings.CodeTypes = BarCodeBit(bcCode39);
  const TCodeOrientations turned = OrientationBit(co90) | OrientationBit(co180) |
                                   OrientationBit(co270) | OrientationBit(coTilted);
  for (const TOrientedCode& code :
       barcode::ReadOrientedBarcodes(settings, raster.BlockHandle(), turned)) {
    if (code.Orientation != 0 && IsValidSerial("LBP", code.Code.Text)) return code;
  }
  return std::nullopt;
}

}  // namespace

std::optional<TVerifiedSerial> ReadTurnedPoundNote(const TDIB& raster, const std::string& currency,
                                                   const TVerifiedRead& read) {
  const std::string code = NormaliseCurrency(currency);
  if (code != "LBP" && code != "AUTO") return std::nullopt;
  const std::optional<TOrientedCode> barcode = TurnedPoundBarcode(raster);
  if (!barcode) return std::nullopt;
  // Turning the note back by the barcode's turn sets it upright.
  const double back = 360 - barcode->Orientation;
  const std::unique_ptr<TDIB> upright = TurnedCopy(raster, back);
  TVerifiedSerial serial = read(*upright, "LBP");
  for (std::optional<TSerialZone>& zone : serial.Zones) {
    if (zone) zone->Box = RectBeforeTurn(zone->Box, back, raster.Width(), raster.Height());
  }
  return serial;
}

}  // namespace serial_detail
