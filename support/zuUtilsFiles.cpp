// zuUtils, the other routines: files and folders, shell and processes, system queries
// (those that need no windows; the rest are in zuUtilsGui.cpp).
#include <QElapsedTimer>
#include <QLocale>
#include <QProcess>
#include <QStringList>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/framework/Application.h"
#include "platform/os/Files.h"
#include "platform/os/Shell.h"
#include "platform/os/System.h"
#include "platform/os/Version.h"
#include "support/zuUtils.h"

namespace zu {

namespace fs = std::filesystem;

// ---------- files and folders ----------

bool GetFindFileData(const std::string& FileName, TzuFindData& Data) {
  std::error_code E;
  const fs::file_status St = fs::status(FileName, E);
  if (E || !fs::exists(St)) return false;
  TzuFindData D;
  std::uint32_t Bits = 0;
  if (os::GetFileAttributes(FileName, Bits)) D.Attributes = Bits;
  if (fs::is_directory(St)) D.Attributes |= 0x10;
  D.Size = fs::is_regular_file(St) ? static_cast<std::int64_t>(fs::file_size(FileName, E)) : 0;
  os::TFileTimes T;
  if (os::GetFileTimes(FileName, T)) {
    D.Modified = GMTToLocalTime(UnixToDateTime(T.Modified));
    D.Accessed = GMTToLocalTime(UnixToDateTime(T.Accessed));
  }
  D.Name = fs::path(FileName).filename().string();
  Data = D;
  return true;
}

bool IsSameFileAttributes(const std::string& FileName, const TzuFileAttributes& Attributes) {
  TzuFileAttributes Has;
  return GetFileAttr(FileName, Has) && Has == Attributes;
}

bool GetFileAttrSize(const std::string& FileName, TzuFileAttributes& Attributes, std::int64_t& Size) {
  Size = -1;
  if (!GetFileAttr(FileName, Attributes)) return false;
  Size = zuGetFileSize(FileName);
  return Size >= 0;
}

std::int64_t zuGetFileSize(const std::string& FileName) { return ExtractFileSize(FileName); }

bool CreateDirectory(const std::string& Path) {
  if (Path.empty()) return false;
  std::error_code E;
  fs::create_directories(Path, E);
  return fs::is_directory(Path, E);
}

bool IsDirectoryExists(const std::string& Path) {
  std::error_code E;
  return !Path.empty() && fs::is_directory(Path, E);
}

bool IsDirectoryEmpty(const std::string& Path) {
  std::error_code E;
  if (!IsDirectoryExists(Path)) return false;
  const bool Empty = fs::is_empty(Path, E);
  return !E && Empty;
}

std::string FileReadString(const std::string& FileName) {
  std::error_code E;
  if (fs::is_directory(FileName, E)) return std::string();
  std::ifstream F(FileName, std::ios::binary);
  if (!F) return std::string();
  std::ostringstream S;
  S << F.rdbuf();
  return S.str();
}

bool FileWriteString(const std::string& FileName, const std::string& S, bool Append) {
  std::ofstream F(FileName, std::ios::binary | (Append ? std::ios::app : std::ios::trunc));
  if (!F) return false;
  F.write(S.data(), static_cast<std::streamsize>(S.size()));
  F.close();
  return !F.fail();
}

bool LogToFile(const std::string& FileName, const std::string& Text) {
  return FileWriteString(FileName, DateTimeToStr(Now()) + " " + Text + "\n", true);
}

std::string GetFileVersion(const std::string& FileName) {
  std::error_code E;
  const std::string Self = os::ExecutablePath();
  if (Self.empty() || !fs::equivalent(FileName, Self, E) || E) return std::string();
  return os::ProgramFileVersion();
}

std::string GetFileDisplayName(const std::string& FileName) {
  std::string S = FileName;
  while (S.size() > 1 && S.back() == '/') S.pop_back();
  return S == "/" ? S : fs::path(S).filename().string();
}

int GetSystemIconIndex(const std::string&) { return -1; }
THandle GetSystemImageList() { return 0; }

namespace {
// Days from 1 January 1601 to 30 December 1899.
constexpr double FileTimeDayDelta = 109205.0;
constexpr double FileTimeTicksPerDay = 864000000000.0;
}  // namespace

std::int64_t DateTimeToFileTime(TDateTime D) {
  return static_cast<std::int64_t>(std::llround((LocalTimeToGMT(D) + FileTimeDayDelta) * FileTimeTicksPerDay));
}

TDateTime FileTimeToDateTime(std::int64_t FileTime) {
  return GMTToLocalTime(static_cast<double>(FileTime) / FileTimeTicksPerDay - FileTimeDayDelta);
}

// ---------- shell and processes ----------

bool RunControlPanel() { return false; }
bool RunCPL(const std::string&) { return false; }
bool OpenWithDlg(const std::string&) { return false; }
bool RegisterDLL(const std::string&) { return false; }
bool UnregisterDLL(const std::string&) { return false; }

bool ExploreFolder(const std::string& Path) {
  return IsDirectoryExists(Path) && os::ShellOpenDocument(Path) > 32;
}

bool ComposeEmail(const std::string& To, const std::string& Subject, const std::string& Body) {
  std::string URL = "mailto:" + URLEncode(To);
  std::string Query;
  // "&" and "=" would end a field: they are escaped here on top of URLEncode's set.
  auto Field = [](const std::string& S) {
    std::string R;
    for (char C : URLEncode(S)) {
      if (C == '&') R += "%26";
      else if (C == '=') R += "%3D";
      else if (C == '?') R += "%3F";
      else R += C;
    }
    return R;
  };
  if (!Subject.empty()) Query += "subject=" + Field(Subject);
  if (!Body.empty()) Query += (Query.empty() ? "" : "&") + std::string("body=") + Field(Body);
  if (!Query.empty()) URL += "?" + Query;
  return os::ShellOpenDocument(URL) > 32;
}

namespace {

int RunAndWait(const std::string& Program, const std::vector<std::string>& Args, unsigned TimeoutMs) {
  if (Program.empty()) return -1;
  QProcess P;
  QStringList A;
  for (const std::string& S : Args) A << QString::fromStdString(S);
  P.setProcessChannelMode(QProcess::ForwardedChannels);
  P.start(QString::fromStdString(Program), A);
  if (!P.waitForStarted(10000)) return -1;
  QElapsedTimer Clock;
  Clock.start();
  while (!P.waitForFinished(20)) {
    if (P.state() == QProcess::NotRunning) break;
    Application().ProcessMessages();
    if (TimeoutMs && Clock.elapsed() >= TimeoutMs) {
      P.kill();
      P.waitForFinished(5000);
      return -1;
    }
  }
  return P.exitStatus() == QProcess::NormalExit ? P.exitCode() : -1;
}

}  // namespace

int ExecAndWait(const std::string& CommandLine, int, unsigned TimeoutMs) {
  std::vector<std::string> Parts = os::SplitCommandLine(CommandLine);
  if (Parts.empty()) return -1;
  const std::string Program = Parts.front();
  Parts.erase(Parts.begin());
  return RunAndWait(Program, Parts, TimeoutMs);
}

int ExecAndWait(const std::string& Program, const std::string& Params, int, unsigned TimeoutMs) {
  return RunAndWait(Program, os::SplitCommandLine(Params), TimeoutMs);
}

// ---------- system queries ----------

bool IsWin95() { return false; }
bool Is256ColorTrayIconAllowed() { return true; }

int GetCPUSpeed() {
  // The current frequency of the first CPU (kHz), else what /proc/cpuinfo reports (MHz).
  std::ifstream Freq("/sys/devices/system/cpu/cpu0/cpufreq/scaling_cur_freq");
  long long KHz = 0;
  if (Freq >> KHz && KHz > 0) return static_cast<int>(KHz / 1000);
  std::ifstream Info("/proc/cpuinfo");
  std::string Line;
  while (std::getline(Info, Line))
    if (Line.rfind("cpu MHz", 0) == 0) {
      const size_t C = Line.find(':');
      if (C != std::string::npos) return static_cast<int>(std::lround(StrToFloatDef(Line.substr(C + 1), 0)));
    }
  return 0;
}

bool IsScreenSaverRunning() {
  // xdg-screensaver has no status query; the freedesktop screen saver answers on D-Bus, which
  // this program does not speak. Unknown is reported as not running.
  return false;
}

bool StartScreenSaver() {
  const std::string Tool = os::FindOnPath("xdg-screensaver");
  return !Tool.empty() && RunAndWait(Tool, {"activate"}, 10000) == 0;
}

std::string GetSystemDir() { return "/usr/lib/"; }
std::string GetWindowsDir() { return "/etc/"; }

std::string GetEnvironmentString(const std::string& Name) {
  const char* V = Name.empty() ? nullptr : std::getenv(Name.c_str());
  return V ? V : std::string();
}

bool IsMetricSystem() { return QLocale::system().measurementSystem() == QLocale::MetricSystem; }

bool IsDebug() {
  std::ifstream F("/proc/self/status");
  std::string Line;
  while (std::getline(F, Line))
    if (Line.rfind("TracerPid:", 0) == 0) return std::atoi(Line.c_str() + 10) != 0;
  return false;
}

bool HangUpModems() { return false; }
bool IsEnabledDownloadOfSignedActiveX() { return false; }

std::string GetKeyName(int VirtualKey) {
  if ((VirtualKey >= '0' && VirtualKey <= '9') || (VirtualKey >= 'A' && VirtualKey <= 'Z'))
    return std::string(1, static_cast<char>(VirtualKey));
  if (VirtualKey >= 0x70 && VirtualKey <= 0x87) return "F" + std::to_string(VirtualKey - 0x6F);
  if (VirtualKey >= 0x60 && VirtualKey <= 0x69) return "Num " + std::to_string(VirtualKey - 0x60);
  static const std::pair<int, const char*> Names[] = {
      {0x08, "Backspace"}, {0x09, "Tab"},       {0x0D, "Enter"},     {0x10, "Shift"},     {0x11, "Ctrl"},
      {0x12, "Alt"},       {0x13, "Pause"},     {0x14, "Caps Lock"}, {0x1B, "Esc"},       {0x20, "Space"},
      {0x21, "Page Up"},   {0x22, "Page Down"}, {0x23, "End"},       {0x24, "Home"},      {0x25, "Left"},
      {0x26, "Up"},        {0x27, "Right"},     {0x28, "Down"},      {0x2C, "Print"},     {0x2D, "Ins"},
      {0x2E, "Del"},       {0x5B, "Meta"},      {0x6A, "Num *"},     {0x6B, "Num +"},     {0x6D, "Num -"},
      {0x6E, "Num Del"},   {0x6F, "Num /"},     {0x90, "Num Lock"},  {0x91, "Scroll Lock"}};
  for (const auto& [Key, Name] : Names)
    if (Key == VirtualKey) return Name;
  return std::string();
}

void Delay(unsigned Ms) {
  QElapsedTimer Clock;
  Clock.start();
  while (Clock.elapsed() < Ms) Application().ProcessMessages();
}

bool StopSystemSound() { return os::StopSounds(); }

}  // namespace zu
