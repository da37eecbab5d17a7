#include <gtest/gtest.h>

#include "support/zuUtils.h"

using namespace zu;

TEST(ParseStr, KeysIgnoreCaseValuesKeepIt) {
  EXPECT_EQ(ParseStr("#URL=http://Host/A", "#url", false, ""), "http://Host/A");
  EXPECT_EQ(ParseStr("#url=http://Host/A", "#URL", false, ""), "http://Host/A");
}

TEST(ParseStr, SingleLineValueEndsAtControlCharacters) {
  EXPECT_EQ(ParseStr("#method=1\t; comment\n", "#method", false, ""), "1");
  EXPECT_EQ(ParseStr("#a=x y \r\n", "#a", false, ""), "x y ");
  EXPECT_EQ(ParseStr(std::string("#a=x\x01y", 7), "#a", false, ""), "x");
  // High bytes are no control characters.
  EXPECT_EQ(ParseStr("#a=caf\xC3\xA9\n", "#a", false, ""), "caf\xC3\xA9");
}

TEST(ParseStr, BlankBeforeEqualsIsNotTheKey) {
  EXPECT_EQ(ParseStr("#version = 1.2\n", "#version", false, ""), "");
  EXPECT_EQ(ParseStr("#version= 1.2\n", "#version", false, ""), " 1.2");
  EXPECT_EQ(VersionCheck(" 1.2", "1.1"), 1);  // the first part still converts
}

TEST(ParseStr, MultiLineKeepsControlCharactersAndEndsAtBrace) {
  EXPECT_EQ(ParseStr("#message={a\r\n\tb}c}", "#message", true, ""), "a\r\n\tb");
  EXPECT_EQ(ParseStr("#message={}", "#message", true, "def"), "def");
  EXPECT_EQ(ParseStr("#message={abc", "#message", true, ""), "abc");
}

TEST(ParseStr, DefaultOnlyForEmptyValue) {
  EXPECT_EQ(ParseStr("", "#a", false, "d"), "d");
  EXPECT_EQ(ParseStr("#a=\n", "#a", false, "d"), "d");
  EXPECT_EQ(ParseStr("#a=v", "#a", false, "d"), "v");
  EXPECT_EQ(ParseStr("#a=", "#a", false, ""), "");
}

TEST(ParseStr, FirstOccurrenceAnywhereCounts) {
  EXPECT_EQ(ParseStr("x#a=1 #a=2", "#a", false, ""), "1 #a=2");
  EXPECT_EQ(ParseStr("##a=1", "#a", false, ""), "1");
  // The key is a plain substring: #url matches inside #url2= only with its "=".
  EXPECT_EQ(ParseStr("#url2=B\n#url=A\n", "#url", false, ""), "A");
}

TEST(ParseStr, IntegerForm) {
  EXPECT_EQ(ParseStr("#n=42\n", "#n", 7), 42);
  EXPECT_EQ(ParseStr("#n=-3", "#n", 7), -3);
  EXPECT_EQ(ParseStr("#n=4x\n", "#n", 7), 7);
  EXPECT_EQ(ParseStr("", "#n", 7), 7);
  EXPECT_EQ(ParseStr("#n=$1F", "#n", 0), 31);
}

TEST(TryStrToInt, PlatformConversion) {
  int V = 0;
  EXPECT_TRUE(TryStrToInt("  12", V));
  EXPECT_EQ(V, 12);
  EXPECT_TRUE(TryStrToInt("+5", V));
  EXPECT_EQ(V, 5);
  EXPECT_TRUE(TryStrToInt("0x10", V));
  EXPECT_EQ(V, 16);
  EXPECT_TRUE(TryStrToInt("2147483647", V));
  EXPECT_TRUE(TryStrToInt("-2147483648", V));
  EXPECT_EQ(V, INT32_MIN);
  EXPECT_FALSE(TryStrToInt("2147483648", V));
  EXPECT_FALSE(TryStrToInt("", V));
  EXPECT_FALSE(TryStrToInt(" ", V));
  EXPECT_FALSE(TryStrToInt("-", V));
  EXPECT_FALSE(TryStrToInt("12 ", V));
  EXPECT_FALSE(TryStrToInt("1.5", V));
  EXPECT_FALSE(TryStrToInt("99999999999999999999", V));
}

TEST(VersionCheck, NumericParts) {
  EXPECT_EQ(VersionCheck("1.0.0.2", "1.0.0.2"), 0);
  EXPECT_EQ(VersionCheck("1.1", "1.0.9.9"), 1);
  EXPECT_EQ(VersionCheck("1.0.0.9", "1.0.0.10"), -1);
  EXPECT_EQ(VersionCheck("1.0", "1.0.0.0"), 0);
  EXPECT_EQ(VersionCheck("2", "1.9.9.9"), 1);
  // Parts after the fourth are ignored.
  EXPECT_EQ(VersionCheck("1.2.3.4.5", "1.2.3.4.9"), 0);
}

TEST(VersionCheck, UnreadablePartFallsBackToByteComparison) {
  EXPECT_EQ(VersionCheck("1.0a", "1.0"), 1);
  EXPECT_EQ(VersionCheck("1.0", "1.0a"), -1);
  EXPECT_EQ(VersionCheck("", "1.0"), -1);
  EXPECT_EQ(VersionCheck("", ""), 0);
  EXPECT_EQ(VersionCheck("1..2", "1..2"), 0);
  // A part written -1 reads as unreadable: "1.-1" against "1.0" compares '-' with '0'.
  EXPECT_EQ(VersionCheck("1.-1", "1.0"), -1);
  // Bytes compare unsigned.
  EXPECT_EQ(VersionCheck("1.\xE9", "1.a"), 1);
  // The first differing part decides before a later unreadable one is reached.
  EXPECT_EQ(VersionCheck("2.x", "1.0"), 1);
}

TEST(ParseText, BetweenTagsAndCutting) {
  std::string T = "head <b> bold </b> tail";
  EXPECT_EQ(ParseText("<b>", "</b>", T, false, false, false), " bold ");
  EXPECT_EQ(T, "head <b> bold </b> tail");
  EXPECT_EQ(ParseText("<b>", "</b>", T, true, false, true), "bold");
  EXPECT_EQ(T, " tail");
  std::string U = "x <B>Y</B>";
  EXPECT_EQ(ParseText("<b>", "</b>", U, false, false, false), "");
  EXPECT_EQ(ParseText("<b>", "</b>", U, false, true, false), "Y");
  std::string V = "<a>no end";
  EXPECT_EQ(ParseText("<a>", "</a>", V, true, false, false), "");
  EXPECT_EQ(V, "<a>no end");
  // The end tag is searched after the start tag only.
  std::string W = "</a><a>x</a>";
  EXPECT_EQ(ParseText("<a>", "</a>", W, false, false, false), "x");
  // Locale-aware case folding outside ASCII.
  std::string X = "\xC3\x84rger [\xC3\x96L]inhalt[/\xC3\xB6l]";
  EXPECT_EQ(ParseText("[\xC3\xB6l]", "[/\xC3\x96L]", X, false, true, false), "inhalt");
}
