#pragma once
// Watches how long the GUI thread leaves its events unserved: a timer that asks to fire every
// millisecond notes the longest stretch between two firings since the last Restart.

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>

class TUnservedGap {
 public:
  TUnservedGap() {
    FBeat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&FBeat, &QTimer::timeout, [this] {
      FLongest = std::max(FLongest, FClock.elapsed() - FLast);
      FLast = FClock.elapsed();
    });
    FBeat.start(1);
    Restart();
  }
  void Restart() {
    FClock.start();
    FLast = 0;
    FLongest = 0;
  }
  // Milliseconds, including the stretch still running.
  qint64 Longest() const { return std::max(FLongest, FClock.elapsed() - FLast); }

 private:
  QTimer FBeat;
  QElapsedTimer FClock;
  qint64 FLast = 0;
  qint64 FLongest = 0;
};
