#include "image/inkband.h"

#include <cstddef>

TColumnInkBand::TColumnInkBand(const TDIB& dib, int32_t left, int32_t right, int32_t rows)
    : FDib(dib), FLeft(left), FRight(right), FRows(rows) {}

TProfile TColumnInkBand::RowProfile(int32_t y) const {
  return FDib.ColumnInkProfile(TRect{FLeft, y, FRight, y});
}

void TColumnInkBand::Recount(int32_t top) {
  FRowProfiles.clear();
  FSum.clear();
  FTop = top;
  FCounted = false;  // until every row is in
  for (int32_t y = top; y < top + FRows; ++y) {
    FRowProfiles.push_back(RowProfile(y));
    const TProfile& row = FRowProfiles.back();
    if (row.empty()) {  // a format without a profile
      FSum.clear();
      return;
    }
    if (FSum.empty()) FSum.assign(row.size(), 0);
    for (std::size_t x = 0; x < row.size(); ++x) FSum[x] += row[x];
  }
  FCounted = true;
}

const TProfile& TColumnInkBand::At(int32_t top) {
  const int64_t shift = int64_t{top} - FTop;
  if (!FCounted || FSum.empty() || shift < 0 || shift >= FRows) {
    Recount(top);
    return FSum;
  }
  for (int32_t y = FTop + FRows; y < top + FRows; ++y) {
    const TProfile& out = FRowProfiles.front();
    FRowProfiles.push_back(RowProfile(y));
    const TProfile& in = FRowProfiles.back();
    for (std::size_t x = 0; x < FSum.size(); ++x) FSum[x] += in[x] - out[x];
    FRowProfiles.pop_front();
  }
  FTop = top;
  return FSum;
}
