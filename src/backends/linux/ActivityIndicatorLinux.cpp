#include "backends/linux/ActivityIndicatorLinux.h"

#include <cairo.h>

#include <cmath>
#include <cstring>

namespace zel {

void DrawVectorShapes(cairo_t* cr, const std::vector<TVectorShape>& shapes, double red,
                      double green, double blue) {
  cairo_save(cr);
  for (const TVectorShape& shape : shapes) {
    cairo_set_source_rgba(cr, red, green, blue, shape.Alpha);
    cairo_new_path(cr);
    switch (shape.Kind) {
      case TVectorShape::TKind::Disc:
        cairo_arc(cr, shape.CentreX, shape.CentreY, shape.Radius, 0, 2 * M_PI);
        cairo_fill(cr);
        break;
      case TVectorShape::TKind::RingSector:
        cairo_arc(cr, shape.CentreX, shape.CentreY, shape.Radius, shape.StartAngle, shape.EndAngle);
        cairo_arc_negative(cr, shape.CentreX, shape.CentreY, shape.InnerRadius, shape.EndAngle,
                           shape.StartAngle);
        cairo_close_path(cr);
        cairo_fill(cr);
        break;
      case TVectorShape::TKind::Arc:
        cairo_set_line_width(cr, shape.LineWidth);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        cairo_arc(cr, shape.CentreX, shape.CentreY, shape.Radius, shape.StartAngle, shape.EndAngle);
        cairo_stroke(cr);
        break;
      case TVectorShape::TKind::Rectangle:
        cairo_rectangle(cr, shape.Left, shape.Top, shape.Width, shape.Height);
        cairo_fill(cr);
        break;
    }
  }
  cairo_restore(cr);
}

void DrawActivityIndicator(cairo_t* cr, TActivityIndicatorType type, TActivityIndicatorColor color,
                           double size, double seconds) {
  const double level = color == TActivityIndicatorColor::Black ? 0.0 : 1.0;
  DrawVectorShapes(cr, ActivityIndicatorShapes(type, size, seconds), level, level, level);
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
