#include "platform/os/Language.h"

#include <cctype>
#include <cstdlib>
#include <string_view>

namespace zu::os {

namespace {

struct TLanguageCode {
  std::string_view Code;  // ISO 639 code as POSIX locales spell it
  std::uint16_t Primary;
};

// The primary identifiers of the languages a locale commonly names.
constexpr TLanguageCode Codes[] = {
    {"af", 0x36}, {"ar", 0x01}, {"az", 0x2C}, {"be", 0x23}, {"bg", 0x02}, {"bn", 0x45}, {"ca", 0x03},
    {"cs", 0x05}, {"cy", 0x52}, {"da", 0x06}, {"de", 0x07}, {"el", 0x08}, {"en", 0x09}, {"es", 0x0A},
    {"et", 0x25}, {"eu", 0x2D}, {"fa", 0x29}, {"fi", 0x0B}, {"fo", 0x38}, {"fr", 0x0C}, {"ga", 0x3C},
    {"gl", 0x56}, {"gu", 0x47}, {"he", 0x0D}, {"hi", 0x39}, {"hr", 0x1A}, {"hu", 0x0E}, {"hy", 0x2B},
    {"id", 0x21}, {"in", 0x21}, {"is", 0x0F}, {"it", 0x10}, {"iw", 0x0D}, {"ja", 0x11}, {"ka", 0x37},
    {"kk", 0x3F}, {"kn", 0x4B}, {"ko", 0x12}, {"lt", 0x27}, {"lv", 0x26}, {"mk", 0x2F}, {"ml", 0x4C},
    {"mn", 0x50}, {"mr", 0x4E}, {"ms", 0x3E}, {"mt", 0x3A}, {"nb", 0x14}, {"nl", 0x13}, {"nn", 0x14},
    {"no", 0x14}, {"pa", 0x46}, {"pl", 0x15}, {"pt", 0x16}, {"ro", 0x18}, {"ru", 0x19}, {"sk", 0x1B},
    {"sl", 0x24}, {"sq", 0x1C}, {"sr", 0x1A}, {"sv", 0x1D}, {"sw", 0x41}, {"ta", 0x49}, {"te", 0x4A},
    {"th", 0x1E}, {"tr", 0x1F}, {"uk", 0x22}, {"ur", 0x20}, {"uz", 0x43}, {"vi", 0x2A}, {"zh", 0x04},
};

std::string Lower(std::string_view S) {
  std::string R(S);
  for (char& C : R) C = static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
  return R;
}

}  // namespace

std::uint16_t LangIDForLocale(const std::string& Locale) {
  // language[_territory][.codeset][@modifier]
  const std::string_view Name(Locale);
  const std::string_view Base = Name.substr(0, Name.find_first_of(".@"));
  const size_t Sep = Base.find_first_of("_-");
  const std::string Language = Lower(Base.substr(0, Sep));
  const std::string Territory = Sep == std::string_view::npos ? std::string() : Lower(Base.substr(Sep + 1));

  std::uint16_t Primary = 0;
  for (const TLanguageCode& C : Codes)
    if (C.Code == Language) Primary = C.Primary;
  if (Primary == 0) return LangIDEnglishUS;  // also "C" and "POSIX"

  std::uint16_t Sub = 1;
  if (Primary == 0x16) Sub = Territory == "br" ? 1 : 2;
  if (Primary == 0x04) Sub = Territory == "tw" || Territory == "hk" || Territory == "mo" ? 1 : 2;
  return MakeLangID(Primary, Sub);
}

std::uint16_t SystemDefaultLangID() {
  for (const char* Var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* V = std::getenv(Var);
    if (V && *V) return LangIDForLocale(V);
  }
  return LangIDEnglishUS;
}

}  // namespace zu::os
