#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QString>
#include <QRgb>

#include <optional>

// Pen modes of the diagram surface: copy paints the pen colour, XOR combines the pen colour with
// the pixel, so that drawing the same figure twice restores the pixels.
enum TPenMode { pmCopy, pmXor };

// A small raster surface over a QImage in Format_RGB32 with the conventions the diagram relies on:
// a line paints its start point but not its end point; Rectangle(x1, y1, x2, y2) outlines columns
// x1..x2-1 and rows y1..y2-1 and fills the inside only while a brush is set; every pixel of one
// figure is touched exactly once, so XOR figures undo themselves. Pixels outside the image are
// clipped. Text goes through QPainter, placed with its top-left corner at the given point.
class TDiagramSurface {
 public:
  TDiagramSurface(int width, int height);

  const QImage& Image() const { return FImage; }
  int Width() const { return FImage.width(); }
  int Height() const { return FImage.height(); }

  void SetPenColor(QRgb color) { FPenColor = color; }
  QRgb PenColor() const { return FPenColor; }
  void SetPenMode(TPenMode mode) { FPenMode = mode; }
  TPenMode PenMode() const { return FPenMode; }
  // A solid brush fills rectangles and gives text an opaque background; no brush leaves both hollow.
  void SetBrush(QRgb color) { FBrush = color; }
  void SetBrushOff() { FBrush.reset(); }
  bool HasBrush() const { return FBrush.has_value(); }

  void MoveTo(int x, int y) { FPos = QPoint(x, y); }
  QPoint PenPos() const { return FPos; }
  // Draws from the current position towards (x, y), without (x, y) itself; (x, y) becomes current.
  void LineTo(int x, int y);
  // Outline in the pen colour (inside in the brush colour, if any); the current position stays.
  void Rectangle(int x1, int y1, int x2, int y2);
  // Paints columns x1..x2-1, rows y1..y2-1 with the brush colour; does nothing without a brush.
  void FillRect(int x1, int y1, int x2, int y2);
  // Text in the surface's font, black, top-left corner at (x, y).
  void TextOut(int x, int y, const QString& text);

  const QFont& Font() const { return FFont; }

 private:
  void Plot(int x, int y);
  void PlotSpan(int x1, int x2, int y);  // columns x1..x2 inclusive

  QImage FImage;
  QFont FFont;
  QRgb FPenColor = 0xFF000000;
  TPenMode FPenMode = pmCopy;
  std::optional<QRgb> FBrush;
  QPoint FPos;
};
