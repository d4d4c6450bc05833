// Times the register commands against the simulated controller and prints the figures: with an
// answering controller against the physical floor (the 40 ms pause plus the bytes' time on a
// 19200 baud line), and the connection probe with a silent one.

#include "BenchTiming.h"
#include "ComPort.h"
#include "EscSimulator.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr double PauseMs = 40.0;
constexpr double CharMs = 10.0 * 1000.0 / 19200.0;  // start bit, 8 data bits, stop bit

void Probe(TComPort& port) {
  port.WriteRegister(20, 170);
  uint8_t value = 0;
  port.ReadRegister(20, value);
}

void Report(const char* what, int runs, double ms, double floorMs) {
  std::printf("%-34s median of %2d: %8.2f ms   floor %7.2f ms   ratio %.3f\n", what, runs, ms, floorMs, ms / floorMs);
}

// With an answering controller the frame and the reply cross the line during the pause, so the
// pause alone is the least a command can take; the pause plus the bytes' time is the figure a
// command would reach if the line time were not hidden in the pause.
void ReportAnswering(const char* what, int runs, double ms, int pauses, int chars) {
  const double pause = pauses * PauseMs, withBytes = pause + chars * CharMs;
  std::printf("%-34s median of %2d: %8.2f ms   pause %6.2f ms (x%.3f)   pause+bytes %6.2f ms (x%.3f)\n", what, runs, ms,
              pause, ms / pause, withBytes, ms / withBytes);
}

}  // namespace

int main() {
  std::printf("Register commands over a pseudo-terminal, simulated controller paced at 19200 baud\n");
  std::printf("one byte on the line: %.3f ms\n\n", CharMs);
  {
    TEscSimulator::TOptions paced;
    paced.LinePacing = true;
    TEscSimulator sim(paced);
    TComPort port;
    port.SetPort(sim.SlavePath());
    port.Open();
    Probe(port);  // warm-up
    uint8_t value = 0;
    const int runs = 25;
    const double w = MedianMs(runs, [&] { port.WriteRegister(64, 128); });
    ReportAnswering("WriteRegister, answering", runs, w, 1, 6);
    const double r = MedianMs(runs, [&] { port.ReadRegister(64, value); });
    ReportAnswering("ReadRegister, answering", runs, r, 1, 5);
    const double p = MedianMs(11, [&] { Probe(port); });
    ReportAnswering("probe (write + read), answering", 11, p, 2, 11);
    std::printf("\n");
  }
  {
    TEscSimulator::TOptions silent;
    silent.Silent = true;
    TEscSimulator sim(silent);
    TComPort port;
    port.SetPort(sim.SlavePath());
    port.Open();
    const int runs = 3;
    const double p = MedianMs(runs, [&] { Probe(port); });
    std::printf("silent controller: each command waits the pause and 3 x 500 ms for its reply\n");
    Report("probe, silent controller", runs, p, 2 * (PauseMs + 3 * 500.0));
  }
  return 0;
}
