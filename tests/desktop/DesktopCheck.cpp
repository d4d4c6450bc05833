// The editor checked on the display system it runs on, for scripts/wayland-check:
//   desktop_check find SHOT.png RATIO   finds the diagram of the default profile, as the program
//                                       draws it at device pixel ratio RATIO, pixel for pixel in a
//                                       screenshot; prints where (offscreen, no display needed)
//   desktop_check find SHOT.png RATIO OUT.png   the same, and saves the main window around it
//   desktop_check grab OUT.png          saves the whole X screen
//   desktop_check session               on the present display system: a Read and a Write against the
//                                       simulated controller and the program's own dialogs,
//                                       checking that the progress window, the information dialog
//                                       and message boxes are transient children of the main
//                                       window, the busy cursor, and how long the window went
//                                       unserved
// Exit status 0 when the check holds.
#include "DiagramView.h"
#include "Dialogs.h"
#include "EscSimulator.h"
#include "InfoWnd.h"
#include "Main.h"
#include "ProgressWnd.h"
#include "UnservedGap.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

QImage DefaultDiagram(double ratio) {
  TEditorState state;
  state.Profile.Clear();
  state.BgProfile.Clear();
  state.Profile.DetectDeadband();
  TDiagramView view(state);
  view.SetRatio(ratio);
  view.RedrawAll();
  return view.Image().convertToFormat(QImage::Format_RGB32);
}

bool Matches(const QImage& shot, const QImage& part, int left, int top) {
  if (left < 0 || top < 0 || left + part.width() > shot.width() || top + part.height() > shot.height()) return false;
  for (int y = 0; y < part.height(); ++y) {
    const auto* a = reinterpret_cast<const QRgb*>(shot.constScanLine(top + y)) + left;
    const auto* b = reinterpret_cast<const QRgb*>(part.constScanLine(y));
    for (int x = 0; x < part.width(); ++x)
      if ((a[x] ^ b[x]) & 0xFFFFFF) return false;
  }
  return true;
}

// The main window around the diagram found at (left, top): the menu bar, toolbar and panel above
// it, the status bar below, and the caption of a window drawn by the program itself.
void SaveWindow(const QImage& shot, int left, int top, double ratio, const char* out) {
  const QRect around(left - int(8 * ratio), top - int(170 * ratio), int(758 * ratio), int(478 * ratio));
  shot.copy(around.intersected(shot.rect())).save(QString::fromLocal8Bit(out));
}

int Find(const char* file, double ratio, const char* out) {
  const QImage shot = QImage(QString::fromLocal8Bit(file)).convertToFormat(QImage::Format_RGB32);
  if (shot.isNull()) {
    std::fprintf(stderr, "cannot read %s\n", file);
    return 2;
  }
  const QImage diagram = DefaultDiagram(ratio);
  if (ratio != 1) {
    // Only then does a match say the diagram is drawn at the screen's density.
    const QImage blownUp = DefaultDiagram(1).scaled(diagram.size());
    if (blownUp == diagram) {
      std::fprintf(stderr, "the picture at ratio %g is the one at ratio 1 scaled\n", ratio);
      return 1;
    }
  }
  // Anchored on the top pixel of the vertical axis, a red pixel below a silver one.
  const TDiagramSurface probe(TDiagramView::ImageWidth, TDiagramView::ImageHeight, ratio);
  const int ax = probe.Dev(367), ay = probe.Dev(26);
  for (int y = ay; y < shot.height(); ++y)
    for (int x = ax; x < shot.width(); ++x)
      if ((shot.pixel(x, y) & 0xFFFFFF) == 0xFF0000 && Matches(shot, diagram, x - ax, y - ay)) {
        std::printf("diagram at ratio %g (%dx%d) found at (%d, %d)\n", ratio, diagram.width(), diagram.height(), x - ax,
                    y - ay);
        if (out) SaveWindow(shot, x - ax, y - ay, ratio, out);
        return 0;
      }
  std::printf("diagram at ratio %g (%dx%d) not in %s\n", ratio, diagram.width(), diagram.height(), file);
  return 1;
}

// Answers the transfer's confirmation; any other message box would mean it failed.
class TSessionDialogs : public TQtDialogs {
 public:
  bool Confirm(QWidget*, const QString&, const QString&) override { return true; }
  void Information(QWidget* parent, const QString& text) override {
    std::fprintf(stderr, "message: %s\n", qPrintable(text));
    Failed = true;
    TQtDialogs::Information(parent, text);
  }
  bool Failed = false;
};

