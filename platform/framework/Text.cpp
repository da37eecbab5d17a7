#include "platform/framework/Text.h"

#include <QString>

#include <climits>
#include <cstdint>

namespace zu {

int LocaleCompare(const std::string& S1, const std::string& S2, bool CaseSensitive) {
  QString A = QString::fromStdString(S1), B = QString::fromStdString(S2);
  if (!CaseSensitive) {
    A = A.toCaseFolded();
    B = B.toCaseFolded();
  }
  return QString::localeAwareCompare(A, B);
}

std::string LocaleLowerCase(const std::string& S) {
  return QString::fromStdString(S).toLower().toStdString();
}

bool TryStrToInt(const std::string& S, int& Value) {
  size_t I = 0;
  while (I < S.size() && (S[I] == ' ' || S[I] == '\t')) ++I;
  bool Neg = false;
  if (I < S.size() && (S[I] == '+' || S[I] == '-')) Neg = S[I++] == '-';
  int Base = 10;
  if (I < S.size() && S[I] == '$') {
    Base = 16;
    ++I;
  } else if (I + 1 < S.size() && S[I] == '0' && (S[I + 1] == 'x' || S[I + 1] == 'X')) {
    Base = 16;
    I += 2;
  }
  if (I >= S.size()) return false;
  long long V = 0;
  for (; I < S.size(); ++I) {
    const char C = S[I];
    int D;
    if (C >= '0' && C <= '9') D = C - '0';
    else if (Base == 16 && C >= 'a' && C <= 'f') D = C - 'a' + 10;
    else if (Base == 16 && C >= 'A' && C <= 'F') D = C - 'A' + 10;
    else return false;
    V = V * Base + D;
    // Hexadecimal text may fill all 32 bits (the sign bit included), decimal may not.
    if (V > (Base == 16 ? 0xFFFFFFFFLL : static_cast<long long>(INT_MAX) + (Neg ? 1 : 0))) return false;
  }
  if (Base == 16 && !Neg) V = static_cast<std::int32_t>(static_cast<std::uint32_t>(V));
  Value = static_cast<int>(Neg ? -V : V);
  return true;
}

}  // namespace zu
