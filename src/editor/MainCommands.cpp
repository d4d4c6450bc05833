// The window's commands on the profile document: file, profile, edit and help, profiles opened from
// the command line or dropped on the window. Each brings the diagram and the controls in line.
#include "Main.h"

#include "About.h"
#include "ControlPanel.h"
#include "DiagramEditor.h"
#include "InfoWnd.h"
#include "ShapeDlg.h"

#include <QAction>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

namespace {

// The local .spp file of a drag, the first one when several are dragged; empty when there is none.
QString DroppedProfile(const QMimeData* data) {
  if (!data || !data->hasUrls() || data->urls().isEmpty()) return {};
  const QUrl url = data->urls().constFirst();
  if (!url.isLocalFile()) return {};
  const QString name = url.toLocalFile();
  return name.endsWith(QStringLiteral(".spp"), Qt::CaseInsensitive) ? name : QString();
}

}  // namespace

// The controls first, then the whole diagram.
void TMainForm::Refresh() {
  FPanel->UpdateButtonStates();
  FEditor->RedrawAll();
}

void TMainForm::NewDiagram() {
  FDocument.Clear();
  FEditor->RedrawAll();
  FPanel->UpdateButtonStates();
}

void TMainForm::SetFileName(const QString& name) {
  FDocument.State().FileName = name;
  setWindowTitle(AppTitle + QStringLiteral(" [") + name + QStringLiteral("]"));
}

void TMainForm::FileNewExecute() {
  FDocument.New();
  FEditor->RedrawAll();
  FPanel->UpdateButtonStates();
}

void TMainForm::FileOpen1Execute() {
  const QString name = FDialogs.OpenFileName(this, {QStringLiteral("Speed (*.spp)"), QStringLiteral("spp"), true});
  if (!name.isEmpty()) FileOpen1Accept(name);
}

void TMainForm::FileOpen1Accept(const QString& name) {
  if (!FDocument.Open(name)) {
    FDialogs.Information(this, QStringLiteral("Failed to load profile from file ") + name);
    return;
  }
  Refresh();
  SetFileName(name);
}

void TMainForm::FileSaveExecute() {
  if (FDocument.IsUntitled())
    Action("FileSaveAs1")->trigger();
  else
    FDocument.Save();
}

void TMainForm::FileSaveAs1Execute() {
  const QString name = FDialogs.SaveFileName(this, {QStringLiteral("Speedo (*.spp)"), QStringLiteral("spp"), false});
  if (!name.isEmpty()) FileSaveAs1Accept(name);
}

void TMainForm::FileSaveAs1Accept(const QString& name) {
  SetFileName(name);
  FDocument.Save();
}

void TMainForm::FileExit1Execute() { close(); }

void TMainForm::ShowBGCurveExecute() {
  FEditor->ToggleBackground();
  FPanel->UpdateButtonStates();
}

void TMainForm::ExchangeCurvesExecute() {
  FDocument.Exchange();
  Refresh();
}

void TMainForm::FitCurveExecute() {
  FDocument.Fit();
  FEditor->RedrawAll();
  FPanel->UpdateButtonStates();
}

void TMainForm::UpdateEditActions() {
  for (const char* name : {"EditUndo", "Undo1"}) Action(name)->setEnabled(FDocument.History().CanUndo());
  for (const char* name : {"EditRedo", "Redo1"}) Action(name)->setEnabled(FDocument.History().CanRedo());
}

void TMainForm::RestoreEdit(bool (TProfileDocument::*step)()) {
  if (!(FDocument.*step)()) return;
  FEditor->RedrawAll();
  FPanel->UpdateButtonStates();
}

void TMainForm::EditUndoExecute() { RestoreEdit(&TProfileDocument::Undo); }
void TMainForm::EditRedoExecute() { RestoreEdit(&TProfileDocument::Redo); }

// The text is what Save writes into a new file; the picture is the diagram without the selection box.
void TMainForm::EditCopyExecute() {
  auto* data = new QMimeData;
  data->setText(QString::fromStdString(FDocument.State().Profile.SaveToText()));
  data->setImageData(FEditor->ImageWithoutBox());
  QGuiApplication::clipboard()->setMimeData(data);
}

void TMainForm::EditPasteExecute() {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  if (!FDocument.Paste(data ? data->text() : QString())) {
    FDialogs.Information(this, QStringLiteral("The clipboard holds no profile."));
    return;
  }
  Refresh();
}

void TMainForm::ShapeCurveExecute() {
  // Made when first asked for (not at start-up), then kept with the values last entered.
  if (!ShapeDlg) ShapeDlg = new TShapeDlg(this);
  ShapeDlg->setResult(QDialog::Rejected);
  FDialogs.ShowModal(*ShapeDlg);
  if (ShapeDlg->result() != QDialog::Accepted) return;
  FDocument.Shape(ShapeDlg->Shape());
  FEditor->RedrawAll();
  FPanel->UpdateButtonStates();
}

void TMainForm::Help2Click() {
  if (InfoDlg) FDialogs.ShowModal(*InfoDlg);
}

void TMainForm::HelpAboutExecute() {
  if (AboutBox) FDialogs.ShowModal(*AboutBox);
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
  QMetaObject::invokeMethod(
      this, [this, name] { Command([&] { FileOpen1Accept(name); }); }, Qt::QueuedConnection);
}
