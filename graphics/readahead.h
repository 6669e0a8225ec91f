// Decoding a file in advance: a low-priority thread decodes it into a graphic
// of its own and hands the result over through a slot that the GUI thread
// takes it from.
//
// The hand-over is the only thing the threads share. A result is published
// whole and at most once, under the slot's lock; a result that arrives after
// the slot was emptied or after a newer request is discarded rather than
// installed. Every request and every take moves the slot to a new
// generation, and a thread only stores into the generation it was started
// for.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "graphics/dibgraphic.h"

class TReadAheadSlot {
 public:
  TReadAheadSlot();
  // Frees the graphic in the slot. Threads still running finish on their own
  // and discard what they decoded.
  ~TReadAheadSlot();
  TReadAheadSlot(const TReadAheadSlot&) = delete;
  TReadAheadSlot& operator=(const TReadAheadSlot&) = delete;

  // Frees the graphic in the slot, empties it and starts a TReadGraphicThread
  // for the file. Whatever an earlier thread still decodes is discarded.
  void Request(const std::string& fileName);
  // Empties the slot and returns its graphic, or nullptr when it held none; a
  // thread still running for the slot is superseded.
  std::unique_ptr<TDibGraphic> Take();
  bool Empty() const;
  // Blocks until every thread started by this slot has finished (tests, and
  // callers that must know the result is in).
  void Wait() const;

  // Shared with the threads; only readahead.cpp knows its members.
  struct State;

 private:
  std::shared_ptr<State> state_;
};
