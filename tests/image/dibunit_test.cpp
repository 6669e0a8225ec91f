#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "image/dibunit.h"
#include "platform/exceptions.h"
#include "platform/memory.h"

namespace {

int32_t I32(const std::uint8_t* p) {
  int32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

}  // namespace

TEST(TDIB, NewImageWritesTheBlockLayoutByteForByte) {
  TDIB dib;
  dib.NewImage(5, 3, df24Bit, 300, 300);
  const std::uint8_t* b = dib.FBlock;
  EXPECT_EQ(I32(b + 0), 40);
  EXPECT_EQ(I32(b + 4), 5);
  EXPECT_EQ(I32(b + 8), 3);
  EXPECT_EQ(b[12], 1);
  EXPECT_EQ(b[14], 24);
  EXPECT_EQ(I32(b + 20), 48);
  EXPECT_EQ(I32(b + 24), 11811);
  EXPECT_EQ(I32(b + 32), 0);
  EXPECT_EQ(dib.Stride(), 16);
  EXPECT_EQ(dib.BlockSize(), 88);
  EXPECT_EQ(platform::BlockSize(dib.BlockHandle()), 88u);
  EXPECT_EQ(dib.XDpi(), 300);
  EXPECT_EQ(dib.FFileHeader[0], 'B');
  EXPECT_EQ(dib.FFileHeader[1], 'M');
  EXPECT_EQ(I32(dib.FFileHeader.data() + 10), 54);
}

TEST(TDIB, StrideRowBytesAndPalettesPerFormat) {
  struct Case {
    int32_t w, format, stride, rowBytes, colours;
    uint32_t entry1;  // second colour-table entry
  };
  for (const Case& c :
       {Case{1, df1Bit, 4, 1, 2, 0x00FFFFFF}, Case{9, df1Bit, 4, 2, 2, 0x00FFFFFF},
        Case{3, df4Bit, 4, 2, 16, 0x00101010}, Case{5, df8Bit, 8, 5, 256, 0x00010101},
        Case{3, df16Bit, 8, 6, 0, 0}, Case{3, df15Bit, 8, 6, 0, 0}}) {
    TDIB dib;
    dib.NewImage(c.w, 2, c.format, 72, 150);
    EXPECT_EQ(dib.Stride(), c.stride) << c.format;
    EXPECT_EQ(dib.RowBytes(), c.rowBytes) << c.format;
    EXPECT_EQ(dib.Colours(), c.colours) << c.format;
    EXPECT_EQ(dib.Format(), c.format);
    if (c.colours > 0) {
      EXPECT_EQ(dib.GetPaletteEntry(1), c.entry1) << c.format;
    }
    EXPECT_EQ(I32(dib.FBlock + 24), 2835);
    EXPECT_EQ(I32(dib.FBlock + 28), 5906);
    EXPECT_EQ(dib.XDpi(), 72);
    EXPECT_EQ(dib.YDpi(), 150);
  }
}

TEST(TDIB, PixelEncodingsPerFormat) {
  TDIB rgb;
  rgb.NewImage(2, 2, df24Bit, 0, 0);
  std::uint8_t* row = rgb.Row(1);
  row[0] = 0x10;  // blue
  row[1] = 0x20;  // green
  row[2] = 0x30;  // red
  EXPECT_EQ(rgb.GetPixel(0, 1), 0x102030);
  rgb.SetPixel(1, 0, 0x0000FF);
  EXPECT_EQ(rgb.Row(0)[3], 0);
  EXPECT_EQ(rgb.Row(0)[5], 255);
  // Row 0 is the top row, stored last.
  EXPECT_EQ(rgb.Row(0), rgb.FBits + rgb.Stride());
  EXPECT_EQ(rgb.XDpi(), 0);

  TDIB nib;
  nib.NewImage(2, 1, df4Bit, 0, 0);
  nib.Row(0)[0] = 0x05;
  nib.SetPixel(0, 0, 0x1F);
  EXPECT_EQ(nib.Row(0)[0], 0xF5);
  EXPECT_EQ(nib.GetPixel(1, 0), 5);

  TDIB bits;
  bits.NewImage(10, 1, df1Bit, 0, 0);
  bits.SetPixel(0, 0, 7);
  bits.SetPixel(9, 0, 1);
  EXPECT_EQ(bits.Row(0)[0], 0x80);
  EXPECT_EQ(bits.Row(0)[1], 0x40);
  bits.SetPixel(0, 0, 0);
  EXPECT_EQ(bits.GetPixel(0, 0), 0);
  EXPECT_EQ(bits.GetPixel(9, 0), 1);
}

TEST(TDIB, WhiteAndBlackValuesFollowTheColourTable) {
  TDIB dib;
  dib.NewImage(1, 1, df1Bit, 0, 0);
  EXPECT_EQ(dib.WhiteValue(), 1);
  EXPECT_EQ(dib.BlackValue(), 0);
  EXPECT_FALSE(dib.IsGreyRamp());
  dib.SetPaletteEntry(0, 0x00FFFFFF);
  dib.SetPaletteEntry(1, 0);
  EXPECT_EQ(dib.WhiteValue(), 0);
  EXPECT_EQ(dib.BlackValue(), 1);
  EXPECT_TRUE(dib.IsGreyRamp());

  TDIB grey;
  grey.NewImage(1, 1, df8Bit, 0, 0);
  EXPECT_EQ(grey.WhiteValue(), 255);
  EXPECT_TRUE(grey.IsGreyRamp());
  TDIB rgb;
  rgb.NewImage(1, 1, df24Bit, 0, 0);
  EXPECT_EQ(rgb.WhiteValue(), 0xFFFFFF);
  EXPECT_EQ(rgb.BlackValue(), 0);
}

TEST(TDIB, AttachBlockTakesOwnershipAndRejectsBadBlocks) {
  const std::size_t before = platform::LiveBlockCount();
  {
    TDIB source;
    source.NewImage(4, 2, df8Bit, 200, 200);
    source.SetPixel(3, 1, 42);
    const std::size_t size = static_cast<std::size_t>(source.BlockSize());
    platform::BlockHandle copy = platform::AllocBlock(size);
    std::memcpy(platform::LockBlock(copy), source.FBlock, size);
    platform::UnlockBlock(copy);

    TDIB dib;
    dib.AttachBlock(copy);
    EXPECT_EQ(dib.Width(), 4);
    EXPECT_EQ(dib.GetPixel(3, 1), 42);
    EXPECT_EQ(dib.BlockHandle(), copy);
    EXPECT_EQ(platform::BlockLockCount(copy), 1);
  }
  EXPECT_EQ(platform::LiveBlockCount(), before) << "the raster frees an attached block";

  TDIB empty;
  empty.AttachBlock(nullptr);
  EXPECT_TRUE(empty.Empty());
  EXPECT_EQ(empty.Width(), 0);

  // A 32-bit block and a block too short for its rows are refused and stay the caller's.
  for (auto [bits, height] : {std::pair{32, 1}, std::pair{8, 100}, std::pair{8, -1}}) {
    platform::BlockOwner bad(std::size_t{40 + 1024 + 8});
    std::uint8_t* b = platform::LockBlock(bad.get());
    b[4] = 4;
    std::memcpy(b + 8, &height, 4);
    b[14] = static_cast<std::uint8_t>(bits);
    platform::UnlockBlock(bad.get());
    TDIB dib;
    EXPECT_THROW(dib.AttachBlock(bad.get()), platform::Exception) << bits << " " << height;
    EXPECT_TRUE(dib.Empty());
    EXPECT_EQ(platform::BlockLockCount(bad.get()), 0);
  }
}

TEST(TDIB, ForeignBlockIsNotFreedWhenOwnershipIsCleared) {
  TDIB owner;
  owner.NewImage(3, 3, df1Bit, 0, 0);
  {
    TDIB reader;
    reader.AttachBlock(owner.BlockHandle());
    reader.FOwnsBlock = false;
    EXPECT_EQ(platform::BlockLockCount(owner.BlockHandle()), 2);
  }
  EXPECT_EQ(platform::BlockLockCount(owner.BlockHandle()), 1);
  EXPECT_EQ(owner.Width(), 3);
}

TEST(TDIB, NewImageRejectsUnknownFormats) {
  TDIB dib;
  try {
    dib.NewImage(2, 2, 7, 0, 0);
    FAIL();
  } catch (const platform::Exception& e) {
    EXPECT_STREQ(e.what(), "Bit depht not allowed");
  }
  EXPECT_TRUE(dib.Empty());
}

// 1-bit crops copy eight pixels at a time; every pixel, the white outside
// and the zero row padding must be what a pixel-by-pixel copy gives, at every
// bit offset, for rectangles inside, across and wholly outside the raster.
TEST(TDIB, BilevelCropEqualsAPixelByPixelCopy) {
  std::mt19937 random(7);
  for (int round = 0; round < 300; ++round) {
    const int32_t width = 1 + static_cast<int32_t>(random() % 70);
    const int32_t height = 1 + static_cast<int32_t>(random() % 5);
    TDIB dib;
    dib.NewImage(width, height, df1Bit, 96, 96);
    if (round % 2 == 1) {  // white as index 0 in half of the rounds
      dib.SetPaletteEntry(0, 0x00FFFFFF);
      dib.SetPaletteEntry(1, 0);
    }
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x) dib.SetPixel(x, y, static_cast<int32_t>(random() % 2));
    auto coordinate = [&](int32_t size) {
      return static_cast<int32_t>(random() % (size + 20)) - 10;
    };
    const int32_t left = coordinate(width), top = coordinate(height);
    const int32_t right = left + static_cast<int32_t>(random() % 40);
    const int32_t bottom = top + static_cast<int32_t>(random() % 4);
    const auto crop = dib.Crop(left, top, right, bottom);

    TDIB expected;
    expected.NewImage(right - left + 1, bottom - top + 1, df1Bit, 96, 96);
    for (int32_t y = 0; y <= bottom - top; ++y) {
      for (int32_t x = 0; x <= right - left; ++x) {
        const int32_t sx = left + x, sy = top + y;
        const bool inside = sx >= 0 && sy >= 0 && sx < width && sy < height;
        expected.SetPixel(x, y, inside ? dib.GetPixel(sx, sy) : dib.WhiteValue());
      }
    }
    const std::size_t pixelBytes = static_cast<std::size_t>(expected.Stride()) * expected.Height();
    ASSERT_EQ(
        std::memcmp(crop->Row(crop->Height() - 1), expected.Row(expected.Height() - 1), pixelBytes),
        0)
        << width << " x " << height << " cropped to " << left << "," << top << " - " << right << ","
        << bottom;
  }
}

