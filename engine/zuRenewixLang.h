// zuRenewixLang: the engine's message table (29 languages x 33 messages, program resources)
// and the notices and questions built on it.
//
// Message i of the language with ordinal n has the id 51000 + 50 * (n - 1) + i. The current
// language is one process-wide value: the id of message 0 of the selected block.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <variant>

#include "engine/zuRenewix.h"

namespace zu {

inline constexpr int RXFirstLanguageId = 51000;
inline constexpr int RXMessageCount = 33;
inline constexpr int RXAppTitleId = 50997;    // "<AppTitle>"
inline constexpr int RXTitleMarkerId = 50998;  // marker word searched in the application's title
inline constexpr int RXProductNameId = 50999;  // "Renewix"
// The upgrade question's icon, an "ICON" resource of the engine.
inline constexpr const char* RXUpgradeIconName = "ZZURXICO";

// The string of a resource id; empty when there is none. The table is kept in blocks of 50
// ids: the resource "#<first id>" of type "STRINGS", UTF-8 "<index> = <text>" lines.
std::string LoadRXString(int Id);

// The current language: id of message 0 of its block.
std::uint16_t RXCurrentLanguage();
// Selects a block: wlAuto runs the automatic selection from the system's language.
void RXSelectLanguage(TzuRenewixLanguage Language);
// The language the system's default language selects (POSIX locale variables).
TzuRenewixLanguage RXAutoLanguage();
// The language for a Windows-style language identifier (primary | sublanguage << 10).
TzuRenewixLanguage RXLanguageForLangID(std::uint16_t LangID);

std::string RXLangStr(int Index);
// The argument kinds the message texts use: "%s" text, "%d"/"%.2d" integer, "%.1f" number.
using TRXFormatArg = std::variant<std::string, long long, double>;
// Raises EConvertError naming the format when its placeholders do not fit Args (an unknown
// placeholder, a missing argument or one of another kind); surplus arguments are ignored.
// Placeholders: %[-][width][.precision](s|d|f) and %%.
std::string RXFmtLangStr(int Index, std::initializer_list<TRXFormatArg> Args);
std::string RXFormat(const std::string& Format, std::initializer_list<TRXFormatArg> Args);

int RXMsgBox(const std::string& Text, int Flags);
int RXLangMsgBox(int Index, int Flags);
// The upgrade question with the release notes Msg; true when the user chose to upgrade.
bool ShowUpgradeBox(const std::string& Msg);

}  // namespace zu
