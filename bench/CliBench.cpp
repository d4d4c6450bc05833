// Wall time of torvanic-cli's read (99 register commands) and write (195), the program started
// as a user starts it, against the simulated controller answering at the pace of a 19200 baud
// line; as a ratio to the floor of 40 ms per command.
#include "BenchTiming.h"
#include "EscSimulator.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace {

// Runs torvanic-cli with `args` (its output discarded); false when it did not succeed.
bool RunCli(std::vector<std::string> args) {
  args.insert(args.begin(), TORVANIC_CLI_PATH);
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, TORVANIC_CLI_PATH, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  return rc == 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  TEscSimulator::TOptions options;
  options.LinePacing = true;
  TEscSimulator sim(options);
  const std::string port = sim.SlavePath();
  const std::string file =
      (std::filesystem::temp_directory_path() / ("cli-bench-" + std::to_string(::getpid()) + ".spp")).string();

  struct TCase {
    const char* Name;
    std::vector<std::string> Args;
    int Commands;
  } cases[] = {{"read ", {"read", port, file, "--force"}, 99}, {"write", {"write", file, port}, 195}};

  std::printf("torvanic-cli against the simulator at 19200 baud, median of %d runs (process start included)\n", runs);
  bool ok = true;
  for (const TCase& c : cases) {
    const std::vector<double> times = TimeRunsMs(runs, [&] { ok = RunCli(c.Args) && ok; });
    const double floor = c.Commands * 40.0;
    const double median = Median(times);
    std::printf("%s %3d commands: %8.1f ms  floor %7.1f ms  ratio %.3f  (min %.1f, max %.1f)\n", c.Name, c.Commands,
                median, floor, median / floor, *std::min_element(times.begin(), times.end()),
                *std::max_element(times.begin(), times.end()));
  }
  std::filesystem::remove(file);
  if (!ok || sim.FrameCount() != runs * (99 + 195)) {
    std::fprintf(stderr, "a command failed, or the simulator saw %ld frames instead of %d\n", sim.FrameCount(),
                 runs * (99 + 195));
    return 1;
  }
  return 0;
}
