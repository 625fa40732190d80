#include "backends/win32/VectorShapesWin32.h"

#include <objidl.h>
// GDI+ wants min and max, which NOMINMAX keeps out of <windows.h>.
#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include <cstring>
#include <mutex>
#include <numbers>

namespace zel {
namespace {

// GDI+ is started once for the process and left running: it must not be
// shut down while any thread may still draw.
void StartGdiPlus() {
  static std::once_flag once;
  std::call_once(once, [] {
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
  });
}

Gdiplus::REAL Degrees(double radians) {
  return static_cast<Gdiplus::REAL>(radians * 180.0 / std::numbers::pi);
}

Gdiplus::RectF Square(const TVectorShape& shape, double radius) {
  return {static_cast<Gdiplus::REAL>(shape.CentreX - radius),
          static_cast<Gdiplus::REAL>(shape.CentreY - radius),
          static_cast<Gdiplus::REAL>(2 * radius), static_cast<Gdiplus::REAL>(2 * radius)};
}

void Draw(Gdiplus::Graphics& graphics, const std::vector<TVectorShape>& shapes, BYTE red,
          BYTE green, BYTE blue) {
  graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
  graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
  for (const TVectorShape& shape : shapes) {
    const Gdiplus::Color color(static_cast<BYTE>(std::clamp(shape.Alpha, 0.0, 1.0) * 255 + 0.5),
                               red, green, blue);
    Gdiplus::SolidBrush brush(color);
    const Gdiplus::REAL sweep = Degrees(shape.EndAngle - shape.StartAngle);
    switch (shape.Kind) {
      case TVectorShape::TKind::Disc:
        graphics.FillEllipse(&brush, Square(shape, shape.Radius));
        break;
      case TVectorShape::TKind::RingSector: {
        Gdiplus::GraphicsPath path;
        path.AddArc(Square(shape, shape.Radius), Degrees(shape.StartAngle), sweep);
        path.AddArc(Square(shape, shape.InnerRadius), Degrees(shape.EndAngle), -sweep);
        path.CloseFigure();
        graphics.FillPath(&brush, &path);
        break;
      }
      case TVectorShape::TKind::Arc: {
        Gdiplus::Pen pen(color, static_cast<Gdiplus::REAL>(shape.LineWidth));
        pen.SetStartCap(Gdiplus::LineCapRound);
        pen.SetEndCap(Gdiplus::LineCapRound);
        graphics.DrawArc(&pen, Square(shape, shape.Radius), Degrees(shape.StartAngle), sweep);
        break;
      }
      case TVectorShape::TKind::Rectangle:
        graphics.FillRectangle(
            &brush, static_cast<Gdiplus::REAL>(shape.Left), static_cast<Gdiplus::REAL>(shape.Top),
            static_cast<Gdiplus::REAL>(shape.Width), static_cast<Gdiplus::REAL>(shape.Height));
        break;
    }
  }
}

}  // namespace

void DrawVectorShapes(HDC dc, const std::vector<TVectorShape>& shapes, COLORREF color, int left,
                      int top) {
  StartGdiPlus();
  Gdiplus::Graphics graphics(dc);
  graphics.TranslateTransform(static_cast<Gdiplus::REAL>(left), static_cast<Gdiplus::REAL>(top));
  Draw(graphics, shapes, GetRValue(color), GetGValue(color), GetBValue(color));
}

std::vector<std::uint32_t> RenderActivityIndicator(TActivityIndicatorType type,
                                                   TActivityIndicatorColor color, int size,
                                                   double seconds) {
  StartGdiPlus();
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(size) * size);
  Gdiplus::Bitmap bitmap(size, size, size * 4, PixelFormat32bppPARGB,
                         reinterpret_cast<BYTE*>(pixels.data()));
  {
    Gdiplus::Graphics graphics(&bitmap);
    graphics.Clear(Gdiplus::Color(0, 0, 0, 0));
    const BYTE level = color == TActivityIndicatorColor::Black ? 0 : 255;
    Draw(graphics, ActivityIndicatorShapes(type, size, seconds), level, level, level);
  }
  return pixels;
}

}  // namespace zel
