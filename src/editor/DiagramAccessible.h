#pragma once
// The diagram for assistive tools: a chart named "Throttle profile" whose description is the
// selected entry in words (EntryDescription). Qt asks the factory for the diagram's accessible
// object when a tool first looks at it.

#include <QAccessibleWidget>

class TDiagramView;

class TDiagramAccessible : public QAccessibleWidget {
 public:
  explicit TDiagramAccessible(TDiagramView* view);
  QString text(QAccessible::Text t) const override;
};

// Lets Qt build a TDiagramAccessible for every TDiagramView; once per program, later calls do
// nothing. Must run before a tool first asks for the diagram.
void InstallDiagramAccessible();
