#include "DiagramAccessible.h"

#include "DiagramView.h"
#include "EntryText.h"

#include <QAbstractItemView>
#include <QComboBox>

namespace {

bool NamedList(const QComboBox* box) { return !box->accessibleName().isEmpty() && !box->isEditable(); }

QAccessibleInterface* Factory(const QString& key, QObject* object) {
  if (!object || !object->isWidgetType()) return nullptr;
  if (key == QLatin1String("TDiagramView")) return new TDiagramAccessible(static_cast<TDiagramView*>(object));
  // The progress window is a dialog to a reader, which reads its title and message as it appears.
  if (key == QLatin1String("TProgressW"))
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Dialog);
  if (key == QLatin1String("QComboBox") && NamedList(static_cast<QComboBox*>(object)))
    return new TNamedComboAccessible(static_cast<QComboBox*>(object));
  return nullptr;
}

}  // namespace

TDiagramAccessible::TDiagramAccessible(TDiagramView* view) : QAccessibleWidget(view, QAccessible::Chart) {}

QString TDiagramAccessible::text(QAccessible::Text t) const {
  const auto* view = static_cast<const TDiagramView*>(widget());
  switch (t) {
    case QAccessible::Name:
      return view->accessibleName().isEmpty() ? QStringLiteral("Throttle profile") : view->accessibleName();
    case QAccessible::Description: return EntryDescription(view->State().Profile, view->State().Selected);
    default: return QAccessibleWidget::text(t);
  }
}

TNamedComboAccessible::TNamedComboAccessible(QComboBox* box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

QComboBox* TNamedComboAccessible::Box() const { return static_cast<QComboBox*>(widget()); }

QString TNamedComboAccessible::text(QAccessible::Text t) const {
  switch (t) {
    case QAccessible::Name: return Box()->accessibleName();
    case QAccessible::Value: return Box()->currentText();
    default: return QAccessibleWidget::text(t);
  }
}

int TNamedComboAccessible::childCount() const { return 1; }

QAccessibleInterface* TNamedComboAccessible::child(int index) const {
  return index == 0 ? QAccessible::queryAccessibleInterface(Box()->view()) : nullptr;
}

int TNamedComboAccessible::indexOfChild(const QAccessibleInterface* child) const {
  return child && child->object() == Box()->view() ? 0 : -1;
}

QStringList TNamedComboAccessible::actionNames() const {
  return QStringList{showMenuAction(), pressAction()} + QAccessibleWidget::actionNames();
}

void TNamedComboAccessible::doAction(const QString& name) {
  if (name == showMenuAction() || name == pressAction())
    Box()->showPopup();
  else
    QAccessibleWidget::doAction(name);
}

void InstallAccessibleFactory() {
  static const bool installed = [] {
    QAccessible::installFactory(Factory);
    return true;
  }();
  (void)installed;
}

void RenewAccessible(QComboBox* box) {
  QAccessibleInterface* present = QAccessible::queryAccessibleInterface(box);
  if (present && !dynamic_cast<TNamedComboAccessible*>(present))
    QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(present));
}
