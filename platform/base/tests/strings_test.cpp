#include "platform/base/strings.h"

#include <gtest/gtest.h>

#include <cstring>

namespace platform {
namespace {

TEST(Strings, CaseChangesTouchOnlyAsciiLetters) {
  EXPECT_EQ(ToUpperAscii("abc-XYZ 09 é"), "ABC-XYZ 09 é");
  EXPECT_EQ(ToLowerAscii("ABC-xyz 09 É"), "abc-xyz 09 É");
  EXPECT_EQ(ToUpperAscii(""), "");
}

TEST(Strings, CompareWithoutCase) {
  EXPECT_TRUE(EqualsNoCase("Vidarro5UI.DLL", "vidarro5ui.dll"));
  EXPECT_FALSE(EqualsNoCase("abc", "abcd"));
  EXPECT_FALSE(EqualsNoCase("É", "é"));  // ASCII-only rules
  EXPECT_EQ(CompareNoCase("apple", "APPLE"), 0);
  EXPECT_LT(CompareNoCase("apple", "Banana"), 0);
  EXPECT_GT(CompareNoCase("b", "A"), 0);
  EXPECT_LT(CompareNoCase("ab", "ABC"), 0);
  EXPECT_GT(CompareNoCase("abc", "AB"), 0);
  // Bytes above 127 sort after ASCII, as with strcmp on unsigned bytes.
  EXPECT_GT(CompareNoCase("\xc3\xa9", "z"), 0);
  EXPECT_TRUE(EndsWithNoCase("clip.MTS", ".mts"));
  EXPECT_TRUE(EndsWithNoCase(".dll", ".DLL"));
  EXPECT_FALSE(EndsWithNoCase("ts", ".ts"));  // shorter than the end
  EXPECT_FALSE(EndsWithNoCase("clip.m2ts.bak", ".m2ts"));
}

TEST(Strings, FindWithoutCase) {
  EXPECT_EQ(FindNoCase("Open type=DVD;", "TYPE="), 5u);
  EXPECT_EQ(FindNoCase("aAaA", "aa", 1), 1u);
  EXPECT_EQ(FindNoCase("aAaA", "aa", 3), std::string::npos);
  EXPECT_EQ(FindNoCase("abc", "abcd"), std::string::npos);
  EXPECT_EQ(FindNoCase("abc", "x"), std::string::npos);
  EXPECT_EQ(FindNoCase("abc", ""), 0u);
  EXPECT_EQ(FindNoCase("abc", "", 3), 3u);
  EXPECT_EQ(FindNoCase("abc", "", 4), std::string::npos);
}

TEST(Strings, TrimRemovesBlanksTabsAndLineEnds) {
  EXPECT_EQ(Trim(" \t\r\n key = v \r\n"), "key = v");
  EXPECT_EQ(TrimLeft("\t x "), "x ");
  EXPECT_EQ(TrimRight("\t x \n"), "\t x");
  EXPECT_EQ(Trim(" \r\n\t "), "");
  EXPECT_EQ(Trim("a\vb"), "a\vb");
}

TEST(Strings, FormatHandlesShortLongAndEmbeddedText) {
  EXPECT_EQ(Format("DVD_%02d%02d%02d", 9, 5, 7), "DVD_090507");
  EXPECT_EQ(Format("%s", ""), "");
  const std::string big(1000, 'x');
  EXPECT_EQ(Format("[%s]", big.c_str()), "[" + big + "]");
  EXPECT_EQ(Format("%lld %.2f %c", 1LL << 40, 2.5, 'z'), "1099511627776 2.50 z");
}

TEST(Strings, CopyToBufferCutsToTheBufferAndAlwaysTerminates) {
  char buffer[6];
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(CopyToBuffer("abc", buffer, sizeof buffer), 3);
  EXPECT_STREQ(buffer, "abc");
  EXPECT_EQ(CopyToBuffer("abcdefgh", buffer, sizeof buffer), 5);
  EXPECT_STREQ(buffer, "abcde");
  EXPECT_EQ(CopyToBuffer("xyz", buffer, 1), 0);
  EXPECT_STREQ(buffer, "");
  // No room at all: the buffer is left alone.
  buffer[0] = '#';
  EXPECT_EQ(CopyToBuffer("xyz", buffer, 0), 0);
  EXPECT_EQ(CopyToBuffer("xyz", buffer, -4), 0);
  EXPECT_EQ(buffer[0], '#');
  EXPECT_EQ(CopyToBuffer("xyz", nullptr, 8), 0);
  // Embedded NULs are copied as they stand.
  EXPECT_EQ(CopyToBuffer(std::string_view("a\0b", 3), buffer, sizeof buffer), 3);
  EXPECT_EQ(std::memcmp(buffer, "a\0b\0", 4), 0);
}

}  // namespace
}  // namespace platform

TEST(Strings, LineBreakCodingKeepsEveryByteAndLeavesPlainTextAlone) {
  const std::string plain = "/home/a/Holiday 100% -x.mpg";
  EXPECT_FALSE(platform::HasLineBreak(plain));
  EXPECT_EQ(platform::DecodeLineBreaks(platform::EncodeLineBreaks(plain)), plain);
  std::string every;
  for (int c = 1; c < 256; ++c) every += static_cast<char>(c);
  const std::string coded = platform::EncodeLineBreaks(every);
  EXPECT_FALSE(platform::HasLineBreak(coded));
  EXPECT_EQ(platform::DecodeLineBreaks(coded), every);
  EXPECT_EQ(platform::EncodeLineBreaks("a\r\nb%"), "a%0D%0Ab%25");
  // A '%' that starts no code (text written by hand, or cut short) stays as it is.
  EXPECT_EQ(platform::DecodeLineBreaks("50%x %4"), "50%x %4");
}
