#include "ComPort.h"
#include "EscSimulator.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <memory>

namespace fs = std::filesystem;

namespace {

TEST(NaturalOrder, NumbersCompareByValue) {
  EXPECT_TRUE(NaturalLess("/dev/ttyS2", "/dev/ttyS10"));
  EXPECT_FALSE(NaturalLess("/dev/ttyS10", "/dev/ttyS2"));
  EXPECT_TRUE(NaturalLess("/dev/ttyS9", "/dev/ttyUSB0"));
  EXPECT_TRUE(NaturalLess("/dev/ttyACM10", "/dev/ttyS0"));
  EXPECT_TRUE(NaturalLess("ttyS", "ttyS0"));
  EXPECT_TRUE(NaturalLess("ttyS1", "ttyS01"));
  EXPECT_TRUE(NaturalLess("ttyS01", "ttyS2"));
  EXPECT_FALSE(NaturalLess("ttyS3", "ttyS3"));
  EXPECT_TRUE(NaturalLess("ttyS99999999999999999999", "ttyS100000000000000000000"));
}

// A folder standing in for /dev and one for /sys/class/tty, removed at the end.
class EnumPortsTest : public ::testing::Test {
 protected:
  EnumPortsTest() {
    root = fs::temp_directory_path() / ("enum-ports-" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "dev");
    fs::create_directories(root / "sys");
  }
  ~EnumPortsTest() override { fs::remove_all(root); }

  // A simulated port reached under the name `name` in the fake /dev.
  TEscSimulator& Port(const std::string& name) {
    sims.push_back(std::make_unique<TEscSimulator>());
    fs::create_symlink(sims.back()->SlavePath(), root / "dev" / name);
    return *sims.back();
  }
  // Tells the fake /sys that the node behind `sim` is a ttyS port of the given UART type.
  void Uart(const std::string& name, const TEscSimulator& sim, const std::string& type) {
    struct stat st {};
    ASSERT_EQ(::stat(sim.SlavePath().c_str(), &st), 0);
    fs::create_directories(root / "sys" / name);
    std::ofstream(root / "sys" / name / "dev") << major(st.st_rdev) << ":" << minor(st.st_rdev) << "\n";
    std::ofstream(root / "sys" / name / "type") << type << "\n";
  }
  std::string Dev(const std::string& name) const { return (root / "dev" / name).string(); }
  std::vector<std::string> List() {
    std::vector<std::string> list{"kept"};
    EnumComPorts(&list, (root / "dev").string(), (root / "sys").string());
    return list;
  }

  fs::path root;
  std::vector<std::unique_ptr<TEscSimulator>> sims;
};

TEST_F(EnumPortsTest, ListsOpenablePortsInNaturalOrder) {
  Port("ttyUSB10");
  Port("ttyUSB2");
  Port("rfcomm0");
  Port("ttyAMA1");
  Port("ttyACM3");
  Port("console");  // not a port name
  Port("ttyX1");
  EXPECT_EQ(List(), (std::vector<std::string>{"kept", Dev("rfcomm0"), Dev("ttyACM3"), Dev("ttyAMA1"), Dev("ttyUSB2"),
                                              Dev("ttyUSB10")}));
}

TEST_F(EnumPortsTest, LeavesOutPortsInUseAndNodesThatAreNoPorts) {
  auto& busy = Port("ttyUSB0");
  Port("ttyUSB1");
  std::ofstream(root / "dev" / "ttyS4") << "a plain file\n";
  fs::create_symlink(root / "dev" / "missing", root / "dev" / "ttyS5");
  fs::create_directory(root / "dev" / "ttyS6");
  TComPort holder;
  holder.SetPort(busy.SlavePath());
  holder.Open();
  EXPECT_EQ(List(), (std::vector<std::string>{"kept", Dev("ttyUSB1")}));
  holder.Close();
  EXPECT_EQ(List(), (std::vector<std::string>{"kept", Dev("ttyUSB0"), Dev("ttyUSB1")}));
}

TEST_F(EnumPortsTest, LeavesOutSerialPortsWithoutUart) {
  Uart("ttyS2", Port("ttyS2"), "0");
  Uart("ttyS3", Port("ttyS3"), "4");
  // A link of a port name counts like the node it reaches, whatever its own name.
  auto& behind = Port("ttyS11");
  Uart("ttyS11", behind, "0");
  fs::create_symlink(behind.SlavePath(), root / "dev" / "ttyUSB7");
  // Only ttyS entries of the kernel's list report a UART type.
  Uart("ttyUSB9", Port("ttyUSB9"), "0");
  EXPECT_EQ(List(), (std::vector<std::string>{"kept", Dev("ttyS3"), Dev("ttyUSB9")}));
}

TEST_F(EnumPortsTest, NoListOrNoFolderDoesNothing) {
  Port("ttyUSB0");
  EnumComPorts(nullptr, (root / "dev").string(), (root / "sys").string());
  std::vector<std::string> list;
  EnumComPorts(&list, (root / "nowhere").string(), (root / "sys").string());
  EXPECT_TRUE(list.empty());
}

}  // namespace
