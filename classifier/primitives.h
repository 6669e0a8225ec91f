// The geometric probes every segmentation stage and every recogniser is
// written in: ink tests over rectangles, run lengths, stroke crossings, line
// coverage, walks, border traces, holes and ink parts. They read the 8-bit
// working raster (a pixel is ink when its value is below the threshold; the
// low three bits are fill marks and compare like any other bits) and keep no
// state. Rectangles are inclusive; divisions truncate toward zero.
#pragma once

#include <array>
#include <cstdint>

#include "image/dibunit.h"
#include "ocr/glyphprobes.h"  // cfInk, cfPaper, RectColours

class TOmnifontOCR;

enum TDirection : std::uint8_t { dirUp = 0, dirDown = 1, dirLeft = 2, dirRight = 3, dirStop = 4 };

// The mark the component fill ORs into the low three bits.
inline constexpr std::uint8_t kFillMark = 7;

struct THole {
  int32_t Area = 0;
  int32_t SeedX = 0;
  int32_t SeedY = 0;
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
};

struct THoleList {
  int32_t Count = 0;
  std::array<THole, 16> Items{};
};

// What a component fill reached: pixel count and inclusive bounding box.
struct TFillResult {
  int32_t Count = 0;
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = -1;
  int32_t Bottom = -1;
};

inline bool IsInk(const TDIB& r, int32_t x, int32_t y, std::uint8_t threshold) {
  return r.Row(y)[x] < threshold;
}

// Steps taken from (x, y) before the first pixel of stopColour (cfInk or cfPaper).
int32_t RunLength(const TDIB& r, int32_t x, int32_t y, int32_t direction, std::uint8_t stopColour,
                  int32_t maxSteps, std::uint8_t threshold);
// Paper-to-ink entries along the sampled line; both end points must lie inside.
int32_t CountInkRuns(const TDIB& r, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                     std::uint8_t threshold);
// covered * scale div all pixels of the Bresenham line.
int32_t LineCoverage(const TDIB& r, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                     std::uint8_t threshold, int32_t scale);
// Steps by codeOnPaper / codeOnInk until dirStop or until leaving the box.
// Throws platform::Exception("error...") for a code outside 0..4.
void WalkByColour(const TDIB& r, int32_t& x, int32_t& y, int32_t minX, int32_t maxX, int32_t minY,
                  int32_t maxY, std::uint8_t threshold, int32_t codeOnPaper, int32_t codeOnInk);
// True when the square-tracing walk from (x0, y0) reaches (x1, y1) inside their box.
bool TraceReaches(const TDIB& r, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                  std::uint8_t threshold);
// Enclosed paper regions of the rectangle, largest first; holes may be null.
int32_t FindHoles(const TOmnifontOCR& engine, const TDIB& r, int32_t x0, int32_t x1, int32_t y0,
                  int32_t y1, std::uint8_t threshold, THoleList* holes);
// Ink components inside the rectangle (ink outside it does not join them).
int32_t CountInkParts(const TOmnifontOCR& engine, const TDIB& r, int32_t x0, int32_t x1, int32_t y0,
                      int32_t y1, std::uint8_t threshold);

// The component fill: ORs `mark` into every unmarked pixel of the seed's colour
// connected to the seed (8-connected when eightConnected, else 4-connected).
// Does nothing and yields Count 0 when the seed lies outside or is marked.
TFillResult FillComponent(TDIB& r, int32_t x, int32_t y, std::uint8_t mark, std::uint8_t threshold,
                          bool eightConnected);
