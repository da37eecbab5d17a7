// zuUtils: the support library's free routines. Strings are 8-bit (UTF-8 or raw bytes),
// positions are 1-based, failures are reported through the result.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "platform/framework/DateTime.h"
#include "platform/framework/Font.h"
#include "platform/framework/Lists.h"
#include "platform/framework/Graphics.h"
#include "platform/framework/Streams.h"
#include "platform/framework/Text.h"  // TryStrToInt
#include "platform/framework/Types.h"

class QWidget;

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

// ======== the unit's other routines ========
// Free routines of the same style, by family; docs/DESIGN.md ("Support routines") says what
// each means on Linux. Those that name something Linux lacks report failure by their result.

// ---------- string parts and searching (zuUtilsStrings.cpp) ----------

// Before / after the first (LeftPart, RightPart) or last (LeftPartR, RightPartR) Separator.
// Without one, the left parts are S and the right parts empty.
std::string LeftPart(const std::string& Separator, const std::string& S);
std::string RightPart(const std::string& Separator, const std::string& S);
std::string LeftPartR(const std::string& Separator, const std::string& S);
std::string RightPartR(const std::string& Separator, const std::string& S);
// Between the first LeftSep and the next RightSep after it; empty when either is missing.
std::string MiddlePart(const std::string& LeftSep, const std::string& RightSep, const std::string& S);
// Position (1-based) of Substr in S from Offset on; 0 when absent.
int PosCase(const std::string& Substr, const std::string& S, bool CaseSensitive, int Offset = 1);
// Whether Token is one of the Delimiters-separated tokens of S (case ignored, blanks trimmed).
bool IsTokenExists(const std::string& Token, const std::string& S, const std::string& Delimiters = ",;");
bool IsSubStrExists(const std::string& SubStr, const std::string& S, bool CaseSensitive = false);
// The parts of S between Separators, appended to List; the number added.
int StrToStrList(const std::string& S, const std::string& Separator, TStrings& List);
// Without HTML tags; "&#NNN;" and the entities quot, amp, copy, reg, nbsp, lt, gt decoded
// (a character reference above 255 becomes its UTF-8 form).
std::string StripTags(const std::string& S);
// "%XX" becomes the byte, "+" a blank; a "%" without two hexadecimal digits stays as it is.
std::string URLDecode(const std::string& S);
bool IsValidEmail(const std::string& S);
// HTML-escaped: & < > " become entities.
std::string ESC(const std::string& S);
// Whether a command-line argument is Param, with or without a leading "/" or "-".
bool HasParamStr(const std::string& Param, bool CaseSensitive = false);
// The arguments after the program name, blank-separated, quoted when they hold blanks.
std::string FullParamStr();
// String resources: the resource "#Id" of type "STRING"; empty when missing.
std::string LoadString(int Id);
// Part Index (0-based) of LoadString(Id) split at Separator; empty when missing.
std::string LoadSubString(int Id, int Index, char Separator = '|');

// ---------- number conversion (zuUtilsStrings.cpp) ----------

std::string DecToHex(std::uint64_t Value, int Digits = 0);  // upper case, zero-padded
std::int64_t HexToDec(const std::string& S);               // -1 when S is no hexadecimal number
std::string DecToBin(std::uint64_t Value, int Digits = 0);
std::int64_t BinToDec(const std::string& S);               // -1 when S is no binary number
std::string DecToRoman(int Value);                         // empty outside 1..3999
// "#RRGGBB" of a colour 0x00BBGGRR; empty for a system colour (negative).
std::string ColorToHTML(std::int32_t Color);
// "." or "," as the decimal separator; Default when S is no number.
double StrToFloatDef(const std::string& S, double Default);
// At most Digits decimals, trailing zeros dropped.
std::string FloatToStrDigits(double Value, int Digits);
// Two decimals and "," between thousands: 1234.5 gives "1,234.50".
std::string PriceToStr(double Value);
// Below 1024 the plain number, then kilobytes with one decimal ("1.5 KB"), then megabytes
// with two ("2.25 MB"); -1 gives "?". The second form names the units itself.
std::string FileSizeToStr(std::int64_t Size);
std::string FileSizeToStr(std::int64_t Size, const std::string& Bytes, const std::string& KB,
                          const std::string& MB);

