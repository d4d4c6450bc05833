#include "EntryText.h"

QString FineXText(int x) { return QString::number(x - 63); }

QString StickPercentText(int x) { return QString::number((x - 63.5) * 100.0 / 63.5, 'f', 1); }

QString OutputPercentText(int y) { return QString::number(y * 100.0 / 255.0, 'f', 1); }

bool YEditable(const TSpeedoDevice& profile, int i) {
  return i > 0 && i < profile.LastIndex() && !profile.InDeadband(i);
}

QString EntryDescription(const TSpeedoDevice& profile, int selected) {
  if (selected < 0 || selected > profile.LastIndex()) return QStringLiteral("No entry selected");
  const TPoint p = profile.GetPoint(selected);
  QString text = QStringLiteral("Entry %1: X %2, Y %3, output %4 %")
                     .arg(selected)
                     .arg(FineXText(p.X))
                     .arg(p.Y)
                     .arg(OutputPercentText(p.Y));
  text += profile.IsBreakpoint(selected) ? QStringLiteral(", breakpoint") : QStringLiteral(", not a breakpoint");
  if (profile.InDeadband(selected)) text += QStringLiteral(", in the deadband");
  return text;
}
