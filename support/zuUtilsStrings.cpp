// zuUtils, the other routines: string parts and searching, number conversion.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <regex>

#include "platform/os/Resources.h"
#include "platform/os/System.h"
#include "support/zuUtils.h"

namespace zu {

namespace {

std::string Lower(std::string S) {
  for (char& C : S) C = static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
  return S;
}

void AppendUtf8(std::string& R, unsigned Code) {
  if (Code < 0x80) {
    R += static_cast<char>(Code);
  } else if (Code < 0x800) {
    R += static_cast<char>(0xC0 | (Code >> 6));
    R += static_cast<char>(0x80 | (Code & 0x3F));
  } else if (Code < 0x10000) {
    R += static_cast<char>(0xE0 | (Code >> 12));
    R += static_cast<char>(0x80 | ((Code >> 6) & 0x3F));
    R += static_cast<char>(0x80 | (Code & 0x3F));
  } else {
    R += static_cast<char>(0xF0 | (Code >> 18));
    R += static_cast<char>(0x80 | ((Code >> 12) & 0x3F));
    R += static_cast<char>(0x80 | ((Code >> 6) & 0x3F));
    R += static_cast<char>(0x80 | (Code & 0x3F));
  }
}

int HexDigit(char C) {
  if (C >= '0' && C <= '9') return C - '0';
  if (C >= 'a' && C <= 'f') return C - 'a' + 10;
  if (C >= 'A' && C <= 'F') return C - 'A' + 10;
  return -1;
}

}  // namespace

// ---------- string parts and searching ----------

std::string LeftPart(const std::string& Separator, const std::string& S) {
  const size_t P = Separator.empty() ? std::string::npos : S.find(Separator);
  return P == std::string::npos ? S : S.substr(0, P);
}

std::string RightPart(const std::string& Separator, const std::string& S) {
  const size_t P = Separator.empty() ? std::string::npos : S.find(Separator);
  return P == std::string::npos ? std::string() : S.substr(P + Separator.size());
}

std::string LeftPartR(const std::string& Separator, const std::string& S) {
  const size_t P = Separator.empty() ? std::string::npos : S.rfind(Separator);
  return P == std::string::npos ? S : S.substr(0, P);
}

std::string RightPartR(const std::string& Separator, const std::string& S) {
  const size_t P = Separator.empty() ? std::string::npos : S.rfind(Separator);
  return P == std::string::npos ? std::string() : S.substr(P + Separator.size());
}

std::string MiddlePart(const std::string& LeftSep, const std::string& RightSep, const std::string& S) {
  const size_t L = LeftSep.empty() ? std::string::npos : S.find(LeftSep);
  if (L == std::string::npos || RightSep.empty()) return std::string();
  const size_t From = L + LeftSep.size();
  const size_t R = S.find(RightSep, From);
  return R == std::string::npos ? std::string() : S.substr(From, R - From);
}

int PosCase(const std::string& Substr, const std::string& S, bool CaseSensitive, int Offset) {
  if (Substr.empty() || Offset < 1 || static_cast<size_t>(Offset) > S.size()) return 0;
  const size_t P = CaseSensitive ? S.find(Substr, Offset - 1) : Lower(S).find(Lower(Substr), Offset - 1);
  return P == std::string::npos ? 0 : static_cast<int>(P) + 1;
}

bool IsTokenExists(const std::string& Token, const std::string& S, const std::string& Delimiters) {
  const std::string T = Lower(Trim(Token));
  if (T.empty()) return false;
  size_t Start = 0;
  while (Start <= S.size()) {
    size_t End = S.find_first_of(Delimiters, Start);
    if (End == std::string::npos) End = S.size();
    if (Lower(Trim(S.substr(Start, End - Start))) == T) return true;
    Start = End + 1;
  }
  return false;
}

bool IsSubStrExists(const std::string& SubStr, const std::string& S, bool CaseSensitive) {
  return PosCase(SubStr, S, CaseSensitive) > 0;
}

int StrToStrList(const std::string& S, const std::string& Separator, TStrings& List) {
  if (S.empty()) return 0;
  if (Separator.empty()) {
    List.Add(S);
    return 1;
  }
  int N = 0;
  size_t Start = 0;
  for (;;) {
    const size_t P = S.find(Separator, Start);
    List.Add(S.substr(Start, P == std::string::npos ? std::string::npos : P - Start));
    ++N;
    if (P == std::string::npos) return N;
    Start = P + Separator.size();
  }
}

std::string StripTags(const std::string& S) {
  static const std::pair<const char*, const char*> Entities[] = {
      {"&quot;", "\""}, {"&amp;", "&"}, {"&copy;", "\xC2\xA9"}, {"&reg;", "\xC2\xAE"},
      {"&nbsp;", " "},  {"&lt;", "<"},  {"&gt;", ">"},
  };
  std::string R;
  for (size_t I = 0; I < S.size();) {
    const char C = S[I];
    if (C == '<') {
      const size_t E = S.find('>', I);
      if (E == std::string::npos) {  // an unclosed "<" is text
        R += S.substr(I);
        break;
      }
      I = E + 1;
      continue;
    }
    if (C == '&') {
      if (I + 2 < S.size() && S[I + 1] == '#') {
        size_t J = I + 2;
        unsigned Code = 0;
        while (J < S.size() && std::isdigit(static_cast<unsigned char>(S[J])) && Code < 0x110000)
          Code = Code * 10 + static_cast<unsigned>(S[J++] - '0');
        if (J > I + 2 && Code > 0 && Code < 0x110000) {
          AppendUtf8(R, Code);
          I = J < S.size() && S[J] == ';' ? J + 1 : J;
          continue;
        }
      }
      bool Done = false;
      for (const auto& [Name, Text] : Entities) {
        const size_t L = std::char_traits<char>::length(Name);
        if (S.compare(I, L, Name) == 0) {
          R += Text;
          I += L;
          Done = true;
          break;
        }
      }
      if (Done) continue;
    }
    R += C;
    ++I;
  }
  return R;
}

std::string URLDecode(const std::string& S) {
  std::string R;
  R.reserve(S.size());
  for (size_t I = 0; I < S.size(); ++I) {
    if (S[I] == '+') {
      R += ' ';
    } else if (S[I] == '%' && I + 2 < S.size() && HexDigit(S[I + 1]) >= 0 && HexDigit(S[I + 2]) >= 0) {
      R += static_cast<char>(HexDigit(S[I + 1]) * 16 + HexDigit(S[I + 2]));
      I += 2;
    } else {
      R += S[I];
    }
  }
  return R;
}

bool IsValidEmail(const std::string& S) {
  // A local part of the usual characters, "@", then dot-separated labels, the last of two
  // letters or more; no blanks, no doubled dots.
  static const std::regex Pattern(
      R"(^[A-Za-z0-9!#$%&'*+/=?^_`{|}~-]+(\.[A-Za-z0-9!#$%&'*+/=?^_`{|}~-]+)*@([A-Za-z0-9]([A-Za-z0-9-]*[A-Za-z0-9])?\.)+[A-Za-z]{2,}$)");
  return S.size() <= 254 && std::regex_match(S, Pattern);
}

std::string ESC(const std::string& S) {
  std::string R;
  for (char C : S) {
    switch (C) {
      case '&': R += "&amp;"; break;
      case '<': R += "&lt;"; break;
      case '>': R += "&gt;"; break;
      case '"': R += "&quot;"; break;
      default: R += C;
    }
  }
  return R;
}

bool HasParamStr(const std::string& Param, bool CaseSensitive) {
  if (Param.empty()) return false;
  const std::string P = CaseSensitive ? Param : Lower(Param);
  for (std::string A : os::CommandLineArguments()) {
    if (!CaseSensitive) A = Lower(A);
    if (A == P || ((A[0] == '/' || A[0] == '-') && A.substr(1) == P)) return true;
  }
  return false;
}

std::string FullParamStr() {
  std::string R;
  for (const std::string& A : os::CommandLineArguments()) {
    if (!R.empty()) R += ' ';
    R += A.find_first_of(" \t") == std::string::npos ? A : "\"" + A + "\"";
  }
  return R;
}

std::string LoadString(int Id) {
  std::string Data;
  if (!os::LoadResource("#" + std::to_string(Id), "STRING", Data)) return std::string();
  return Data.substr(0, Data.find('\0'));
}

std::string LoadSubString(int Id, int Index, char Separator) {
  if (Index < 0) return std::string();
  const std::string S = LoadString(Id);
  size_t Start = 0;
  for (int I = 0; I < Index; ++I) {
    Start = S.find(Separator, Start);
    if (Start == std::string::npos) return std::string();
    ++Start;
  }
  return S.substr(Start, S.find(Separator, Start) - Start);
}

// ---------- number conversion ----------

std::string DecToHex(std::uint64_t Value, int Digits) {
  char Buf[24];
  std::snprintf(Buf, sizeof Buf, "%llX", static_cast<unsigned long long>(Value));
  std::string R = Buf;
  if (Digits > static_cast<int>(R.size())) R.insert(0, static_cast<size_t>(Digits) - R.size(), '0');
  return R;
}

std::int64_t HexToDec(const std::string& S) {
  std::string T = Trim(S);
  if (T.size() > 2 && T[0] == '0' && (T[1] == 'x' || T[1] == 'X')) T = T.substr(2);
  else if (!T.empty() && (T[0] == '$' || T[0] == '#')) T = T.substr(1);
  if (T.empty() || T.size() > 15) return -1;
  std::int64_t R = 0;
  for (char C : T) {
    const int D = HexDigit(C);
    if (D < 0) return -1;
    R = R * 16 + D;
  }
  return R;
}

std::string DecToBin(std::uint64_t Value, int Digits) {
  std::string R;
  do {
    R.insert(R.begin(), static_cast<char>('0' + (Value & 1)));
    Value >>= 1;
  } while (Value);
  if (Digits > static_cast<int>(R.size())) R.insert(0, static_cast<size_t>(Digits) - R.size(), '0');
  return R;
}

std::int64_t BinToDec(const std::string& S) {
  const std::string T = Trim(S);
  if (T.empty() || T.size() > 62) return -1;
  std::int64_t R = 0;
  for (char C : T) {
    if (C != '0' && C != '1') return -1;
    R = R * 2 + (C - '0');
  }
  return R;
}

std::string DecToRoman(int Value) {
  if (Value < 1 || Value > 3999) return std::string();
  static const std::pair<int, const char*> Numerals[] = {{1000, "M"}, {900, "CM"}, {500, "D"}, {400, "CD"},
                                                         {100, "C"},  {90, "XC"},  {50, "L"},  {40, "XL"},
                                                         {10, "X"},   {9, "IX"},   {5, "V"},   {4, "IV"},
                                                         {1, "I"}};
  std::string R;
  for (const auto& [N, Text] : Numerals)
    while (Value >= N) {
      R += Text;
      Value -= N;
    }
  return R;
}

std::string ColorToHTML(std::int32_t Color) {
  if (Color < 0) return std::string();
  char Buf[8];
  std::snprintf(Buf, sizeof Buf, "#%02X%02X%02X", Color & 0xFF, (Color >> 8) & 0xFF, (Color >> 16) & 0xFF);
  return Buf;
}

double StrToFloatDef(const std::string& S, double Default) {
  std::string T = Trim(S);
  std::replace(T.begin(), T.end(), ',', '.');
  if (T.empty() || std::count(T.begin(), T.end(), '.') > 1) return Default;
  char* End = nullptr;
  const double V = std::strtod(T.c_str(), &End);
  // Only plain decimal numbers: no hexadecimal floats, infinities or trailing text.
  if (End != T.c_str() + T.size() || !std::isfinite(V) || T.find_first_of("xXnN") != std::string::npos)
    return Default;
  return V;
}

std::string FloatToStrDigits(double Value, int Digits) {
  if (!std::isfinite(Value)) return std::string();
  char Buf[64];
  std::snprintf(Buf, sizeof Buf, "%.*f", std::clamp(Digits, 0, 18), Value);
  std::string R = Buf;
  if (R.find('.') != std::string::npos) {
    while (R.back() == '0') R.pop_back();
    if (R.back() == '.') R.pop_back();
  }
  return R == "-0" ? "0" : R;
}

std::string PriceToStr(double Value) {
  if (!std::isfinite(Value)) return std::string();
  char Buf[64];
  std::snprintf(Buf, sizeof Buf, "%.2f", std::fabs(Value));
  std::string Whole = Buf, Cents = Whole.substr(Whole.find('.'));
  Whole.resize(Whole.find('.'));
  for (int I = static_cast<int>(Whole.size()) - 3; I > 0; I -= 3) Whole.insert(static_cast<size_t>(I), ",");
  return (Value < 0 && std::string(Buf) != "0.00" ? "-" : "") + Whole + Cents;
}

std::string FileSizeToStr(std::int64_t Size, const std::string& Bytes, const std::string& KB, const std::string& MB) {
  if (Size < 0) return "?";
  auto Unit = [](const std::string& U) { return U.empty() ? std::string() : " " + U; };
  if (Size < 1024) return std::to_string(Size) + Unit(Bytes);
  char Buf[64];
  if (Size < 1024 * 1024)
    std::snprintf(Buf, sizeof Buf, "%.1f", static_cast<double>(Size) / 1024.0);
  else
    std::snprintf(Buf, sizeof Buf, "%.2f", static_cast<double>(Size) / (1024.0 * 1024.0));
  return Buf + Unit(Size < 1024 * 1024 ? KB : MB);
}

std::string FileSizeToStr(std::int64_t Size) { return FileSizeToStr(Size, std::string(), "KB", "MB"); }

}  // namespace zu
