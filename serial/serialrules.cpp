#include "serial/serialreader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/rounding.h"

using platform::Round;

namespace serial_detail {
namespace {

constexpr char kUnreadable = '~';

// Note sizes in millimetres; a note matches a size when both sides differ by
// less than this.
constexpr double kSizeTolerance = 10.0;
struct NoteSize {
  double width, height;
};
constexpr NoteSize kDollarSize = {156, 66.3};
constexpr std::array<NoteSize, 7> kEuroSizes = {{
    {120, 62},
    {127, 67},
    {133, 72},
    {140, 77},
    {147, 82},
    {153, 82},
    {160, 82},
}};

bool Matches(NoteSize size, double widthMm, double heightMm) {
  return std::fabs(widthMm - size.width) < kSizeTolerance &&
         std::fabs(heightMm - size.height) < kSizeTolerance;
}

bool HasUnreadable(std::string_view s) {
  return s.find(kUnreadable) != std::string_view::npos;
}

void Accept(const std::string& value, double conf, std::vector<TSerialCandidate>& candidates,
            std::string& serial, double& confidence) {
  serial = value;
  confidence = conf;
  candidates.push_back({value, Round(conf * 100)});
}

}  // namespace

std::string DetectCurrency(double widthMm, double heightMm) {
  std::string currency = "LBP";
  if (Matches(kDollarSize, widthMm, heightMm)) currency = "USD";
  for (const NoteSize& size : kEuroSizes) {
    if (Matches(size, widthMm, heightMm)) currency = "EUR";  // wins over the dollar
  }
  return currency;
}

std::string SpliceZone(std::string_view letters, std::string_view digits,
                       std::string_view currency) {
  if (letters.size() <= 8 || digits.size() <= 8) return {};
  if (currency == "USD") {
    // The eight characters before the last one are digits; they are taken from
    // the digit reading at the same positions. Where the digit reading is too
    // short to reach a position, the letter reading's character stays.
    std::string value(letters);
    const std::size_t n = letters.size();
    for (std::size_t i = 1; i <= 8; ++i) {
      const std::size_t pos = n - i - 1;  // character n - i, counted from 1
      if (pos < digits.size()) value[pos] = digits[pos];
    }
    return value;
  }
  std::string value(digits);
  value[0] = letters[0];
  return value;
}

void CrossFill(std::string& left, std::string& right) {
  const std::size_t n = std::min(left.size(), right.size());
  for (std::size_t i = 0; i < n; ++i) {
    if (right[i] == kUnreadable) right[i] = left[i];
    if (left[i] == kUnreadable) left[i] = right[i];
  }
}

int32_t EuroCheckValue(std::string_view s) {
  if (s.empty()) return 0;
  auto digitValue = [](char c) { return c >= '0' && c <= '9' ? c - '0' : 0; };
  int64_t v = static_cast<unsigned char>(s[0]) - 64;
  for (std::size_t i = 1; i < s.size(); ++i) v += digitValue(s[i]);
  std::string text = std::to_string(v);
  while (text.size() > 1) {
    int64_t sum = 0;
    for (char c : text) sum += digitValue(c);
    text = std::to_string(sum);
  }
  return static_cast<int32_t>(std::stoll(text));
}

void AcceptValues(std::string_view currency, const std::string& left, const std::string& right,
                  std::vector<TSerialCandidate>& candidates, std::string& serial,
                  double& confidence) {
  auto dollarShaped = [](const std::string& s) {
    return (s.size() == 10 || s.size() == 11) && !HasUnreadable(s);
  };
  auto euroValid = [](const std::string& s) {
    return EuroCheckValue(s) == 8 && !HasUnreadable(s) && s.size() == 12;
  };
  if (currency == "EUR") {
    if (euroValid(left)) {
      Accept(left, 100, candidates, serial, confidence);
    } else if (euroValid(right)) {
      Accept(right, 100, candidates, serial, confidence);
    }
  } else if (currency == "USD") {
    // Two equal readings are trusted even when they share an unreadable position.
    if (left == right && (right.size() == 10 || right.size() == 11)) {
      Accept(right, 100, candidates, serial, confidence);
    } else if (dollarShaped(left)) {
      Accept(left, 90, candidates, serial, confidence);
    } else if (dollarShaped(right)) {
      Accept(right, 90, candidates, serial, confidence);
    }
  } else if (currency == "LBP") {
    // The left value is the barcode's reading.
    if (left == right && right.size() == 10) {
      Accept(right, 100, candidates, serial, confidence);
    } else if (right.size() == 10 && !HasUnreadable(right)) {
      Accept(right, 90, candidates, serial, confidence);
    }
    if (left.size() == 10 && !HasUnreadable(left))
      Accept(left, 100, candidates, serial, confidence);
  }
}

void VoteCandidates(const std::vector<TSerialCandidate>& candidates, int32_t passes,
                    std::string& serial, double& confidence) {
  constexpr std::size_t kPositions = 100;
  serial.clear();
  confidence = 100;
  if (candidates.size() == 1) {
    confidence = candidates[0].Weight / 100.0;
    serial = candidates[0].Text;
  } else if (candidates.size() > 1) {
    const double n = static_cast<double>(candidates.size());
    confidence = 101 - passes;
    std::vector<std::array<int32_t, 256>> votes(kPositions, std::array<int32_t, 256>{});
    for (const TSerialCandidate& c : candidates) {
      for (std::size_t j = 0; j < c.Text.size() && j < kPositions; ++j) {
        ++votes[j][static_cast<unsigned char>(c.Text[j])];
      }
    }
    const std::string& first = candidates[0].Text;
    for (std::size_t j = 0; j < first.size() && j < kPositions; ++j) {
      int32_t best = 0, count = 0;
      for (int32_t b = 0; b < 256; ++b) {
        if (votes[j][b] > count) {  // strictly larger: the lowest code wins a tie
          count = votes[j][b];
          best = b;
        }
      }
      serial += static_cast<char>(best);
      confidence = (count * 100 / n) * confidence / 100;
    }
  }
  confidence = Round(confidence * 100) / 100.0;  // two decimals, halves to even
}

}  // namespace serial_detail
