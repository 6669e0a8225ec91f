// Small pieces the letter recognisers M to Z share: scans over a range of
// rows or columns, and the two ways of proposing both cases of a letter whose
// cases share one shape (o/O, s/S, v/V, ...). Only the glyph's place on its
// line tells such cases apart, so the case that fits the line comes first and
// the other follows close behind.
#pragma once

#include <cstdint>
#include <optional>

#include "classifier/letters.h"

// pred holds for some i with from <= i < to.
template <typename Pred>
bool AnyIn(int32_t from, int32_t to, Pred pred) {
  for (int32_t i = from; i < to; ++i)
    if (pred(i)) return true;
  return false;
}

// pred holds for every i with from <= i < to (true for an empty range).
template <typename Pred>
bool AllIn(int32_t from, int32_t to, Pred pred) {
  for (int32_t i = from; i < to; ++i)
    if (!pred(i)) return false;
  return true;
}

// The first i with from <= i < to for which pred holds.
template <typename Pred>
std::optional<int32_t> FirstIn(int32_t from, int32_t to, Pred pred) {
  for (int32_t i = from; i < to; ++i)
    if (pred(i)) return i;
  return std::nullopt;
}

// By line position: a glyph reaching the line top reads as the capital.
inline void ProposeByLinePosition(const TLetterView& v, char16_t capital, char16_t small,
                                  int32_t conf) {
  if (v.ctx.IsTall) {
    v.propose(capital, conf);
    v.propose(small, Times(conf, 98));
  } else {
    v.propose(small, conf);
    v.propose(capital, Times(conf, 98));
  }
}

// By line flags: a descender speaks for the small letter, a full height for
// the capital; with both or neither the glyph says nothing about its case.
inline void ProposeByLineFlags(const TLetterView& v, char16_t capital, char16_t small,
                               int32_t conf) {
  const bool tall = v.ctx.IsTall;
  const bool descends = v.ctx.HasDescender;
  if (tall && !descends) {
    v.propose(capital, conf);
    v.propose(small, Times(conf, 98));
  } else if (descends && !tall) {
    v.propose(small, conf);
    v.propose(capital, Times(conf, 98));
  } else {
    v.propose(capital, Times(conf, 95));
    v.propose(small, Times(conf, 95));
  }
}
