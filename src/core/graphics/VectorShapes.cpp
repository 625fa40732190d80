#include "core/graphics/VectorShapes.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zel {
namespace {

constexpr double Pi = std::numbers::pi;
constexpr double Tau = 2 * Pi;
constexpr double Top = -Pi / 2;  // angles start at twelve o'clock

double Wrap(double value, double period) {
  const double wrapped = std::fmod(value, period);
  return wrapped < 0 ? wrapped + period : wrapped;
}

// Five dots chase each other round a circle, slow over the top and fast
// through the bottom, each a little behind the one before.
void MomentumDots(std::vector<TVectorShape>& shapes, double size, double seconds) {
  constexpr int Dots = 5;
  constexpr double Lap = 2.2;       // seconds per lap
  constexpr double Spacing = 0.14;  // seconds between two dots
  const double orbit = size * 0.38;
  for (int i = 0; i < Dots; ++i) {
    const double u = Wrap(seconds - i * Spacing, Lap) / Lap;
    const double travelled = u - 0.85 * std::sin(Tau * u) / Tau;
    const double angle = Top + Tau * travelled;
    TVectorShape dot;
    dot.CentreX = size / 2 + orbit * std::cos(angle);
    dot.CentreY = size / 2 + orbit * std::sin(angle);
    dot.Radius = size * 0.055;
    shapes.push_back(dot);
  }
}

// Eight sectors of a ring; the bright one steps round and the ones it left
// fade behind it.
void RotatingSector(std::vector<TVectorShape>& shapes, double size, double seconds) {
  constexpr int Sectors = 8;
  constexpr double Step = 0.1;  // seconds per sector
  const int head = static_cast<int>(std::floor(seconds / Step)) % Sectors;
  const double half = Tau / Sectors / 2 * 0.72;
  for (int k = 0; k < Sectors; ++k) {
    const int behind = (head - k + Sectors) % Sectors;
    const double centre = Top + k * Tau / Sectors;
    TVectorShape sector;
    sector.Kind = TVectorShape::TKind::RingSector;
    sector.CentreX = sector.CentreY = size / 2;
    sector.Radius = size * 0.45;
    sector.InnerRadius = size * 0.22;
    sector.StartAngle = centre - half;
    sector.EndAngle = centre + half;
    sector.Alpha = std::max(0.15, 1.0 - behind * 0.14);
    shapes.push_back(sector);
  }
}

// A faint ring with a bright arc that turns while it grows and shrinks.
void SectorRing(std::vector<TVectorShape>& shapes, double size, double seconds) {
  constexpr double Breath = 1.6;  // seconds to grow and shrink once
  TVectorShape ring;
  ring.Kind = TVectorShape::TKind::Arc;
  ring.CentreX = ring.CentreY = size / 2;
  ring.Radius = size * 0.4;
  ring.LineWidth = size * 0.1;
  ring.EndAngle = Tau;
  ring.Alpha = 0.2;
  shapes.push_back(ring);
  const double phase = Wrap(seconds, Breath) / Breath;
  const double sweep = Pi * (0.15 + 1.35 * (0.5 - 0.5 * std::cos(Tau * phase)));
  TVectorShape arc = ring;
  arc.StartAngle = Top + Tau * 0.75 * seconds + Pi * phase;
  arc.EndAngle = arc.StartAngle + sweep;
  arc.Alpha = 1;
  shapes.push_back(arc);
}

}  // namespace

std::vector<TVectorShape> ActivityIndicatorShapes(TActivityIndicatorType type, double size,
                                                  double seconds) {
  std::vector<TVectorShape> shapes;
  switch (type) {
    case TActivityIndicatorType::RotatingSector:
      RotatingSector(shapes, size, seconds);
      break;
    case TActivityIndicatorType::SectorRing:
      SectorRing(shapes, size, seconds);
      break;
    case TActivityIndicatorType::MomentumDots:
      MomentumDots(shapes, size, seconds);
      break;
  }
  return shapes;
}

std::vector<TVectorShape> KeyShapes(double size) {
  // Drawn on a grid of 16 units.
  const double unit = size / 16.0;
  std::vector<TVectorShape> shapes;
  TVectorShape bow;
  bow.Kind = TVectorShape::TKind::Arc;
  bow.CentreX = 4.75 * unit;
  bow.CentreY = 8.0 * unit;
  bow.Radius = 3.25 * unit;
  bow.LineWidth = 2.0 * unit;
  bow.EndAngle = Tau;
  shapes.push_back(bow);
  auto rectangle = [&](double left, double top, double width, double height) {
    TVectorShape shape;
    shape.Kind = TVectorShape::TKind::Rectangle;
    shape.Left = left * unit;
    shape.Top = top * unit;
    shape.Width = width * unit;
    shape.Height = height * unit;
    shapes.push_back(shape);
  };
  rectangle(8.0, 7.0, 7.0, 2.0);    // shaft
  rectangle(11.0, 9.0, 1.75, 2.5);  // first tooth
  rectangle(13.5, 9.0, 1.5, 3.5);   // second tooth
  return shapes;
}

}  // namespace zel
