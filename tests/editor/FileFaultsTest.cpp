// The window's Open, Save and Save As when the file system refuses: the user sees a message that
// names the file and the reason, the profile being edited is kept, an existing file is intact, and
// saving somewhere else afterwards works.
#include "MainFormFixture.h"
#include "Privileges.h"
#include "TempDir.h"

#include <QString>

#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <filesystem>
#include <iostream>

extern bool GMountsArePrivate;  // set by the test program's main before Qt starts threads

namespace {

namespace fs = std::filesystem;

class FileFaultsTest : public MainFormTest {
 protected:
  FileFaultsTest() {
    ::chmod(Dir.Path().c_str(), 0755);              // reachable for the ordinary user of some tests
    Form.Document().State().Profile.SetY(50, 111);  // an edit that must survive every failure
  }

  QString Q(const std::string& s) const { return QString::fromStdString(s); }
  void SaveAs(const std::string& file) {
    Dialogs.FileAnswers.push_back(Q(file));
    Form.findChild<QAction*>("FileSaveAs1")->trigger();
  }
  void Open(const std::string& file) {
    Dialogs.FileAnswers.push_back(Q(file));
    Form.findChild<QAction*>("FileOpen1")->trigger();
  }
  // The one error box the last command showed, which names the file and gives the reason.
  void ExpectOneError(const std::string& file, const char* reason) {
    ASSERT_EQ(Dialogs.Errors.size(), 1) << Dialogs.Errors.join(" | ").toStdString();
    const QString text = Dialogs.Errors.takeFirst();
    EXPECT_TRUE(text.contains(Q(file))) << text.toStdString();
    EXPECT_TRUE(text.contains(QString::fromLatin1(reason))) << text.toStdString();
  }
  // Nothing was lost: the edit is still in the window and a Save As to a good place keeps it.
  void ExpectEditKept() {
    EXPECT_EQ(Form.Document().State().Profile.GetY(50), 111);
    const std::string good = Dir.File("rescued.spp");
    SaveAs(good);
    EXPECT_TRUE(Dialogs.Errors.isEmpty()) << Dialogs.Errors.join(" | ").toStdString();
    TSpedV4Device back;
    ASSERT_EQ(back.LoadFromFile(good), 0);
    EXPECT_EQ(back.GetY(50), 111);
  }
  static int Y50Of(const std::string& file) {
    TSpedV4Device p;
    return p.LoadFromFile(file) == 0 ? p.GetY(50) : -1;
  }

  TTempDir Dir;
};

TEST_F(FileFaultsTest, SaveAsWithoutPermission) {
  const fs::path locked = Dir.Path() / "locked";
  const fs::path shared = Dir.Path() / "shared";
  fs::create_directory(locked);
  fs::create_directory(shared);
  const std::string inLocked = (locked / "new.spp").string();
  const std::string readOnly = (shared / "old.spp").string();
  TSpedV4Device old;
  old.Clear();
  old.SaveToFile(readOnly);
  ::chmod(locked.c_str(), 0555);
  ::chmod(shared.c_str(), 0777);
  ::chmod(readOnly.c_str(), 0444);
  const std::string before = TTempDir::Read(readOnly);

  {
    const TOrdinaryUser user;
    if (!user.Ok()) GTEST_SKIP() << "cannot act as an unprivileged user here";
    SaveAs(inLocked);
    ExpectOneError(inLocked, "Permission denied");
    SaveAs(readOnly);
    ExpectOneError(readOnly, "Permission denied");
    // Save goes to the name Save As chose: refused again, with the same message.
    Form.findChild<QAction*>("FileSave")->trigger();
    ExpectOneError(readOnly, "Permission denied");
  }
  EXPECT_FALSE(fs::exists(inLocked));
  EXPECT_EQ(TTempDir::Read(readOnly), before);
  EXPECT_EQ(std::distance(fs::directory_iterator(shared), fs::directory_iterator()), 1);
  ExpectEditKept();
}

TEST_F(FileFaultsTest, SaveOntoAFullDisk) {
  const fs::path disk = Dir.Path() / "disk";
  fs::create_directory(disk);
  const std::string file = (disk / "profile.spp").string();
  const bool mounted = GMountsArePrivate && ::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=16k") == 0;

  SaveAs(file);  // the file exists, with the edit
  ASSERT_TRUE(Dialogs.Errors.isEmpty()) << Dialogs.Errors.join(" | ").toStdString();
  Form.Document().State().Profile.SetY(50, 222);

  rlimit oldLimit{};
  ::getrlimit(RLIMIT_FSIZE, &oldLimit);
  if (mounted) {
    TTempDir::Write((disk / "filler").string(), std::string(64 * 1024, 'x'));  // takes what is left
  } else {
    // Without a file system of its own, a file size limit gives the same kind of write failure.
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit tiny{100, oldLimit.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &tiny);
  }
  Form.findChild<QAction*>("FileSave")->trigger();
  if (!mounted) ::setrlimit(RLIMIT_FSIZE, &oldLimit);
  ExpectOneError(file, mounted ? "No space left on device" : "File too large");
  EXPECT_EQ(Y50Of(file), 111) << "the file on the full disk was damaged";
  Form.Document().State().Profile.SetY(50, 111);
  ExpectEditKept();
  if (mounted)
    ::umount2(disk.c_str(), MNT_DETACH);
  else
    std::cout << "[ NOTE ] no file system of the test's own: used a file size limit instead\n";
}

TEST_F(FileFaultsTest, OpenOfBadFilesChangesNothing) {
  TSpedV4Device named;
  named.Clear();
  const std::string current = Dir.File("current.spp");
  SaveAs(current);
  const QString caption = Form.windowTitle();
  const QImage diagram = Form.Editor().View()->Image();

  const std::string notProfile = Dir.File("letter.spp"), empty = Dir.File("empty.spp");
  TTempDir::Write(notProfile, "Dear reader,\r\nthis is no profile.\r\n");
  TTempDir::Write(empty, "");
  for (const std::string& file : {notProfile, empty}) {
    Open(file);
    ASSERT_EQ(Dialogs.Informations.size(), 1);
    EXPECT_EQ(Dialogs.Informations.takeFirst(), QStringLiteral("Failed to load profile from file ") + Q(file));
  }

  const std::string folder = Dir.File("folder.spp");
  fs::create_directory(folder);
  Open(folder);
  ExpectOneError(folder, "Is a directory");

  const std::string secret = Dir.File("secret.spp");
  named.SaveToFile(secret);
  ::chmod(secret.c_str(), 0200);
  {
    const TOrdinaryUser user;
    if (user.Ok()) {
      Open(secret);
      ExpectOneError(secret, "Permission denied");
    }
  }

  EXPECT_TRUE(Dialogs.Informations.isEmpty());
  EXPECT_EQ(Form.windowTitle(), caption);
  EXPECT_EQ(Form.Document().State().FileName, Q(current));
  EXPECT_EQ(Form.Editor().View()->Image(), diagram);
  ExpectEditKept();
}

}  // namespace
