#pragma once

#include "Dialogs.h"

#include <QDialog>
#include <QStringList>

#include <deque>
#include <functional>

// Answers the program's modal windows from a script and records what they would have shown.
class TFakeDialogs : public TDialogs {
 public:
  void Information(QWidget*, const QString& text) override { Informations << text; }
  bool Confirm(QWidget*, const QString& title, const QString& text) override {
    Confirmations << title + QStringLiteral(": ") + text;
    return ConfirmAnswer;
  }
  void Error(QWidget*, const QString& text) override { Errors << text; }
  QString OpenFileName(QWidget*, const TFileDialogOptions& options) override {
    LastOpen = options;
    ++OpenDialogs;
    return Next();
  }
  QString SaveFileName(QWidget*, const TFileDialogOptions& options) override {
    LastSave = options;
    ++SaveDialogs;
    return Next();
  }
  void ShowModal(QDialog& dialog) override {
    Shown << dialog.objectName();
    if (OnModal) OnModal(dialog);
  }

  std::deque<QString> FileAnswers;  // an empty string cancels the dialog
  bool ConfirmAnswer = true;
  std::function<void(QDialog&)> OnModal;  // fills in and closes a dialog as the user would
  QStringList Informations, Confirmations, Errors, Shown;
  TFileDialogOptions LastOpen, LastSave;
  int OpenDialogs = 0, SaveDialogs = 0;

 private:
  QString Next() {
    if (FileAnswers.empty()) return {};
    QString answer = FileAnswers.front();
    FileAnswers.pop_front();
    return answer;
  }
};
