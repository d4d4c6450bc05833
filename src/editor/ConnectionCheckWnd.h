#pragma once
// The window of the connection check: one finding a paragraph, in plain words with what to do, and
// the commands for it indented beneath, all selectable for copying. When nothing came back on the
// selected port, a button offers to look for the controller on the other listed ports; only that
// button lets the check open them.

#include "ConnectionCheck.h"

#include <QDialog>

#include <functional>
#include <vector>

class QPlainTextEdit;
class QPushButton;

class TConnectionCheckW : public QDialog {
  Q_OBJECT
 public:
  explicit TConnectionCheckW(QWidget* parent = nullptr);

  void SetFindings(const std::vector<TFinding>& findings);
  void AddFinding(const TFinding& finding);
  // Shows the search button, which runs `search` once; an empty function hides it.
  void OfferSearch(std::function<void()> search);
  // The findings as the window shows them.
  static QString FindingsText(const std::vector<TFinding>& findings);

  QPlainTextEdit* Findings;
  QPushButton* SearchBtn;
  QPushButton* CloseBtn;

 private:
  std::vector<TFinding> FShown;
  std::function<void()> FSearch;
};
