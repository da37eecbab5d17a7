// The system's default language as a Windows-style language identifier (LANGID): the
// primary language in the low 10 bits, the sublanguage above them.
#pragma once

#include <cstdint>
#include <string>

namespace zu::os {

inline constexpr std::uint16_t MakeLangID(std::uint16_t Primary, std::uint16_t Sub) {
  return static_cast<std::uint16_t>(Primary | (Sub << 10));
}
inline constexpr std::uint16_t LangIDEnglishUS = MakeLangID(0x09, 1);

// The identifier of a POSIX locale name ("pt_BR.UTF-8", "de_DE@euro", "ja"). "C", "POSIX",
// an empty name and a language we have no identifier for give English (United States).
// The sublanguage is 1 except where the engine's message table tells variants apart:
// Portuguese (Brazil 1, others 2) and Chinese (Taiwan, Hong Kong, Macao 1, others 2).
std::uint16_t LangIDForLocale(const std::string& Locale);

// The identifier of the first non-empty of LC_ALL, LC_MESSAGES and LANG (the POSIX order).
std::uint16_t SystemDefaultLangID();

}  // namespace zu::os
