#include "barcode/toolkit.h"

#include <algorithm>
#include <array>
#include <stdexcept>

#include "platform/exceptions.h"
#include "platform/rounding.h"

namespace barcode {

namespace {

// Widths from 1 to 63 columns take part in the histograms; wider runs are
// blots or quiet space, not elements.
constexpr std::int32_t kHistogramSize = 64;

bool IsBarRun(std::int32_t run) {
  return run > 0;
}

// A run's width in columns; 64-bit so that the most negative run cannot
// overflow on negation.
std::int64_t RunWidth(std::int32_t run) {
  return run > 0 ? run : -static_cast<std::int64_t>(run);
}

// Runs first .. last must lie in the list; an empty range (last < first) is
// allowed anywhere.
void CheckRange(std::span<const std::int32_t> runs, std::int32_t first, std::int32_t last) {
  if (last < first) return;
  if (first < 0 || static_cast<std::size_t>(last) >= runs.size()) {
    throw std::out_of_range("run indices outside the run list");
  }
}

// Midway between the narrowest and the widest width the histogram holds.
std::int32_t MidWidth(const std::array<std::int32_t, kHistogramSize>& histogram) {
  std::int32_t lo = 1;
  while (lo < kHistogramSize - 1 && histogram[lo] == 0) ++lo;  // 63 when none in 1 .. 62
  std::int32_t hi = kHistogramSize - 1;
  while (hi > 0 && histogram[hi] == 0) --hi;  // 0 when none in 1 .. 63
  return platform::Round((lo + hi) / 2.0);
}

}  // namespace

TWidthThresholds WidthThresholds(std::span<const std::int32_t> runs, std::int32_t first,
                                 std::int32_t last, std::int32_t period) {
  CheckRange(runs, first, last);
  for (std::int32_t i = first; i < last; ++i) {
    if (IsBarRun(runs[i]) == IsBarRun(runs[i + 1])) {
      throw platform::Exception("Invalid alternate sequence...");
    }
  }
  std::array<std::int32_t, kHistogramSize> bars{};
  std::array<std::int32_t, kHistogramSize> spaces{};
  for (std::int32_t i = first; i <= last; ++i) {
    const std::int32_t counted = i - first;
    if (period > 0 && (counted + 1) % period == 0) continue;
    const std::int64_t width = RunWidth(runs[i]);
    if (width >= kHistogramSize) continue;
    ++(IsBarRun(runs[i]) ? bars : spaces)[width];
  }
  return {MidWidth(bars), MidWidth(spaces)};
}

TElements Classify(const TCandidate& candidate, TWidthThresholds thresholds, bool spacesNarrow) {
  CheckRange(candidate.Runs, candidate.Start, candidate.End);
  TElements elements;
  for (std::int32_t i = candidate.Start; i <= candidate.End; ++i) {
    const std::int32_t run = candidate.Runs[i];
    const std::int64_t width = RunWidth(run);
    if (IsBarRun(run)) {
      elements.push_back(width > thresholds.Bar ? ecWideBar : ecNarrowBar);
    } else {
      const bool wide = width > thresholds.Space && !spacesNarrow;
      elements.push_back(wide ? ecWideSpace : ecNarrowSpace);
    }
  }
  return elements;
}

std::uint16_t PatternValue(const TElements& elements, std::int32_t at, std::int32_t k) {
  std::uint16_t value = 0;
  for (std::int32_t i = at; i < at + k; ++i) {
    value = static_cast<std::uint16_t>(value * 2 + (IsWide(elements.at(i)) ? 1 : 0));
  }
  return value;
}

std::optional<std::int32_t> FindStart(const TElements& elements, std::int32_t pos,
                                      std::int32_t last, const TFrame& frame, std::int32_t minLen) {
  const std::int64_t limit =
      last - (static_cast<std::int64_t>(minLen) * (frame.Width + frame.Gap) + frame.Pattern.K);
  for (std::int64_t i = std::max(pos, 0); i < limit; ++i) {
    const auto at = static_cast<std::int32_t>(i);
    if (PatternValue(elements, at, frame.Pattern.K) == frame.Pattern.Value) return at;
  }
  return std::nullopt;
}

std::optional<TStop> FindStop(const TElements& elements, std::int32_t d, std::int32_t last,
                              const TFrame& frame, std::int32_t minLen, std::int32_t maxLen) {
  if (minLen > maxLen) return std::nullopt;
  const std::int64_t avail = static_cast<std::int64_t>(last) - d + 1;
  const std::int64_t stride = frame.Width + frame.Gap;
  // Counts above the one whose stop just fits cannot match: start there, so
  // that a huge maximum length costs nothing.
  std::int64_t count = maxLen;
  if (stride > 0) count = std::min<std::int64_t>(count, (avail - frame.Pattern.K) / stride);
  for (; count >= minLen; --count) {
    const std::int64_t at = d + count * stride;
    if (frame.Pattern.K + count * stride > avail || at < 0) continue;
    if (PatternValue(elements, static_cast<std::int32_t>(at), frame.Pattern.K) ==
        frame.Pattern.Value) {
      return TStop{static_cast<std::int32_t>(at), static_cast<std::int32_t>(count)};
    }
  }
  return std::nullopt;
}

TElements KeepDrop(const TElements& elements, std::int32_t d, std::int32_t s, std::int32_t keep) {
  TElements kept;
  for (std::int32_t i = d; i <= s; ++i) {
    if ((i - d) % (keep + 1) < keep) kept.push_back(elements.at(i));
  }
  return kept;
}

TElements EveryOther(const TElements& elements, std::int32_t d, std::int32_t s) {
  TElements kept;
  for (std::int32_t i = d; i <= s; i += 2) kept.push_back(elements.at(i));
  return kept;
}

std::pair<TElements, TElements> SplitByParity(const TElements& elements, std::int32_t d,
                                              std::int32_t s) {
  std::pair<TElements, TElements> lists;
  for (std::int32_t i = d; i <= s; ++i) {
    ((i - d) % 2 == 0 ? lists.first : lists.second).push_back(elements.at(i));
  }
  return lists;
}

const TPatternRow* FindRow(std::span<const TPatternRow> table, std::uint16_t value) {
  const auto row = std::find_if(table.begin(), table.end(),
                                [value](const TPatternRow& r) { return r.Value() == value; });
  return row == table.end() ? nullptr : &*row;
}

std::optional<std::string> DecodeGroups(const TElements& elements, std::int32_t w,
                                        std::span<const TPatternRow> table) {
  std::string text;
  const auto groups = static_cast<std::int32_t>(elements.size()) / w;
  for (std::int32_t g = 0; g < groups; ++g) {
    const TPatternRow* row = FindRow(table, PatternValue(elements, g * w, w));
    if (row == nullptr) return std::nullopt;
    text += row->Char;
  }
  return text;
}

void SetText(TBarCodeResult& result, std::string text) {
  if (text.size() > TBarCodeResult::kMaxText) text.resize(TBarCodeResult::kMaxText);
  result.Text = std::move(text);
}

}  // namespace barcode
