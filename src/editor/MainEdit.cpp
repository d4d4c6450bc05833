// Undo and redo, copy and paste of a profile, the shape dialog, profiles opened from the command
// line or dropped on the window, and the keys of the diagram.
#include "Main.h"

#include "ShapeDlg.h"

#include <QAction>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScrollBar>
#include <QSpinBox>
#include <QUrl>

#include <algorithm>

namespace {

// The local .spp file of a drag, the first one when several are dragged; empty when there is none.
QString DroppedProfile(const QMimeData* data) {
  if (!data || !data->hasUrls() || data->urls().isEmpty()) return {};
  const QUrl url = data->urls().constFirst();
  if (!url.isLocalFile()) return {};
  const QString name = url.toLocalFile();
  return name.endsWith(QStringLiteral(".spp"), Qt::CaseInsensitive) ? name : QString();
}

// A read-only field would take the copy key for its own text; the profile's copy goes first.
class TCopyKeyFilter : public QObject {
 public:
  TCopyKeyFilter(QAction* copy, QObject* parent) : QObject(parent), FCopy(copy) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::ShortcutOverride &&
        QKeySequence(static_cast<QKeyEvent*>(event)->keyCombination()) == FCopy->shortcut())
      return true;  // not accepted: the shortcut runs
    return QObject::eventFilter(watched, event);
  }

 private:
  QAction* FCopy;
};

}  // namespace

