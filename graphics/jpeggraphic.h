// TJpegGraphic: JPEG pictures through libjpeg, as 256 greys or true colour.
#pragma once

#include <cstdint>

#include "graphics/dibgraphic.h"

class TJpegGraphic : public TDibGraphic {
 public:
  const char* ClassName() const override { return "TJpegGraphic"; }
  std::unique_ptr<TDibGraphic> NewInstance() const override;

  // Settings for writing; reading uses none of them.
  int32_t Quality = 80;
  bool Progressive = false;
  bool Smoothing = false;

 protected:
  void ReadImage(std::span<const std::uint8_t> data, int32_t page) override;
};
