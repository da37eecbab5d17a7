// The unit's other routines whose behaviour is stated, by family: string parts, markup and
// URLs, numbers and sizes, dates.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/framework/Lists.h"
#include "support/zuUtils.h"

using namespace zu;

TEST(UtilsStrings, PartsAndSearching) {
  EXPECT_EQ(LeftPart("=", "key=a=b"), "key");
  EXPECT_EQ(RightPart("=", "key=a=b"), "a=b");
  EXPECT_EQ(LeftPartR("=", "key=a=b"), "key=a");
  EXPECT_EQ(RightPartR("=", "key=a=b"), "b");
  EXPECT_EQ(LeftPart(";", "none"), "none");
  EXPECT_EQ(RightPart(";", "none"), "");
  EXPECT_EQ(MiddlePart("<", ">", "a<bc>d>"), "bc");
  EXPECT_EQ(MiddlePart("<", ">", "a<bc"), "");
  EXPECT_EQ(PosCase("AB", "xaBab", false), 2);
  EXPECT_EQ(PosCase("AB", "xaBab", true), 0);
  EXPECT_EQ(PosCase("ab", "xaBab", true, 3), 4);
  EXPECT_EQ(PosCase("ab", "ab", false, 9), 0);
  EXPECT_TRUE(IsTokenExists("gzip", "deflate, GZIP ;br"));
  EXPECT_FALSE(IsTokenExists("zip", "deflate, gzip"));
  EXPECT_TRUE(IsSubStrExists("ZIP", "gzip"));
  EXPECT_FALSE(IsSubStrExists("ZIP", "gzip", true));
  TStringList L;
  EXPECT_EQ(StrToStrList("a||b|", "|", L), 4);
  ASSERT_EQ(L.Count(), 4);
  EXPECT_EQ(L.Strings(1), "");
  EXPECT_EQ(L.Strings(2), "b");
  EXPECT_EQ(StrToStrList("", "|", L), 0);
}

TEST(UtilsStrings, StripTagsDecodesReferencesAndTheNamedEntities) {
  EXPECT_EQ(StripTags("<p class=\"x\">Fish &amp; <b>chips</b></p>"), "Fish & chips");
  EXPECT_EQ(StripTags("&quot;q&quot; &lt;tag&gt;&nbsp;x"), "\"q\" <tag> x");
  EXPECT_EQ(StripTags("&copy;&reg;"), "\xC2\xA9\xC2\xAE");
  EXPECT_EQ(StripTags("&#65;&#66;C &#233;"), "ABC \xC3\xA9");
  EXPECT_EQ(StripTags("&#;&unknown; a < b"), "&#;&unknown; a < b") << "not entities, and an unclosed < is text";
  EXPECT_EQ(ESC("a<b & \"c\">"), "a&lt;b &amp; &quot;c&quot;&gt;");
  EXPECT_EQ(StripTags(ESC("<x> & \"y\"")), "<x> & \"y\"");
}

TEST(UtilsStrings, URLDecodeUndoesURLEncode) {
  const std::string S = "a b+c/d?e=f%\xE9\x01";
  EXPECT_EQ(URLDecode(URLEncode(S)), S);
  EXPECT_EQ(URLDecode("a+b%20c%2b"), "a b c+");
  EXPECT_EQ(URLDecode("100%"), "100%");
  EXPECT_EQ(URLDecode("%zz%4"), "%zz%4");
  EXPECT_TRUE(IsValidEmail("first.last+tag@mail.example.org"));
  for (const char* Bad : {"", "plain", "a@b", "a@@b.org", "a b@c.org", "a..b@c.org", "@c.org", "a@-c.org"})
    EXPECT_FALSE(IsValidEmail(Bad)) << Bad;
}

