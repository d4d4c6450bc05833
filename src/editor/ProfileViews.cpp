#include "ProfileViews.h"

#include "DiagramAccessible.h"
#include "DiagramView.h"
#include "EntryText.h"

#include <QAccessible>
#include <QComboBox>
#include <QScreen>

#include <utility>

namespace {

// The controls' own names for assistive tools; without them a control in a group box is named
// after the box ("Fine Adjustment" twice), a list after its current item.
const struct {
  const char* Object;
  const char* Name;
} ControlNames[] = {
    {"CurrX", "X"},
    {"CurrY", "Y"},
    {"CurrXSB", "Entry"},
    {"FwdFreq", "Forward frequency"},
    {"BrkFreq", "Brake frequency"},
    {"DBand", "Deadband"},
    {"DBandSB", "Deadband"},
    {"cbPorts", "Port"},
};

}  // namespace

TProfileViews::TProfileViews(TEditorLink link, TDiagramView* diagram, QWidget* window)
    : QObject(window), FLink(std::move(link)), FDiagram(diagram), FWindow(window) {
  InstallAccessibleFactory();
  for (const auto& c : ControlNames) {
    auto* w = window->findChild<QWidget*>(QLatin1String(c.Object));
    if (!w) continue;
    w->setAccessibleName(QLatin1String(c.Name));
    if (auto* box = qobject_cast<QComboBox*>(w)) RenewAccessible(box);
  }
  // Scroll bars take no keyboard focus by default: the entry and the deadband could not be
  // reached without the mouse. The scroll area around the diagram would be a stop of its own
  // before the diagram.
  for (const char* name : {"CurrXSB", "DBandSB"})
    if (auto* w = window->findChild<QWidget*>(QLatin1String(name))) w->setFocusPolicy(Qt::StrongFocus);
  if (auto* w = window->findChild<QWidget*>(QStringLiteral("ScrollBox1"))) w->setFocusPolicy(Qt::NoFocus);
}

void TProfileViews::Changed() {
  if (FTable) FTable->Changed();
  const QString description = EntryDescription(FLink.State->Profile, FLink.State->Selected);
  if (description == FDescription) return;
  FDescription = description;
  QAccessibleEvent event(FDiagram, QAccessible::DescriptionChanged);
  QAccessible::updateAccessibility(&event);
}

void TProfileViews::ShowTable() {
  if (!FTable) {
    FTable = new TTableWnd(FLink, FWindow);
    // Beside the main window, on its right where the screen allows, else on its left.
    const QRect frame = FWindow->frameGeometry();
    const QRect screen = FWindow->screen() ? FWindow->screen()->availableGeometry() : QRect();
    int x = frame.right() + 8;
    if (screen.isValid() && x + FTable->width() > screen.right())
      x = std::max(screen.left(), frame.left() - FTable->width() - 8);
    FTable->move(x, frame.top());
  }
  FTable->Changed();
  FTable->show();
  FTable->raise();
  FTable->activateWindow();
}
