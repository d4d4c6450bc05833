#include "ShapeDlg.h"

#include "DiagramMapping.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPainter>
#include <QPolygonF>
#include <QSpinBox>

#include <algorithm>
#include <cmath>

namespace {

// 255 x end/100 x ((100 - expo) a d^2 + expo a^3) / (100 d^3) with t = a / d: at most
// 255 x 100 x 100 x 63^3, well inside 64 bits.
uint8_t HalfY(int a, int d, int end, int expo) {
  const long long dd = static_cast<long long>(d) * d;
  const long long f = (100LL - expo) * a * dd + static_cast<long long>(expo) * a * a * a;
  return static_cast<uint8_t>(RoundHalfEven(255LL * end * f, 10000LL * dd * d));
}

QSpinBox* PercentField(QWidget* parent, const char* name, int value) {
  auto* field = new QSpinBox(parent);
  field->setObjectName(QString::fromLatin1(name));
  field->setRange(0, 100);
  field->setSuffix(QStringLiteral(" %"));
  field->setValue(value);
  return field;
}

}  // namespace

uint8_t TShape::Y(int x) const {
  if (x >= 64) return HalfY(x - 64, 63, FwdEnd, FwdExpo);
  return HalfY(std::max(0, 62 - x), 62, BrkEnd, BrkExpo);
}

TShapeDlg::TShapeDlg(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("ShapeDlg"));
  setWindowTitle(QStringLiteral("Shape"));
  const TShape start;
  FwdEnd = PercentField(this, "FwdEnd", start.FwdEnd);
  FwdExpo = PercentField(this, "FwdExpo", start.FwdExpo);
  BrkEnd = PercentField(this, "BrkEnd", start.BrkEnd);
  BrkExpo = PercentField(this, "BrkExpo", start.BrkExpo);
  ShapePlot = new TShapePlot(*this, this);
  ShapePlot->setObjectName(QStringLiteral("ShapePlot"));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* grid = new QGridLayout(this);
  grid->addWidget(new QLabel(QStringLiteral("End output"), this), 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("Expo"), this), 0, 2);
  grid->addWidget(new QLabel(QStringLiteral("Forward"), this), 1, 0);
  grid->addWidget(FwdEnd, 1, 1);
  grid->addWidget(FwdExpo, 1, 2);
  grid->addWidget(new QLabel(QStringLiteral("Brake"), this), 2, 0);
  grid->addWidget(BrkEnd, 2, 1);
  grid->addWidget(BrkExpo, 2, 2);
  grid->addWidget(ShapePlot, 3, 0, 1, 3, Qt::AlignHCenter);
  grid->addWidget(buttons, 4, 0, 1, 3);
  grid->setSizeConstraint(QLayout::SetFixedSize);

  for (QSpinBox* field : {FwdEnd, FwdExpo, BrkEnd, BrkExpo})
    connect(field, &QSpinBox::valueChanged, ShapePlot, [this] { ShapePlot->update(); });
}

TShape TShapeDlg::Shape() const { return {FwdEnd->value(), FwdExpo->value(), BrkEnd->value(), BrkExpo->value()}; }

TShapePlot::TShapePlot(const TShapeDlg& dialog, QWidget* parent) : QWidget(parent), FDialog(dialog) {
  setFixedSize(2 * 127 + 9, 128 + 9);  // 2 pixels per X unit, 2 output steps per pixel
}

void TShapePlot::paintEvent(QPaintEvent*) {
  const TShape shape = FDialog.Shape();
  const int left = 4, bottom = height() - 5;
  QPainter painter(this);
  painter.fillRect(rect(), QColor(0xC0C0C0));
  painter.setPen(QColor(0xFF0000));
  painter.drawLine(left, bottom, left + 254, bottom);
  painter.drawLine(left + 127, bottom, left + 127, bottom - 128);
  // Half a logical pixel per output step, rounded up to the device's grid: at ratio 1 the row of
  // Y / 2 whole pixels, at ratio 2 and above every output step of its own.
  const qreal ratio = std::max<qreal>(1, devicePixelRatioF());
  QPolygonF curve;
  for (int x = 0; x <= 127; ++x)
    if (x != 63) curve << QPointF(left + 2 * x, std::ceil((bottom - shape.Y(x) / 2.0) * ratio) / ratio);
  painter.setPen(QColor(0x0000FF));
  painter.drawPolyline(curve);
}
