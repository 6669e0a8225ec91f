#include <gtest/gtest.h>

#include <vector>

#include "ascii_raster.h"
#include "image/blobs.h"
#include "image/dibunit.h"
#include "platform/exceptions.h"
#include "platform/memory.h"

namespace {

struct Blob {
  int32_t left, top, right, bottom, pixels, cx, cy;
  friend bool operator==(const Blob&, const Blob&) = default;
  friend std::ostream& operator<<(std::ostream& os, const Blob& b) {
    return os << "{" << b.left << "," << b.top << "," << b.right << "," << b.bottom << " n"
              << b.pixels << " c" << b.cx << "," << b.cy << "}";
  }
};

std::vector<Blob> Found(const TDIB& dib, int32_t connectivity, int32_t minWidth = 0,
                        int32_t minHeight = 0, int32_t minPixels = 0) {
  TBlobList list;
  dib.FindBlobs(connectivity, minWidth, minHeight, minPixels, &list);
  std::vector<Blob> out;
  for (int32_t i = 0; i < list.Count(); ++i) {
    const TBlobRec& b = list.Items(i);
    EXPECT_EQ(b.Group, 0);
    out.push_back({b.Left, b.Top, b.Right, b.Bottom, b.PixelCount, b.CentreX, b.CentreY});
  }
  return out;
}

}  // namespace

TEST(FindBlobs, ComponentsBoxesCountsAndCentres) {
  struct Case {
    Picture picture;
    int32_t connectivity;
    std::vector<Blob> expected;
  };
  const std::vector<Case> cases = {
      {{"....", "...."}, 8, {}},
      {{"....", "..#."}, 8, {{2, 1, 2, 1, 1, 2, 1}}},
      // Touching only at a corner: one blob with 8-connectivity, two with 4.
      {{"#.", ".#"}, 8, {{0, 0, 1, 1, 2, 0, 0}}},  // centre 0.5 -> 0
      {{"#.", ".#"}, 4, {{0, 0, 0, 0, 1, 0, 0}, {1, 1, 1, 1, 1, 1, 1}}},
      {{".##", "..."}, 8, {{1, 0, 2, 0, 2, 2, 0}}},  // centre 1.5 -> 2
      // Ordered by the first pixel of a column-major scan: the blob whose
      // leftmost column comes first, then the higher start in that column.
      {{"..#.", "#...", "....", "#..#"},
       8,
       {{0, 1, 0, 1, 1, 0, 1},
        {0, 3, 0, 3, 1, 0, 3},
        {2, 0, 2, 0, 1, 2, 0},
        {3, 3, 3, 3, 1, 3, 3}}},
      // A ring: the hole is no blob; the bridge joins at a corner.
      {{"###..", "#.#..", "###..", "...#."}, 8, {{0, 0, 3, 3, 9, 1, 1}}},
      {{"###..", "#.#..", "###..", "...#."}, 4, {{0, 0, 2, 2, 8, 1, 1}, {3, 3, 3, 3, 1, 3, 3}}},
      // A U shape met first at its left arm.
      {{"#..#", "#..#", "####"}, 4, {{0, 0, 3, 2, 8, 2, 1}}},  // centre 1.5 -> 2, 1.25 -> 1
  };
  for (TableOrder order : {TableOrder::BlackFirst, TableOrder::WhiteFirst}) {
    for (const Case& c : cases) {
      auto dib = AsciiRaster(c.picture, df1Bit, order);
      EXPECT_EQ(Found(*dib, c.connectivity), c.expected)
          << c.picture[0] << " conn " << c.connectivity << " order " << static_cast<int>(order);
    }
  }
}

TEST(FindBlobs, MinimumsFilterWithoutFreeingPixels) {
  auto dib = AsciiRaster({"#####...#",  //
                          "........#", "##......."});
  EXPECT_EQ(Found(*dib, 8, 5, 1), (std::vector<Blob>{{0, 0, 4, 0, 5, 2, 0}}));
  EXPECT_EQ(Found(*dib, 8, 6, 1), (std::vector<Blob>{}));
  EXPECT_EQ(Found(*dib, 8, 1, 2), (std::vector<Blob>{{8, 0, 8, 1, 2, 8, 0}}));  // centre 0.5 -> 0
  EXPECT_EQ(Found(*dib, 8, 0, 0, 3), (std::vector<Blob>{{0, 0, 4, 0, 5, 2, 0}}));
  EXPECT_EQ(Found(*dib, 8, -5, -5, -1).size(), 3u);  // below-1 minimums accept everything

  // Without a list the search runs and records nothing.
  dib->FindBlobs(8, 0, 0, 0, nullptr);
  EXPECT_EQ(AsciiOf(*dib), (Picture{"#####...#", "........#", "##......."}));
}

