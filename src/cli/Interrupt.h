#pragma once
// Ctrl+C (SIGINT) and SIGTERM. The signal is only noted: the program looks at it between register
// commands, so a command under way is never cut in the middle of its frame.

#include <chrono>

namespace Interrupt {

// Thrown where the program stops because of the signal; what has been done is told by the catcher.
struct TInterrupted {};

// Installs the handlers. Call once, before any thread is started.
void Install();
// True once SIGINT or SIGTERM has come.
bool Requested();
// How long ago the first signal came (zero when none has).
std::chrono::steady_clock::duration Since();
// Waits `time`, or less when a signal comes; true when one has come.
bool WaitFor(std::chrono::milliseconds time);
// Throws TInterrupted when a signal has come.
void Check();

}  // namespace Interrupt
