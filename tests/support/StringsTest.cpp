#include <gtest/gtest.h>

#include "support/zuUtils.h"

using namespace zu;

TEST(Strings, LeadingCharacters) {
  EXPECT_EQ(IncludeLeadingChar("", '.'), ".");
  EXPECT_EQ(IncludeLeadingChar(".html", '.'), ".html");
  EXPECT_EQ(IncludeLeadingChar("html", '.'), ".html");
  EXPECT_EQ(IncludeLeadingBackslash("Software"), "\\Software");
  EXPECT_EQ(ExcludeLeadingBackslash("\\\\Software\\X"), "Software\\X");
  EXPECT_EQ(ExcludeLeadingChar("...", '.'), "");
  EXPECT_EQ(ExcludeLeadingChar("a.", '.'), "a.");
}

TEST(Strings, ReverseSearch) {
  EXPECT_EQ(PosR("ab", "xabyab"), 5);
  EXPECT_EQ(PosR("ab", "ab"), 1);
  EXPECT_EQ(PosR("", "ab"), 0);
  EXPECT_EQ(PosR("a", ""), 0);
  EXPECT_EQ(PosR("zz", "ab"), 0);
  EXPECT_EQ(PosRM({'/', '\\'}, "a/b\\c"), 4);
  EXPECT_EQ(PosRM({'/'}, "abc"), 0);
  std::string S = "a-b_c";
  ReplaceChars(S, ' ', {'-', '_'});
  EXPECT_EQ(S, "a b c");
}

TEST(Strings, URLEncode) {
  EXPECT_EQ(URLEncode("a b+c/d?e=f"), "a%20b%2Bc/d?e=f");
  EXPECT_EQ(URLEncode("\xE9"), "%E9");
  EXPECT_EQ(URLEncode("#%*<>:&"), "%23%25%2A%3C%3E:&");
  EXPECT_EQ(URLEncode(std::string("\x00\x1F\x7F", 3)), "%00%1F\x7F");
  EXPECT_EQ(URLEncode(""), "");
}

TEST(Strings, SplitStr) {
  std::string L, R;
  SplitStr("=", "name=value=x", L, R, LEFT, {});
  EXPECT_EQ(L, "name");
  EXPECT_EQ(R, "value=x");
  SplitStr("=", "name=value", L, R, LEFT, {LEFT, RIGHT});
  EXPECT_EQ(L, "name=");
  EXPECT_EQ(R, "=value");
  SplitStr("::", "a::b", L, R, LEFT, {RIGHT});
  EXPECT_EQ(L, "a");
  EXPECT_EQ(R, "::b");
  SplitStr("=", "novalue", L, R, LEFT, {LEFT});
  EXPECT_EQ(L, "novalue");
  EXPECT_EQ(R, "");
  SplitStr("=", "novalue", L, R, RIGHT, {});
  EXPECT_EQ(L, "");
  EXPECT_EQ(R, "novalue");
}

TEST(Strings, XORStrIsItsOwnInverse) {
  const std::string S("sec\x00ret\xFF", 8);
  const std::string X = XORStr(S, 0x5A);
  EXPECT_NE(X, S);
  EXPECT_EQ(X[0], static_cast<char>('s' ^ 0x5A));
  EXPECT_EQ(XORStr(X, 0x5A), S);
  EXPECT_EQ(XORStr(S, 0), S);
}

TEST(Strings, LocaleComparison) {
  EXPECT_EQ(CaseAnsiCompareText("abc", "ABC", false), 0);
  EXPECT_NE(CaseAnsiCompareText("abc", "ABC", true), 0);
  EXPECT_LT(CaseAnsiCompareText("apple", "banana", true), 0);
  EXPECT_GT(CaseAnsiCompareText("Zeta", "alpha", false), 0);
  EXPECT_EQ(CaseAnsiCompareText("\xC3\xA4", "\xC3\x84", false), 0);  // ä / Ä
}

TEST(Strings, TrimRemovesBlanksAndControls) {
  EXPECT_EQ(Trim(" \t\r\nx y\r\n "), "x y");
  EXPECT_EQ(TrimLeft("  x "), "x ");
  EXPECT_EQ(TrimRight("  x \n"), "  x");
  EXPECT_EQ(Trim(""), "");
}

TEST(SplitFilenameAndParams, Forms) {
  auto Split = [](std::string F) {
    std::string P = "untouched";
    SplitFilenameAndParams(F, P);
    return std::make_pair(F, P);
  };
  EXPECT_EQ(Split("\"C:\\Program Files\\b.exe\" -nohome \"%1\""),
            std::make_pair(std::string("C:\\Program Files\\b.exe"), std::string("-nohome %1")));
  EXPECT_EQ(Split("/usr/bin/firefox --new-window"),
            std::make_pair(std::string("/usr/bin/firefox"), std::string("--new-window")));
  EXPECT_EQ(Split("C:\\b.exe /c"), std::make_pair(std::string("C:\\b.exe"), std::string("/c")));
  EXPECT_EQ(Split("prog.exe,1"), std::make_pair(std::string("prog.exe"), std::string("1")));
  EXPECT_EQ(Split("prog.exe %1"), std::make_pair(std::string("prog.exe"), std::string("%1")));
  EXPECT_EQ(Split("  /usr/bin/x  "), std::make_pair(std::string("/usr/bin/x"), std::string("")));
  // A split that would cut the extension off is refused: "my -app.exe" stays whole.
  EXPECT_EQ(Split("C:\\my -app.exe"), std::make_pair(std::string("C:\\my -app.exe"), std::string("")));
  // A DLL run through RUNDLL: the program is the part before the first space of the name.
  EXPECT_EQ(Split("C:\\WINDOWS\\rundll32.exe shell32.dll,OpenAs"),
            std::make_pair(std::string("C:\\WINDOWS\\rundll32.exe"), std::string("shell32.dll,OpenAs")));
  // An empty command line leaves Params alone.
  EXPECT_EQ(Split("   "), std::make_pair(std::string(""), std::string("untouched")));
}
