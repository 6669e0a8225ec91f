// Image transforms: small objects that turn one TDibGraphic into another.
//
//   TCropTransform         keep a rectangle (by rectangle or by margins)
//   TResizeTransform       stretch (nearest neighbour or area averaging) or
//                          resample with one of six filters
//   TImageFormatTransform  change the pixel format, with palette building and
//                          Floyd-Steinberg dithering
//   TAntiAliasTransform    shrink a black-and-white image into greys
//   TNegativeTransform     invert
//   TRotateTransform       turn by any angle (the raster's RotateRaster)
#pragma once

#include <cstdint>
#include <string>

#include "graphics/dibgraphic.h"
#include "platform/rect.h"

enum TResizeFilter : std::uint8_t {
  rfTriangle = 0,
  rfHermite = 1,
  rfBell = 2,
  rfBSpline = 3,
  rfLanczos3 = 4,
  rfMitchell = 5,
};

// The kernel of a filter at x, and its support radius.
float ResizeFilterKernel(TResizeFilter filter, float x);
float ResizeFilterSupport(TResizeFilter filter);

// The n-entry palette that best represents an image's colours.
TPalette BuildImagePalette(const TDibGraphic& graphic, int32_t n);

class TImageTransform {
 public:
  virtual ~TImageTransform() = default;
  virtual const char* ClassName() const { return "TImageTransform"; }
  // Transforms the graphic in place.
  virtual void Apply(TDibGraphic& graphic);
  // Builds `dest` from `source`, leaving the source unchanged.
  virtual void ApplyOnDest(const TDibGraphic& source, TDibGraphic& dest);

  TProgressEvent OnProgress;

 protected:
  // Reports (current - low) * 100 / (high - low), limited to 0..100, when it
  // differs from the last value reported.
  void Progress(int64_t current, int64_t low, int64_t high);
  void StartProgress() { lastProgress_ = 255; }

 private:
  std::uint8_t lastProgress_ = 255;
};

class TCropTransform : public TImageTransform {
 public:
  const char* ClassName() const override { return "TCropTransform"; }
  void ApplyOnDest(const TDibGraphic& source, TDibGraphic& dest) override;

  int32_t CropTop = 0, CropLeft = 0, CropBottom = 0, CropRight = 0;
  // With it the four values are a rectangle (right and bottom excluded),
  // without it margins.
  bool CropByRect = false;
};

// The part of `source` inside `rect` (right and bottom excluded) as `dest`:
// how the area readers cut a selection out of a picture.
void CropToRect(const TDibGraphic& source, const TRect& rect, TDibGraphic& dest);

class TResizeTransform : public TImageTransform {
 public:
  const char* ClassName() const override { return "TResizeTransform"; }
  void ApplyOnDest(const TDibGraphic& source, TDibGraphic& dest) override;

  int32_t TargetWidth = 300, TargetHeight = 200;
  bool Interpolate = false;
  TResizeFilter ResampleFilter = rfTriangle;
  bool ForceFormat = false;
  TGraphicFormat ForcedFormat = gfTrueColor;

 private:
  void Stretch(const TDibGraphic& source, TDibGraphic& dest);
  void Resample(const TDibGraphic& source, TDibGraphic& dest);
};

class TImageFormatTransform : public TImageTransform {
 public:
  const char* ClassName() const override { return "TImageFormatTransform"; }
  // Only when the graphic's format differs from the target.
  void Apply(TDibGraphic& graphic) override;
  void ApplyOnDest(const TDibGraphic& source, TDibGraphic& dest) override;

  TGraphicFormat TargetFormat = gfTrueColor;
  bool Dither = true;
  bool BuildPalette = true;
  TPalette CustomPalette;
};

class TAntiAliasTransform : public TImageTransform {
 public:
  const char* ClassName() const override { return "TAntiAliasTransform"; }
  // Only when the graphic is black and white.
  void Apply(TDibGraphic& graphic) override;
  void ApplyOnDest(const TDibGraphic& source, TDibGraphic& dest) override;

  // 0 means the source's size.
  int32_t TargetWidth = 0, TargetHeight = 0;
};

class TNegativeTransform : public TImageTransform {
 public:
  const char* ClassName() const override { return "TNegativeTransform"; }
  void Apply(TDibGraphic& graphic) override;
  void ApplyOnDest(const TDibGraphic& source, TDibGraphic& dest) override;
};

// Turns the picture clockwise by `Angle` degrees about its centre on a canvas
// grown to hold all of it, interpolating levels (grey and true colour) and
// taking the nearest pixel in colour palettes. The corners the picture leaves
// uncovered take `Background` (in palette formats its nearest entry). Same
// format, palette and resolution.
class TRotateTransform : public TImageTransform {
 public:
  const char* ClassName() const override { return "TRotateTransform"; }
  void ApplyOnDest(const TDibGraphic& source, TDibGraphic& dest) override;

  double Angle = 0;
  TColor Background = RGBColor(255, 255, 255);
};