// ---------- files and folders (zuUtilsFiles.cpp) ----------

struct TzuFindData {
  std::uint32_t Attributes = 0;  // Win32 bits, 0x10 for a directory
  std::int64_t Size = 0;
  TDateTime Modified = 0, Accessed = 0;  // local
  std::string Name;
};
bool GetFindFileData(const std::string& FileName, TzuFindData& Data);
bool IsSameFileAttributes(const std::string& FileName, const TzuFileAttributes& Attributes);
bool GetFileAttrSize(const std::string& FileName, TzuFileAttributes& Attributes, std::int64_t& Size);
std::int64_t zuGetFileSize(const std::string& FileName);  // -1 when missing
bool CreateDirectory(const std::string& Path);              // with the folders above it
bool IsDirectoryExists(const std::string& Path);
bool IsDirectoryEmpty(const std::string& Path);             // false when missing
std::string FileReadString(const std::string& FileName);   // empty when unreadable
bool FileWriteString(const std::string& FileName, const std::string& S, bool Append = false);
// Appends "YYYY-MM-DD HH:MM:SS Text" and a line end.
bool LogToFile(const std::string& FileName, const std::string& Text);
// The running program's version for its own file; empty for others (no version resources).
std::string GetFileVersion(const std::string& FileName);
std::string GetFileDisplayName(const std::string& FileName);
// No system image list here: -1 and 0.
int GetSystemIconIndex(const std::string& FileName);
THandle GetSystemImageList();
// Local date-time <-> Win32 file time (100 ns since 1601, UTC).
std::int64_t DateTimeToFileTime(TDateTime D);
TDateTime FileTimeToDateTime(std::int64_t FileTime);

// ---------- shell and processes (zuUtilsFiles.cpp, windows in zuUtilsGui.cpp) ----------

bool RunControlPanel();                         // no control panel: false
bool RunCPL(const std::string& Applet);         // no applets: false
bool OpenWithDlg(const std::string& FileName);  // no shell "Open with" dialog: false
bool RepaintScreen();
bool MinimizeAll();  // the program's own windows
bool RestoreAll();
bool ExploreFolder(const std::string& Path);    // the file manager, through xdg-open
bool ComposeEmail(const std::string& To, const std::string& Subject = std::string(),
                  const std::string& Body = std::string());
// Runs the program and waits (messages keep flowing) for its exit code; -1 when it cannot
// start or TimeoutMs (0 = none) passes, and then the program is killed.
int ExecAndWait(const std::string& CommandLine, int ShowCmd = SW_SHOWNORMAL, unsigned TimeoutMs = 0);
int ExecAndWait(const std::string& Program, const std::string& Params, int ShowCmd, unsigned TimeoutMs = 0);
bool RegisterDLL(const std::string& FileName);    // no DLL registration: false
bool UnregisterDLL(const std::string& FileName);

// ---------- system queries (zuUtilsFiles.cpp, windows in zuUtilsGui.cpp) ----------

bool IsWin95();
bool Is256ColorTrayIconAllowed();
int GetCPUSpeed();  // MHz, 0 when unknown
bool IsScreenSaverRunning();
bool StartScreenSaver();
std::string GetSystemDir();   // "/usr/lib/"
std::string GetWindowsDir();  // "/etc/"
std::string GetEnvironmentString(const std::string& Name);
bool IsMetricSystem();
bool IsDebug();  // a debugger (tracer) is attached
bool HangUpModems();                    // no modems: false
bool IsEnabledDownloadOfSignedActiveX();  // no ActiveX: false
bool HideFromTaskList(QWidget* Window, bool Hide);
struct TzuRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
};
TzuRect GetWorkArea();
std::string GetKeyName(int VirtualKey);  // empty for an unknown key
enum TzuShiftStateItem { ssShift, ssAlt, ssCtrl };
using TzuShiftState = std::set<TzuShiftStateItem>;
TzuShiftState GetShiftState();
bool Sound(int Frequency);  // the system bell; no speaker tones here
void NoSound();
void Delay(unsigned Ms);  // messages keep flowing
bool StopSystemSound();

