#pragma once

#include <QDialog>

#include <cstdint>

class QSpinBox;
class TShapePlot;

// A whole curve from two numbers per half of the stick travel, each in percent (0..100): the end
// output, at the full stick, and the expo, the share of the cubic term. For the forward half
// (X >= 64) t = (X - 64) / 63, for the brake half (X <= 62) t = (62 - X) / 62; the output is
// 255 x end x ((1 - expo) t + expo t^3), rounded to the nearest integer, halves to even.
struct TShape {
  int FwdEnd = 100;
  int FwdExpo = 0;
  int BrkEnd = 100;
  int BrkExpo = 0;

  // The output for stick position x (0..127), computed exactly in integers.
  uint8_t Y(int x) const;
  friend bool operator==(const TShape&, const TShape&) = default;
};

// "Shape...": four spin fields and a small plot of the curve they give, live. Shown modally; on
// OK the caller applies Shape() to the profile.
class TShapeDlg : public QDialog {
  Q_OBJECT
 public:
  explicit TShapeDlg(QWidget* parent = nullptr);

  TShape Shape() const;

  QSpinBox* FwdEnd;
  QSpinBox* FwdExpo;
  QSpinBox* BrkEnd;
  QSpinBox* BrkExpo;
  TShapePlot* ShapePlot;
};

// The plot: silver ground, the neutral axis in red, the curve in blue over X 0..127.
class TShapePlot : public QWidget {
  Q_OBJECT
 public:
  explicit TShapePlot(const TShapeDlg& dialog, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  const TShapeDlg& FDialog;
};
