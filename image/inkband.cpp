#include "image/inkband.h"

#include <cstddef>
#include <utility>

TSlidingBand::TSlidingBand(TLineProfile line, int32_t rows) : FLine(std::move(line)), FRows(rows) {}

void TSlidingBand::Recount(int32_t top) {
  FLineProfiles.clear();
  FSum.clear();
  FTop = top;
  FCounted = false;  // until every line is in
  for (int32_t y = top; y < top + FRows; ++y) {
    FLineProfiles.push_back(FLine(y));
    const TProfile& line = FLineProfiles.back();
    if (line.empty()) {  // a format without a profile
      FSum.clear();
      return;
    }
    if (FSum.empty()) FSum.assign(line.size(), 0);
    for (std::size_t x = 0; x < line.size(); ++x) FSum[x] += line[x];
  }
  FCounted = true;
}

const TProfile& TSlidingBand::At(int32_t top) {
  const int64_t shift = int64_t{top} - FTop;
  if (!FCounted || FSum.empty() || shift < 0 || shift >= FRows) {
    Recount(top);
    return FSum;
  }
  for (int32_t y = FTop + FRows; y < top + FRows; ++y) {
    const TProfile& out = FLineProfiles.front();
    FLineProfiles.push_back(FLine(y));
    const TProfile& in = FLineProfiles.back();
    for (std::size_t x = 0; x < FSum.size(); ++x) FSum[x] += in[x] - out[x];
    FLineProfiles.pop_front();
  }
  FTop = top;
  return FSum;
}

TColumnInkBand::TColumnInkBand(const TDIB& dib, int32_t left, int32_t right, int32_t rows)
    : TSlidingBand(
          [&dib, left, right](int32_t y) {
            return dib.ColumnInkProfile(TRect{left, y, right, y});
          },
          rows) {}
