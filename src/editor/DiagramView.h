#pragma once

#include "DiagramSurface.h"
#include "EditorState.h"

#include <QWidget>

#include <functional>

// Colours of the diagram, as RGB.
namespace DiagramColors {
constexpr QRgb Silver = 0xC0C0C0;      // background, and everything drawn in the erase set
constexpr QRgb Axis = 0xFF0000;        // axes and tick marks
constexpr QRgb Bar = 0x0000FF;         // foreground bars
constexpr QRgb BgBar = 0x000000;       // background-profile bars
constexpr QRgb Square = 0x800080;      // breakpoint squares
constexpr QRgb Line = 0x000000;        // curve lines
constexpr QRgb RubberBand = 0x008000;  // drawn in XOR mode
constexpr QRgb FineBox = 0x3F3FC0;     // drawn in XOR mode; yellow on silver
}  // namespace DiagramColors

// Colour sets of DrawStapels and DrawCurve.
enum TColorSet { csErase = 0, csNormal = 1, csBackground = 2 };

// The diagram: a persistent 741 x 280 image of the profile that the drawing routines change and
// that paintEvent only copies to the screen. Mouse events over it (with the implicit pointer grab
// Qt gives a pressed button) are handed to the owner's handlers in image pixels. A click or the Tab
// key gives it the keyboard focus; its keys go to OnKeyDown, which tells whether it used the key.
//
// The image is held at the device pixel ratio of the window's screen, in the same logical
// geometry; the drawing routines and the mouse work in logical pixels. When the window comes to
// a screen of another ratio, or its screen's ratio changes, the picture is drawn again at the new
// ratio before it is shown.
class TDiagramView : public QWidget {
  Q_OBJECT
 public:
  static constexpr int ImageWidth = 741;
  static constexpr int ImageHeight = 280;

  using TMouseHandler = std::function<void(Qt::MouseButton, Qt::KeyboardModifiers, int, int)>;
  using TMoveHandler = std::function<void(Qt::KeyboardModifiers, int, int)>;
  using TKeyHandler = std::function<bool(int key, Qt::KeyboardModifiers)>;

  TDiagramView(const TEditorState& state, QWidget* parent = nullptr);

  const QImage& Image() const { return FSurface.Image(); }
  const TEditorState& State() const { return FState; }
  TDiagramSurface& Surface() { return FSurface; }

  void RedrawAll();
  void DrawStapels(const TSpeedoDevice& profile, int first, int last, TColorSet set, int offset);
  void DrawCurve(const TSpeedoDevice& profile, int first, int last, TColorSet set);
  void DrawDiagramAxis();
  void DrawFineBox();
  void DrawDragCurve(const TPoint& point);

  // Holds the image at `ratio` device pixels per logical pixel (at least 1) and draws the present
  // state into it: the full diagram, or during a drag the picture the drag shows. Nothing happens
  // when the ratio is the present one.
  void SetRatio(double ratio);

  TMouseHandler OnMouseDown;
  TMoveHandler OnMouseMove;
  TMouseHandler OnMouseUp;
  TKeyHandler OnKeyDown;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  // The press that precedes a double click has been delivered already; the second one is not a
  // press of its own.
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void ClampRange(int& first, int& last) const;
  TPoint Screen(const TSpeedoDevice& profile, int index) const;

  const TEditorState& FState;
  TDiagramSurface FSurface;
};
