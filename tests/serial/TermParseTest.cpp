#include "ComPort.h"
#include "TermParse.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

struct TTermCase {
  const char* Text;
  TTermParse Result;
  std::string Bytes;
};

TEST(Terminator, TextIsReadPartByPart) {
  const TTermCase cases[] = {
      {"#13#10", TTermParse::tpOK, "\r\n"},
      {"#65#66#67", TTermParse::tpOK, "ABC"},
      {"#13#", TTermParse::tpOK, "\r"},
      {"13#10", TTermParse::tpOK, std::string("\x03\n")},  // the first character goes, whatever it is
      {"#300", TTermParse::tpOK, std::string(1, static_cast<char>(44))},
      {"#0", TTermParse::tpOK, std::string(1, '\0')},
      {"#-1", TTermParse::tpOK, std::string(1, static_cast<char>(255))},
      {"", TTermParse::tpEmpty, ""},
      {"#", TTermParse::tpEmpty, ""},
      {"#13##10", TTermParse::tpIllegal, "\r\n"},
      {"#13#x", TTermParse::tpIllegal, "\r\n"},
      {"#65#1x", TTermParse::tpIllegal, "\r\n"},
      {"# 13", TTermParse::tpIllegal, "\r\n"},
      {"#+-5", TTermParse::tpIllegal, "\r\n"},
      {"#99999999999", TTermParse::tpIllegal, "\r\n"},
  };
  for (const auto& c : cases) {
    std::string bytes = "junk";
    EXPECT_EQ(ParseTerminator(c.Text, bytes), c.Result) << c.Text;
    EXPECT_EQ(bytes, c.Bytes) << c.Text;
  }
}

TEST(Terminator, TextFormIsHashAndDecimalCode) {
  EXPECT_EQ(FormatTerminator("\r\n"), "#13#10");
  EXPECT_EQ(FormatTerminator(std::string("\0\xff", 2)), "#0#255");
  EXPECT_EQ(FormatTerminator(""), "");
}

TEST(Terminator, ComponentKeepsBytesInStepWithText) {
  TComPort port;
  EXPECT_EQ(port.Terminator(), "#13#10");
  port.SetTerminator("#65#66");
  EXPECT_EQ(port.Terminator(), "#65#66");
  try {
    port.SetTerminator("#13#x");
    FAIL() << "no error";
  } catch (const EComError& e) {
    EXPECT_STREQ(e.what(), "Illegal terminator string.\rformat : #<asciicode>#<asciicode>#<...>\rexample: #13#10");
  }
  EXPECT_EQ(port.Terminator(), "#13#10");
  try {
    port.SetTerminator("#");
    FAIL() << "no error";
  } catch (const EComError& e) {
    EXPECT_STREQ(e.what(), "Terminator string cannot be empty!");
  }
  EXPECT_EQ(port.Terminator(), "");
}

TEST(Chunking, TakesOneChunkWithItsTerminator) {
  std::string buffer = "AB\r\nCD\r\n";
  std::string chunk;
  ASSERT_TRUE(TakeChunk(buffer, "\r\n", chunk));
  EXPECT_EQ(chunk, "AB\r\n");
  EXPECT_EQ(buffer, "CD\r\n");
  ASSERT_TRUE(TakeChunk(buffer, "\r\n", chunk));
  EXPECT_EQ(chunk, "CD\r\n");
  EXPECT_EQ(buffer, "");
}

TEST(Chunking, IncompleteOrNoTerminatorLeavesBuffer) {
  std::string buffer = "AB\r";
  std::string chunk = "old";
  EXPECT_FALSE(TakeChunk(buffer, "\r\n", chunk));
  EXPECT_EQ(buffer, "AB\r");
  EXPECT_FALSE(TakeChunk(buffer, "", chunk));
  EXPECT_EQ(buffer, "AB\r");
  buffer = "\r\nX";
  ASSERT_TRUE(TakeChunk(buffer, "\r\n", chunk));
  EXPECT_EQ(chunk, "\r\n");
  EXPECT_EQ(buffer, "X");
}

// A buffer that grows piece by piece, searched only where it is new: a terminator split across
// pieces and a chunk waiting behind another (taken by the next, empty, piece) must both be found.
TEST(Chunking, GrowingBufferFindsWhatTheWholeSearchFinds) {
  const std::vector<std::string> pieces = {"AB\r", "\nCD", "\r", "\nEF\r\n", "", "G\rH\r", "\n"};
  const std::vector<std::string> expected = {"AB\r\n", "CD\r\n", "EF\r\n", "G\rH\r\n"};
  std::string buffer;
  std::vector<std::string> chunks;
  size_t searched = 0;
  for (const std::string& piece : pieces) {
    buffer += piece;
    std::string chunk;
    if (TakeChunk(buffer, "\r\n", chunk, searched)) chunks.push_back(chunk);
  }
  EXPECT_EQ(chunks, expected);
  EXPECT_EQ(buffer, "");
}

}  // namespace