void TMainForm::CreateEditActions() {
  EditUndo = MakeAction("EditUndo", QStringLiteral("Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z), &TMainForm::EditUndoExecute);
  EditRedo = MakeAction("EditRedo", QStringLiteral("Redo"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                        &TMainForm::EditRedoExecute);
  EditRedo->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
  EditCopy = MakeAction("EditCopy", QStringLiteral("Copy profile"), QKeySequence(Qt::CTRL | Qt::Key_C),
                        &TMainForm::EditCopyExecute);
  EditPaste = MakeAction("EditPaste", QStringLiteral("Paste profile"), QKeySequence(Qt::CTRL | Qt::Key_V),
                         &TMainForm::EditPasteExecute);
  ShapeCurve = MakeAction("ShapeCurve", QStringLiteral("Shape..."), {}, &TMainForm::ShapeCurveExecute);
  ShapeDlg = new TShapeDlg(this);
  History.OnChange = [this] { UpdateEditActions(); };
  setAcceptDrops(true);
}

void TMainForm::ConnectEditKeys() {
  Diagram->OnKeyDown = [this](int key, Qt::KeyboardModifiers) { return DiagramKeyDown(key); };
  auto* filter = new TCopyKeyFilter(EditCopy, this);
  for (QWidget* field : {static_cast<QWidget*>(CurrX), static_cast<QWidget*>(CurrY), static_cast<QWidget*>(DBand)})
    field->installEventFilter(filter);
}

QMenu* TMainForm::CreateEditMenu() {
  Undo1 = MakeMenuItem("Undo1", EditUndo, QStringLiteral("Undo"), QStringLiteral("Undo|Undo the last change"));
  Redo1 = MakeMenuItem("Redo1", EditRedo, QStringLiteral("Redo"), QStringLiteral("Redo|Redo the change undone last"));
  CopyProfile1 = MakeMenuItem("CopyProfile1", EditCopy, QStringLiteral("Copy profile"),
                              QStringLiteral("Copy profile|Copy the profile to the clipboard as text and picture"));
  PasteProfile1 = MakeMenuItem("PasteProfile1", EditPaste, QStringLiteral("Paste profile"),
                               QStringLiteral("Paste profile|Load a profile from the clipboard"));
  Shape1 = MakeMenuItem("Shape1", ShapeCurve, QStringLiteral("Shape..."),
                        QStringLiteral("Shape|Set the whole curve from end output and expo"));
  auto* menu = new QMenu(QStringLiteral("Edit"), menuBar());
  menu->addActions({Undo1, Redo1});
  menu->addSeparator();
  menu->addActions({CopyProfile1, PasteProfile1});
  UpdateEditActions();
  return menu;
}

void TMainForm::UpdateEditActions() {
  for (QAction* a : {EditUndo, Undo1}) a->setEnabled(History.CanUndo());
  for (QAction* a : {EditRedo, Redo1}) a->setEnabled(History.CanRedo());
}

// The file name and the caption stay: they name the file that Save writes, not the state.
void TMainForm::RestoreEdit(bool (TUndoHistory::*step)(TEditorState&)) {
  if (!(History.*step)(*this)) return;
  Diagram->RedrawAll();
  UpdateButtonStates();
}

void TMainForm::EditUndoExecute() { RestoreEdit(&TUndoHistory::Undo); }
void TMainForm::EditRedoExecute() { RestoreEdit(&TUndoHistory::Redo); }

// The text is what Save writes into a new file; the picture is the diagram without the selection box.
void TMainForm::EditCopyExecute() {
  auto* data = new QMimeData;
  data->setText(QString::fromStdString(Profile.SaveToText()));
  Diagram->DrawFineBox();
  data->setImageData(Diagram->Image().copy());
  Diagram->DrawFineBox();
  QGuiApplication::clipboard()->setMimeData(data);
}

void TMainForm::EditPasteExecute() {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  const QString text = data ? data->text() : QString();
  TUndoHistory::TStep step(History, *this);
  if (text.isEmpty() || Profile.LoadFromText(text.toStdString()) != 0) {
    FDialogs.Information(this, QStringLiteral("The clipboard holds no profile."));
    return;
  }
  UpdateButtonStates();
  Diagram->RedrawAll();
}

// The whole table from the shape, then the breakpoints it does not need are dropped; the deadband
// keeps its level and so its entries stay pinned at zero.
void TMainForm::ShapeCurveExecute() {
  ShapeDlg->setResult(QDialog::Rejected);
  FDialogs.ShowModal(*ShapeDlg);
  if (ShapeDlg->result() != QDialog::Accepted) return;
  const TShape shape = ShapeDlg->Shape();
  TUndoHistory::TStep step(History, *this);
  const int level = Profile.GetDeadband();
  for (int i = 0; i <= Profile.LastIndex(); ++i) Profile.SetY(i, shape.Y(Profile.GetPoint(i).X));
  Profile.FitCurve(1.5);
  Profile.SetDeadband(level);
  Diagram->RedrawAll();
  UpdateButtonStates();
}

// A relative name is taken from the folder the program was started in, so that Save later writes
// to the same file wherever the program's folder is by then.
void TMainForm::OpenArguments(const QStringList& names) {
  if (names.isEmpty()) return;
  const QString name = QFileInfo(names.constFirst()).absoluteFilePath();
  Command([&] { FileOpen1Accept(name); });
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
  if (!DroppedProfile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

// The file is opened after the drop has been answered: the source of the drag waits for that
// answer, and a message box shown here would keep it waiting.
void TMainForm::dropEvent(QDropEvent* event) {
  const QString name = DroppedProfile(event->mimeData());
  if (name.isEmpty()) return;
  event->acceptProposedAction();
  QMetaObject::invokeMethod(this, [this, name] { Command([&] { FileOpen1Accept(name); }); }, Qt::QueuedConnection);
}

// Left and Right move the selection as the scroll bar does; Up and Down (Page Up and Page Down by
// ten) step the selected entry's Y as the Y field does, with its refusals; Delete removes a
// selected breakpoint as a right click does.
bool TMainForm::DiagramKeyDown(int key) {
  int move = 0, step = 0;
  switch (key) {
    case Qt::Key_Left: move = -1; break;
    case Qt::Key_Right: move = 1; break;
    case Qt::Key_Up: step = 1; break;
    case Qt::Key_Down: step = -1; break;
    case Qt::Key_PageUp: step = 10; break;
    case Qt::Key_PageDown: step = -10; break;
    case Qt::Key_Delete: break;
    default: return false;
  }
  Command([&] {
    if (move != 0) {
      CurrXSB->setValue(std::clamp(CurrXSB->value() + move, CurrXSB->minimum(), CurrXSB->maximum()));
    } else if (step != 0) {
      CurrY->setValue(CurrY->value() + step);  // the field keeps to 0..255
    } else if (Selected > 0 && Selected < Profile.LastIndex() && Profile.IsBreakpoint(Selected)) {
      PrevBreak = Profile.PrevBreakpoint(Selected);
      NextBreak = Profile.NextBreakpoint(Selected);
      Diagram->DrawFineBox();
      RemoveBreakpoint(Selected);
      UpdateButtonStates();
      Diagram->DrawFineBox();
    }
  });
  return true;
}