// ---------- registry (zuUtilsRegistry.cpp, fonts in zuUtilsGui.cpp) ----------

bool IsRegKeyExists(const std::string& Key, std::uint32_t Root);
bool IsRegValueExists(const std::string& Key, const std::string& ValueName, std::uint32_t Root);
bool RegWriteStr(const std::string& Key, const std::string& ValueName, const std::string& Value, std::uint32_t Root);
bool RegReadBool(const std::string& Key, const std::string& ValueName, bool Default, std::uint32_t Root);
bool RegWriteBool(const std::string& Key, const std::string& ValueName, bool Value, std::uint32_t Root);
// On the current-user root, then on the local-machine root; true when both succeeded.
bool RegWriteStrCULM(const std::string& Key, const std::string& ValueName, const std::string& Value);
bool RegWriteIntCULM(const std::string& Key, const std::string& ValueName, std::int32_t Value);
bool RegEraseValueCULM(const std::string& Key, const std::string& ValueName);
bool RegEraseKeyCULM(const std::string& Key);
// Date-times as the 8 bytes of their day count (binary), as the framework's registry keeps them.
TDateTime RegReadDateTime(const std::string& Key, const std::string& ValueName, TDateTime Default, std::uint32_t Root);
bool RegWriteDateTime(const std::string& Key, const std::string& ValueName, TDateTime Value, std::uint32_t Root);
bool RegEraseValue(const std::string& Key, const std::string& ValueName, std::uint32_t Root);
bool RegEraseKey(const std::string& Key, std::uint32_t Root);
// Fonts as the bytes of PutFontToStream (binary).
bool RegReadFont(const std::string& Key, const std::string& ValueName, TFont& Font, std::uint32_t Root);
bool RegWriteFont(const std::string& Key, const std::string& ValueName, const TFont& Font, std::uint32_t Root);
int RegGetValuesCount(const std::string& Key, std::uint32_t Root);  // -1 when the key is missing
bool RegGetValueNames(const std::string& Key, TStrings& Names, std::uint32_t Root);

// ---------- streams (zuUtilsRegistry.cpp, fonts in zuUtilsGui.cpp) ----------

std::string BufferStr(const void* Buffer, std::size_t Size);
void StringToStream(const std::string& S, TStream& Stream);  // the bytes, no length
// One length byte, then the bytes; false (nothing written) for more than 255 bytes.
bool PutShortStringToStream(const std::string& S, TStream& Stream);
std::string GetShortStringFromStream(TStream& Stream);
bool GetShortStringFromStream(TStream& Stream, std::string& S);  // false when the stream ends early
void PutIntegerToStream(std::int32_t Value, TStream& Stream);    // 4 bytes, little-endian
std::int32_t GetIntegerFromStream(TStream& Stream, std::int32_t Default = 0);
// Name (short string), size, style byte, colour.
void PutFontToStream(const TFont& Font, TStream& Stream);
bool GetFontFromStream(TStream& Stream, TFont& Font);

// ---------- windows and controls (zuUtilsGui.cpp) ----------

bool ShowApplication();  // the main form, restored and in front
std::string GetWindowTitle(THandle Window);
bool IsHorzScrollBarVisible(QWidget* Control);
bool IsVertScrollBarVisible(QWidget* Control);
QWidget* ControlAtPoint(QWidget* Parent, int X, int Y);  // the deepest child; null for none
std::string GetClassNameByWnd(THandle Window);
bool SetRightBottomFormPos(QWidget* Form);  // in the work area's bottom-right corner
bool SafeFocus(QWidget* Control);           // only when it can take the focus
template <class T, class C>
bool IsObjectInArray(const T* Object, const C& Array) {
  for (const auto& E : Array)
    if (E == Object) return true;
  return false;
}
std::int64_t InterlockedIncrement64(std::int64_t& Value);  // atomic; the new value

