#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

// The information dialog of the Help command: hints for a controller that does not answer.
class TInfoDlg : public QDialog {
  Q_OBJECT
 public:
  explicit TInfoDlg(QWidget* parent = nullptr);

  QPlainTextEdit* Memo1;
  QPushButton* OKBtn;
};
