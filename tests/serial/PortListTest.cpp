// The port list's choice when ports come and go, what it says of each port over made-up /sys and
// /proc trees, and the watch on the device folder.
#include "IdlePty.h"
#include "PortList.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <algorithm>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

using TPaths = std::vector<std::string>;

TEST(ChoosePort, FollowsTheUsersChoiceAndNewPorts) {
  const std::string usb0 = "/dev/ttyUSB0", usb1 = "/dev/ttyUSB1", s0 = "/dev/ttyS0";
  struct TCase {
    const char* What;
    TPaths Before, After;
    std::string Selected, Choice, Expected;
  };
  const TCase cases[] = {
      {"start-up selects the first", {}, {usb0, s0}, "", "", usb0},
      {"nothing listed, nothing selected", {usb0}, {}, usb0, usb0, ""},
      {"the chosen port goes: another meanwhile", {usb0, s0}, {s0}, usb0, usb0, s0},
      {"the chosen port comes back", {s0}, {usb0, s0}, s0, usb0, usb0},
      {"...also when it sorts after the selected one", {usb0, s0}, {usb0, usb1, s0}, usb0, usb1, usb1},
      {"a new port while the choice is absent", {s0}, {usb0, s0}, s0, "/dev/ttyUSB7", usb0},
      {"a new port with no choice made", {s0}, {usb0, s0}, s0, "", usb0},
      {"a second adapter while the chosen one is there", {usb0, s0}, {usb0, usb1, s0}, usb0, usb0, usb0},
      {"the chosen built-in port stays when an adapter comes", {usb0, s0}, {usb0, usb1, s0}, s0, s0, s0},
      {"of several new ports the first", {s0}, {usb0, usb1, s0}, s0, "", usb0},
      {"an unchanged list keeps the selection", {usb0, s0}, {usb0, s0}, s0, "", s0},
      {"another port goes: the selection stays", {usb0, usb1, s0}, {usb1, s0}, usb1, "", usb1},
      {"the selected port goes, no choice: the first", {usb0, usb1}, {usb1}, usb0, "", usb1},
  };
  for (const auto& c : cases) EXPECT_EQ(ChoosePort(c.Before, c.After, c.Selected, c.Choice), c.Expected) << c.What;
}

// A made-up /sys with terminals and the USB devices they sit on, and a made-up /proc.
class PortDescription : public ::testing::Test {
 protected:
  PortDescription() : root(fs::temp_directory_path() / ("port-list-" + std::to_string(::getpid()))) {
    fs::remove_all(root);
    fs::create_directories(root / "sys/class/tty");
  }
  ~PortDescription() override { fs::remove_all(root); }

  // The terminal `name` under the device folder `device` (relative to sys/devices).
  void Tty(const std::string& name, const std::string& device) {
    fs::create_directories(root / "sys/devices" / device);
    fs::create_directories(root / "sys/class/tty" / name);
    fs::create_directory_symlink(root / "sys/devices" / device, root / "sys/class/tty" / name / "device");
  }
  void File(const fs::path& path, const std::string& line) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << line << "\n";
  }
  std::string Sys() const { return (root / "sys").string(); }

  fs::path root;
};

