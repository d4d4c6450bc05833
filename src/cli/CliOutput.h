#pragma once
// What the command line prints: messages on standard error, results on standard output, JSON
// documents, and the progress bar of a transfer.

#include "Transfer.h"

#include <string>
#include <vector>

struct TFinding;

namespace Cli {

// A message to the user on standard error, "torvanic-cli: " in front. A carriage return inside
// (the serial port's messages part their lines so) starts a new line.
void Say(const std::string& message);

// A JSON string literal, quotes included.
std::string JsonString(const std::string& text);
// Members "name": value (value already JSON) joined into an object.
std::string JsonObject(const std::vector<std::pair<std::string, std::string>>& members);
std::string JsonArray(const std::vector<std::string>& items);

// Findings of the connection check as the window shows them: one paragraph each, its commands on
// lines of their own indented by four spaces, paragraphs parted by an empty line.
std::string FindingsText(const std::vector<TFinding>& findings);
std::string FindingsJson(const std::string& port, const std::vector<TFinding>& findings);

// A transfer's progress: the register count as a bar on standard error when that is a terminal
// (nothing otherwise); always counts, so that an interrupted transfer can say how far it got. Its
// Cancelled answers Ctrl+C and SIGTERM.
class TProgress : public Transfer::TProgressSink {
 public:
  TProgress();
  void Start(const std::string& caption, const std::string& message, int maximum) override;
  void Message(const std::string& message) override;
  void Step() override;
  void Finish() override;
  bool Cancelled() override;

  bool Started() const { return FStarted; }
  bool Writing() const { return FMessage == "Writing profile"; }
  int Steps() const { return FSteps; }
  int Maximum() const { return FMaximum; }

 private:
  void Draw();

  bool FTerminal;
  bool FStarted = false;
  std::string FMessage, FNote;
  int FSteps = 0, FMaximum = 0;
};

}  // namespace Cli
