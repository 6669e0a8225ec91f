// Blob lists of the image model and the rectangle helpers that go with them.
//
// TDIB::FindBlobs (dibunit.h) fills a TBlobList with the black connected
// components of a 1-bit raster; the serial reader also keeps its groups of
// blobs in TBlobLists. TPointList is the point queue of a flood fill.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "image/dibunit.h"

// One blob: inclusive bounding box, pixel count and rounded centre.
struct TBlobRec {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;
  int32_t Group = 0;       // index of the group the blob joined (serial reader)
  int32_t PixelCount = 0;  // pixels of the blob; member counter for a group record
  int32_t CentreX = 0;
  int32_t CentreY = 0;
};

// Owns its records; a record keeps its address until it is deleted or the
// list is cleared. Index errors throw platform::EListError.
class TBlobList {
 public:
  void Clear() { FItems.clear(); }
  // Appends a record with Group 0 and returns its index.
  int32_t Add(const TRect& box, int32_t pixelCount, int32_t centreX, int32_t centreY);
  TBlobRec& Items(int32_t index);
  const TBlobRec& Items(int32_t index) const;
  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  void Delete(int32_t index);
  // Ascending Left, then ascending Top.
  void Sort();

 private:
  void CheckIndex(int32_t index) const;
  std::vector<std::unique_ptr<TBlobRec>> FItems;
};

struct TPointRec {
  int32_t X = 0;
  int32_t Y = 0;
  std::uint8_t Done = 0;  // 0 or 1
};

// Points are held by value so that a flood fill allocates nothing per point;
// a reference from Items is therefore only valid until the next Add.
class TPointList {
 public:
  int32_t Add(int32_t x, int32_t y, std::uint8_t done);
  TPointRec& Items(int32_t index);
  const TPointRec& Items(int32_t index) const;
  int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
  // Empties the list but keeps its storage for the next fill.
  void Clear() { FItems.clear(); }

 private:
  void CheckIndex(int32_t index) const;
  std::vector<TPointRec> FItems;
};

// True when a lies inside b (edges may touch).
bool RectInside(const TRect& a, const TRect& b);
// The smallest rectangle holding the corners of both.
TRect RectUnion(const TRect& a, const TRect& b);
