#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

// The about box: program icon, name, version of this build and notice.
class TAboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit TAboutBox(QWidget* parent = nullptr);

  QFrame* Panel1;
  QLabel* ProgramIcon;
  QLabel* Label1;
  QLabel* Label2;
  QLabel* Label3;
  QPushButton* OKButton;
};
