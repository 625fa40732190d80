#pragma once
// Small pictures the host draws itself, as shapes any 2D library can fill
// or stroke: the busy window's activity indicator and the password prompt's
// key. Coordinates are pixels with y pointing down; angles are radians,
// growing clockwise from the positive x axis.
#include <vector>

#include "platform/StartupWindows.h"

namespace zel {

struct TVectorShape {
  enum class TKind {
    Disc,        // filled circle of Radius
    RingSector,  // filled part of a ring between InnerRadius and Radius, StartAngle to EndAngle
    Arc,         // circle line of Radius from StartAngle to EndAngle, LineWidth wide, round ends
    Rectangle,   // filled rectangle Left, Top, Width, Height
  };
  TKind Kind = TKind::Disc;
  double CentreX = 0, CentreY = 0;
  double Radius = 0, InnerRadius = 0;
  double StartAngle = 0, EndAngle = 0;
  double LineWidth = 0;
  double Left = 0, Top = 0, Width = 0, Height = 0;
  double Alpha = 1;  // opacity of the shape's colour
};

// The frame `seconds` after the animation began, in a square of `size`
// pixels at the origin. Shapes are drawn in order, all in one colour.
std::vector<TVectorShape> ActivityIndicatorShapes(TActivityIndicatorType type, double size,
                                                  double seconds);

// A key lying on its side in a square of `size` pixels: a ring as its bow,
// a shaft to the right, two teeth below the shaft's end.
std::vector<TVectorShape> KeyShapes(double size);

}  // namespace zel
