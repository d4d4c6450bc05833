// Reading and writing rules of the INI-style text and the hexadecimal codec.
#include <gtest/gtest.h>

#include "IniText.h"

namespace {

TEST(IniText, LineEndsTrimmingAndComments) {
  const TIniText ini =
      TIniText::Parse("before=dropped\r\n [ One ] \r\n\tKey = v 1 \r;comment\n\n  noequals  \r\nK2==x=\n[two]\nA=1");
  ASSERT_EQ(ini.Sections().size(), 2u);
  EXPECT_EQ(ini.Sections()[0].Name, "One");
  ASSERT_EQ(ini.Sections()[0].Lines.size(), 3u);
  EXPECT_EQ(ini.Read("one", "KEY"), "v 1");
  EXPECT_FALSE(ini.Sections()[0].Lines[1].HasValue);
  EXPECT_EQ(ini.Sections()[0].Lines[1].Name, "noequals");
  EXPECT_EQ(ini.Read("One", "k2"), "=x=");
  EXPECT_EQ(ini.Read("Two", "a"), "1");
  EXPECT_EQ(ini.Read("One", "before"), std::nullopt);
  EXPECT_EQ(ini.Read("Three", "a"), std::nullopt);
}

TEST(IniText, LastDuplicateIsReadAndOverwritten) {
  TIniText ini = TIniText::Parse("[S]\nk=1\nK=2\n[s]\nk=3\nk=4\n");
  EXPECT_EQ(ini.Read("S", "k"), "4");
  ini.Write("S", "K", "5");
  EXPECT_EQ(ini.Render(), "[S]\r\nk=1\r\nK=2\r\n\r\n[s]\r\nk=3\r\nK=5\r\n\r\n");
  ini.Write("S", "New", "6");
  ini.Write("Other", "x", "");
  EXPECT_EQ(ini.Render(), "[S]\r\nk=1\r\nK=2\r\n\r\n[s]\r\nk=3\r\nK=5\r\nNew=6\r\n\r\n[Other]\r\nx=\r\n\r\n");
}

TEST(IniText, Integers) {
  struct Case {
    const char* text;
    std::optional<int32_t> value;
  } cases[] = {{"42", 42},
               {"+7", 7},
               {"-12", -12},
               {"$1F", 31},
               {"0x10", 16},
               {"0XfF", 255},
               {"$FFFFFFFF", -1},
               {"2147483647", 2147483647},
               {"-2147483648", INT32_MIN},
               {"2147483648", std::nullopt},
               {"", std::nullopt},
               {"-", std::nullopt},
               {"$", std::nullopt},
               {"0x", std::nullopt},
               {"4a", std::nullopt},
               {"1 2", std::nullopt},
               {"-$5", std::nullopt},
               {"$123456789", std::nullopt},
               {"99999999999999999999", std::nullopt}};
  for (const Case& c : cases) EXPECT_EQ(ParseIniInteger(c.text), c.value) << c.text;
  const TIniText ini = TIniText::Parse("[S]\nbad=x\nempty=\n");
  EXPECT_EQ(ini.ReadInteger("S", "bad", 5), 5);
  EXPECT_EQ(ini.ReadInteger("S", "empty", 6), 6);
  EXPECT_EQ(ini.ReadInteger("S", "missing", 7), 7);
}

TEST(IniText, Hex) {
  const uint8_t bytes[] = {0x00, 0xFF, 0x0A, 0xa5};
  EXPECT_EQ(HexEncode(bytes, 4), "00FF0AA5");
  EXPECT_EQ(HexDecode("00ff0Aa5"), (std::vector<uint8_t>{0x00, 0xFF, 0x0A, 0xA5}));
  EXPECT_EQ(HexDecode("0A1"), (std::vector<uint8_t>{0x0A}));
  EXPECT_EQ(HexDecode("0G"), std::nullopt);
  EXPECT_EQ(HexDecode(" 1"), std::nullopt);
}

}  // namespace