TEST(UtilsNumbers, ConversionsAndTheirFailures) {
  EXPECT_EQ(DecToHex(255), "FF");
  EXPECT_EQ(DecToHex(255, 4), "00FF");
  EXPECT_EQ(HexToDec("ff"), 255);
  EXPECT_EQ(HexToDec("0x1A"), 26);
  EXPECT_EQ(HexToDec("$10"), 16);
  EXPECT_EQ(HexToDec("G1"), -1);
  EXPECT_EQ(HexToDec(""), -1);
  EXPECT_EQ(DecToBin(5, 8), "00000101");
  EXPECT_EQ(DecToBin(0), "0");
  EXPECT_EQ(BinToDec("101"), 5);
  EXPECT_EQ(BinToDec("102"), -1);
  EXPECT_EQ(DecToRoman(1994), "MCMXCIV");
  EXPECT_EQ(DecToRoman(3999), "MMMCMXCIX");
  EXPECT_EQ(DecToRoman(0), "");
  EXPECT_EQ(DecToRoman(4000), "");
  EXPECT_EQ(ColorToHTML(0x0080FF), "#FF8000");
  EXPECT_EQ(ColorToHTML(-16), "") << "a system colour has no fixed value";
  EXPECT_DOUBLE_EQ(StrToFloatDef("3,25", -1), 3.25);
  EXPECT_DOUBLE_EQ(StrToFloatDef(" -0.5 ", -1), -0.5);
  for (const char* Bad : {"", "1.2.3", "abc", "1e", "inf", "nan", "0x10", "1 2"})
    EXPECT_DOUBLE_EQ(StrToFloatDef(Bad, 7), 7) << Bad;
  EXPECT_EQ(FloatToStrDigits(3.14159, 2), "3.14");
  EXPECT_EQ(FloatToStrDigits(2.5, 3), "2.5");
  EXPECT_EQ(FloatToStrDigits(-0.0001, 2), "0");
  EXPECT_EQ(PriceToStr(1234567.5), "1,234,567.50");
  EXPECT_EQ(PriceToStr(-12.346), "-12.35");
  EXPECT_EQ(PriceToStr(999), "999.00");
}

TEST(UtilsNumbers, FileSizeToStrBytesKilobytesMegabytes) {
  EXPECT_EQ(FileSizeToStr(0), "0");
  EXPECT_EQ(FileSizeToStr(1023), "1023");
  EXPECT_EQ(FileSizeToStr(1024), "1.0 KB");
  EXPECT_EQ(FileSizeToStr(1536), "1.5 KB");
  EXPECT_EQ(FileSizeToStr(1024 * 1024 - 1), "1024.0 KB");
  EXPECT_EQ(FileSizeToStr(1024 * 1024), "1.00 MB");
  EXPECT_EQ(FileSizeToStr(2359296), "2.25 MB");
  EXPECT_EQ(FileSizeToStr(-1), "?");
  EXPECT_EQ(FileSizeToStr(512, "bytes", "KB", "MB"), "512 bytes");
  EXPECT_EQ(FileSizeToStr(3 * 1024 * 1024, "B", "KiB", "MiB"), "3.00 MiB");
  EXPECT_EQ(FileSizeToStr(-1, "B", "KiB", "MiB"), "?");
}

TEST(UtilsDates, InternetTimeRoundTripsAndSqlForms) {
  const TDateTime Local = GMTToLocalTime(EncodeDate(1994, 11, 6) + EncodeTime(8, 49, 37, 0));
  EXPECT_EQ(DateTimeToInternetTime(Local), "Sun, 06 Nov 1994 08:49:37 GMT");
  EXPECT_TRUE(SameDateTime(InternetTimeToDateTime(DateTimeToInternetTime(Local)), Local));
  const TDateTime D = EncodeDate(2024, 2, 29) + EncodeTime(23, 5, 9, 0);
  EXPECT_EQ(DateTimeToSQLDateTime(D), "2024-02-29 23:05:09");
  EXPECT_EQ(DateTimeToSQLDate(D), "2024-02-29");
  EXPECT_EQ(DateTimeToSQLTime(D), "23:05:09");
  EXPECT_TRUE(SameDateTime(SQLDateTimeToDateTime("2024-02-29 23:05:09"), D));
  EXPECT_EQ(SQLDateTimeToDateTime("2023-02-29 23:05:09"), 0) << "no such day";
  EXPECT_EQ(SQLDateTimeToDateTime("2024-02-29"), 0);
  EXPECT_EQ(DateTimeToStrNoSeconds(D), "2024-02-29 23:05");
  EXPECT_EQ(DateTimeToLongString(D), "Thursday, 29 February 2024 23:05:09");
  EXPECT_TRUE(SameDateTime(StrToDateTimeDef("02/29/2024 23:05:09", 0), D));
  EXPECT_TRUE(SameDateTime(StrToDateTimeDef("2024-02-29", 0), EncodeDate(2024, 2, 29)));
  EXPECT_EQ(StrToDateTimeDef("29.02.2024", -1), -1);
  EXPECT_TRUE(SameDateTime(StrToDateTimeDefFormat("29.02.24 23h05", "dd.mm.yy hhhnn", -1),
                           EncodeDate(2024, 2, 29) + EncodeTime(23, 5, 0, 0)));
  EXPECT_EQ(StrToDateTimeDefFormat("29.02.24x", "dd.mm.yy", -1), -1);
  EXPECT_EQ(DaysPerMonth(2023, 2), 28);
  EXPECT_EQ(DaysPerMonth(2024, 13), 0);
}

