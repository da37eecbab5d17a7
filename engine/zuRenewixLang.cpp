#include "engine/zuRenewixLang.h"

#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <charconv>
#include <map>
#include <mutex>
#include <string_view>
#include <unordered_map>

#include "platform/framework/Application.h"
#include "platform/framework/Exceptions.h"
#include "platform/os/Language.h"
#include "platform/os/Resources.h"
#include "widgets/zuInfoBox.h"

namespace zu {

namespace {

constexpr int BlockSize = 50;

// ---------- string table ----------

// One block's file: "<index> = <text>" lines, '#' comments, "\n" and "\\" escapes.
std::map<int, std::string> ParseBlock(const std::string& Data) {
  std::map<int, std::string> Strings;
  size_t Pos = 0;
  while (Pos < Data.size()) {
    size_t End = Data.find('\n', Pos);
    if (End == std::string::npos) End = Data.size();
    std::string_view Line(Data.data() + Pos, End - Pos);
    Pos = End + 1;
    if (!Line.empty() && Line.back() == '\r') Line.remove_suffix(1);
    if (Line.empty() || Line.front() == '#') continue;
    const size_t Eq = Line.find('=');
    if (Eq == std::string_view::npos) continue;
    std::string_view Key = Line.substr(0, Eq);
    while (!Key.empty() && Key.back() == ' ') Key.remove_suffix(1);
    int Index = -1;
    const auto [Ptr, Ec] = std::from_chars(Key.data(), Key.data() + Key.size(), Index);
    if (Ec != std::errc() || Ptr != Key.data() + Key.size() || Index < 0 || Index >= BlockSize) continue;
    std::string_view Raw = Line.substr(Eq + 1);
    if (!Raw.empty() && Raw.front() == ' ') Raw.remove_prefix(1);
    std::string Text;
    Text.reserve(Raw.size());
    for (size_t I = 0; I < Raw.size(); ++I) {
      if (Raw[I] == '\\' && I + 1 < Raw.size() && (Raw[I + 1] == 'n' || Raw[I + 1] == '\\')) {
        Text += Raw[I + 1] == 'n' ? '\n' : '\\';
        ++I;
      } else {
        Text += Raw[I];
      }
    }
    Strings[Index] = std::move(Text);
  }
  return Strings;
}

// Blocks are read from the resources on first use and kept.
const std::map<int, std::string>& Block(int First) {
  static std::mutex Lock;
  static std::unordered_map<int, std::map<int, std::string>> Blocks;
  const std::lock_guard<std::mutex> Guard(Lock);
  auto It = Blocks.find(First);
  if (It == Blocks.end()) {
    std::string Data;
    os::LoadResource("#" + std::to_string(First), "STRINGS", Data);
    It = Blocks.emplace(First, ParseBlock(Data)).first;
  }
  return It->second;
}

// ---------- current language ----------

struct TPrimary {
  TzuRenewixLanguage Language;
  std::uint16_t Primary;
};
constexpr TPrimary Primaries[] = {
    {wlEnglish, 0x09},  {wlRussian, 0x19},   {wlGerman, 0x07},     {wlFrench, 0x0C},
    {wlSpanish, 0x0A},  {wlPortuguese, 0x16}, {wlPortugueseBrazilian, 0x16},
    {wlItalian, 0x10},  {wlDutch, 0x13},     {wlDanish, 0x06},     {wlSwedish, 0x1D},
    {wlFinnish, 0x0B},  {wlEstonian, 0x25},  {wlUkrainian, 0x22},  {wlPolish, 0x15},
    {wlCzech, 0x05},    {wlHungarian, 0x0E}, {wlRomanian, 0x18},   {wlCatalan, 0x03},
    {wlBasque, 0x2D},   {wlAfrikaans, 0x36}, {wlChineseTraditional, 0x04},
    {wlChineseSimplified, 0x04},             {wlIndonesian, 0x21}, {wlMalay, 0x3E},
    {wlIcelandic, 0x0F}, {wlTurkish, 0x1F},  {wlNorwegian, 0x14},  {wlSlovak, 0x1B},
};

std::uint16_t BlockOf(TzuRenewixLanguage L) {
  return static_cast<std::uint16_t>(RXFirstLanguageId + BlockSize * (static_cast<int>(L) - 1));
}

// Function-local so that the first use, even from another unit's static initialiser, finds
// the system's language already selected.
std::atomic<std::uint16_t>& Current() {
  static std::atomic<std::uint16_t> Value(BlockOf(RXAutoLanguage()));
  return Value;
}

// ---------- info box captions ----------

void InstallButtonTexts() {
  if (!InfoBoxLangStr) InfoBoxLangStr = [](int MessageNo) { return RXLangStr(MessageNo); };
}

// The hook is another unit's global, so it is set once the application object exists (all
// static initialisation done), and again on the first lookup for a program without one.
void EnsureButtonTexts() {
  static std::once_flag Once;
  std::call_once(Once, InstallButtonTexts);
}
Q_COREAPP_STARTUP_FUNCTION(InstallButtonTexts)

// The automatic selection at program start, as soon as the engine is linked in.
struct TStartup {
  TStartup() { Current(); }
} Startup;

// ---------- format ----------

[[noreturn]] void BadFormat(const std::string& Format) {
  throw EConvertError("Format '" + Format + "' invalid or incompatible with argument");
}

void Pad(std::string& Out, std::string Piece, int Width, bool Left) {
  const size_t W = Width > 0 ? static_cast<size_t>(Width) : 0;
  if (Piece.size() < W) {
    if (Left)
      Piece.append(W - Piece.size(), ' ');
    else
      Piece.insert(0, W - Piece.size(), ' ');
  }
  Out += Piece;
}

// The first Chars characters of UTF-8 text.
std::string Utf8Prefix(const std::string& S, int Chars) {
  size_t I = 0;
  for (int N = 0; I < S.size(); ++I) {
    if ((static_cast<unsigned char>(S[I]) & 0xC0) != 0x80 && N++ == Chars) break;
  }
  return S.substr(0, I);
}

}  // namespace

std::string LoadRXString(int Id) {
  if (Id < 0) return {};
  const auto& Strings = Block(Id - Id % BlockSize);
  const auto It = Strings.find(Id % BlockSize);
  return It == Strings.end() ? std::string() : It->second;
}

std::uint16_t RXCurrentLanguage() { return Current().load(); }

void RXSelectLanguage(TzuRenewixLanguage Language) {
  if (Language == wlAuto)
    Current() = BlockOf(RXAutoLanguage());
  else if (Language >= wlEnglish && Language <= wlSlovak)
    Current() = BlockOf(Language);
}

TzuRenewixLanguage RXLanguageForLangID(std::uint16_t LangID) {
  const std::uint16_t Primary = LangID & 0x3FF;
  const std::uint16_t Sub = LangID >> 10;
  if (Primary == 0x16) return Sub == 1 ? wlPortugueseBrazilian : wlPortuguese;
  if (Primary == 0x04) return Sub == 2 ? wlChineseSimplified : wlChineseTraditional;
  for (const TPrimary& P : Primaries)
    if (P.Primary == Primary) return P.Language;
  return wlEnglish;
}

TzuRenewixLanguage RXAutoLanguage() { return RXLanguageForLangID(os::SystemDefaultLangID()); }

std::string RXLangStr(int Index) {
  EnsureButtonTexts();
  return LoadRXString(RXCurrentLanguage() + Index);
}

std::string RXFormat(const std::string& Format, std::initializer_list<TRXFormatArg> Args) {
  std::string Out;
  auto Arg = Args.begin();
  for (size_t I = 0; I < Format.size(); ++I) {
    if (Format[I] != '%') {
      Out += Format[I];
      continue;
    }
    if (++I < Format.size() && Format[I] == '%') {
      Out += '%';
      continue;
    }
    // %[-][width][.precision]type
    const bool Left = I < Format.size() && Format[I] == '-';
    if (Left) ++I;
    auto Number = [&](int& Into) {
      const size_t Start = I;
      while (I < Format.size() && Format[I] >= '0' && Format[I] <= '9') ++I;
      if (I - Start > 5) BadFormat(Format);  // no field that wide
      if (I > Start) std::from_chars(Format.data() + Start, Format.data() + I, Into);
      return I > Start;
    };
    int Width = 0, Precision = -1;
    Number(Width);
    if (I < Format.size() && Format[I] == '.') {
      ++I;
      Precision = 0;
      Number(Precision);
    }
    if (I >= Format.size()) BadFormat(Format);
    const char Type = static_cast<char>(std::tolower(static_cast<unsigned char>(Format[I])));
    if (Type != 'd' && Type != 's' && Type != 'f') BadFormat(Format);
    if (Arg == Args.end()) throw EConvertError("No argument for format '" + Format + "'");
    const TRXFormatArg& A = *Arg++;
    switch (Type) {
      case 'd': {
        const long long* V = std::get_if<long long>(&A);
        if (!V) BadFormat(Format);
        const bool Negative = *V < 0;
        std::string Digits = std::to_string(*V);
        if (Negative) Digits.erase(0, 1);
        if (Precision > 0 && Digits.size() < static_cast<size_t>(Precision))
          Digits.insert(0, static_cast<size_t>(Precision) - Digits.size(), '0');
        Pad(Out, (Negative ? "-" : "") + Digits, Width, Left);
        break;
      }
      case 'f': {
        const double* V = std::get_if<double>(&A);
        if (!V) BadFormat(Format);
        // to_chars, not printf: the locale Qt sets must not change the decimal point.
        char Buf[400];
        const auto R = std::to_chars(Buf, Buf + sizeof Buf, *V, std::chars_format::fixed,
                                     Precision < 0 ? 2 : std::min(Precision, 18));
        if (R.ec != std::errc()) BadFormat(Format);
        Pad(Out, std::string(Buf, R.ptr), Width, Left);
        break;
      }
      default: {
        const std::string* V = std::get_if<std::string>(&A);
        if (!V) BadFormat(Format);
        Pad(Out, Precision < 0 ? *V : Utf8Prefix(*V, Precision), Width, Left);
        break;
      }
    }
  }
  // Surplus arguments are ignored, as by the framework's Format.
  return Out;
}

std::string RXFmtLangStr(int Index, std::initializer_list<TRXFormatArg> Args) {
  return RXFormat(RXLangStr(Index), Args);
}

int RXMsgBox(const std::string& Text, int Flags) {
  EnsureButtonTexts();
  return ShowMsgBox(Text, RXLangStr(0), Flags, false, true);
}

int RXLangMsgBox(int Index, int Flags) { return RXMsgBox(RXLangStr(Index), Flags); }

bool ShowUpgradeBox(const std::string& Msg) {
  std::string Product = TApplication::Instance().Title();
  const std::string Marker = LoadRXString(RXTitleMarkerId);
  if (!Marker.empty() && Product.find(Marker) != std::string::npos) Product = LoadRXString(RXAppTitleId);
  const std::string Notes = Msg.empty() ? Msg : "\n" + Msg + "[DEF]\n";

  TzuInfoBox Box(nullptr);
  Box.SetText(RXFmtLangStr(23, {Product, Notes}));
  Box.SetShowCheckBox(false);
  Box.SetInfoBoxButtons(ibYesNo);
  Box.SetTitle(RXLangStr(0));
  Box.ButtonCaptions()->SetYes(RXLangStr(14));
  Box.ButtonCaptions()->SetNo(RXLangStr(19));
  Box.SetIconResID(RXUpgradeIconName);
  return Box.Execute(false) == mrYes;
}

}  // namespace zu