// ---------- clipboard (zuUtilsGui.cpp) ----------
// Formats 1, 7 and 13 are plain text; others are the MIME type
// "application/x-zu-clipboard-format-N". Names registered with GetClipFormatIndex get numbers
// from 0xC000 on; a name that is a MIME type ("text/html") is that type.

bool HasClipFormat(unsigned Format);
bool HasClipFormatNoOpen(unsigned Format);
std::string GetClipFormatName(unsigned Format);
unsigned GetClipFormatIndex(const std::string& Name);  // 0 for an empty name
std::string GetClipboardString(unsigned Format);       // up to the first zero byte
std::string GetClipboardStringByFormatName(const std::string& Name);
bool PutClipboardStringByFormatName(const std::string& Name, const std::string& S);
bool GetClipboardStream(unsigned Format, TStream& Stream);
bool GetClipboardStreamByFormatName(const std::string& Name, TStream& Stream);
bool PutClipboardStream(unsigned Format, TStream& Stream);  // the whole stream
bool PutClipboardStreamByFormatName(const std::string& Name, TStream& Stream);
std::string GetClipboardText();
bool PutClipboardText(const std::string& S);
bool GetClipboardBitmap(TBitmap& Bitmap);
bool PutClipboardBitmap(const TBitmap& Bitmap);
bool GetClipboardFileList(std::vector<std::string>& Files);
bool PutClipboardFileList(const std::vector<std::string>& Files);

// ---------- date and time (zuUtilsDates.cpp) ----------
// DateTimeToUnix and UnixToDateTime are those of platform/framework/DateTime.h.

// "YYYY-MM-DD[ HH:MM[:SS]]" or "MM/DD/YYYY[ HH:MM[:SS]]"; Default when S is neither.
TDateTime StrToDateTimeDef(const std::string& S, TDateTime Default);
// Format with yyyy, yy, mm, dd, hh, nn, ss; other characters must match; Default on mismatch.
TDateTime StrToDateTimeDefFormat(const std::string& S, const std::string& Format, TDateTime Default);
int DaysPerMonth(int Year, int Month);  // 0 for a month outside 1..12
int LocalTimeBiasInMinutes();           // UTC minus local
TDateTime GMT();                        // now, in UTC
// "Sun, 06 Nov 1994 08:49:37 GMT" for a local date-time.
std::string DateTimeToInternetTime(TDateTime D);
std::string SecondsToString(std::int64_t Seconds);     // "H:MM:SS"
std::string SecondsToStringExt(std::int64_t Seconds);  // "N days H:MM:SS" from one day on
std::string SecToStr(std::int64_t Seconds);            // "M:SS" below an hour, else "H:MM:SS"
std::int64_t StrToSec(const std::string& S);           // "[[H:]M:]S"; -1 when unreadable
std::string DateTimeToStrNoSeconds(TDateTime D);       // "YYYY-MM-DD HH:MM"
std::string DateTimeToLongString(TDateTime D);         // "Sunday, 6 November 1994 08:49:37"
bool SameDateTime(TDateTime A, TDateTime B);           // within a millisecond
// "Today", "Yesterday", "Tomorrow", "This week", "Last week", "This month", "Older", "Later",
// seen from Now.
std::string GroupDateTime(TDateTime D, TDateTime Now);
TDateTime GetDateFromDateTime(TDateTime D);
TDateTime GetTimeFromDateTime(TDateTime D);
int GetAge(TDateTime BirthDate, TDateTime At);  // full years
int GetMinutesValue(TDateTime D);               // the minutes of its time
int GetSecondsValue(TDateTime D);
std::int64_t DateTimeToSeconds(TDateTime D);    // the day count in seconds
bool IsToday(TDateTime D);
bool IsYesterday(TDateTime D);
bool IsTomorrow(TDateTime D);
std::int64_t SecondsBetween(TDateTime A, TDateTime B);
int CurrentYear();
TDateTime SQLDateTimeToDateTime(const std::string& S);  // "YYYY-MM-DD HH:MM:SS"; 0 when unreadable
std::string DateTimeToSQLDateTime(TDateTime D);
std::string DateTimeToSQLDate(TDateTime D);
std::string DateTimeToSQLTime(TDateTime D);

}  // namespace zu
