#include <gtest/gtest.h>

#include <cmath>

#include "TestUtil.h"
#include "support/zuUtils.h"

using namespace zu;

namespace {

class InternetTime : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override { ::tzset(); }
  void TearDown() override { ::tzset(); }
};

// Whole seconds are what HTTP dates carry.
void ExpectSameSecond(TDateTime A, TDateTime B) {
  EXPECT_LT(std::fabs(A - B) * 86400.0, 0.001) << DateTimeToStr(A) << " vs " << DateTimeToStr(B);
}

const TDateTime Nov6 = EncodeDate(1994, 11, 6) + EncodeTime(8, 49, 37, 0);

}  // namespace

TEST_P(InternetTime, AllThreeFormsGiveTheSameInstant) {
  zutest::ScopedEnv Tz("TZ", GetParam());
  ::tzset();
  const TDateTime Local = GMTToLocalTime(Nov6);
  ExpectSameSecond(InternetTimeToDateTime("Sun, 06 Nov 1994 08:49:37 GMT"), Local);
  ExpectSameSecond(InternetTimeToDateTime("Sunday, 06-Nov-94 08:49:37 GMT"), Local);
  ExpectSameSecond(InternetTimeToDateTime("Sun Nov  6 08:49:37 1994"), Local);
  ExpectSameSecond(InternetTimeToDateTime("Sun, 06 Nov 1994 10:49:37 +0200"), Local);
  ExpectSameSecond(InternetTimeToDateTime("Sun, 06 Nov 1994 03:19:37 -0530"), Local);
  ExpectSameSecond(InternetTimeToDateTime("  sun, 06 nov 1994 08:49:37 gmt  "), Local);
  ExpectSameSecond(InternetTimeToDateTime("06 Nov 1994 08:49:37 GMT"), Local);
}

INSTANTIATE_TEST_SUITE_P(Zones, InternetTime, ::testing::Values("UTC0", "EST5", "IST-5:30"));

TEST(InternetTimeZone, LocalTimeFollowsTheZone) {
  zutest::ScopedEnv Tz("TZ", "EST5");
  ::tzset();
  EXPECT_EQ(LocalTimeBiasMinutes(), 300);
  ExpectSameSecond(InternetTimeToDateTime("Sun, 06 Nov 1994 08:49:37 GMT"),
                   EncodeDate(1994, 11, 6) + EncodeTime(3, 49, 37, 0));
  ExpectSameSecond(LocalTimeToGMT(GMTToLocalTime(Nov6)), Nov6);
  ::unsetenv("TZ");
}

TEST(InternetTimeForms, YearsDaysAndFallbacks) {
  zutest::ScopedEnv Tz("TZ", "UTC0");
  ::tzset();
  // Two-digit years: below 80 are 20xx, 80 to 99 are 19xx.
  ExpectSameSecond(InternetTimeToDateTime("Mon, 01-Jan-79 00:00:00 GMT"), EncodeDate(2079, 1, 1));
  ExpectSameSecond(InternetTimeToDateTime("Mon, 01-Jan-80 00:00:00 GMT"), EncodeDate(1980, 1, 1));
  // No time of day: midnight. Month name first: month then day.
  ExpectSameSecond(InternetTimeToDateTime("Nov 6 1994"), EncodeDate(1994, 11, 6));
  ExpectSameSecond(InternetTimeToDateTime("6 Nov 1994"), EncodeDate(1994, 11, 6));
  // An unreadable day is 1.
  ExpectSameSecond(InternetTimeToDateTime("xx Nov 1994 12:00:00"), EncodeDate(1994, 11, 1) + 0.5);
  // Short trailing text and an unknown sign are offset 0.
  ExpectSameSecond(InternetTimeToDateTime("06 Nov 1994 08:49:37 UT"), Nov6);
  ExpectSameSecond(InternetTimeToDateTime("06 Nov 1994 08:49:37 Z0200"), Nov6);
  ExpectSameSecond(InternetTimeToDateTime("06 Nov 1994 08:49:37 +02xx"), Nov6);
  ::unsetenv("TZ");
}

TEST(InternetTimeForms, GarbageIsZero) {
  for (const char* S : {"", "   ", "garbage", "Sun, 06 Foo 1994 08:49:37 GMT", "06 Nov abc 08:49:37",
                        "31 Feb 2001 00:00:00 GMT", "06 Nov 1994 25:00:00 GMT", "06 Nov 1994 08:61:00",
                        "Sun,", "-", "Nov"})
    EXPECT_EQ(InternetTimeToDateTime(S), 0) << '"' << S << '"';
}
