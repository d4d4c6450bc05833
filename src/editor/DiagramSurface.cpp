#include "DiagramSurface.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>

TDiagramSurface::TDiagramSurface(int width, int height, double ratio)
    : FWidth(width), FHeight(height), FRatio(std::max(1.0, ratio)) {
  FImage = QImage(Dev(width), Dev(height), QImage::Format_RGB32);
  FImage.setDevicePixelRatio(FRatio);
  FImage.fill(Qt::white);
  // The labels use an 8-point sans face; a pixel size keeps the text independent of the screen's
  // resolution, and no antialiasing keeps the glyphs in the single text colour.
  FFont.setFamily(QStringLiteral("Sans Serif"));
  FFont.setStyleHint(QFont::SansSerif);
  FFont.setPixelSize(11);
  FFont.setStyleStrategy(QFont::NoAntialias);
}

int TDiagramSurface::Dev(double v) const { return static_cast<int>(std::floor(v * FRatio + 0.5)); }

// Taken once per figure: QImage::bits() detaches a shared image, which costs too much per pixel.
QRgb* TDiagramSurface::Pixels() {
  FPixels = reinterpret_cast<QRgb*>(FImage.bits());
  return FPixels;
}

void TDiagramSurface::Plot(int x, int y) {
  if (x < 0 || y < 0 || x >= FImage.width() || y >= FImage.height()) return;
  QRgb& pixel = FPixels[static_cast<qsizetype>(y) * FImage.width() + x];
  if (FPenMode == pmXor)
    pixel = 0xFF000000 | ((pixel ^ FPenColor) & 0x00FFFFFF);
  else
    pixel = 0xFF000000 | FPenColor;
}

void TDiagramSurface::PlotSpan(int x1, int x2, int y) {
  if (y < 0 || y >= FImage.height()) return;
  x1 = std::max(x1, 0);
  x2 = std::min(x2, FImage.width());
  QRgb* line = FPixels + static_cast<qsizetype>(y) * FImage.width();
  if (FPenMode == pmXor)
    for (int x = x1; x < x2; ++x) line[x] = 0xFF000000 | ((line[x] ^ FPenColor) & 0x00FFFFFF);
  else
    std::fill(line + std::max(x1, 0), line + std::max(x2, x1), 0xFF000000 | FPenColor);
}

void TDiagramSurface::PlotBlock(int x1, int y1, int x2, int y2, QRgb color, TPenMode mode) {
  const QRgb pen = FPenColor;
  const TPenMode penMode = FPenMode;
  FPenColor = color;
  FPenMode = mode;
  for (int y = y1; y < y2; ++y) PlotSpan(x1, x2, y);
  FPenColor = pen;
  FPenMode = penMode;
}

void TDiagramSurface::LineTo(int x, int y) {
  Pixels();
  if (FRatio == 1)
    BresenhamTo(x, y);
  else
    DenseLineTo(x, y);
  FPos = QPoint(x, y);
}

void TDiagramSurface::BresenhamTo(int x, int y) {
  // From the current position; the loop stops before the end point.
  int x0 = FPos.x(), y0 = FPos.y();
  const int dx = std::abs(x - x0), dy = -std::abs(y - y0);
  const int sx = x0 < x ? 1 : -1, sy = y0 < y ? 1 : -1;
  int err = dx + dy;
  while (x0 != x || y0 != y) {
    Plot(x0, y0);
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x0 += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y0 += sy;
    }
  }
}

// The line between the centres of the two logical pixels, one logical pixel thick. Along its
// major axis it covers the device lines of the logical pixels from the start up to, not
// including, the end's: once each, so an XOR line touches every pixel once. Across, each device
// line gets the span of one logical pixel around the line's centre there, kept inside the
// rows (columns) of the two end pixels. A vertical or horizontal line thus covers whole logical
// pixels, as at ratio 1.
void TDiagramSurface::DenseLineTo(int x, int y) {
  const int x0 = FPos.x(), y0 = FPos.y();
  if (x == x0 && y == y0) return;
  const bool xMajor = std::abs(x - x0) >= std::abs(y - y0);
  const int a0 = xMajor ? x0 : y0, a1 = xMajor ? x : y;  // along the major axis
  const int b0 = xMajor ? y0 : x0, b1 = xMajor ? y : x;  // across it
  const double slope = static_cast<double>(b1 - b0) / (a1 - a0);
  const int first = a1 > a0 ? Dev(a0) : Dev(a1 + 1);
  const int last = a1 > a0 ? Dev(a1) : Dev(a0 + 1);
  const int low = Dev(std::min(b0, b1)), high = Dev(std::max(b0, b1) + 1);
  for (int c = first; c < last; ++c) {
    const double centre = b0 + 0.5 + ((c + 0.5) / FRatio - a0 - 0.5) * slope;
    const int from = std::max(low, Dev(centre - 0.5)), to = std::min(high, Dev(centre + 0.5));
    for (int d = from; d < to; ++d) {
      if (xMajor)
        Plot(c, d);
      else
        Plot(d, c);
    }
  }
}

void TDiagramSurface::Rectangle(int x1, int y1, int x2, int y2) {
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  if (x2 - 1 < x1 || y2 - 1 < y1) return;
  Pixels();
  // The outline is the outer block less the inner one: the logical pixels x1 + 1..x2 - 2 by
  // y1 + 1..y2 - 2.
  const int left = Dev(x1), right = Dev(x2), top = Dev(y1), bottom = Dev(y2);
  const int innerLeft = Dev(x1 + 1), innerRight = Dev(x2 - 1);
  const int innerTop = Dev(y1 + 1), innerBottom = Dev(y2 - 1);
  const bool hollow = innerLeft < innerRight && innerTop < innerBottom;
  if (FBrush && hollow) PlotBlock(innerLeft, innerTop, innerRight, innerBottom, *FBrush, pmCopy);
  for (int y = top; y < bottom; ++y) {
    if (hollow && y >= innerTop && y < innerBottom) {
      PlotSpan(left, innerLeft, y);
      PlotSpan(innerRight, right, y);
    } else {
      PlotSpan(left, right, y);
    }
  }
}

void TDiagramSurface::FillRect(int x1, int y1, int x2, int y2) {
  if (!FBrush) return;
  Pixels();
  PlotBlock(Dev(std::min(x1, x2)), Dev(std::min(y1, y2)), Dev(std::max(x1, x2)), Dev(std::max(y1, y2)), *FBrush,
            pmCopy);
}

void TDiagramSurface::TextOut(int x, int y, const QString& text) {
  QPainter painter(&FImage);  // in logical pixels: the image carries the ratio
  painter.setFont(FFont);
  const QFontMetrics metrics(FFont);
  if (FBrush) painter.fillRect(QRect(x, y, metrics.horizontalAdvance(text), metrics.height()), QColor(*FBrush));
  painter.setPen(Qt::black);
  painter.drawText(x, y + metrics.ascent(), text);
}
