// The .spp profile file: exact output, loading rules, refused input and failed writes.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "IniText.h"
#include "SpedV4Device.h"
#include "TempDir.h"

namespace {

class ProfileFile : public ::testing::Test {
 protected:
  void SetUp() override {
    P.Clear();
    Def.Clear();
  }
  // The default table's hexadecimal text, with one byte replaced.
  static std::string DefaultHex() {
    TTempDir d;
    TSpedV4Device p;
    p.Clear();
    p.SaveToFile(d.File("a.spp"));
    const std::string text = TTempDir::Read(d.File("a.spp"));
    const size_t at = text.find("Data=") + 5;
    return text.substr(at, 576);
  }
  std::string Spp(const std::string& settings, const std::string& data) {
    return "[Settings]\r\n" + settings + "\r\n[Data]\r\nData=" + data + "\r\n";
  }
  void ExpectTable(const TSpeedoDevice& a, const TSpeedoDevice& b) {
    for (int i = 0; i <= 95; ++i) {
      ASSERT_EQ(a.GetPoint(i), b.GetPoint(i)) << i;
      ASSERT_EQ(a.IsBreakpoint(i), b.IsBreakpoint(i)) << i;
    }
  }
  TTempDir Dir;
  TSpedV4Device P, Def;
};

TEST_F(ProfileFile, DefaultProfileGivesExactlyNineLines) {
  const std::string file = Dir.File("new.spp");
  EXPECT_EQ(P.SaveToFile(file), 0);
  const std::string text = TTempDir::Read(file);
  const std::string hex = text.substr(text.find("Data=") + 5, 576);
  EXPECT_EQ(hex.substr(0, 18), "00FF0102FF0104F700");
  EXPECT_EQ(text, "[Settings]\r\nDB=1\r\nFFQ=1.0k\r\nBFQ=1.0k\r\nVersion=4\r\n\r\n[Data]\r\nData=" + hex + "\r\n\r\n");
  for (char c : hex) EXPECT_TRUE(std::isdigit(c) || (c >= 'A' && c <= 'F'));
}

TEST_F(ProfileFile, RoundTripIsExact) {
  P.SetDeadband(3);
  P.SetY(50, 77);
  P.SetY(10, 3);
  P.SetFrequencies(11, 0);
  const std::string file = Dir.File("round.spp");
  P.SaveToFile(file);
  TSpedV4Device q;
  q.Clear();
  ASSERT_EQ(q.LoadFromFile(file), 0);
  ExpectTable(q, P);
  int f, b;
  q.GetFrequencies(f, b);
  EXPECT_EQ(q.GetDeadband(), 3);
  EXPECT_EQ(f, 11);
  EXPECT_EQ(b, 11);
}

TEST_F(ProfileFile, SavingOverAFileKeepsOtherSectionsAndDropsComments) {
  const std::string file = Dir.File("other.spp");
  TTempDir::Write(file, "; a comment\r\n[Mine]\r\nKey = some value\r\n[settings]\r\nversion=3\r\nExtra=1\r\n");
  P.SaveToFile(file);
  EXPECT_EQ(TTempDir::Read(file),
            "[Mine]\r\nKey=some value\r\n\r\n[settings]\r\nVersion=4\r\nExtra=1\r\nDB=1\r\nFFQ=1.0k\r\n"
            "BFQ=1.0k\r\n\r\n[Data]\r\nData=" +
                DefaultHex() + "\r\n\r\n");
  EXPECT_EQ(TTempDir::Read(file).find("comment"), std::string::npos);
}

TEST_F(ProfileFile, LoadingRules) {
  const std::string file = Dir.File("rules.spp");
  int f, b;

  // Names in any case; only the settings section: the default profile.
  TTempDir::Write(file, "[settings]\nversion=4\n");
  P.SetY(40, 1);
  ASSERT_EQ(P.LoadFromFile(file), 0);
  ExpectTable(P, Def);
  P.GetFrequencies(f, b);
  EXPECT_EQ(P.GetDeadband(), 1);
  EXPECT_EQ(f, 0);

  // Frequency names match exactly, and the two indices load independently.
  TTempDir::Write(file, Spp("Version=4\r\nFFQ=10.0k\r\nBFQ=2.0k", ""));
  ASSERT_EQ(P.LoadFromFile(file), 0);
  P.GetFrequencies(f, b);
  EXPECT_EQ(f, 13);
  EXPECT_EQ(b, 2);
  TTempDir::Write(file, Spp("Version=4\r\nFFQ=1.5K", ""));
  ASSERT_EQ(P.LoadFromFile(file), 0);
  P.GetFrequencies(f, b);
  EXPECT_EQ(f, 0);

  // The level is taken as it stands, without touching the curve.
  std::string hex = DefaultHex();
  hex.replace(32 * 6 + 2, 2, "7B");  // entry 32 (X 64) at Y 123
  TTempDir::Write(file, Spp("DB=3\r\nVersion=$4", hex));
  ASSERT_EQ(P.LoadFromFile(file), 0);
  EXPECT_EQ(P.GetDeadband(), 3);
  EXPECT_EQ(P.GetY(32), 123);
  EXPECT_EQ(P.GetY(33), Def.GetY(33));

  // Lower-case digits load, and are written upper-case again.
  std::string lower = hex;
  for (char& c : lower) c = static_cast<char>(std::tolower(c));
  TTempDir::Write(file, Spp("Version=4", lower));
  ASSERT_EQ(P.LoadFromFile(file), 0);
  EXPECT_EQ(P.GetY(32), 123);
  P.SaveToFile(file);
  EXPECT_NE(TTempDir::Read(file).find(hex), std::string::npos);

  // 577 characters: the last one is ignored.
  TTempDir::Write(file, Spp("Version=4", hex + "Z"));
  ASSERT_EQ(P.LoadFromFile(file), 0);
  EXPECT_EQ(P.GetY(32), 123);
}

TEST_F(ProfileFile, RefusedVersionsLeaveTheProfileUnchanged) {
  P.SetDeadband(4);
  P.SetY(70, 12);
  TSpedV4Device before;
  before.Assign(P);
  for (const std::string& content :
       {std::string("[Settings]\r\nVersion=3\r\n"), std::string("[Settings]\r\nVersion=four\r\n"), std::string(""),
        std::string("\x01\xff\xfe[\0\0]\n=\n", 10), std::string(100000, 'x')}) {
    const std::string file = Dir.File("v.spp");
    TTempDir::Write(file, content);
    EXPECT_EQ(P.LoadFromFile(file), 1);
    ExpectTable(P, before);
    EXPECT_EQ(P.GetDeadband(), 4);
  }
  EXPECT_EQ(P.LoadFromFile(Dir.File("missing.spp")), 1);
}

TEST_F(ProfileFile, TextInMemoryIsTheFileByteForByte) {
  P.SetDeadband(2);
  P.SetY(50, 77);
  P.SetFrequencies(9, 9);
  const std::string file = Dir.File("new.spp");
  P.SaveToFile(file);
  EXPECT_EQ(P.SaveToText(), TTempDir::Read(file));

  // Reading from text follows the file's rules: the same status and the same profile after it.
  std::string bad = DefaultHex();
  bad[7] = 'g';
  for (const std::string& content :
       {P.SaveToText(), std::string("[Settings]\r\nVersion=3\r\n"), std::string("chat text"),
        Spp("DB=9\r\nVersion=4\r\nFFQ=2.0k", bad), std::string("[settings]\nversion=4\n")}) {
    TSpedV4Device fromText, fromFile;
    fromText.SetY(40, 1);
    fromFile.SetY(40, 1);
    TTempDir::Write(file, content);
    EXPECT_EQ(fromText.LoadFromText(content), fromFile.LoadFromFile(file)) << content;
    EXPECT_EQ(fromText.SaveToText(), fromFile.SaveToText()) << content;
  }
}

TEST_F(ProfileFile, BadTablesKeepTheDefaultButApplyTheSettings) {
  const std::string file = Dir.File("bad.spp");
  std::string hex = DefaultHex();
  std::string notHex = hex;
  notHex[100] = 'G';
  std::string sameX = hex;
  sameX.replace(3 * 2 * 5, 2, sameX.substr(3 * 2 * 4, 2));  // entry 5 gets entry 4's X
  std::string fallingX = hex;
  fallingX.replace(3 * 2 * 95, 2, "00");
  for (const std::string& data : {hex.substr(0, 574), notHex, sameX, fallingX, std::string()}) {
    P.Clear();
    P.SetY(60, 9);
    TTempDir::Write(file, Spp("Version=4\r\nDB=2\r\nFFQ=4.5k\r\nBFQ=4.5k", data));
    ASSERT_EQ(P.LoadFromFile(file), 0);
    ExpectTable(P, Def);
    int f, b;
    P.GetFrequencies(f, b);
    EXPECT_EQ(P.GetDeadband(), 2);
    EXPECT_EQ(f, 7);
  }
}

TEST_F(ProfileFile, OutOfRangeLevelIsClamped) {
  const std::string file = Dir.File("db.spp");
  for (auto [text, level] : {std::pair{"9", 4}, std::pair{"-3", 0}, std::pair{"0x7fffffff", 4}}) {
    TTempDir::Write(file, Spp(std::string("Version=4\r\nDB=") + text, ""));
    ASSERT_EQ(P.LoadFromFile(file), 0);
    EXPECT_EQ(P.GetDeadband(), level) << text;
    P.SetDeadband(2);  // reads the loaded level's row: must stay inside the table
    EXPECT_EQ(P.GetDeadband(), 2);
  }
}

TEST_F(ProfileFile, NamesWithSpacesAndNonAsciiLetters) {
  const std::string file = Dir.File("Profil für Käfer 1.spp");
  P.SetY(44, 44);
  P.SaveToFile(file);
  TSpedV4Device q;
  q.Clear();
  ASSERT_EQ(q.LoadFromFile(file), 0);
  EXPECT_EQ(q.GetY(44), 44);
}

TEST_F(ProfileFile, FailedSaveKeepsTheOldFileAndSaysWhy) {
  // A read-only file is not replaced.
  const std::string file = Dir.File("ro.spp");
  TTempDir::Write(file, "old content");
  ::chmod(file.c_str(), 0444);
  try {
    P.SaveToFile(file);
    FAIL() << "saving over a read-only file succeeded";
  } catch (const EFileError& e) {
    EXPECT_NE(std::string(e.what()).find(file), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("Permission denied"), std::string::npos) << e.what();
  }
  EXPECT_EQ(TTempDir::Read(file), "old content");

  // A folder that does not exist.
  const std::string nowhere = Dir.File("no/such/folder/x.spp");
  try {
    P.SaveToFile(nowhere);
    FAIL() << "saving into a missing folder succeeded";
  } catch (const EFileError& e) {
    EXPECT_NE(std::string(e.what()).find("No such file or directory"), std::string::npos) << e.what();
  }

  // No temporary file is left behind.
  size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(Dir.Path())) files += entry.is_regular_file();
  EXPECT_EQ(files, 1u);
}

