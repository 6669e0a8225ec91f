// The Windows metafile (.wmf) reader.
//
// A metafile is a list of drawing records. libwmf plays them onto a
// true-colour page that starts black, as any picture that is not a bitmap is
// converted. The page is the placeable header's frame at the screen's 96
// pixels per inch, or, without that header, the extent of what the records
// draw.
//
// libwmf was not written for hostile files: some crash it, some make it
// allocate without bound or draw for minutes. So the records are checked
// first, and the drawing runs in a child process with a memory budget and a
// time limit; a crash there costs only the child.
#pragma once

#include <chrono>
#include <cstdint>
#include <span>

#include "graphics/dibgraphic.h"

// Draws the metafile onto a new black true-colour picture. Raises
// EInvalidGraphic "Invalid metafile" for a malformed file or one the player
// cannot draw, EZivuderoError "Metafile takes too long to draw" past the time
// limit and "Image too large" for a page beyond TDibGraphic::MaxImageBytes().
void DrawMetafile(std::span<const std::uint8_t> data, TDibGraphic& graphic);

// How long one metafile may take to draw (20 seconds unless set).
void SetMetafileTimeLimit(std::chrono::milliseconds limit);
