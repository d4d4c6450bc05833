#include "DiagramAccessible.h"

#include "DiagramView.h"
#include "EntryText.h"

namespace {

QAccessibleInterface* DiagramFactory(const QString& key, QObject* object) {
  if (key == QLatin1String("TDiagramView") && object && object->isWidgetType())
    return new TDiagramAccessible(static_cast<TDiagramView*>(object));
  return nullptr;
}

}  // namespace

TDiagramAccessible::TDiagramAccessible(TDiagramView* view) : QAccessibleWidget(view, QAccessible::Chart) {}

QString TDiagramAccessible::text(QAccessible::Text t) const {
  const auto* view = static_cast<const TDiagramView*>(widget());
  switch (t) {
    case QAccessible::Name:
      return view->accessibleName().isEmpty() ? QStringLiteral("Throttle profile") : view->accessibleName();
    case QAccessible::Description:
      return EntryDescription(view->State().Profile, view->State().Selected);
    default:
      return QAccessibleWidget::text(t);
  }
}

void InstallDiagramAccessible() {
  static const bool installed = [] {
    QAccessible::installFactory(DiagramFactory);
    return true;
  }();
  (void)installed;
}
