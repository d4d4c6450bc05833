// Saving and opening profile files when the file system says no: missing permissions, a full or
// read-only file system, files that are not profiles. Every failure must name the file and the
// reason, and must leave both the profile in memory and any existing file as they were.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <filesystem>
#include <iostream>
#include <sstream>

#include "Privileges.h"
#include "SpedV4Device.h"
#include "TempDir.h"

namespace {

namespace fs = std::filesystem;

// What a failed operation reports, or "" when it did not fail.
template <typename F>
std::string ErrorOf(F&& operation) {
  try {
    operation();
  } catch (const EFileError& e) {
    return e.what();
  }
  return "";
}

bool Mentions(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

size_t EntriesIn(const fs::path& dir) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

class FileFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    P.Clear();
    P.SetY(20, 77);
    P.SetDeadband(3);
  }
  // The profile still holds the edits made in SetUp.
  bool Untouched(const TSpeedoDevice& p) const { return p.GetY(20) == 77 && p.Deadband() == 3; }

  TTempDir Dir;
  TSpedV4Device P;
};

TEST_F(FileFaults, SavingWithoutPermissionAsAnOrdinaryUser) {
  // A folder only root may write to, and a read-only file in a folder anyone may write to.
  const fs::path locked = Dir.Path() / "locked";
  const fs::path open = Dir.Path() / "open";
  fs::create_directory(locked);
  fs::create_directory(open);
  const std::string fresh = (locked / "new.spp").string();
  const std::string readOnly = (open / "ro.spp").string();
  TTempDir::Write(readOnly, "keep me");
  ::chmod(Dir.Path().c_str(), 0755);
  ::chmod(locked.c_str(), 0555);
  ::chmod(open.c_str(), 0777);
  ::chmod(readOnly.c_str(), 0444);

  const TChildResult r = RunInChild([&] {
    if (!DropToUnprivilegedUser()) return std::string("no-drop");
    return ErrorOf([&] { P.SaveToFile(fresh); }) + "\n" + ErrorOf([&] { P.SaveToFile(readOnly); });
  });
  if (r.Text == "no-drop") GTEST_SKIP() << "cannot switch to an unprivileged user here";
  ASSERT_TRUE(r.Exited) << r.Text;
  const std::string newFileError = r.Text.substr(0, r.Text.find('\n'));
  const std::string readOnlyError = r.Text.substr(r.Text.find('\n') + 1);

  EXPECT_TRUE(Mentions(newFileError, fresh) && Mentions(newFileError, "Permission denied")) << newFileError;
  EXPECT_FALSE(fs::exists(fresh));
  EXPECT_TRUE(Mentions(readOnlyError, readOnly) && Mentions(readOnlyError, "Permission denied")) << readOnlyError;
  EXPECT_EQ(TTempDir::Read(readOnly), "keep me");
  EXPECT_EQ(EntriesIn(open), 1u) << "a temporary file was left behind";
}

