#pragma once

#include <QString>

class QDialog;
class QWidget;

// The application's title: the caption of information and error boxes.
inline const QString AppTitle = QStringLiteral("TORVANIC");

// What a file dialog asks for. Filter is in Qt's form, e.g. "Speedo (*.spp)".
struct TFileDialogOptions {
  QString Filter;
  QString DefaultSuffix;   // appended when the user types a name without extension
  bool MustExist = false;  // open dialogs accept only existing files
};

// Every modal window the program opens goes through this seam, so that tests can answer
// message boxes and file dialogs without a modal loop.
class TDialogs {
 public:
  virtual ~TDialogs() = default;
  // Information box: the application's title as caption, the text and an OK button.
  virtual void Information(QWidget* parent, const QString& text) = 0;
  // Confirmation box: title, text, OK and Cancel, no icon; true on OK.
  virtual bool Confirm(QWidget* parent, const QString& title, const QString& text) = 0;
  // Reports an error that a command did not handle.
  virtual void Error(QWidget* parent, const QString& text) = 0;
  // File dialogs: the chosen full path, or an empty string when the user cancelled.
  virtual QString OpenFileName(QWidget* parent, const TFileDialogOptions& options) = 0;
  virtual QString SaveFileName(QWidget* parent, const TFileDialogOptions& options) = 0;
  // Shows one of the program's own dialogs modally and returns when it closes.
  virtual void ShowModal(QDialog& dialog) = 0;
};

// The real message boxes and file dialogs.
class TQtDialogs : public TDialogs {
 public:
  void Information(QWidget* parent, const QString& text) override;
  bool Confirm(QWidget* parent, const QString& title, const QString& text) override;
  void Error(QWidget* parent, const QString& text) override;
  QString OpenFileName(QWidget* parent, const TFileDialogOptions& options) override;
  QString SaveFileName(QWidget* parent, const TFileDialogOptions& options) override;
  void ShowModal(QDialog& dialog) override;
};
