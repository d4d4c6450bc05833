#pragma once
// The diagram for assistive tools: a chart named "Throttle profile" whose description is the
// selected entry in words (EntryDescription). And combo boxes that carry a name of their own:
// on Linux Qt names a combo box after its current item and leaves its label to a relation, so a
// list in a group box would be announced by its value alone. The progress window, a plain window
// to Qt, is a dialog to a reader. Qt asks the factory for these
// accessible objects when a tool first looks at a widget.

#include <QAccessibleWidget>

class QComboBox;
class TDiagramView;

class TDiagramAccessible : public QAccessibleWidget {
 public:
  explicit TDiagramAccessible(TDiagramView* view);
  QString text(QAccessible::Text t) const override;
};

// A drop-down list (not editable) with an accessible name: named so, its current item its value,
// its list its one child, Press and ShowMenu open the list.
class TNamedComboAccessible : public QAccessibleWidget {
 public:
  explicit TNamedComboAccessible(QComboBox* box);
  QString text(QAccessible::Text t) const override;
  int childCount() const override;
  QAccessibleInterface* child(int index) const override;
  int indexOfChild(const QAccessibleInterface* child) const override;
  QStringList actionNames() const override;
  void doAction(const QString& name) override;

 private:
  QComboBox* Box() const;
};

// Lets Qt build the objects above; once per program, later calls do nothing. An accessible
// object Qt made for `box` before it had its name is dropped, so that the next one is named.
void InstallAccessibleFactory();
void RenewAccessible(QComboBox* box);
