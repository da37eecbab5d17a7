// Date-times as day counts (TDateTime), as the design computes with them.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "platform/framework/Types.h"

namespace zu {

inline constexpr double UnixDateDelta = 25569.0;  // 1970-01-01 as a TDateTime
inline constexpr double MSecsPerDay = 86400000.0;

bool IsLeapYear(int Year);
int DaysInMonth(int Year, int Month);

// Years 1 to 9999; false for a date that does not exist.
bool TryEncodeDate(int Year, int Month, int Day, TDateTime& Result);
bool TryEncodeTime(int Hour, int Min, int Sec, int MSec, TDateTime& Result);
// Raise EConvertError for invalid input.
TDateTime EncodeDate(int Year, int Month, int Day);
TDateTime EncodeTime(int Hour, int Min, int Sec, int MSec);

void DecodeDate(TDateTime D, int& Year, int& Month, int& Day);
void DecodeTime(TDateTime D, int& Hour, int& Min, int& Sec, int& MSec);

// The current local date-time and date (without time).
TDateTime Now();
TDateTime Date();

// UTC seconds since the epoch <-> TDateTime (no time-zone conversion).
TDateTime UnixToDateTime(double Seconds);
double DateTimeToUnix(TDateTime D);

// Minutes to add to local time to get UTC, as the system reports it now (daylight time included).
int LocalTimeBiasMinutes();

// Default text form of a date-time: "YYYY-MM-DD HH:MM:SS".
std::string DateTimeToStr(TDateTime D);

}  // namespace zu
