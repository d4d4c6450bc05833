// Times the diagram's drawing: a full redraw at device pixel ratios 1, 1.5 and 2, and at ratio 1
// against what mouse editing does instead (two XOR rubber bands per pointer movement, a range
// redraw at the start and end of a drag), and prints the figures. Runs on the offscreen platform unless QT_QPA_PLATFORM
// says otherwise.

#include "BenchTiming.h"
#include "ControlPanel.h"
#include "ControllerCommands.h"
#include "DiagramEditor.h"
#include "Dialogs.h"
#include "Main.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

double MedianUs(int runs, const std::function<void()>& work) { return 1000.0 * MedianMs(runs, work); }

void Report(const char* what, int runs, double us, double redrawUs) {
  std::printf("%-40s median of %3d: %9.1f us   %7.4f x a full redraw\n", what, runs, us, us / redrawUs);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  TQtDialogs dialogs;  // nothing here opens a modal window
  TMainForm form(dialogs, [] { return std::vector<std::string>{}; });
  constexpr int Runs = 200;

  // The full redraw at the device pixel ratios of common screens (100 %, 150 %, 200 %); one
  // frame at 60 Hz is 16.7 ms.
  for (double ratio : {1.5, 2.0, 1.0}) {
    form.Editor().View()->SetRatio(ratio);
    const double us = MedianUs(Runs, [&] { form.Editor().View()->RedrawAll(); });
    char what[64];
    std::snprintf(what, sizeof what, "RedrawAll at ratio %.1f (%dx%d)", ratio, form.Editor().View()->Image().width(),
                  form.Editor().View()->Image().height());
    std::printf("%-40s median of %3d: %9.1f us   %7.4f of a 60 Hz frame\n", what, Runs, us, us / 16667.0);
  }
  const double redraw = MedianUs(Runs, [&] { form.Editor().View()->RedrawAll(); });
  Report("RedrawAll", Runs, redraw, redraw);

  // Entry 62 (X 94) between the breakpoints at X 64 and X 125; the pointer sweeps columns 380..670.
  const int x62 = 520, y62 = 150;
  form.Editor().DiagramMouseDown(Qt::LeftButton, {}, x62, y62);
  int column = 380;
  const double move = MedianUs(Runs, [&] {
    form.Editor().DiagramMouseMove({}, column, 120);
    column = column >= 670 ? 380 : column + 5;
  });
  form.Editor().DiagramMouseMove({}, x62, y62);
  form.Editor().DiagramMouseUp(Qt::LeftButton, {}, x62, y62);
  Report("pointer movement during a drag", Runs, move, redraw);

  const double drag = MedianUs(Runs, [&] {
    form.Editor().DiagramMouseDown(Qt::LeftButton, {}, x62, y62);
    if (!form.Editor().Dragging()) std::fprintf(stderr, "the press missed the point\n");
    for (int c = 500; c <= 540; c += 5) form.Editor().DiagramMouseMove({}, c, 100);
    form.Editor().DiagramMouseMove({}, x62, y62);  // back home, so that the next press finds the point
    form.Editor().DiagramMouseUp(Qt::LeftButton, {}, x62, y62);
  });
  Report("drag: press, 10 movements, release", Runs, drag, redraw);
  return 0;
}
