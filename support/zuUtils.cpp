#include "support/zuUtils.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "platform/framework/Application.h"
#include "platform/framework/Exceptions.h"
#include "platform/framework/Text.h"
#include "platform/os/Files.h"
#include "platform/os/Registry.h"
#include "platform/os/Resources.h"
#include "platform/os/Shell.h"
#include "platform/os/System.h"

namespace zu {

// ---------- info-file text ----------

std::string LowerCase(const std::string& S) {
  std::string R = S;
  for (char& C : R)
    if (C >= 'A' && C <= 'Z') C = static_cast<char>(C - 'A' + 'a');
  return R;
}

std::string UpperCase(const std::string& S) {
  std::string R = S;
  for (char& C : R)
    if (C >= 'a' && C <= 'z') C = static_cast<char>(C - 'a' + 'A');
  return R;
}

std::string ParseStr(const std::string& Text, const std::string& Key, bool MultiLine,
                     const std::string& Default) {
  const std::string Pattern = LowerCase(Key) + (MultiLine ? "={" : "=");
  std::string Value;
  // Searched in place (A-Z folded as compared): no lower-cased copy of the whole text per key.
  const auto Fold = [](char C) { return C >= 'A' && C <= 'Z' ? static_cast<char>(C - 'A' + 'a') : C; };
  const auto It = std::search(Text.begin(), Text.end(), Pattern.begin(), Pattern.end(),
                              [&](char A, char B) { return Fold(A) == B; });
  const size_t Found = It == Text.end() ? std::string::npos : static_cast<size_t>(It - Text.begin());
  if (Found != std::string::npos) {
    const size_t Start = Found + Pattern.size();
    size_t End = Start;
    if (MultiLine) {
      End = Text.find('}', Start);
      if (End == std::string::npos) End = Text.size();
    } else {
      while (End < Text.size() && static_cast<unsigned char>(Text[End]) >= 32) ++End;
    }
    Value = Text.substr(Start, End - Start);
  }
  if (Value.empty() && !Default.empty()) return Default;
  return Value;
}

int ParseStr(const std::string& Text, const std::string& Key, int Default) {
  int V;
  return TryStrToInt(ParseStr(Text, Key, false, std::to_string(Default)), V) ? V : Default;
}

std::string ParseText(const std::string& StartTag, const std::string& EndTag, std::string& Text,
                      bool CutFromText, bool IgnoreCase, bool TrimResult) {
  // Searches run on lower-cased copies; positions map back only while lengths stay the same,
  // so text whose locale lower case changes its length is lowered in A-Z only.
  bool Locale = IgnoreCase;
  auto Lower = [&](const std::string& X) {
    if (!IgnoreCase) return X;
    if (Locale) {
      std::string L = LocaleLowerCase(X);
      if (L.size() == X.size()) return L;
      Locale = false;
    }
    return LowerCase(X);
  };
  std::string Hay = Lower(Text), Start = Lower(StartTag), End = Lower(EndTag);
  if (IgnoreCase && !Locale) {
    Hay = LowerCase(Text);
    Start = LowerCase(StartTag);
    End = LowerCase(EndTag);
  }
  const size_t P1 = Hay.find(Start);
  if (P1 == std::string::npos) return std::string();
  const size_t From = P1 + Start.size();
  const size_t P2 = Hay.find(End, From);
  if (P2 == std::string::npos) return std::string();
  std::string Result = Text.substr(From, P2 - From);
  if (CutFromText) Text = Text.substr(P2 + End.size());
  return TrimResult ? Trim(Result) : Result;
}

std::int8_t VersionCheck(const std::string& Version1, const std::string& Version2) {
  auto Split = [](const std::string& V, std::string (&Parts)[4]) {
    std::string Rest = V + ".";
    for (auto& P : Parts) {
      const size_t Dot = Rest.find('.');
      if (Dot == std::string::npos) {
        P = "0";
      } else {
        P = Rest.substr(0, Dot);
        Rest.erase(0, Dot + 1);
      }
    }
  };
  std::string A[4], B[4];
  Split(Version1, A);
  Split(Version2, B);
  for (int I = 0; I < 4; ++I) {
    int X, Y;
    if (!TryStrToInt(A[I], X)) X = -1;
    if (!TryStrToInt(B[I], Y)) Y = -1;
    if (X == -1 || Y == -1) {
      const int C = Version1.compare(Version2);
      return static_cast<std::int8_t>(C > 0 ? 1 : C < 0 ? -1 : 0);
    }
    if (X != Y) return static_cast<std::int8_t>(X > Y ? 1 : -1);
  }
  return 0;
}

// ---------- strings ----------

std::string IncludeLeadingChar(const std::string& S, char C) {
  return !S.empty() && S[0] == C ? S : std::string(1, C) + S;
}
std::string IncludeLeadingBackslash(const std::string& S) { return IncludeLeadingChar(S, '\\'); }

std::string ExcludeLeadingChar(const std::string& S, char C) {
  const size_t I = S.find_first_not_of(C);
  return I == std::string::npos ? std::string() : S.substr(I);
}
std::string ExcludeLeadingBackslash(const std::string& S) { return ExcludeLeadingChar(S, '\\'); }

int PosR(const std::string& Substr, const std::string& S) {
  if (Substr.empty() || S.empty()) return 0;
  const size_t P = S.rfind(Substr);
  return P == std::string::npos ? 0 : static_cast<int>(P) + 1;
}

int PosRM(const std::set<char>& Chars, const std::string& S) {
  for (size_t I = S.size(); I > 0; --I)
    if (Chars.count(S[I - 1])) return static_cast<int>(I);
  return 0;
}

void ReplaceChars(std::string& S, char NewChar, const std::set<char>& Chars) {
  for (char& C : S)
    if (Chars.count(C)) C = NewChar;
}

int CaseAnsiCompareText(const std::string& S1, const std::string& S2, bool CaseSensitive) {
  return LocaleCompare(S1, S2, CaseSensitive);
}

std::string URLEncode(const std::string& S) {
  static const char* Hex = "0123456789ABCDEF";
  std::string R;
  R.reserve(S.size());
  for (const char Ch : S) {
    const auto B = static_cast<unsigned char>(Ch);
    if (B < 0x20 || B >= 0x80 || std::strchr(" #%*+<>", Ch) != nullptr) {
      R += '%';
      R += Hex[B >> 4];
      R += Hex[B & 15];
    } else {
      R += Ch;
    }
  }
  return R;
}

void SplitStr(const std::string& Separator, const std::string& S, std::string& Left,
              std::string& Right, TzuSplitStrSide Side, const TzuSplitStrSides& IncludeSides) {
  const size_t P = Separator.empty() ? std::string::npos : S.find(Separator);
  if (P == std::string::npos) {
    Left = Side == LEFT ? S : std::string();
    Right = Side == LEFT ? std::string() : S;
    return;
  }
  Left = S.substr(0, P);
  Right = S.substr(P + Separator.size());
  if (IncludeSides.count(LEFT)) Left += Separator;
  if (IncludeSides.count(RIGHT)) Right = Separator + Right;
}

std::string XORStr(const std::string& S, std::uint8_t Key) {
  std::string R = S;
  for (char& C : R) C = static_cast<char>(static_cast<unsigned char>(C) ^ Key);
  return R;
}

static bool IsBlank(char C) { return static_cast<unsigned char>(C) <= ' '; }

std::string TrimLeft(const std::string& S) {
  size_t I = 0;
  while (I < S.size() && IsBlank(S[I])) ++I;
  return S.substr(I);
}

std::string TrimRight(const std::string& S) {
  size_t N = S.size();
  while (N > 0 && IsBlank(S[N - 1])) --N;
  return S.substr(0, N);
}

std::string Trim(const std::string& S) { return TrimRight(TrimLeft(S)); }

// ---------- files ----------

namespace {
struct TAttrBit {
  TzuFileAttribute Attr;
  std::uint32_t Bit;
};
constexpr TAttrBit AttrBits[] = {
    {atrArchive, os::FILE_ATTRIBUTE_ARCHIVE},     {atrHidden, os::FILE_ATTRIBUTE_HIDDEN},
    {atrReadOnly, os::FILE_ATTRIBUTE_READONLY},   {atrSystem, os::FILE_ATTRIBUTE_SYSTEM},
    {atrTemporary, os::FILE_ATTRIBUTE_TEMPORARY}, {atrOffline, os::FILE_ATTRIBUTE_OFFLINE},
};
}  // namespace

std::uint32_t FileAttributesToBits(const TzuFileAttributes& Attributes) {
  std::uint32_t Bits = 0;
  for (const auto& A : AttrBits)
    if (Attributes.count(A.Attr)) Bits |= A.Bit;
  return Bits;
}

TzuFileAttributes BitsToFileAttributes(std::uint32_t Bits) {
  TzuFileAttributes R;
  for (const auto& A : AttrBits)
    if (Bits & A.Bit) R.insert(A.Attr);
  return R;
}

bool SetFileAttr(const std::string& FileName, const TzuFileAttributes& Attributes) {
  return os::SetFileAttributes(FileName, FileAttributesToBits(Attributes));
}

bool GetFileAttr(const std::string& FileName, TzuFileAttributes& Attributes) {
  std::uint32_t Bits;
  if (!os::GetFileAttributes(FileName, Bits)) {
    Attributes.clear();
    return false;
  }
  Attributes = BitsToFileAttributes(Bits);
  return true;
}

std::int64_t ExtractFileSize(const std::string& FileName) { return os::FileSize(FileName); }

namespace {
// Local date-time -> UTC seconds through the two-second file-system date form; false when
// the date lies outside that form's range (1980 to 2107).
bool LocalToFileTime(TDateTime Local, double& UtcSeconds) {
  int Y, Mo, D, H, Mi, S, Ms;
  DecodeDate(Local, Y, Mo, D);
  if (Y < 1980 || Y > 2107) return false;
  DecodeTime(Local, H, Mi, S, Ms);
  const TDateTime Rounded = EncodeDate(Y, Mo, D) + EncodeTime(H, Mi, S & ~1, 0);
  UtcSeconds = std::round(DateTimeToUnix(LocalTimeToGMT(Rounded)));
  return true;
}
}  // namespace

bool SetFileTimes(const std::string& FileName, TDateTime Created, TDateTime Modified,
                  TDateTime Accessed) {
  (void)Created;  // Linux keeps no settable creation time
  double A = -1, M = -1;
  if (Accessed != -1 && !LocalToFileTime(Accessed, A)) A = -1;
  if (Modified != -1 && !LocalToFileTime(Modified, M)) M = -1;
  return os::SetFileTimes(FileName, A, M);
}

// ---------- operating system ----------

std::string GetTempDir() { return os::GetTempDirectory(); }

void InitMSRecord(void* Record, std::uint32_t Size) {
  std::memset(Record, 0, Size);
  if (Size >= sizeof(std::uint32_t)) std::memcpy(Record, &Size, sizeof Size);
}

namespace {
bool VersionInfo(os::TOSVersionInfo& Info) {
  InitMSRecord(&Info, sizeof Info);
  return os::GetVersionEx(Info);
}
}  // namespace

TzuOSVersion GetOS() {
  os::TOSVersionInfo Info;
  if (!VersionInfo(Info)) return osUnknown;
  if (Info.dwPlatformId == os::VER_PLATFORM_WIN32_NT) {
    switch (Info.dwMajorVersion) {
      case 3: return osNT3;
      case 4: return osNT4;
      case 5: return Info.dwMinorVersion == 0 ? os2K : Info.dwMinorVersion == 1 ? osXP : os2003Server;
      default: return osUnknown;
    }
  }
  if (Info.dwMajorVersion == 4) {
    const std::string SP = Trim(Info.szCSDVersion);
    switch (Info.dwMinorVersion) {
      case 0: return SP == "B" ? os95OSR2 : os95;
      case 10: return SP == "A" ? os98SE : os98;
      case 90: return osME;
      default: break;
    }
  }
  return osUnknown;
}

bool IsNT() {
  const TzuOSVersion V = GetOS();
  return V == osNT3 || V == osNT4 || V == os2K || V == osXP;
}

bool IsWin2k() {
  os::TOSVersionInfo Info;
  return VersionInfo(Info) && Info.dwPlatformId == os::VER_PLATFORM_WIN32_NT && Info.dwMajorVersion > 4;
}

bool IsXP() {
  os::TOSVersionInfo Info;
  return VersionInfo(Info) && Info.dwPlatformId == os::VER_PLATFORM_WIN32_NT &&
         (Info.dwMajorVersion > 5 || (Info.dwMajorVersion == 5 && Info.dwMinorVersion != 0));
}

std::string SystemSoundAlias(TzuSystemSoundType SoundType) {
  static const char* Aliases[] = {
      "",           "SystemAsterisk", "Close",       "SystemHand",  ".Default", "SystemExclamation",
      "SystemExit", "Maximize",       "MenuCommand", "MenuPopup",   "Minimize", "MailBeep",
      "Open",       "AppGPFault",     "SystemQuestion", "RestoreDown", "RestoreUp", "SystemStart"};
  const int I = static_cast<int>(SoundType);
  return I >= 0 && I < static_cast<int>(std::size(Aliases)) ? Aliases[I] : "";
}

void PlaySystemSound(TzuSystemSoundType SoundType, bool Flag1, bool Flag2) {
  const std::string Alias = SystemSoundAlias(SoundType);
  if (!Alias.empty()) os::PlaySoundAlias(Alias, Flag1 || Flag2);
}

// ---------- registry ----------

bool RegGetStr(const std::string& Key, const std::string& ValueName, std::string& Value,
               std::uint32_t Root) {
  Value.clear();
  const std::string K = ExcludeLeadingBackslash(Key);
  if (!os::RegKeyExists(Root, K)) return false;
  const auto V = os::RegQueryValue(Root, K, ValueName);
  if (V && V->Type == os::TRegDataType::String && V->Data.size() + 1 <= 1024)
    Value = V->Data.substr(0, V->Data.find('\0'));
  return true;
}

std::string RegReadStr(const std::string& Key, const std::string& ValueName, std::uint32_t Root) {
  std::string V;
  RegGetStr(Key, ValueName, V, Root);
  return V;
}

std::int32_t RegReadInt(const std::string& Key, const std::string& ValueName, std::int32_t Default,
                        std::uint32_t Root) {
  const std::string K = ExcludeLeadingBackslash(Key);
  if (!os::RegKeyExists(Root, K)) return Default;
  const auto V = os::RegQueryValue(Root, K, ValueName);
  if (!V) return Default;
  if (V->Type == os::TRegDataType::DWord) return static_cast<std::int32_t>(V->DWord);
  if (V->Type == os::TRegDataType::Binary && V->Data.size() <= 4) {
    std::uint32_t U = 0;
    for (size_t I = 0; I < V->Data.size(); ++I)
      U |= static_cast<std::uint32_t>(static_cast<unsigned char>(V->Data[I])) << (8 * I);
    return static_cast<std::int32_t>(U);
  }
  return Default;
}

void RegWriteInt(const std::string& Key, const std::string& ValueName, std::int32_t Value,
                 std::uint32_t Root) {
  os::TRegValue V;
  V.Type = os::TRegDataType::DWord;
  V.DWord = static_cast<std::uint32_t>(Value);
  os::RegSetValue(Root, ExcludeLeadingBackslash(Key), ValueName, V);
}

// ---------- resources ----------

bool LoadResourceToStream(THandle, const std::string& Name, const std::string& Type, TStream* Stream) {
  if (!Stream) return false;
  std::string Data;
  if (!os::LoadResource(Name, Type, Data) || Data.empty()) return false;
  try {
    Stream->WriteBuffer(Data.data(), static_cast<std::int64_t>(Data.size()));
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

bool ExtractResourceToFile(THandle, const std::string& Name, const std::string& Type,
                           const std::string& FileName, bool Temporary) {
  std::string Data;
  if (!os::LoadResource(Name, Type, Data) || Data.empty()) return false;
  // Never write through a planted link.
  const int Fd = ::open(FileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (Fd < 0) return false;
  THandleStream Out(Fd);
  const bool Ok = Out.Write(Data.data(), static_cast<std::int64_t>(Data.size())) ==
                  static_cast<std::int64_t>(Data.size());
  const bool Closed = ::close(Fd) == 0;
  if (!Ok || !Closed) {
    ::unlink(FileName.c_str());  // no half-written file is left behind
    return false;
  }
  os::SetFileAttributes(FileName, Temporary ? std::uint32_t{os::FILE_ATTRIBUTE_TEMPORARY} : 0u);
  return true;
}

// ---------- message boxes ----------

namespace {
std::string VFormat(const char* Fmt, va_list Args) {
  va_list Copy;
  va_copy(Copy, Args);
  const int N = std::vsnprintf(nullptr, 0, Fmt, Copy);
  va_end(Copy);
  std::string R(N > 0 ? static_cast<size_t>(N) : 0, '\0');
  if (N > 0) std::vsnprintf(R.data(), R.size() + 1, Fmt, Args);
  return R;
}
}  // namespace

std::string Format(const char* Fmt, ...) {
  va_list Args;
  va_start(Args, Fmt);
  std::string R = VFormat(Fmt, Args);
  va_end(Args);
  return R;
}

int InfoBoxFmt(const char* Fmt, ...) {
  va_list Args;
  va_start(Args, Fmt);
  const std::string Text = VFormat(Fmt, Args);
  va_end(Args);
  return InfoBox(Text);
}

int WarnBoxFmt(const char* Fmt, ...) {
  va_list Args;
  va_start(Args, Fmt);
  const std::string Text = VFormat(Fmt, Args);
  va_end(Args);
  return WarnBox(Text);
}

int MsgBox(const std::string& Text, unsigned Flags, const std::string& Caption) {
  return Application().MessageBox(Text, Caption.empty() ? Application().Title() : Caption, Flags);
}

int InfoBox(const std::string& Text) { return MsgBox(Text, MB_ICONINFORMATION); }
int InfoBox(int Value) { return InfoBox(std::to_string(Value)); }
int InfoBox(bool Value) { return InfoBox(std::string(Value ? "True" : "False")); }
int InfoBoxDateTime(TDateTime Value) { return InfoBox(DateTimeToStr(Value)); }
int InfoBox(int Left, int Top, int Right, int Bottom) {
  return InfoBox(Format("%d:%d - %d:%d", Left, Top, Right, Bottom));
}
int ErrorBox(const std::string& Text) { return MsgBox(Text, MB_ICONSTOP); }
int WarnBox(const std::string& Text) { return MsgBox(Text, MB_ICONEXCLAMATION); }

// ---------- streams and strings ----------

std::string StreamToString(TStream& Stream, bool FromStart) {
  if (FromStart) Stream.SetPosition(0);
  const std::int64_t N = Stream.Size() - Stream.Position();
  if (N <= 0) return std::string();
  std::string R(static_cast<size_t>(N), '\0');
  R.resize(static_cast<size_t>(Stream.Read(R.data(), N)));
  return R;
}

void PutStringToStream(const std::string& S, TStream& Stream) {
  const auto Len = static_cast<std::int32_t>(S.size());
  const unsigned char L[4] = {static_cast<unsigned char>(Len), static_cast<unsigned char>(Len >> 8),
                              static_cast<unsigned char>(Len >> 16), static_cast<unsigned char>(Len >> 24)};
  Stream.WriteBuffer(L, 4);
  Stream.WriteBuffer(S.data(), static_cast<std::int64_t>(S.size()));
}

std::string GetStringFromStream(TStream& Stream) {
  try {
    unsigned char L[4];
    Stream.ReadBuffer(L, 4);
    const auto Len = static_cast<std::int32_t>(static_cast<std::uint32_t>(L[0]) | (L[1] << 8) |
                                               (L[2] << 16) | (static_cast<std::uint32_t>(L[3]) << 24));
    if (Len <= 0 || Len > Stream.Size() - Stream.Position()) return std::string();
    std::string S(static_cast<size_t>(Len), '\0');
    Stream.ReadBuffer(S.data(), Len);
    return S;
  } catch (const std::exception&) {
    return std::string();
  }
}

// ---------- application and waiting ----------

void ShutdownApplication() {
  Application().CloseMainForm();
  Application().Terminate();
}

void Wait(THandle& Handle, unsigned Timeout, bool StopOnTerminate) {
  if (Timeout == 0) Timeout = 0xFFFFFFFFu;
  Handle = CreateWaitEvent();
  struct TClose {
    THandle& H;
    ~TClose() {
      CloseWaitEvent(H);
      H = INVALID_HANDLE_VALUE;
    }
  } Close{Handle};
  WaitProcessingMessages(Handle, Timeout, StopOnTerminate);
}

void StopWait(THandle& Handle) {
  if (Handle != INVALID_HANDLE_VALUE && Handle != 0) SignalWaitEvent(Handle);
}

std::uint8_t PercentsOf(long double Total, long double Part) {
  if (Total == 0) return 0;
  const long double V = Part * 100.0L / Total;
  if (!std::isfinite(V) || std::fabs(V) > 9.2e18L) return 0;
  // Halves to even in the default rounding mode; llrint, unlike nearbyint, does not save and
  // restore the floating-point environment, and this runs once per progress event.
  const long long R = std::llrint(V);
  return static_cast<std::uint8_t>(R & 0xFF);
}

void SplitFilenameAndParams(std::string& FileName, std::string& Params) {
  FileName = Trim(FileName);
  if (FileName.empty()) return;
  Params.clear();
  const std::string Original = FileName;
  auto ExtOf = [](const std::string& F) {
    const size_t P = F.find_last_of("./\\:");
    return P == std::string::npos || F[P] != '.' ? std::string() : F.substr(P);
  };
  if (FileName[0] == '"') {
    FileName.erase(0, 1);
    const size_t Q = FileName.find('"');
    if (Q != std::string::npos) {
      Params = Trim(FileName.substr(Q + 1));
      FileName = FileName.substr(0, Q);
      for (int I = 0; I < 2; ++I) {
        const size_t P = Params.find('"');
        if (P != std::string::npos) Params.erase(P, 1);
      }
    }
  } else {
    static const char* Separators[] = {" -", " /", " \\", ",", " %", " \""};
    for (const char* Sep : Separators) {
      if (!Params.empty()) break;
      const size_t P = FileName.find(Sep);
      if (P == std::string::npos) continue;
      const bool Comma = std::strcmp(Sep, ",") == 0;
      const std::string Left = FileName.substr(0, P);
      const std::string Right = FileName.substr(Comma ? P + 1 : P);
      if (!ExtOf(FileName).empty() && ExtOf(Left).empty()) continue;
      FileName = Left;
      Params = Right;
    }
  }
  if (UpperCase(ExtOf(FileName)) == ".DLL" && UpperCase(FileName).find("RUNDLL") != std::string::npos) {
    const size_t Slash = Original.find_last_of("/\\");
    const std::string Dir = Slash == std::string::npos ? std::string() : Original.substr(0, Slash + 1);
    const std::string Name = Slash == std::string::npos ? Original : Original.substr(Slash + 1);
    const size_t Sp = Name.find(' ');
    FileName = Dir + Name.substr(0, Sp);
    Params = Sp == std::string::npos ? std::string() : Name.substr(Sp + 1);
  }
  FileName = Trim(FileName);
  Params = Trim(Params);
}

std::string GetExecutableByExtension(const std::string& Ext) {
  if (Ext.empty() || Ext == ".") return std::string();
  std::string Command = os::DefaultCommandForExtension(ExcludeLeadingChar(Ext, '.'));
  if (Command.empty()) return std::string();
  std::string Params;
  SplitFilenameAndParams(Command, Params);
  return Command;
}

int OpenURL(const std::string& URL, bool NewWindow, int ShowCmd) {
  (void)ShowCmd;  // window placement is the desktop's business on Linux
  const std::string Target = URL.find("://") == std::string::npos ? "http://" + URL : URL;
  if (NewWindow) {
    // The address is one argument, whatever it holds: split at blanks, a part of it could
    // reach the browser as an option of its own.
    const std::string Browser = GetExecutableByExtension("html");
    if (!Browser.empty()) return os::SpawnProcess(Browser, {Target}) ? os::SE_OK : os::SE_ERR_FNF;
  }
  return os::ShellOpenDocument(Target);
}

// ---------- date and time ----------

TDateTime LocalTimeBias() { return LocalTimeBiasMinutes() / 1440.0; }
TDateTime GMTToLocalTime(TDateTime T) { return T - LocalTimeBias(); }
TDateTime LocalTimeToGMT(TDateTime T) { return T + LocalTimeBias(); }

namespace {

int MonthOf(const std::string& Field) {
  static const char* Months[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                 "jul", "aug", "sep", "oct", "nov", "dec"};
  const std::string F = LowerCase(Field.substr(0, 3));
  for (int I = 0; I < 12; ++I)
    if (F == Months[I]) return I + 1;
  return 0;
}

// Takes the text up to Sep (all of it when Sep is absent) and removes it with Sep.
std::string TakeField(std::string& S, const std::string& Sep) {
  const size_t P = S.find(Sep);
  std::string F;
  if (P == std::string::npos) {
    F = S;
    S.clear();
  } else {
    F = S.substr(0, P);
    S.erase(0, P + Sep.size());
  }
  return F;
}

int IntOr(const std::string& S, int Default) {
  int V;
  return TryStrToInt(S, V) ? V : Default;
}

}  // namespace

TDateTime InternetTimeToDateTime(const std::string& Text) {
  std::string S = Trim(Text);
  if (S.empty()) return 0;
  for (char& C : S)
    if (C == ',') C = ' ';
  try {
    static const char* Days[] = {"su", "mo", "tu", "we", "th", "fr", "sa"};
    const std::string Head = LowerCase(S.substr(0, 2));
    for (const char* D : Days)
      if (Head == D) {
        const size_t Sp = S.find(' ');
        if (Sp != std::string::npos) S = TrimLeft(S.substr(Sp + 1));
        break;
      }

    const size_t Dash = S.find('-'), Space = S.find(' ');
    const std::string Sep = Dash != std::string::npos && Dash > 0 && Space != std::string::npos && Dash < Space ? "-" : " ";

    int Day, Month;
    const std::string First = S.substr(0, S.find(Sep));
    if (MonthOf(First) != 0) {
      Month = MonthOf(TakeField(S, Sep));
      S = TrimLeft(S);
      Day = IntOr(TakeField(S, Sep), 1);
      S = TrimLeft(S);
    } else {
      Day = IntOr(TakeField(S, Sep), 1);
      S = TrimLeft(S);
      Month = MonthOf(TakeField(S, Sep));
      S = TrimLeft(S);
    }
    if (Month == 0) return 0;

    std::string YearText = TakeField(S, " ");
    int Year;
    if (!TryStrToInt(YearText, Year)) {
      // asctime form: the time stands before the year.
      std::string Rest = TrimLeft(S);
      const std::string Y = TakeField(Rest, " ");
      if (!TryStrToInt(Y, Year)) return 0;
      S = Rest.empty() ? YearText : YearText + " " + Rest;
    }
    if (Year < 80) Year += 2000;
    else if (Year < 100) Year += 1900;

    TDateTime Result;
    if (!TryEncodeDate(Year, Month, Day, Result)) return 0;
    if (S.find(':') != std::string::npos) {
      S = TrimLeft(S);
      std::string T = TakeField(S, " ");
      const int H = IntOr(TakeField(T, ":"), 0);
      const int Mi = IntOr(TakeField(T, ":"), 0);
      const int Se = IntOr(T, 0);
      TDateTime Time;
      if (!TryEncodeTime(H, Mi, Se, 0, Time)) return 0;
      Result += Time;
    }
    S = TrimLeft(S);
    if (S.size() >= 5) {
      const char Sign = S[0];
      int Oh, Om;
      if ((Sign == '+' || Sign == '-') && TryStrToInt(S.substr(1, 2), Oh) && TryStrToInt(S.substr(3, 2), Om)) {
        const TDateTime Offset = (Oh * 60 + Om) / 1440.0;
        Result = Sign == '+' ? Result - Offset : Result + Offset;
      }
    }
    return GMTToLocalTime(Result);
  } catch (const std::exception&) {
    return 0;
  }
}

}  // namespace zu
