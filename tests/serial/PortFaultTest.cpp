// A serial port the user may not open: the message names the port, the reason and the group that
// grants access, nothing stays open, and the same port works for a user who may open it.
#include "ComPort.h"
#include "EscSimulator.h"
#include "IdlePty.h"
#include "Privileges.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A pseudo-terminal with nothing behind it. The child process below is forked while only this
// thread runs: forking while another thread (a simulator's) may hold a lock of the allocator can
// leave the child hanging, which the sanitizer builds showed.

TEST(PortFaults, PortWithoutPermissionForAnOrdinaryUser) {
  TIdlePty pty;
  ASSERT_FALSE(pty.SlavePath.empty());
  ASSERT_EQ(::chmod(pty.SlavePath.c_str(), 0600), 0);  // like a serial device: owner only
  struct stat st {};
  ASSERT_EQ(::stat(pty.SlavePath.c_str(), &st), 0);
  const group* g = ::getgrgid(st.st_gid);
  const std::string owner = g ? g->gr_name : std::to_string(st.st_gid);

  const TChildResult r = RunInChild([&] {
    if (::geteuid() == st.st_uid && ::geteuid() != 0) return std::string("owner");
    if (!DropToUnprivilegedUser()) return std::string("no-drop");
    TComPort port;
    port.SetPort(pty.SlavePath);
    int opened = 0;
    port.OnPortOpen = [&](TComPort&) { ++opened; };
    std::string message;
    try {
      port.Open();
    } catch (const EComError& e) {
      message = e.what();
    }
    uint8_t value = 7;
    const bool sent = port.WriteRegister(20, 170) || port.ReadRegister(20, value);
    return message + (opened || sent || value != 7 ? "\nport was used" : "");
  });
  if (r.Text == "no-drop" || r.Text == "owner") GTEST_SKIP() << "cannot act as a user without access here";
  ASSERT_TRUE(r.Exited) << r.Text;
  EXPECT_EQ(r.Text, "TCOMPORT : cannot open " + pty.SlavePath +
                        "\rPermission denied\rOn Linux the user must be a member of the group that owns the "
                        "device (\"" +
                        owner + "\").");

  // The owner of such a device opens it and reaches the controller.
  TEscSimulator sim;
  ASSERT_EQ(::chmod(sim.SlavePath().c_str(), 0600), 0);
  TComPort port;
  port.SetPort(sim.SlavePath());
  port.Open();
  uint8_t value = 0;
  EXPECT_TRUE(port.WriteRegister(20, 170));
  EXPECT_TRUE(port.ReadRegister(20, value));
  EXPECT_EQ(value, 170);
  port.Close();
}

}  // namespace
