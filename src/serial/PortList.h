#pragma once
// The serial ports as the program shows them to the user: what kind each is, in which order they
// are listed, what the system knows of each and which program holds one; which port to select when
// ports come and go; and a watch on the device folder that says when to look again. Nothing here
// opens a port (an open raises DTR and RTS). Every function reads the trees under the roots it is
// given (/dev, /sys, /proc), so that tests can hand it made-up ones.

#include "FileHandle.h"

#include <sys/types.h>
#include <unistd.h>
#include <string>
#include <vector>

// The groups of the list, in the order they are listed.
enum TPortKind { pkUsb, pkBluetooth, pkBuiltIn };

struct TPortEntry {
  std::string Path;  // as listed, e.g. "/dev/ttyUSB0": what the commands open and messages name
  TPortKind Kind = pkBuiltIn;
  std::string Description;  // "FT232R USB UART, FTDI", "built-in serial port", ...
  std::string InUseBy;      // the programs that have it open or locked, e.g. "ModemManager"
};

struct TSystemRoots {
  std::string Dev = "/dev";
  std::string Sys = "/sys";
  std::string Proc = "/proc";
};

// ttyS*, ttyUSB*, ttyACM*, ttyAMA* and rfcomm* with something after the prefix.
bool IsSerialPortName(const std::string& name);

// The kind and description of the port at `path`, from its name and the terminal's entry under
// `sysDir`/class/tty: a USB adapter by its product and maker strings, or by its chip from the
// vendor:product number when it has no strings; "built-in serial port"; "Bluetooth serial port".
// A ttyS or ttyAMA port whose device sits on a USB bus counts as a USB adapter.
TPortEntry DescribePort(const std::string& path, const std::string& sysDir = "/sys");

// The list's order: USB adapters, then Bluetooth, then built-in ports; by natural order of the
// path within a group.
bool PortListLess(const TPortEntry& a, const TPortEntry& b);

// The paths of the ports under `roots.Dev` that this user may read and write, in natural order.
std::vector<std::string> ListSerialPortPaths(const TSystemRoots& roots = {});

// ListSerialPortPaths, described and in the list's order. Who holds them is not looked up here (MarkHolders): that
// means reading every process's open files, which is kept for the moments the user looks.
std::vector<TPortEntry> ListSerialPorts(const TSystemRoots& roots = {});

// Fills InUseBy of each port with the programs other than `self` that have it open or locked,
// from one pass over the processes under `procDir`; clears it where there are none.
void MarkHolders(std::vector<TPortEntry>& ports, const std::string& procDir = "/proc", pid_t self = ::getpid());

// What the list says of a port beside its path: the description, and who has it ("built-in serial
// port, in use by ModemManager").
std::string PortLabel(const TPortEntry& port);

// The port to select after the list changed from `before` to `after` (paths in list order), with
// `selected` selected until now and `userChoice` the port the user chose last (empty for none):
// the user's choice whenever it is listed; else a port that has just appeared (the first of them),
// since the user has just plugged it in; else the selected port while it is listed; else the first
// port; empty for an empty list.
std::string ChoosePort(const std::vector<std::string>& before, const std::vector<std::string>& after,
                       const std::string& selected, const std::string& userChoice);

// A watch on the device folder for serial ports that are made, removed, renamed or whose access
// changes. Costs nothing while nothing happens there: the descriptor becomes readable on an event.
class TPortWatch {
 public:
  // Valid() is false when the system refuses the watch (too many watches, no such folder).
  explicit TPortWatch(const std::string& devDir = "/dev");
  bool Valid() const { return FFd.Valid(); }
  // Readable when events are waiting.
  int Fd() const { return FFd.Get(); }
  // Takes the events waiting, without blocking. True when one of them concerns a serial port's name.
  bool TakeEvents();

 private:
  TFileHandle FFd;
};
