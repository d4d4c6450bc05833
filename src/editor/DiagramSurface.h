#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRgb>
#include <QString>

#include <optional>

// Pen modes of the diagram surface: copy paints the pen colour, XOR combines the pen colour with
// the pixel, so that drawing the same figure twice restores the pixels.
enum TPenMode { pmCopy, pmXor };

// A small raster surface over a QImage in Format_RGB32 with the conventions the diagram relies on:
// a line paints its start point but not its end point; Rectangle(x1, y1, x2, y2) outlines columns
// x1..x2-1 and rows y1..y2-1 and fills the inside only while a brush is set; every pixel of one
// figure is touched exactly once, so XOR figures undo themselves. Pixels outside the image are
// clipped. Text goes through QPainter, placed with its top-left corner at the given point.
//
// Coordinates are logical pixels. The image holds Ratio() device pixels per logical pixel (the
// screen's device pixel ratio, at least 1): logical pixel x covers the device columns
// Dev(x)..Dev(x + 1) - 1, and every figure is placed by that one rule. Outlines, fills and
// vertical and horizontal lines cover whole logical pixels; slanted lines are drawn at the
// device's density, one logical pixel thick, so that they climb in steps of single device pixels.
// At ratio 1 device and logical pixels are the same.
class TDiagramSurface {
 public:
  TDiagramSurface(int width, int height, double ratio = 1);

  // The device image; its devicePixelRatio() is Ratio().
  const QImage& Image() const { return FImage; }
  // Size in logical pixels.
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  double Ratio() const { return FRatio; }
  // The device coordinate of the logical coordinate v: v x Ratio(), rounded to the nearest
  // integer, halves upward.
  int Dev(double v) const;

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
  QRgb* Pixels();
  void Plot(int x, int y);                                                    // device pixel, after Pixels()
  void PlotSpan(int x1, int x2, int y);                                       // device columns x1..x2-1 of device row y
  void PlotBlock(int x1, int y1, int x2, int y2, QRgb color, TPenMode mode);  // device, half-open
  void BresenhamTo(int x, int y);                                             // ratio 1
  void DenseLineTo(int x, int y);                                             // any other ratio

  int FWidth;
  int FHeight;
  double FRatio;
  QImage FImage;
  QRgb* FPixels = nullptr;
  QFont FFont;
  QRgb FPenColor = 0xFF000000;
  TPenMode FPenMode = pmCopy;
  std::optional<QRgb> FBrush;
  QPoint FPos;
};
