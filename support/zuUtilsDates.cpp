// zuUtils, the other routines: date and time.
#include <cctype>
#include <cmath>
#include <cstdio>

#include "support/zuUtils.h"

namespace zu {

namespace {

const char* const ShortDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const LongDays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
const char* const ShortMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const LongMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                                  "July",    "August",   "September", "October", "November", "December"};

// 0 = Sunday; day 0 (30 December 1899) was a Saturday.
int WeekDay(TDateTime D) {
  const auto Day = static_cast<long long>(std::floor(D));
  return static_cast<int>(((Day + 6) % 7 + 7) % 7);
}

struct TParts {
  int Year, Month, Day, Hour, Min, Sec, MSec;
};

TParts Split(TDateTime D) {
  // Rounded to the millisecond first, so 08:49:36.9999 reads as 08:49:37.
  D = std::round(D * MSecsPerDay) / MSecsPerDay;
  TParts P{};
  DecodeDate(D, P.Year, P.Month, P.Day);
  DecodeTime(D, P.Hour, P.Min, P.Sec, P.MSec);
  return P;
}

// Every caller passes a literal format of numbers only.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
template <class... A>
std::string Fmt(const char* F, A... Args) {
  char Buf[64];
  std::snprintf(Buf, sizeof Buf, F, Args...);
  return Buf;
}
#pragma GCC diagnostic pop

// Reads exactly N digits (N = 0: one or more) at S[I]; false when there are none.
bool Digits(const std::string& S, size_t& I, size_t N, int& Value) {
  const size_t Start = I;
  Value = 0;
  while (I < S.size() && std::isdigit(static_cast<unsigned char>(S[I])) && (N == 0 || I - Start < N) &&
         I - Start < 9)
    Value = Value * 10 + (S[I++] - '0');
  return I > Start && (N == 0 || I - Start == N);
}

bool Compose(int Y, int Mo, int D, int H, int Mi, int S, TDateTime& Result) {
  TDateTime Date, Time;
  if (!TryEncodeDate(Y, Mo, D, Date) || !TryEncodeTime(H, Mi, S, 0, Time)) return false;
  Result = Date + Time;
  return true;
}

}  // namespace

TDateTime StrToDateTimeDefFormat(const std::string& S, const std::string& Format, TDateTime Default) {
  int Y = 1899, Mo = 12, D = 30, H = 0, Mi = 0, Se = 0;
  bool HasDate = false;
  size_t I = 0, F = 0;
  const std::string T = Trim(S);
  auto Token = [&](const char* Name) { return Format.compare(F, std::char_traits<char>::length(Name), Name) == 0; };
  while (F < Format.size()) {
    int* Field = nullptr;
    size_t N = 0, Len = 2;
    if (Token("yyyy")) Field = &Y, N = 4, Len = 4, HasDate = true;
    else if (Token("yy")) Field = &Y, N = 2, HasDate = true;
    else if (Token("mm")) Field = &Mo, HasDate = true;
    else if (Token("dd")) Field = &D, HasDate = true;
    else if (Token("hh")) Field = &H;
    else if (Token("nn")) Field = &Mi;
    else if (Token("ss")) Field = &Se;
    if (Field) {
      if (!Digits(T, I, N, *Field)) return Default;
      if (Len == 2 && Field == &Y) *Field += *Field < 50 ? 2000 : 1900;
      F += Len;
    } else {
      if (I >= T.size() || T[I] != Format[F]) return Default;
      ++I;
      ++F;
    }
  }
  if (I != T.size()) return Default;
  TDateTime R;
  if (!Compose(Y, Mo, D, H, Mi, Se, R)) return Default;
  return HasDate ? R : R - std::floor(R);
}

TDateTime StrToDateTimeDef(const std::string& S, TDateTime Default) {
  for (const char* F : {"yyyy-mm-dd hh:nn:ss", "yyyy-mm-dd hh:nn", "yyyy-mm-dd", "mm/dd/yyyy hh:nn:ss",
                        "mm/dd/yyyy hh:nn", "mm/dd/yyyy"}) {
    constexpr TDateTime NoMatch = -700000;
    const TDateTime R = StrToDateTimeDefFormat(S, F, NoMatch);
    if (R != NoMatch) return R;
  }
  return Default;
}

int DaysPerMonth(int Year, int Month) { return Month >= 1 && Month <= 12 ? DaysInMonth(Year, Month) : 0; }
int LocalTimeBiasInMinutes() { return LocalTimeBiasMinutes(); }
TDateTime GMT() { return LocalTimeToGMT(Now()); }

std::string DateTimeToInternetTime(TDateTime D) {
  const TDateTime U = LocalTimeToGMT(D);
  const TParts P = Split(U);
  char Buf[64];
  std::snprintf(Buf, sizeof Buf, "%s, %02d %s %04d %02d:%02d:%02d GMT", ShortDays[WeekDay(U)], P.Day,
                ShortMonths[P.Month - 1], P.Year, P.Hour, P.Min, P.Sec);
  return Buf;
}