TEST(UtilsDates, SecondsTextsAndCalendarQuestions) {
  EXPECT_EQ(SecondsToString(3725), "1:02:05");
  EXPECT_EQ(SecondsToString(59), "0:00:59");
  EXPECT_EQ(SecondsToStringExt(2 * 86400 + 3725), "2 days 1:02:05");
  EXPECT_EQ(SecondsToStringExt(86400), "1 day 0:00:00");
  EXPECT_EQ(SecToStr(125), "2:05");
  EXPECT_EQ(SecToStr(3725), "1:02:05");
  EXPECT_EQ(StrToSec("1:02:05"), 3725);
  EXPECT_EQ(StrToSec("2:05"), 125);
  EXPECT_EQ(StrToSec("75"), 75);
  for (const char* Bad : {"", "1:60", "a:00", "1::2", "1:2:3:4"}) EXPECT_EQ(StrToSec(Bad), -1) << Bad;
  EXPECT_EQ(StrToSec(SecToStr(4000)), 4000);

  const TDateTime Wed = EncodeDate(2024, 5, 15) + EncodeTime(12, 0, 0, 0);  // a Wednesday
  EXPECT_EQ(GroupDateTime(Wed - 0.25, Wed), "Today");
  EXPECT_EQ(GroupDateTime(Wed - 1, Wed), "Yesterday");
  EXPECT_EQ(GroupDateTime(Wed + 1, Wed), "Tomorrow");
  EXPECT_EQ(GroupDateTime(Wed + 3, Wed), "Later");
  EXPECT_EQ(GroupDateTime(Wed - 2, Wed), "This week") << "Monday";
  EXPECT_EQ(GroupDateTime(Wed - 3, Wed), "Last week") << "Sunday";
  EXPECT_EQ(GroupDateTime(Wed - 9, Wed), "Last week") << "its Monday";
  EXPECT_EQ(GroupDateTime(Wed - 10, Wed), "This month");
  EXPECT_EQ(GroupDateTime(Wed - 12, Wed), "This month");
  EXPECT_EQ(GroupDateTime(Wed - 40, Wed), "Older");
  EXPECT_EQ(GetAge(EncodeDate(2000, 5, 16), Wed), 23);
  EXPECT_EQ(GetAge(EncodeDate(2000, 5, 15), Wed), 24);
  EXPECT_EQ(GetMinutesValue(EncodeTime(10, 42, 7, 0)), 42);
  EXPECT_EQ(GetSecondsValue(EncodeTime(10, 42, 7, 0)), 7);
  EXPECT_EQ(GetDateFromDateTime(Wed), EncodeDate(2024, 5, 15));
  EXPECT_DOUBLE_EQ(GetTimeFromDateTime(Wed), 0.5);
  EXPECT_EQ(DateTimeToSeconds(1.5), 129600);
  EXPECT_EQ(SecondsBetween(Wed, Wed + EncodeTime(0, 1, 1, 0)), 61);
  EXPECT_TRUE(IsToday(Now()));
  EXPECT_TRUE(IsYesterday(Now() - 1));
  EXPECT_TRUE(IsTomorrow(Now() + 1));
  EXPECT_FALSE(IsToday(Now() + 1));
  EXPECT_LT(std::fabs(LocalTimeToGMT(Now()) - GMT()), 1.0 / 86400);
  EXPECT_EQ(LocalTimeBiasInMinutes(), LocalTimeBiasMinutes());
  int Y, M, Dd;
  DecodeDate(Now(), Y, M, Dd);
  EXPECT_EQ(CurrentYear(), Y);
}