bool Transient(const QWidget* w, const QWidget& main) {
  return w && w->windowHandle() && w->windowHandle()->transientParent() == main.windowHandle();
}

// Closes the modal window that `open` shows, once it is up, after noting whether it is a
// transient child of the main window.
bool ModalIsTransient(const QWidget& main, const std::function<void()>& open) {
  bool transient = false, seen = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->windowHandle() || !modal->windowHandle()->isExposed()) return;
    seen = true;
    transient = Transient(modal, main);
    modal->close();
  });
  poll.start(20);
  QTimer::singleShot(10000, [] {
    if (QWidget* m = QApplication::activeModalWidget()) m->close();
  });
  open();
  return seen && transient;
}

int Session() {
  TEscSimulator::TOptions options;
  options.LinePacing = true;
  TEscSimulator sim(options);
  const std::string port = sim.SlavePath();
  TSessionDialogs dialogs;
  TMainForm form(dialogs, [port] { return std::vector<std::string>{port}; });
  TProgressW progress(&form);
  TInfoDlg info(&form);
  form.SetAuxWindows(nullptr, &progress, &info);
  form.show();
  const QDeadlineTimer deadline(10000);
  while (!(form.windowHandle() && form.windowHandle()->isExposed()) && !deadline.hasExpired())
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  std::printf("platform %s, main window exposed: %s, device pixel ratio %g\n", qPrintable(QApplication::platformName()),
              form.windowHandle()->isExposed() ? "yes" : "NO", form.devicePixelRatioF());

  bool ok = true;
  struct {
    const char* Name;
    QAction* Action;
    long Frames;
  } const commands[] = {{"Read", form.findChild<QAction*>("UploadCurve"), 99},
                        {"Write", form.findChild<QAction*>("DownloadCurve"), 195}};
  long frames = 0;
  for (const auto& command : commands) {
    bool progressShown = false, progressTransient = false, busy = true;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
      if (!progress.isVisible()) return;
      progressShown = true;
      progressTransient = Transient(&progress, form);
      const QCursor* cursor = QApplication::overrideCursor();
      busy = busy && cursor && cursor->shape() == Qt::WaitCursor;
    });
    watch.start(50);
    TUnservedGap gap;
    command.Action->trigger();
    const qint64 longest = gap.Longest();
    frames += command.Frames;
    const bool done = !dialogs.Failed && sim.FrameCount() == frames;
    std::printf(
        "%s: %ld frames, %s; progress window shown %s, transient child %s, busy cursor %s; "
        "longest unserved %lld ms\n",
        command.Name, sim.FrameCount(), done ? "ok" : "FAILED", progressShown ? "yes" : "NO",
        progressTransient ? "yes" : "NO", busy ? "yes" : "NO", static_cast<long long>(longest));
    // A desktop calls a window unresponsive after its ping goes unanswered for seconds (weston
    // shows its busy cursor after 200 ms); a second between servings fails the check.
    ok = ok && done && progressShown && progressTransient && busy && longest < 1000;
  }

  const bool infoTransient = ModalIsTransient(form, [&] { form.findChild<QAction*>("Help2")->trigger(); });
  const bool boxTransient = ModalIsTransient(form, [&] { TQtDialogs().Information(&form, QStringLiteral("check")); });
  std::printf("information dialog transient child %s; message box transient child %s\n", infoTransient ? "yes" : "NO",
              boxTransient ? "yes" : "NO");
  return ok && infoTransient && boxTransient ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const char* mode = argc > 1 ? argv[1] : "";
  if (std::strcmp(mode, "find") == 0 && (argc == 4 || argc == 5)) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return Find(argv[2], std::atof(argv[3]), argc == 5 ? argv[4] : nullptr);
  }
  if (std::strcmp(mode, "grab") == 0 && argc == 3) {
    QApplication app(argc, argv);
    return QApplication::primaryScreen()->grabWindow(0).save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
  }
  if (std::strcmp(mode, "session") == 0) {
    QApplication app(argc, argv);
    return Session();
  }
  std::fprintf(stderr, "usage: %s find SHOT.png RATIO [OUT.png] | grab OUT.png | session\n", argv[0]);
  return 2;
}
