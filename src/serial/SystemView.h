#pragma once
// What the system shows about serial ports without opening one: which device numbers are
// terminals, which processes hold a port open or locked, a node's access list, the USB serial
// chips that are plugged in and the processes running. Opening a port raises its DTR and RTS lines,
// which a device on the line sees; none of these does. Every function reads the trees under the
// roots it is given (/dev, /sys, /proc), so that tests can hand it made-up ones.

#include <sys/types.h>
#include <cstdint>
#include <string>
#include <vector>

// A process that has a port open, or that holds its advisory lock.
struct TPortHolder {
  pid_t Pid = 0;
  std::string Name;     // the process's command name, as `ps` shows it
  bool Locked = false;  // it holds the lock that every opener of this program takes
};

// The processes that have the device node `path` (or the node a link reaches) open, from the
// descriptor links under `procDir`/PID/fd, and those holding its advisory lock (`procDir`/locks).
// A process that holds the master end of a pseudo-terminal is the device side of that terminal,
// not a second user of it, and is not counted. Only the processes this user may look into are
// seen. Each process appears once; the calling process is included when it holds the port.
std::vector<TPortHolder> PortHolders(const std::string& path, const std::string& procDir = "/proc");

// PortHolders for each of `paths` (in their order), from one pass over the processes.
std::vector<std::vector<TPortHolder>> PortHoldersOf(const std::vector<std::string>& paths,
                                                    const std::string& procDir = "/proc");

// Of `holders`, those other than the process `self`.
std::vector<TPortHolder> OtherHolders(const std::vector<TPortHolder>& holders, pid_t self);

// "minicom (process 4321)", several joined by ", ".
std::string HolderNames(const std::vector<TPortHolder>& holders);

// The running processes whose command name is `name`.
std::vector<TPortHolder> ProcessesNamed(const std::string& name, const std::string& procDir = "/proc");

// True when the character device number belongs to a terminal driver in `procDir`/tty/drivers.
// When that table cannot be read, every character device counts as one.
bool IsTerminalDevice(dev_t rdev, const std::string& procDir = "/proc");

// True when `path` reaches a character device node (a link is followed).
bool IsCharacterDevice(const std::string& path);

// The names in a folder (with "." and ".."); empty when it cannot be read.
std::vector<std::string> ListDir(const std::string& dir);
// The first line of a file, without its line end; empty when it cannot be read.
std::string ReadFirstLine(const std::string& path);

// The serial ports under `devDir`, whether they can be opened or not: terminals (or links to them)
// named ttyS*, ttyUSB*, ttyACM*, ttyAMA* or rfcomm*, without the ttyS that have no UART, in natural
// order, as full paths. EnumComPorts (ComPort.h) lists those of them that can be opened now.
std::vector<std::string> CandidatePorts(const std::string& devDir = "/dev",
                                        const std::string& sysClassTty = "/sys/class/tty",
                                        const std::string& procDir = "/proc");

// One entry of a node's POSIX access list (the extended attribute system.posix_acl_access).
struct TAclEntry {
  enum TTag : uint16_t {
    atUserObj = 0x01,
    atUser = 0x02,
    atGroupObj = 0x04,
    atGroup = 0x08,
    atMask = 0x10,
    atOther = 0x20
  };
  uint16_t Tag = 0;
  uint16_t Perm = 0;  // 4 read, 2 write, 1 execute
  uint32_t Id = 0;    // user or group id for atUser and atGroup
};
// The access list of the node `path` reaches; empty when it has none beyond its mode bits.
std::vector<TAclEntry> ReadAccessAcl(const std::string& path);
// The list from the attribute's bytes; empty when they are not a valid list.
std::vector<TAclEntry> ParseAcl(const std::string& bytes);

// A USB device under `sysDir`/bus/usb/devices that is, or serves as, a USB serial adapter: its
// vendor:product is one of the common serial chips, or one of its interfaces is bound to a USB
// serial driver.
struct TUsbSerialChip {
  std::string SysName;  // e.g. "1-1.2"
  std::string Vendor;   // four hex digits, e.g. "1a86"
  std::string Product;
  std::string Chip;     // e.g. "CH340/CH341"; empty for an unknown chip
  std::string Module;   // the kernel's driver for the chip, e.g. "ch341"
  std::string Driver;   // the driver bound to its interface; empty for none
  bool HasTty = false;  // the kernel made a serial port for it
};
std::vector<TUsbSerialChip> UsbSerialChips(const std::string& sysDir = "/sys");
// The common serial chip with this vendor:product (four hex digits each), e.g. "CH340/CH341";
// empty for one this program does not know.
std::string KnownChipName(const std::string& vendor, const std::string& product);

// The udev rule files in `dirs` whose name contains `namepart` and that match the USB device
// vendor:product (by the udev PRODUCT value "1a86/7523/..." or by idVendor and idProduct on one
// line). A file of the same name in an earlier folder hides the later ones, as with udev.
std::vector<std::string> RulesMatching(const std::vector<std::string>& dirs, const std::string& nameContains,
                                       const std::string& vendor, const std::string& product);