TEST_F(FileFaults, SavingOntoAFullFileSystemKeepsTheOldFile) {
  // A tiny RAM file system in a mount namespace of the child's own, filled up; where mounting is
  // not allowed, a file size limit gives the same kind of failure.
  const fs::path mountPoint = Dir.Path() / "disk";
  fs::create_directory(mountPoint);
  const std::string file = (mountPoint / "profile.spp").string();

  const TChildResult r = RunInChild([&] {
    std::string how = "limit";
    if (PrivateMounts() && ::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=16k") == 0) how = "full";
    TSpedV4Device old;
    old.Clear();
    old.SetY(60, 99);
    old.SaveToFile(file);
    if (how == "full") {
      TTempDir::Write((mountPoint / "filler").string(), std::string(64 * 1024, 'x'));  // fills what is left
    } else {
      ::signal(SIGXFSZ, SIG_IGN);
      const rlimit limit{100, 100};
      ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    const std::string error = ErrorOf([&] { P.SaveToFile(file); });
    TSpedV4Device back;
    const bool oldIntact = back.LoadFromFile(file) == 0 && back.GetY(60) == 99 && back.GetY(20) != 77;
    return how + "\n" + (oldIntact ? "intact" : "damaged") + "\n" + std::to_string(EntriesIn(mountPoint)) + "\n" +
           error;
  });
  ASSERT_TRUE(r.Exited) << r.Text;
  std::istringstream lines(r.Text);
  std::string how, intact, entries, error;
  std::getline(lines, how);
  std::getline(lines, intact);
  std::getline(lines, entries);
  std::getline(lines, error, '\0');

  EXPECT_TRUE(Mentions(error, file)) << error;
  EXPECT_TRUE(Mentions(error, how == "full" ? "No space left on device" : "File too large")) << error;
  EXPECT_EQ(intact, "intact");
  EXPECT_EQ(entries, how == "full" ? "2" : "1") << "a temporary file was left behind";
  EXPECT_TRUE(Untouched(P));
  if (how != "full") std::cout << "[ NOTE ] no tmpfs here: used a file size limit instead\n";
}

TEST_F(FileFaults, SavingOntoAReadOnlyFileSystem) {
  const fs::path mountPoint = Dir.Path() / "ro";
  fs::create_directory(mountPoint);
  const std::string file = (mountPoint / "profile.spp").string();
  const TChildResult r = RunInChild([&] {
    if (!PrivateMounts() || ::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=64k") != 0)
      return std::string("skip");
    TTempDir::Write(file, "old");
    if (::mount(nullptr, mountPoint.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0) return std::string("skip");
    const std::string error = ErrorOf([&] { P.SaveToFile(file); });
    return TTempDir::Read(file) + "\n" + error;
  });
  if (r.Text == "skip") GTEST_SKIP() << "mounting a file system is not permitted here";
  ASSERT_TRUE(r.Exited) << r.Text;
  EXPECT_EQ(r.Text.substr(0, 4), "old\n");
  EXPECT_TRUE(Mentions(r.Text, file) && Mentions(r.Text, "Read-only file system")) << r.Text;
}

TEST_F(FileFaults, OpeningSomethingThatIsNoProfileChangesNothing) {
  // Not a profile (no version), empty: refused with result 1.
  const std::string text = Dir.File("notes.spp"), empty = Dir.File("empty.spp"), binary = Dir.File("image.spp");
  TTempDir::Write(text, "shopping list\r\n[Settings]\r\nmilk=2\r\n");
  TTempDir::Write(empty, "");
  static const char png[] = "\x89PNG\r\n\x1a\n\0\0\0\rIHDR[Settings]\0Version=4";
  TTempDir::Write(binary, std::string(png, sizeof png - 1));
  for (const std::string& file : {text, empty, binary}) {
    SCOPED_TRACE(file);
    EXPECT_EQ(P.LoadFromFile(file), 1);
    EXPECT_TRUE(Untouched(P));
  }

  // A folder: an error that names it and says why.
  const std::string dirError = ErrorOf([&] { P.LoadFromFile(Dir.Path().string()); });
  EXPECT_TRUE(Mentions(dirError, Dir.Path().string()) && Mentions(dirError, "Is a directory")) << dirError;
  EXPECT_TRUE(Untouched(P));
}

TEST_F(FileFaults, OpeningAFileWithoutReadPermission) {
  TSpedV4Device saved;
  saved.Clear();
  const std::string file = Dir.File("secret.spp");
  saved.SaveToFile(file);
  ::chmod(file.c_str(), 0200);
  ::chmod(Dir.Path().c_str(), 0755);
  const TChildResult r = RunInChild([&] {
    if (!DropToUnprivilegedUser()) return std::string("no-drop");
    const std::string error = ErrorOf([&] { P.LoadFromFile(file); });
    return std::string(Untouched(P) ? "untouched\n" : "changed\n") + error;
  });
  if (r.Text == "no-drop") GTEST_SKIP() << "cannot switch to an unprivileged user here";
  ASSERT_TRUE(r.Exited) << r.Text;
  EXPECT_EQ(r.Text.substr(0, 10), "untouched\n");
  EXPECT_TRUE(Mentions(r.Text, file) && Mentions(r.Text, "Permission denied")) << r.Text;
}

TEST_F(FileFaults, AnyBreakpointFlagInAFileIsABreakpoint) {
  // A table whose flag byte for entry 10 is 0x10 rather than 1: that entry keeps its output when
  // the curve is re-interpolated, and it can be removed like any breakpoint.
  TSpedV4Device source;
  source.Clear();
  source.SetY(10, 200);
  const std::string file = Dir.File("flag.spp");
  source.SaveToFile(file);
  std::string content = TTempDir::Read(file);
  const size_t flag = content.find("Data=") + 5 + 10 * 6 + 4;
  ASSERT_EQ(content.substr(flag - 4, 6), "14C801");  // entry 10: X 20, Y 200, breakpoint
  content.replace(flag, 2, "10");
  TTempDir::Write(file, content);

  ASSERT_EQ(P.LoadFromFile(file), 0);
  EXPECT_TRUE(P.IsBreakpoint(10));
  P.SetY(5, 3);
  EXPECT_EQ(P.GetY(10), 200);
  P.ClearBreakpoint(10);
  EXPECT_FALSE(P.IsBreakpoint(10));
  EXPECT_NE(P.GetY(10), 200);
}

}  // namespace
