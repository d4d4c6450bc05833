#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;

// The progress window of a controller transfer: a message line and a bar. It is shown without
// being modal and repainted at once, since the caller keeps the GUI thread busy meanwhile.
class TProgressW : public QWidget {
  Q_OBJECT
 public:
  explicit TProgressW(QWidget* parent = nullptr);

  void StartProgress(const QString& caption, const QString& message, int maximum);
  void SetProgressMessage(const QString& message);
  void StepProgress();

  QLabel* What;
  QProgressBar* Progress;
};
