#include "ProgressWnd.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QWindow>

TProgressW::TProgressW(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("ProgressW"));
  // Outer size 277 x 165 with an ordinary caption and border.
  move(449, 325);
  resize(269, 131);
  What = new QLabel(QStringLiteral("What"), this);
  What->setObjectName(QStringLiteral("What"));
  What->move(28, 28);
  What->setMinimumWidth(230);
  Progress = new QProgressBar(this);
  Progress->setObjectName(QStringLiteral("Progress"));
  Progress->setGeometry(28, 64, 205, 16);
  Progress->setMinimum(0);
  Progress->setValue(0);
  Progress->setTextVisible(false);
}

void TProgressW::StartProgress(const QString& caption, const QString& message, int maximum) {
  setWindowTitle(caption);
  What->setText(message);
  Progress->setAccessibleName(message);  // the bar says what it measures
  Progress->setMaximum(maximum);
  Progress->setValue(0);
  show();
  // The caller keeps the GUI thread busy from here on. Let the window system map and expose the
  // window first, or the repaints would not reach the screen until the transfer ends. The user's
  // input stays queued meanwhile.
  QElapsedTimer waited;
  waited.start();
  while (!(windowHandle() && windowHandle()->isExposed()) && waited.elapsed() < 500)
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  repaint();
}

void TProgressW::SetProgressMessage(const QString& message) {
  What->setText(message);
  Progress->setAccessibleName(message);
  What->adjustSize();
  repaint();
}

void TProgressW::StepProgress() {
  Progress->setValue(Progress->value() + 1);
  Progress->repaint();
}
