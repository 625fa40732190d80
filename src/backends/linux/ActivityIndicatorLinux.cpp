#include "backends/linux/ActivityIndicatorLinux.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace zel {
namespace {

constexpr double Tau = 2 * M_PI;
constexpr double Top = -M_PI / 2;  // angles start at twelve o'clock

double Wrap(double value, double period) {
  const double wrapped = std::fmod(value, period);
  return wrapped < 0 ? wrapped + period : wrapped;
}

// Five dots chase each other round a circle, slow over the top and fast
// through the bottom, each a little behind the one before.
void DrawMomentumDots(cairo_t* cr, double size, double seconds) {
  constexpr int Dots = 5;
  constexpr double Lap = 2.2;       // seconds per lap
  constexpr double Spacing = 0.14;  // seconds between two dots
  const double orbit = size * 0.38;
  const double radius = size * 0.055;
  for (int i = 0; i < Dots; ++i) {
    const double u = Wrap(seconds - i * Spacing, Lap) / Lap;
    const double travelled = u - 0.85 * std::sin(Tau * u) / Tau;
    const double angle = Top + Tau * travelled;
    cairo_new_sub_path(cr);
    cairo_arc(cr, size / 2 + orbit * std::cos(angle), size / 2 + orbit * std::sin(angle), radius, 0,
              Tau);
  }
  cairo_fill(cr);
}

// Eight sectors of a ring; the bright one steps round and the ones it left
// fade behind it.
void DrawRotatingSector(cairo_t* cr, double size, double seconds, double red, double green,
                        double blue) {
  constexpr int Sectors = 8;
  constexpr double Step = 0.1;  // seconds per sector
  const int head = static_cast<int>(std::floor(seconds / Step)) % Sectors;
  const double inner = size * 0.22;
  const double outer = size * 0.45;
  const double half = Tau / Sectors / 2 * 0.72;
  for (int k = 0; k < Sectors; ++k) {
    const int behind = (head - k + Sectors) % Sectors;
    const double centre = Top + k * Tau / Sectors;
    cairo_set_source_rgba(cr, red, green, blue, std::max(0.15, 1.0 - behind * 0.14));
    cairo_new_path(cr);
    cairo_arc(cr, size / 2, size / 2, outer, centre - half, centre + half);
    cairo_arc_negative(cr, size / 2, size / 2, inner, centre + half, centre - half);
    cairo_close_path(cr);
    cairo_fill(cr);
  }
}

// A faint ring with a bright arc that turns while it grows and shrinks.
void DrawSectorRing(cairo_t* cr, double size, double seconds, double red, double green,
                    double blue) {
  constexpr double Breath = 1.6;  // seconds to grow and shrink once
  const double radius = size * 0.4;
  cairo_set_line_width(cr, size * 0.1);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_source_rgba(cr, red, green, blue, 0.2);
  cairo_new_path(cr);
  cairo_arc(cr, size / 2, size / 2, radius, 0, Tau);
  cairo_stroke(cr);
  const double phase = Wrap(seconds, Breath) / Breath;
  const double sweep = M_PI * (0.15 + 1.35 * (0.5 - 0.5 * std::cos(Tau * phase)));
  const double start = Top + Tau * 0.75 * seconds + M_PI * phase;
  cairo_set_source_rgb(cr, red, green, blue);
  cairo_new_path(cr);
  cairo_arc(cr, size / 2, size / 2, radius, start, start + sweep);
  cairo_stroke(cr);
}

}  // namespace

void DrawActivityIndicator(cairo_t* cr, TActivityIndicatorType type, TActivityIndicatorColor color,
                           double size, double seconds) {
  const double level = color == TActivityIndicatorColor::Black ? 0.0 : 1.0;
  cairo_save(cr);
  cairo_set_source_rgb(cr, level, level, level);
  switch (type) {
    case TActivityIndicatorType::RotatingSector:
      DrawRotatingSector(cr, size, seconds, level, level, level);
      break;
    case TActivityIndicatorType::SectorRing:
      DrawSectorRing(cr, size, seconds, level, level, level);
      break;
    case TActivityIndicatorType::MomentumDots:
      DrawMomentumDots(cr, size, seconds);
      break;
  }
  cairo_restore(cr);
}

std::vector<std::uint32_t> RenderActivityIndicator(TActivityIndicatorType type,
                                                   TActivityIndicatorColor color, int size,
                                                   double seconds) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
  cairo_t* cr = cairo_create(surface);
  DrawActivityIndicator(cr, type, color, size, seconds);
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(size) * size);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int row = 0; row < size; ++row)
    std::memcpy(&pixels[static_cast<std::size_t>(row) * size], data + row * stride,
                static_cast<std::size_t>(size) * 4);
  cairo_surface_destroy(surface);
  return pixels;
}

}  // namespace zel
