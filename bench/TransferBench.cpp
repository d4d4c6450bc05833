// Wall time of the window's whole Read (99 register commands) and Write (195) against the
// simulated controller answering at the pace of a 19200 baud line, as a ratio to the floor of
// 40 ms per command; and the longest time the GUI thread left its events unserved meanwhile, seen
// by a timer that asks to fire every millisecond.
#include "BenchTiming.h"
#include "ControlPanel.h"
#include "ControllerCommands.h"
#include "DiagramEditor.h"
#include "Dialogs.h"
#include "EscSimulator.h"
#include "Main.h"
#include "ProgressWnd.h"
#include "UnservedGap.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// Confirms every question and reports anything else, which would mean the transfer failed.
class TBenchDialogs : public TDialogs {
 public:
  void Information(QWidget*, const QString& text) override { Fail(text); }
  bool Confirm(QWidget*, const QString&, const QString&) override { return true; }
  void Error(QWidget*, const QString& text) override { Fail(text); }
  QString OpenFileName(QWidget*, const TFileDialogOptions&) override { return {}; }
  QString SaveFileName(QWidget*, const TFileDialogOptions&) override { return {}; }
  void ShowModal(QDialog&) override {}

 private:
  static void Fail(const QString& text) {
    std::fprintf(stderr, "unexpected message: %s\n", qPrintable(text));
    std::exit(1);
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

  TEscSimulator::TOptions options;
  options.LinePacing = true;
  TEscSimulator sim(options);
  TBenchDialogs dialogs;
  const std::string port = sim.SlavePath();
  TMainForm form(dialogs, [port] { return std::vector<std::string>{port}; });
  TProgressW progress(&form);
  form.SetAuxWindows(nullptr, &progress, nullptr);
  form.show();

  struct TCase {
    const char* Name;
    QAction* Action;
    int Commands;
  } cases[] = {{"Read ", form.findChild<QAction*>("UploadCurve"), 99},
               {"Write", form.findChild<QAction*>("DownloadCurve"), 195}};

  TUnservedGap gap;

  std::printf("whole commands against the simulator at 19200 baud, median of %d runs\n", runs);
  for (const TCase& c : cases) {
    qint64 longest = 0;
    const std::vector<double> times = TimeRunsMs(runs, [&] {
      gap.Restart();
      c.Action->trigger();
      longest = std::max(longest, gap.Longest());
    });
    const double floor = c.Commands * 40.0;
    const double median = Median(times);
    std::printf(
        "%s %3d commands: %8.1f ms  floor %7.1f ms  ratio %.3f  (min %.1f, max %.1f)  longest unserved %lld ms\n",
        c.Name, c.Commands, median, floor, median / floor, *std::min_element(times.begin(), times.end()),
        *std::max_element(times.begin(), times.end()), static_cast<long long>(longest));
  }
  if (sim.FrameCount() != runs * (99 + 195)) {
    std::fprintf(stderr, "the simulator saw %ld frames instead of %d\n", sim.FrameCount(), runs * (99 + 195));
    return 1;
  }
  return 0;
}
