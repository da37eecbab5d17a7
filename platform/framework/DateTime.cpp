#include "platform/framework/DateTime.h"

#include <cmath>
#include <cstdio>
#include <sys/time.h>

#include "platform/framework/Exceptions.h"

namespace zu {

namespace {
constexpr int DateDelta = 693594;  // days from 0001-01-01 to 1899-12-30
}

bool IsLeapYear(int Year) {
  return (Year % 4 == 0) && ((Year % 100 != 0) || (Year % 400 == 0));
}

int DaysInMonth(int Year, int Month) {
  static constexpr int Days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (Month < 1 || Month > 12) return 0;
  return Month == 2 && IsLeapYear(Year) ? 29 : Days[Month - 1];
}

bool TryEncodeDate(int Year, int Month, int Day, TDateTime& Result) {
  if (Year < 1 || Year > 9999 || Month < 1 || Month > 12) return false;
  if (Day < 1 || Day > DaysInMonth(Year, Month)) return false;
  int Days = Day;
  for (int M = 1; M < Month; ++M) Days += DaysInMonth(Year, M);
  const int Y = Year - 1;
  Result = static_cast<double>(Y * 365 + Y / 4 - Y / 100 + Y / 400 + Days - DateDelta);
  return true;
}

bool TryEncodeTime(int Hour, int Min, int Sec, int MSec, TDateTime& Result) {
  if (Hour < 0 || Hour > 23 || Min < 0 || Min > 59 || Sec < 0 || Sec > 59 || MSec < 0 ||
      MSec > 999)
    return false;
  Result = (Hour * 3600000.0 + Min * 60000.0 + Sec * 1000.0 + MSec) / MSecsPerDay;
  return true;
}

TDateTime EncodeDate(int Year, int Month, int Day) {
  TDateTime R;
  if (!TryEncodeDate(Year, Month, Day, R)) throw EConvertError("Invalid argument to date encode");
  return R;
}

TDateTime EncodeTime(int Hour, int Min, int Sec, int MSec) {
  TDateTime R;
  if (!TryEncodeTime(Hour, Min, Sec, MSec, R)) throw EConvertError("Invalid argument to time encode");
  return R;
}

void DecodeDate(TDateTime D, int& Year, int& Month, int& Day) {
  // Days since 0001-01-01, then the 400/100/4/1-year cycles.
  long T = static_cast<long>(std::trunc(D)) + DateDelta;
  if (T <= 0) {
    Year = Month = Day = 0;
    return;
  }
  T -= 1;
  long Y = 1;
  constexpr long D1 = 365, D4 = D1 * 4 + 1, D100 = D4 * 25 - 1, D400 = D100 * 4 + 1;
  Y += (T / D400) * 400;
  T %= D400;
  long I = T / D100, Rem = T % D100;
  if (I == 4) { I = 3; Rem += D100; }
  Y += I * 100;
  T = Rem;
  Y += (T / D4) * 4;
  T %= D4;
  I = T / D1;
  Rem = T % D1;
  if (I == 4) { I = 3; Rem += D1; }
  Y += I;
  T = Rem;
  int M = 1;
  while (T >= DaysInMonth(static_cast<int>(Y), M)) {
    T -= DaysInMonth(static_cast<int>(Y), M);
    ++M;
  }
  Year = static_cast<int>(Y);
  Month = M;
  Day = static_cast<int>(T) + 1;
}

void DecodeTime(TDateTime D, int& Hour, int& Min, int& Sec, int& MSec) {
  double Frac = std::fabs(D - std::trunc(D));
  auto MS = static_cast<long long>(std::llround(Frac * MSecsPerDay));
  if (MS >= 86400000LL) MS = 86399999LL;
  Hour = static_cast<int>(MS / 3600000);
  Min = static_cast<int>(MS / 60000 % 60);
  Sec = static_cast<int>(MS / 1000 % 60);
  MSec = static_cast<int>(MS % 1000);
}

TDateTime Now() {
  timeval Tv{};
  gettimeofday(&Tv, nullptr);
  std::tm Tm{};
  localtime_r(&Tv.tv_sec, &Tm);
  return EncodeDate(Tm.tm_year + 1900, Tm.tm_mon + 1, Tm.tm_mday) +
         EncodeTime(Tm.tm_hour, Tm.tm_min, Tm.tm_sec > 59 ? 59 : Tm.tm_sec,
                    static_cast<int>(Tv.tv_usec / 1000));
}

TDateTime Date() { return std::trunc(Now()); }

TDateTime UnixToDateTime(double Seconds) { return Seconds / 86400.0 + UnixDateDelta; }

double DateTimeToUnix(TDateTime D) { return (D - UnixDateDelta) * 86400.0; }

int LocalTimeBiasMinutes() {
  std::time_t T = std::time(nullptr);
  std::tm Tm{};
  localtime_r(&T, &Tm);
  return static_cast<int>(-Tm.tm_gmtoff / 60);
}

std::string DateTimeToStr(TDateTime D) {
  int Y, Mo, Dd, H, Mi, S, Ms;
  DecodeDate(D, Y, Mo, Dd);
  DecodeTime(D, H, Mi, S, Ms);
  char Buf[64];
  std::snprintf(Buf, sizeof Buf, "%04d-%02d-%02d %02d:%02d:%02d", Y, Mo, Dd, H, Mi, S);
  return Buf;
}

}  // namespace zu
