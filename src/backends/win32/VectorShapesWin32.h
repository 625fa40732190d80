#pragma once
// The host's vector pictures (core/graphics/VectorShapes) drawn with GDI+,
// smoothed, into a GDI device context.
#include <vector>

#include "backends/win32/Win32.h"
#include "core/graphics/VectorShapes.h"

namespace zel {

// Draws `shapes` in `color` into `dc`, offset by (left, top).
void DrawVectorShapes(HDC dc, const std::vector<TVectorShape>& shapes, COLORREF color, int left,
                      int top);

// The frame of the activity indicator `seconds` after it began on a
// transparent square of `size` pixels, as premultiplied ARGB pixels row by
// row (for tests and snapshots).
std::vector<std::uint32_t> RenderActivityIndicator(TActivityIndicatorType type,
                                                   TActivityIndicatorColor color, int size,
                                                   double seconds);

}  // namespace zel
