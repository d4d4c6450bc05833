// Runs the window's file fault tests inside one QApplication on the offscreen platform. Before Qt
// starts any thread, the process takes a mount namespace of its own (when root), so that the small
// file systems the tests mount are private to it and vanish when it ends.
#include "Privileges.h"

#include <QApplication>

#include <gtest/gtest.h>

bool GMountsArePrivate = false;

int main(int argc, char** argv) {
  GMountsArePrivate = ::geteuid() == 0 && PrivateMounts();
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
