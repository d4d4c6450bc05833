// What the editor costs while nothing happens, on a machine with many processes: the CPU time it
// uses per second while idle, and its start-up time to the mapped window beside a bare Qt main
// window started in the same run. The extra processes each hold some open files, as a desktop
// session's do. Runs the windows on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
//
//   port_idle_bench [PROCESSES...]      default: 0 500
//   port_idle_bench --window editor|bare|text   (the child started for each measurement)

#include "BenchTiming.h"
#include "Startup.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QWindow>

#include <dirent.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <thread>
#include <vector>

namespace {

using TClock = std::chrono::steady_clock;

// Says "mapped" on standard output once the window is exposed, then idles in the message loop.
class TMappedSignal : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Expose && !FSaid && static_cast<QWindow*>(watched)->isExposed()) {
      FSaid = true;
      std::fputs("mapped\n", stdout);
      std::fflush(stdout);
    }
    return false;
  }

 private:
  bool FSaid = false;
};

// kind: "editor" (the program's own start-up), "bare" (an empty main window) or "text" (a main
// window with one line of text, which loads the fonts as every window with text does).
int RunWindow(char* program, const std::string& kind) {
  int argc = 1;  // no file to open
  char* argv[] = {program, nullptr};
  TMappedSignal mapped;
  auto watch = [&mapped](QMainWindow& window) {
    window.winId();  // makes the platform window, to watch it before it is shown
    window.windowHandle()->installEventFilter(&mapped);
  };
  if (kind == "editor") return RunTorvanic(argc, argv, watch);
  QApplication app(argc, argv);
  QMainWindow window;
  if (kind == "text") window.setCentralWidget(new QLabel(QStringLiteral("TORVANIC")));
  watch(window);
  window.show();
  return app.exec();
}

// A child started with `--window kind`, and the time from its start to its mapped window.
struct TChild {
  pid_t Pid = -1;
  double MappedMs = 0;
};

TChild StartWindow(const char* kind) {
  int out[2];
  if (::pipe(out) != 0) std::exit(1);
  const auto start = TClock::now();
  TChild child;
  child.Pid = ::fork();
  if (child.Pid == 0) {
    ::dup2(out[1], 1);
    ::close(out[0]);
    ::close(out[1]);
    ::execl("/proc/self/exe", "port_idle_bench", "--window", kind, static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(out[1]);
  char line[16] = {};
  const ssize_t n = ::read(out[0], line, sizeof line - 1);
  child.MappedMs = std::chrono::duration<double, std::milli>(TClock::now() - start).count();
  ::close(out[0]);
  if (n <= 0 || std::strncmp(line, "mapped", 6) != 0) {
    std::fprintf(stderr, "the %s window did not come up\n", kind);
    std::exit(1);
  }
  return child;
}

void Stop(pid_t pid) {
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
}

// CPU time of all threads of a process so far, in milliseconds, from the scheduler's nanosecond
// counts (the first field of each thread's schedstat).
double CpuMs(pid_t pid) {
  const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  double ns = 0;
  if (DIR* dir = ::opendir(tasks.c_str())) {
    while (const dirent* e = ::readdir(dir)) {
      if (e->d_name[0] == '.') continue;
      std::ifstream in(tasks + "/" + e->d_name + "/schedstat");
      double run = 0;
      if (in >> run) ns += run;
    }
    ::closedir(dir);
  }
  return ns / 1e6;
}

// `count` processes that hold a few files open and wait.
std::vector<pid_t> StartCrowd(int count) {
  std::vector<pid_t> crowd;
  for (int i = 0; i < count; ++i) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      for (int f = 0; f < 12; ++f) ::open(f % 2 ? "/dev/null" : "/proc/self/stat", O_RDONLY);
      for (;;) ::pause();
    }
    crowd.push_back(pid);
  }
  return crowd;
}

void Measure(int processes) {
  const auto crowd = StartCrowd(processes);
  constexpr int Runs = 7;
  std::vector<double> bare, text, editor;
  for (int i = 0; i < Runs; ++i) {
    const TChild b = StartWindow("bare");
    Stop(b.Pid);
    bare.push_back(b.MappedMs);
    const TChild t = StartWindow("text");
    Stop(t.Pid);
    text.push_back(t.MappedMs);
    const TChild e = StartWindow("editor");
    Stop(e.Pid);
    editor.push_back(e.MappedMs);
  }
  const TChild idle = StartWindow("editor");
  std::this_thread::sleep_for(std::chrono::seconds(2));  // past the start-up's own work
  constexpr int IdleSeconds = 10;
  const double before = CpuMs(idle.Pid);
  std::this_thread::sleep_for(std::chrono::seconds(IdleSeconds));
  const double idleMsPerS = (CpuMs(idle.Pid) - before) / IdleSeconds;
  Stop(idle.Pid);
  for (pid_t pid : crowd) Stop(pid);
  const double b = Median(bare), t = Median(text), e = Median(editor);
  std::printf("%4d extra processes: idle %6.2f ms CPU per s\n", processes, idleMsPerS);
  std::printf(
      "     start-up to the mapped window (median of %d): editor %6.1f ms; bare window %6.1f ms (%4.2f x); "
      "window with a line of text %6.1f ms (%4.2f x)\n",
      Runs, e, b, e / b, t, e / t);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
    char dir[] = "/tmp/port-idle-bench-XXXXXX";
    if (::mkdtemp(dir)) qputenv("XDG_RUNTIME_DIR", dir);
  }
  if (argc == 3 && std::strcmp(argv[1], "--window") == 0) return RunWindow(argv[0], argv[2]);
  std::vector<int> counts;
  for (int i = 1; i < argc; ++i) counts.push_back(std::atoi(argv[i]));
  if (counts.empty()) counts = {0, 500};
  for (int n : counts) Measure(n);
  return 0;
}
