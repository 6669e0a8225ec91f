#include "records/watchpattern.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "serial/serialvalidation.h"

namespace records {
namespace {

constexpr std::array<std::string_view, 3> kWatchCurrencies = {"USD", "EUR", "LBP"};

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

std::string Upper(std::string_view s) {
  std::string u(s);
  std::transform(u.begin(), u.end(), u.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return u;
}

// The currencies a pattern is checked against: the one given, or all.
std::span<const std::string_view> CurrenciesOf(const std::string_view& currency) {
  if (currency.empty()) return kWatchCurrencies;
  return {&currency, 1};
}

// "USD serials", or the serials of any currency when none is given.
std::string SerialsOf(std::string_view currency) {
  return currency.empty() ? std::string("the serials of any currency")
                          : std::string(currency) + " serials";
}

// Whether every text fits the first positions of one and the same layout of
// `currency`.
bool FitLayoutStart(std::string_view currency, std::initializer_list<std::string_view> texts) {
  for (std::string_view layout : SerialLayouts(currency)) {
    const bool fits = std::all_of(texts.begin(), texts.end(), [&](std::string_view s) {
      if (s.size() > layout.size()) return false;
      for (std::size_t i = 0; i < s.size(); ++i) {
        if (!FitsPosition(layout[i], s[i])) return false;
      }
      return true;
    });
    if (fits) return true;
  }
  return false;
}

bool AnyCurrency(std::string_view currency, auto&& test) {
  const std::span<const std::string_view> currencies = CurrenciesOf(currency);
  return std::any_of(currencies.begin(), currencies.end(), test);
}

bool IsCompleteSerial(std::string_view text, std::string_view currency) {
  return AnyCurrency(currency, [&](std::string_view c) { return IsValidSerial(c, text); });
}

}  // namespace

bool IsWatchCurrency(std::string_view currency) {
  return std::find(kWatchCurrencies.begin(), kWatchCurrencies.end(), currency) !=
         kWatchCurrencies.end();
}

std::string WatchCurrencyCode(std::string_view text) {
  const std::string code = Upper(text);
  if (!IsWatchCurrency(code))
    throw EPatternError("'" + std::string(text) + "' is not one of USD, EUR, LBP");
  return code;
}

std::string TSerialPattern::Text() const {
  switch (kind_) {
    case pkRange:
      return low_ + '-' + high_;
    case pkPrefix:
      return low_ + '*';
    default:
      return low_;
  }
}

std::string_view TSerialPattern::FixedStart() const {
  const auto differ = std::mismatch(low_.begin(), low_.end(), high_.begin(), high_.end());
  return std::string_view(low_).substr(0, static_cast<std::size_t>(differ.first - low_.begin()));
}

bool TSerialPattern::Matches(std::string_view serial) const {
  switch (kind_) {
    case pkSerial:
      return serial == low_;
    case pkPrefix:
      return serial.starts_with(low_);
    case pkRange: {
      const std::size_t n = low_.size();
      if (serial.size() < n) return false;
      const std::string_view low(low_), high(high_);
      const std::string_view run = serial.substr(runStart_, runEnd_ - runStart_);
      return serial.substr(0, runStart_) == low.substr(0, runStart_) &&
             serial.substr(runEnd_, n - runEnd_) == low.substr(runEnd_) &&
             std::all_of(run.begin(), run.end(), IsDigit) &&
             low.substr(runStart_, run.size()) <= run && run <= high.substr(runStart_, run.size());
    }
  }
  return false;
}

TSerialPattern ParseSerialPattern(std::string_view text, std::string_view currency) {
  const std::string u = Upper(text);
  const std::string quoted = "'" + std::string(text) + "'";
  if (u.empty()) throw EPatternError("an empty serial pattern");
  TSerialPattern p;
  if (IsCompleteSerial(u, currency)) {
    p.kind_ = pkSerial;
    p.low_ = p.high_ = u;
    return p;
  }
  const std::size_t dash = u.find('-');
  if (dash != std::string::npos) {
    p.kind_ = pkRange;
    p.low_ = u.substr(0, dash);
    p.high_ = u.substr(dash + 1);
    const std::string& low = p.low_;
    const std::string& high = p.high_;
    if (low.empty() || high.empty() || low.size() != high.size())
      throw EPatternError(quoted + ": the two ends of a range must be serials of one length");
    if (!AnyCurrency(currency, [&](std::string_view c) { return FitLayoutStart(c, {low, high}); }))
      throw EPatternError(quoted + " cannot match " + SerialsOf(currency));
    const std::size_t n = low.size();
    std::size_t first = 0;
    while (first < n && low[first] == high[first]) ++first;
    p.runStart_ = p.runEnd_ = n;
    if (first < n) {
      if (!IsDigit(low[first]) || !IsDigit(high[first]))
        throw EPatternError(quoted + ": the ends of a range may differ only in one run of digits");
      if (low[first] > high[first])
        throw EPatternError(quoted + ": the low end of the range is above the high end");
      p.runStart_ = first;
      while (p.runStart_ > 0 && IsDigit(low[p.runStart_ - 1])) --p.runStart_;
      p.runEnd_ = first;
      while (p.runEnd_ < n && IsDigit(low[p.runEnd_]) && IsDigit(high[p.runEnd_])) ++p.runEnd_;
      if (low.compare(p.runEnd_, std::string::npos, high, p.runEnd_) != 0)
        throw EPatternError(quoted + ": the ends of a range may differ only in one run of digits");
    }
    return p;
  }
  if (u.back() == '*') {
    p.kind_ = pkPrefix;
    p.low_ = p.high_ = u.substr(0, u.size() - 1);
    if (p.low_.empty())
      throw EPatternError(quoted + ": a prefix needs the characters the serials start with");
    if (!AnyCurrency(currency, [&](std::string_view c) { return FitLayoutStart(c, {p.low_}); }))
      throw EPatternError(quoted + " cannot match " + SerialsOf(currency) + ": none starts with '" +
                          p.low_ + "'");
    return p;
  }
  throw EPatternError(quoted + " is none of " + SerialsOf(currency) +
                      ", a range of them (LOW-HIGH) or a prefix (PREFIX*)");
}

}  // namespace records
