#pragma once
// The host's vector pictures drawn with cairo: the busy window's activity
// indicator (one frame of any of the three animations at any moment) and
// the prompt's key.
#include <cstdint>
#include <vector>

#include "core/graphics/VectorShapes.h"
#include "platform/StartupWindows.h"

typedef struct _cairo cairo_t;

namespace zel {

// Draws `shapes` in one colour (channels from 0 to 1) into `cr`.
void DrawVectorShapes(cairo_t* cr, const std::vector<TVectorShape>& shapes, double red,
                      double green, double blue);

// Draws the frame `seconds` after the animation began into the square from
// (0, 0) to (size, size) of `cr`.
void DrawActivityIndicator(cairo_t* cr, TActivityIndicatorType type, TActivityIndicatorColor color,
                           double size, double seconds);

// The same frame on a transparent square of `size` pixels, as premultiplied
// ARGB pixels row by row.
std::vector<std::uint32_t> RenderActivityIndicator(TActivityIndicatorType type,
                                                   TActivityIndicatorColor color, int size,
                                                   double seconds);

}  // namespace zel
