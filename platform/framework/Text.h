// Locale-aware text operations on UTF-8 strings.
#pragma once

#include <string>

namespace zu {

// Negative, 0 or positive, by the rules of the user's locale.
int LocaleCompare(const std::string& S1, const std::string& S2, bool CaseSensitive);
// Lower case by the locale's rules (all letters, not only A-Z).
std::string LocaleLowerCase(const std::string& S);

// The integer conversion of the framework (StrToInt): leading blanks, an optional sign,
// decimal or "$"/"0x" hexadecimal digits, nothing after them. false when it does not convert
// (also on overflow; hexadecimal may fill all 32 bits).
bool TryStrToInt(const std::string& S, int& Value);

}  // namespace zu
