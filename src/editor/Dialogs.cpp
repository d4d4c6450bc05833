#include "Dialogs.h"

#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

void TQtDialogs::Information(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, AppTitle, text, QMessageBox::Ok, parent);
  box.exec();
}

bool TQtDialogs::Confirm(QWidget* parent, const QString& title, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok | QMessageBox::Cancel, parent);
  return box.exec() == QMessageBox::Ok;
}

void TQtDialogs::Error(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Critical, AppTitle, text, QMessageBox::Ok, parent);
  box.exec();
}

namespace {

QString RunFileDialog(QWidget* parent, const TFileDialogOptions& options, QFileDialog::AcceptMode mode) {
  QFileDialog dialog(parent);
  dialog.setAcceptMode(mode);
  dialog.setNameFilter(options.Filter);
  dialog.setDefaultSuffix(options.DefaultSuffix);
  dialog.setFileMode(options.MustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  // Save replaces an existing file without asking; the open dialog has no read-only box.
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().constFirst();
}

}  // namespace

QString TQtDialogs::OpenFileName(QWidget* parent, const TFileDialogOptions& options) {
  return RunFileDialog(parent, options, QFileDialog::AcceptOpen);
}

QString TQtDialogs::SaveFileName(QWidget* parent, const TFileDialogOptions& options) {
  return RunFileDialog(parent, options, QFileDialog::AcceptSave);
}

void TQtDialogs::ShowModal(QDialog& dialog) { dialog.exec(); }