std::string SecondsToString(std::int64_t Seconds) {
  const char* Sign = Seconds < 0 ? "-" : "";
  const std::int64_t S = std::llabs(Seconds);
  return Sign + Fmt("%d:%02d:%02d", static_cast<int>(S / 3600), static_cast<int>(S / 60 % 60), static_cast<int>(S % 60));
}

std::string SecondsToStringExt(std::int64_t Seconds) {
  const std::int64_t S = std::llabs(Seconds);
  if (S < 86400) return SecondsToString(Seconds);
  const std::int64_t Days = S / 86400;
  return std::string(Seconds < 0 ? "-" : "") + std::to_string(Days) + (Days == 1 ? " day " : " days ") +
         SecondsToString(S % 86400);
}

std::string SecToStr(std::int64_t Seconds) {
  const std::int64_t S = std::llabs(Seconds);
  if (S >= 3600) return SecondsToString(Seconds);
  return std::string(Seconds < 0 ? "-" : "") + Fmt("%d:%02d", static_cast<int>(S / 60), static_cast<int>(S % 60));
}

std::int64_t StrToSec(const std::string& S) {
  const std::string T = Trim(S);
  std::int64_t Total = 0;
  size_t I = 0;
  int Parts = 0;
  while (I <= T.size()) {
    int V;
    if (!Digits(T, I, 0, V)) return -1;
    if (Parts > 0 && V > 59 && Parts < 3) return -1;  // minutes and seconds after a colon stay below 60
    Total = Total * 60 + V;
    if (++Parts > 3) return -1;
    if (I == T.size()) break;
    if (T[I] != ':') return -1;
    ++I;
  }
  return Total;
}

std::string DateTimeToStrNoSeconds(TDateTime D) {
  const TParts P = Split(D);
  return Fmt("%04d-%02d-%02d", P.Year, P.Month, P.Day) + Fmt(" %02d:%02d", P.Hour, P.Min);
}

std::string DateTimeToLongString(TDateTime D) {
  const TParts P = Split(D);
  return std::string(LongDays[WeekDay(D)]) + ", " + std::to_string(P.Day) + " " + LongMonths[P.Month - 1] + " " +
         std::to_string(P.Year) + " " + Fmt("%02d:%02d:%02d", P.Hour, P.Min, P.Sec);
}

bool SameDateTime(TDateTime A, TDateTime B) { return std::fabs(A - B) * MSecsPerDay < 1.0; }

std::string GroupDateTime(TDateTime D, TDateTime At) {
  const double Day = std::floor(D), Today = std::floor(At);
  if (Day == Today) return "Today";
  if (Day == Today - 1) return "Yesterday";
  if (Day == Today + 1) return "Tomorrow";
  if (Day > Today) return "Later";
  // Weeks start on Monday.
  const double WeekStart = Today - (WeekDay(At) + 6) % 7;
  if (Day >= WeekStart) return "This week";
  if (Day >= WeekStart - 7) return "Last week";
  const TParts P = Split(At), Q = Split(D);
  if (P.Year == Q.Year && P.Month == Q.Month) return "This month";
  return "Older";
}

TDateTime GetDateFromDateTime(TDateTime D) { return std::floor(D); }
TDateTime GetTimeFromDateTime(TDateTime D) { return D - std::floor(D); }

int GetAge(TDateTime BirthDate, TDateTime At) {
  if (At < BirthDate) return 0;
  const TParts B = Split(BirthDate), A = Split(At);
  int Age = A.Year - B.Year;
  if (A.Month < B.Month || (A.Month == B.Month && A.Day < B.Day)) --Age;
  return Age;
}

int GetMinutesValue(TDateTime D) { return Split(D).Min; }
int GetSecondsValue(TDateTime D) { return Split(D).Sec; }
std::int64_t DateTimeToSeconds(TDateTime D) { return std::llround(D * 86400.0); }
bool IsToday(TDateTime D) { return std::floor(D) == std::floor(Now()); }
bool IsYesterday(TDateTime D) { return std::floor(D) == std::floor(Now()) - 1; }
bool IsTomorrow(TDateTime D) { return std::floor(D) == std::floor(Now()) + 1; }
std::int64_t SecondsBetween(TDateTime A, TDateTime B) { return std::llabs(std::llround((A - B) * 86400.0)); }
int CurrentYear() { return Split(Now()).Year; }

TDateTime SQLDateTimeToDateTime(const std::string& S) {
  return StrToDateTimeDefFormat(S, "yyyy-mm-dd hh:nn:ss", 0);
}

std::string DateTimeToSQLDateTime(TDateTime D) { return DateTimeToSQLDate(D) + " " + DateTimeToSQLTime(D); }

std::string DateTimeToSQLDate(TDateTime D) {
  const TParts P = Split(D);
  return Fmt("%04d-%02d-%02d", P.Year, P.Month, P.Day);
}

std::string DateTimeToSQLTime(TDateTime D) {
  const TParts P = Split(D);
  return Fmt("%02d:%02d:%02d", P.Hour, P.Min, P.Sec);
}

}  // namespace zu