TEST(FindBlobs, LargeSolidBlobAndNothingLeaked) {
  Picture picture(60, std::string(70, '#'));
  picture[30][35] = '.';
  auto dib = AsciiRaster(picture);
  const std::size_t blocks = platform::LiveBlockCount();
  // Means 34.49988 and 29.49988: just below the half.
  EXPECT_EQ(Found(*dib, 4), (std::vector<Blob>{{0, 0, 69, 59, 4199, 34, 29}}));
  EXPECT_EQ(platform::LiveBlockCount(), blocks);
}

TEST(FindBlobs, RequiresABilevelRaster) {
  auto grey = GreyRaster({{0, 0}});
  TBlobList list;
  list.Add(TRect{1, 2, 3, 4}, 1, 0, 0);
  try {
    grey->FindBlobs(8, 0, 0, 0, &list);
    ADD_FAILURE();
  } catch (const platform::Exception& e) {
    EXPECT_STREQ(e.what(), "This operation requires 1 bit per pixel bitmap !");
  }
  EXPECT_EQ(list.Count(), 1);
}

TEST(TBlobList, AddDeleteSortAndIndexErrors) {
  TBlobList list;
  EXPECT_EQ(list.Add(TRect{10, 30, 12, 33}, 5, 11, 31), 0);
  EXPECT_EQ(list.Add(TRect{4, 50, 6, 51}, 2, 5, 50), 1);
  EXPECT_EQ(list.Add(TRect{10, 20, 11, 22}, 3, 10, 21), 2);
  EXPECT_EQ(list.Add(TRect{1, 1, 1, 1}, 1, 1, 1), 3);
  TBlobRec* keep = &list.Items(0);
  list.Delete(3);
  EXPECT_EQ(list.Count(), 3);
  list.Sort();
  EXPECT_EQ(list.Items(0).Left, 4);
  EXPECT_EQ(list.Items(1).Top, 20);  // equal Left: the smaller Top first
  EXPECT_EQ(list.Items(2).Top, 30);
  EXPECT_EQ(&list.Items(2), keep);  // records keep their address
  EXPECT_EQ(list.Items(2).PixelCount, 5);
  EXPECT_EQ(list.Items(2).CentreX, 11);

  for (int32_t bad : {-1, 3}) {
    try {
      list.Items(bad);
      ADD_FAILURE();
    } catch (const platform::EListError& e) {
      EXPECT_EQ(e.Message(), "List index out of bounds (" + std::to_string(bad) + ")");
    }
    EXPECT_THROW(list.Delete(bad), platform::EListError);
  }
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

TEST(TPointList, AddItemsAndIndexErrors) {
  TPointList points;
  EXPECT_EQ(points.Add(3, 4, 0), 0);
  EXPECT_EQ(points.Add(5, 6, 1), 1);
  EXPECT_EQ(points.Items(1).X, 5);
  EXPECT_EQ(points.Items(1).Y, 6);
  EXPECT_EQ(points.Items(1).Done, 1);
  points.Items(0).Done = 1;
  EXPECT_EQ(points.Items(0).Done, 1);
  EXPECT_THROW(points.Items(2), platform::EListError);
  EXPECT_THROW(points.Items(-1), platform::EListError);
  EXPECT_EQ(points.Count(), 2);
}

TEST(Rectangles, InsideAndUnion) {
  const TRect b{0, 0, 10, 10};
  EXPECT_TRUE(RectInside(TRect{0, 0, 10, 10}, b));
  EXPECT_TRUE(RectInside(TRect{2, 3, 4, 5}, b));
  EXPECT_FALSE(RectInside(TRect{-1, 3, 4, 5}, b));
  EXPECT_FALSE(RectInside(TRect{2, 3, 11, 5}, b));
  EXPECT_FALSE(RectInside(TRect{2, -3, 4, 5}, b));
  EXPECT_FALSE(RectInside(TRect{2, 3, 4, 12}, b));
  EXPECT_EQ(RectUnion(TRect{1, 5, 3, 6}, TRect{2, 0, 8, 4}), (TRect{1, 0, 8, 6}));
}
