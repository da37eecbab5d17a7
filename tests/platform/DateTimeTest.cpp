#include <gtest/gtest.h>

#include <cmath>

#include "platform/framework/DateTime.h"
#include "platform/framework/Exceptions.h"

using namespace zu;

TEST(DateTime, DayCountsOfTheFramework) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
  EXPECT_EQ(EncodeDate(1900, 1, 1), 2);
  EXPECT_EQ(EncodeDate(1970, 1, 1), UnixDateDelta);
  EXPECT_EQ(EncodeDate(2008, 2, 19), 39497);
  EXPECT_EQ(EncodeDate(1, 1, 1), -693593);
  EXPECT_DOUBLE_EQ(EncodeTime(12, 0, 0, 0), 0.5);
}

TEST(DateTime, DecodeIsTheInverseAcrossLeapRules) {
  for (const int Y : {1, 4, 100, 400, 1600, 1899, 1900, 2000, 2004, 2100, 9999})
    for (const int M : {1, 2, 3, 12}) {
      const int Dd = DaysInMonth(Y, M);
      int Y2, M2, D2;
      DecodeDate(EncodeDate(Y, M, Dd), Y2, M2, D2);
      EXPECT_EQ(Y2, Y);
      EXPECT_EQ(M2, M);
      EXPECT_EQ(D2, Dd);
    }
  int H, Mi, S, Ms;
  DecodeTime(EncodeDate(2000, 1, 1) + EncodeTime(23, 59, 58, 999), H, Mi, S, Ms);
  EXPECT_EQ(H, 23);
  EXPECT_EQ(Mi, 59);
  EXPECT_EQ(S, 58);
  EXPECT_EQ(Ms, 999);
}

TEST(DateTime, InvalidDatesAndTimes) {
  TDateTime T;
  EXPECT_FALSE(TryEncodeDate(2001, 2, 29, T));
  EXPECT_TRUE(TryEncodeDate(2000, 2, 29, T));
  EXPECT_FALSE(TryEncodeDate(1900, 2, 29, T));
  EXPECT_FALSE(TryEncodeDate(0, 1, 1, T));
  EXPECT_FALSE(TryEncodeDate(10000, 1, 1, T));
  EXPECT_FALSE(TryEncodeDate(2000, 13, 1, T));
  EXPECT_FALSE(TryEncodeDate(2000, 4, 31, T));
  EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, T));
  EXPECT_THROW(EncodeDate(2000, 0, 1), EConvertError);
}

TEST(DateTime, UnixConversionAndNow) {
  EXPECT_DOUBLE_EQ(UnixToDateTime(86400 * 2), UnixDateDelta + 2);
  EXPECT_DOUBLE_EQ(DateTimeToUnix(UnixDateDelta + 0.5), 43200);
  const TDateTime N = Now();
  EXPECT_EQ(Date(), std::trunc(N));
  EXPECT_GT(N, EncodeDate(2020, 1, 1));
}