TEST_F(ProfileFile, ReadingSomethingThatIsNotAFileIsAnError) {
  P.SetY(70, 1);
  EXPECT_THROW(P.LoadFromFile(Dir.Path().string()), EFileError);
  EXPECT_THROW(P.SaveToFile(Dir.Path().string()), EFileError);
  EXPECT_EQ(P.GetY(70), 1);
}

TEST_F(ProfileFile, SavingThroughALinkReplacesTheTarget) {
  const std::string target = Dir.File("target.spp");
  const std::string link = Dir.File("link.spp");
  TTempDir::Write(target, "[Settings]\r\nVersion=4\r\n");
  std::filesystem::create_symlink(target, link);
  P.SetY(80, 80);
  P.SaveToFile(link);
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  TSpedV4Device q;
  q.Clear();
  ASSERT_EQ(q.LoadFromFile(target), 0);
  EXPECT_EQ(q.GetY(80), 80);
}

}  // namespace

namespace {

// The fuzzer reads and writes profiles from memory; the editor goes through real files. Both must
// give the same profile and the same bytes, for files that load, that are refused and that are
// missing.
TEST_F(ProfileFile, FileAndTextAgree) {
  const std::string file = Dir.File("same.spp");
  const std::string texts[] = {Spp("DB=3\r\nFFQ=2.0k\r\nVersion=4", DefaultHex()), Spp("Version=3", ""),
                               "[Mine]\r\nKey=1\r\n" + Spp("Version=4", ""), ""};
  for (const std::string& text : texts) {
    TSpedV4Device fromFile, fromText;
    fromFile.Clear();
    fromText.Clear();
    if (text.empty())
      ::unlink(file.c_str());
    else
      TTempDir::Write(file, text);
    EXPECT_EQ(fromFile.LoadFromFile(file), fromText.LoadFromText(text)) << text;
    ExpectTable(fromFile, fromText);
    EXPECT_EQ(fromFile.Deadband(), fromText.Deadband());
    fromFile.SetY(40, 7);
    fromFile.SaveToFile(file);
    fromText.SetY(40, 7);
    EXPECT_EQ(TTempDir::Read(file), fromText.SaveToText(text)) << text;
  }
}

}  // namespace
