#include "DiagramSurface.h"

#include <QPainter>

#include <algorithm>
#include <cstdlib>

TDiagramSurface::TDiagramSurface(int width, int height)
    : FImage(width, height, QImage::Format_RGB32) {
  FImage.fill(Qt::white);
  // The labels use an 8-point sans face; a pixel size keeps the text independent of the screen's
  // resolution, and no antialiasing keeps the glyphs in the single text colour.
  FFont.setFamily(QStringLiteral("Sans Serif"));
  FFont.setStyleHint(QFont::SansSerif);
  FFont.setPixelSize(11);
  FFont.setStyleStrategy(QFont::NoAntialias);
}

void TDiagramSurface::Plot(int x, int y) {
  if (x < 0 || y < 0 || x >= FImage.width() || y >= FImage.height()) return;
  auto* line = reinterpret_cast<QRgb*>(FImage.scanLine(y));
  if (FPenMode == pmXor)
    line[x] = 0xFF000000 | ((line[x] ^ FPenColor) & 0x00FFFFFF);
  else
    line[x] = 0xFF000000 | FPenColor;
}

void TDiagramSurface::PlotSpan(int x1, int x2, int y) {
  for (int x = x1; x <= x2; ++x) Plot(x, y);
}

void TDiagramSurface::LineTo(int x, int y) {
  // Bresenham from the current position; the loop stops before the end point.
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
  FPos = QPoint(x, y);
}

void TDiagramSurface::Rectangle(int x1, int y1, int x2, int y2) {
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  const int right = x2 - 1, bottom = y2 - 1;
  if (right < x1 || bottom < y1) return;
  if (FBrush) {
    const QRgb pen = FPenColor;
    const TPenMode mode = FPenMode;
    FPenColor = *FBrush;
    FPenMode = pmCopy;
    for (int y = y1 + 1; y < bottom; ++y) PlotSpan(x1 + 1, right - 1, y);
    FPenColor = pen;
    FPenMode = mode;
  }
  PlotSpan(x1, right, y1);
  if (bottom > y1) PlotSpan(x1, right, bottom);
  for (int y = y1 + 1; y < bottom; ++y) {
    Plot(x1, y);
    if (right > x1) Plot(right, y);
  }
}

void TDiagramSurface::FillRect(int x1, int y1, int x2, int y2) {
  if (!FBrush) return;
  const QRgb pen = FPenColor;
  const TPenMode mode = FPenMode;
  FPenColor = *FBrush;
  FPenMode = pmCopy;
  for (int y = std::min(y1, y2); y < std::max(y1, y2); ++y)
    PlotSpan(std::min(x1, x2), std::max(x1, x2) - 1, y);
  FPenColor = pen;
  FPenMode = mode;
}

void TDiagramSurface::TextOut(int x, int y, const QString& text) {
  QPainter painter(&FImage);
  painter.setFont(FFont);
  const QFontMetrics metrics(FFont);
  if (FBrush)
    painter.fillRect(QRect(x, y, metrics.horizontalAdvance(text), metrics.height()), QColor(*FBrush));
  painter.setPen(Qt::black);
  painter.drawText(x, y + metrics.ascent(), text);
}