TEST_F(PortDescription, SaysWhatEachPortIs) {
  const std::string hub = "pci0000:00/0000:00:14.0/usb1/";
  Tty("ttyUSB0", hub + "1-1/1-1:1.0/ttyUSB0");
  File(root / "sys/devices" / hub / "1-1/idVendor", "0403");
  File(root / "sys/devices" / hub / "1-1/product", "FT232R USB UART");
  File(root / "sys/devices" / hub / "1-1/manufacturer", "FTDI");
  Tty("ttyUSB1", hub + "1-2/1-2:1.0/ttyUSB1");
  File(root / "sys/devices" / hub / "1-2/idVendor", "1a86");
  File(root / "sys/devices" / hub / "1-2/idProduct", "7523");
  Tty("ttyACM0", hub + "1-3/1-3:1.0");
  File(root / "sys/devices" / hub / "1-3/idVendor", "abcd");
  File(root / "sys/devices" / hub / "1-3/idProduct", "0001");
  File(root / "sys/devices" / hub / "1-3/product", "");
  Tty("ttyS0", "platform/serial8250/tty/ttyS0");
  Tty("ttyS4", hub + "1-4/1-4:1.0/tty/ttyS4");
  File(root / "sys/devices" / hub / "1-4/idVendor", "067b");
  File(root / "sys/devices" / hub / "1-4/idProduct", "2303");
  struct TCase {
    std::string Path;
    TPortKind Kind;
    std::string Description;
  } const cases[] = {
      {"/dev/ttyUSB0", pkUsb, "FT232R USB UART, FTDI"},
      {"/dev/ttyUSB1", pkUsb, "CH340/CH341 (1a86:7523)"},
      {"/dev/ttyACM0", pkUsb, "USB serial adapter (abcd:0001)"},
      {"/dev/ttyUSB9", pkUsb, "USB serial adapter"},  // nothing under /sys
      {"/dev/ttyS0", pkBuiltIn, "built-in serial port"},
      {"/dev/ttyAMA0", pkBuiltIn, "built-in serial port"},
      {"/dev/ttyS4", pkUsb, "PL2303 (067b:2303)"},  // a ttyS on a USB bus
      {"/dev/rfcomm0", pkBluetooth, "Bluetooth serial port"},
  };
  std::vector<TPortEntry> all;
  for (const auto& c : cases) {
    const TPortEntry port = DescribePort(c.Path, Sys());
    EXPECT_EQ(port.Kind, c.Kind) << c.Path;
    EXPECT_EQ(port.Description, c.Description) << c.Path;
    all.insert(all.begin(), port);
  }
  std::stable_sort(all.begin(), all.end(), PortListLess);
  TPaths order;
  for (const auto& port : all) order.push_back(port.Path);
  EXPECT_EQ(order, (TPaths{"/dev/ttyACM0", "/dev/ttyS4", "/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyUSB9", "/dev/rfcomm0",
                           "/dev/ttyAMA0", "/dev/ttyS0"}));
}

TEST_F(PortDescription, NamesTheProgramsHoldingAPort) {
  TIdlePty held, free;
  ASSERT_FALSE(held.SlavePath.empty());
  // Two processes of one program and one of another have the terminal open; this process too.
  for (const auto& [pid, comm] : {std::pair{"101", "ModemManager"}, {"102", "ModemManager"}, {"103", "minicom"}}) {
    File(root / "proc" / pid / "comm", comm);
    fs::create_directories(root / "proc" / pid / "fd");
    fs::create_symlink(held.SlavePath, root / "proc" / pid / "fd" / "5");
  }
  File(root / "proc/104/comm", "torvanic");
  fs::create_directories(root / "proc/104/fd");
  fs::create_symlink(held.SlavePath, root / "proc/104/fd/3");
  std::vector<TPortEntry> ports{DescribePort(held.SlavePath, Sys()), DescribePort(free.SlavePath, Sys())};
  ports[1].InUseBy = "stale";
  MarkHolders(ports, (root / "proc").string(), 104);
  EXPECT_EQ(PortLabel(ports[0]), "built-in serial port, in use by ModemManager, minicom");
  EXPECT_EQ(PortLabel(ports[1]), "built-in serial port");
}

TEST(PortWatch, SeesPortsComeAndGoAndNothingElse) {
  const fs::path dir = fs::temp_directory_path() / ("port-watch-" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir);
  TPortWatch watch(dir.string());
  ASSERT_TRUE(watch.Valid());
  EXPECT_FALSE(watch.TakeEvents());
  std::ofstream(dir / "random") << "x";
  EXPECT_FALSE(watch.TakeEvents());
  fs::create_symlink("/dev/null", dir / "ttyUSB0");
  EXPECT_TRUE(watch.TakeEvents());
  fs::permissions(dir / "random", fs::perms::owner_read);
  fs::rename(dir / "ttyUSB0", dir / "ttyACM3");
  EXPECT_TRUE(watch.TakeEvents());
  fs::remove(dir / "ttyACM3");
  EXPECT_TRUE(watch.TakeEvents());
  EXPECT_FALSE(watch.TakeEvents());
  fs::remove_all(dir);
  EXPECT_FALSE(TPortWatch((dir / "none").string()).Valid());
}

}  // namespace
