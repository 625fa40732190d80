#pragma once
// The busy window's activity indicator, drawn with cairo: one frame of any
// of the three animations at any moment.
#include <cstdint>
#include <vector>

#include "platform/StartupWindows.h"

typedef struct _cairo cairo_t;

namespace zel {

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
