// The eleven 16 x 16 images of the main window's actions, drawn here so that
// the tool carries no third-party artwork. Index order:
//   0 open, 1 OCR, 2 no zoom, 3 fit to page, 4 full page, 5 fit to width or
//   height, 6 zoom out, 7 zoom in, 8 US dollar, 9 euro, 10 Lebanese pound.
#pragma once

#include <QIcon>
#include <vector>

inline constexpr int kImageSize = 16;
inline constexpr int kImageCount = 11;

std::vector<QIcon> MakeActionImages();
