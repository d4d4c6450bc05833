#pragma once
// The commands of torvanic-cli. Each returns the program's exit status; a file or usage error is
// raised as TUsageError or EFileError, a port that cannot be opened as EComError, Ctrl+C as
// Interrupt::TInterrupted, and the program's main turns them into messages and statuses.

#include <stdexcept>
#include <string>
#include <vector>

namespace Cli {

enum TExitStatus {
  esOK = 0,             // the whole operation succeeded
  esController = 1,     // the controller did not do it, or the profiles differ
  esUsage = 2,          // a usage or file error; nothing was sent
  esPort = 3,           // the port could not be opened
  esInterrupted = 130,  // Ctrl+C or SIGTERM
};

class TUsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TOptions {
  bool Json = false;
  bool Force = false;
  bool KeepGoing = false;
  bool Repeat = false;
};

}  // namespace Cli

class TSpedV4Device;

namespace Cli {

// Loads `file` into `profile` as the editor's Open does, with its checks and its message; a file
// that is not there is named with the system's reason.
void LoadProfile(const std::string& file, TSpedV4Device& profile);

int Ports(const TOptions& options);
int Check(const std::string& port, const TOptions& options);
int Test(const std::string& port);
int Read(const std::string& port, const std::string& file, const TOptions& options);
int Write(const std::string& file, const std::vector<std::string>& ports, const TOptions& options);
int Verify(const std::string& file, const std::string& port, const TOptions& options);
int Show(const std::string& file, const TOptions& options);
int Diff(const std::string& a, const std::string& b, const TOptions& options);

// How far the command got when it was interrupted, for the user.
std::string InterruptNote();

}  // namespace Cli
