// zuUtils: the support library's free routines. Strings are 8-bit (UTF-8 or raw bytes),
// positions are 1-based, failures are reported through the result.
#pragma once

#include <cstdint>
#include <set>
#include <string>

#include "platform/framework/DateTime.h"
#include "platform/framework/Graphics.h"
#include "platform/framework/Streams.h"
#include "platform/framework/Text.h"  // TryStrToInt
#include "platform/framework/Types.h"

namespace zu {

// ---------- info-file text ----------

// The value of Key in Text: Key immediately followed by "=" (and "{" when MultiLine), matched
// ignoring the case of A-Z; the first match counts. A single-line value ends before the first
// control character, a braced value before the first "}"; either runs to the end of Text
// when no stop character follows. An empty value gives Default.
std::string ParseStr(const std::string& Text, const std::string& Key, bool MultiLine,
                     const std::string& Default);
// The value as an integer; Default when it is missing or no integer.
int ParseStr(const std::string& Text, const std::string& Key, int Default);

// The text between the first StartTag and the first EndTag after it; empty (and Text
// unchanged) when a tag is missing. CutFromText leaves Text as what follows that EndTag.
std::string ParseText(const std::string& StartTag, const std::string& EndTag, std::string& Text,
                      bool CutFromText, bool IgnoreCase, bool TrimResult);

// 1 when Version1 is newer than Version2, -1 when older, 0 when equal: four dotted parts
// compared as numbers; an unreadable part falls back to comparing the two whole strings.
std::int8_t VersionCheck(const std::string& Version1, const std::string& Version2);


// ---------- strings ----------

std::string IncludeLeadingChar(const std::string& S, char C);
std::string IncludeLeadingBackslash(const std::string& S);
std::string ExcludeLeadingChar(const std::string& S, char C);
std::string ExcludeLeadingBackslash(const std::string& S);
int PosR(const std::string& Substr, const std::string& S);
int PosRM(const std::set<char>& Chars, const std::string& S);
void ReplaceChars(std::string& S, char NewChar, const std::set<char>& Chars);
// Locale-aware comparison: negative, 0 or positive.
int CaseAnsiCompareText(const std::string& S1, const std::string& S2, bool CaseSensitive);
std::string URLEncode(const std::string& S);

enum TzuSplitStrSide { LEFT, RIGHT };
using TzuSplitStrSides = std::set<TzuSplitStrSide>;
void SplitStr(const std::string& Separator, const std::string& S, std::string& Left,
              std::string& Right, TzuSplitStrSide Side, const TzuSplitStrSides& IncludeSides);
std::string XORStr(const std::string& S, std::uint8_t Key);

std::string Trim(const std::string& S);       // removes blanks and control characters
std::string TrimLeft(const std::string& S);
std::string TrimRight(const std::string& S);
std::string LowerCase(const std::string& S);  // A-Z only
std::string UpperCase(const std::string& S);  // a-z only

// ---------- files ----------

enum TzuFileAttribute { atrArchive, atrHidden, atrReadOnly, atrSystem, atrTemporary, atrOffline };
using TzuFileAttributes = std::set<TzuFileAttribute>;
std::uint32_t FileAttributesToBits(const TzuFileAttributes& Attributes);
TzuFileAttributes BitsToFileAttributes(std::uint32_t Bits);

bool SetFileAttr(const std::string& FileName, const TzuFileAttributes& Attributes);
bool GetFileAttr(const std::string& FileName, TzuFileAttributes& Attributes);
std::int64_t ExtractFileSize(const std::string& FileName);
// Local date-times; -1 keeps a time. Times are stored with two-second resolution; the
// creation time cannot be set on Linux and is ignored.
bool SetFileTimes(const std::string& FileName, TDateTime Created, TDateTime Modified,
                  TDateTime Accessed);

// ---------- operating system ----------

std::string GetTempDir();  // with a trailing '/'

enum TzuOSVersion { osUnknown, os95, os95OSR2, os98, os98SE, osNT3, osNT4, os2K, osME, osXP, os2003Server };
TzuOSVersion GetOS();
bool IsNT();
bool IsWin2k();
bool IsXP();
void InitMSRecord(void* Record, std::uint32_t Size);

enum TzuSystemSoundType {
  stNoSound, stAsterisk, stCloseProgram, stCriticalStop, stDefaultSound, stExclamation,
  stExitWindows, stMaximize, stMenuCommand, stMenuPopup, stMinimize, stNewMailNotification,
  stOpenProgram, stProgramError, stQuestion, stRestoreDown, stRestoreUp, stStartWindows
};
std::string SystemSoundAlias(TzuSystemSoundType SoundType);
void PlaySystemSound(TzuSystemSoundType SoundType, bool Flag1, bool Flag2);

// ---------- registry ----------

inline constexpr std::uint32_t HKEY_CLASSES_ROOT = 0x80000000u;
inline constexpr std::uint32_t HKEY_CURRENT_USER = 0x80000001u;
inline constexpr std::uint32_t HKEY_LOCAL_MACHINE = 0x80000002u;

bool RegGetStr(const std::string& Key, const std::string& ValueName, std::string& Value,
               std::uint32_t Root);
std::string RegReadStr(const std::string& Key, const std::string& ValueName, std::uint32_t Root);
std::int32_t RegReadInt(const std::string& Key, const std::string& ValueName, std::int32_t Default,
                        std::uint32_t Root);
void RegWriteInt(const std::string& Key, const std::string& ValueName, std::int32_t Value,
                 std::uint32_t Root);

// ---------- resources ----------

bool LoadResourceToStream(THandle Instance, const std::string& Name, const std::string& Type,
                          TStream* Stream);
bool ExtractResourceToFile(THandle Instance, const std::string& Name, const std::string& Type,
                           const std::string& FileName, bool Temporary);
// A missing or empty "JPG" resource leaves Picture holding an empty JPEG image; data that is
// no JPEG raises EInvalidGraphic.
void LoadJPEG(const std::string& Name, TPicture& Picture);
void LoadJPEG(int Id, TPicture& Picture);

// ---------- message boxes ----------

int MsgBox(const std::string& Text, unsigned Flags, const std::string& Caption = std::string());
int InfoBox(const std::string& Text);
int InfoBox(int Value);
int InfoBox(bool Value);
int InfoBoxDateTime(TDateTime Value);
int InfoBox(int Left, int Top, int Right, int Bottom);  // a rectangle
int ErrorBox(const std::string& Text);
int WarnBox(const std::string& Text);

// printf-style formatting, and the format-string overloads of the boxes.
std::string Format(const char* Fmt, ...) __attribute__((format(printf, 1, 2)));
int InfoBoxFmt(const char* Fmt, ...) __attribute__((format(printf, 1, 2)));
int WarnBoxFmt(const char* Fmt, ...) __attribute__((format(printf, 1, 2)));

// ---------- streams and strings ----------

std::string StreamToString(TStream& Stream, bool FromStart);
void PutStringToStream(const std::string& S, TStream& Stream);
std::string GetStringFromStream(TStream& Stream);

// ---------- application and waiting ----------

void ShutdownApplication();
// Blocks while processing the application's messages until StopWait(Handle), the time-out
// of one single wait (0 = infinite) or, with StopOnTerminate, the application's end.
// Handle is set to the event while waiting and to -1 afterwards.
void Wait(THandle& Handle, unsigned Timeout, bool StopOnTerminate);
void StopWait(THandle& Handle);

// Part * 100 / Total rounded half to even, kept in its low 8 bits; 0 for Total 0.
std::uint8_t PercentsOf(long double Total, long double Part);

int OpenURL(const std::string& URL, bool NewWindow, int ShowCmd);
std::string GetExecutableByExtension(const std::string& Ext);
void SplitFilenameAndParams(std::string& FileName, std::string& Params);

void PutClipboardString(unsigned Format, const std::string& S);

// ---------- date and time ----------

TDateTime InternetTimeToDateTime(const std::string& S);
TDateTime LocalTimeBias();  // days: UTC minus local
TDateTime GMTToLocalTime(TDateTime T);
TDateTime LocalTimeToGMT(TDateTime T);

}  // namespace zu
