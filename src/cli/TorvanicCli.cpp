// torvanic-cli: the controller commands of the editor from a terminal or a script, without a
// window. Parses the command line, runs one command and turns its outcome into the exit status.
#include "CliCommands.h"
#include "CliOutput.h"
#include "ComTypes.h"
#include "Interrupt.h"
#include "SpeedoDevice.h"

#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace {

using Cli::TOptions;

const char* const Statuses =
    "Exit status: 0 success (for write: every register read back equal); 1 the controller did not do\n"
    "it (no answer, a read-back that differs, verify or diff found differences); 2 a usage or file\n"
    "error (nothing sent); 3 the port could not be opened; 130 interrupted (Ctrl+C or SIGTERM).\n";

struct TCommand {
  const char* Name;
  const char* Synopsis;
  const char* Help;
  std::set<std::string> Flags;
  size_t MinArgs, MaxArgs;  // positional arguments; SIZE_MAX for any number
  std::function<int(const std::vector<std::string>&, const TOptions&)> Run;
};

const std::vector<TCommand>& Commands() {
  static const std::vector<TCommand> commands = {
      {"ports",
       "ports [--json]",
       "Lists the serial ports as the editor lists them, in the editor's order (USB adapters, then\n"
       "Bluetooth, then built-in ports), each with what it is and who has it open.\n",
       {"--json"},
       0,
       0,
       [](const auto&, const TOptions& o) { return Cli::Ports(o); }},
      {"check",
       "check [PORT] [--json]",
       "Runs the connection check on PORT (without PORT: on the first listed port, or on the machine\n"
       "when no port is listed) and prints its findings, each with the commands that help.\n"
       "Status 0 when the controller answers, 1 when the port opens but no controller answers, 3 when\n"
       "the port cannot be opened or there is none.\n",
       {"--json"},
       0,
       1,
       [](const auto& a, const TOptions& o) { return Cli::Check(a.empty() ? "" : a[0], o); }},
      {"test",
       "test PORT",
       "Runs the connection probe on PORT and prints \"ESC connected\" or \"ESC not connected\".\n",
       {},
       1,
       1,
       [](const auto& a, const TOptions&) { return Cli::Test(a[0]); }},
      {"read",
       "read PORT FILE.spp [--force]",
       "Reads the controller's profile on PORT as the editor's Read does (fitted, with its deadband and\n"
       "frequency) and saves it to FILE.spp as the editor's Save does. An existing file is replaced\n"
       "only with --force; when the read fails, no file is written.\n",
       {"--force"},
       2,
       2,
       [](const auto& a, const TOptions& o) { return Cli::Read(a[0], a[1], o); }},
      {"write",
       "write FILE.spp PORT [PORT...] [--keep-going] [--repeat]",
       "Loads FILE.spp as the editor's Open does and writes it to the controller on each PORT in turn\n"
       "as the editor's Write does, every register read back. One line of result per port. Stops at\n"
       "the first port that fails unless --keep-going is given (the status is then the first\n"
       "failure's).\n"
       "--repeat (one PORT): for a series of controllers on one adapter. Waits until a controller\n"
       "answers on PORT, writes it, prints \"done N\", waits until it is unplugged, and starts over,\n"
       "until Ctrl+C.\n",
       {"--keep-going", "--repeat"},
       2,
       SIZE_MAX,
       [](const auto& a, const TOptions& o) {
         return Cli::Write(a[0], {a.begin() + 1, a.end()}, o);
       }},
      {"verify",
       "verify FILE.spp PORT [--json]",
       "Reads the controller on PORT without writing and compares its registers with what a write of\n"
       "FILE.spp would put there; lists the entries and settings that differ (status 1).\n",
       {"--json"},
       2,
       2,
       [](const auto& a, const TOptions& o) { return Cli::Verify(a[0], a[1], o); }},
      {"show",
       "show FILE.spp [--json]",
       "Prints the profile as a table: entry, X, stick position in %, Y, output in %, breakpoint; with\n"
       "the deadband and the frequencies.\n",
       {"--json"},
       1,
       1,
       [](const auto& a, const TOptions& o) { return Cli::Show(a[0], o); }},
      {"diff",
       "diff A.spp B.spp [--json]",
       "Lists the entries and settings in which two profiles differ (status 1 when they do).\n",
       {"--json"},
       2,
       2,
       [](const auto& a, const TOptions& o) { return Cli::Diff(a[0], a[1], o); }},
  };
  return commands;
}

void ProgramHelp() {
  std::string text =
      "usage: torvanic-cli COMMAND [ARGUMENTS] [OPTIONS]\n"
      "Reads, writes and checks the profile of a V4 speed controller on a serial port.\n\nCommands:\n";
  for (const auto& c : Commands()) text += std::string("  torvanic-cli ") + c.Synopsis + "\n";
  text +=
      "\n  --help     this text; \"torvanic-cli COMMAND --help\" describes a command\n"
      "  --version  the program's version\n\n"
      "Results go to standard output, messages to standard error; --json prints one JSON document.\n";
  std::fputs((text + Statuses).c_str(), stdout);
}

int Usage(const std::string& message) {
  Cli::Say(message + " (\"torvanic-cli --help\" lists the commands)");
  return Cli::esUsage;
}

int Run(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return Usage("no command given");
  if (args[0] == "--help" || args[0] == "-h") return ProgramHelp(), Cli::esOK;
  if (args[0] == "--version") return std::puts("torvanic-cli " TORVANIC_VERSION), Cli::esOK;
  const TCommand* command = nullptr;
  for (const auto& c : Commands())
    if (args[0] == c.Name) command = &c;
  if (!command) return Usage("unknown command: " + args[0]);

  std::vector<std::string> positional;
  TOptions options;
  bool optionsEnd = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (optionsEnd || a.size() < 2 || a[0] != '-') {
      positional.push_back(a);
    } else if (a == "--") {
      optionsEnd = true;
    } else if (a == "--help" || a == "-h") {
      std::printf("usage: torvanic-cli %s\n%s%s", command->Synopsis, command->Help, Statuses);
      return Cli::esOK;
    } else if (command->Flags.count(a)) {
      (a == "--json"         ? options.Json
       : a == "--force"      ? options.Force
       : a == "--keep-going" ? options.KeepGoing
                             : options.Repeat) = true;
    } else {
      return Usage(std::string(command->Name) + ": unknown option " + a);
    }
  }
  if (positional.size() < command->MinArgs || positional.size() > command->MaxArgs)
    return Usage(std::string("usage: torvanic-cli ") + command->Synopsis);
  return command->Run(positional, options);
}

}  // namespace

int main(int argc, char** argv) {
  Interrupt::Install();
  try {
    return Run(argc, argv);
  } catch (const Interrupt::TInterrupted&) {
    Cli::Say(Cli::InterruptNote());
    return Cli::esInterrupted;
  } catch (const Cli::TUsageError& e) {
    Cli::Say(e.what());
    return Cli::esUsage;
  } catch (const EFileError& e) {
    Cli::Say(e.what());
    return Cli::esUsage;
  } catch (const EComError& e) {
    Cli::Say(e.what());
    return Cli::esPort;
  }
}