TEST(TDIB, DuplicateCopiesEverythingAndCropCopiesTheRectangle) {
  TDIB dib;
  dib.NewImage(4, 3, df8Bit, 96, 96);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) dib.SetPixel(x, y, 10 * y + x);
  dib.SetPaletteEntry(7, 0x00123456);

  auto dup = dib.Duplicate();
  EXPECT_EQ(std::memcmp(dup->FBlock, dib.FBlock, static_cast<std::size_t>(dib.BlockSize())), 0);

  auto crop = dib.Crop(1, 1, 2, 2);
  ASSERT_EQ(crop->Width(), 2);
  ASSERT_EQ(crop->Height(), 2);
  EXPECT_EQ(crop->GetPixel(0, 0), 11);
  EXPECT_EQ(crop->GetPixel(1, 1), 22);
  EXPECT_EQ(crop->GetPaletteEntry(7), 0x00123456u);
  EXPECT_EQ(crop->XDpi(), 96);

  // A rectangle reaching past the raster reads white there instead of outside memory.
  auto over = dib.Crop(2, -1, 5, 1);
  EXPECT_EQ(over->GetPixel(0, 0), 255);
  EXPECT_EQ(over->GetPixel(0, 1), 2);
  EXPECT_EQ(over->GetPixel(3, 2), 255);

  TDIB bits;
  bits.NewImage(3, 1, df1Bit, 0, 0);
  bits.SetPixel(2, 0, 1);
  auto b = bits.Crop(1, 0, 3, 0);
  EXPECT_EQ(b->GetPixel(1, 0), 1);
  EXPECT_EQ(b->GetPixel(2, 0), 1) << "outside a 1-bit raster is its white value";

  TDIB fifteen;
  fifteen.NewImage(3, 1, df15Bit, 0, 0);
  EXPECT_EQ(fifteen.BitCount(), 16);
  EXPECT_EQ(fifteen.Format(), df15Bit);
}
